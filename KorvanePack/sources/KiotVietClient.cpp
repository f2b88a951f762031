#include "sources/KiotVietClient.h"

#include "sources/DocJSON.h"
#include "sources/KiemTraKhoa.h"
#include "sources/LapTrang.h"
#include "sources/LoiKetNoi.h"
#include "sources/LoiNguonDon.h"
#include "sources/TienIchKhach.h"
#include "nentang/BangNenTang.h"
#include "store/DinhDangISO.h"
#include "store/DocGio.h"

using nlohmann::json;

namespace {
const QString kTen = QStringLiteral("KiotViet");
const QString kDongCatBot = QStringLiteral("KiotViet còn hoá đơn chưa lấy hết — giữ mốc lại, lượt sau lấy tiếp.");
const QString kDongChiNgay = QStringLiteral("KiotViet không nhận mốc kèm giờ, chuyển sang lọc theo ngày.");
}  // namespace

KiotVietClient::KiotVietClient(const QString& clientId, const QString& clientSecret, const QString& retailer,
                               const MoiTruongNguon& moiTruong)
    : clientId_(clientId), clientSecret_(clientSecret), cuaHang_(chuanHoaTenCuaHang(retailer)), mt_(moiTruong) {}

std::optional<QString> KiotVietClient::thoGanNhat() {
    std::lock_guard lk(khoa_);
    return thoGanNhat_;
}

bool KiotVietClient::daCatBot() {
    std::lock_guard lk(khoa_);
    return daCatBot_;
}

// Every page is asked oldest change first (orderBy modifiedDate, orderDirection Asc), the date-only
// fallback included; false after a fetch whose times came out of that order.
bool KiotVietClient::daTangDanCapNhat() {
    std::lock_guard lk(khoa_);
    return tangDan_;
}

void KiotVietClient::kiemTraKhoa() const {
    if (!laNhanTenMien(cuaHang_)) nemTenCuaHangSai(kTen, tenMienCuaHang(QStringLiteral("kiotviet")));
}

BoAnKhoa KiotVietClient::boAnKhoa() const {
    QStringList cac{clientSecret_};
    std::lock_guard lk(khoa_);
    if (token_) cac << *token_;
    return BoAnKhoa(cac);
}

KetQuaGui KiotVietClient::guiVe(const QByteArray& tenPhamVi, int nganSach) {
    YeuCauHTTP yc;
    yc.phuongThuc = "POST";
    yc.url = mt_.mayChu.kiotVietToken;
    yc.thoiGianCho = mt_.thoiGianCho;
    yc.themTieuDe("Content-Type", "application/x-www-form-urlencoded");
    yc.than = xayTruyVan({{QStringLiteral("grant_type"), QStringLiteral("client_credentials")},
                          {QString::fromLatin1(tenPhamVi), QStringLiteral("PublicApi.Access")},
                          {QStringLiteral("client_id"), clientId_},
                          {QStringLiteral("client_secret"), clientSecret_}});
    return guiYeuCau(yc, kTen, nganSach, 0, *mt_.kenh, *mt_.ngu, BoAnKhoa(QStringList{clientSecret_}));
}

