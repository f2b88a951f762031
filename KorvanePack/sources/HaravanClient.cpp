#include "sources/HaravanClient.h"

#include <QDateTime>
#include <QSet>
#include <QTimeZone>
#include <QUrl>
#include <limits>

#include "sources/DocJSON.h"
#include "sources/GuiYeuCau.h"
#include "sources/KiemTraKhoa.h"
#include "sources/LapTrang.h"
#include "sources/LoiHaravan.h"
#include "sources/LoiKetNoi.h"
#include "sources/LoiNguonDon.h"
#include "sources/MaHoaURL.h"
#include "sources/TienIchKhach.h"
#include "store/DinhDangISO.h"
#include "store/DocGio.h"
#include "store/DocJson.h"

using nlohmann::json;

namespace {

const json kRong = json::object();

// The client's text reader: null and absent give nothing, a text stays as it is, anything else its
// JSON text; an empty result gives nothing.
std::optional<QString> chuoi(const json* v) {
    if (!v || v->is_null()) return std::nullopt;
    const QString s = v->is_string() ? QString::fromStdString(v->get_ref<const std::string&>())
                                     : QString::fromStdString(v->dump(-1, ' ', false, json::error_handler_t::replace));
    if (s.isEmpty()) return std::nullopt;
    return s;
}

const json& doiTuong(const json& cha, const char* khoa) {
    const auto it = cha.find(khoa);
    return (it != cha.end() && it->is_object()) ? *it : kRong;
}

const json* giaTri(const json& o, const char* khoa) {
    const auto it = o.find(khoa);
    return it == o.end() ? nullptr : &*it;
}

// A list counts only when every element is an object.
std::vector<const json*> danhSachDoiTuong(const json& o, const char* khoa) {
    std::vector<const json*> ra;
    const json* v = giaTri(o, khoa);
    if (!v || !v->is_array()) return ra;
    for (const json& e : *v) {
        if (!e.is_object()) return {};
        ra.push_back(&e);
    }
    return ra;
}

qint64 congBaoHoa(qint64 a, qint64 b) {
    qint64 kq = 0;
    if (__builtin_add_overflow(a, b, &kq)) {
        return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    }
    return kq;
}

std::optional<double> docSoThapPhan(const QString& s) {
    // QString::toDouble would skip white space around the number; a piece is a number only as it stands.
    if (s.isEmpty() || s.front().isSpace() || s.back().isSpace()) return std::nullopt;
    bool ok = false;
    const double d = s.toDouble(&ok);  // QString::toDouble always reads the C locale
    if (!ok) return std::nullopt;
    return d;
}

bool dungNgayKhiGap(const LoiHaravan& e) {
    return e.status == 0 || e.status == 401 || e.status == 403 || e.status == 429 || e.status >= 500;
}

}  // namespace

HaravanClient::HaravanClient(const QString& token, const MoiTruongNguon& moiTruong, int soLanThuLai, double nguongPhanh)
    : token_(token.trimmed()),
      mt_(moiTruong),
      soLanThuLai_(soLanThuLai),
      nguongPhanh_(nguongPhanh),
      anKhoa_(QStringList{token.trimmed()}) {}

const QList<KieuThamSo>& HaravanClient::cacKieuThamSo() {
    static const QList<KieuThamSo> kCac = [] {
        using M = QMap<QString, QString>;
        const auto so = [](int n) { return QString::number(n); };
        return QList<KieuThamSo>{
            {QStringLiteral("day-du"),
             [so](const QString& tu, int l, int p) {
                 return M{{"updated_at_min", tu}, {"status", "any"}, {"limit", so(l)}, {"page", so(p)}};
             }},
            {QStringLiteral("bo-status"),
             [so](const QString& tu, int l, int p) {
                 return M{{"updated_at_min", tu}, {"limit", so(l)}, {"page", so(p)}};
             }},
            {QStringLiteral("theo-ngay-tao"),
             [so](const QString& tu, int l, int p) {
                 return M{{"created_at_min", tu}, {"limit", so(l)}, {"page", so(p)}};
             }},
            {QStringLiteral("khong-loc-ngay"),
             [so](const QString&, int l, int p) {
                 return M{{"status", "any"}, {"limit", so(l)}, {"page", so(p)}};
             }},
            {QStringLiteral("toi-gian"),
             [so](const QString&, int l, int p) {
                 return M{{"limit", so(l)}, {"page", so(p)}};
             }},
        };
    }();
    return kCac;
}

