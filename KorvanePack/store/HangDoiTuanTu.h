#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// A serial executor: one thread running tasks in the order they were sent. The camera's frame
// handling and the barcode reader each own one, so their state is touched by one thread only.
// A synchronous send from the queue's own thread runs the task inline instead of deadlocking.
class HangDoiTuanTu {
public:
    explicit HangDoiTuanTu(std::string ten);
    ~HangDoiTuanTu();  // finishes the tasks already sent, then joins
    HangDoiTuanTu(const HangDoiTuanTu&) = delete;
    HangDoiTuanTu& operator=(const HangDoiTuanTu&) = delete;

    void guiBatDongBo(std::function<void()> viec);
    void guiDongBo(const std::function<void()>& viec);

    // The result of a task run synchronously on the queue.
    template <typename F>
    auto chayDongBo(F&& f) -> decltype(f()) {
        using T = decltype(f());
        if constexpr (std::is_void_v<T>) {
            guiDongBo(std::forward<F>(f));
        } else {
            std::optional<T> ketQua;
            guiDongBo([&] { ketQua.emplace(f()); });
            return std::move(*ketQua);
        }
    }

    bool dangTrenHangDoi() const { return std::this_thread::get_id() == luong_.get_id(); }
    const std::string& ten() const { return ten_; }

private:
    void vongLap();

    std::string ten_;
    std::mutex khoa_;
    std::condition_variable coViec_;
    std::deque<std::function<void()>> viec_;
    bool dung_ = false;
    std::thread luong_;
};
