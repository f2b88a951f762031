#include "shell/KhungChinh.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include "shell/BangMau.h"
#include "shell/BatMaLac.h"
#include "shell/BieuTuong.h"
#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "core/CongCameraManHinh.h"
#include "core/CongDongBo.h"
#include "shell/GiaoDien.h"
#include "shell/KhungBo.h"
#include "shell/NhanHieuKorvane.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"
#include "core/TrangThaiApp.h"
#include "store/BanGhiVideo.h"

namespace {
QString tenBieuTuong(KhungChinh::ManHinh m) {
    switch (m) {
        case KhungChinh::ManHinh::dongGoi:
            return QStringLiteral("dongGoi");
        case KhungChinh::ManHinh::hangHoan:
            return QStringLiteral("hangHoan");
        case KhungChinh::ManHinh::traCuu:
            return QStringLiteral("traCuu");
        case KhungChinh::ManHinh::doiSoat:
            return QStringLiteral("doiSoat");
        case KhungChinh::ManHinh::thuMay:
            return QStringLiteral("thuMay");
        case KhungChinh::ManHinh::caiDat:
            return QStringLiteral("caiDat");
    }
    return {};
}

QFrame* duongKe(QWidget* cha) {
    auto* ke = new KhungBo(cha);
    ke->datNen(BangMau::mauVienThe);
    ke->setFixedHeight(1);
    return ke;
}
}  // namespace

const QList<KhungChinh::ManHinh>& KhungChinh::tatCa() {
    static const QList<ManHinh> cac{ManHinh::dongGoi, ManHinh::hangHoan, ManHinh::traCuu,
                                    ManHinh::doiSoat, ManHinh::thuMay,   ManHinh::caiDat};
    return cac;
}

QString KhungChinh::tieuDe(ManHinh m) {
    switch (m) {
        case ManHinh::dongGoi:
            return QStringLiteral("Đóng gói");
        case ManHinh::hangHoan:
            return QStringLiteral("Hàng hoàn");
        case ManHinh::traCuu:
            return QStringLiteral("Tra cứu");
        case ManHinh::doiSoat:
            return QStringLiteral("Đối soát");
        case ManHinh::thuMay:
            return QStringLiteral("Thử máy");
        case ManHinh::caiDat:
            return QStringLiteral("Cài đặt");
    }
    return {};
}

std::optional<KhungChinh::ManHinh> KhungChinh::tuTieuDe(const QString& t) {
    for (ManHinh m : tatCa())
        if (tieuDe(m) == t) return m;
    return std::nullopt;
}

KhungChinh::KhungChinh(CaiDat& caiDat, TrangThaiApp& trangThai, QWidget* parent)
    : QWidget(parent), caiDat_(caiDat), trangThai_(trangThai) {
    auto* hang = new QHBoxLayout(this);
    hang->setContentsMargins(0, 0, 0, 0);
    hang->setSpacing(0);
    hang->addWidget(taoThanhBen());
    auto* ke = new KhungBo(this);
    ke->datNen(BangMau::mauVienThe);
    ke->setFixedWidth(1);
    hang->addWidget(ke);
    hang->addWidget(taoNoiDung(), 1);

    connect(&trangThai_, &TrangThaiApp::quyenCameraDoi, this, [this] {
        lamMoiChiTiet();
        lamMoiTrangThai();
    });
    connect(&trangThai_, &TrangThaiApp::dieuPhoiDoi, this, [this] {
        noiDichVu();
        lamMoiChiTiet();
        lamMoiTrangThai();
        lamMoiSheet();
    });
    connect(&trangThai_, &TrangThaiApp::dongBoDoi, this, [this] {
        noiDichVu();
        lamMoiChiTiet();
        lamMoiTrangThai();
        lamMoiSheet();
    });
    connect(&trangThai_, &TrangThaiApp::saoLuuDoi, this, [this] { lamMoiChiTiet(); });
    connect(&trangThai_, &TrangThaiApp::soDonDoi, this, [this] { lamMoiTrangThai(); });
    connect(&trangThai_, &TrangThaiApp::soVideoDoi, this, [this] { lamMoiTrangThai(); });
    connect(&caiDat_, &CaiDat::maPinBamChanged, this, [this] {
        // A PIN set from the settings screen on show comes from the owner who is already in: locking them out
        // mid-edit would only make them type it straight back.
        if (!caiDat_.maPinBam().isEmpty() && khoaNoiDung_ == QStringLiteral("manHinh:") + tieuDe(ManHinh::caiDat))
            daMoKhoa_ = true;
        lamMoiChiTiet();
    });
    connect(&caiDat_, &CaiDat::daCaiDatLanDauChanged, this, [this] { lamMoiSheet(); });
    connect(&GiaoDien::ban(), &GiaoDien::daDoiNen, this, [this] { lamMoiBieuTuong(); });

    noiDichVu();
    lamMoiChiTiet();
    lamMoiTrangThai();
    lamMoiSheet();
}

