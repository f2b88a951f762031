#pragma once

#include <condition_variable>
#include <mutex>

#include "sources/BoNgu.h"

// Real waits on the steady clock, all woken at once by huy(). Once cancelled it stays cancelled:
// the owner cancels only when it is going away.
class BoNguThat final : public BoNgu {
public:
    bool ngu(std::chrono::duration<double> thoiGian) override;
    bool daHuy() const override;
    void huy();

private:
    mutable std::mutex khoa_;
    std::condition_variable danhThuc_;
    bool daHuy_ = false;
};
