#pragma once

#include <QStringList>

#include "core/CongSaoLuu.h"
#include "store/BanGhiVideo.h"

// The backup as start-up and the window see it: it records the id of every record handed to it to copy, and
// neither copies anything nor answers a look at its folder.
class SaoLuuGia final : public CongSaoLuu {
public:
    void saoLuuMot(const BanGhiVideo& banGhi) override { daNhan << banGhi.id; }
    QString trangThai() const override { return {}; }
    bool dangChay() const override { return false; }
    void saoLuuBuToanBo() override {}
    void kiemTraThuMuc(std::function<void(TinhTrang)>) override {}

    QStringList daNhan;
};