KhungChinh::~KhungChinh() {
    if (sheet_) sheet_->disconnect(this);
}

void KhungChinh::dangKyManHinh(ManHinh m, TaoManHinh tao) {
    tao_[m] = std::move(tao);
    khoaNoiDung_.clear();
    lamMoiChiTiet();
}

void KhungChinh::dangKyNhapPin(TaoManHinhCoGoiLai tao) {
    taoNhapPin_ = std::move(tao);
    khoaNoiDung_.clear();
    lamMoiChiTiet();
}

void KhungChinh::dangKyCaiDatLanDau(TaoManHinhCoGoiLai tao) {
    taoCaiDatLanDau_ = std::move(tao);
    lamMoiSheet();
}

QWidget* KhungChinh::taoThanhBen() {
    auto* ben = new KhungBo(this);
    ben->datNen(BangMau::mauThe);
    ben->setMinimumWidth(190);
    ben->setMaximumWidth(240);
    ben->setFixedWidth(200);
    auto* cot = new QVBoxLayout(ben);
    cot->setContentsMargins(0, 0, 0, 0);
    cot->setSpacing(0);

    auto* dau = new QWidget(ben);
    auto* cotDau = new QVBoxLayout(dau);
    cotDau->setContentsMargins(14, 14, 14, 11);
    cotDau->addWidget(new NhanHieuKorvane(20, QStringLiteral("Zize"), dau));
    cot->addWidget(dau);
    cot->addWidget(duongKe(ben));

    danhSach_ = new QListWidget(ben);
    danhSach_->setFrameShape(QFrame::NoFrame);
    danhSach_->setAttribute(Qt::WA_TranslucentBackground);
    danhSach_->viewport()->setAutoFillBackground(false);
    danhSach_->setIconSize(QSize(18, 18));
    danhSach_->setFont(phongChu(13));
    danhSach_->setSpacing(2);
    // The sidebar is for the mouse only. Most desks have a scanner that types the code and presses Enter into
    // whatever holds the keyboard: a list that took the focus on a click would switch screens by its
    // type-ahead search, and the code would never reach the packing screen's field.
    danhSach_->setFocusPolicy(Qt::NoFocus);
    for (ManHinh m : tatCa()) {
        auto* muc = new QListWidgetItem(tieuDe(m), danhSach_);
        muc->setData(Qt::UserRole, int(m));
        muc->setSizeHint(QSize(0, 32));
    }
    lamMoiBieuTuong();
    danhSach_->setCurrentRow(0);
    connect(danhSach_, &QListWidget::currentRowChanged, this, [this](int hang) {
        if (hang < 0 || hang >= tatCa().size()) {
            chonManHinh(std::nullopt);
        } else {
            chonManHinh(tatCa()[hang]);
        }
    });
    cot->addWidget(danhSach_, 1);

    auto* duoi = new QWidget(ben);
    auto* cotDuoi = new QVBoxLayout(duoi);
    cotDuoi->setContentsMargins(12, 10, 12, 10);
    cotDuoi->setSpacing(6);
    cotDuoi->addWidget(duongKe(duoi));
    auto* hangCamera = new QHBoxLayout;
    hangCamera->setSpacing(7);
    chamCamera_ = new KhungBo(duoi);
    chamCamera_->datBanKinh(-1);
    chamCamera_->setFixedSize(7, 7);
    chuCamera_ = new NhanMau({}, BangMau::mauChuPhu, phongChu(11), duoi);
    hangCamera->addWidget(chamCamera_, 0, Qt::AlignVCenter);
    hangCamera->addWidget(chuCamera_, 1);
    cotDuoi->addLayout(hangCamera);
    chuDongBo_ = new NhanMau({}, BangMau::mauChuPhu, phongChu(11), duoi);
    chuDongBo_->setWordWrap(true);
    chuDongBo_->setMaximumHeight(QFontMetrics(chuDongBo_->font()).lineSpacing() * 2);
    cotDuoi->addWidget(chuDongBo_);
    chuOCung_ = new NhanMau({}, BangMau::mauDo, phongChu(11, QFont::DemiBold), duoi);
    chuOCung_->setWordWrap(true);
    cotDuoi->addWidget(chuOCung_);
    chuSoLuong_ = new NhanMau({}, BangMau::mauChuPhu, phongChu(11), duoi);
    cotDuoi->addWidget(chuSoLuong_);
    cot->addWidget(duoi);
    return ben;
}

