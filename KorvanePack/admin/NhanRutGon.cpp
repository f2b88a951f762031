#include "admin/NhanRutGon.h"

#include <QResizeEvent>

NhanRutGon::NhanRutGon(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent)
    : NhanMau(chu, mau, phong, parent), chu_(chu) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setToolTip(chu_);
    rutGon();
}

void NhanRutGon::datChu(const QString& chu) {
    chu_ = chu;
    setToolTip(chu_);
    updateGeometry();
    rutGon();
}

QSize NhanRutGon::sizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(chu_) + 2, fm.height()};
}

QSize NhanRutGon::minimumSizeHint() const {
    return {0, QFontMetrics(font()).height()};
}

void NhanRutGon::resizeEvent(QResizeEvent* e) {
    NhanMau::resizeEvent(e);
    rutGon();
}

void NhanRutGon::rutGon() {
    setText(fontMetrics().elidedText(chu_, Qt::ElideMiddle, qMax(0, width())));
}
