#include "shell/NhanCatCuoi.h"

#include <QPainter>

QSize NhanCatCuoi::minimumSizeHint() const {
    return {0, NhanMau::minimumSizeHint().height()};
}

bool NhanCatCuoi::biCat() const {
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

void NhanCatCuoi::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const QRect r = contentsRect();
    p.drawText(r, int(alignment()), fontMetrics().elidedText(text(), Qt::ElideRight, r.width()));
}
