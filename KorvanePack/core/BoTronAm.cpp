#include "core/BoTronAm.h"

#include <algorithm>
#include <cmath>
#include <cstring>

BoTronAm::BoTronAm(QObject* parent) : QIODevice(parent) {
    // Unbuffered: QIODevice would otherwise read thousands of frames ahead, and a cue queued now would wait
    // behind that much silence.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void BoTronAm::datKieuMau(KieuMau kieu) {
    std::lock_guard lock(khoa_);
    kieu_ = kieu;
}

BoTronAm::KieuMau BoTronAm::kieuMau() const {
    std::lock_guard lock(khoa_);
    return kieu_;
}

void BoTronAm::themCum(std::vector<std::pair<std::vector<float>, std::int64_t>> cacNot) {
    std::lock_guard lock(khoa_);
    const std::int64_t goc = viTri_;
    for (auto& [mau, doLech] : cacNot) {
        if (mau.empty()) continue;
        giong_.push_back(Giong{std::move(mau), goc + std::max<std::int64_t>(doLech, 0)});
    }
    if (giong_.size() > static_cast<std::size_t>(kToiDaNot)) {
        giong_.erase(giong_.begin(), giong_.end() - kToiDaNot);
    }
}

void BoTronAm::xoaHet() {
    std::lock_guard lock(khoa_);
    giong_.clear();
}

std::int64_t BoTronAm::viTri() const {
    std::lock_guard lock(khoa_);
    return viTri_;
}

int BoTronAm::soNotDangCho() const {
    std::lock_guard lock(khoa_);
    return static_cast<int>(giong_.size());
}

void BoTronAm::tron(float* ra, std::int64_t soKhung) {
    std::fill(ra, ra + soKhung, 0.0f);
    std::lock_guard lock(khoa_);
    const std::int64_t dau = viTri_;
    const std::int64_t cuoi = viTri_ + soKhung;
    for (const Giong& g : giong_) {
        const std::int64_t gCuoi = g.batDau + static_cast<std::int64_t>(g.mau.size());
        const std::int64_t tu = std::max(dau, g.batDau);
        const std::int64_t den = std::min(cuoi, gCuoi);
        for (std::int64_t k = tu; k < den; ++k) ra[k - dau] += g.mau[static_cast<std::size_t>(k - g.batDau)];
    }
    for (std::int64_t i = 0; i < soKhung; ++i) ra[i] = std::clamp(ra[i], -1.0f, 1.0f);
    std::erase_if(giong_,
                  [cuoi](const Giong& g) { return g.batDau + static_cast<std::int64_t>(g.mau.size()) <= cuoi; });
    viTri_ = cuoi;
}

qint64 BoTronAm::bytesAvailable() const {
    // An endless stream: silence between cues keeps the output running, so a cue never waits for it to wake.
    return QIODevice::bytesAvailable() + (qint64(1) << 30);
}

qint64 BoTronAm::readData(char* data, qint64 maxlen) {
    const KieuMau kieu = kieuMau();
    const qint64 coMau = kieu == KieuMau::Float32 ? 4 : 2;
    const qint64 soKhung = maxlen / coMau;
    if (soKhung <= 0) return 0;
    dem_.resize(static_cast<std::size_t>(soKhung));
    tron(dem_.data(), soKhung);
    if (kieu == KieuMau::Float32) {
        std::memcpy(data, dem_.data(), static_cast<std::size_t>(soKhung * coMau));
    } else {
        auto* ra = reinterpret_cast<qint16*>(data);
        for (qint64 i = 0; i < soKhung; ++i) ra[i] = static_cast<qint16>(std::lround(dem_[i] * 32767.0f));
    }
    return soKhung * coMau;
}

qint64 BoTronAm::writeData(const char*, qint64) {
    return -1;
}
