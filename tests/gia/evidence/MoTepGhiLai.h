#pragma once

#include <QStringList>

#include "evidence/MoTep.h"

// Remembers what would have been handed to the desktop, for tests.
class MoTepGhiLai : public MoTep {
public:
    void moTep(const QString& duongDan) override { daMo.append(duongDan); }
    void hienTrongThuMuc(const QString& duongDan) override { daHien.append(duongDan); }

    QStringList daMo;
    QStringList daHien;
};
