#include "gia/core/NenTangCameraGia.h"

#include "core/NenTangCameraV4l2.h"

QList<ThietBiCamera> NenTangCameraGia::timThietBi() {
    std::lock_guard lk(khoa_);
    return thietBi_;
}

std::unique_ptr<NguonKhung> NenTangCameraGia::moThietBi(const ThietBiCamera& tb, const DinhDangCamera& dd,
                                                        QString& loi) {
    std::lock_guard lk(khoa_);
    lanMo_.append({tb, dd});
    if (loiMo_) {
        loi = *loiMo_;
        return nullptr;
    }
    auto n = std::make_unique<NguonKhungGia>(tb.ten);
    kenh_ = n->kenh();
    return n;
}

std::unique_ptr<NguonKhung> NenTangCameraGia::moDoThi(const QString& doThi, QString& loi) {
    return NenTangCameraV4l2().moDoThi(doThi, loi);
}

void NenTangCameraGia::datThietBi(QList<ThietBiCamera> ds) {
    std::lock_guard lk(khoa_);
    thietBi_ = std::move(ds);
}

void NenTangCameraGia::datLoiMo(std::optional<QString> loi) {
    std::lock_guard lk(khoa_);
    loiMo_ = std::move(loi);
}

QList<NenTangCameraGia::LanMo> NenTangCameraGia::cacLanMo() const {
    std::lock_guard lk(khoa_);
    return lanMo_;
}

void NenTangCameraGia::rutThietBi(const QString& lyDo) {
    std::shared_ptr<NguonKhungGia::Kenh> k;
    {
        std::lock_guard lk(khoa_);
        k = kenh_;
    }
    if (k) NguonKhungGia::ngung(*k, lyDo);
}

bool NenTangCameraGia::guiKhung(QImage anh, std::chrono::steady_clock::time_point luc) {
    std::shared_ptr<NguonKhungGia::Kenh> k;
    {
        std::lock_guard lk(khoa_);
        k = kenh_;
    }
    return k && NguonKhungGia::gui(*k, std::move(anh), luc);
}
