#include "sources/KenhHTTPCurl.h"

#include <curl/curl.h>

#include <QUrl>
#include <memory>
#include <mutex>

#include "PhienBan.h"
#include "sources/DiaChiLoopback.h"
#include "sources/LoiKetNoi.h"
#include "sources/LoiNguonDon.h"

namespace {

constexpr qsizetype kThanToiDa = KenhHTTPCurl::kThanToiDa;

struct XoaCurl {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};

// One handle per worker thread keeps its TLS session cache, so the fresh connection of each page resumes
// the session instead of a full handshake.
CURL* handleCuaLuong() {
    static std::once_flag khoiTao;
    std::call_once(khoiTao, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    thread_local std::unique_ptr<CURL, XoaCurl> handle(curl_easy_init());
    curl_easy_reset(handle.get());
    return handle.get();
}

// The URL must be absolute, https (http only towards loopback) and carry a host.
bool urlDungDuoc(const QUrl& u) {
    if (!u.isValid() || u.host().isEmpty()) return false;
    const QString scheme = u.scheme().toLower();
    if (scheme == QLatin1String("https")) return true;
    return scheme == QLatin1String("http") && laDiaChiLoopback(u.host());
}

QString nguonGoc(const QUrl& u) {
    const QString scheme = u.scheme().toLower();
    const int cong = u.port(scheme == QLatin1String("https") ? 443 : 80);
    return scheme + QLatin1String("://") + u.host().toLower() + QLatin1Char(':') + QString::number(cong);
}

bool coKyTuCam(const QByteArray& s) {
    return s.contains('\r') || s.contains('\n') || s.contains('\0');
}

// Headers that carry no credential and still make sense to another host.
bool tieuDeAnToan(const QByteArray& ten) {
    static const char* const kAnToan[] = {"accept", "accept-language", "content-type", "user-agent"};
    const QByteArray thuong = ten.toLower();
    for (const char* k : kAnToan) {
        if (thuong == k) return true;
    }
    return false;
}

struct BoNhanPhanHoi {
    QByteArray than;
    QList<QPair<QByteArray, QByteArray>> tieuDe;
    bool quaLon = false;
    const std::function<bool()>* nenDung = nullptr;
};

size_t nhanThan(char* p, size_t kichCo, size_t so, void* ud) {
    auto* nhan = static_cast<BoNhanPhanHoi*>(ud);
    const size_t n = kichCo * so;
    if (nhan->than.size() + static_cast<qsizetype>(n) > kThanToiDa) {
        nhan->quaLon = true;
        return 0;
    }
    nhan->than.append(p, static_cast<qsizetype>(n));
    return n;
}

size_t nhanTieuDe(char* p, size_t kichCo, size_t so, void* ud) {
    auto* nhan = static_cast<BoNhanPhanHoi*>(ud);
    const size_t n = kichCo * so;
    const QByteArray dong = QByteArray(p, static_cast<qsizetype>(n)).trimmed();
    // A new status line (an interim 100 reply came first) starts the header list again.
    if (dong.startsWith("HTTP/")) {
        nhan->tieuDe.clear();
    } else if (const qsizetype hai = dong.indexOf(':'); hai > 0) {
        nhan->tieuDe.append({dong.left(hai).trimmed(), dong.mid(hai + 1).trimmed()});
    }
    return n;
}

int tienTrinh(void* ud, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* nhan = static_cast<BoNhanPhanHoi*>(ud);
    return (*nhan->nenDung && (*nhan->nenDung)()) ? 1 : 0;
}

struct XoaDanhSach {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

struct MotLanGui {
    PhanHoiHTTP phanHoi;
    QString chuyenDen;  // the Location target of a redirect, absolute
};

MotLanGui guiMotLan(const QByteArray& phuongThuc, const QUrl& url, const QList<QPair<QByteArray, QByteArray>>& tieuDe,
                    const QByteArray& than, std::chrono::milliseconds thoiGianCho, std::chrono::milliseconds tranToanBo,
                    const std::function<bool()>& nenDung) {
    CURL* c = handleCuaLuong();
    BoNhanPhanHoi nhan;
    nhan.nenDung = &nenDung;
    char loiChiTiet[CURL_ERROR_SIZE] = {};

    const QByteArray urlByte = url.toEncoded();
    curl_easy_setopt(c, CURLOPT_URL, urlByte.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max<qint64>(thoiGianCho.count(), 1)));
    // libcurl counts the idle limit in whole seconds: less than one byte a second over that long.
    const long giayNghi = static_cast<long>(std::max<qint64>((thoiGianCho.count() + 999) / 1000, 1));
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, giayNghi);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<qint64>(tranToanBo.count(), 1)));
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_USERAGENT, "KorvaneZize/" KORVANE_VERSION);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, loiChiTiet);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, nhanThan);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &nhan);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, nhanTieuDe);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &nhan);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, tienTrinh);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &nhan);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);

    if (phuongThuc == "GET") {
        curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
    } else if (phuongThuc == "POST") {
        curl_easy_setopt(c, CURLOPT_POST, 1L);
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(than.size()));
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, than.constData());
    } else {
        curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, phuongThuc.constData());
        if (!than.isEmpty()) {
            curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(than.size()));
            curl_easy_setopt(c, CURLOPT_POSTFIELDS, than.constData());
        }
    }

    curl_slist* danhSach = nullptr;
    for (const auto& [ten, giaTri] : tieuDe) {
        danhSach = curl_slist_append(danhSach, (ten + ": " + giaTri).constData());
    }
    // A body is sent at once rather than after a 100-continue round trip some servers never answer.
    danhSach = curl_slist_append(danhSach, "Expect:");
    std::unique_ptr<curl_slist, XoaDanhSach> giuDanhSach(danhSach);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, danhSach);

    const CURLcode ma = curl_easy_perform(c);
    if (ma == CURLE_ABORTED_BY_CALLBACK) throw LoiDaHuy();
    if (ma != CURLE_OK) {
        const QString moTa = QString::fromUtf8(loiChiTiet[0] ? loiChiTiet : curl_easy_strerror(ma));
        if (ma == CURLE_WRITE_ERROR && nhan.quaLon) {
            throw LoiKetNoi(LoiKetNoi::Loai::quaLon, QStringLiteral("Máy chủ trả về dữ liệu quá lớn."));
        }
        if (ma == CURLE_OPERATION_TIMEDOUT) throw LoiKetNoi(LoiKetNoi::Loai::hetGio, moTa);
        if (ma == CURLE_WEIRD_SERVER_REPLY || ma == CURLE_UNSUPPORTED_PROTOCOL) {
            throw LoiKetNoi(LoiKetNoi::Loai::khongPhaiHTTP, moTa);
        }
        throw LoiKetNoi(LoiKetNoi::Loai::ketNoi, moTa);
    }

    MotLanGui ra;
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    ra.phanHoi.status = static_cast<int>(status);
    ra.phanHoi.tieuDe = std::move(nhan.tieuDe);
    ra.phanHoi.than = std::move(nhan.than);
    ra.phanHoi.urlCuoi = QString::fromUtf8(urlByte);
    char* chuyen = nullptr;
    if (curl_easy_getinfo(c, CURLINFO_REDIRECT_URL, &chuyen) == CURLE_OK && chuyen) {
        ra.chuyenDen = QString::fromUtf8(chuyen);
    }
    return ra;
}

}  // namespace

