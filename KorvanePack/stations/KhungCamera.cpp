#include "stations/KhungCamera.h"

#include <QPainter>

#include "shell/VungBoTron.h"

KhungCamera::KhungCamera(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void KhungCamera::hienKhung(const QImage& khung) {
    khung_ = khung;
    thuNho_ = QImage();
    update();
}

void KhungCamera::xoaKhung() {
    khung_ = QImage();
    thuNho_ = QImage();
    update();
}

QRect KhungCamera::vungHinh() const {
    if (khung_.isNull() || khung_.width() <= 0 || khung_.height() <= 0) return {};
    QSizeF vua = QSizeF(khung_.size());
    vua.scale(QSizeF(size()), Qt::KeepAspectRatio);
    QSize s(qRound(vua.width()), qRound(vua.height()));
    // A box shaped to the frame's ratio in whole pixels leaves a rounding gap of a pixel or two: left alone it
    // shows as a dark hairline along the box's rounded border, so it is closed. A real bar is far wider.
    if (width() - s.width() <= 2) s.setWidth(width());
    if (height() - s.height() <= 2) s.setHeight(height());
    return QRect(QPoint((width() - s.width()) / 2, (height() - s.height()) / 2), s);
}

void KhungCamera::datBanKinhVien(int banKinh) {
    banKinhVien_ = banKinh;
    capNhatMatNa();
}

void KhungCamera::resizeEvent(QResizeEvent*) {
    capNhatMatNa();
    // A hidden box (the other station's screen) must not shrink the frames the shown one gets.
    if (isVisible()) emit kichThuocXemDoi(size());
}

void KhungCamera::showEvent(QShowEvent*) {
    emit kichThuocXemDoi(size());
}

void KhungCamera::capNhatMatNa() {
    // Cut along the middle of the border line: the line's smoothing then blends each edge pixel with what
    // belongs under it, so no picture pokes out past the rounded corners and no page shows between the picture
    // and the line; along the straight sides the line's own pixels are left to the page.
    if (banKinhVien_ > 0)
        setMask(vungBoTron(size(), banKinhVien_));
    else
        clearMask();
}

void KhungCamera::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const QRect vung = vungHinh();
    if (vung.isEmpty()) return;
    // Filtered down once per frame to the size shown, then only copied: a repaint for anything drawn over
    // the picture does not filter the full camera frame again. Bilinear, as QPainter's smooth drawing is:
    // QImage's area-averaging scale costs twice as much at these sizes.
    // A frame handed over at the size shown is drawn as it is.
    if (khung_.size() == vung.size()) {
        p.drawImage(vung.topLeft(), khung_);
        return;
    }
    if (thuNho_.size() != vung.size()) {
        thuNho_ = QImage(vung.size(), QImage::Format_RGB32);
        QPainter q(&thuNho_);
        q.setRenderHint(QPainter::SmoothPixmapTransform);
        q.drawImage(thuNho_.rect(), khung_);
    }
    p.drawImage(vung.topLeft(), thuNho_);
}
