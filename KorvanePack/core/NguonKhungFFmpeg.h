#pragma once

#include <QMap>
#include <QString>
#include <atomic>
#include <memory>
#include <thread>

#include "core/GiuThuVienC.h"
#include "core/NguonKhung.h"

// Frames from a libavdevice input: "v4l2" for webcams, "lavfi" for a filter graph. Both go through
// the same demux, decode and BGRA conversion, so the lavfi path exercises the webcam code in tests.
class NguonKhungFFmpeg final : public NguonKhung {
public:
    // `nhipThuc` paces delivery by the stream's timestamps: a filter graph produces frames as fast
    // as they are read, a webcam at its own rate.
    static std::unique_ptr<NguonKhungFFmpeg> mo(const QString& dinhDangVao, const QString& url,
                                                const QMap<QString, QString>& tuyChon, bool nhipThuc,
                                                const QString& ten, QString& loi);
    ~NguonKhungFFmpeg() override;

    void batDau(NhanKhung nhan, KhiNgung khiNgung = {}) override;
    void dung() override;
    QString ten() const override { return ten_; }
    double tocDoKhung() const override { return tocDo_; }

private:
    NguonKhungFFmpeg() = default;
    void vongDoc();
    QImage chuyenDoi(const AVFrame* f);
    // Packed 4:2:2 repacked into planes (phang_), or the frame itself.
    const AVFrame* boGoi(const AVFrame* f);

    GiuDauVao fmt_;
    GiuMaHoa dec_;
    GiuSws sws_;
    GiuSws swsPhang_;
    GiuKhung phang_;
    int luongVideo_ = -1;
    bool nhipThuc_ = false;
    double tocDo_ = 30.0;
    QString ten_;
    NhanKhung nhan_;
    KhiNgung khiNgung_;
    std::atomic<bool> dung_{false};
    std::thread luong_;
};
