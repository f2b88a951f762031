#include "sources/MaHoaURL.h"

namespace {
bool khongCanMa(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}
}  // namespace

QByteArray maHoaPhanTram(const QString& giaTri) {
    static const char kHex[] = "0123456789ABCDEF";
    const QByteArray utf8 = giaTri.toUtf8();
    QByteArray ra;
    ra.reserve(utf8.size() * 3);
    for (const char c : utf8) {
        if (khongCanMa(c)) {
            ra.append(c);
        } else {
            const auto b = static_cast<unsigned char>(c);
            ra.append('%');
            ra.append(kHex[b >> 4]);
            ra.append(kHex[b & 0x0F]);
        }
    }
    return ra;
}

QByteArray xayTruyVan(const CapThamSo& thamSo) {
    QByteArray ra;
    for (const auto& [ten, giaTri] : thamSo) {
        if (!ra.isEmpty()) ra.append('&');
        ra.append(maHoaPhanTram(ten));
        ra.append('=');
        ra.append(maHoaPhanTram(giaTri));
    }
    return ra;
}

QString ganTruyVan(const QString& goc, const CapThamSo& thamSo) {
    if (thamSo.isEmpty()) return goc;
    return goc + QLatin1Char('?') + QString::fromLatin1(xayTruyVan(thamSo));
}
