#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "core/BoTronAm.h"
#include "core/LoaiTieng.h"

class DauRaAmThanh;

// The desk's sound cues: short synthesised tone sequences so the packer hears each outcome without looking up.
class TiengBao final : public QObject {
    Q_OBJECT
public:
    struct Not {
        double tanSo;      // Hz
        double thoiLuong;  // seconds
        double tre;        // seconds from the moment the cue is played
    };

    static constexpr int kSoLoai = 5;

    // With no output given, plays through the default sound device.
    explicit TiengBao(std::unique_ptr<DauRaAmThanh> dauRa = nullptr, QObject* parent = nullptr);
    ~TiengBao() override;

    bool bat() const { return bat_; }
    void setBat(bool bat) { bat_ = bat; }
    float amLuong() const { return amLuong_; }
    // A fraction: anything outside 0..1 (or not a number) would play louder than chosen, or clip.
    void setAmLuong(float amLuong);

    // Returns at once; the notes sound from the mixer at their offsets. An unknown kind plays nothing.
    void phat(LoaiTieng loai);
    // One note now.
    void phatNot(double tanSo, double thoiLuong);

    static const std::vector<Not>& cacNot(LoaiTieng loai);
    // The mono 44.1 kHz samples of one note: a sine under a 12 ms linear rise and a 30 ms linear fall,
    // at 0.35 of the volume.
    static std::vector<float> tongHopNot(double tanSo, double thoiLuong, float amLuong);

    BoTronAm& boTron() { return boTron_; }

private:
    bool bat_ = true;
    float amLuong_ = 0.7f;
    BoTronAm boTron_;
    std::unique_ptr<DauRaAmThanh> dauRa_;
};
