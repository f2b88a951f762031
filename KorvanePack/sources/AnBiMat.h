#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Secrets never leave the sources in a text: not in an error, an activity line or the journal.
inline const QString kMatNa = QStringLiteral("\u2022\u2022\u2022");
// What stands in for an excerpt that holds a body marker.
inline const QString kNguyenVanDaAn = QStringLiteral("(đã ẩn nguyên văn vì có chứa khoá)");

// The whole excerpt is replaced when it holds one of the body markers (compared case-sensitively).
QString anNguyenVan(const QString& nguyenVan);
// The same markers looked for in raw bytes, so a reply can be judged whole before anything is cut from it.
bool coDauHieuKhoa(QByteArrayView than);
// At most soByte UTF-8 bytes of the text, cut before a character rather than through it.
QString catTheoByte(const QString& text, qsizetype soByte);
// Masks the values of secret-looking query items, keeping names, order and the rest of the URL.
QString anKhoaTrongURL(const QString& url);

// Masks the literal values of the credentials a client was built from, also in their percent-encoded
// and JSON-escaped spellings, wherever they appear: a server that echoes the key back in its error page
// or in a redirect target must not put it in front of the user.
class BoAnKhoa {
public:
    BoAnKhoa() = default;
    explicit BoAnKhoa(const QStringList& cacKhoa);
    QString an(QString text) const;
    // The same masking over raw bytes (the keys in their UTF-8 spelling), for a reply not yet decoded.
    QByteArray anByte(QByteArray than) const;
    bool rong() const { return mau_.isEmpty(); }

private:
    QStringList mau_;  // longest first, so a key that contains another is masked whole
};
