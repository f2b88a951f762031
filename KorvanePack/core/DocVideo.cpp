#include "core/DocVideo.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}

#include <QFile>
#include <QTransform>
#include <cmath>

DocVideo::DocVideo(const QString& duongDan) {
    AVFormatContext* ctx = nullptr;
    int r = avformat_open_input(&ctx, QFile::encodeName(duongDan).constData(), nullptr, nullptr);
    if (r < 0) {
        loi_ = vanBanLoiFFmpeg(r);
        return;
    }
    fmt_.reset(ctx);
    if ((r = avformat_find_stream_info(fmt_.get(), nullptr)) < 0) {
        loi_ = vanBanLoiFFmpeg(r);
        fmt_.reset();
        return;
    }
    for (unsigned i = 0; i < fmt_->nb_streams; ++i)
        if (fmt_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) ++soLuongVideo_;
    const AVCodec* codec = nullptr;
    luong_ = av_find_best_stream(fmt_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (fmt_->duration != AV_NOPTS_VALUE && fmt_->duration > 0) thoiLuong_ = double(fmt_->duration) / AV_TIME_BASE;
    if (luong_ < 0) return;
    AVStream* st = fmt_->streams[luong_];
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0) thoiLuong_ = st->duration * av_q2d(st->time_base);
    rong_ = st->codecpar->width;
    cao_ = st->codecpar->height;
    if (const uint8_t* mt = av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, nullptr)) {
        // The matrix states the counter-clockwise turn applied when showing; undo it clockwise.
        const double goc = -av_display_rotation_get(reinterpret_cast<const int32_t*>(mt));
        if (std::isfinite(goc)) xoay_ = ((int(std::lround(goc / 90.0)) % 4) + 4) % 4;
    }
    if (codec) {
        dec_.reset(avcodec_alloc_context3(codec));
        if (dec_ && (avcodec_parameters_to_context(dec_.get(), st->codecpar) < 0 ||
                     avcodec_open2(dec_.get(), codec, nullptr) < 0))
            dec_.reset();
    }
}

DocVideo::~DocVideo() = default;

QImage DocVideo::chuyenDoi(const AVFrame* f) {
    sws_.reset(sws_getCachedContext(sws_.release(), f->width, f->height, AVPixelFormat(f->format), f->width, f->height,
                                    AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!sws_) return {};
    QImage anh(f->width, f->height, QImage::Format_RGB32);
    uint8_t* dich[4] = {anh.bits(), nullptr, nullptr, nullptr};
    int buoc[4] = {int(anh.bytesPerLine()), 0, 0, 0};
    sws_scale(sws_.get(), f->data, f->linesize, 0, f->height, dich, buoc);
    if (xoay_ != 0) anh = anh.transformed(QTransform().rotate(90.0 * xoay_));
    return anh;
}

QImage DocVideo::khungLuc(double giay, double dungSai, double* giayThuc) {
    if (!fmt_ || !dec_ || luong_ < 0 || !std::isfinite(giay)) return {};
    AVStream* st = fmt_->streams[luong_];
    const double tb = av_q2d(st->time_base);
    const int64_t goc = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    const int64_t muc = goc + int64_t(std::llround(std::max(0.0, giay) / tb));
    if (av_seek_frame(fmt_.get(), luong_, muc, AVSEEK_FLAG_BACKWARD) < 0)
        av_seek_frame(fmt_.get(), luong_, goc, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(dec_.get());

    const GiuGoi giuGoi(av_packet_alloc());
    const GiuKhung giuKhung(av_frame_alloc());
    if (!giuGoi || !giuKhung) return {};
    AVPacket* pkt = giuGoi.get();
    AVFrame* fr = giuKhung.get();
    QImage tot;
    double lechTot = INFINITY;
    double giayTot = 0;
    bool xong = false, het = false;
    while (!xong) {
        int r = het ? 0 : av_read_frame(fmt_.get(), pkt);
        if (r < 0) {
            het = true;
            avcodec_send_packet(dec_.get(), nullptr);  // drain the frames still held for reordering
        } else if (!het) {
            if (pkt->stream_index == luong_) avcodec_send_packet(dec_.get(), pkt);
            av_packet_unref(pkt);
        }
        for (;;) {
            r = avcodec_receive_frame(dec_.get(), fr);
            if (r == AVERROR_EOF) {
                xong = true;
                break;
            }
            if (r < 0) break;
            const int64_t ts = fr->best_effort_timestamp != AV_NOPTS_VALUE ? fr->best_effort_timestamp : fr->pts;
            const double giayKhung = (ts - goc) * tb;
            const double lech = std::fabs(giayKhung - giay);
            if (lech < lechTot) {
                lechTot = lech;
                giayTot = giayKhung;
                tot = chuyenDoi(fr);
            }
            av_frame_unref(fr);
            // Frames come out in time order: once one lies past the target, later ones are farther.
            if ((ts - goc) * tb >= giay) {
                xong = true;
                break;
            }
        }
        if (het && r == AVERROR(EAGAIN)) break;
    }
    if (lechTot > dungSai) return QImage();
    if (giayThuc) *giayThuc = giayTot;
    return tot;
}
