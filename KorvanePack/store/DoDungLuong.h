#pragma once

#include <QString>
#include <optional>

// Free space of the volume holding a path, in bytes available to an unprivileged writer.
// Safe to call from any thread: the coordinator measures on a background queue.
class DoDungLuong {
public:
    virtual ~DoDungLuong() = default;
    virtual std::optional<qint64> soByteTrong(const QString& duongDan) const = 0;
};
