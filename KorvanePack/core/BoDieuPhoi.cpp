#include "core/BoDieuPhoi.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <cmath>
#include <exception>

#include "core/BoSuaBanGhi.h"
#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "core/CongTiengBao.h"
#include "core/KiemTraVideo.h"
#include "nentang/BangNenTang.h"
#include "store/DinhDangISO.h"
#include "store/DinhDangNgay.h"
#include "store/DongHo.h"
#include "store/HuongChu.h"
#include "store/KhoDuLieu.h"
#include "store/TienIch.h"

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

constexpr auto kGiuHienDien = 1500ms;  // a label unseen for longer than this counts as gone
constexpr auto kChanQuetLai = 3000ms;  // the saved label is ignored this long after its save
constexpr auto kNghiGiuaHaiDon = 120ms;
constexpr auto kNhipCanhGac = 1000ms;
constexpr auto kDoODiaMoi = 5000ms;
constexpr qint64 kMbToiThieuDeQuay = 500;
constexpr qint64 kMbSapHet = 5000;
constexpr qint64 kMbTuDung = 299;

const QString kChuaCoDon =
    QStringLiteral("Mã này chưa có trong dữ liệu đã đồng bộ. Vẫn quay bình thường, gắn đơn sau.");
const QString kVideoRong = QStringLiteral("Video lưu ra rỗng! Kiểm tra ổ đĩa — đơn này CHƯA có bằng chứng.");

bool bangKhongPhanBietHoa(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString canhBaoHetODia(qint64 mb) {
    return QStringLiteral("Ổ đĩa chỉ còn %1 MB — không quay được nữa.").arg(mb);
}

}  // namespace

BoDieuPhoi::BoDieuPhoi(KhoDuLieu& kho, CaiDat& caiDat, PhuThuoc phuThuoc, QObject* parent)
    : QObject(parent),
      kho_(kho),
      caiDat_(caiDat),
      dongHo_(phuThuoc.dongHo ? *phuThuoc.dongHo : DongHo::heThong()),
      henGio_(phuThuoc.henGio ? *phuThuoc.henGio : HenGio::heThong()),
      chayNen_(std::move(phuThuoc.chayNen)),
      camera_(phuThuoc.camera),
      tieng_(phuThuoc.tieng) {
    nen_.setThreadPriority(QThread::LowPriority);
    noiMaDocDuoc();
    connect(camera_, &CongCameraManHinh::dangChayDoi, this, [this](bool chay) {
        if (!chay) khiCameraNgung();
    });
}

// A camera that stops sending mid-recording (unplugged, its driver hung, its stream ended) would leave the
// screen saying the parcel is being filmed while nothing is: the recording is finished at once and what was
// filmed is saved, with the cause on screen.
void BoDieuPhoi::khiCameraNgung() {
    luong_.kiem("BoDieuPhoi::khiCameraNgung");
    if (trangThai_ != TrangThai::dangQuay) return;
    phien_->lyDoNgat = camera_->loiCameraNeuCo().value_or(QStringLiteral("Webcam đã ngừng gửi hình."));
    phat(LoaiTieng::coLoi);
    const QString vb = *phien_->lyDoNgat + QStringLiteral(" Đã dừng quay; đang lưu phần đã quay được.");
    datCanhBao(vb);
    datThongBaoLoi(vb);
    ketThucQuay({});
}

void BoDieuPhoi::noiMaDocDuoc() {
    connect(camera_, &CongCamera::daDocDuocMa, this, [this](const QString& ma) {
        // Each code is its own pass of the GUI thread, as if a task had been started for it.
        QPointer<BoDieuPhoi> p(this);
        QMetaObject::invokeMethod(
            this,
            [p, ma] {
                if (p) p->xuLyMaDocDuoc(ma);
            },
            Qt::QueuedConnection);
    });
}

BoDieuPhoi::~BoDieuPhoi() {
    huyCanhGac();
    nen_.waitForDone();
    disconnect(camera_, nullptr, this, nullptr);
}

