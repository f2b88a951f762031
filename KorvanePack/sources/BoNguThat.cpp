#include "sources/BoNguThat.h"

#include <cmath>

bool BoNguThat::ngu(std::chrono::duration<double> thoiGian) {
    std::unique_lock lk(khoa_);
    if (daHuy_) return false;
    const double giay = thoiGian.count();
    if (!(giay > 0) || !std::isfinite(giay)) return !daHuy_;
    const auto han =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(thoiGian);
    danhThuc_.wait_until(lk, han, [this] { return daHuy_; });
    return !daHuy_;
}

bool BoNguThat::daHuy() const {
    std::lock_guard lk(khoa_);
    return daHuy_;
}

void BoNguThat::huy() {
    {
        std::lock_guard lk(khoa_);
        daHuy_ = true;
    }
    danhThuc_.notify_all();
}
