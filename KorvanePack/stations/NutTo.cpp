#include "stations/NutTo.h"

#include <QPainter>
#include <QPainterPath>

#include "shell/PhongChu.h"

NutTo::NutTo(const QString& chu, const MauDong& nen, const QColor& mauChu, QWidget* parent)
    : QPushButton(chu, parent), nen_(nen), mauChu_(mauChu) {
    setFont(phongChu(15, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize NutTo::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()) + 2 * 22, fm.height() + 2 * 14};
}

QColor NutTo::mauNenHienTai() const {
    return nen_.mau(isDown() ? 0.8 : 1.0);
}

void NutTo::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath duong;
    duong.addRoundedRect(QRectF(rect()), 10, 10);
    p.fillPath(duong, mauNenHienTai());
    p.setPen(mauChu_);
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, text());
}
