#include "admin/NutChinh.h"

#include <QPainter>

#include "shell/BangMau.h"
#include "shell/PhongChu.h"

NutChinh::NutChinh(const QString& chu, QWidget* parent) : QPushButton(chu, parent) {
    setFont(phongChu(13, QFont::DemiBold));
    setCursor(Qt::PointingHandCursor);
}

QSize NutChinh::sizeHint() const {
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(text()) + 32, fm.height() + 14);
}

void NutChinh::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double doMo = !isEnabled() ? 0.4 : (isDown() ? 0.8 : 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(BangMau::mauXanhDuong.mau(doMo));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
    QColor chu(Qt::black);
    chu.setAlphaF(isEnabled() ? 1.0 : 0.55);
    p.setPen(chu);
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, text());
    if (hasFocus()) {
        p.setPen(QPen(BangMau::mauChuChinh.mau(0.6), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5), 5, 5);
    }
}
