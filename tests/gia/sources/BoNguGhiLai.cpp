#include "gia/sources/BoNguGhiLai.h"

bool BoNguGhiLai::ngu(std::chrono::duration<double> thoiGian) {
    std::function<void(double)> f;
    {
        std::lock_guard lk(khoa_);
        if (daHuy_) return false;
        cacLan_.push_back(thoiGian.count());
        f = khiNgu_;
    }
    if (f) f(thoiGian.count());
    return !daHuy();
}

bool BoNguGhiLai::daHuy() const {
    std::lock_guard lk(khoa_);
    return daHuy_;
}

void BoNguGhiLai::huy() {
    std::lock_guard lk(khoa_);
    daHuy_ = true;
}

std::vector<double> BoNguGhiLai::cacLanNgu() const {
    std::lock_guard lk(khoa_);
    return cacLan_;
}

void BoNguGhiLai::khiNgu(std::function<void(double)> f) {
    std::lock_guard lk(khoa_);
    khiNgu_ = std::move(f);
}
