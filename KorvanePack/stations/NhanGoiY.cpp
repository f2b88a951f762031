#include "stations/NhanGoiY.h"

#include <QFontMetrics>

NhanGoiY::NhanGoiY(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent)
    : NhanMau(chu, mau, phong, parent) {
    setWordWrap(true);
}

QSize NhanGoiY::sizeHint() const {
    const QMargins m = contentsMargins();
    // A pixel of slack: the advance and the wrapping layout may round the last glyph differently.
    const int rong = fontMetrics().horizontalAdvance(text()) + 2 * margin() + m.left() + m.right() + 1;
    return {rong, heightForWidth(rong)};
}
