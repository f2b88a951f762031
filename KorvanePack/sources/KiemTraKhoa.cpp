#include "sources/KiemTraKhoa.h"

namespace {
bool laChuSo(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}
}  // namespace

bool laNhanTenMien(const QString& s) {
    if (s.isEmpty() || s.size() > 63 || s.front() == QLatin1Char('-') || s.back() == QLatin1Char('-')) return false;
    for (const QChar c : s) {
        if (!laChuSo(c) && c != QLatin1Char('-')) return false;
    }
    return true;
}

bool laMaDinhDanh(const QString& s) {
    if (s.isEmpty() || s.size() > 128) return false;
    for (const QChar c : s) {
        if (!laChuSo(c) && c != QLatin1Char('-') && c != QLatin1Char('_')) return false;
    }
    return true;
}

bool laKhoaGuiDuoc(const QString& s) {
    if (s.isEmpty()) return false;
    for (const QChar c : s) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7E) return false;
    }
    return true;
}
