#include "core/BoGhiVideoFFmpeg.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>

namespace {

QString vanBanLoi(int ma) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(ma, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

constexpr AVRational kMicro{1, 1000000};

}  // namespace

std::unique_ptr<BoGhiVideo> BoGhiVideoFFmpeg::tao(const QString& duongDan) {
    // x264's statistics at every close would fill the console; errors still come through.
    static std::once_flag imLang;
    std::call_once(imLang, [] { av_log_set_level(AV_LOG_ERROR); });
    QDir().mkpath(QFileInfo(duongDan).absolutePath());
    int fd = ::open(QFile::encodeName(duongDan).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    return std::unique_ptr<BoGhiVideo>(new BoGhiVideoFFmpeg(fd, duongDan));
}

std::unique_ptr<BoGhiVideo> BoGhiVideoFFmpeg::taoChuaCoFile() {
    static std::once_flag imLang;
    std::call_once(imLang, [] { av_log_set_level(AV_LOG_ERROR); });
    return std::unique_ptr<BoGhiVideo>(new BoGhiVideoFFmpeg(-1, QString()));
}

BoGhiVideoFFmpeg::BoGhiVideoFFmpeg(int fd, QString duongDan) : fd_(fd), duongDan_(std::move(duongDan)) {}

bool BoGhiVideoFFmpeg::moFile(const QString& duongDan) {
    if (fd_ >= 0 || trangThai_ != TrangThai::chuaBatDau) return false;
    QDir().mkpath(QFileInfo(duongDan).absolutePath());
    fd_ = ::open(QFile::encodeName(duongDan).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) return false;
    duongDan_ = duongDan;
    return true;
}

BoGhiVideoFFmpeg::~BoGhiVideoFFmpeg() {
    {
        std::lock_guard lk(khoa_);
        ketThuc_ = true;
    }
    coViec_.notify_all();
    if (luong_.joinable()) {
        if (luong_.get_id() == std::this_thread::get_id())
            luong_.detach();  // the last owner let go inside `xong`; the thread is on its way out
        else
            luong_.join();
    }
    sws_freeContext(sws_);
    av_packet_free(&goi_);
    av_frame_free(&yuv_);
    avcodec_free_context(&enc_);
    if (fmt_) avformat_free_context(fmt_);
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    if (fd_ >= 0) ::close(fd_);
}

QString BoGhiVideoFFmpeg::loi() const {
    std::lock_guard lk(khoaLoi_);
    return loi_;
}

void BoGhiVideoFFmpeg::hong(const QString& loi) {
    {
        std::lock_guard lk(khoaLoi_);
        if (loi_.isEmpty()) loi_ = loiGhi_.isEmpty() ? loi : loiGhi_;
    }
    trangThai_ = TrangThai::thatBai;
}

int BoGhiVideoFFmpeg::ghiRa(void* p, uint8_t* buf, int n) {
    auto* self = static_cast<BoGhiVideoFFmpeg*>(p);
    int daGhi = 0;
    while (daGhi < n) {
        ssize_t r = ::write(self->fd_, buf + daGhi, size_t(n - daGhi));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            int e = r < 0 ? errno : EIO;
            self->loiGhi_ = QString::fromLocal8Bit(std::strerror(e));
            return AVERROR(e);
        }
        daGhi += int(r);
    }
    return n;
}

int64_t BoGhiVideoFFmpeg::tua(void* p, int64_t off, int whence) {
    auto* self = static_cast<BoGhiVideoFFmpeg*>(p);
    if (whence == AVSEEK_SIZE) {
        struct stat st {};
        return ::fstat(self->fd_, &st) == 0 ? int64_t(st.st_size) : AVERROR(errno);
    }
    off_t r = ::lseek(self->fd_, off, whence & ~AVSEEK_FORCE);
    return r < 0 ? AVERROR(errno) : int64_t(r);
}

bool BoGhiVideoFFmpeg::themDauVao(int rong, int cao, int64_t bitrate, double tocDoKhung) {
    if (enc_ || rong <= 0 || cao <= 0) return false;
    // 4:2:0 needs even sides; libx264 would refuse an odd one anyway.
    if (rong % 2 || cao % 2) return false;
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) return false;
    rong_ = rong;
    cao_ = cao;
    tocDo_ = tocDoKhung > 0 ? tocDoKhung : 30.0;
    if (avformat_alloc_output_context2(&fmt_, nullptr, "mp4", nullptr) < 0 || !fmt_) return false;
    enc_ = avcodec_alloc_context3(codec);
    enc_->width = rong;
    enc_->height = cao;
    enc_->pix_fmt = AV_PIX_FMT_YUV420P;
    enc_->time_base = kMicro;
    enc_->framerate = av_d2q(tocDo_, 1000);
    enc_->bit_rate = bitrate;
    enc_->profile = FF_PROFILE_H264_MAIN;
    // Keyframes are forced once a second by time below; this only bounds the gap if timestamps stall.
    enc_->gop_size = std::max(1, int(std::lround(tocDo_)) * 2);
    // Each frame thread and each lookahead frame delays output by one frame; what sits in the encoder when
    // the process dies is lost, so the delay is kept to a fraction of a second.
    enc_->thread_count = 4;
    if (fmt_->oformat->flags & AVFMT_GLOBALHEADER) enc_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* tc = nullptr;
    av_dict_set(&tc, "preset", "veryfast", 0);
    av_dict_set(&tc, "profile", "main", 0);
    av_dict_set(&tc, "x264-params", "rc-lookahead=5", 0);
    int r = avcodec_open2(enc_, codec, &tc);
    av_dict_free(&tc);
    if (r < 0) {
        avcodec_free_context(&enc_);
        return false;
    }
    st_ = avformat_new_stream(fmt_, nullptr);
    st_->time_base = AVRational{1, 90000};
    avcodec_parameters_from_context(st_->codecpar, enc_);
    constexpr int kBoDem = 1 << 16;
    auto* buf = static_cast<unsigned char*>(av_malloc(kBoDem));
    io_ = avio_alloc_context(buf, kBoDem, 1, this, nullptr, &BoGhiVideoFFmpeg::ghiRa, &BoGhiVideoFFmpeg::tua);
    fmt_->pb = io_;
    fmt_->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_FLUSH_PACKETS;
    yuv_ = av_frame_alloc();
    yuv_->format = AV_PIX_FMT_YUV420P;
    yuv_->width = rong;
    yuv_->height = cao;
    goi_ = av_packet_alloc();
    return av_frame_get_buffer(yuv_, 0) >= 0;
}

