#include "gia/core/HenGioTay.h"

#include "gia/store/DongHoGia.h"

HenGioTay::HenGioTay(DongHoGia* dongHo) : dongHo_(dongHo) {}

HenGio::MaHen HenGioTay::hen(std::chrono::milliseconds khoang, std::function<void()> viec) {
    const MaHen ma = tiepTheo_++;
    dangCho_.emplace(std::make_pair(bayGio_ + khoang, ma), std::move(viec));
    return ma;
}

void HenGioTay::huy(MaHen ma) {
    for (auto it = dangCho_.begin(); it != dangCho_.end(); ++it) {
        if (it->first.second == ma) {
            dangCho_.erase(it);
            return;
        }
    }
}

void HenGioTay::tien(std::chrono::milliseconds d) {
    const auto dich = bayGio_ + d;
    while (!dangCho_.empty() && dangCho_.begin()->first.first <= dich) {
        auto it = dangCho_.begin();
        const auto han = it->first.first;
        auto viec = std::move(it->second);
        dangCho_.erase(it);
        if (dongHo_ && han > bayGio_) dongHo_->tien(han - bayGio_);
        bayGio_ = han;
        viec();
    }
    if (dongHo_ && dich > bayGio_) dongHo_->tien(dich - bayGio_);
    bayGio_ = dich;
}