// ---- published fields ----

void BoDieuPhoi::datCheDo(CheDo v) {
    luong_.kiem("BoDieuPhoi::datCheDo");
    if (cheDo_ == v) return;
    cheDo_ = v;
    emit cheDoChanged();
}

void BoDieuPhoi::datDonHienTai(std::optional<DonHang> v) {
    luong_.kiem("BoDieuPhoi::datDonHienTai");
    donHienTai_ = std::move(v);
    donHienTaiDaLuu_ = false;
    emit donHienTaiChanged();
}

void BoDieuPhoi::datMaHienTai(const QString& v) {
    maHienTai_ = v;
    emit maHienTaiChanged();
}

void BoDieuPhoi::datCanhBao(std::optional<QString> v) {
    luong_.kiem("BoDieuPhoi::datCanhBao");
    canhBao_ = std::move(v);
    emit canhBaoChanged();
}

void BoDieuPhoi::datThongBao(std::optional<QString> v) {
    luong_.kiem("BoDieuPhoi::datThongBao");
    thongBao_ = std::move(v);
    thongBaoLaLoi_ = false;
    emit thongBaoChanged();
}

void BoDieuPhoi::datThongBaoLoi(const QString& v) {
    thongBao_ = v;
    thongBaoLaLoi_ = true;
    emit thongBaoChanged();
}

void BoDieuPhoi::datSerials(const QStringList& v) {
    serials_ = v;
    emit serialsChanged();
}

void BoDieuPhoi::datMaVuaQuet(std::optional<QString> v) {
    luong_.kiem("BoDieuPhoi::datMaVuaQuet");
    maVuaQuet_ = std::move(v);
    emit maVuaQuetChanged();
}

void BoDieuPhoi::datCanhBaoOCung(std::optional<QString> v) {
    canhBaoOCung_ = std::move(v);
    emit canhBaoOCungChanged();
}

void BoDieuPhoi::datTrangThai(TrangThai v) {
    datTrangThaiCong([this, v] { trangThai_ = v; });
}

// The published state folds in the stops finishing behind: it is compared as published around each change.
void BoDieuPhoi::datTrangThaiCong(const std::function<void()>& doi) {
    const TrangThai truoc = trangThai();
    doi();
    if (trangThai() != truoc) emit trangThaiChanged();
}

void BoDieuPhoi::phat(LoaiTieng loai) {
    tieng_->phat(loai);
}

void BoDieuPhoi::chayNen(std::function<void()> viec) {
    if (chayNen_) {
        chayNen_(std::move(viec));
    } else {
        nen_.start(std::move(viec));
    }
}

int BoDieuPhoi::giayDaQuay() const {
    if (!phien_) return 0;
    return static_cast<int>(duration_cast<seconds>(dongHo_.gioDeu() - phien_->batDauDeu).count());
}

// ---- scan routing ----

void BoDieuPhoi::xuLyMaDocDuoc(const QString& ma, KhiXong xong) {
    luong_.kiem("BoDieuPhoi::xuLyMaDocDuoc");
    const auto bayGio = dongHo_.gioDeu();
    if (!maDangHienDien_.isEmpty() && lanCuoiThayMa_ && bayGio - *lanCuoiThayMa_ > kGiuHienDien)
        maDangHienDien_.clear();
    if (ma == maDangHienDien_) {
        lanCuoiThayMa_ = bayGio;
        if (xong) xong();
        return;
    }
    maDangHienDien_ = ma;
    lanCuoiThayMa_ = bayGio;
    switch (cheDo_) {
        case CheDo::dongGoi:
            xuLyMaDongGoi(ma, std::move(xong));
            return;
        case CheDo::hangHoan:
            xuLyMaHangHoan(ma);
            break;
        case CheDo::thuMay:
            break;
    }
    if (xong) xong();
}

