#pragma once

#include <QtGlobal>
#include <chrono>

#include "sources/KenhHTTP.h"

// HTTPS through libcurl with certificate and host checks on. Plain http is refused unless the host is
// the loopback address, which only the fake platforms of the tests use. Redirects are followed the way
// a browser does, but a hop to another host drops every header that could carry a credential, and a
// hop that would resend a body (307/308) to another host is not taken at all.
//
// A request's own time-out is an idle limit: the connect, and then any stretch without a byte received,
// may last that long, so a large page on a slow but live link still arrives. tranToanBo caps a whole
// transfer however lively it is. Every request goes out on a fresh connection: libcurl resends a request
// by itself when a reused connection turns out dead, and that hidden send would be one more than the
// caller's retry budget (a duplicate write for a POST).
class KenhHTTPCurl final : public KenhHTTP {
public:
    static constexpr std::chrono::milliseconds kTranToanBoMacDinh{10 * 60 * 1000};

    explicit KenhHTTPCurl(std::chrono::milliseconds tranToanBo = kTranToanBoMacDinh);
    PhanHoiHTTP gui(const YeuCauHTTP& yeuCau, const std::function<bool()>& nenDung) override;

    static constexpr int kSoLanChuyenHuongToiDa = 10;
    // A reply larger than this is not an order page (a real one is well under a megabyte); refusing it keeps
    // a broken server from filling memory. Parsed, a reply of the smallest JSON values takes about 35 times
    // its size, so at this cap a sync stays well under 1 GB.
    static constexpr qsizetype kThanToiDa = 16 * 1024 * 1024;

private:
    std::chrono::milliseconds tranToanBo_;
};
