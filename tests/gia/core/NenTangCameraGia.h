#pragma once

#include <mutex>
#include <optional>

#include "core/NenTangCamera.h"
#include "gia/core/NguonKhungGia.h"

// Cameras for tests: a device list set by the test, openings recorded, frames handed in by hand.
// Filter graphs open for real through libavdevice, so a test can mix both.
class NenTangCameraGia final : public NenTangCamera {
public:
    struct LanMo {
        ThietBiCamera thietBi;
        DinhDangCamera dinhDang;
    };

    QList<ThietBiCamera> timThietBi() override;
    std::unique_ptr<NguonKhung> moThietBi(const ThietBiCamera& tb, const DinhDangCamera& dd, QString& loi) override;
    std::unique_ptr<NguonKhung> moDoThi(const QString& doThi, QString& loi) override;

    void datThietBi(QList<ThietBiCamera> ds);
    // The next openings fail: with this platform text, or (empty text) as a device without a video stream.
    void datLoiMo(std::optional<QString> loi);
    QList<LanMo> cacLanMo() const;
    // Feeds the most recently opened device; false when none is running.
    bool guiKhung(QImage anh, std::chrono::steady_clock::time_point luc);
    // The most recently opened device goes away.
    void rutThietBi(const QString& lyDo);

private:
    mutable std::mutex khoa_;
    QList<ThietBiCamera> thietBi_;
    std::optional<QString> loiMo_;
    QList<LanMo> lanMo_;
    std::shared_ptr<NguonKhungGia::Kenh> kenh_;
};