void BoDieuPhoi::xuLyMaDongGoi(const QString& maVao, KhiXong xong) {
    luong_.kiem("BoDieuPhoi::xuLyMaDongGoi");
    const QString ma = maVao.trimmed();
    if (ma.isEmpty() || dangXuLy_) {
        if (xong) xong();
        return;
    }
    dangXuLy_ = true;
    QPointer<BoDieuPhoi> p(this);
    auto ketThuc = [p, xong = std::move(xong)] {
        if (p) p->dangXuLy_ = false;
        if (xong) xong();
    };

    // A code that arrives while a recording is being started or finished is dropped like any code
    // that meets the busy flag: it must neither start a second recording nor end up in this one.
    if (trangThai_ == TrangThai::dangBatDau || trangThai_ == TrangThai::dangDung) {
        ketThuc();
        return;
    }

    if (trangThai_ == TrangThai::nghi) {
        const bool vuaLuu = lucKetThuc_ && dongHo_.gioDeu() - *lucKetThuc_ < kChanQuetLai;
        if (!(vuaLuu && bangKhongPhanBietHoa(ma, maVuaKetThuc_))) batDauQuay(ma, LoaiVideo::dongGoi, QString());
        ketThuc();
        return;
    }

    if (bangKhongPhanBietHoa(ma, phien_->ma)) {
        if (giayDaQuay() < caiDat_.giayToiThieu()) {
            ketThuc();
            return;
        }
        ketThucQuay([ketThuc](std::optional<BanGhiVideo>) { ketThuc(); });
        return;
    }

    if (caiDat_.ghiSerial() && !kho_.donTheoMa(ma)) {
        if (camera_->themSerial(ma)) {
            const QStringList ds = camera_->danhSachSerial();
            phien_->serials = ds;
            datSerials(ds);
            phat(LoaiTieng::nhanMa);
            datThongBao(QStringLiteral("Đã ghi serial: ") + coLapHuong(ma));
        }
        ketThuc();
        return;
    }

    // Another order's label: this parcel is done and the next one begins, even when saving this
    // one fails. The next parcel is filmed as soon as the camera has let go of this one: its file's last
    // sync, check, fingerprint and record go on behind, each step in its order, so a slow disk costs the
    // next parcel none of its first seconds.
    ketThucQuay({}, [p, ma, ketThuc] {
        if (!p) return ketThuc();
        p->henGio_.hen(kNghiGiuaHaiDon, [p, ma, ketThuc] {
            if (p) p->batDauQuay(ma, LoaiVideo::dongGoi, QString());
            ketThuc();
        });
    });
}

void BoDieuPhoi::xuLyMaHangHoan(const QString& ma) {
    luong_.kiem("BoDieuPhoi::xuLyMaHangHoan");
    if (trangThai_ == TrangThai::dangQuay && !kho_.donTheoMa(ma)) {
        if (!camera_->themSerial(ma)) return;
        const QStringList ds = camera_->danhSachSerial();
        phien_->serials = ds;
        datSerials(ds);
        phat(LoaiTieng::nhanMa);
        datThongBao(QStringLiteral("Đã ghi serial nhận về: ") + coLapHuong(ma));
        return;
    }
    datMaVuaQuet(ma);
    phat(LoaiTieng::nhanMa);
}

void BoDieuPhoi::nhapMaTay(const QString& vanBan, KhiXong xong) {
    luong_.kiem("BoDieuPhoi::nhapMaTay");
    const QString ma = vanBan.trimmed();
    if (ma.isEmpty()) {
        if (xong) xong();
        return;
    }
    maDangHienDien_.clear();
    switch (cheDo_) {
        case CheDo::dongGoi:
            xuLyMaDongGoi(ma, std::move(xong));
            return;
        case CheDo::hangHoan:
            xuLyMaHangHoan(ma);
            break;
        case CheDo::thuMay:
            break;
    }
    if (xong) xong();
}

