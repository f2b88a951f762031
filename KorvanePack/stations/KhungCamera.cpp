#include "stations/KhungCamera.h"

#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <utility>

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
}

void KhungCamera::capNhatMatNa() {
    if (banKinhVien_ <= 0) {
        clearMask();
        return;
    }
    // A mask cannot be smoothed, so it is cut pixel by pixel along the middle of the border line: a pixel whose
    // centre lies inside keeps the picture, one outside shows the page. The line's smoothing then blends each
    // edge pixel with what belongs under it, so no picture pokes out past the rounded corners and no page shows
    // between the picture and the line; along the straight sides the line's own pixels are left to the page.
    // Cut from a polygon instead, the corners' points rounded to whole pixels did both.
    const double r = banKinhVien_;
    const int w = width();
    const int h = height();
    QRegion vung;
    // Rows with the same first and last pixel are added as one rectangle.
    int hangDau = 0;
    std::pair<int, int> nhipTruoc{0, -1};
    auto themNhip = [&](int hangSau) {
        if (nhipTruoc.second >= nhipTruoc.first)
            vung += QRect(nhipTruoc.first, hangDau, nhipTruoc.second - nhipTruoc.first + 1, hangSau - hangDau);
    };
    for (int y = 0; y < h; ++y) {
        // How far the row's centre reaches into a corner's arc, whose centre lies r + 0.5 in from both sides.
        const double cy = y + 0.5;
        const double dy = std::max({0.0, r + 0.5 - cy, cy - (h - r - 0.5)});
        std::pair<int, int> nhip{0, -1};
        if (dy < r) {
            const double dx = std::sqrt(r * r - dy * dy);
            nhip = {int(std::floor(r - dx)) + 1, int(std::ceil(w - r - 1 + dx)) - 1};
        }
        if (nhip != nhipTruoc) {
            themNhip(y);
            hangDau = y;
            nhipTruoc = nhip;
        }
    }
    themNhip(h);
    setMask(vung);
}

void KhungCamera::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const QRect vung = vungHinh();
    if (vung.isEmpty()) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(vung, khung_);
}