QString KiotVietClient::layVeTruyCap() {
    kiemTraKhoa();
    {
        std::lock_guard lk(khoa_);
        if (token_ && mt_.dongHo->gioDeu() < tokenHetHan_) return *token_;
    }
    KetQuaGui kq;
    try {
        kq = guiVe("scopes", 1);
    } catch (const LoiDaHuy&) {
        throw;
    } catch (const std::exception&) {
        // Some token servers know the pair only by its singular name; the first refusal is not the story.
        kq = guiVe("scope", 4);
    }
    const std::optional<json> tl = docDoiTuong(kq.than);
    if (!tl) nemDuLieuKhongDoc(kTen);
    const std::optional<QString> ve = chuoiJSON(layKhoa(&*tl, "access_token"));
    // A token with a line break would end the Authorization header early; it is no token at all.
    if (!ve || !laKhoaGuiDuoc(*ve)) {
        throw LoiNguonDon(0, QString(), QString(), QStringLiteral("KiotViet không trả về vé truy cập."));
    }
    const qint64 giay = soNguyenJSON(layKhoa(&*tl, "expires_in"));
    const std::chrono::seconds tuoi =
        giay > 0 ? std::chrono::seconds(std::min<qint64>(giay, 10LL * 365 * 86'400)) : kTuoiVeMacDinh;
    std::lock_guard lk(khoa_);
    token_ = *ve;
    tokenHetHan_ = mt_.dongHo->gioDeu() + tuoi - kLeAnToan;
    return *ve;
}

YeuCauHTTP KiotVietClient::taoYeuCau(const QString& duongDan, const CapThamSo& thamSo, bool* tuBoNho) {
    kiemTraKhoa();
    bool conHan = false;
    {
        std::lock_guard lk(khoa_);
        conHan = token_ && mt_.dongHo->gioDeu() < tokenHetHan_;
    }
    if (tuBoNho) *tuBoNho = conHan;
    const QString ve = layVeTruyCap();
    YeuCauHTTP yc;
    yc.url = ganTruyVan(mt_.mayChu.kiotVietApi + duongDan, thamSo);
    yc.thoiGianCho = mt_.thoiGianCho;
    yc.themTieuDe("Authorization", "Bearer " + ve.toUtf8());
    yc.themTieuDe("Retailer", cuaHang_.toUtf8());
    return yc;
}

KetQuaGui KiotVietClient::guiApi(const QString& duongDan, const CapThamSo& thamSo, int nganSach, bool* loiOVe) {
    for (int lan = 0;; ++lan) {
        bool tuBoNho = false;
        YeuCauHTTP yc;
        try {
            yc = taoYeuCau(duongDan, thamSo, &tuBoNho);
        } catch (...) {
            if (loiOVe) *loiOVe = true;
            throw;
        }
        try {
            return guiYeuCau(yc, kTen, nganSach, 0, *mt_.kenh, *mt_.ngu, boAnKhoa());
        } catch (const LoiNguonDon& e) {
            if (e.status != 401) throw;
            {
                std::lock_guard lk(khoa_);
                token_.reset();
                tokenHetHan_ = std::chrono::steady_clock::time_point::min();
            }
            // A token fresh from the token host that is refused already is a matter of the keys, and
            // asking again would only repeat it.
            if (!tuBoNho || lan > 0) throw;
        }
    }
}

QString KiotVietClient::thuKetNoi() {
    const KetQuaGui kq = guiApi(
        QStringLiteral("/invoices"),
        {{QStringLiteral("pageSize"), QStringLiteral("1")}, {QStringLiteral("currentItem"), QStringLiteral("0")}}, 4);
    const std::optional<json> tl = docDoiTuong(kq.than);
    if (!tl) nemDuLieuKhongDoc(kTen);
    return QStringLiteral("Kết nối được KiotViet. Cửa hàng đang có ") +
           QString::number(soNguyenJSON(layKhoa(&*tl, "total"))) + QStringLiteral(" hoá đơn.");
}

QString KiotVietClient::dinhDangMoc(const QDateTime& t, bool chiNgay) {
    return gioDiaPhuong(t, chiNgay ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The pages are asked for in order of last change. denLuc is not sent: the invoice filter documents no end
// bound, so a window the engine narrows still reads to now.
QList<DonHang> KiotVietClient::layDon(const QString& tuLuc, const QString&, const NhanTienDo& tienDo) {
    const auto bao = [&](const QString& dong) {
        if (tienDo) tienDo(dong);
    };
    QDateTime batDau = mocBatDau(tuLuc, *mt_.dongHo);
    // With the time filter each page starts a second before the last change the page before it ended on, at
    // offset 0, rather than at the next offset: an invoice changed while the pages are read leaves its
    // place, and with offsets the one after it would slide onto a page already read. A page whose changes
    // span no more than a second (starting again there would bring it back), or the date-only filter, goes
    // on by offset, each page starting on the last invoice of the page before: when that one is not first,
    // an invoice before it has left and the offsets moved, so the pages from the filter's start are read
    // again.
    qint64 viTri = 0;
    std::optional<QString> phaiDau;  // the invoice an offset page must start with
    // A platform that ignores the order shows it in the times it sends; the fetch then counts as unsorted.
    bool dungThuTu = true;
    QDateTime truoc;
    bool chiNgay = false;
    GomDon gom(kTen, kCoTrang, kTranYeuCau, khoa_, thoGanNhat_);
    const auto docTrang = [&](int trang) {
        KetQuaGui kq;
        for (;;) {
            const CapThamSo thamSo{{QStringLiteral("lastModifiedFrom"), dinhDangMoc(batDau, chiNgay)},
                                   {QStringLiteral("pageSize"), QString::number(kCoTrang)},
                                   {QStringLiteral("currentItem"), QString::number(viTri)},
                                   {QStringLiteral("includeInvoiceDelivery"), QStringLiteral("true")},
                                   {QStringLiteral("includePayment"), QStringLiteral("false")},
                                   {QStringLiteral("orderBy"), QStringLiteral("modifiedDate")},
                                   {QStringLiteral("orderDirection"), QStringLiteral("Asc")}};
            bool loiOVe = false;
            try {
                kq = guiApi(QStringLiteral("/invoices"), thamSo, chiNgay ? 4 : 1, &loiOVe);
                break;
            } catch (const LoiNguonDon& e) {
                if (loiOVe || e.status != 400 || chiNgay) throw;
                bao(kDongChiNgay);
                if (trang == kTranYeuCau - 1) return LapTrang::SauTrang::dungLai;
                chiNgay = true;
            }
        }
        std::optional<QDateTime> dau, cuoi;
        std::optional<QString> idDau, idCuoi;
        const LapTrang::SauTrang sau = gom.doc(
            kq.than, "data", [this](const json& hd) { return chuyenHoaDon(hd); },
            [&](const json& hd, qsizetype i) {
                idCuoi = chuoiJSON(layKhoa(&hd, "id"));
                if (i == 0) idDau = idCuoi;
                const std::optional<QString> doi = chuoiJSON(layKhoa(&hd, "modifiedDate"));
                cuoi = doi ? DocGio::docGioDon(*doi) : std::nullopt;
                if (i == 0) dau = cuoi;
                if (!cuoi || (truoc.isValid() && *cuoi < truoc)) dungThuTu = false;
                if (cuoi) truoc = *cuoi;
            });
        if (sau == LapTrang::SauTrang::dungLai) return sau;
        if (phaiDau && idDau != phaiDau) {
            viTri = 0;
            phaiDau.reset();
            truoc = chiNgay ? QDateTime() : batDau;
            return LapTrang::SauTrang::conNua;
        }
        if (sau != LapTrang::SauTrang::conNua) return sau;
        if (!chiNgay && dungThuTu && dau && cuoi && cuoi->addSecs(-1) > *dau) {
            batDau = cuoi->addSecs(-1);
            viTri = 0;
            phaiDau.reset();
            truoc = batDau;
        } else {
            viTri += kCoTrang - 1;
            phaiDau = idCuoi;
        }
        return LapTrang::SauTrang::conNua;
    };
    // The bound counts requests, so the one that found the time refused takes a page's place.
    const LapTrang::KetThuc ketThuc = LapTrang::chay(docTrang, [&] { return chiNgay ? kTranYeuCau - 1 : kTranYeuCau; });
    const bool catBot = ketThuc == LapTrang::KetThuc::conTrang;
    {
        std::lock_guard lk(khoa_);
        daCatBot_ = catBot;
        tangDan_ = dungThuTu;
    }
    if (catBot) bao(kDongCatBot);
    return gom.layRa();
}

std::optional<DonHang> KiotVietClient::chuyenHoaDon(const json& o) const {
    const auto id = chuoiJSON(layKhoa(&o, "id"));
    if (!id) return std::nullopt;
    const QString bayGio = dinhDangISO().dinhDang(mt_.dongHo->gioThuc());
    // The platform splits delivery details over two objects; the newer "deliveryDetail" wins a clash.
    json giao = doiTuongCon(o, "invoiceDelivery");
    giao.update(doiTuongCon(o, "deliveryDetail"));

    DonHang d;
    d.id = *id;
    d.orderNumber = chuoiJSON(layKhoa(&o, "code"));
    d.name = d.orderNumber;
    d.createdAt = chuoiDauTien(o, {"purchaseDate", "createdDate"}).value_or(bayGio);
    d.updatedAt = chuoiJSON(layKhoa(&o, "modifiedDate")).value_or(d.createdAt);
    d.customerName = chuoiDauTien(o, {"customerName"});
    if (!d.customerName) d.customerName = chuoiDauTien(giao, {"receiver"});
    d.customerPhone = chuoiDauTien(giao, {"contactNumber"});
    if (!d.customerPhone) d.customerPhone = chuoiDauTien(o, {"customerPhone", "contactNumber"});
    d.shippingAddress = chuoiDauTien(giao, {"address"});
    for (const json* dong : danhSachDoiTuong(layKhoa(&o, "invoiceDetails"))) d.items.append(chuyenMatHang(*dong));

    std::optional<QString> ma = chuoiDauTien(giao, {"deliveryCode", "code", "trackingCode"});
    if (!ma) ma = chuoiJSON(layKhoa(&o, "deliveryCode"));
    if (ma) d.trackings.append(MaVanDon{*ma, chuoiJSON(layTheoDuong(giao, {"partnerDelivery", "name"}))});

    d.itemCount = tongSoLuong(d.items);
    if (soNguyenJSON(layKhoa(&o, "status")) == 4) {
        d.cancelledAt = chuoiJSON(layKhoa(&o, "modifiedDate")).value_or(d.createdAt);
    }
    d.syncedAt = bayGio;
    return d;
}

MatHang KiotVietClient::chuyenMatHang(const json& o) {
    MatHang m;
    m.title = chuoiDauTien(o, {"productName", "productFullName"}).value_or(QStringLiteral("Sản phẩm"));
    m.sku = chuoiJSON(layKhoa(&o, "productCode"));
    m.quantity = soNguyenJSON(layKhoa(&o, "quantity"));
    return m;
}
