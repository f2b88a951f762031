#include "sources/NhanhClient.h"

#include <QTimeZone>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "sources/DocJSON.h"
#include "sources/GuiYeuCau.h"
#include "sources/LapTrang.h"
#include "sources/LoiNguonDon.h"
#include "sources/MaHoaURL.h"
#include "sources/TienIchKhach.h"
#include "nentang/BangNenTang.h"
#include "store/DinhDangISO.h"

using nlohmann::json;
using nlohmann::ordered_json;

namespace {
const QString kDuongDan = QStringLiteral("/order/list");
// The platform answers an updatedAtFrom..updatedAtTo window of at most 31 days.
constexpr qint64 kCuaSoToiDa = 31LL * 86'400;
// The window ends this far past the fetch's start. The engine moves its cursor to the moment the fetch
// ended, so a window closed at the start would drop the orders changed while the pages were read.
constexpr qint64 kQuaHienTai = 3'600;
// A continuation goes back exactly as it came; one bigger than this is no paginator value.
constexpr size_t kTiepToiDa = 4096;
// Waits out a rate-limit reply at most this many times per request, like the sender's 429 budget, and
// each wait at most as long as the sender waits for a 429; a longer lock ends the fetch.
constexpr int kLanChoGioiHan = 4;
constexpr double kChoGioiHanToiDa = 60;
constexpr qint64 kChanToiDa = 86'400;
// The documented quota is 150 calls in 30 seconds: a refusal that names no lock is taken as one lasting a
// whole quota window, which no call can lengthen.
constexpr qint64 kChanMacDinh = 30;
// The documented cancelled statuses: the carrier, the customer or the system cancelled the order.
constexpr qint64 kHuyBoiHang = 58, kKhachHuy = 63, kHeThongHuy = 64;

QString tenNhanh() {
    return tenNguon(QStringLiteral("nhanh"));
}

// The platform's times are Unix seconds, sometimes as digits in a text; stored as the program's UTC text so
// that lookup, reconciliation and the cursor read them. None for anything that is no plausible time.
std::optional<QString> gioTuUnix(const json* v) {
    if (!v) return std::nullopt;
    std::optional<qint64> giay;
    if (v->is_number()) {
        giay = soNguyenJSON(v);
    } else if (v->is_string()) {
        const QString s = QString::fromStdString(v->get_ref<const std::string&>()).trimmed();
        if (!s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; }))
            giay = docSoNguyenChat(s);
    }
    // Up to the last second of year 9999, the largest the stored form writes.
    if (!giay || *giay <= 0 || *giay > 253'402'300'799LL) return std::nullopt;
    return dinhDangISO().dinhDang(QDateTime::fromSecsSinceEpoch(*giay, QTimeZone::utc()));
}

// The first key that gives a time: a Unix time as UTC text, any other text as the platform sent it.
std::optional<QString> gioDauTien(const json& o, std::initializer_list<const char*> cacKhoa) {
    for (const char* k : cacKhoa) {
        const json* v = layKhoa(&o, k);
        if (auto iso = gioTuUnix(v)) return iso;
        if (v && v->is_string()) {
            if (auto s = chuoiJSON(v)) return s;
        }
    }
    return std::nullopt;
}

// One message element as text; a list inside (the texts of one field) is joined into the same list.
void themLyDo(const json& e, QStringList& cac) {
    if (e.is_array()) {
        for (const json& con : e) {
            if (auto s = chuoiJSON(&con)) cac << *s;
        }
    } else if (auto s = chuoiJSON(&e)) {
        cac << *s;
    }
}

// The documented refusals of a key: a wrong app or business id, a token that is wrong, made for another
// API version, or not granted the order list. The owner has to renew the key, as after an HTTP 401.
int statusTheoMaLoi(const std::optional<QString>& maLoi) {
    if (!maLoi) return 400;
    if (*maLoi == QLatin1String("ERR_403")) return 403;
    static const QStringList kSaiKhoa = {
        QStringLiteral("ERR_INVALID_APP_ID"), QStringLiteral("ERR_INVALID_BUSINESS_ID"),
        QStringLiteral("ERR_INVALID_ACCESS_TOKEN"), QStringLiteral("ERR_INVALID_VERSION")};
    return kSaiKhoa.contains(*maLoi) ? 401 : 400;
}

