#pragma once

#include "store/DoDungLuong.h"

// statvfs: blocks available to non-root users, so the figure matches what a recording can really use.
class DoDungLuongThat final : public DoDungLuong {
public:
    std::optional<qint64> soByteTrong(const QString& duongDan) const override;
};
