#include "sources/LapTrang.h"

#include "sources/DocJSON.h"
#include "sources/TienIchKhach.h"

namespace {
constexpr qsizetype kByteMoiMuc = 32;  // a text's or list entry's own bookkeeping

qsizetype byteChu(const QString& s) {
    return kByteMoiMuc + s.size() * qsizetype(sizeof(QChar));
}
qsizetype byteChu(const std::optional<QString>& s) {
    return s ? byteChu(*s) : 0;
}
}  // namespace

qsizetype byteDon(const DonHang& d) {
    qsizetype n = qsizetype(sizeof(DonHang)) + byteChu(d.id) + byteChu(d.orderNumber) + byteChu(d.name) +
                  byteChu(d.createdAt) + byteChu(d.updatedAt) + byteChu(d.customerName) + byteChu(d.customerPhone) +
                  byteChu(d.shippingAddress) + byteChu(d.cancelledAt) + byteChu(d.syncedAt);
    for (const MatHang& m : d.items)
        n += qsizetype(sizeof(MatHang)) + byteChu(m.title) + byteChu(m.variantTitle) + byteChu(m.sku);
    for (const MaVanDon& v : d.trackings) n += qsizetype(sizeof(MaVanDon)) + byteChu(v.trackingNumber) + byteChu(v.company);
    return n;
}

LapTrang::KetThuc LapTrang::chay(const DocTrang& docTrang, const Tran& tran) {
    for (int trang = 0;;) {
        switch (docTrang(trang)) {
            case SauTrang::het:
                return KetThuc::het;
            case SauTrang::dungLai:
                return KetThuc::conTrang;
            case SauTrang::conNua:
                break;
        }
        if (++trang >= tran()) return KetThuc::conTrang;
    }
}

LapTrang::KetThuc LapTrang::chay(const DocTrang& docTrang, int tran) {
    return chay(docTrang, [tran] { return tran; });
}

GomDon::GomDon(QString tenNguon, int coTrang, int tran, std::mutex& khoa, std::optional<QString>& mau,
               qsizetype byteToiDa)
    : tenNguon_(std::move(tenNguon)),
      coTrang_(coTrang),
      hanMuc_(qsizetype(coTrang) * tran, byteToiDa),
      khoa_(khoa),
      mau_(mau) {}

LapTrang::SauTrang GomDon::doc(const QByteArray& than, const char* khoaDanhSach, const Chuyen& chuyen, const Xem& xem) {
    const std::optional<nlohmann::json> tl = docDoiTuong(than);
    if (!tl) nemDuLieuKhongDoc(tenNguon_);
    const std::vector<const nlohmann::json*> ds = danhSachDoiTuong(layKhoa(&*tl, khoaDanhSach));
    nhan(ds, chuyen, xem);
    if (hanMuc_.daCham()) return LapTrang::SauTrang::dungLai;
    return static_cast<int>(ds.size()) < coTrang_ ? LapTrang::SauTrang::het : LapTrang::SauTrang::conNua;
}

qsizetype GomDon::nhan(const std::vector<const nlohmann::json*>& ds, const Chuyen& chuyen, const Xem& xem) {
    if (!ds.empty()) {
        std::lock_guard lk(khoa_);
        if (!mau_) mau_ = mauTho(*ds.front());
    }
    const qsizetype lay = hanMuc_.nhan(qsizetype(ds.size()));
    for (qsizetype i = 0; i < lay; ++i) {
        const nlohmann::json& muc = *ds[size_t(i)];
        if (xem) xem(muc, i);
        if (auto d = chuyen(muc)) {
            hanMuc_.nhanByte(byteDon(*d));
            ra_.append(std::move(*d));
        }
        // The rest of the page is left for the next run, as past the count.
        if (hanMuc_.hetByte() && i + 1 < lay) return i + 1;
    }
    return lay;
}

void DocLaiDenKhiKhop::batDau(qint64 tu, qint64 den) {
    dangDoc_ = true;
    tu_ = tu;
    den_ = den;
    trang_ = 1;
    soLuot_ = 0;
    luotTruoc_.clear();
    luotNay_.clear();
}

void DocLaiDenKhiKhop::sauTrangKhoi(bool hetLuot, ViTri& vt) {
    if (!sauTrang(hetLuot)) return;
    vt.tuGiay = den_ + 1;
    vt.trang = 1;
    vt.truoc = vt.tuGiay;
}

void DocLaiDenKhiKhop::sauTrangDay(bool dungThuTu, std::optional<qint64> dau, std::optional<qint64> cuoi,
                                   std::optional<qint64> den, ViTri& vt) {
    if (!dungThuTu || !dau || !cuoi) {
        ++vt.trang;
    } else if (*cuoi - 1 <= *dau) {
        batDau(vt.tuGiay, den ? std::min(*cuoi, *den) : *cuoi);
    } else {
        vt.tuGiay = *cuoi - 1;
        vt.trang = 1;
        vt.truoc = vt.tuGiay;
    }
}

bool DocLaiDenKhiKhop::sauTrang(bool hetLuot) {
    if (!hetLuot) {
        ++trang_;
        return false;
    }
    // A first reading of a single page is whole: a page is read in one go.
    const bool khop = (soLuot_ == 0 && trang_ == 1) || (soLuot_ > 0 && luotNay_ == luotTruoc_);
    ++soLuot_;
    luotTruoc_ = std::move(luotNay_);
    luotNay_.clear();
    trang_ = 1;
    if (khop) {
        dangDoc_ = false;
        luotTruoc_.clear();
    }
    return khop;
}