bool laGioiHanGoi(const json& tl) {
    if (soNguyenJSON(layKhoa(&tl, "code")) == 429) return true;
    const json* maLoi = layKhoa(&tl, "errorCode");
    if (maLoi && maLoi->is_number()) return soNguyenJSON(maLoi) == 429;
    const std::optional<QString> ma = chuoiJSON(maLoi);
    return ma == QLatin1String("ERR_429") || ma == QLatin1String("ERR_EXCEEDED_RATE_LIMIT") ||
           ma == QLatin1String("429");
}

// A count of seconds as the platform writes it: a JSON number or whole digits in a text; none for anything
// negative, not finite or of another type.
std::optional<double> docGiay(const json* v) {
    if (!v) return std::nullopt;
    std::optional<double> d;
    if (v->is_number_float()) {
        d = v->get<double>();
    } else if (v->is_number()) {
        d = double(soNguyenJSON(v));
    } else if (v->is_string()) {
        if (auto so = docSoNguyenChat(QString::fromStdString(v->get_ref<const std::string&>()))) d = double(*so);
    }
    if (!d || !std::isfinite(*d) || *d < 0) return std::nullopt;
    return d;
}

// When the lock a rate-limit reply names ends: the later of "unlockedAt" (Unix seconds) and now plus
// "lockedSeconds", read in "data" and at the top. The later one, so that neither a clock running ahead of
// the platform's nor a value left out cuts the lock short. None when the reply names neither.
std::optional<std::chrono::system_clock::time_point> hetChan(const json& tl,
                                                             std::chrono::system_clock::time_point bayGio) {
    using namespace std::chrono;
    std::optional<system_clock::time_point> den;
    const auto lay = [&den](system_clock::time_point t) {
        if (!den || t > *den) den = t;
    };
    for (const json* noi : {layKhoa(&tl, "data"), &tl}) {
        // Beyond a day the value is no lock the platform documents; a day still keeps the program off it.
        if (auto giay = docGiay(layKhoa(noi, "lockedSeconds"))) {
            lay(bayGio + duration_cast<system_clock::duration>(duration<double>(std::min(*giay, double(kChanToiDa)))));
        }
        if (auto luc = docGiay(layKhoa(noi, "unlockedAt")); luc && *luc > 0) {
            lay(system_clock::time_point(duration_cast<system_clock::duration>(
                duration<double>(std::min(*luc, double(giayUnix(bayGio) + kChanToiDa))))));
        }
    }
    return den;
}

// The continuation to send back: none when the reply gives none, null or an empty value.
std::optional<json> giaTriTiep(const json* v) {
    if (!v || v->is_null() || v->empty()) return std::nullopt;
    if (v->is_string() && !chuoiJSON(v)) return std::nullopt;
    if (v->dump(-1, ' ', false, json::error_handler_t::replace).size() > kTiepToiDa) nemDuLieuKhongDoc(tenNhanh());
    return *v;
}
}  // namespace

NhanhClient::NhanhClient(const QString& appId, const QString& businessId, const QString& accessToken,
                         const MoiTruongNguon& moiTruong)
    : appId_(appId),
      businessId_(businessId),
      accessToken_(accessToken),
      mt_(moiTruong),
      anKhoa_(QStringList{accessToken}) {}

std::optional<QString> NhanhClient::thoGanNhat() {
    std::lock_guard lk(khoa_);
    return thoGanNhat_;
}

bool NhanhClient::daCatBot() {
    std::lock_guard lk(khoa_);
    return daCatBot_;
}

