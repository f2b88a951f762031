#include "admin/NhanCatGiua.h"

#include <QPainter>

NhanCatGiua::NhanCatGiua(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent)
    : QWidget(parent), chu_(chu), mau_(mau) {
    setFont(phong);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setToolTip(chu_);
}

void NhanCatGiua::setText(const QString& chu) {
    chu_ = chu;
    setToolTip(chu_);
    updateGeometry();
    update();
}

QSize NhanCatGiua::sizeHint() const {
    return QSize(fontMetrics().horizontalAdvance(chu_), fontMetrics().height());
}

QSize NhanCatGiua::minimumSizeHint() const {
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("…")) * 4, fontMetrics().height());
}

void NhanCatGiua::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(mau_.mau());
    p.setFont(font());
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, fontMetrics().elidedText(chu_, Qt::ElideMiddle, width()));
}
