#include "gia/sources/KenhHTTPKichBan.h"

PhanHoiHTTP KenhHTTPKichBan::gui(const YeuCauHTTP& yeuCau, const std::function<bool()>&) {
    int soThuTu = 0;
    {
        std::lock_guard lk(khoa_);
        soThuTu = static_cast<int>(daNhan_.size());
        daNhan_.push_back(yeuCau);
    }
    return traLoi_(yeuCau, soThuTu);
}

std::vector<YeuCauHTTP> KenhHTTPKichBan::cacYeuCau() const {
    std::lock_guard lk(khoa_);
    return daNhan_;
}
