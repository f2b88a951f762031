#pragma once

#include <QProxyStyle>

// Fusion, with the changes these screens need to read on both appearances:
// - Fusion outlines a check box, a text field, a spin box and a drop-down picker in a shade a little darker than
//   the window, which on the dark appearance leaves them all but invisible: a returns condition nobody can see is
//   a condition nobody ticks, and a field nobody can see is a field nobody fills. They are outlined in the
//   secondary text colour instead, and a field with the keyboard in the highlight colour.
// - Fusion gives a push button only a few pixels between its label and its frame; every push button gets the
//   same side padding.
class KieuGiaoDien : public QProxyStyle {
    Q_OBJECT
public:
    // The space between a push button's label and its frame, each side.
    static constexpr int kDemNgangNut = 14;
    static constexpr int kDemDocNut = 5;

    KieuGiaoDien();

    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                       const QWidget* w = nullptr) const override;
    void drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                            const QWidget* w = nullptr) const override;
    QSize sizeFromContents(ContentsType ct, const QStyleOption* opt, const QSize& noiDung,
                           const QWidget* w = nullptr) const override;
};
