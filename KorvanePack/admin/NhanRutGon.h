#pragma once

#include "shell/NhanNgatMoiCho.h"

// A folder's path on a settings card: shown whole, broken across lines where the card's width ends, since the
// owner reads the drive at its start and the folder at its end and nothing else on the card repeats it.
class NhanRutGon : public NhanNgatMoiCho {
    Q_OBJECT
public:
    NhanRutGon(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent = nullptr);

    void datChu(const QString& chu);
    QString chuDayDu() const { return text(); }
};
