#include "admin/BieuTuongKhoa.h"

#include <QPainter>
#include <QPainterPath>

BieuTuongKhoa::BieuTuongKhoa(int coPx, const MauDong& mau, QWidget* parent) : QWidget(parent), mau_(mau) {
    setFixedSize(coPx, coPx);
}

void BieuTuongKhoa::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor mau = mau_.mau();
    const double c = width();
    // Shackle: an arch over the body, drawn as a thick stroke.
    QPen but(mau, c * 0.11, Qt::SolidLine, Qt::FlatCap);
    p.setPen(but);
    p.setBrush(Qt::NoBrush);
    const QRectF vong(c * 0.27, c * 0.06, c * 0.46, c * 0.5);
    QPainterPath cung;
    cung.moveTo(vong.left(), c * 0.47);
    cung.lineTo(vong.left(), vong.center().y());
    cung.arcTo(vong, 180, -180);
    cung.lineTo(vong.right(), c * 0.47);
    p.drawPath(cung);
    // Body.
    p.setPen(Qt::NoPen);
    p.setBrush(mau);
    p.drawRoundedRect(QRectF(c * 0.14, c * 0.42, c * 0.72, c * 0.54), c * 0.08, c * 0.08);
}