std::optional<QString> HaravanClient::thoGanNhat() {
    std::lock_guard lk(khoa_);
    return thoGanNhat_;
}

bool HaravanClient::daCatBot() {
    std::lock_guard lk(khoa_);
    return daCatBot_;
}

// The styles that filter by last update ask for the list in that order ("order=updated_at asc"); false after
// a fetch in another style, or whose times came out of that order.
bool HaravanClient::daTangDanCapNhat() {
    std::lock_guard lk(khoa_);
    return tangDan_;
}

std::optional<QString> HaravanClient::hanMucLanCuoi() {
    std::lock_guard lk(khoa_);
    return hanMucLanCuoi_;
}

std::optional<QString> HaravanClient::kieuChayDuoc() {
    std::lock_guard lk(khoa_);
    return kieuChayDuoc_;
}

bool HaravanClient::canPhanh() {
    std::optional<QString> hanMuc;
    {
        std::lock_guard lk(khoa_);
        hanMuc = hanMucLanCuoi_;
    }
    if (!hanMuc) return false;
    QList<double> so;
    for (const QString& phan : hanMuc->split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (const auto d = docSoThapPhan(phan)) so << *d;
    }
    return so.size() == 2 && so[1] > 0 && so[0] / so[1] > nguongPhanh_;
}

json HaravanClient::goi(const QString& duongDan, const QMap<QString, QString>& thamSo, int lan) {
    CapThamSo cap;
    for (auto it = thamSo.cbegin(); it != thamSo.cend(); ++it) cap.append({it.key(), it.value()});
    const QString url = ganTruyVan(mt_.mayChu.haravanGoc + duongDan, cap);
    const QUrl qurl(url, QUrl::StrictMode);
    if (!qurl.isValid() || qurl.host().isEmpty()) {
        throw LoiHaravan(0, QString(), QString(), QStringLiteral("Địa chỉ API không hợp lệ."));
    }
    if (!laKhoaGuiDuoc(token_)) {
        throw LoiHaravan(0, QString(), QString(),
                         QStringLiteral("Token có ký tự không hợp lệ (dấu cách, xuống dòng hoặc chữ có dấu), chưa gửi "
                                        "đi. Chép lại token trong Haravan admin."));
    }

    YeuCauHTTP yc;
    yc.url = url;
    yc.thoiGianCho = mt_.thoiGianCho;
    yc.themTieuDe("Authorization", "Bearer " + token_.toLatin1());
    yc.themTieuDe("Accept", "application/json");

    BoNgu& ngu = *mt_.ngu;
    const auto nenDung = [&ngu] { return ngu.daHuy(); };
    for (int n = lan;; ++n) {
        if (ngu.daHuy()) throw LoiDaHuy();
        if (canPhanh()) choHoacDung(ngu, 1.0);

        PhanHoiHTTP ph;
        bool khongPhaiHTTP = false;
        try {
            ph = mt_.kenh->gui(yc, nenDung);
            khongPhaiHTTP = ph.status < 100;
        } catch (const LoiKetNoi& e) {
            if (e.loai() == LoiKetNoi::Loai::quaLon) {
                throw LoiHaravan(0, QString(), anKhoa_.an(anKhoaTrongURL(url)), QString::fromUtf8(e.what()));
            }
            if (e.loai() != LoiKetNoi::Loai::khongPhaiHTTP) {
                if (n >= soLanThuLai_) throw;
                choHoacDung(ngu, choSauLoi(n));
                continue;
            }
            khongPhaiHTTP = true;
        } catch (const LoiNguonDon& e) {
            throw LoiHaravan(0, QString(), QString(), e.thongDiep);
        }
        if (khongPhaiHTTP) {
            if (n >= soLanThuLai_) {
                throw LoiHaravan(0, QString(), QString(), QStringLiteral("Máy chủ trả về dữ liệu lạ."));
            }
            choHoacDung(ngu, choSauLoi(n));
            continue;
        }
        if (const auto hanMuc = ph.docTieuDe("X-Haravan-Api-Call-Limit")) {
            std::lock_guard lk(khoa_);
            hanMucLanCuoi_ = QString::fromLatin1(*hanMuc);
        }
        if (ph.status == 429) {
            if (n >= soLanThuLai_) {
                throw LoiHaravan(429, QString(), QString(), QStringLiteral("Vượt giới hạn gọi API của Haravan."));
            }
            choHoacDung(ngu, choSauGioiHan(ph.docTieuDe("Retry-After"), n));
            continue;
        }
        if (ph.status >= 500 && n < soLanThuLai_) {
            choHoacDung(ngu, choSauLoi(n));
            continue;
        }
        if (ph.status < 200 || ph.status > 299) {
            // The excerpt and URL are shown in the activity list, so they are cleaned like every client's.
            throw LoiHaravan(ph.status, trichNguyenVanSach(ph.than, anKhoa_), anKhoa_.an(anKhoaTrongURL(url)),
                             QStringLiteral("Haravan trả lỗi ") + QString::number(ph.status));
        }
        json duLieu = DocJson::docCoGioiHan(ph.than.constData(), ph.than.constData() + ph.than.size());
        if (duLieu.is_discarded() || !duLieu.is_object()) {
            throw LoiHaravan(ph.status, QString(), QString(), QStringLiteral("Haravan trả về dữ liệu không đọc được."));
        }
        return duLieu;
    }
}

