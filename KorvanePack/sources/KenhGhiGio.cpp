#include "sources/KenhGhiGio.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QTime>
#include <QTimeZone>
#include <cctype>

namespace {
thread_local GioNenTang* tl_gio = nullptr;

int soHaiChu(const QByteArray& s, int i) {
    if (i + 2 > s.size() || !std::isdigit(uchar(s[i])) || !std::isdigit(uchar(s[i + 1]))) return -1;
    return (s[i] - '0') * 10 + (s[i + 1] - '0');
}
}  // namespace

KenhGhiGio::Ghi::Ghi(GioNenTang& gio) : truoc_(tl_gio) {
    tl_gio = &gio;
}

KenhGhiGio::Ghi::~Ghi() {
    tl_gio = truoc_;
}

std::optional<std::chrono::system_clock::time_point> KenhGhiGio::docNgayHTTP(const QByteArray& giaTri) {
    // "Sun, 06 Nov 1994 08:49:37 GMT": fixed width, so every field sits at a known place.
    const QByteArray s = giaTri.trimmed();
    if (s.size() != 29 || s[3] != ',' || s[4] != ' ' || s[7] != ' ' || s[11] != ' ' || s[16] != ' ' ||
        s[19] != ':' || s[22] != ':' || !s.endsWith(" GMT")) {
        return std::nullopt;
    }
    static const QList<QByteArray> kThang{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int thang = kThang.indexOf(s.mid(8, 3)) + 1;
    const int ngay = soHaiChu(s, 5), theKy = soHaiChu(s, 12), nam = soHaiChu(s, 14);
    const int gio = soHaiChu(s, 17), phut = soHaiChu(s, 20), giay = soHaiChu(s, 23);
    if (thang == 0 || ngay < 0 || theKy < 0 || nam < 0 || gio < 0 || phut < 0 || giay < 0) return std::nullopt;
    const QDate d(theKy * 100 + nam, thang, ngay);
    const QTime t(gio, phut, giay);
    if (!d.isValid() || !t.isValid()) return std::nullopt;
    const qint64 ms = QDateTime(d, t, QTimeZone::utc()).toMSecsSinceEpoch();
    return std::chrono::system_clock::time_point(std::chrono::milliseconds(ms));
}

PhanHoiHTTP KenhGhiGio::gui(const YeuCauHTTP& yeuCau, const std::function<bool()>& nenDung) {
    PhanHoiHTTP ph = trong_->gui(yeuCau, nenDung);
    if (GioNenTang* gio = tl_gio) {
        ++gio->soPhanHoi;
        if (!gio->lech) {
            if (const std::optional<QByteArray> ngay = ph.docTieuDe("Date")) {
                if (const auto t = docNgayHTTP(*ngay)) {
                    gio->lech = std::chrono::duration_cast<std::chrono::milliseconds>(*t - dongHo_.gioThuc());
                }
            }
        }
    }
    return ph;
}
