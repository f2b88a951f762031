#pragma once

#include <QString>
#include <chrono>

// One code seen on the camera test screen: how often it was read and how long a read took on average.
// Identified by the code text, exactly as the reader delivered it.
struct MaDaBat {
    QString ma;
    QString loai;
    qint64 soLan = 1;
    std::chrono::system_clock::time_point lanCuoi{};
    qint64 miliTrungBinh = 0;

    friend bool operator==(const MaDaBat&, const MaDaBat&) = default;
};