// The order list documents no order by last update, so the engine narrows the window with updatedAtTo.
bool NhanhClient::daTangDanCapNhat() {
    return false;
}

YeuCauHTTP NhanhClient::taoYeuCau(const QString& duongDan, const ordered_json& than) const {
    kiemTraTieuDe(accessToken_, QStringLiteral("Access Token"), tenNhanh());
    YeuCauHTTP yc;
    yc.phuongThuc = "POST";
    yc.url = ganTruyVan(mt_.mayChu.nhanhGoc + duongDan,
                        {{QStringLiteral("appId"), appId_}, {QStringLiteral("businessId"), businessId_}});
    yc.thoiGianCho = mt_.thoiGianCho;
    yc.themTieuDe("Authorization", accessToken_.toUtf8());
    yc.themTieuDe("Content-Type", "application/json");
    yc.themTieuDe("Accept", "application/json");
    yc.than = QByteArray::fromStdString(than.dump());
    return yc;
}

void NhanhClient::kiemTraPhanHoi(const json& phanHoi) const {
    const qint64 ma = soNguyenJSON(layKhoa(&phanHoi, "code"));
    if (ma == 1) return;
    const std::optional<QString> maLoi = chuoiJSON(layKhoa(&phanHoi, "errorCode"));
    QString lyDo;
    // A list of texts, or an object of field → text (or → list of texts) for refused parameters; a plain
    // text otherwise, and the error code when the platform gives no words at all.
    if (const json* ds = layKhoa(&phanHoi, "messages"); ds && (ds->is_array() || ds->is_object())) {
        QStringList cac;
        for (const json& e : *ds) themLyDo(e, cac);
        lyDo = cac.join(QStringLiteral("; "));
    } else {
        std::optional<QString> text = chuoiJSON(layKhoa(&phanHoi, "message"));
        if (!text) text = chuoiJSON(ds);
        if (!text) text = maLoi;
        lyDo = text.value_or(QStringLiteral("không rõ lý do"));
    }
    // The reason is the platform's own text and may quote the request back, token included; it is
    // cleaned whole before it is cut to the excerpt's length.
    lyDo = catTheoByte(anKhoa_.an(anNguyenVan(lyDo)), kByteNguyenVan);
    const int status = ma == 429 ? 429 : statusTheoMaLoi(maLoi);
    throw LoiNguonDon(status, lyDo, QString(), tenNhanh() + QStringLiteral(" từ chối: ") + lyDo);
}

json NhanhClient::gui(const ordered_json& than) {
    for (int lan = 0;; ++lan) {
        const KetQuaGui kq = guiYeuCau(taoYeuCau(kDuongDan, than), tenNhanh(), 4, 0, *mt_.kenh, *mt_.ngu, anKhoa_);
        std::optional<json> tl = docDoiTuong(kq.than);
        if (!tl) nemDuLieuKhongDoc(tenNhanh());
        // The platform says "too many requests" in a 200 reply that names when its lock ends, and every call
        // made before then lengthens the lock. A short lock is waited out here; a longer one, or one that
        // keeps coming back, ends the fetch with the end attached, so that nothing is sent before it.
        if (laGioiHanGoi(*tl)) {
            const auto bayGio = mt_.dongHo->gioThuc();
            const auto den = hetChan(*tl, bayGio).value_or(bayGio + std::chrono::seconds(kChanMacDinh));
            const double cho = std::max(0.0, std::chrono::duration<double>(den - bayGio).count());
            if (lan >= kLanChoGioiHan || cho > kChoGioiHanToiDa) {
                LoiNguonDon loi(429, QString(), QString(),
                                QStringLiteral("Vượt giới hạn gọi API của ") + tenNhanh() + QLatin1Char('.'));
                loi.chanDen = den;
                throw loi;
            }
            choHoacDung(*mt_.ngu, cho);
            continue;
        }
        kiemTraPhanHoi(*tl);
        return std::move(*tl);
    }
}

