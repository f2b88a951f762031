#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "core/BoNhanDienMa.h"

// A detector for tests: returns whatever it was told to, counts its calls, and can be held mid-read so a
// test sees what happens to frames that arrive while a read is in flight.
class BoNhanDienMaGia final : public BoNhanDienMa {
public:
    std::vector<MaThay> nhanDien(const QImage& khung, const QStringList& loaiMa) override;

    // What the next reads return; a hook runs inside each read (to step a test clock or throw).
    void datKetQua(std::vector<MaThay> ketQua);
    void datKhiDoc(std::function<void()> hook);

    // While held, a read waits inside nhanDien until tha() is called.
    void giu();
    void tha();
    // Blocks until a read is waiting in nhanDien (only meaningful while held).
    bool choDangDoc(int miliToiDa = 5000);

    int soLanDoc() const { return soLanDoc_.load(); }
    QSize coKhungCuoi() const;
    QStringList loaiMaCuoi() const;

private:
    mutable std::mutex khoa_;
    std::condition_variable doi_;
    std::vector<MaThay> ketQua_;
    std::function<void()> khiDoc_;
    bool giu_ = false;
    bool dangDoc_ = false;
    QSize coKhungCuoi_;
    QStringList loaiMaCuoi_;
    std::atomic<int> soLanDoc_{0};
};
