#include "admin/NhanRutGon.h"

NhanRutGon::NhanRutGon(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent)
    : NhanNgatMoiCho(chu, mau, phong, parent) {
    QSizePolicy sp(QSizePolicy::Expanding, QSizePolicy::Preferred);
    sp.setHeightForWidth(true);
    setSizePolicy(sp);
    setToolTip(chu);
}

void NhanRutGon::datChu(const QString& chu) {
    setText(chu);
    setToolTip(chu);
}
