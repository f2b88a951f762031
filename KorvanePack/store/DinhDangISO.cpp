#include "store/DinhDangISO.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include "store/DinhDangNgay.h"

namespace {

bool soHaiChuSo(QStringView s, qsizetype i, int& ra) {
    if (i + 2 > s.size()) return false;
    const QChar a = s[i], b = s[i + 1];
    if (a < u'0' || a > u'9' || b < u'0' || b > u'9') return false;
    ra = (a.unicode() - u'0') * 10 + (b.unicode() - u'0');
    return true;
}

// yyyy-MM-ddTHH:mm:ss[.f+](Z|±HH:mm); phanGiay says whether the fraction must be present or absent.
std::optional<QDateTime> docISO(QStringView s, bool phanGiay) {
    int c1, c2, thang, ngay, gio, phut, giay;
    if (s.size() < 20) return std::nullopt;
    if (!soHaiChuSo(s, 0, c1) || !soHaiChuSo(s, 2, c2) || s[4] != u'-' || !soHaiChuSo(s, 5, thang) || s[7] != u'-' ||
        !soHaiChuSo(s, 8, ngay) || s[10] != u'T' || !soHaiChuSo(s, 11, gio) || s[13] != u':' ||
        !soHaiChuSo(s, 14, phut) || s[16] != u':' || !soHaiChuSo(s, 17, giay))
        return std::nullopt;
    qsizetype i = 19;
    int ms = 0;
    if (s[i] == u'.') {
        if (!phanGiay) return std::nullopt;
        ++i;
        const qsizetype dau = i;
        int boi = 100;
        while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
            ms += (s[i].unicode() - u'0') * boi;
            boi /= 10;
            ++i;
        }
        if (i == dau) return std::nullopt;
    } else if (phanGiay) {
        return std::nullopt;
    }
    if (i >= s.size()) return std::nullopt;
    int lech = 0;
    if (s[i] == u'Z') {
        ++i;
    } else if (s[i] == u'+' || s[i] == u'-') {
        int lg, lp;
        if (!soHaiChuSo(s, i + 1, lg) || i + 3 >= s.size() || s[i + 3] != u':' || !soHaiChuSo(s, i + 4, lp) ||
            lg > 23 || lp > 59)
            return std::nullopt;
        lech = (lg * 60 + lp) * 60 * (s[i] == u'-' ? -1 : 1);
        i += 6;
    } else {
        return std::nullopt;
    }
    if (i != s.size()) return std::nullopt;
    const QDate d(c1 * 100 + c2, thang, ngay);
    const QTime t(gio, phut, giay, ms);
    if (!d.isValid() || !t.isValid()) return std::nullopt;
    return QDateTime(d, t, Qt::UTC).addSecs(-lech);
}

}  // namespace

QString DinhDangISO::dinhDang(const QDateTime& t) const {
    return QLocale::c().toString(t.toUTC(), QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

QString DinhDangISO::dinhDang(std::chrono::system_clock::time_point t) const {
    return dinhDang(thoiDiemQt(t));
}

std::optional<QDateTime> DinhDangISO::doc(QStringView text) const {
    return docISO(text, false);
}

std::optional<QDateTime> DinhDangISO::docCoPhanGiay(QStringView text) {
    return docISO(text, true);
}

const DinhDangISO& dinhDangISO() {
    static const DinhDangISO d;
    return d;
}

std::optional<QDateTime> docThoiGianISO(QStringView text) {
    if (auto t = dinhDangISO().doc(text)) return t;
    return DinhDangISO::docCoPhanGiay(text);
}
