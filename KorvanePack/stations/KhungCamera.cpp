#include "stations/KhungCamera.h"

#include <QPainter>

KhungCamera::KhungCamera(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void KhungCamera::hienKhung(const QImage& khung) {
    khung_ = khung;
    update();
}

void KhungCamera::xoaKhung() {
    khung_ = QImage();
    update();
}

QRect KhungCamera::vungHinh() const {
    if (khung_.isNull() || khung_.width() <= 0 || khung_.height() <= 0) return {};
    QSize s = khung_.size();
    s.scale(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s);
}

void KhungCamera::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const QRect vung = vungHinh();
    if (vung.isEmpty()) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(vung, khung_);
}
