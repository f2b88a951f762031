#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

// Timed work on the GUI thread (the recording watchdog, the pause between two parcels) goes through
// this seam so tests can step time by hand instead of sleeping.
class HenGio {
public:
    using MaHen = std::uint64_t;

    virtual ~HenGio() = default;
    // Runs viec once on the GUI thread after khoang. The returned id cancels it; 0 is never returned.
    virtual MaHen hen(std::chrono::milliseconds khoang, std::function<void()> viec) = 0;
    // Cancelling an id that already ran or was cancelled is harmless.
    virtual void huy(MaHen ma) = 0;

    static HenGio& heThong();
};
