#include "stations/MoHinhHangHoan.h"

#include "core/BoDieuPhoi.h"
#include "stations/TrangTram.h"
#include "store/DinhDangISO.h"
#include "store/DongHo.h"
#include "store/KhaiBaoHoan.h"
#include "store/KhoDuLieu.h"
#include "store/LoaiVideo.h"

namespace {
const QString kLyDoDau = QStringLiteral("loi-ky-thuat");
const QString kXuLyDau = QStringLiteral("cho-xu-ly");
const QString kSaiSerial = QStringLiteral("sai-serial");
constexpr int kGioiHanTim = 20;
}  // namespace

MoHinhHangHoan::MoHinhHangHoan(BoDieuPhoi* dieuPhoi, const KhoDuLieu& kho, BoSuaBanGhi* suaBanGhi, DongHo& dongHo,
                               QObject* parent)
    : QObject(parent),
      dieuPhoi_(dieuPhoi),
      kho_(kho),
      suaBanGhi_(suaBanGhi),
      dongHo_(dongHo),
      lyDo_(kLyDoDau),
      xuLy_(kXuLyDau) {
    if (!dieuPhoi_) return;
    connect(dieuPhoi_, &BoDieuPhoi::maVuaQuetChanged, this, [this] {
        if (dieuPhoi_) khiQuetMa(dieuPhoi_->maVuaQuet());
    });
    // However the recording ended (the stop button, the length limit or a nearly full disk), a returns
    // video that was saved must get its declaration.
    connect(dieuPhoi_, &BoDieuPhoi::daLuuVideo, this, [this](const BanGhiVideo& bg) {
        if (bg.laHoan()) moForm(bg);
    });
}

QString MoHinhHangHoan::maDeQuay(const std::optional<DonHang>& donChon, const QString& tuKhoa) {
    if (donChon) {
        if (const auto v = donChon->maVanDonCoSo()) return *v;
        if (donChon->orderNumber && !donChon->orderNumber->isEmpty()) return *donChon->orderNumber;
    }
    if (!tuKhoa.isEmpty()) return tuKhoa;
    return QStringLiteral("KHONG-DON");
}

QString MoHinhHangHoan::maHienThiDon(const DonHang& don) {
    if (const auto v = don.maVanDonCoSo()) return *v;
    if (don.orderNumber && !don.orderNumber->isEmpty()) return *don.orderNumber;
    return don.id;
}

// ---- search ----

void MoHinhHangHoan::datTuKhoa(const QString& v) {
    tuKhoa_ = v;
    emit timDoi();
}

void MoHinhHangHoan::khiQuetMa(const std::optional<QString>& ma) {
    if (!ma || ma->isEmpty()) return;
    tuKhoa_ = *ma;
    timDon();
}

void MoHinhHangHoan::timDon() {
    ketQuaTim_ = kho_.timDon(tuKhoa_, kGioiHanTim);
    if (ketQuaTim_.size() == 1) donChon_ = ketQuaTim_.first();
    emit ketQuaTimDoi();
    emit timDoi();
    // Cleared whatever ran the search, so the same label scanned again is a new change.
    if (dieuPhoi_) dieuPhoi_->datMaVuaQuet(std::nullopt);
}

void MoHinhHangHoan::chonDon(const DonHang& don) {
    donChon_ = don;
    emit timDoi();
}

// ---- recording ----

void MoHinhHangHoan::batDauQuay() {
    QPointer<MoHinhHangHoan> toi = this;
    giaoViecDieuPhoi(this, dieuPhoi_.data(), [toi](BoDieuPhoi& dp) {
        if (!toi) return;
        toi->banGhiVuaQuay_.reset();
        toi->daLuuKhai_ = false;
        toi->serialNhanVe_.clear();
        toi->tinhTrang_.clear();
        toi->khopTruoc_.reset();
        toi->lamMoiToKhai();
        const QString ma = maDeQuay(toi->donChon_, toi->tuKhoa_);
        dp.datDonHienTai(toi->donChon_);
        dp.batDauQuay(ma, LoaiVideo::hangHoan, QStringLiteral("HÀNG HOÀN"));
    });
}

void MoHinhHangHoan::dungQuay() {
    QPointer<MoHinhHangHoan> toi = this;
    giaoViecDieuPhoi(this, dieuPhoi_.data(), [toi](BoDieuPhoi& dp) {
        dp.ketThucQuay([toi](std::optional<BanGhiVideo> bg) {
            // A stop that saved nothing (a second press, a failed file) leaves an open declaration alone.
            if (toi && bg) toi->moForm(*bg);
        });
    });
}

