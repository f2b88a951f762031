#include "gia/core/BoGhiVideoGia.h"

#include <thread>

BoGhiVideo::Tao BoGhiVideoGia::taoVoi(std::shared_ptr<DieuKhien> dk) {
    return [dk](const QString& duongDan) -> std::unique_ptr<BoGhiVideo> {
        std::lock_guard lk(dk->khoa);
        dk->duongDan.append(duongDan);
        if (dk->khongTaoDuoc) return nullptr;
        ++dk->soLanTao;
        return std::make_unique<BoGhiVideoGia>(dk);
    };
}

BoGhiVideo::TaoChuaCoFile BoGhiVideoGia::taoChuaCoFileVoi(std::shared_ptr<DieuKhien> dk) {
    return [dk]() -> std::unique_ptr<BoGhiVideo> {
        std::lock_guard lk(dk->khoa);
        ++dk->soLanTaoChuaCoFile;
        return std::make_unique<BoGhiVideoGia>(dk, false);
    };
}

bool BoGhiVideoGia::moFile(const QString& duongDan) {
    std::lock_guard lk(dk_->khoa);
    if (coFile_) return false;
    dk_->duongDan.append(duongDan);
    if (dk_->khongTaoDuoc) return false;
    coFile_ = true;
    return true;
}

bool BoGhiVideoGia::themDauVao(int rong, int cao, int64_t bitrate, double) {
    std::lock_guard lk(dk_->khoa);
    if (dk_->tuChoiDauVao) return false;
    kt_ = QSize(rong, cao);
    dk_->kichThuoc.append(kt_);
    dk_->bitrate.append(bitrate);
    return true;
}

bool BoGhiVideoGia::batDau() {
    std::lock_guard lk(dk_->khoa);
    if (!coFile_) return false;
    if (dk_->batDauLoi) {
        tt_ = TrangThai::thatBai;
        loi_ = *dk_->batDauLoi;
        return false;
    }
    tt_ = TrangThai::dangGhi;
    return true;
}

BoGhiVideo::TrangThai BoGhiVideoGia::trangThai() const {
    std::lock_guard lk(dk_->khoa);
    if (tt_ == TrangThai::dangGhi && dk_->hongNgay) return TrangThai::thatBai;
    return tt_;
}

QString BoGhiVideoGia::loi() const {
    std::lock_guard lk(dk_->khoa);
    if (tt_ == TrangThai::dangGhi && dk_->hongNgay) return *dk_->hongNgay;
    return loi_;
}

BoGhiVideo::KetQuaThem BoGhiVideoGia::themKhung(const QImage& anh, std::chrono::microseconds pts) {
    std::lock_guard lk(dk_->khoa);
    if (anh.size() != kt_) return KetQuaThem::tuChoi;
    if (dk_->chuaSan) return KetQuaThem::chuaSan;
    if (dk_->tuChoiTiep > 0) {
        --dk_->tuChoiTiep;
        return KetQuaThem::tuChoi;
    }
    dk_->ptsDaNhan.append(pts.count());
    return KetQuaThem::daNhan;
}

void BoGhiVideoGia::ketThuc(std::function<void()> xong) {
    {
        std::lock_guard lk(dk_->khoa);
        ++dk_->soLanKetThuc;
        if (tt_ == TrangThai::dangGhi) {
            if (dk_->hongNgay) {
                tt_ = TrangThai::thatBai;
                loi_ = *dk_->hongNgay;
            } else if (dk_->hongKhiKetThuc) {
                tt_ = TrangThai::thatBai;
                loi_ = *dk_->hongKhiKetThuc;
            } else {
                tt_ = TrangThai::hoanTat;
            }
        }
    }
    // Like the real writer, completion arrives on another thread.
    std::thread([xong = std::move(xong)] {
        if (xong) xong();
    }).detach();
}
