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
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>

namespace {

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
    dungDongBo();  // already done by the finish; kept so that no path leaves the sync thread behind the fd
    // The muxer is freed before the I/O context it writes through, and both before the file is closed.
    sws_.reset();
    goi_.reset();
    hangDoi_.clear();
    khungRanh_.clear();
    enc_.reset();
    fmt_.reset();
    io_.reset();
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
    AVFormatContext* ctx = nullptr;
    if (avformat_alloc_output_context2(&ctx, nullptr, "mp4", nullptr) < 0 || !ctx) return false;
    fmt_.reset(ctx);
    enc_.reset(avcodec_alloc_context3(codec));
    if (!enc_) return false;
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
    GiuTuDien tc;
    av_dict_set(QuaDiaChi(tc), "preset", "veryfast", 0);
    av_dict_set(QuaDiaChi(tc), "profile", "main", 0);
    // Every frame x264 holds costs about 12 MB at 1080p (its planes, half-pel planes and lowres copy). No
    // B-frames: x264 no longer holds three frames back to order them, encodes faster, and loses less at
    // a crash; the cost is a few per cent of quality at the same bit rate. No separate sync lookahead: its
    // buffer holds as many more frames as there are threads, for no gain at a lookahead of five frames.
    // Measured at 1080p30: about 100 MB less while recording, and no frame dropped where the defaults
    // dropped some.
    av_dict_set(QuaDiaChi(tc), "x264-params", "rc-lookahead=5:sync-lookahead=0:bframes=0", 0);
    if (avcodec_open2(enc_.get(), codec, QuaDiaChi(tc)) < 0) {
        enc_.reset();
        return false;
    }
    // A writer whose setup failed past this point has no encoder, so it cannot be started.
    const auto thatBai = [this] {
        enc_.reset();
        return false;
    };
    st_ = avformat_new_stream(fmt_.get(), nullptr);
    if (!st_) return thatBai();
    st_->time_base = AVRational{1, 90000};
    avcodec_parameters_from_context(st_->codecpar, enc_.get());
    constexpr int kBoDem = 1 << 16;
    GiuBoNho boDem(static_cast<unsigned char*>(av_malloc(kBoDem)));
    if (!boDem) return thatBai();
    io_.reset(
        avio_alloc_context(boDem.get(), kBoDem, 1, this, nullptr, &BoGhiVideoFFmpeg::ghiRa, &BoGhiVideoFFmpeg::tua));
    if (!io_) return thatBai();
    // The context owns the buffer from here, and may swap it for another: its owner frees whichever it holds.
    boDem.release();
    fmt_->pb = io_.get();
    fmt_->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_FLUSH_PACKETS;
    goi_.reset(av_packet_alloc());
    GiuKhung dau = khungTrong();
    if (!dau || !goi_) return thatBai();
    khungRanh_.push_back(std::move(dau));
    return true;
}

GiuKhung BoGhiVideoFFmpeg::khungTrong() {
    GiuKhung k(av_frame_alloc());
    if (!k) return k;
    k->format = AV_PIX_FMT_YUV420P;
    k->width = rong_;
    k->height = cao_;
    if (av_frame_get_buffer(k.get(), 0) < 0) k.reset();
    return k;
}