void MoHinhHangHoan::moForm(const BanGhiVideo& banGhi) {
    // The coordinator announces the record before it answers the stop that produced it.
    if (banGhiVuaQuay_ && banGhiVuaQuay_->id == banGhi.id) return;
    banGhiVuaQuay_ = banGhi;
    daLuuKhai_ = false;
    khopTruoc_.reset();
    lamMoiToKhai();
}

// ---- declaration ----

void MoHinhHangHoan::lamMoiToKhai() {
    if (banGhiVuaQuay_) danhGiaDoiChieu();
    emit toKhaiDoi();
}

void MoHinhHangHoan::datLyDo(const QString& id) {
    lyDo_ = id;
    emit toKhaiDoi();
}

void MoHinhHangHoan::datTinhTrang(const QString& id, bool bat) {
    if (bat)
        tinhTrang_.insert(id);
    else
        tinhTrang_.remove(id);
    emit toKhaiDoi();
}

void MoHinhHangHoan::datSerialNhanVe(const QString& v) {
    serialNhanVe_ = v;
    if (banGhiVuaQuay_) danhGiaDoiChieu();
    emit toKhaiDoi();
}

void MoHinhHangHoan::datGhiChu(const QString& v) {
    ghiChu_ = v;
    emit toKhaiDoi();
}

void MoHinhHangHoan::datXuLy(const QString& id) {
    xuLy_ = id;
    emit toKhaiDoi();
}

MoHinhHangHoan::KetQuaDoiChieu MoHinhHangHoan::ketQuaDoiChieu() const {
    // Judged against the order of the record being declared: the search stays usable while filming and may
    // by now show another parcel's order.
    if (!suaBanGhi_ || !banGhiVuaQuay_) return {BoSuaBanGhi::KetLuanSerial::khongDoiChieu, {}};
    return suaBanGhi_->doiChieuSerial(banGhiVuaQuay_->orderId, serialNhanVe_);
}

void MoHinhHangHoan::danhGiaDoiChieu() {
    doiChieu_ = ketQuaDoiChieu();
    if (doiChieu_.ketLuan != BoSuaBanGhi::KetLuanSerial::khongDoiChieu)
        danhDauSaiSerial(doiChieu_.ketLuan == BoSuaBanGhi::KetLuanSerial::khop);
    else
        khopTruoc_.reset();
    emit doiChieuDoi();
}

// A serial being typed differs until it is complete, so only a turn from a match to a mismatch ticks the
// condition; a box the packer has unticked stays so until the next such turn.
void MoHinhHangHoan::danhDauSaiSerial(bool khop) {
    const bool doi = khopTruoc_.has_value() && *khopTruoc_ != khop;
    khopTruoc_ = khop;
    if (!doi || khop) return;
    tinhTrang_.insert(kSaiSerial);
}

void MoHinhHangHoan::luuToKhai() {
    if (!banGhiVuaQuay_ || !suaBanGhi_) return;
    QSet<QString> tap = tinhTrang_;
    if (ketQuaDoiChieu().ketLuan == BoSuaBanGhi::KetLuanSerial::khac) tap.insert(kSaiSerial);

    KhaiBaoHoan khai;
    khai.reason = lyDo_;
    khai.conditions = QStringList(tap.cbegin(), tap.cend());
    khai.serial = serialNhanVe_.trimmed();
    khai.note = ghiChu_.trimmed();
    khai.decision = xuLy_;
    khai.savedAt = dinhDangISO().dinhDang(dongHo_.gioThuc());
    if (!suaBanGhi_->luuToKhaiHangHoan(banGhiVuaQuay_->id, khai)) return;
    daLuuKhai_ = true;
    lamMoiToKhai();
}

void MoHinhHangHoan::kienTiepTheo() {
    banGhiVuaQuay_.reset();
    daLuuKhai_ = false;
    donChon_.reset();
    ketQuaTim_.clear();
    tuKhoa_.clear();
    serialNhanVe_.clear();
    ghiChu_.clear();
    tinhTrang_.clear();
    lyDo_ = kLyDoDau;
    xuLy_ = kXuLyDau;
    khopTruoc_.reset();
    emit ketQuaTimDoi();
    emit timDoi();
    lamMoiToKhai();
}
