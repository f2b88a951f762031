#include "core/TinHieuDong.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {
// One instance per process; the handler can reach nothing but this.
std::atomic<int> ongGhi{-1};
constexpr int kTinHieu[] = {SIGTERM, SIGHUP};
}  // namespace

TinHieuDong::TinHieuDong(QObject* parent) : QObject(parent) {
    int ong[2];
    if (::pipe2(ong, O_CLOEXEC | O_NONBLOCK) != 0) {
        qWarning("Không tạo được ống nhận tín hiệu tắt máy: %s", strerror(errno));
        return;
    }
    ongDoc_ = ong[0];
    ongGhi.store(ong[1]);
    bao_ = new QSocketNotifier(ongDoc_, QSocketNotifier::Read, this);
    connect(bao_, &QSocketNotifier::activated, this, [this] { docOng(); });
    struct sigaction sa {};
    sa.sa_handler = &TinHieuDong::xuLy;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (const int so : kTinHieu) ::sigaction(so, &sa, nullptr);
}

TinHieuDong::~TinHieuDong() {
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (const int so : kTinHieu) ::sigaction(so, &sa, nullptr);
    const int ghi = ongGhi.exchange(-1);
    if (ghi >= 0) ::close(ghi);
    if (ongDoc_ >= 0) ::close(ongDoc_);
}

void TinHieuDong::xuLy(int soTinHieu) {
    const int giuErrno = errno;
    const int ghi = ongGhi.load();
    const unsigned char so = static_cast<unsigned char>(soTinHieu);
    // A full pipe already holds a request to close; losing this one changes nothing.
    if (ghi >= 0 && ::write(ghi, &so, 1) < 0) {
    }
    errno = giuErrno;
}

void TinHieuDong::docOng() {
    unsigned char so[16];
    for (;;) {
        const ssize_t r = ::read(ongDoc_, so, sizeof so);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return;
        for (ssize_t i = 0; i < r; ++i) emit yeuCauDong(int(so[i]));
    }
}
