#include "gia/core/BoNhanDienMaGia.h"

#include <chrono>

std::vector<BoNhanDienMa::MaThay> BoNhanDienMaGia::nhanDien(const QImage& khung, const QStringList& loaiMa) {
    std::function<void()> hook;
    std::vector<MaThay> ketQua;
    {
        std::unique_lock lk(khoa_);
        coKhungCuoi_ = khung.size();
        loaiMaCuoi_ = loaiMa;
        ++soLanDoc_;
        dangDoc_ = true;
        doi_.notify_all();
        doi_.wait(lk, [this] { return !giu_; });
        dangDoc_ = false;
        hook = khiDoc_;
        ketQua = ketQua_;
    }
    if (hook) hook();
    return ketQua;
}

void BoNhanDienMaGia::datKetQua(std::vector<MaThay> ketQua) {
    std::lock_guard lk(khoa_);
    ketQua_ = std::move(ketQua);
}

void BoNhanDienMaGia::datKhiDoc(std::function<void()> hook) {
    std::lock_guard lk(khoa_);
    khiDoc_ = std::move(hook);
}

void BoNhanDienMaGia::giu() {
    std::lock_guard lk(khoa_);
    giu_ = true;
}

void BoNhanDienMaGia::tha() {
    {
        std::lock_guard lk(khoa_);
        giu_ = false;
    }
    doi_.notify_all();
}

bool BoNhanDienMaGia::choDangDoc(int miliToiDa) {
    std::unique_lock lk(khoa_);
    return doi_.wait_for(lk, std::chrono::milliseconds(miliToiDa), [this] { return dangDoc_; });
}

QSize BoNhanDienMaGia::coKhungCuoi() const {
    std::lock_guard lk(khoa_);
    return coKhungCuoi_;
}

QStringList BoNhanDienMaGia::loaiMaCuoi() const {
    std::lock_guard lk(khoa_);
    return loaiMaCuoi_;
}