QString NhanhClient::thuKetNoi() {
    gui(ordered_json{{"paginator", ordered_json{{"size", 1}}}});
    return QStringLiteral("Kết nối được ") + tenNhanh() + QLatin1Char('.');
}

QList<DonHang> NhanhClient::layDon(const QString& tuLuc, const QString& denLuc, const NhanTienDo& tienDo) {
    const qint64 den = giayKetThuc(denLuc, *mt_.dongHo, kQuaHienTai);
    qint64 tu = mocBatDau(tuLuc, *mt_.dongHo).toSecsSinceEpoch();
    if (den - tu > kCuaSoToiDa) {
        // A wider window is refused outright, which would stop every later run at the same cursor.
        tu = den - kCuaSoToiDa;
        if (tienDo) {
            tienDo(
                tenNhanh() +
                QStringLiteral(" chỉ cho lấy đơn cập nhật trong 31 ngày gần nhất — đơn đổi trước đó không lấy được."));
        }
    }
    const ordered_json locNgay{{"updatedAtFrom", tu}, {"updatedAtTo", den}};
    std::optional<json> tiep;
    GomDon gom(tenNhanh(), kCoTrang, kTranTrang, khoa_, thoGanNhat_);
    const GomDon::Chuyen chuyen = [this](const json& o) { return chuyenDon(o); };
    const auto docTrang = [&](int) {
        ordered_json phanTrang{{"size", kCoTrang}};
        if (tiep) phanTrang["next"] = ordered_json(*tiep);
        const json tl = gui(ordered_json{{"filters", locNgay}, {"paginator", phanTrang}});

        // The orders are the reply's "data" list; the older nested shapes are still read.
        const json& duLieu = doiTuongCon(tl, "data");
        std::vector<const json*> trang = danhSachDoiTuong(layKhoa(&tl, "data"));
        if (trang.empty()) trang = danhSachDoiTuong(layKhoa(&duLieu, "orders"));
        if (trang.empty()) trang = danhSachDoiTuong(layKhoa(&tl, "orders"));
        const qsizetype lay = gom.nhan(trang, chuyen);
        // Only a missing or null "next" ends the list: a short page with one (orders deleted or filtered out
        // meanwhile) still has more behind it.
        const json* t = layTheoDuong(tl, {"paginator", "next"});
        if (!t) t = layTheoDuong(duLieu, {"paginator", "next"});
        tiep = giaTriTiep(t);
        if (lay < qsizetype(trang.size())) return LapTrang::SauTrang::dungLai;
        if (!tiep) return LapTrang::SauTrang::het;
        return gom.daCham() ? LapTrang::SauTrang::dungLai : LapTrang::SauTrang::conNua;
    };
    const LapTrang::KetThuc ketThuc = LapTrang::chay(docTrang, kTranTrang);
    const bool catBot = ketThuc == LapTrang::KetThuc::conTrang;
    {
        std::lock_guard lk(khoa_);
        daCatBot_ = catBot;
    }
    if (catBot && tienDo)
        tienDo(tenNhanh() + QStringLiteral(" còn đơn chưa lấy hết — giữ mốc lại, lượt sau lấy tiếp."));
    return gom.layRa();
}

bool NhanhClient::laMaHuy(const json& noi) {
    const json* ma = layKhoa(&noi, "status");
    if (!ma) return false;
    // Sent as a number or as its digits ("63"); a status name is read elsewhere.
    qint64 so = 0;
    if (ma->is_number()) {
        so = soNguyenJSON(ma);
    } else if (ma->is_string()) {
        so = docSoNguyenChat(QString::fromStdString(ma->get_ref<const std::string&>()).trimmed()).value_or(0);
    } else {
        return false;
    }
    return so == kHuyBoiHang || so == kKhachHuy || so == kHeThongHuy;
}

