#include "core/NguonKhungFFmpeg.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <mutex>

namespace {

int ngatKhiDung(void* p) {
    return static_cast<std::atomic<bool>*>(p)->load() ? 1 : 0;
}

// Why the stream ended, in the words the desk reads; FFmpeg's own English text only as a detail in brackets.
QString lyDoNgung(int ma) {
    if (ma == AVERROR_EOF) return QStringLiteral("luồng hình đã hết");
    if (ma == AVERROR(ENODEV) || ma == AVERROR(EIO) || ma == AVERROR(ENXIO))
        return QStringLiteral("webcam bị rút ra hoặc driver báo lỗi (") + vanBanLoiFFmpeg(ma) + QLatin1Char(')');
    if (ma == AVERROR(ENOMEM)) return QStringLiteral("máy hết bộ nhớ");
    return QStringLiteral("lỗi đọc webcam (") + vanBanLoiFFmpeg(ma) + QLatin1Char(')');
}

// The full-range JPEG formats are deprecated aliases that swscale complains about on every frame;
// mapping them to the plain ones with the range flag set converts the same pixels quietly.
AVPixelFormat boJ(AVPixelFormat f, bool& dayDu) {
    dayDu = true;
    switch (f) {
        case AV_PIX_FMT_YUVJ420P:
            return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P:
            return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P:
            return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P:
            return AV_PIX_FMT_YUV440P;
        default:
            dayDu = false;
            return f;
    }
}

// Formats whose first plane is the picture's 8-bit luma at full size.
bool coMatPhangSang(int f) {
    switch (f) {
        case AV_PIX_FMT_YUV420P:
        case AV_PIX_FMT_YUVJ420P:
        case AV_PIX_FMT_YUV422P:
        case AV_PIX_FMT_YUVJ422P:
        case AV_PIX_FMT_YUV444P:
        case AV_PIX_FMT_YUVJ444P:
        case AV_PIX_FMT_YUV440P:
        case AV_PIX_FMT_YUVJ440P:
        case AV_PIX_FMT_NV12:
        case AV_PIX_FMT_NV21:
        case AV_PIX_FMT_GRAY8:
            return true;
        default:
            return false;
    }
}

// The decoder's luma plane as a read-only image that keeps its own reference to the decoded frame.
QImage matPhangSang(const AVFrame* f) {
    if (!coMatPhangSang(f->format) || !f->data[0] || f->linesize[0] < f->width) return {};
    GiuKhung giu(av_frame_clone(f));
    if (!giu) return {};
    QImage xam(
        static_cast<const uchar*>(giu->data[0]), giu->width, giu->height, giu->linesize[0], QImage::Format_Grayscale8,
        [](void* p) { giu_c::XoaKhung()(static_cast<AVFrame*>(p)); }, giu.get());
    // The image frees the frame from here on; a null image never took it.
    if (!xam.isNull()) giu.release();
    return xam;
}

bool laGoi422(int f) {
    return f == AV_PIX_FMT_YUYV422 || f == AV_PIX_FMT_UYVY422;
}

// RGB24 to RGB32 four pixels (three words) at a time: swscale's converter for this pair takes twice as long.
void rgb24SangRgb32(const AVFrame* f, QImage& anh) {
    for (int y = 0; y < f->height; ++y) {
        const uint8_t* p = f->data[0] + size_t(y) * size_t(f->linesize[0]);
        auto* o = reinterpret_cast<uint32_t*>(anh.scanLine(y));
        auto diem = [](uint32_t r, uint32_t g, uint32_t b) { return 0xff000000u | (r << 16) | (g << 8) | b; };
        int x = 0;
        for (; x + 4 <= f->width; x += 4, p += 12) {
            uint32_t w0, w1, w2;  // r0 g0 b0 r1 | g1 b1 r2 g2 | b2 r3 g3 b3, little-endian
            std::memcpy(&w0, p, 4);
            std::memcpy(&w1, p + 4, 4);
            std::memcpy(&w2, p + 8, 4);
            o[x] = diem(w0 & 0xff, (w0 >> 8) & 0xff, (w0 >> 16) & 0xff);
            o[x + 1] = diem(w0 >> 24, w1 & 0xff, (w1 >> 8) & 0xff);
            o[x + 2] = diem((w1 >> 16) & 0xff, w1 >> 24, w2 & 0xff);
            o[x + 3] = diem((w2 >> 8) & 0xff, (w2 >> 16) & 0xff, w2 >> 24);
        }
        for (; x < f->width; ++x, p += 3) o[x] = diem(p[0], p[1], p[2]);
    }
}

}  // namespace

