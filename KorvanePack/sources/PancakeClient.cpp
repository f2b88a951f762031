#include "sources/PancakeClient.h"

#include "sources/DocJSON.h"
#include "sources/GuiYeuCau.h"
#include "sources/KiemTraKhoa.h"
#include "sources/LoiNguonDon.h"
#include "sources/TienIchKhach.h"
#include "store/DinhDangISO.h"

using nlohmann::json;

namespace {
// The short name, as the platform's own error texts use it; the picker shows "Pancake POS".
const QString kTen = QStringLiteral("Pancake");
const QString kDongKhongLoc =
    QStringLiteral("Pancake không lọc được theo ngày nên chỉ lấy vài trang mới nhất — giữ mốc lại.");
}  // namespace

PancakeClient::PancakeClient(const QString& apiKey, const QString& shopId, const MoiTruongNguon& moiTruong)
    : apiKey_(apiKey), shopId_(shopId), mt_(moiTruong), anKhoa_(QStringList{apiKey}) {}

std::optional<QString> PancakeClient::thoGanNhat() {
    std::lock_guard lk(khoa_);
    return thoGanNhat_;
}

bool PancakeClient::daCatBot() {
    std::lock_guard lk(khoa_);
    return daCatBot_;
}

YeuCauHTTP PancakeClient::taoYeuCau(const CapThamSo& thamSo) const {
    // The id is one path segment; a slash or a "?" in it would point the key at another resource.
    if (!laMaDinhDanh(shopId_)) {
        throw LoiNguonDon(0, QString(), QString(),
                          QStringLiteral("Shop ID của Pancake POS không hợp lệ: chỉ gồm chữ số (hoặc chữ không dấu), "
                                         "là dãy nằm ngay sau /shop/ trên thanh địa chỉ. Chưa gửi yêu cầu nào."));
    }
    CapThamSo tatCa{{QStringLiteral("api_key"), apiKey_}};
    tatCa.append(thamSo);
    YeuCauHTTP yc;
    yc.url = ganTruyVan(mt_.mayChu.pancakeGoc + QStringLiteral("/api/v1/shops/") + shopId_ + QStringLiteral("/orders"),
                        tatCa);
    yc.thoiGianCho = mt_.thoiGianCho;
    yc.themTieuDe("Accept", "application/json");
    return yc;
}

QString PancakeClient::thuKetNoi() {
    const KetQuaGui kq = guiYeuCau(taoYeuCau({{QStringLiteral("page_size"), QStringLiteral("1")}}), kTen, 4, 0,
                                   *mt_.kenh, *mt_.ngu, anKhoa_);
    const std::optional<json> tl = docDoiTuong(kq.than);
    if (!tl) nemDuLieuKhongDoc(kTen);
    if (!danhSachDoiTuong(layKhoa(&*tl, "data")).empty()) return QStringLiteral("Kết nối được Pancake POS.");
    return QStringLiteral("Kết nối được Pancake, nhưng chưa thấy đơn nào.");
}

