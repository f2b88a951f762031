#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "sources/KenhHTTP.h"

// The scripted transport for tests: each request is recorded and answered by a function, which may
// throw LoiKetNoi to stand for a dropped connection.
class KenhHTTPKichBan final : public KenhHTTP {
public:
    using TraLoi = std::function<PhanHoiHTTP(const YeuCauHTTP&, int soThuTu)>;
    explicit KenhHTTPKichBan(TraLoi traLoi) : traLoi_(std::move(traLoi)) {}

    PhanHoiHTTP gui(const YeuCauHTTP& yeuCau, const std::function<bool()>& nenDung) override;
    std::vector<YeuCauHTTP> cacYeuCau() const;

private:
    mutable std::mutex khoa_;
    TraLoi traLoi_;
    std::vector<YeuCauHTTP> daNhan_;
};
