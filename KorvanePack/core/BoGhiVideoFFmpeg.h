#pragma once

#include <QImage>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "core/BoGhiVideo.h"
#include "core/GiuThuVienC.h"

struct AVStream;

// libx264 Main profile at an average bit rate into a fragmented MP4. A keyframe every second and
// one-second fragments written and synced as they close mean that a crash or power cut loses at most
// about the last second: the file stays playable up to there. Encoding runs on the writer's own
// thread behind a bounded queue, so the capture thread hands a frame over and moves on. The syncs run on
// a thread of their own: one that takes a second on a busy USB drive or an SD card holds up neither.
class BoGhiVideoFFmpeg final : public BoGhiVideo {
public:
    static std::unique_ptr<BoGhiVideo> tao(const QString& duongDan);
    static std::unique_ptr<BoGhiVideo> taoChuaCoFile();
    ~BoGhiVideoFFmpeg() override;

    bool themDauVao(int rong, int cao, int64_t bitrate, double tocDoKhung) override;
    bool moFile(const QString& duongDan) override;
    bool batDau() override;
    TrangThai trangThai() const override { return trangThai_.load(); }
    QString loi() const override;
    KetQuaThem themKhung(const QImage& anh, std::chrono::microseconds pts) override;
    void ketThuc(std::function<void()> xong) override;

    // Two thirds of a second of frames at 30 per second: a busy machine takes the encoder's cores away for
    // a few hundred milliseconds at a time, and an encoder that keeps up on average then catches up without
    // a hole in the file. Frames wait already in the encoder's 4:2:0 planes (3.1 MB at 1080p, not 8.3 MB
    // as BGRA), so a full queue at 1080p holds about 62 MB, and only while the encoder is behind.
    static constexpr size_t kHangDoiToiDa = 20;

private:
    explicit BoGhiVideoFFmpeg(int fd, QString duongDan);
    void vongMaHoa();
    bool maHoa(AVFrame* khung, int64_t ptsUs);
    GiuKhung khungTrong();
    bool ghiGoi();
    void hong(const QString& loi);
    void hoanTat();
    void xinDongBo();
    void vongDongBo();
    void dungDongBo();
    static int ghiRa(void* p, uint8_t* buf, int n);
    static int64_t tua(void* p, int64_t off, int whence);

    int fd_;
    QString duongDan_;
    int rong_ = 0, cao_ = 0;
    double tocDo_ = 30.0;
    GiuDauRa fmt_;
    GiuMaHoa enc_;
    AVStream* st_ = nullptr;  // owned by fmt_
    GiuVaoRa io_;
    GiuGoi goi_;
    GiuSws sws_;  // the caller's side: frames are converted as they are handed over
    int64_t ptsTruoc_ = -1;
    int64_t buocUs_ = 1;  // one tick of the stream's clock, in the encoder's microseconds
    int64_t ptsKhoaCuoi_ = -1;

    std::atomic<TrangThai> trangThai_{TrangThai::chuaBatDau};
    mutable std::mutex khoaLoi_;
    QString loi_;
    QString loiGhi_;  // errno text of the last failed write, clearer than libavformat's

    std::mutex khoa_;
    std::condition_variable coViec_;
    std::deque<std::pair<GiuKhung, int64_t>> hangDoi_;
    // Frames the encoder is done with, used again for the next ones: at most the queue's depth and one.
    std::vector<GiuKhung> khungRanh_;
    bool ketThuc_ = false;
    std::function<void()> xong_;
    std::thread luong_;

    // One sync in flight at most; keyframes that close a fragment meanwhile fold into one more sync, which
    // covers everything written by the time it starts. No backlog, however slow the disk.
    std::mutex khoaDongBo_;
    std::condition_variable coDongBo_;
    bool canDongBo_ = false;
    bool dungDongBo_ = false;
    std::thread luongDongBo_;
};
