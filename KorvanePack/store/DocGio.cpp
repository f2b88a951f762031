#include "store/DocGio.h"

#include <QRegularExpression>
#include <QTimeZone>

#include "store/DinhDangISO.h"

std::optional<QDateTime> DocGio::docGioKhongMui(const QString& s) {
    static const QRegularExpression mau(
        QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})[T ](\d{2}):(\d{2}):(\d{2})(?:\.(\d{1,9}))?$)"));
    const QRegularExpressionMatch m = mau.match(s);
    if (!m.hasMatch()) return std::nullopt;
    const QDate ngay(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    QString phan = m.captured(7);
    const int mili = phan.isEmpty() ? 0 : (phan + QStringLiteral("00")).left(3).toInt();
    const QTime gio(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), mili);
    if (!ngay.isValid() || !gio.isValid()) return std::nullopt;
    const QDateTime luc(ngay, gio, Qt::LocalTime);
    // A wall time that the local zone skips (a daylight-saving gap) names no instant.
    if (!luc.isValid() || luc.time() != gio || luc.date() != ngay) return std::nullopt;
    return luc;
}

std::optional<QDateTime> DocGio::docGioDon(const QString& s) {
    if (auto luc = docGioLuu(s)) return luc;
    return docGioKhongMui(s);
}

std::optional<QDateTime> DocGio::docGioLuu(const QString& s) {
    return docThoiGianISO(s);
}