void BoDieuPhoi::quayKhongMa() {
    luong_.kiem("BoDieuPhoi::quayKhongMa");
    if (cheDo_ != CheDo::dongGoi || trangThai_ != TrangThai::nghi) return;
    maDangHienDien_.clear();
    maVuaKetThuc_.clear();
    batDauQuay(QStringLiteral("TAY-") + dinhDangTenTep().dinhDang(dongHo_.gioThuc()), LoaiVideo::dongGoi, QString());
}

// ---- start ----

bool BoDieuPhoi::batDauQuay(const QString& ma, LoaiVideo loai, const QString& nhan) {
    luong_.kiem("BoDieuPhoi::batDauQuay");
    if (trangThai_ == TrangThai::dangDung) return false;
    if (trangThai_ != TrangThai::nghi) {
        phat(LoaiTieng::coLoi);
        datThongBaoLoi(QStringLiteral("Không bắt đầu quay được: Đang quay rồi."));
        return false;
    }

    std::optional<DonHang> don = kho_.donTheoMa(ma);
    datDonHienTai(don);
    datMaHienTai(ma);
    datCanhBao(std::nullopt);
    datSerials({});

    if (!kiemTraTruocKhiQuay()) return false;

    const auto gioTep = dongHo_.gioThuc();
    const QString duongDan = kho_.duongDanVideoMoi(ma, thoiDiemQt(gioTep), loai == LoaiVideo::hangHoan);
    camera_->datNhan(caiDat_.tenShop(), nhan);
    const int bitrate = caiDat_.bitrateKbps();

    std::optional<QString> loi;
    if (camera_->dangGhi()) {
        loi = CameraEngine::moTa(CameraEngine::LoiCamera::dangGhiRoi);
    } else if (!camera_->dangChay()) {
        loi = CameraEngine::moTa(CameraEngine::LoiCamera::chuaMoCamera);
    }
    if (loi) {
        phat(LoaiTieng::coLoi);
        datThongBaoLoi(QStringLiteral("Không bắt đầu quay được: ") + *loi);
        return false;
    }

    QFile::remove(duongDan);
    datTrangThai(TrangThai::dangBatDau);
    PhienQuay phien{ma, don, loai, dongHo_.gioThuc(), dongHo_.gioDeu(), duongDan, {}};
    camera_->chuanBiGhi(phien.batDau, duongDan, bitrate, ma, loai);
    camera_->baoDaBatDauGhi();
    phien_ = std::move(phien);
    datTrangThai(TrangThai::dangQuay);

    kho_.nhatKy().ghi(QStringLiteral("rec_start"), {{QStringLiteral("code"), ma},
                                                    {QStringLiteral("orderId"), don ? don->id : QString()},
                                                    {QStringLiteral("kind"), giaTriLoaiVideo(loai)}});
    batDauCanhGac();

    if (loai == LoaiVideo::hangHoan) {
        phat(LoaiTieng::nhanMa);
    } else if (!don) {
        phat(LoaiTieng::khongCoDon);
        datCanhBao(kChuaCoDon);
    } else if (don->cancelledAt) {
        phat(LoaiTieng::donDaHuy);
        datCanhBao(QStringLiteral("Đơn này đã bị HUỶ trên %1. Kiểm tra lại trước khi gửi đi.").arg(tenNguonDon()));
    } else {
        phat(LoaiTieng::nhanMa);
    }
    return true;
}

