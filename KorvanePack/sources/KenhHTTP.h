#pragma once

#include <functional>

#include "sources/PhanHoiHTTP.h"
#include "sources/YeuCauHTTP.h"

// The transport seam. The real one speaks HTTPS through libcurl; tests script replies without a
// network. A transport failure throws LoiKetNoi; any HTTP status, 5xx included, is a reply.
// nenDung is polled while the request is in flight so quitting does not wait out a time-out.
class KenhHTTP {
public:
    virtual ~KenhHTTP() = default;
    virtual PhanHoiHTTP gui(const YeuCauHTTP& yeuCau, const std::function<bool()>& nenDung) = 0;
};
