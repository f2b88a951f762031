#include "shell/PhongChu.h"

QFont phongChu(double coPx, QFont::Weight dam, bool donCach) {
    QFont f(donCach ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
    f.setStyleHint(donCach ? QFont::Monospace : QFont::SansSerif);
    f.setPixelSize(qMax(1, qRound(coPx)));
    f.setWeight(dam);
    return f;
}
