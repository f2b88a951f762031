#pragma once

#include <QIODevice>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

// Our own mixer: the audio sink pulls mono samples from it, and every note is placed at an exact frame position.
// Placing all notes of a cue in one step keeps their spacing sample-accurate however the sink happens to pull,
// and overlapping cues simply add up instead of cutting each other off.
class BoTronAm final : public QIODevice {
    Q_OBJECT
public:
    enum class KieuMau { Float32, Int16 };

    static constexpr int kTanSoMau = 44100;
    // Far more than any burst of cues at the desk. An output that stopped pulling without saying so would
    // otherwise pile every later cue onto one position and play them all at once when it wakes.
    static constexpr int kToiDaNot = 32;

    explicit BoTronAm(QObject* parent = nullptr);

    // The sample type the sink was opened with; a device without float output gets 16-bit samples.
    void datKieuMau(KieuMau kieu);
    KieuMau kieuMau() const;

    // Places notes at frame offsets from the current play position, all against the same position.
    void themCum(std::vector<std::pair<std::vector<float>, std::int64_t>> cacNot);

    // Drops every note still waiting: after the output was restarted they would sound late.
    void xoaHet();

    // Frames handed to the sink so far.
    std::int64_t viTri() const;
    int soNotDangCho() const;

    // Mixes the next frames in float, clipped to -1..1; the sink calls this through read().
    void tron(float* ra, std::int64_t soKhung);

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxlen) override;
    qint64 writeData(const char* data, qint64 len) override;

private:
    struct Giong {
        std::vector<float> mau;
        std::int64_t batDau = 0;
    };

    mutable std::mutex khoa_;
    std::vector<Giong> giong_;
    std::int64_t viTri_ = 0;
    KieuMau kieu_ = KieuMau::Float32;
    std::vector<float> dem_;
};
