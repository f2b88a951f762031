#pragma once

#include <QColor>

// The two appearances a colour is resolved for.
enum class CheDoNen { Sang, Toi };

// One sRGB colour as three components between 0 and 1.
struct BoBaMau {
    double r = 0, g = 0, b = 0;
};

// A colour that follows the appearance: dark triple first, light second. It is resolved each time it is
// used, so a widget that reads it while painting recolours as soon as the appearance changes.
struct MauDong {
    BoBaMau toi;
    BoBaMau sang;

    QColor mau(CheDoNen nen) const;
    // Resolved for the appearance now in effect.
    QColor mau() const;
    QColor mau(double doMo) const;
};

QColor chonMauTheoNen(CheDoNen nen, double toiR, double toiG, double toiB, double sangR, double sangG, double sangB);
MauDong mauTheoNenDong(BoBaMau toi, BoBaMau sang);
