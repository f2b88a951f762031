#include "gia/store/DoDungLuongGia.h"

std::optional<qint64> DoDungLuongGia::soByteTrong(const QString& duongDan) const {
    std::lock_guard lk(khoa_);
    daHoi_.append(duongDan);
    return soByte_;
}

void DoDungLuongGia::dat(std::optional<qint64> soByte) {
    std::lock_guard lk(khoa_);
    soByte_ = soByte;
}

QStringList DoDungLuongGia::cacDuongDanDaHoi() const {
    std::lock_guard lk(khoa_);
    return daHoi_;
}