QWidget* KhungChinh::taoNoiDung() {
    auto* vung = new QWidget(this);
    cotChiTiet_ = new QVBoxLayout(vung);
    cotChiTiet_->setContentsMargins(0, 0, 0, 0);
    cotChiTiet_->setSpacing(0);

    // A scan typed where no field takes it is named here, at the foot of the screen, rather than lost.
    hopMaLac_ = new KhungBo(vung);
    hopMaLac_->datNen(BangMau::mauHoPhach, 0.16);
    auto* lMaLac = new QVBoxLayout(hopMaLac_);
    lMaLac->setContentsMargins(16, 10, 16, 10);
    chuMaLac_ = new NhanMau({}, BangMau::mauChuChinh, phongChu(13), hopMaLac_);
    chuMaLac_->setObjectName(QStringLiteral("chuMaLac"));
    chuMaLac_->setWordWrap(true);
    chuMaLac_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lMaLac->addWidget(chuMaLac_);
    hopMaLac_->hide();
    cotChiTiet_->addWidget(hopMaLac_);
    anMaLac_ = new QTimer(this);
    anMaLac_->setSingleShot(true);
    anMaLac_->setInterval(15000);
    connect(anMaLac_, &QTimer::timeout, hopMaLac_, &QWidget::hide);
    batMaLac_ = new BatMaLac(this);
    connect(batMaLac_, &BatMaLac::maLac, this, [this](const QString& ma) {
        chuMaLac_->setText(kMaLac.arg(ma, tieuDe(manHinh_)));
        hopMaLac_->show();
        anMaLac_->start();
    });
    return vung;
}

std::optional<QString> KhungChinh::chuMaLac() const {
    if (hopMaLac_->isHidden()) return std::nullopt;
    return chuMaLac_->text();
}

void KhungChinh::lamMoiBieuTuong() {
    if (!danhSach_) return;
    const QColor mau = BangMau::mauChuChinh.mau();
    danhSach_->setStyleSheet(QStringLiteral("QListWidget { background: transparent; padding: 6px 8px; }"
                                            "QListWidget::item { padding-left: 6px; border-radius: 6px; color: %1; }"
                                            "QListWidget::item:selected { background: %2; color: %1; }")
                                 .arg(mau.name(), BangMau::mauXanhDuong.mau(0.28).name(QColor::HexArgb)));
    for (int i = 0; i < danhSach_->count(); ++i) {
        auto* muc = danhSach_->item(i);
        const auto m = ManHinh(muc->data(Qt::UserRole).toInt());
        muc->setIcon(QIcon(veBieuTuong(tenBieuTuong(m), mau, 18, devicePixelRatioF())));
        muc->setForeground(mau);
    }
}

CongCameraManHinh* KhungChinh::camera() const {
    return trangThai_.camera();
}

