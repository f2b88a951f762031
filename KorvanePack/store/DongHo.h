#pragma once

#include <chrono>

// The one way the system reads time. Durations and intervals use the steady clock, so a wall-clock
// step (NTP, the user changing the date) never stops a watchdog or turns an elapsed time negative;
// wall time is only for what is shown or stored. Tests inject DongHoGia and step both by hand.
class DongHo {
public:
    virtual ~DongHo() = default;
    virtual std::chrono::system_clock::time_point gioThuc() const = 0;
    virtual std::chrono::steady_clock::time_point gioDeu() const = 0;

    // Seconds since the Unix epoch as a double, the unit stored records use.
    double giayThuc() const;

    static DongHo& heThong();
};

class DongHoHeThong final : public DongHo {
public:
    std::chrono::system_clock::time_point gioThuc() const override { return std::chrono::system_clock::now(); }
    std::chrono::steady_clock::time_point gioDeu() const override { return std::chrono::steady_clock::now(); }
};