std::unique_ptr<NguonKhungFFmpeg> NguonKhungFFmpeg::mo(const QString& dinhDangVao, const QString& url,
                                                       const QMap<QString, QString>& tuyChon, bool nhipThuc,
                                                       const QString& ten, QString& loi) {
    static std::once_flag dangKy;
    std::call_once(dangKy, [] {
        avdevice_register_all();
        av_log_set_level(AV_LOG_ERROR);
    });
    loi.clear();
    std::unique_ptr<NguonKhungFFmpeg> n(new NguonKhungFFmpeg);
    n->nhipThuc_ = nhipThuc;
    n->ten_ = ten;

    const AVInputFormat* vao = av_find_input_format(dinhDangVao.toUtf8().constData());
    if (!vao) {
        loi = QStringLiteral("thiếu trình đọc ") + dinhDangVao;
        return nullptr;
    }
    n->fmt_.reset(avformat_alloc_context());
    if (!n->fmt_) return nullptr;
    n->fmt_->interrupt_callback = {ngatKhiDung, &n->dung_};
    // A webcam that stops delivering must not block the reader thread forever, or closing it would hang.
    n->fmt_->flags |= AVFMT_FLAG_NONBLOCK;
    GiuTuDien opts;
    for (auto it = tuyChon.begin(); it != tuyChon.end(); ++it)
        av_dict_set(QuaDiaChi(opts), it.key().toUtf8().constData(), it.value().toUtf8().constData(), 0);
    const QByteArray diaChi = url.toUtf8();
    const int r = avformat_open_input(QuaDiaChi(n->fmt_), diaChi.constData(), vao, QuaDiaChi(opts));
    if (r < 0) {
        loi = vanBanLoiFFmpeg(r);
        return nullptr;
    }
    if (avformat_find_stream_info(n->fmt_.get(), nullptr) < 0) return nullptr;
    const AVCodec* codec = nullptr;
    n->luongVideo_ = av_find_best_stream(n->fmt_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (n->luongVideo_ < 0 || !codec) return nullptr;
    AVStream* st = n->fmt_->streams[n->luongVideo_];
    n->dec_.reset(avcodec_alloc_context3(codec));
    if (!n->dec_ || avcodec_parameters_to_context(n->dec_.get(), st->codecpar) < 0) return nullptr;
    n->dec_->thread_count = 2;
    if (avcodec_open2(n->dec_.get(), codec, nullptr) < 0) return nullptr;
    AVRational tg = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    if (tg.num > 0 && tg.den > 0) n->tocDo_ = av_q2d(tg);
    return n;
}

NguonKhungFFmpeg::~NguonKhungFFmpeg() {
    dung();  // the reader thread uses the handles until it has ended
}

void NguonKhungFFmpeg::batDau(NhanKhung nhan, KhiNgung khiNgung) {
    if (luong_.joinable()) return;
    nhan_ = std::move(nhan);
    khiNgung_ = std::move(khiNgung);
    luong_ = std::thread([this] { vongDoc(); });
}

void NguonKhungFFmpeg::dung() {
    dung_ = true;
    if (luong_.joinable()) luong_.join();
}

const AVFrame* NguonKhungFFmpeg::boGoi(const AVFrame* f) {
    if (!laGoi422(f->format)) return f;
    swsPhang_.reset(sws_getCachedContext(swsPhang_.release(), f->width, f->height,
                                         static_cast<AVPixelFormat>(f->format), f->width, f->height, AV_PIX_FMT_YUV422P,
                                         SWS_POINT, nullptr, nullptr, nullptr));
    if (!swsPhang_) return f;
    if (!phang_) phang_.reset(av_frame_alloc());
    if (!phang_) return f;
    if (phang_->width != f->width || phang_->height != f->height) {
        av_frame_unref(phang_.get());
        phang_->format = AV_PIX_FMT_YUV422P;
        phang_->width = f->width;
        phang_->height = f->height;
        if (av_frame_get_buffer(phang_.get(), 0) < 0) {
            av_frame_unref(phang_.get());
            return f;
        }
    }
    // The reader may still hold the last frame's luma plane: then this one gets a buffer of its own.
    if (av_frame_make_writable(phang_.get()) < 0) return f;
    sws_scale(swsPhang_.get(), f->data, f->linesize, 0, f->height, phang_->data, phang_->linesize);
    phang_->color_range = f->color_range;
    phang_->colorspace = f->colorspace;
    return phang_.get();
}

QImage NguonKhungFFmpeg::chuyenDoi(const AVFrame* f) {
    if (f->format == AV_PIX_FMT_RGB24) {
        QImage anh(f->width, f->height, QImage::Format_RGB32);
        if (!anh.isNull()) rgb24SangRgb32(f, anh);
        return anh;
    }
    bool dayDu = false;
    AVPixelFormat vao = boJ(static_cast<AVPixelFormat>(f->format), dayDu);
    sws_.reset(sws_getCachedContext(sws_.release(), f->width, f->height, vao, f->width, f->height, AV_PIX_FMT_BGRA,
                                    SWS_POINT, nullptr, nullptr, nullptr));
    if (!sws_) return {};
    if (dayDu) {
        int* bang = nullptr;
        int* bangRa = nullptr;
        int khoang = 0, khoangRa = 0, sang = 0, tuongPhan = 0, baoHoa = 0;
        if (sws_getColorspaceDetails(sws_.get(), &bang, &khoang, &bangRa, &khoangRa, &sang, &tuongPhan, &baoHoa) >= 0)
            sws_setColorspaceDetails(sws_.get(), bang, 1, bangRa, khoangRa, sang, tuongPhan, baoHoa);
    }
    // RGB32 is 0xAARRGGBB per pixel, so BGRA in memory on this little-endian machine; swscale
    // writes an opaque alpha, which RGB32 requires.
    QImage anh(f->width, f->height, QImage::Format_RGB32);
    if (anh.isNull()) return {};
    uint8_t* dich[4] = {anh.bits(), nullptr, nullptr, nullptr};
    int buoc[4] = {static_cast<int>(anh.bytesPerLine()), 0, 0, 0};
    sws_scale(sws_.get(), f->data, f->linesize, 0, f->height, dich, buoc);
    return anh;
}

void NguonKhungFFmpeg::vongDoc() {
    const GiuGoi giuGoi(av_packet_alloc());
    const GiuKhung giuKhung(av_frame_alloc());
    AVPacket* pkt = giuGoi.get();
    AVFrame* fr = giuKhung.get();
    if (!pkt || !fr) {
        if (!dung_ && khiNgung_) khiNgung_(lyDoNgung(AVERROR(ENOMEM)));
        return;
    }
    const AVRational tb = fmt_->streams[luongVideo_]->time_base;
    // Each frame is stamped with the capture's own time (the demuxer's packet time), mapped once onto the
    // steady clock: the moment it reaches the receiver, after pacing, decoding and conversion, wanders by
    // tens of milliseconds, and the recorded file would show that as uneven motion.
    int64_t pts0 = AV_NOPTS_VALUE;
    auto moc = std::chrono::steady_clock::now();
    int64_t soKhung = 0;
    int loiCuoi = 0;
    while (!dung_) {
        int r = av_read_frame(fmt_.get(), pkt);
        if (r == AVERROR(EAGAIN)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        if (r < 0) {  // end of the graph, or the device went away
            loiCuoi = r;
            break;
        }
        if (pkt->stream_index != luongVideo_) {
            av_packet_unref(pkt);
            continue;
        }
        r = avcodec_send_packet(dec_.get(), pkt);
        av_packet_unref(pkt);
        if (r < 0 && r != AVERROR(EAGAIN)) continue;  // one damaged MJPEG frame must not end the stream
        while (!dung_ && avcodec_receive_frame(dec_.get(), fr) == 0) {
            const int64_t t = fr->best_effort_timestamp;
            const int64_t us = t == AV_NOPTS_VALUE ? static_cast<int64_t>(soKhung * 1e6 / tocDo_)
                                                   : av_rescale_q(t, tb, AVRational{1, 1000000});
            const auto bayGio = std::chrono::steady_clock::now();
            // A jump in the device's timestamps, or a reader held up for long, starts the mapping afresh
            // rather than stamping frames far from when they arrive.
            if (pts0 == AV_NOPTS_VALUE ||
                std::chrono::abs(moc + std::chrono::microseconds(us - pts0) - bayGio) > std::chrono::seconds(1)) {
                pts0 = us;
                moc = bayGio;
            }
            const auto luc = moc + std::chrono::microseconds(us - pts0);
            if (nhipThuc_) {
                // A graph paced like a camera loses what it could not deliver in time, as a camera does,
                // rather than handing over late frames whose stamps would run behind the clock.
                if (bayGio - luc > std::chrono::milliseconds(100)) {
                    av_frame_unref(fr);
                    ++soKhung;
                    continue;
                }
                while (!dung_ && std::chrono::steady_clock::now() < luc)
                    std::this_thread::sleep_until(
                        std::min(luc, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)));
            }
            // Packed YUYV is first laid out in planes: swscale's planar-to-BGRA path is several times faster than
            // its packed one, even counting the repacking, and the planes give the reader its luma for nothing.
            const AVFrame* vao = boGoi(fr);
            QImage anh = chuyenDoi(vao);
            QImage xam = anh.isNull() ? QImage() : matPhangSang(vao);
            av_frame_unref(fr);
            ++soKhung;
            if (!anh.isNull() && nhan_) nhan_(std::move(anh), std::move(xam), luc);
        }
    }
    if (!dung_ && khiNgung_) khiNgung_(lyDoNgung(loiCuoi));
}