bool KhungChinh::dangGhi() const {
    const CongCameraManHinh* cam = camera();
    return cam && cam->dangGhi();
}

void KhungChinh::noiDichVu() {
    BoDieuPhoi* dp = trangThai_.dieuPhoi();
    if (dp && dieuPhoiDaNoi_ != dp) {
        dieuPhoiDaNoi_ = dp;
        connect(dp, &BoDieuPhoi::canhBaoOCungChanged, this, [this] { lamMoiTrangThai(); });
    }
    CongCameraManHinh* cam = camera();
    if (cam && cameraDaNoi_ != cam) {
        cameraDaNoi_ = cam;
        dangGhiTruoc_ = dangGhi();
        connect(cam, &CongCameraManHinh::dangGhiDoi, this, [this] { khiDangGhiDoi(); });
        connect(cam, &CongCameraManHinh::dangChayDoi, this, [this] { lamMoiTrangThai(); });
        connect(cam, &CongCameraManHinh::loiCameraDoi, this, [this] { lamMoiTrangThai(); });
    }
    CongDongBo* db = trangThai_.dongBo();
    if (db && dongBoDaNoi_ != db) {
        dongBoDaNoi_ = db;
        connect(db, &CongDongBo::trangThaiChanged, this, [this] { lamMoiTrangThai(); });
    }
}

// In packing mode a label read while another screen is shown starts a recording that only the packing
// screen can stop, and leaving a screen is refused while recording: the packing screen comes forward.
// Returns recordings start only from the returns screen's own button, so they never need this.
void KhungChinh::khiDangGhiDoi() {
    const bool bayGio = dangGhi();
    const bool vuaBatDau = bayGio && !dangGhiTruoc_;
    dangGhiTruoc_ = bayGio;
    if (!vuaBatDau || manHinh_ == ManHinh::dongGoi || manHinh_ == ManHinh::hangHoan) return;
    manHinh_ = ManHinh::dongGoi;
    {
        const QSignalBlocker chan(danhSach_);
        danhSach_->setCurrentRow(int(tatCa().indexOf(manHinh_)));
    }
    lamMoiChiTiet();
}

void KhungChinh::chonManHinh(std::optional<ManHinh> moi) {
    if (!moi) {
        const QSignalBlocker chan(danhSach_);
        danhSach_->setCurrentRow(int(tatCa().indexOf(manHinh_)));
        return;
    }
    if (*moi == manHinh_) return;
    if (trangThai_.dieuPhoi() && dangGhi()) {
        chonLaiDongHienTai();
        // A click reports the new current row in the middle of its mouse press and selects that row after this
        // setter has returned; the row of the screen still shown is selected again once the press is done.
        QMetaObject::invokeMethod(
            this, [this] { chonLaiDongHienTai(); }, Qt::QueuedConnection);
        // Posted after the selection setter has returned, as its own main-thread task.
        QPointer<BoDieuPhoi> dp = trangThai_.dieuPhoi();
        QMetaObject::invokeMethod(
            this,
            [dp] {
                if (dp) dp->datThongBao(kBaoDangQuay);
            },
            Qt::QueuedConnection);
        return;
    }
    manHinh_ = *moi;
    {
        const QSignalBlocker chan(danhSach_);
        danhSach_->setCurrentRow(int(tatCa().indexOf(manHinh_)));
    }
    lamMoiChiTiet();
}

void KhungChinh::chonLaiDongHienTai() {
    const QSignalBlocker chan(danhSach_);
    const int hang = int(tatCa().indexOf(manHinh_));
    danhSach_->setCurrentRow(hang, QItemSelectionModel::ClearAndSelect);
}

bool KhungChinh::eventFilter(QObject* doiTuong, QEvent* suKien) {
    if (suKien->type() == QEvent::Close && doiTuong->isWidgetType() && !duocDong(static_cast<QWidget*>(doiTuong))) {
        suKien->ignore();
        return true;
    }
    return QWidget::eventFilter(doiTuong, suKien);
}

