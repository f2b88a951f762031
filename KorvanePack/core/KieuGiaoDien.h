#pragma once

#include <QProxyStyle>

// Fusion, with one change: Fusion outlines a check box in a shade darker than the window, which on the dark
// appearance leaves an unticked box all but invisible. A returns condition nobody can see is a condition
// nobody ticks, so the box gets an outline in the secondary text colour, legible on both appearances.
class KieuGiaoDien : public QProxyStyle {
    Q_OBJECT
public:
    KieuGiaoDien();

    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                       const QWidget* w = nullptr) const override;
};