bool BoDieuPhoi::kiemTraTruocKhiQuay() {
    luong_.kiem("BoDieuPhoi::kiemTraTruocKhiQuay");
    doDungLuongTrong();
    if (const auto loi = kho_.thuGhi()) {
        phat(LoaiTieng::coLoi);
        datCanhBaoOCung(QStringLiteral("Thư mục dữ liệu không ghi được."));
        // A full or failing disk is not fixed by choosing another folder on it: it is said as what it is.
        const auto oDia = CameraEngine::moTaLoiODia(*loi);
        datThongBaoLoi(QStringLiteral("Không ghi được vào thư mục dữ liệu (") + *loi +
                       (oDia ? QStringLiteral("). ") + *oDia
                             : QStringLiteral("). Vào Cài đặt chọn lại thư mục lưu trước khi quay.")));
        return false;
    }
    if (!mbConTrong_ || *mbConTrong_ >= kMbToiThieuDeQuay) return true;
    const qint64 n = *mbConTrong_;
    datCanhBaoOCung(canhBaoHetODia(n));
    phat(LoaiTieng::coLoi);
    datThongBaoLoi(
        QStringLiteral(
            "Ổ đĩa chỉ còn %1 MB. Dọn bớt video cũ, đổi thư mục lưu, hoặc giảm số ngày giữ video trong Cài đặt.")
            .arg(n));
    return false;
}

void BoDieuPhoi::doDungLuongTrong() {
    QPointer<BoDieuPhoi> p(this);
    // Only the root folder (fixed for the store's life) and the free-space probe are read here, so the
    // store's lack of a lock does not matter; the store outlives the coordinator.
    const KhoDuLieu* kho = &kho_;
    chayNen([p, kho] {
        const std::optional<qint64> mb = kho->dungLuongTrongMB();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [p, mb] {
                if (p) p->capNhatCanhBaoOCung(mb);
            },
            Qt::QueuedConnection);
    });
}

void BoDieuPhoi::capNhatCanhBaoOCung(std::optional<qint64> mb) {
    luong_.kiem("BoDieuPhoi::capNhatCanhBaoOCung");
    mbConTrong_ = mb;
    if (!mb || *mb >= kMbSapHet) {
        datCanhBaoOCung(std::nullopt);
    } else if (*mb < kMbToiThieuDeQuay) {
        datCanhBaoOCung(canhBaoHetODia(*mb));
    } else {
        datCanhBaoOCung(QStringLiteral("Ổ đĩa còn %1 MB — sắp hết chỗ.").arg(*mb));
    }
}

// ---- watchdog ----

void BoDieuPhoi::huyCanhGac() {
    ++theHeCanhGac_;
    if (canhGac_) henGio_.huy(canhGac_);
    canhGac_ = 0;
}

void BoDieuPhoi::batDauCanhGac() {
    huyCanhGac();
    const quint64 theHe = theHeCanhGac_;
    QPointer<BoDieuPhoi> p(this);
    canhGac_ = henGio_.hen(kNhipCanhGac, [p, theHe] {
        if (p) p->nhipCanhGac(theHe);
    });
}

void BoDieuPhoi::nhipCanhGac(quint64 theHe) {
    if (theHe != theHeCanhGac_) return;
    canhGac_ = 0;
    if (trangThai_ != TrangThai::dangQuay) return;
    QPointer<BoDieuPhoi> p(this);
    kiemTraGioiHan([p, theHe] {
        if (!p || theHe != p->theHeCanhGac_ || p->trangThai_ != TrangThai::dangQuay) return;
        p->canhGac_ = p->henGio_.hen(kNhipCanhGac, [p, theHe] {
            if (p) p->nhipCanhGac(theHe);
        });
    });
}

void BoDieuPhoi::kiemTraGioiHan(KhiXong xong) {
    luong_.kiem("BoDieuPhoi::kiemTraGioiHan");
    auto xongKhiLuu = [xong](std::optional<BanGhiVideo>) {
        if (xong) xong();
    };
    if (trangThai_ != TrangThai::dangQuay) {
        if (xong) xong();
        return;
    }
    const auto bayGio = dongHo_.gioDeu();
    if (!lanDoOCuoi_ || bayGio - *lanDoOCuoi_ >= kDoODiaMoi) {
        lanDoOCuoi_ = bayGio;
        const auto mbTruoc = mbConTrong_;
        doDungLuongTrong();
        if (mbTruoc && *mbTruoc <= kMbTuDung) {
            phat(LoaiTieng::coLoi);
            const QString vb =
                QStringLiteral("Ổ đĩa chỉ còn %1 MB — tự dừng quay để file không hỏng dở.").arg(*mbTruoc);
            datThongBaoLoi(vb);
            datCanhBao(vb);
            ketThucQuay(xongKhiLuu);
            return;
        }
    }
    // Returns unboxings run longer than a parcel's packing.
    const int gioiHan = caiDat_.giayToiDa() * (phien_->loai == LoaiVideo::hangHoan ? 3 : 1);
    if (giayDaQuay() > gioiHan) {
        datThongBao(QStringLiteral("Đã quay quá %1 giây, tự động dừng.").arg(gioiHan));
        ketThucQuay(xongKhiLuu);
        return;
    }
    if (xong) xong();
}