QList<DonHang> PancakeClient::layDon(const QString& tuLuc, const NhanTienDo& tienDo) {
    const auto bao = [&](const QString& dong) {
        if (tienDo) tienDo(dong);
    };
    const auto ketThuc = [&](bool catBot) {
        std::lock_guard lk(khoa_);
        daCatBot_ = catBot;
    };
    const QString tuLucGui = gioDiaPhuong(mocBatDau(tuLuc, *mt_.dongHo), QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
    bool locNgay = true;
    QList<DonHang> ra;
    for (int trang = 1;;) {
        CapThamSo thamSo{{QStringLiteral("page_number"), QString::number(trang)},
                         {QStringLiteral("page_size"), QString::number(kCoTrang)}};
        if (locNgay) thamSo.append({QStringLiteral("startDateTime"), tuLucGui});
        KetQuaGui kq;
        try {
            kq = guiYeuCau(taoYeuCau(thamSo), kTen, locNgay ? 1 : 4, 0, *mt_.kenh, *mt_.ngu, anKhoa_);
        } catch (const LoiNguonDon& e) {
            if (e.status != 400 || !locNgay) throw;
            bao(QStringLiteral("Pancake không nhận tham số lọc ngày, chuyển sang lấy các trang mới nhất."));
            if (trang >= kTranTrangLoc) {
                ketThuc(true);
                bao(kDongKhongLoc);
                return ra;
            }
            locNgay = false;
            continue;
        }
        const std::optional<json> tl = docDoiTuong(kq.than);
        if (!tl) nemDuLieuKhongDoc(kTen);
        const std::vector<const json*> ds = danhSachDoiTuong(layKhoa(&*tl, "data"));
        if (!ds.empty()) {
            std::lock_guard lk(khoa_);
            if (!thoGanNhat_) thoGanNhat_ = mauTho(*ds.front());
        }
        for (const json* o : ds) {
            if (auto d = chuyenDon(*o)) ra.append(std::move(*d));
        }
        if (static_cast<int>(ds.size()) < kCoTrang) {
            ketThuc(false);
            return ra;
        }
        if (locNgay && trang >= kTranTrangLoc) {
            ketThuc(true);
            bao(QStringLiteral("Pancake còn đơn chưa lấy hết — giữ mốc lại, lượt sau lấy tiếp."));
            return ra;
        }
        if (!locNgay && trang >= kTranTrangKhongLoc) {
            ketThuc(true);
            bao(kDongKhongLoc);
            return ra;
        }
        ++trang;
    }
}

std::optional<DonHang> PancakeClient::chuyenDon(const json& o) const {
    const auto id = chuoiDauTien(o, {"id", "system_id", "order_id"});
    if (!id) return std::nullopt;
    const QString bayGio = dinhDangISO().dinhDang(mt_.dongHo->gioThuc());
    const json& doiTac = doiTuongCon(o, "partner");
    const json& giao = doiTuongCon(o, "shipping_address");

    DonHang d;
    d.id = *id;
    d.orderNumber = chuoiDauTien(o, {"system_id", "id"});
    d.name = chuoiDauTien(o, {"system_id"});
    d.createdAt = chuoiDauTien(o, {"inserted_at", "created_at"}).value_or(bayGio);
    d.updatedAt = chuoiDauTien(o, {"updated_at", "inserted_at"}).value_or(d.createdAt);
    d.customerName = chuoiDauTien(o, {"bill_full_name"});
    if (!d.customerName) d.customerName = chuoiDauTien(giao, {"full_name", "name"});
    d.customerPhone = chuoiDauTien(o, {"bill_phone_number"});
    if (!d.customerPhone) d.customerPhone = chuoiDauTien(giao, {"phone_number", "phone"});
    d.shippingAddress = chuoiDauTien(giao, {"full_address", "address"});
    for (const json* m : danhSachDoiTuong(layKhoa(&o, "items"))) d.items.append(chuyenMatHang(*m));

    std::optional<QString> ma = chuoiDauTien(doiTac, {"extend_code", "tracking_number", "order_number"});
    if (!ma) ma = chuoiDauTien(o, {"extend_code", "tracking_number"});
    if (ma) d.trackings.append(MaVanDon{*ma, chuoiJSON(layKhoa(&doiTac, "partner_name"))});

    d.itemCount = tongSoLuong(d.items);
    if (soNguyenJSON(layKhoa(&o, "status")) == 6) d.cancelledAt = d.createdAt;
    d.syncedAt = bayGio;
    return d;
}

MatHang PancakeClient::chuyenMatHang(const json& o) {
    const json& bienThe = doiTuongCon(o, "variation_info");
    MatHang m;
    std::optional<QString> ten = chuoiDauTien(bienThe, {"name", "product_name"});
    if (!ten) ten = chuoiDauTien(o, {"name"});
    m.title = ten.value_or(QStringLiteral("Sản phẩm"));
    m.variantTitle = chuoiDauTien(bienThe, {"fields_name", "detail"});
    m.sku = chuoiDauTien(bienThe, {"product_display_id", "sku", "barcode"});
    m.quantity = soNguyenJSON(layKhoa(&o, "quantity"));
    return m;
}
