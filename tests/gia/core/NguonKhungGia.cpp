#include "gia/core/NguonKhungGia.h"

NguonKhungGia::NguonKhungGia(QString ten, double tocDo) : ten_(std::move(ten)), tocDo_(tocDo) {}

NguonKhungGia::~NguonKhungGia() {
    dung();
}

void NguonKhungGia::batDau(NhanKhung nhan, KhiNgung khiNgung) {
    std::lock_guard lk(kenh_->khoa);
    kenh_->nhan = std::move(nhan);
    kenh_->khiNgung = std::move(khiNgung);
    kenh_->dangChay = true;
    ++kenh_->soLanMo;
}

void NguonKhungGia::dung() {
    std::lock_guard lk(kenh_->khoa);
    kenh_->dangChay = false;
    kenh_->nhan = nullptr;
    kenh_->khiNgung = nullptr;
}

void NguonKhungGia::ngung(Kenh& k, const QString& lyDo) {
    KhiNgung khi;
    {
        std::lock_guard lk(k.khoa);
        if (!k.dangChay) return;
        k.dangChay = false;
        k.nhan = nullptr;
        khi = std::move(k.khiNgung);
    }
    if (khi) khi(lyDo);
}

bool NguonKhungGia::gui(Kenh& k, QImage anh, std::chrono::steady_clock::time_point luc) {
    std::lock_guard lk(k.khoa);
    if (!k.dangChay || !k.nhan) return false;
    k.nhan(std::move(anh), QImage(), luc);
    return true;
}
