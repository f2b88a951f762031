#include "shell/MauDong.h"

#include "shell/GiaoDien.h"

QColor chonMauTheoNen(CheDoNen nen, double toiR, double toiG, double toiB, double sangR, double sangG, double sangB) {
    if (nen == CheDoNen::Toi) return QColor::fromRgbF(float(toiR), float(toiG), float(toiB), 1.0f);
    return QColor::fromRgbF(float(sangR), float(sangG), float(sangB), 1.0f);
}

MauDong mauTheoNenDong(BoBaMau toi, BoBaMau sang) {
    return MauDong{toi, sang};
}

QColor MauDong::mau(CheDoNen nen) const {
    return chonMauTheoNen(nen, toi.r, toi.g, toi.b, sang.r, sang.g, sang.b);
}

QColor MauDong::mau() const {
    return mau(GiaoDien::ban().nenHienTai());
}

QColor MauDong::mau(double doMo) const {
    QColor c = mau();
    c.setAlphaF(float(doMo));
    return c;
}
