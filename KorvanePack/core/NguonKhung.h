#pragma once

#include <QImage>
#include <QString>
#include <chrono>
#include <functional>

// An open stream of camera frames. Frames arrive on the source's own thread as RGB32 images
// (BGRA bytes in memory) stamped with the steady time at which they were captured; the receiver
// must return quickly and drop what it cannot handle, since the source never waits for it.
// `xam` is the frame's luma as the decoder produced it (Grayscale8, read-only; a planar format's own plane
// shared with the decoder, packed YUYV's taken out of the frame), or null when the source has none (RGB):
// the barcode reader wants nothing else.
class NguonKhung {
public:
    using NhanKhung = std::function<void(QImage anh, QImage xam, std::chrono::steady_clock::time_point luc)>;
    // Called once, on the source's thread, when the stream ends by itself (a webcam unplugged, a graph
    // that ran out); never after dung().
    using KhiNgung = std::function<void(const QString& lyDo)>;

    virtual ~NguonKhung() = default;
    virtual void batDau(NhanKhung nhan, KhiNgung khiNgung = {}) = 0;
    // Returns once no more frames will be delivered.
    virtual void dung() = 0;
    virtual QString ten() const = 0;
    // Nominal frames per second, used to size the encoder's keyframe interval.
    virtual double tocDoKhung() const = 0;
};
