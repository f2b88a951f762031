#include "sources/PancakeClient.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <chrono>
#include <limits>

#include "sources/DocJSON.h"
#include "sources/GuiYeuCau.h"
#include "sources/KiemTraKhoa.h"
#include "sources/LapTrang.h"
#include "sources/LoiNguonDon.h"
#include "sources/TienIchKhach.h"
#include "store/DinhDangISO.h"

using nlohmann::json;

namespace {
// The short name, as the platform's own error texts use it; the picker shows "Pancake POS".
const QString kTen = QStringLiteral("Pancake");
const QString kDongKhongLoc =
    QStringLiteral("Pancake không lọc được theo ngày nên chỉ lấy vài trang mới nhất — giữ mốc lại.");

// Pancake writes its times without a zone, and they are UTC (its own examples run whole Vietnamese days
// from 17:00 to 16:59:59). Stored with the designator, so that no reader takes them as the desk's local
// time; a text with a zone, or of another shape, stays as the platform sent it.
std::optional<QString> gioUTC(std::optional<QString> s) {
    if (!s) return s;
    static const QRegularExpression mau(
        QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})[T ](\d{2}):(\d{2}):(\d{2})(?:\.\d{1,9})?$)"));
    const QRegularExpressionMatch m = mau.match(*s);
    if (!m.hasMatch()) return s;
    const QDate ngay(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime gio(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!ngay.isValid() || !gio.isValid()) return s;
    return dinhDangISO().dinhDang(QDateTime(ngay, gio, QTimeZone::utc()));
}
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

bool PancakeClient::daTangDanCapNhat() {
    std::lock_guard lk(khoa_);
    return tangDan_;
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

QList<DonHang> PancakeClient::layDon(const QString& tuLuc, const QString& denLuc, const NhanTienDo& tienDo) {
    const auto bao = [&](const QString& dong) {
        if (tienDo) tienDo(dong);
    };
    // The filter takes Unix times, and looks at the last update only when told so: an order that later gets
    // its carrier code or is cancelled is then fetched again.
    // Each filtered page starts at the last update the page before it ended on (one second back, in case
    // the filter's bound is exclusive) rather than at the next page number: an order changed while the pages
    // are read leaves its place, and with page numbers the one after it would slide onto a page already
    // read and never be fetched. A full page whose updates span no more than a second (starting again there
    // would bring it back) begins a block read by number in a window closed at that second, until two
    // readings agree.
    DocLaiDenKhiKhop::ViTri vt{mocBatDau(tuLuc, *mt_.dongHo).toSecsSinceEpoch(), 1,
                               std::numeric_limits<qint64>::min()};
    // A platform that ignores the sort shows it in the times it sends; the fetch then counts as unsorted, so
    // the engine does not move its cursor to the newest update received.
    bool dungThuTu = true;
    const auto giayCapNhat = [](const json& o) -> std::optional<qint64> {
        const std::optional<QString> s = gioUTC(chuoiDauTien(o, {"updated_at", "inserted_at"}));
        const std::optional<QDateTime> t = s ? docThoiGianISO(*s) : std::nullopt;
        if (!t) return std::nullopt;
        return t->toSecsSinceEpoch();
    };
    // Without an end of its own the window ends an hour past now: the engine moves its cursor to the moment
    // the fetch started, so a window closed then would only lose the orders changed while the pages were read.
    const QString denLucGui = QString::number(giayKetThuc(denLuc, *mt_.dongHo, 3'600));
    const qint64 denGiay = denLucGui.toLongLong();
    DocLaiDenKhiKhop khoi;
    bool locNgay = true;
    GomDon gom(kTen, kCoTrang, kTranTrangLoc, khoa_, thoGanNhat_);
    const auto docTrang = [&](int soTrang) {
        const int trang = soTrang + 1;
        KetQuaGui kq;
        for (;;) {
            const bool trongKhoi = locNgay && khoi.dangDoc();
            if (trongKhoi && khoi.trang() == 1) vt.truoc = khoi.tu();
            const int soTrangGui = trongKhoi ? khoi.trang() : locNgay ? vt.trang : trang;
            CapThamSo thamSo{{QStringLiteral("page_number"), QString::number(soTrangGui)},
                             {QStringLiteral("page_size"), QString::number(kCoTrang)}};
            if (locNgay) {
                // Oldest update first: the list is otherwise newest created first, and a capped fetch would
                // leave the older orders changed in the window behind the cursor.
                thamSo.append({QStringLiteral("option_sort"), QStringLiteral("last_updated_order_asc")});
                thamSo.append({QStringLiteral("updateStatus"), QStringLiteral("updated_at")});
                thamSo.append({QStringLiteral("startDateTime"), QString::number(trongKhoi ? khoi.tu() : vt.tuGiay)});
                thamSo.append(
                    {QStringLiteral("endDateTime"), trongKhoi ? QString::number(khoi.den()) : denLucGui});
            }
            try {
                kq = guiYeuCau(taoYeuCau(thamSo), kTen, locNgay ? 1 : 4, 0, *mt_.kenh, *mt_.ngu, anKhoa_);
                break;
            } catch (const LoiNguonDon& e) {
                if (e.status != 400 || !locNgay) throw;
                bao(QStringLiteral("Pancake không nhận tham số lọc ngày, chuyển sang lấy các trang mới nhất."));
                locNgay = false;
                if (trang >= kTranTrangLoc) return LapTrang::SauTrang::dungLai;
            }
        }
        std::optional<qint64> dau, cuoi;
        const LapTrang::SauTrang sau = gom.doc(
            kq.than, "data", [this](const json& o) { return chuyenDon(o); },
            [&](const json& o, qsizetype i) {
                if (!locNgay) return;
                if (khoi.dangDoc()) {
                    if (const auto id = chuoiDauTien(o, {"id", "system_id", "order_id"})) khoi.nhan(*id);
                }
                cuoi = giayCapNhat(o);
                if (i == 0) dau = cuoi;
                if (!cuoi || *cuoi < vt.truoc) dungThuTu = false;
                if (cuoi) vt.truoc = *cuoi;
            });
        if (locNgay && khoi.dangDoc() && sau != LapTrang::SauTrang::dungLai) {
            // The end of a reading of the block is not the end of the list.
            khoi.sauTrangKhoi(sau == LapTrang::SauTrang::het, vt);
            return LapTrang::SauTrang::conNua;
        }
        if (sau != LapTrang::SauTrang::conNua) return sau;
        if (locNgay) khoi.sauTrangDay(dungThuTu, dau, cuoi, denGiay, vt);
        return LapTrang::SauTrang::conNua;
    };
    // Without the filter only the newest pages are of use, so that mode has a bound of its own.
    const LapTrang::KetThuc ketThuc =
        LapTrang::chay(docTrang, [&] { return locNgay ? kTranTrangLoc : kTranTrangKhongLoc; });
    const bool catBot = ketThuc == LapTrang::KetThuc::conTrang;
    {
        std::lock_guard lk(khoa_);
        daCatBot_ = catBot;
        tangDan_ = locNgay && dungThuTu;
    }
    if (catBot)
        bao(locNgay ? QStringLiteral("Pancake còn đơn chưa lấy hết — giữ mốc lại, lượt sau lấy tiếp.") : kDongKhongLoc);
    return gom.layRa();
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
    d.createdAt = gioUTC(chuoiDauTien(o, {"inserted_at", "created_at"})).value_or(bayGio);
    d.updatedAt = gioUTC(chuoiDauTien(o, {"updated_at", "inserted_at"})).value_or(d.createdAt);
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
