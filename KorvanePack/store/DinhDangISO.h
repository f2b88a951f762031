#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <chrono>
#include <optional>

// Internet date-time texts in UTC ("2026-12-10T09:11:00Z"), the form of every time the system stores.
// Reading is strict: a text without a zone designator is refused rather than guessed as local time,
// because a stored time that silently shifts by the zone offset would misplace evidence.
class DinhDangISO {
public:
    QString dinhDang(const QDateTime& t) const;
    QString dinhDang(std::chrono::system_clock::time_point t) const;

    // Without fractional seconds only.
    std::optional<QDateTime> doc(QStringView text) const;
    // The lenient second reading: fractional seconds required after the seconds.
    static std::optional<QDateTime> docCoPhanGiay(QStringView text);
};

const DinhDangISO& dinhDangISO();

// The first reading, then the fractional one; the result is in UTC.
std::optional<QDateTime> docThoiGianISO(QStringView text);