bool BoGhiVideoFFmpeg::batDau() {
    if (trangThai_ != TrangThai::chuaBatDau || !enc_ || fd_ < 0) return false;
    AVDictionary* tc = nullptr;
    av_dict_set(&tc, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    av_dict_set(&tc, "frag_duration", "1000000", 0);
    int r = avformat_write_header(fmt_, &tc);
    av_dict_free(&tc);
    if (r < 0) {
        hong(vanBanLoi(r));
        return false;
    }
    avio_flush(io_);
    if (io_->error < 0) {
        hong(vanBanLoi(io_->error));
        return false;
    }
    trangThai_ = TrangThai::dangGhi;
    luong_ = std::thread([this] { vongMaHoa(); });
    return true;
}

BoGhiVideo::KetQuaThem BoGhiVideoFFmpeg::themKhung(const QImage& anh, std::chrono::microseconds pts) {
    if (trangThai_ != TrangThai::dangGhi) return KetQuaThem::chuaSan;
    if (anh.width() != rong_ || anh.height() != cao_ ||
        (anh.format() != QImage::Format_RGB32 && anh.format() != QImage::Format_ARGB32 &&
         anh.format() != QImage::Format_ARGB32_Premultiplied))
        return KetQuaThem::tuChoi;
    {
        std::lock_guard lk(khoa_);
        if (ketThuc_) return KetQuaThem::tuChoi;
        if (hangDoi_.size() >= kHangDoiToiDa) return KetQuaThem::chuaSan;
        hangDoi_.emplace_back(anh, pts.count());
    }
    coViec_.notify_one();
    return KetQuaThem::daNhan;
}

void BoGhiVideoFFmpeg::ketThuc(std::function<void()> xong) {
    if (!luong_.joinable()) {
        if (trangThai_ == TrangThai::dangGhi) trangThai_ = TrangThai::thatBai;
        if (xong) xong();
        return;
    }
    {
        std::lock_guard lk(khoa_);
        if (ketThuc_) return;
        ketThuc_ = true;
        xong_ = std::move(xong);
    }
    coViec_.notify_one();
}

bool BoGhiVideoFFmpeg::ghiGoi() {
    for (;;) {
        int r = avcodec_receive_packet(enc_, goi_);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) {
            hong(vanBanLoi(r));
            return false;
        }
        const bool khoa = goi_->flags & AV_PKT_FLAG_KEY;
        if (goi_->duration <= 0) goi_->duration = std::max<int64_t>(1, std::llround(1e6 / tocDo_));
        av_packet_rescale_ts(goi_, enc_->time_base, st_->time_base);
        goi_->stream_index = st_->index;
        r = av_write_frame(fmt_, goi_);
        av_packet_unref(goi_);
        // With packets flushed as written, a failed write shows in the I/O context at once.
        if (r >= 0 && io_->error < 0) r = io_->error;
        if (r < 0) {
            hong(vanBanLoi(r));
            return false;
        }
        // A keyframe closes the previous fragment; syncing it now bounds what a power cut can take. Linux
        // reports a write-back error to one sync only, so a failure ignored here would let the final sync
        // succeed and the recording pass as good with its fingerprint taken from the page cache.
        if (khoa && ::fdatasync(fd_) != 0) {
            loiGhi_ = QString::fromLocal8Bit(std::strerror(errno));
            hong(loiGhi_);
            return false;
        }
    }
}