// Quitting in the middle of a recording would leave a video that no record points to, so nothing in the
// program could find it again. The close is held back until the coordinator is idle; a save that fails keeps
// the window open with the coordinator's error on screen, and the next close goes through.
bool KhungChinh::duocDong(QWidget* cuaSo) {
    BoDieuPhoi* dp = trangThai_.dieuPhoi();
    if (!dp || dp->trangThai() == BoDieuPhoi::TrangThai::nghi) return true;
    if (choLuuDeDong_) return false;
    choLuuDeDong_ = true;
    QPointer<QWidget> cs = cuaSo;
    QPointer<KhungChinh> toi = this;
    if (dp->trangThai() == BoDieuPhoi::TrangThai::dangQuay) {
        dp->ketThucQuay([cs, toi](std::optional<BanGhiVideo> banGhi) {
            if (!toi) return;
            toi->choLuuDeDong_ = false;
            if (banGhi && cs)
                QMetaObject::invokeMethod(
                    cs, [cs] { cs->close(); }, Qt::QueuedConnection);
        });
    } else {
        // Starting or already stopping: ask again once that step is over.
        connect(
            dp, &BoDieuPhoi::trangThaiChanged, this,
            [cs, toi] {
                if (!toi) return;
                toi->choLuuDeDong_ = false;
                if (cs)
                    QMetaObject::invokeMethod(
                        cs, [cs] { cs->close(); }, Qt::QueuedConnection);
            },
            Qt::SingleShotConnection);
    }
    return false;
}

void KhungChinh::moKhoa() {
    if (daMoKhoa_) return;
    daMoKhoa_ = true;
    lamMoiChiTiet();
}

bool KhungChinh::canHienCaiDatLanDau() const {
    return !caiDat_.daCaiDatLanDau() && trangThai_.dieuPhoi();
}

void KhungChinh::datHienCaiDatLanDau(bool hien) {
    if (hien) return;
    caiDat_.setDaCaiDatLanDau(true);
    lamMoiSheet();
}

void KhungChinh::xongCaiDatLanDau() {
    datHienCaiDatLanDau(false);
}

void KhungChinh::lamMoiSheet() {
    if (!canHienCaiDatLanDau() || !taoCaiDatLanDau_) {
        if (sheet_) {
            sheet_->disconnect(this);
            sheet_->close();
            sheet_->deleteLater();
            sheet_ = nullptr;
        }
        return;
    }
    if (!sheet_) {
        sheet_ = new QDialog(this);
        sheet_->setWindowModality(Qt::WindowModal);
        sheet_->setFixedSize(900, 640);
        auto* cot = new QVBoxLayout(sheet_);
        cot->setContentsMargins(0, 0, 0, 0);
        // Any way of closing the sheet counts as finishing the first run.
        connect(sheet_, &QDialog::finished, this, [this] { datHienCaiDatLanDau(false); });
        sheet_->open();
    }
    // The wizard needs the sync engine; until it exists the sheet stays empty.
    if (trangThai_.dongBo() && sheet_->layout()->count() == 0) {
        QPointer<KhungChinh> toi = this;
        QWidget* noiDung = taoCaiDatLanDau_(trangThai_, caiDat_, [toi] {
            if (toi) toi->xongCaiDatLanDau();
        });
        if (noiDung) sheet_->layout()->addWidget(noiDung);
    }
}

QString KhungChinh::tinhKhoaNoiDung() const {
    const TrangThaiApp::QuyenCamera q = trangThai_.quyenCamera();
    if (q == TrangThaiApp::QuyenCamera::biTuChoi || q == TrangThaiApp::QuyenCamera::biHanChe) return QStringLiteral("cameraBiChan");
    if (!trangThai_.dieuPhoi()) return QStringLiteral("dangNap");
    if (manHinh_ != ManHinh::caiDat) return QStringLiteral("manHinh:") + tieuDe(manHinh_);
    if (!caiDat_.maPinBam().isEmpty() && !daMoKhoa_) return QStringLiteral("nhapPin");
    if (trangThai_.dongBo() && trangThai_.saoLuu()) return QStringLiteral("manHinh:") + tieuDe(manHinh_);
    return QStringLiteral("choCaiDat");
}

