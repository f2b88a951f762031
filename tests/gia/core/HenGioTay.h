#pragma once

#include <chrono>
#include <map>
#include <utility>

#include "core/HenGio.h"

class DongHoGia;

// A timer that fires only when time is stepped by hand. When given the test clock it moves that
// clock too, so a watchdog tick and the coordinator's elapsed time stay in step.
class HenGioTay final : public HenGio {
public:
    explicit HenGioTay(DongHoGia* dongHo = nullptr);
    MaHen hen(std::chrono::milliseconds khoang, std::function<void()> viec) override;
    void huy(MaHen ma) override;

    // Advances time by d, running every request that falls due on the way, in deadline order.
    void tien(std::chrono::milliseconds d);
    int soDangCho() const { return static_cast<int>(dangCho_.size()); }

private:
    DongHoGia* dongHo_;
    std::chrono::milliseconds bayGio_{0};
    MaHen tiepTheo_ = 1;
    // Keyed by (deadline, id) so equal deadlines run in the order they were asked for.
    std::map<std::pair<std::chrono::milliseconds, MaHen>, std::function<void()>> dangCho_;
};
