#include "core/TiengBao.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/DauRaAmThanh.h"
#include "core/DauRaAmThanhQt.h"

TiengBao::TiengBao(std::unique_ptr<DauRaAmThanh> dauRa, QObject* parent)
    : QObject(parent), dauRa_(dauRa ? std::move(dauRa) : std::make_unique<DauRaAmThanhQt>()) {}

TiengBao::~TiengBao() {
    // The sink pulls from the mixer; it must be gone before the mixer is.
    dauRa_.reset();
}

void TiengBao::setAmLuong(float amLuong) {
    amLuong_ = std::isnan(amLuong) ? 0.7f : std::clamp(amLuong, 0.0f, 1.0f);
}

const std::vector<TiengBao::Not>& TiengBao::cacNot(LoaiTieng loaiTieng) {
    static const std::vector<Not> bang[kSoLoai] = {
        {{880, 0.09, 0}},
        {{660, 0.07, 0}, {990, 0.11, 0.07}},
        {{520, 0.13, 0}, {350, 0.24, 0.14}},
        {{700, 0.10, 0}, {700, 0.10, 0.16}},
        {{200, 0.20, 0}, {160, 0.32, 0.23}},
    };
    static const std::vector<Not> rong;
    const int loai = static_cast<int>(loaiTieng);
    return loai >= 0 && loai < kSoLoai ? bang[loai] : rong;
}

std::vector<float> TiengBao::tongHopNot(double tanSo, double thoiLuong, float amLuong) {
    if (!(thoiLuong > 0) || !std::isfinite(thoiLuong)) return {};
    const auto n = static_cast<std::uint32_t>(thoiLuong * BoTronAm::kTanSoMau);
    const float g = std::clamp(amLuong, 0.0f, 1.0f) * 0.35f;
    std::vector<float> mau(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / BoTronAm::kTanSoMau;
        const double len = std::min(t / 0.012, 1.0);
        const double xuong = std::min((thoiLuong - t) / 0.03, 1.0);
        const auto baoHinh = static_cast<float>(std::min(len, xuong));
        const auto song = static_cast<float>(std::sin(2.0 * std::numbers::pi * tanSo * t));
        mau[i] = g * song * baoHinh;
    }
    return mau;
}

void TiengBao::phat(LoaiTieng loai) {
    if (!bat_) return;
    std::vector<std::pair<std::vector<float>, std::int64_t>> cum;
    for (const Not& n : cacNot(loai)) {
        // Asked again before every note: a device that failed, vanished or changed is picked up at once
        // instead of leaving the desk silent for the rest of the day.
        if (!dauRa_->damBaoChay(boTron_)) continue;
        cum.emplace_back(tongHopNot(n.tanSo, n.thoiLuong, amLuong_), std::llround(n.tre * BoTronAm::kTanSoMau));
    }
    if (!cum.empty()) boTron_.themCum(std::move(cum));
}

void TiengBao::phatNot(double tanSo, double thoiLuong) {
    if (!dauRa_->damBaoChay(boTron_)) return;
    std::vector<std::pair<std::vector<float>, std::int64_t>> cum;
    cum.emplace_back(tongHopNot(tanSo, thoiLuong, amLuong_), 0);
    boTron_.themCum(std::move(cum));
}