// ---- stop ----

void BoDieuPhoi::ketThucQuay(KhiLuu xong, KhiXong khiThaWriter) {
    luong_.kiem("BoDieuPhoi::ketThucQuay");
    if (trangThai_ == TrangThai::dangDung) {
        // A second stop of the same recording (the watchdog and the button together, or two
        // presses) waits for the first and gets the same outcome; the writer is finished once.
        choDung_.push_back(std::move(xong));
        return;
    }
    huyCanhGac();
    if (trangThai_ != TrangThai::dangQuay) {
        maDangHienDien_ = maHienTai_;
        lanCuoiThayMa_ = dongHo_.gioDeu();
        if (const auto loi = camera_->loiCameraNeuCo()) {
            phat(LoaiTieng::coLoi);
            datCanhBao(*loi);
            datThongBaoLoi(*loi);
        }
        if (xong) xong(std::nullopt);
        if (khiThaWriter) khiThaWriter();
        return;
    }
    datTrangThai(TrangThai::dangDung);
    choDung_.push_back(std::move(xong));
    auto d = std::make_shared<DungQuay>();
    d->phien = *phien_;
    hangDung_.push_back(d);
    QPointer<BoDieuPhoi> p(this);
    camera_->dungGhi([p, d](std::optional<CongCamera::KetQuaGhi> kq) {
        if (!p) return;
        p->luong_.kiem("BoDieuPhoi::ketThucQuay, on the writer's reply");
        // The label of a recording the coordinator went on from is no longer the one in view.
        if (!d->tachRoi) {
            p->maDangHienDien_ = d->phien.ma;
            p->lanCuoiThayMa_ = p->dongHo_.gioDeu();
        }
        if (!kq) {
            p->denLuot(d, [p, d, loi = p->camera_->loiCameraNeuCo()] {
                if (loi) {
                    if (!d->phien.lyDoNgat) p->phat(LoaiTieng::coLoi);  // else it sounded as the camera stopped
                    p->datCanhBao(*loi);
                    p->datThongBaoLoi(*loi);
                }
                p->ketThucDung(d, std::nullopt);
            });
            return;
        }
        // The check and the fingerprint read the whole file: off the GUI thread, one after the other.
        p->chayNen([p, d, kq = *kq]() mutable {
            double thoiLuong = 0;
            std::optional<QString> loi = KiemTraVideo::kiemTra(kq.url, &thoiLuong);
            // The record tells how long the video is, which is the file's own length: a camera that stopped
            // sending before the stop leaves a file shorter than the time between start and stop.
            if (!loi) kq.giay = int(std::lround(thoiLuong));
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [p, d, kq, loi] {
                    if (!p) return;
                    if (loi) return p->denLuot(d, [p, d, kq, loi] { p->xongDung(d, kq, loi, std::nullopt); });
                    p->layVanTay(d, kq);
                },
                Qt::QueuedConnection);
        });
    });
    if (!khiThaWriter) return;
    // The camera took its last frame for this recording when dungGhi returned (the next arming is queued
    // behind the writer's release), unless the reply came at once and the stop is over already.
    if (!d->xong) {
        d->tachRoi = true;
        d->cho = std::move(choDung_);
        choDung_.clear();
        phien_.reset();
        datTrangThaiCong([this] {
            ++soDungNen_;
            trangThai_ = TrangThai::nghi;
        });
    }
    khiThaWriter();
}