void KhungChinh::lamMoiChiTiet() {
    const QString khoa = tinhKhoaNoiDung();
    if (khoa == khoaNoiDung_ && chiTiet_) return;
    if (chiTiet_) {
        // Hiding the field that holds the keyboard would pass it on to the next one in the tab chain, a
        // field of the new screen that never asked for it (the reconciliation's date, where a scanned number
        // would change the day). The new screen takes the keyboard itself, or leaves it with the window.
        if (QWidget* coBanPhim = QApplication::focusWidget(); coBanPhim && chiTiet_->isAncestorOf(coBanPhim))
            coBanPhim->clearFocus();
        chiTiet_->hide();
        chiTiet_->deleteLater();
        chiTiet_ = nullptr;
    }
    khoaNoiDung_ = khoa;
    // What was said about a scan on the screen left behind is no news on the next one.
    hopMaLac_->hide();
    batMaLac_->quen();
    QWidget* moi = nullptr;
    if (khoa == QLatin1String("cameraBiChan")) {
        moi = taoThongBaoCameraBiChan();
    } else if (khoa == QLatin1String("dangNap")) {
        moi = taoTrangCho(QStringLiteral("Đang nạp dữ liệu…"), true);
    } else if (khoa == QLatin1String("choCaiDat")) {
        moi = taoTrangCho({}, false);
    } else if (khoa == QLatin1String("nhapPin")) {
        QPointer<KhungChinh> toi = this;
        if (taoNhapPin_)
            moi = taoNhapPin_(trangThai_, caiDat_, [toi] {
                if (toi) toi->moKhoa();
            });
        if (!moi) moi = taoTrangTrong(ManHinh::caiDat);
    } else {
        auto it = tao_.find(manHinh_);
        if (it != tao_.end() && it->second) moi = it->second(trangThai_, caiDat_);
        if (!moi) moi = taoTrangTrong(manHinh_);
    }
    chiTiet_ = moi;
    cotChiTiet_->insertWidget(0, chiTiet_, 1);
    chiTiet_->show();
}

QWidget* KhungChinh::taoTrangCho(const QString& chu, bool coNen) {
    auto* trang = new KhungBo;
    if (coNen) trang->datNen(BangMau::mauNen);
    auto* cot = new QVBoxLayout(trang);
    cot->addStretch(1);
    auto* quay = new QProgressBar(trang);
    quay->setRange(0, 0);
    quay->setTextVisible(false);
    quay->setFixedWidth(160);
    cot->addWidget(quay, 0, Qt::AlignHCenter);
    if (!chu.isEmpty()) cot->addWidget(new NhanMau(chu, BangMau::mauChuPhu, phongChu(13), trang), 0, Qt::AlignHCenter);
    cot->addStretch(1);
    return trang;
}

QWidget* KhungChinh::taoTrangTrong(ManHinh m) {
    auto* trang = new KhungBo;
    trang->datNen(BangMau::mauNen);
    auto* cot = new QVBoxLayout(trang);
    cot->setContentsMargins(24, 20, 24, 20);
    cot->addWidget(new NhanMau(tieuDe(m), BangMau::mauChuChinh, phongChu(22, QFont::DemiBold), trang));
    cot->addStretch(1);
    return trang;
}

