#include "stations/TiLeKhung.h"

#include <QStringList>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

double tiLeKhung(const QString& doPhanGiai) {
    constexpr double kMacDinh = 16.0 / 9.0;
    std::vector<double> so;
    const QStringList manh = doPhanGiai.split(QLatin1Char('x'), Qt::SkipEmptyParts);
    for (const QString& m : manh) {
        const std::string s = m.toStdString();
        double v = 0;
        // from_chars is locale-free and, unlike strtod, never skips leading white space; the whole piece
        // must be the number.
        const auto [cuoi, loi] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (loi != std::errc() || cuoi != s.data() + s.size()) continue;
        so.push_back(v);
    }
    // "inf" and "nan" convert too; an infinite or undefined ratio would break every layout that uses it.
    if (so.size() != 2 || !std::isfinite(so[0]) || !std::isfinite(so[1]) || so[0] <= 0 || so[1] <= 0) return kMacDinh;
    const double tiLe = so[0] / so[1];
    return std::isfinite(tiLe) && tiLe > 0 ? tiLe : kMacDinh;
}