void BoDieuPhoi::denLuot(const DungPtr& d, std::function<void()> viecCuoi) {
    luong_.kiem("BoDieuPhoi::denLuot");
    d->viecCuoi = std::move(viecCuoi);
    while (!hangDung_.empty() && hangDung_.front()->viecCuoi) {
        const DungPtr dau = std::move(hangDung_.front());
        hangDung_.pop_front();
        const auto viec = std::move(dau->viecCuoi);
        viec();
    }
}

void BoDieuPhoi::layVanTay(const DungPtr& d, const CongCamera::KetQuaGhi& kq) {
    QPointer<BoDieuPhoi> p(this);
    chayNen([p, d, kq] {
        std::optional<VanTayTep> vanTay = sha256CuaTep(kq.url);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [p, d, kq, vanTay] {
                if (p) p->denLuot(d, [p, d, kq, vanTay] { p->xongDung(d, kq, std::nullopt, vanTay); });
            },
            Qt::QueuedConnection);
    });
}

void BoDieuPhoi::xongDung(const DungPtr& d, const CongCamera::KetQuaGhi& kq, std::optional<QString> loiKiemTra,
                          std::optional<VanTayTep> vanTay) {
    luong_.kiem("BoDieuPhoi::xongDung");
    if (loiKiemTra) {
        phat(LoaiTieng::coLoi);
        const QString vb = QStringLiteral("Video vừa quay KHÔNG mở được (") + *loiKiemTra +
                           QStringLiteral("). Đơn này chưa có bằng chứng — quay lại ngay.");
        datCanhBao(vb);
        datThongBaoLoi(vb);
        kho_.nhatKy().ghi(QStringLiteral("rec_hong"), {{QStringLiteral("code"), d->phien.ma},
                                                       {QStringLiteral("vi"), *loiKiemTra},
                                                       {QStringLiteral("file"), kq.url}});
        ketThucDung(d, std::nullopt);
        return;
    }
    ketThucDung(d, luuBanGhi(*d, kq, vanTay));
}

void BoDieuPhoi::ketThucDung(const DungPtr& d, std::optional<BanGhiVideo> banGhi) {
    luong_.kiem("BoDieuPhoi::ketThucDung");
    d->xong = true;
    std::vector<KhiLuu> cho;
    if (d->tachRoi) {
        cho = std::move(d->cho);
        datTrangThaiCong([this] { --soDungNen_; });
    } else {
        phien_.reset();
        datTrangThai(TrangThai::nghi);
        cho = std::move(choDung_);
        choDung_.clear();
    }
    for (auto& xong : cho)
        if (xong) xong(banGhi);
}

// ---- save ----

