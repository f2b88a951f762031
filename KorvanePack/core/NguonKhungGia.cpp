#include "core/NguonKhungGia.h"

NguonKhungGia::NguonKhungGia(QString ten, double tocDo) : ten_(std::move(ten)), tocDo_(tocDo) {}

NguonKhungGia::~NguonKhungGia() {
    dung();
}

void NguonKhungGia::batDau(NhanKhung nhan) {
    std::lock_guard lk(kenh_->khoa);
    kenh_->nhan = std::move(nhan);
    kenh_->dangChay = true;
    ++kenh_->soLanMo;
}

void NguonKhungGia::dung() {
    std::lock_guard lk(kenh_->khoa);
    kenh_->dangChay = false;
    kenh_->nhan = nullptr;
}

bool NguonKhungGia::gui(Kenh& k, QImage anh, std::chrono::steady_clock::time_point luc) {
    std::lock_guard lk(k.khoa);
    if (!k.dangChay || !k.nhan) return false;
    k.nhan(std::move(anh), luc);
    return true;
}