bool BoGhiVideoFFmpeg::batDau() {
    if (trangThai_ != TrangThai::chuaBatDau || !enc_ || fd_ < 0) return false;
    GiuTuDien tc;
    av_dict_set(QuaDiaChi(tc), "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    av_dict_set(QuaDiaChi(tc), "frag_duration", "1000000", 0);
    const int r = avformat_write_header(fmt_.get(), QuaDiaChi(tc));
    if (r < 0) {
        hong(vanBanLoiFFmpeg(r));
        return false;
    }
    avio_flush(io_.get());
    if (io_->error < 0) {
        hong(vanBanLoiFFmpeg(io_->error));
        return false;
    }
    // The muxer may pick its own clock for the stream when it writes the header.
    buocUs_ = std::max<int64_t>(1, av_rescale_q_rnd(1, st_->time_base, kMicro, AV_ROUND_UP));
    trangThai_ = TrangThai::dangGhi;
    luongDongBo_ = std::thread([this] { vongDongBo(); });
    luong_ = std::thread([this] { vongMaHoa(); });
    return true;
}

BoGhiVideo::KetQuaThem BoGhiVideoFFmpeg::themKhung(const QImage& anh, std::chrono::microseconds pts) {
    if (trangThai_ != TrangThai::dangGhi) return KetQuaThem::chuaSan;
    if (anh.width() != rong_ || anh.height() != cao_ ||
        (anh.format() != QImage::Format_RGB32 && anh.format() != QImage::Format_ARGB32 &&
         anh.format() != QImage::Format_ARGB32_Premultiplied))
        return KetQuaThem::tuChoi;
    GiuKhung khung;
    {
        std::lock_guard lk(khoa_);
        if (ketThuc_) return KetQuaThem::tuChoi;
        if (hangDoi_.size() >= kHangDoiToiDa) return KetQuaThem::chuaSan;
        if (!khungRanh_.empty()) {
            khung = std::move(khungRanh_.back());
            khungRanh_.pop_back();
        }
    }
    // Converted here, on the capture thread, so that the frame waits in a third of the memory and the
    // encoder's thread does only the encoding.
    if (!khung) khung = khungTrong();
    if (!khung || av_frame_make_writable(khung.get()) < 0) return KetQuaThem::tuChoi;
    sws_.reset(sws_getCachedContext(sws_.release(), rong_, cao_, AV_PIX_FMT_BGRA, rong_, cao_, AV_PIX_FMT_YUV420P,
                                    SWS_FAST_BILINEAR, nullptr, nullptr, nullptr));
    if (!sws_) return KetQuaThem::tuChoi;
    const uint8_t* nguon[4] = {anh.constBits(), nullptr, nullptr, nullptr};
    const int buoc[4] = {int(anh.bytesPerLine()), 0, 0, 0};
    sws_scale(sws_.get(), nguon, buoc, 0, cao_, khung->data, khung->linesize);
    {
        std::lock_guard lk(khoa_);
        if (ketThuc_) return KetQuaThem::tuChoi;
        hangDoi_.emplace_back(std::move(khung), pts.count());
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
        int r = avcodec_receive_packet(enc_.get(), goi_.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
        if (r < 0) {
            hong(vanBanLoiFFmpeg(r));
            return false;
        }
        const bool khoa = goi_->flags & AV_PKT_FLAG_KEY;
        if (goi_->duration <= 0) goi_->duration = std::max<int64_t>(1, std::llround(1e6 / tocDo_));
        av_packet_rescale_ts(goi_.get(), enc_->time_base, st_->time_base);
        goi_->stream_index = st_->index;
        r = av_write_frame(fmt_.get(), goi_.get());
        av_packet_unref(goi_.get());
        // With packets flushed as written, a failed write shows in the I/O context at once.
        if (r >= 0 && io_->error < 0) r = io_->error;
        if (r < 0) {
            hong(vanBanLoiFFmpeg(r));
            return false;
        }
        // A keyframe closes the previous fragment; syncing it soon bounds what a power cut can take.
        if (khoa) xinDongBo();
    }
}

bool BoGhiVideoFFmpeg::maHoa(AVFrame* khung, int64_t ptsUs) {
    int r;
    if (!khung) {
        r = avcodec_send_frame(enc_.get(), nullptr);
    } else {
        // Capture times can repeat or crowd together when a driver stamps coarsely or a loaded machine
        // hands frames over late; the file needs them rising by at least one tick of the stream's clock,
        // or two frames land on one time there and the muxer fails the whole recording.
        const int64_t somNhat = ptsTruoc_ < 0 ? 0 : ptsTruoc_ + buocUs_;
        if (ptsUs < somNhat) ptsUs = somNhat;
        ptsTruoc_ = ptsUs;
        khung->pts = ptsUs;
        const bool canKhoa = ptsKhoaCuoi_ < 0 || ptsUs - ptsKhoaCuoi_ >= 1000000 - int64_t(0.5e6 / tocDo_);
        khung->pict_type = canKhoa ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        if (canKhoa) ptsKhoaCuoi_ = ptsUs;
        r = avcodec_send_frame(enc_.get(), khung);
    }
    if (r < 0 && r != AVERROR_EOF) {
        hong(vanBanLoiFFmpeg(r));
        return false;
    }
    return ghiGoi();
}

void BoGhiVideoFFmpeg::vongMaHoa() {
    for (;;) {
        std::pair<GiuKhung, int64_t> viec;
        {
            std::unique_lock lk(khoa_);
            coViec_.wait(lk, [this] { return ketThuc_ || !hangDoi_.empty(); });
            if (hangDoi_.empty()) break;
            viec = std::move(hangDoi_.front());
            hangDoi_.pop_front();
        }
        if (trangThai_ == TrangThai::dangGhi) maHoa(viec.first.get(), viec.second);
        // The encoder copied the pictures in as it took them; av_frame_make_writable covers it if it did not.
        std::lock_guard lk(khoa_);
        khungRanh_.push_back(std::move(viec.first));
    }
    hoanTat();
    std::function<void()> xong;
    {
        std::lock_guard lk(khoa_);
        xong = std::move(xong_);
    }
    if (xong) xong();
}

void BoGhiVideoFFmpeg::xinDongBo() {
    {
        std::lock_guard lk(khoaDongBo_);
        canDongBo_ = true;
    }
    coDongBo_.notify_one();
}

void BoGhiVideoFFmpeg::vongDongBo() {
    for (;;) {
        {
            std::unique_lock lk(khoaDongBo_);
            coDongBo_.wait(lk, [this] { return canDongBo_ || dungDongBo_; });
            if (dungDongBo_) return;
            canDongBo_ = false;
        }
        // Linux reports a write-back error to one sync only, so a failure ignored here would let the final
        // sync succeed and the recording pass as good with its fingerprint taken from the page cache.
        if (::fdatasync(fd_) != 0) {
            const QString loi = QString::fromLocal8Bit(std::strerror(errno));
            {
                std::lock_guard lk(khoaLoi_);
                if (loi_.isEmpty()) loi_ = loi;
            }
            trangThai_ = TrangThai::thatBai;
            return;
        }
    }
}

// Waits for the sync in flight, whose outcome is the recording's; one only asked for is left to the final
// sync, which covers it.
void BoGhiVideoFFmpeg::dungDongBo() {
    if (!luongDongBo_.joinable()) return;
    {
        std::lock_guard lk(khoaDongBo_);
        dungDongBo_ = true;
    }
    coDongBo_.notify_one();
    luongDongBo_.join();
}

void BoGhiVideoFFmpeg::hoanTat() {
    bool daGhiHet = false;
    if (trangThai_ == TrangThai::dangGhi && maHoa(nullptr, 0)) {
        int r = av_write_trailer(fmt_.get());
        avio_flush(io_.get());
        if (r < 0 || io_->error < 0)
            hong(vanBanLoiFFmpeg(r < 0 ? r : io_->error));
        else
            daGhiHet = true;
    }
    dungDongBo();
    if (daGhiHet && trangThai_ == TrangThai::dangGhi) {
        if (::fsync(fd_) != 0)
            hong(QString::fromLocal8Bit(std::strerror(errno)));
        else
            trangThai_ = TrangThai::hoanTat;
    }
    if (::close(fd_) != 0 && trangThai_ == TrangThai::hoanTat) hong(QString::fromLocal8Bit(std::strerror(errno)));
    fd_ = -1;
}