std::optional<BanGhiVideo> BoDieuPhoi::luuBanGhi(const DungQuay& d, const CongCamera::KetQuaGhi& kq,
                                                 const std::optional<VanTayTep>& vanTay) {
    if (!vanTay || vanTay->bytes < 1) {
        phat(LoaiTieng::coLoi);
        datCanhBao(kVideoRong);
        datThongBaoLoi(kVideoRong);
        return std::nullopt;
    }
    const PhienQuay& phien = d.phien;
    BanGhiVideo bg;
    bg.id = BanGhiVideo::taoId(dongHo_);
    bg.kind = kq.loai == LoaiVideo::hangHoan ? QStringLiteral("return") : QStringLiteral("pack");
    bg.code = phien.ma;
    if (phien.don) bg.ganDon(*phien.don);
    bg.serials = phien.serials;
    bg.filePath = kq.url;
    bg.fileName = QFileInfo(kq.url).fileName();
    bg.bytes = vanTay->bytes;
    bg.sha256 = vanTay->sha256;
    bg.startedAt = dinhDangISO().dinhDang(kq.batDau);
    bg.endedAt = dinhDangISO().dinhDang(kq.ketThuc);
    bg.durationSec = kq.giay;
    bg.resolution = camera_->doPhanGiai();
    bg.cameraLabel = camera_->tenCamera();
    bg.shopName = caiDat_.tenShop();
    bg.keepForever = false;
    bg.deleted = false;
    bg.invalid = false;

    try {
        kho_.ghiBanGhiVideo(bg);
    } catch (const std::exception& e) {
        phat(LoaiTieng::coLoi);
        const QString vb = QStringLiteral("Quay xong nhưng KHÔNG ghi được bản ghi vào kho dữ liệu: ") + moTaLoi(e) +
                           QStringLiteral(". File video đang nằm ở ") + kq.url +
                           QStringLiteral(" — chép ra nơi khác ngay rồi kiểm tra ổ đĩa.");
        datCanhBao(vb);
        datThongBaoLoi(vb);
        return std::nullopt;
    }
    congBoDaLuu(kho_, bg, {});
    if (kq.loai == LoaiVideo::dongGoi) {
        ++soDaQuayHomNay_;
        emit soDaQuayHomNayChanged();
    }
    // The serials shown are the next recording's once the coordinator has gone on to it.
    if (!d.tachRoi) datSerials({});
    if (phien.lyDoNgat) {
        // The error cue has already sounded when the camera stopped; the saved part is not the whole parcel.
        const QString vb = *phien.lyDoNgat + QLatin1Char(' ') + thongBaoDaLuu(kq.giay, bg.bytes) +
                           QStringLiteral(" (phần quay được trước khi webcam ngừng). "
                                          "Nếu chưa đóng gói xong, sửa webcam rồi quay lại đơn này.");
        datCanhBao(vb);
        datThongBaoLoi(vb);
    } else {
        phat(LoaiTieng::daLuu);
        datThongBao(thongBaoDaLuu(kq.giay, bg.bytes));
    }
    maVuaKetThuc_ = phien.ma;
    lucKetThuc_ = dongHo_.gioDeu();
    banGhiVuaLuu_ = bg;
    if (maHienTai_ == phien.ma && !donHienTaiDaLuu_) {
        donHienTaiDaLuu_ = true;
        emit donHienTaiChanged();
    }
    emit daLuuVideo(bg);
    return bg;
}

void BoDieuPhoi::congBoDaLuu(KhoDuLieu& kho, const BanGhiVideo& bg,
                             const std::function<void(const BanGhiVideo&)>& khiLuuXong) {
    kho.datVideo(bg);
    if (khiLuuXong) khiLuuXong(bg);
    kho.nhatKy().ghi(QStringLiteral("rec_finish"),
                     {{QStringLiteral("code"), bg.code},
                      {QStringLiteral("sha256"), bg.sha256},
                      {QStringLiteral("bytes"), QString::number(bg.bytes)},
                      {QStringLiteral("kind"), bg.kind ? *bg.kind : QStringLiteral("pack")}});
}

QString BoDieuPhoi::thongBaoDaLuu(qint64 giay, qint64 bytes) {
    return QStringLiteral("Đã lưu ") + hienThiPhutGiay(giay) + QStringLiteral(" · ") +
           QString::asprintf("%.1f", static_cast<double>(bytes) / 1048576.0) + QStringLiteral(" MB");
}

void BoDieuPhoi::hienThongBaoCua(const BoSuaBanGhi& sua) {
    connect(&sua, &BoSuaBanGhi::thongBaoMoi, this, [this](const QString& vb) { datThongBao(vb); });
    connect(&sua, &BoSuaBanGhi::loiMoi, this, [this](const QString& vb) {
        datCanhBao(vb);
        datThongBaoLoi(vb);
    });
}

QString BoDieuPhoi::tenNguonDon() const {
    return tenNguon(caiDat_.nguonDon());
}
