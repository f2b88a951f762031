#include "shell/NhanNgatMoiCho.h"

#include <QPainter>
#include <QTextLine>
#include <cmath>

NhanNgatMoiCho::NhanNgatMoiCho(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent)
    : NhanMau(chu, mau, phong, parent) {
    // Marks it as a label that takes more lines rather than more width.
    setWordWrap(true);
    QSizePolicy sp(QSizePolicy::Preferred, QSizePolicy::Preferred);
    sp.setHeightForWidth(true);
    setSizePolicy(sp);
}

int NhanNgatMoiCho::xep(QTextLayout& bo, int rong) const {
    QTextOption tuyChon(alignment() & Qt::AlignHorizontal_Mask);
    tuyChon.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    bo.setText(text());
    bo.setFont(font());
    bo.setTextOption(tuyChon);
    bo.beginLayout();
    qreal y = 0;
    for (QTextLine dong = bo.createLine(); dong.isValid(); dong = bo.createLine()) {
        dong.setLineWidth(qMax(1, rong));
        dong.setPosition(QPointF(0, y));
        y += dong.height();
    }
    bo.endLayout();
    return int(std::ceil(y));
}

int NhanNgatMoiCho::heightForWidth(int w) const {
    const QMargins le = contentsMargins();
    QTextLayout bo;
    const int cao = text().isEmpty() ? fontMetrics().height() : xep(bo, w - le.left() - le.right());
    return cao + le.top() + le.bottom();
}

QSize NhanNgatMoiCho::sizeHint() const {
    const QMargins le = contentsMargins();
    return {fontMetrics().horizontalAdvance(text()) + le.left() + le.right() + 1,
            fontMetrics().height() + le.top() + le.bottom()};
}

QSize NhanNgatMoiCho::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void NhanNgatMoiCho::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    const QRect r = contentsRect();
    QTextLayout bo;
    const int cao = xep(bo, r.width());
    int y = r.top();
    if (alignment() & Qt::AlignVCenter) y += qMax(0, (r.height() - cao) / 2);
    else if (alignment() & Qt::AlignBottom) y += qMax(0, r.height() - cao);
    bo.draw(&p, QPointF(r.left(), y));
}