QString HaravanClient::thuKetNoi() {
    const json kq = goi(QStringLiteral("/orders/count.json"), {}, 0);
    const json* dem = giaTri(kq, "count");
    QString so = QStringLiteral("không rõ");
    if (dem && dem->is_number_integer()) {
        so = dem->is_number_unsigned() ? QString::number(dem->get<quint64>()) : QString::number(dem->get<qint64>());
    }
    return QStringLiteral("Kết nối được Haravan. Cửa hàng đang có ") + so + QStringLiteral(" đơn.");
}

QList<DonHang> HaravanClient::layTheoTrang(const QString& tuLucVao, const QString& denLucVao, const NhanTienDo& tienDo,
                                           int coTrang, int tranTrang) {
    const QString tuLuc = boPhanNghinGiay(tuLucVao);
    const QString denLuc = boPhanNghinGiay(denLucVao);
    const auto bao = [&](const QString& dong) {
        if (tienDo) tienDo(dong);
    };

    QList<KieuThamSo> cacKieu = cacKieuThamSo();
    const std::optional<QString> daNho = kieuChayDuoc();
    if (daNho) {
        for (qsizetype i = 0; i < cacKieu.size(); ++i) {
            if (cacKieu[i].ten == *daNho) {
                cacKieu.move(i, 0);
                break;
            }
        }
    }
    const int tran = std::max(tranTrang, 1);
    for (qsizetype k = 0; k < cacKieu.size(); ++k) {
        const KieuThamSo& kieu = cacKieu[k];
        QList<DonHang> daLay;
        std::optional<QString> mau;
        bool daThuMau = false;  // the first raw order is tried once, even when it cannot be printed
        HanMucDon hanMuc(qsizetype(std::max(coTrang, 1)) * tran);
        // The styles filtering by last update read the list oldest update first, each page starting a second
        // before the last update of the page before rather than at the next page number: an order edited
        // while the pages are read leaves its place, and with page numbers the one after it would slide onto
        // a page already read. A full page within one second is read as a block (DocLaiDenKhiKhop).
        const bool theoCapNhat = kieu.dung(tuLuc, coTrang, 1).contains(QStringLiteral("updated_at_min"));
        DocLaiDenKhiKhop::ViTri vt{mocBatDau(tuLuc, *mt_.dongHo).toSecsSinceEpoch(), 1,
                                   std::numeric_limits<qint64>::min()};
        const std::optional<qint64> denGiay =
            denLuc.isEmpty() ? std::nullopt : std::optional<qint64>(giayKetThuc(denLuc, *mt_.dongHo, 0));
        bool dungThuTu = true;
        DocLaiDenKhiKhop khoi;
        const auto iso = [](qint64 giay) {
            return dinhDangISO().dinhDang(QDateTime::fromSecsSinceEpoch(giay, QTimeZone::utc()));
        };
        try {
            const auto docTrang = [&](int trang) {
                QMap<QString, QString> thamSo;
                if (theoCapNhat && khoi.dangDoc()) {
                    if (khoi.trang() == 1) vt.truoc = khoi.tu();
                    thamSo = kieu.dung(iso(khoi.tu()), coTrang, khoi.trang());
                    thamSo.insert(QStringLiteral("updated_at_max"), iso(khoi.den()));
                } else if (theoCapNhat) {
                    thamSo = kieu.dung(iso(vt.tuGiay), coTrang, vt.trang);
                    if (!denLuc.isEmpty()) thamSo.insert(QStringLiteral("updated_at_max"), denLuc);
                } else {
                    thamSo = kieu.dung(tuLuc, coTrang, trang + 1);
                }
                if (theoCapNhat) thamSo.insert(QStringLiteral("order"), QStringLiteral("updated_at asc"));
                if (!denLuc.isEmpty() && thamSo.contains(QStringLiteral("created_at_min"))) {
                    thamSo.insert(QStringLiteral("created_at_max"), denLuc);
                }
                json kq = goi(QStringLiteral("/orders.json"), thamSo, 0);
                json* ds = kq.is_object() && kq.contains("orders") ? &kq["orders"] : nullptr;
                bool dungDang = ds && ds->is_array();
                if (dungDang) {
                    for (const json& e : *ds) dungDang = dungDang && e.is_object();
                }
                if (!dungDang) {
                    throw LoiHaravan(
                        200, QString(), QString(),
                        QStringLiteral("Haravan trả về dữ liệu không đúng dạng (thiếu danh sách orders)."));
                }
                const int soTrenTrang = static_cast<int>(ds->size());
                if (!daThuMau && !ds->empty() && !thoGanNhat()) {
                    daThuMau = true;
                    // nlohmann's object keeps its keys sorted and leaves "/" unescaped.
                    mau = mauTho(ds->front(), json::error_handler_t::replace);
                }
                const qsizetype lay = hanMuc.nhan(qsizetype(soTrenTrang));
                std::optional<qint64> dau, cuoi;
                for (qsizetype i = 0; i < lay; ++i) {
                    const json& o = (*ds)[size_t(i)];
                    if (theoCapNhat) {
                        if (khoi.dangDoc()) {
                            if (const auto id = chuoi(giaTri(o, "id"))) khoi.nhan(*id);
                        }
                        const std::optional<QString> doi = chuoi(giaTri(o, "updated_at"));
                        const std::optional<QDateTime> t = doi ? DocGio::docGioDon(*doi) : std::nullopt;
                        cuoi = t ? std::optional<qint64>(t->toSecsSinceEpoch()) : std::nullopt;
                        if (i == 0) dau = cuoi;
                        if (!cuoi || *cuoi < vt.truoc) dungThuTu = false;
                        if (cuoi) vt.truoc = *cuoi;
                    }
                    if (auto don = chuyenDon(o)) {
                        hanMuc.nhanByte(byteDon(*don));
                        daLay.append(std::move(*don));
                    }
                    if (hanMuc.hetByte()) break;
                }
                if (hanMuc.daCham()) return LapTrang::SauTrang::dungLai;
                const bool day = soTrenTrang >= coTrang;
                if (theoCapNhat && khoi.dangDoc()) {
                    // The end of a reading of the block is not the end of the list.
                    khoi.sauTrangKhoi(!day, vt);
                    return LapTrang::SauTrang::conNua;
                }
                if (!day) return LapTrang::SauTrang::het;
                if (theoCapNhat) khoi.sauTrangDay(dungThuTu, dau, cuoi, denGiay, vt);
                return LapTrang::SauTrang::conNua;
            };
            const bool trangDay = LapTrang::chay(docTrang, tran) == LapTrang::KetThuc::conTrang;
            if (daNho != kieu.ten) bao(QStringLiteral("Dùng được kiểu tham số \"") + kieu.ten + QLatin1Char('"'));
            {
                std::lock_guard lk(khoa_);
                kieuChayDuoc_ = kieu.ten;
                daCatBot_ = trangDay;
                tangDan_ = theoCapNhat && dungThuTu;
                if (!thoGanNhat_ && mau) thoGanNhat_ = std::move(mau);
            }
            if (trangDay) {
                bao(QStringLiteral("Haravan còn đơn chưa lấy hết (chạm trần %1 trang) — giữ mốc lại, lượt sau lấy "
                                   "tiếp.")
                        .arg(tranTrang));
            }
            return daLay;
        } catch (const LoiHaravan& e) {
            // Refusals of the credentials, rate limiting, an unreachable or failing server are not about
            // the style: another style would only repeat them (and a 5xx would wrongly switch the shop to
            // an unfiltered style for good).
            if (dungNgayKhiGap(e)) throw;
            bao(QStringLiteral("Kiểu \"") + kieu.ten + QStringLiteral("\" không dùng được: ") + e.chiTiet());
            if (k + 1 == cacKieu.size()) throw;
        }
    }
    return {};
}

