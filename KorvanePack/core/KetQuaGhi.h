#pragma once

#include <QString>
#include <chrono>

#include "store/LoaiVideo.h"

// The result of a recording that finished well, as the camera engine hands it to the coordinator.
struct KetQuaGhi {
    QString url;  // the file written, at the path the coordinator chose
    std::chrono::system_clock::time_point batDau;
    std::chrono::system_clock::time_point ketThuc;
    int giay = 0;
    int khung = 0;
    LoaiVideo loai = LoaiVideo::dongGoi;
};
