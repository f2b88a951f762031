#pragma once

#include <QByteArray>
#include <chrono>
#include <memory>
#include <optional>

#include "sources/KenhHTTP.h"
#include "store/DongHo.h"

// What one fetch's replies said of the platform's clock. The desk's clock is often wrong on a shop PC
// without time sync, while the platform stamps every change with its own; the sync cursor must be a time
// the platform itself has reached.
struct GioNenTang {
    int soPhanHoi = 0;  // replies that came back, whether or not they carried a Date
    // The platform's clock less the desk's, taken at the first reply carrying a readable Date. The Date
    // header has whole seconds and is stamped before the reply travels, so this errs early, the safe side.
    std::optional<std::chrono::milliseconds> lech;
};

// The transport the sync engine hands its clients: it passes every request to the real one and, on a
// thread that has asked for it, notes what the replies' Date headers say of the platform's clock. Only the
// thread's own record is touched, so a connection test on another thread never mixes into a fetch's.
class KenhGhiGio final : public KenhHTTP {
public:
    KenhGhiGio(std::shared_ptr<KenhHTTP> trong, const DongHo& dongHo) : trong_(std::move(trong)), dongHo_(dongHo) {}

    PhanHoiHTTP gui(const YeuCauHTTP& yeuCau, const std::function<bool()>& nenDung) override;

    // While it lives, replies received on this thread are noted in gio.
    class Ghi {
    public:
        explicit Ghi(GioNenTang& gio);
        ~Ghi();
        Ghi(const Ghi&) = delete;
        Ghi& operator=(const Ghi&) = delete;

    private:
        GioNenTang* truoc_;
    };

    // An HTTP date in the IMF-fixdate form every current server sends ("Sun, 06 Nov 1994 08:49:37 GMT");
    // none for anything else.
    static std::optional<std::chrono::system_clock::time_point> docNgayHTTP(const QByteArray& giaTri);

private:
    std::shared_ptr<KenhHTTP> trong_;
    const DongHo& dongHo_;
};