bool BoGhiVideoFFmpeg::maHoa(const QImage* anh, int64_t ptsUs) {
    int r;
    if (!anh) {
        r = avcodec_send_frame(enc_, nullptr);
    } else {
        if (av_frame_make_writable(yuv_) < 0) return false;
        sws_ = sws_getCachedContext(sws_, rong_, cao_, AV_PIX_FMT_BGRA, rong_, cao_, AV_PIX_FMT_YUV420P,
                                    SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
        const uint8_t* nguon[4] = {anh->constBits(), nullptr, nullptr, nullptr};
        int buoc[4] = {int(anh->bytesPerLine()), 0, 0, 0};
        sws_scale(sws_, nguon, buoc, 0, cao_, yuv_->data, yuv_->linesize);
        // Capture times can repeat when a driver stamps coarsely; the file needs them rising.
        if (ptsUs <= ptsTruoc_) ptsUs = ptsTruoc_ + 1;
        ptsTruoc_ = ptsUs;
        yuv_->pts = ptsUs;
        const bool canKhoa = ptsKhoaCuoi_ < 0 || ptsUs - ptsKhoaCuoi_ >= 1000000 - int64_t(0.5e6 / tocDo_);
        yuv_->pict_type = canKhoa ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        if (canKhoa) ptsKhoaCuoi_ = ptsUs;
        r = avcodec_send_frame(enc_, yuv_);
    }
    if (r < 0 && r != AVERROR_EOF) {
        hong(vanBanLoi(r));
        return false;
    }
    return ghiGoi();
}

void BoGhiVideoFFmpeg::vongMaHoa() {
    for (;;) {
        std::pair<QImage, int64_t> viec;
        {
            std::unique_lock lk(khoa_);
            coViec_.wait(lk, [this] { return ketThuc_ || !hangDoi_.empty(); });
            if (hangDoi_.empty()) break;
            viec = std::move(hangDoi_.front());
            hangDoi_.pop_front();
        }
        if (trangThai_ == TrangThai::dangGhi) maHoa(&viec.first, viec.second);
    }
    hoanTat();
    std::function<void()> xong;
    {
        std::lock_guard lk(khoa_);
        xong = std::move(xong_);
    }
    if (xong) xong();
}

void BoGhiVideoFFmpeg::hoanTat() {
    if (trangThai_ == TrangThai::dangGhi && maHoa(nullptr, 0)) {
        int r = av_write_trailer(fmt_);
        avio_flush(io_);
        if (r < 0 || io_->error < 0) {
            hong(vanBanLoi(r < 0 ? r : io_->error));
        } else if (::fsync(fd_) != 0) {
            hong(QString::fromLocal8Bit(std::strerror(errno)));
        } else {
            trangThai_ = TrangThai::hoanTat;
        }
    }
    if (::close(fd_) != 0 && trangThai_ == TrangThai::hoanTat) hong(QString::fromLocal8Bit(std::strerror(errno)));
    fd_ = -1;
}
