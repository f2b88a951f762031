#include "gia/store/DongHoGia.h"

using namespace std::chrono;

DongHoGia::DongHoGia()
    : thuc_(system_clock::time_point(seconds(1'700'000'000))), deu_(steady_clock::time_point(seconds(1'000'000))) {}

system_clock::time_point DongHoGia::gioThuc() const {
    std::lock_guard lk(khoa_);
    return thuc_;
}

steady_clock::time_point DongHoGia::gioDeu() const {
    std::lock_guard lk(khoa_);
    return deu_;
}

void DongHoGia::datGioThuc(system_clock::time_point t) {
    std::lock_guard lk(khoa_);
    thuc_ = t;
}

void DongHoGia::datGiayThuc(double giay) {
    datGioThuc(system_clock::time_point(duration_cast<system_clock::duration>(duration<double>(giay))));
}

void DongHoGia::tien(nanoseconds d) {
    std::lock_guard lk(khoa_);
    thuc_ += duration_cast<system_clock::duration>(d);
    deu_ += duration_cast<steady_clock::duration>(d);
}

void DongHoGia::tienGiay(double giay) {
    tien(duration_cast<nanoseconds>(duration<double>(giay)));
}

void DongHoGia::doiGioThuc(nanoseconds d) {
    std::lock_guard lk(khoa_);
    thuc_ += duration_cast<system_clock::duration>(d);
}