QList<DonHang> HaravanClient::layDon(const QString& tuLuc, const QString& denLuc, const NhanTienDo& tienDo) {
    return layTheoTrang(tuLuc, denLuc, tienDo, kCoTrang, kTranTrang);
}

std::optional<DonHang> HaravanClient::chuyenDon(const json& o) const {
    const auto id = chuoi(giaTri(o, "id"));
    if (!id) return std::nullopt;
    const QString bayGio = dinhDangISO().dinhDang(mt_.dongHo->gioThuc());
    DonHang d;
    d.id = *id;

    for (const json* f : danhSachDoiTuong(o, "fulfillments")) {
        QStringList so;
        QSet<QString> daCo;  // one fulfilment may list a great many numbers
        if (auto t = chuoi(giaTri(*f, "tracking_number"))) {
            daCo.insert(*t);
            so << *t;
        }
        if (const json* ds = giaTri(*f, "tracking_numbers"); ds && ds->is_array()) {
            for (const json& e : *ds) {
                if (auto t = chuoi(&e); t && !daCo.contains(*t)) {
                    daCo.insert(*t);
                    so << *t;
                }
            }
        }
        const auto hang = chuoi(giaTri(*f, "tracking_company"));
        for (const QString& s : so) d.trackings.append(MaVanDon{s, hang});
    }

    for (const json* m : danhSachDoiTuong(o, "line_items")) d.items.append(chuyenMatHang(*m));

    const json& khach = doiTuong(o, "customer");
    const json& giao = doiTuong(o, "shipping_address");
    const json& hoaDon = doiTuong(o, "billing_address");
    QStringList ten;
    if (auto s = chuoi(giaTri(khach, "last_name"))) ten << *s;
    if (auto s = chuoi(giaTri(khach, "first_name"))) ten << *s;
    if (!ten.isEmpty()) {
        d.customerName = ten.join(QLatin1Char(' '));
    } else if (auto s = chuoi(giaTri(giao, "name"))) {
        d.customerName = s;
    } else {
        d.customerName = chuoi(giaTri(hoaDon, "name"));
    }

    d.customerPhone = chuoi(giaTri(giao, "phone"));
    if (!d.customerPhone) d.customerPhone = chuoi(giaTri(khach, "phone"));
    if (!d.customerPhone) d.customerPhone = chuoi(giaTri(o, "phone"));

    QStringList diaChi;
    for (const char* k : {"address1", "ward", "district", "province"}) {
        if (auto s = chuoi(giaTri(giao, k))) diaChi << *s;
    }
    if (!diaChi.isEmpty()) d.shippingAddress = diaChi.join(QStringLiteral(", "));

    d.createdAt = chuoi(giaTri(o, "created_at")).value_or(bayGio);
    d.orderNumber = chuoi(giaTri(o, "order_number"));
    d.name = chuoi(giaTri(o, "name"));
    d.updatedAt = chuoi(giaTri(o, "updated_at")).value_or(d.createdAt);
    qint64 tong = 0;
    for (const MatHang& m : d.items) tong = congBaoHoa(tong, m.quantity);
    d.itemCount = tong;
    d.cancelledAt = chuoi(giaTri(o, "cancelled_at"));
    d.syncedAt = bayGio;
    return d;
}

MatHang HaravanClient::chuyenMatHang(const json& o) {
    MatHang m;
    m.title = chuoi(giaTri(o, "title")).value_or(chuoi(giaTri(o, "name")).value_or(QStringLiteral("Sản phẩm")));
    m.variantTitle = chuoi(giaTri(o, "variant_title"));
    m.sku = chuoi(giaTri(o, "sku"));
    const json* sl = giaTri(o, "quantity");
    if (sl && sl->is_number_integer()) {
        m.quantity = soNguyenJSON(sl);
    } else if (sl && sl->is_number_float() && std::trunc(sl->get<double>()) == sl->get<double>()) {
        m.quantity = soNguyenJSON(sl);  // 3.0 is a whole quantity however the platform wrote it
    } else {
        m.quantity = docSoNguyenChat(chuoi(sl).value_or(QString())).value_or(0);
    }
    return m;
}