bool NhanhClient::laTrangThaiHuy(const QString& trangThai) {
    // Composed and lower-cased first, so "HỦY" typed with a combining mark reads like "hủy". The
    // Vietnamese words count only whole: "huy" sits inside "chuyển" and "khuyến", which are parcels in
    // transit and promotions, not cancellations.
    const QString s = trangThai.normalized(QString::NormalizationForm_C).toLower();
    if (s == QLatin1String("canceled") || s == QLatin1String("cancelled")) return true;
    static const QStringList kTuHuy = {QStringLiteral("huỷ"), QStringLiteral("hủy"), QStringLiteral("huy")};
    QString tu;
    const auto xetTu = [&] {
        const bool huy = kTuHuy.contains(tu);
        tu.clear();
        return huy;
    };
    for (const QChar c : s) {
        if (c.isLetterOrNumber() || c.isMark()) {
            tu.append(c);
        } else if (xetTu()) {
            return true;
        }
    }
    return xetTu();
}

std::optional<DonHang> NhanhClient::chuyenDon(const json& o) const {
    // The order's own fields sit in "info"; the flat shape is still read after it.
    const json& info = doiTuongCon(o, "info");
    std::optional<QString> id = chuoiDauTien(info, {"id"});
    if (!id) id = chuoiDauTien(o, {"id", "code"});
    if (!id) return std::nullopt;
    const QString bayGio = dinhDangISO().dinhDang(mt_.dongHo->gioThuc());
    const json& giao = doiTuongCon(o, "shippingAddress");
    const json& vanChuyen = doiTuongCon(o, "carrier");

    DonHang d;
    d.id = *id;
    // An order without a code of its own is known on the platform by its id.
    d.orderNumber = chuoiJSON(layKhoa(&o, "code"));
    if (!d.orderNumber) d.orderNumber = d.id;
    d.name = d.orderNumber;
    std::optional<QString> tao = gioDauTien(info, {"createdAt"});
    if (!tao) tao = gioDauTien(o, {"createdAt", "createdDateTime"});
    d.createdAt = tao.value_or(bayGio);
    std::optional<QString> doi = gioDauTien(info, {"updatedAt"});
    if (!doi) doi = gioDauTien(o, {"updatedAt"});
    d.updatedAt = doi.value_or(d.createdAt);
    d.customerName = chuoiDauTien(giao, {"name", "fullName"});
    if (!d.customerName) d.customerName = chuoiDauTien(o, {"customerName"});
    d.customerPhone = chuoiDauTien(giao, {"mobile", "phone"});
    if (!d.customerPhone) d.customerPhone = chuoiDauTien(o, {"customerMobile"});
    d.shippingAddress = chuoiDauTien(giao, {"address", "fullAddress"});
    for (const json* sp : danhSachDoiTuong(layKhoa(&o, "products"))) d.items.append(chuyenSanPham(*sp));
    if (auto ma = chuoiDauTien(vanChuyen, {"carrierCode", "code", "trackingCode"})) {
        d.trackings.append(MaVanDon{*ma, chuoiJSON(layKhoa(&vanChuyen, "name"))});
    }
    d.itemCount = tongSoLuong(d.items);
    if (laMaHuy(info) || laMaHuy(o)) {
        d.cancelledAt = d.createdAt;
    } else {
        std::optional<QString> trangThai = chuoiJSON(layKhoa(&info, "statusName"));
        if (!trangThai) trangThai = chuoiJSON(layKhoa(&o, "statusName"));
        if (!trangThai) trangThai = chuoiJSON(layKhoa(&o, "status"));
        if (laTrangThaiHuy(trangThai.value_or(QString()))) d.cancelledAt = d.createdAt;
    }
    d.syncedAt = bayGio;
    return d;
}

MatHang NhanhClient::chuyenSanPham(const json& o) {
    MatHang m;
    m.title = chuoiDauTien(o, {"name", "productName"}).value_or(QStringLiteral("Sản phẩm"));
    m.sku = chuoiDauTien(o, {"code", "sku"});
    m.quantity = soNguyenJSON(layKhoa(&o, "quantity"));
    return m;
}
