#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "sources/BoNgu.h"

// The test sleeper: returns at once and remembers every wait asked of it. A hook may cancel from
// inside a wait to stand for the application quitting at that moment.
class BoNguGhiLai final : public BoNgu {
public:
    bool ngu(std::chrono::duration<double> thoiGian) override;
    bool daHuy() const override;
    void huy();

    std::vector<double> cacLanNgu() const;  // seconds, in order
    void khiNgu(std::function<void(double)> f);

private:
    mutable std::mutex khoa_;
    std::vector<double> cacLan_;
    std::function<void(double)> khiNgu_;
    bool daHuy_ = false;
};
