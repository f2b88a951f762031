#pragma once

#include <memory>
#include <mutex>

#include "core/NguonKhung.h"

// A frame source fed by hand: tests hand in the frames they make, with the capture times they choose.
class NguonKhungGia final : public NguonKhung {
public:
    // What the source and whoever feeds it share; outlives the source, so feeding a closed source is harmless.
    struct Kenh {
        std::mutex khoa;
        NhanKhung nhan;
        KhiNgung khiNgung;
        bool dangChay = false;
        int soLanMo = 0;
    };

    explicit NguonKhungGia(QString ten, double tocDo = 30.0);
    ~NguonKhungGia() override;

    void batDau(NhanKhung nhan, KhiNgung khiNgung = {}) override;
    void dung() override;
    QString ten() const override { return ten_; }
    double tocDoKhung() const override { return tocDo_; }

    std::shared_ptr<Kenh> kenh() const { return kenh_; }
    // Delivers one frame on the caller's thread; false when the source is not running.
    static bool gui(Kenh& k, QImage anh, std::chrono::steady_clock::time_point luc);
    // Ends the stream as an unplugged camera would.
    static void ngung(Kenh& k, const QString& lyDo);

private:
    QString ten_;
    double tocDo_;
    std::shared_ptr<Kenh> kenh_ = std::make_shared<Kenh>();
};
