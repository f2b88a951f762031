#pragma once

#include <QString>
#include <QStringList>
#include <mutex>

#include "store/DoDungLuong.h"

// A free-space probe whose answer the test sets; it remembers the paths it was asked about.
class DoDungLuongGia final : public DoDungLuong {
public:
    explicit DoDungLuongGia(std::optional<qint64> soByte = qint64(100) << 30) : soByte_(soByte) {}

    std::optional<qint64> soByteTrong(const QString& duongDan) const override;
    void dat(std::optional<qint64> soByte);
    QStringList cacDuongDanDaHoi() const;

private:
    mutable std::mutex khoa_;
    std::optional<qint64> soByte_;
    mutable QStringList daHoi_;
};
