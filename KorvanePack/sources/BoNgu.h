#pragma once

#include <chrono>

// The waits of the sources (back-off, the call-limit brake) go through this seam so that quitting ends
// them at once and tests record them instead of waiting.
class BoNgu {
public:
    virtual ~BoNgu() = default;
    // Waits up to the given time; false when the wait was cut short because the work was cancelled.
    virtual bool ngu(std::chrono::duration<double> thoiGian) = 0;
    virtual bool daHuy() const = 0;
};