QWidget* KhungChinh::taoThongBaoCameraBiChan() {
    auto* trang = new KhungBo;
    trang->datNen(BangMau::mauNen);
    auto* cot = new QVBoxLayout(trang);
    cot->setSpacing(14);
    cot->addStretch(1);
    auto* hinh = new QLabel(trang);
    hinh->setPixmap(veBieuTuong(QStringLiteral("cameraBiChan"), BangMau::mauDo.mau(), 40, devicePixelRatioF()));
    hinh->setObjectName(QStringLiteral("hinhCameraBiChan"));
    cot->addWidget(hinh, 0, Qt::AlignHCenter);
    connect(&GiaoDien::ban(), &GiaoDien::daDoiNen, hinh, [this, hinh] {
        hinh->setPixmap(veBieuTuong(QStringLiteral("cameraBiChan"), BangMau::mauDo.mau(), 40, devicePixelRatioF()));
    });
    auto* tieuDe = new NhanMau(QStringLiteral("Hệ thống đang chặn quyền mở webcam"), BangMau::mauChuChinh,
                               phongChu(15, QFont::DemiBold), trang);
    tieuDe->setObjectName(QStringLiteral("tieuDeCameraBiChan"));
    cot->addWidget(tieuDe, 0, Qt::AlignHCenter);
    // The command stands on a line of its own, so wrapping never splits it, and can be selected and copied.
    auto* giaiThich =
        new NhanMau(QStringLiteral("Tài khoản này không có quyền mở webcam (/dev/video…).\n"
                                   "Thêm tài khoản vào nhóm video bằng lệnh\n"
                                   "sudo usermod -aG video tên-tài-khoản\n"
                                   "hoặc cấp quyền cho thiết bị, rồi đăng xuất, đăng nhập lại và mở lại phần mềm."),
                    BangMau::mauChuPhu, phongChu(13), trang);
    giaiThich->setObjectName(QStringLiteral("giaiThichCameraBiChan"));
    giaiThich->setWordWrap(true);
    giaiThich->setAlignment(Qt::AlignHCenter);
    giaiThich->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Placed with an alignment, a wrapped label is given the height of its unwrapped hint and loses its last
    // lines; its width is fixed so its height can be fixed to what the wrapped text needs.
    giaiThich->setFixedWidth(420);
    giaiThich->setFixedHeight(giaiThich->heightForWidth(420));
    cot->addWidget(giaiThich, 0, Qt::AlignHCenter);
    cot->addStretch(1);
    return trang;
}

// The camera's real state in a few words: ready only while the camera runs (the engine declares it stopped
// when its frames stop), else why not; the camera's full text goes in the tooltip.
QString KhungChinh::chuTrangThaiCamera(TrangThaiApp::QuyenCamera quyen, const CongCameraManHinh* cam) {
    if (quyen != TrangThaiApp::QuyenCamera::duocPhep) return QStringLiteral("Camera bị chặn");
    if (cam && cam->dangChay()) return QStringLiteral("Camera sẵn sàng");
    const QString loi = cam ? cam->loiCamera() : QString();
    if (loi.startsWith(u"Không tìm thấy webcam")) return QStringLiteral("Không có webcam");
    if (loi.startsWith(QLatin1String("Webcam"))) return QStringLiteral("Webcam ngừng gửi hình");
    if (loi.startsWith(u"Không mở được webcam")) return QStringLiteral("Không mở được webcam");
    return QStringLiteral("Camera chưa mở");
}

void KhungChinh::lamMoiTrangThai() {
    const CongCameraManHinh* cam = camera();
    const bool sanSang = trangThai_.quyenCamera() == TrangThaiApp::QuyenCamera::duocPhep && cam && cam->dangChay();
    chamCamera_->datNen(sanSang ? BangMau::mauXanhLa : BangMau::mauDo);
    chuCamera_->setText(chuTrangThaiCamera(trangThai_.quyenCamera(), cam));
    chuCamera_->setToolTip(cam && !sanSang ? cam->loiCamera() : QString());
    const CongDongBo* db = trangThai_.dongBo();
    chuDongBo_->setVisible(db != nullptr);
    chuDongBo_->setText(db ? db->trangThai() : QString());
    const std::optional<QString> canhBao =
        trangThai_.dieuPhoi() ? trangThai_.dieuPhoi()->canhBaoOCung() : std::optional<QString>();
    const bool coCanhBao = canhBao && !canhBao->isEmpty();
    chuOCung_->setVisible(coCanhBao);
    chuOCung_->setText(coCanhBao ? *canhBao : QString());
    chuSoLuong_->setText(QString::number(trangThai_.soDon()) + QStringLiteral(" đơn · ") +
                         QString::number(trangThai_.soVideo()) + QStringLiteral(" video đã nạp"));
}