KenhHTTPCurl::KenhHTTPCurl(std::chrono::milliseconds tranToanBo) : tranToanBo_(tranToanBo) {
    handleCuaLuong();
}

PhanHoiHTTP KenhHTTPCurl::gui(const YeuCauHTTP& yeuCau, const std::function<bool()>& nenDung) {
    QUrl url(yeuCau.url, QUrl::StrictMode);
    if (!urlDungDuoc(url)) {
        throw LoiNguonDon(0, QString(), QString(), QStringLiteral("Địa chỉ máy chủ không hợp lệ (chỉ dùng HTTPS)."));
    }
    for (const auto& [ten, giaTri] : yeuCau.tieuDe) {
        if (ten.isEmpty() || coKyTuCam(ten) || coKyTuCam(giaTri) || ten.contains(':')) {
            throw LoiNguonDon(0, QString(), QString(),
                              QStringLiteral("Khoá kết nối có ký tự xuống dòng hoặc ký tự lạ, chưa gửi đi. "
                                             "Kiểm tra lại khoá đã dán."));
        }
    }

    QByteArray phuongThuc = yeuCau.phuongThuc;
    QByteArray than = yeuCau.than;
    auto tieuDe = yeuCau.tieuDe;
    const QString gocDau = nguonGoc(url);

    for (int buoc = 0;; ++buoc) {
        MotLanGui lan = guiMotLan(phuongThuc, url, tieuDe, than, yeuCau.thoiGianCho, tranToanBo_, nenDung);
        const int s = lan.phanHoi.status;
        const bool laChuyenHuong = s == 301 || s == 302 || s == 303 || s == 307 || s == 308;
        if (!laChuyenHuong || lan.chuyenDen.isEmpty() || buoc >= kSoLanChuyenHuongToiDa) return lan.phanHoi;

        const QUrl tiep(lan.chuyenDen, QUrl::StrictMode);
        if (!urlDungDuoc(tiep)) return lan.phanHoi;  // a hop to plain http elsewhere is not taken
        const bool giuThan = (s == 307 || s == 308);
        const bool khacNguon = nguonGoc(tiep) != gocDau;
        if (khacNguon && giuThan && !than.isEmpty()) return lan.phanHoi;
        if (khacNguon) {
            decltype(tieuDe) conLai;
            for (const auto& td : tieuDe) {
                if (tieuDeAnToan(td.first)) conLai.append(td);
            }
            tieuDe = std::move(conLai);
        }
        if (!giuThan && phuongThuc != "HEAD" && (s == 303 || phuongThuc == "POST")) {
            phuongThuc = "GET";
            than.clear();
            decltype(tieuDe) conLai;
            for (const auto& td : tieuDe) {
                if (td.first.compare("content-type", Qt::CaseInsensitive) != 0) conLai.append(td);
            }
            tieuDe = std::move(conLai);
        }
        url = tiep;
    }
}
