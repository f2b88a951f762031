#include "evidence/ThanhThongKe.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "shell/BangMau.h"

ThanhThongKe::ThanhThongKe(int so, int thang, QWidget* parent) : QWidget(parent), so_(so), thang_(thang) {
    setFixedHeight(12);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

int ThanhThongKe::thangCua(int lonNhat) {
    return lonNhat < 2 ? 1 : lonNhat;
}

double ThanhThongKe::doRong(double rongCo, int so, int thang) {
    if (thang <= 0) thang = 1;
    return std::max(2.0, rongCo * double(so) / double(thang));
}

void ThanhThongKe::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath duong;
    duong.addRoundedRect(QRectF(0, 0, std::min<double>(width(), doRongHienTai()), height()), 3, 3);
    p.fillPath(duong, BangMau::mauXanhDuong.mau());
}
