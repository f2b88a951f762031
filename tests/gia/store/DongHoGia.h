#pragma once

#include <chrono>
#include <mutex>

#include "store/DongHo.h"

// A clock that moves only when told to; both readings advance together unless set apart.
class DongHoGia final : public DongHo {
public:
    DongHoGia();
    std::chrono::system_clock::time_point gioThuc() const override;
    std::chrono::steady_clock::time_point gioDeu() const override;

    void datGioThuc(std::chrono::system_clock::time_point t);
    void datGiayThuc(double giay);
    void tien(std::chrono::nanoseconds d);
    void tienGiay(double giay);
    // Steps only the wall clock, as a clock correction would.
    void doiGioThuc(std::chrono::nanoseconds d);

private:
    mutable std::mutex khoa_;
    std::chrono::system_clock::time_point thuc_;
    std::chrono::steady_clock::time_point deu_;
};
