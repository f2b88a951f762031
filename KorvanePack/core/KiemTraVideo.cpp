#include "core/KiemTraVideo.h"

#include <cmath>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

namespace {

QString moTaLoi(int ma) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(ma, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

// Seconds of the longest video stream, or of the container when the streams carry none.
double thoiLuongGiay(const AVFormatContext* ctx, const AVStream* hinh) {
    if (hinh->duration != AV_NOPTS_VALUE && hinh->duration > 0) return hinh->duration * av_q2d(hinh->time_base);
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0) return static_cast<double>(ctx->duration) / AV_TIME_BASE;
    return NAN;
}

}  // namespace

std::optional<QString> KiemTraVideo::kiemTra(const QString& duongDan) {
    AVFormatContext* ctx = nullptr;
    const QByteArray tep = duongDan.toUtf8();
    int ma = avformat_open_input(&ctx, tep.constData(), nullptr, nullptr);
    if (ma < 0) return QStringLiteral("không mở được file: ") + moTaLoi(ma);
    ma = avformat_find_stream_info(ctx, nullptr);
    if (ma < 0) {
        avformat_close_input(&ctx);
        return QStringLiteral("không đọc được thông tin file: ") + moTaLoi(ma);
    }
    const int chiSo = av_find_best_stream(ctx, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (chiSo < 0) {
        avformat_close_input(&ctx);
        return QStringLiteral("file không có luồng hình");
    }
    const double giay = thoiLuongGiay(ctx, ctx->streams[chiSo]);
    avformat_close_input(&ctx);
    if (!std::isfinite(giay) || giay <= 0.3) return QStringLiteral("file không có thời lượng đọc được");
    return std::nullopt;
}
