#include "gia/core/KhoKhoaBoNho.h"

#include <QThread>
#include <thread>

void KhoKhoaBoNho::cho(std::unique_lock<std::mutex>& lk) {
    if (dong_) {
        ++dangCho_;
        coTin_.notify_all();
        coTin_.wait_for(lk, choToiDa_, [this] { return !dong_; });
        --dangCho_;
    }
    if (tre.count() > 0) {
        const auto t = tre;
        lk.unlock();
        std::this_thread::sleep_for(t);
        lk.lock();
    }
}

std::optional<QString> KhoKhoaBoNho::doc(const QString& dichVu) {
    return docKetQua(dichVu).giaTriNeuCo();
}

KhoKhoa::KetQuaDoc KhoKhoaBoNho::docKetQua(const QString& dichVu) {
    std::unique_lock lk(khoa_);
    ++soLanDoc;
    cacLuong_ << QThread::currentThread();
    cho(lk);
    if (hong || hongDoc.contains(dichVu)) return {KetQuaDoc::TrangThai::hong, {}};
    const auto it = muc.constFind(dichVu);
    if (it == muc.cend()) return {KetQuaDoc::TrangThai::khongCo, {}};
    return {KetQuaDoc::TrangThai::co, *it};
}

bool KhoKhoaBoNho::ghi(const QString& dichVu, const QString& giaTri) {
    std::unique_lock lk(khoa_);
    cho(lk);
    if (hong || hongGhi) return false;
    muc.insert(dichVu, giaTri);
    return true;
}

bool KhoKhoaBoNho::xoa(const QString& dichVu) {
    std::unique_lock lk(khoa_);
    cho(lk);
    if (hong || hongGhi) return false;
    muc.remove(dichVu);
    return true;
}

void KhoKhoaBoNho::dongCua(std::chrono::milliseconds choToiDa) {
    std::lock_guard lk(khoa_);
    dong_ = true;
    choToiDa_ = choToiDa;
}

void KhoKhoaBoNho::moCua() {
    std::lock_guard lk(khoa_);
    dong_ = false;
    coTin_.notify_all();
}

int KhoKhoaBoNho::soDangCho() const {
    std::lock_guard lk(khoa_);
    return dangCho_;
}

QList<QThread*> KhoKhoaBoNho::cacLuongDoc() const {
    std::lock_guard lk(khoa_);
    return cacLuong_;
}
