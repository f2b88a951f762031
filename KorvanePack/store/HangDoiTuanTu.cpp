#include "store/HangDoiTuanTu.h"

#include <pthread.h>

#include <future>

HangDoiTuanTu::HangDoiTuanTu(std::string ten) : ten_(std::move(ten)) {
    luong_ = std::thread([this] { vongLap(); });
    // Linux limits thread names to 15 bytes; the name only helps debuggers and `top -H`.
    pthread_setname_np(luong_.native_handle(), ten_.substr(0, 15).c_str());
}

HangDoiTuanTu::~HangDoiTuanTu() {
    {
        std::lock_guard lk(khoa_);
        dung_ = true;
    }
    coViec_.notify_all();
    if (luong_.joinable()) luong_.join();
}

void HangDoiTuanTu::guiBatDongBo(std::function<void()> viec) {
    {
        std::lock_guard lk(khoa_);
        viec_.push_back(std::move(viec));
    }
    coViec_.notify_one();
}

void HangDoiTuanTu::guiDongBo(const std::function<void()>& viec) {
    if (dangTrenHangDoi()) {
        viec();
        return;
    }
    std::promise<void> xong;
    auto cho = xong.get_future();
    guiBatDongBo([&] {
        try {
            viec();
            xong.set_value();
        } catch (...) {
            xong.set_exception(std::current_exception());
        }
    });
    cho.get();
}

void HangDoiTuanTu::vongLap() {
    for (;;) {
        std::function<void()> viec;
        {
            std::unique_lock lk(khoa_);
            coViec_.wait(lk, [this] { return dung_ || !viec_.empty(); });
            if (viec_.empty()) return;  // stopping, and nothing left to run
            viec = std::move(viec_.front());
            viec_.pop_front();
        }
        viec();
    }
}
