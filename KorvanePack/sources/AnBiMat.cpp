#include "sources/AnBiMat.h"

#include <QUrl>
#include <algorithm>

#include "sources/MaHoaURL.h"

namespace {
const char* const kDauHieu[] = {"access_token", "accessToken", "refresh_token", "client_secret", "apiKey", "api_key"};

// Percent-encoding is not case-sensitive in its hex digits. The pattern is ASCII, and QByteArray lower-cases
// ASCII only, so positions in the lower-cased copy are positions in the original.
QByteArray thayKhongPhanBietHoa(const QByteArray& s, const QByteArray& mau, const QByteArray& thay) {
    const QByteArray thuong = s.toLower();
    const QByteArray mauThuong = mau.toLower();
    QByteArray ra;
    qsizetype tu = 0;
    for (qsizetype i = thuong.indexOf(mauThuong); i >= 0; i = thuong.indexOf(mauThuong, tu)) {
        ra.append(s.constData() + tu, i - tu);
        ra += thay;
        tu = i + mauThuong.size();
    }
    if (tu == 0) return s;
    ra.append(s.constData() + tu, s.size() - tu);
    return ra;
}
}  // namespace

bool coDauHieuKhoa(QByteArrayView than) {
    for (const char* d : kDauHieu) {
        if (than.contains(QByteArrayView(d))) return true;
    }
    return false;
}

QString catTheoByte(const QString& text, qsizetype soByte) {
    const QByteArray u = text.toUtf8();
    if (u.size() <= soByte) return text;
    qsizetype n = soByte;
    // Back off continuation bytes so the cut falls before the character they belong to.
    while (n > 0 && (static_cast<unsigned char>(u[n]) & 0xC0) == 0x80) --n;
    return QString::fromUtf8(u.left(n));
}

QString anNguyenVan(const QString& nguyenVan) {
    for (const char* d : kDauHieu) {
        if (nguyenVan.contains(QLatin1String(d), Qt::CaseSensitive)) {
            return kNguyenVanDaAn;
        }
    }
    return nguyenVan;
}

QString anKhoaTrongURL(const QString& url) {
    static const QStringList kTenBiMat = {QStringLiteral("api_key"),
                                          QStringLiteral("apikey"),
                                          QStringLiteral("access_token"),
                                          QStringLiteral("accesstoken"),
                                          QStringLiteral("token"),
                                          QStringLiteral("auth"),
                                          QStringLiteral("client_secret"),
                                          QStringLiteral("clientsecret"),
                                          QStringLiteral("secret"),
                                          QStringLiteral("password"),
                                          QStringLiteral("signature"),
                                          QStringLiteral("sig"),
                                          QStringLiteral("key")};
    if (!QUrl(url, QUrl::StrictMode).isValid()) return url;
    const qsizetype hoi = url.indexOf(QLatin1Char('?'));
    if (hoi < 0) return url;
    qsizetype thang = url.indexOf(QLatin1Char('#'), hoi + 1);
    if (thang < 0) thang = url.size();
    const QString truyVan = url.mid(hoi + 1, thang - hoi - 1);

    QStringList muc = truyVan.split(QLatin1Char('&'));
    for (QString& m : muc) {
        const qsizetype bang = m.indexOf(QLatin1Char('='));
        const QString tenTho = bang < 0 ? m : m.left(bang);
        const QString ten = QUrl::fromPercentEncoding(tenTho.toUtf8()).replace(QLatin1Char('+'), QLatin1Char(' '));
        if (kTenBiMat.contains(ten.toLower())) m = tenTho + QLatin1Char('=') + kMatNa;
    }
    return url.left(hoi + 1) + muc.join(QLatin1Char('&')) + url.mid(thang);
}

BoAnKhoa::BoAnKhoa(const QStringList& cacKhoa) {
    for (const QString& k : cacKhoa) {
        if (k.isEmpty()) continue;
        const QStringList bienThe = {k, QString::fromLatin1(maHoaPhanTram(k)),
                                     QString::fromLatin1(QUrl::toPercentEncoding(k)),
                                     QString(k).replace(QLatin1Char('/'), QLatin1String("\\/"))};
        for (const QString& b : bienThe) {
            if (!mau_.contains(b)) mau_ << b;
        }
    }
    std::stable_sort(mau_.begin(), mau_.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
}

QString BoAnKhoa::an(QString text) const {
    for (const QString& m : mau_) text.replace(m, kMatNa, Qt::CaseSensitive);
    // Percent-encoding is not case-sensitive in its hex digits; catch a lower-case spelling too.
    for (const QString& m : mau_) {
        if (m.contains(QLatin1Char('%'))) text.replace(m, kMatNa, Qt::CaseInsensitive);
    }
    return text;
}

QByteArray BoAnKhoa::anByte(QByteArray than) const {
    const QByteArray matNa = kMatNa.toUtf8();
    for (const QString& m : mau_) than.replace(m.toUtf8(), matNa);
    for (const QString& m : mau_) {
        if (m.contains(QLatin1Char('%'))) than = thayKhongPhanBietHoa(than, m.toUtf8(), matNa);
    }
    return than;
}
