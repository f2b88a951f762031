#pragma once

#include <QList>
#include <QStringList>

#include "evidence/MoTep.h"

// Remembers what would have been handed to the desktop, for tests.
class MoTepGhiLai : public MoTep {
public:
    void moTep(const QString& duongDan, KetQuaMo xong) override {
        daMo.append(duongDan);
        if (xong) choTraLoi.append(std::move(xong));
    }
    void hienTrongThuMuc(const QString& duongDan, KetQuaMo xong) override {
        daHien.append(duongDan);
        if (xong) choTraLoiHien.append(std::move(xong));
    }

    QStringList daMo;
    // The answers not yet given, in the order the files were handed over; a test answers them as the desktop would.
    QList<KetQuaMo> choTraLoi;
    QStringList daHien;
    // The same for the folders shown.
    QList<KetQuaMo> choTraLoiHien;
};
