#pragma once

#include <chrono>

#include "sources/BangMayChu.h"
#include "sources/BoNgu.h"
#include "sources/KenhHTTP.h"
#include "store/DongHo.h"

// What a client needs from outside: the transport, the sleeper that quitting cancels, the clock for
// the times it stamps, the hosts, and the time-out of one request. The sync engine owns the objects
// and outlives every client it builds.
struct MoiTruongNguon {
    KenhHTTP* kenh = nullptr;
    BoNgu* ngu = nullptr;
    DongHo* dongHo = &DongHo::heThong();
    BangMayChu mayChu = BangMayChu::macDinh();
    std::chrono::milliseconds thoiGianCho{30'000};
};
