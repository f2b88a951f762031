#include "sources/SapoClient.h"

#include <QSet>

#include "sources/DocJSON.h"
#include "sources/GuiYeuCau.h"
#include "sources/KiemTraKhoa.h"
#include "sources/LapTrang.h"
#include "sources/LoiNguonDon.h"
#include "sources/TienIchKhach.h"
#include "nentang/BangNenTang.h"
#include "store/DinhDangISO.h"

using nlohmann::json;

namespace {
const QString kTen = QStringLiteral("Sapo");

QByteArray maXacThuc(const QString& khoa, const QString& biMat) {
    return (khoa + QLatin1Char(':') + biMat).toUtf8().toBase64();
}
}  // namespace

SapoClient::SapoClient(const QString& store, const QString& apiKey, const QString& apiSecret,
                       const MoiTruongNguon& moiTruong)
    : cuaHang_(chuanHoaTenCuaHang(store)),
      apiKey_(apiKey),
      apiSecret_(apiSecret),
      xacThuc_(maXacThuc(apiKey, apiSecret)),
      mt_(moiTruong),
      anKhoa_(QStringList{apiSecret, apiKey, QString::fromLatin1(maXacThuc(apiKey, apiSecret))}) {}

std::optional<QString> SapoClient::thoGanNhat() {
    std::lock_guard lk(khoa_);
    return thoGanNhat_;
}

bool SapoClient::daCatBot() {
    std::lock_guard lk(khoa_);
    return daCatBot_;
}

// Sapo's order list has no documented order by last change, so a capped fetch proves nothing past its
// start and the engine narrows the window with modified_on_max instead.
bool SapoClient::daTangDanCapNhat() {
    return false;
}

YeuCauHTTP SapoClient::taoYeuCau(const QString& duongDan, const CapThamSo& thamSo) const {
    // The name becomes part of the host: anything but a plain label would send the key elsewhere.
    if (!laNhanTenMien(cuaHang_)) nemTenCuaHangSai(kTen, tenMienCuaHang(QStringLiteral("sapo")));
    YeuCauHTTP yc;
    QString goc = mt_.mayChu.sapoMau;
    goc.replace(QStringLiteral("%1"), cuaHang_);
    yc.url = ganTruyVan(goc + duongDan, thamSo);
    yc.thoiGianCho = mt_.thoiGianCho;
    yc.themTieuDe("Authorization", "Basic " + xacThuc_);
    yc.themTieuDe("Accept", "application/json");
    return yc;
}

QString SapoClient::thuKetNoi() {
    const KetQuaGui kq =
        guiYeuCau(taoYeuCau(QStringLiteral("/orders/count.json"), {}), kTen, 4, 0, *mt_.kenh, *mt_.ngu, anKhoa_);
    const std::optional<json> tl = docDoiTuong(kq.than);
    if (!tl) nemDuLieuKhongDoc(kTen);
    return QStringLiteral("Kết nối được Sapo. Cửa hàng đang có ") +
           QString::number(soNguyenJSON(layKhoa(&*tl, "count"))) + QStringLiteral(" đơn.");
}

QList<DonHang> SapoClient::layDon(const QString& tuLucVao, const QString& denLucVao, const NhanTienDo& tienDo) {
    const QString tuLuc = boPhanNghinGiay(tuLucVao);
    const QString denLuc = boPhanNghinGiay(denLucVao);
    GomDon gom(kTen, kCoTrang, kTranTrang, khoa_, thoGanNhat_);
    // In a window open to now an edited order stays in the list and in its place (the list is not in order
    // of last change), so page numbers hold. A window the engine closed loses the orders edited while its
    // pages are read, and the ones after them slide onto pages already read: it is read again until two
    // readings bring the same orders.
    DocLaiDenKhiKhop cuaSo;
    if (!denLuc.isEmpty()) cuaSo.batDau(0, 0);
    const auto docTrang = [&](int trang) {
        CapThamSo thamSo{{QStringLiteral("modified_on_min"), tuLuc}};
        if (!denLuc.isEmpty()) thamSo.append({QStringLiteral("modified_on_max"), denLuc});
        thamSo.append({{QStringLiteral("status"), QStringLiteral("any")},
                       {QStringLiteral("limit"), QString::number(kCoTrang)},
                       {QStringLiteral("page"), QString::number(cuaSo.dangDoc() ? cuaSo.trang() : trang + 1)}});
        const KetQuaGui kq =
            guiYeuCau(taoYeuCau(QStringLiteral("/orders.json"), thamSo), kTen, 4, 0, *mt_.kenh, *mt_.ngu, anKhoa_);
        const LapTrang::SauTrang sau = gom.doc(
            kq.than, "orders", [this](const json& o) { return chuyenDon(o); },
            [&](const json& o, qsizetype) {
                if (!cuaSo.dangDoc()) return;
                if (const auto id = chuoiJSON(layKhoa(&o, "id"))) cuaSo.nhan(*id);
            });
        if (!cuaSo.dangDoc() || sau == LapTrang::SauTrang::dungLai) return sau;
        return cuaSo.sauTrang(sau == LapTrang::SauTrang::het) ? LapTrang::SauTrang::het : LapTrang::SauTrang::conNua;
    };
    const LapTrang::KetThuc ketThuc = LapTrang::chay(docTrang, kTranTrang);
    const bool catBot = ketThuc == LapTrang::KetThuc::conTrang;
    {
        std::lock_guard lk(khoa_);
        daCatBot_ = catBot;
    }
    if (catBot && tienDo) tienDo(QStringLiteral("Sapo còn đơn chưa lấy hết — giữ mốc lại, lượt sau lấy tiếp."));
    return gom.layRa();
}

