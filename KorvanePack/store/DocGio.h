#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Reading stored time texts. What this system writes itself carries a zone and is read strictly; some sales
// platforms send order times without one, and those are taken as the machine's local time rather than lost.
class DocGio {
public:
    // A time the system wrote: an internet date-time with "Z" or an offset, fractional seconds optional.
    static std::optional<QDateTime> docGioLuu(const QString& s);

    // An order time as a platform sent it: the strict form first, then exactly "yyyy-MM-ddTHH:mm:ss" or
    // "yyyy-MM-dd HH:mm:ss" with optional fractional seconds, read as local time. Nothing else.
    static std::optional<QDateTime> docGioDon(const QString& s);

    // The zone-less shapes alone; none for anything else, a zoned text included.
    static std::optional<QDateTime> docGioKhongMui(const QString& s);
};
