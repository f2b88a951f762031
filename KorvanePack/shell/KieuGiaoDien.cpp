#include "shell/KieuGiaoDien.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace {
// The outline of a field: the same rounded shape Fusion draws, in a colour that stands out from the card and
// the window alike.
void veVienO(const QStyleOption& opt, QPainter* p) {
    const bool dangGo = opt.state & QStyle::State_HasFocus;
    p->save();
    p->setRenderHint(QPainter::Antialiasing, true);
    p->setBrush(Qt::NoBrush);
    p->setPen(QPen(opt.palette.color(dangGo ? QPalette::Highlight : QPalette::PlaceholderText), 1));
    p->drawRoundedRect(QRectF(opt.rect).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    p->restore();
}
}  // namespace

KieuGiaoDien::KieuGiaoDien() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void KieuGiaoDien::drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const {
    if (pe == PE_FrameLineEdit && opt && p) {
        veVienO(*opt, p);
        return;
    }
    QProxyStyle::drawPrimitive(pe, opt, p, w);
    if (pe != PE_IndicatorCheckBox || !opt || !p) return;
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setBrush(Qt::NoBrush);
    p->setPen(QPen(opt->palette.color(QPalette::PlaceholderText), 1));
    p->drawRect(opt->rect.adjusted(0, 0, -1, -1));
    p->restore();
}

void KieuGiaoDien::drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                                      const QWidget* w) const {
    QProxyStyle::drawComplexControl(cc, opt, p, w);
    if (!opt || !p) return;
    if (cc == CC_SpinBox) {
        const auto* o = qstyleoption_cast<const QStyleOptionSpinBox*>(opt);
        if (o && o->frame) veVienO(*opt, p);
    } else if (cc == CC_ComboBox) {
        const auto* o = qstyleoption_cast<const QStyleOptionComboBox*>(opt);
        if (o && o->frame) veVienO(*opt, p);
    }
}

QSize KieuGiaoDien::sizeFromContents(ContentsType ct, const QStyleOption* opt, const QSize& noiDung,
                                     const QWidget* w) const {
    QSize s = QProxyStyle::sizeFromContents(ct, opt, noiDung, w);
    if (ct != CT_PushButton) return s;
    const auto* o = qstyleoption_cast<const QStyleOptionButton*>(opt);
    // A button that is only the frame of a row of its own (no text) keeps what it asked for.
    if (!o || o->text.isEmpty() || (o->features & QStyleOptionButton::Flat)) return s;
    const int vien = 2 * proxy()->pixelMetric(PM_DefaultFrameWidth, opt, w);
    s.setWidth(qMax(s.width(), noiDung.width() + 2 * kDemNgangNut + vien));
    s.setHeight(qMax(s.height(), noiDung.height() + 2 * kDemDocNut + vien));
    return s;
}