std::optional<DonHang> SapoClient::chuyenDon(const json& o) const {
    const auto id = chuoiJSON(layKhoa(&o, "id"));
    if (!id) return std::nullopt;
    const QString bayGio = dinhDangISO().dinhDang(mt_.dongHo->gioThuc());
    const json& khach = doiTuongCon(o, "customer");
    const json& giao = doiTuongCon(o, "shipping_address");

    DonHang d;
    d.id = *id;
    d.orderNumber = chuoiJSON(layKhoa(&o, "order_number"));
    d.name = chuoiJSON(layKhoa(&o, "name"));
    d.createdAt = chuoiDauTien(o, {"created_on", "created_at"}).value_or(bayGio);
    d.updatedAt = chuoiDauTien(o, {"modified_on", "updated_at"}).value_or(d.createdAt);

    QStringList ten;
    for (const char* k : {"last_name", "first_name"}) {
        if (auto s = chuoiJSON(layKhoa(&khach, k))) ten << *s;
    }
    d.customerName = ten.isEmpty() ? chuoiJSON(layKhoa(&giao, "name")) : ten.join(QLatin1Char(' '));

    d.customerPhone = chuoiDauTien(giao, {"phone"});
    if (!d.customerPhone) d.customerPhone = chuoiDauTien(khach, {"phone"});
    if (!d.customerPhone) d.customerPhone = chuoiJSON(layKhoa(&o, "phone"));

    QStringList diaChi;
    for (const char* k : {"address1", "ward", "district", "province", "city"}) {
        if (auto s = chuoiJSON(layKhoa(&giao, k))) diaChi << *s;
    }
    if (!diaChi.isEmpty()) d.shippingAddress = diaChi.join(QStringLiteral(", "));

    for (const json* dong : danhSachDoiTuong(layKhoa(&o, "line_items"))) d.items.append(chuyenMatHang(*dong));

    for (const json* f : danhSachDoiTuong(layKhoa(&o, "fulfillments"))) {
        QStringList cacMa;
        QSet<QString> daCo;  // one fulfilment may list a great many numbers
        if (auto s = chuoiJSON(layKhoa(f, "tracking_number"))) {
            daCo.insert(*s);
            cacMa << *s;
        }
        if (const json* ds = layKhoa(f, "tracking_numbers"); ds && ds->is_array()) {
            for (const json& e : *ds) {
                if (auto s = chuoiJSON(&e); s && !daCo.contains(*s)) {
                    daCo.insert(*s);
                    cacMa << *s;
                }
            }
        }
        const auto hang = chuoiJSON(layKhoa(f, "tracking_company"));
        for (const QString& m : cacMa) d.trackings.append(MaVanDon{m, hang});
    }

    d.itemCount = tongSoLuong(d.items);
    d.cancelledAt = chuoiDauTien(o, {"cancelled_on", "cancelled_at"});
    d.syncedAt = bayGio;
    return d;
}

MatHang SapoClient::chuyenMatHang(const json& o) {
    MatHang m;
    m.title = chuoiDauTien(o, {"title", "name"}).value_or(QStringLiteral("Sản phẩm"));
    m.variantTitle = chuoiJSON(layKhoa(&o, "variant_title"));
    m.sku = chuoiJSON(layKhoa(&o, "sku"));
    m.quantity = soNguyenJSON(layKhoa(&o, "quantity"));
    return m;
}
