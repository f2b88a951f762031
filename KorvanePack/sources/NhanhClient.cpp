#include "sources/NhanhClient.h"

#include "sources/DocJSON.h"
#include "sources/GuiYeuCau.h"
#include "sources/LoiNguonDon.h"
#include "sources/MaHoaURL.h"
#include "sources/TienIchKhach.h"
#include "sources/nentang/BangNenTang.h"
#include "store/DinhDangISO.h"

using nlohmann::json;
using nlohmann::ordered_json;

namespace {
const QString kDuongDan = QStringLiteral("/order/list");

QString tenNhanh() {
    return tenNguon(QStringLiteral("nhanh"));
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
    QString lyDo;
    if (const json* ds = layKhoa(&phanHoi, "messages"); ds && ds->is_array()) {
        QStringList cac;
        for (const json& e : *ds) {
            if (auto s = chuoiJSON(&e)) cac << *s;
        }
        lyDo = cac.join(QStringLiteral("; "));
    } else {
        lyDo = chuoiJSON(layKhoa(&phanHoi, "message")).value_or(QStringLiteral("không rõ lý do"));
    }
    // The reason is the platform's own text and may quote the request back, token included; it is
    // cleaned whole before it is cut to the excerpt's length.
    lyDo = catTheoByte(anKhoa_.an(anNguyenVan(lyDo)), kByteNguyenVan);
    throw LoiNguonDon(ma == 429 ? 429 : 400, lyDo, QString(), tenNhanh() + QStringLiteral(" từ chối: ") + lyDo);
}

json NhanhClient::gui(const ordered_json& than) {
    const KetQuaGui kq = guiYeuCau(taoYeuCau(kDuongDan, than), tenNhanh(), 4, 0, *mt_.kenh, *mt_.ngu, anKhoa_);
    std::optional<json> tl = docDoiTuong(kq.than);
    if (!tl) nemDuLieuKhongDoc(tenNhanh());
    kiemTraPhanHoi(*tl);
    return std::move(*tl);
}

QString NhanhClient::thuKetNoi() {
    gui(ordered_json{{"paginator", ordered_json{{"size", 1}}}});
    return QStringLiteral("Kết nối được ") + tenNhanh() + QLatin1Char('.');
}

QList<DonHang> NhanhClient::layDon(const QString& tuLuc, const NhanTienDo& tienDo) {
    const std::string tuLucGui =
        gioDiaPhuong(mocBatDau(tuLuc, *mt_.dongHo), QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
    std::optional<QString> tiep;
    QList<DonHang> ra;
    for (int daDoc = 0;;) {
        ordered_json phanTrang{{"size", kCoTrang}};
        if (tiep) phanTrang["next"] = tiep->toStdString();
        const json tl = gui(ordered_json{{"updatedAtFrom", tuLucGui}, {"paginator", phanTrang}});

        const json& duLieu = doiTuongCon(tl, "data");
        std::vector<const json*> trang = danhSachDoiTuong(layKhoa(&duLieu, "orders"));
        if (trang.empty()) trang = danhSachDoiTuong(layKhoa(&tl, "orders"));
        if (!trang.empty()) {
            std::lock_guard lk(khoa_);
            if (!thoGanNhat_) thoGanNhat_ = mauTho(*trang.front());
        }
        for (const json* o : trang) {
            if (auto d = chuyenDon(*o)) ra.append(std::move(*d));
        }
        tiep = chuoiJSON(layTheoDuong(duLieu, {"paginator", "next"}));
        if (static_cast<int>(trang.size()) < kCoTrang || !tiep) {
            std::lock_guard lk(khoa_);
            daCatBot_ = false;
            return ra;
        }
        if (++daDoc >= kTranTrang) {
            {
                std::lock_guard lk(khoa_);
                daCatBot_ = true;
            }
            if (tienDo) tienDo(tenNhanh() + QStringLiteral(" còn đơn chưa lấy hết — giữ mốc lại, lượt sau lấy tiếp."));
            return ra;
        }
    }
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
    const auto id = chuoiDauTien(o, {"id", "code"});
    if (!id) return std::nullopt;
    const QString bayGio = dinhDangISO().dinhDang(mt_.dongHo->gioThuc());
    const json& giao = doiTuongCon(o, "shippingAddress");
    const json& vanChuyen = doiTuongCon(o, "carrier");

    DonHang d;
    d.id = *id;
    d.orderNumber = chuoiJSON(layKhoa(&o, "code"));
    d.name = d.orderNumber;
    d.createdAt = chuoiDauTien(o, {"createdAt", "createdDateTime"}).value_or(bayGio);
    d.updatedAt = chuoiDauTien(o, {"updatedAt"}).value_or(d.createdAt);
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
    std::optional<QString> trangThai = chuoiJSON(layKhoa(&o, "statusName"));
    if (!trangThai) trangThai = chuoiJSON(layKhoa(&o, "status"));
    if (laTrangThaiHuy(trangThai.value_or(QString()))) d.cancelledAt = d.createdAt;
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
