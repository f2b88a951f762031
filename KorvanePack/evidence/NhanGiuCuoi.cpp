#include "evidence/NhanGiuCuoi.h"

#include <QPainter>

#include "store/HuongChu.h"

NhanGiuCuoi::NhanGiuCuoi(const QString& dau, const QString& cuoi, const MauDong& mau, const QFont& phong,
                         QWidget* parent)
    : NhanMau(coLapHuong(dau) + cuoi, mau, phong, parent), dau_(dau), cuoi_(cuoi) {
    setToolTip(text());
}

QString NhanGiuCuoi::chuDangVe() const {
    const QFontMetrics fm = fontMetrics();
    const int rong = contentsRect().width();
    if (fm.horizontalAdvance(text()) <= rong) return text();
    // The head is isolated only once cut, so the cut can never drop the character that closes it.
    return coLapHuong(fm.elidedText(dau_, Qt::ElideRight, qMax(0, rong - fm.horizontalAdvance(cuoi_)))) + cuoi_;
}

QSize NhanGiuCuoi::minimumSizeHint() const {
    const QMargins le = contentsMargins();
    const int rong = fontMetrics().horizontalAdvance(cuoi_ + QStringLiteral("…")) + le.left() + le.right();
    return {rong, NhanMau::minimumSizeHint().height()};
}

void NhanGiuCuoi::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(contentsRect(), int(alignment()), chuDangVe());
}
