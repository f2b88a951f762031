#pragma once

#include "sources/KenhHTTP.h"

// HTTPS through libcurl with certificate and host checks on. Plain http is refused unless the host is
// the loopback address, which only the fake platforms of the tests use. Redirects are followed the way
// a browser does, but a hop to another host drops every header that could carry a credential, and a
// hop that would resend a body (307/308) to another host is not taken at all.
class KenhHTTPCurl final : public KenhHTTP {
public:
    KenhHTTPCurl();
    PhanHoiHTTP gui(const YeuCauHTTP& yeuCau, const std::function<bool()>& nenDung) override;

    static constexpr int kSoLanChuyenHuongToiDa = 10;
};
