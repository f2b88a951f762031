#include "sources/DiaChiLoopback.h"

#include <QStringList>

bool laDiaChiLoopback(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
    if (host == QLatin1String("::1") || host == QLatin1String("[::1]")) return true;
    const QStringList phan = host.split(QLatin1Char('.'));
    if (phan.size() != 4) return false;
    for (qsizetype i = 0; i < phan.size(); ++i) {
        const QString& p = phan[i];
        if (p.isEmpty() || p.size() > 3) return false;
        for (const QChar c : p) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
        }
        const int so = p.toInt();
        if (so > 255 || (i == 0 && so != 127)) return false;
    }
    return true;
}
