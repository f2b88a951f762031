#include "core/KiemTraVideo.h"

#include <cmath>

#include "core/DocVideo.h"

std::optional<QString> KiemTraVideo::kiemTra(const QString& duongDan, double* thoiLuong) {
    DocVideo video(duongDan);
    if (!video.moDuoc()) return QStringLiteral("không mở được file: ") + video.loi();
    if (video.soLuongVideo() == 0) return QStringLiteral("file không có luồng hình");
    const double giay = video.thoiLuong();
    if (!std::isfinite(giay) || giay <= 0.3) return QStringLiteral("file không có thời lượng đọc được");
    if (thoiLuong) *thoiLuong = giay;
    return std::nullopt;
}
