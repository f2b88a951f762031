#include "core/KieuGiaoDien.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

KieuGiaoDien::KieuGiaoDien() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void KieuGiaoDien::drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const {
    QProxyStyle::drawPrimitive(pe, opt, p, w);
    if (pe != PE_IndicatorCheckBox || !opt || !p) return;
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setBrush(Qt::NoBrush);
    p->setPen(QPen(opt->palette.color(QPalette::PlaceholderText), 1));
    p->drawRect(opt->rect.adjusted(0, 0, -1, -1));
    p->restore();
}
