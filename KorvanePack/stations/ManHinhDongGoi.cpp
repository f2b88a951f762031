#include "stations/ManHinhDongGoi.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/BangMau.h"
#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "core/CongCameraManHinh.h"
#include "core/LopPhuKhung.h"
#include "shell/GiaoDien.h"
#include "shell/KhungBo.h"
#include "shell/NhanCatCuoi.h"
#include "shell/NhanMau.h"
#include "shell/NhanNgatMoiCho.h"
#include "shell/PhongChu.h"
#include "stations/HopCamera.h"
#include "stations/KhungCamera.h"
#include "stations/KhungNham.h"
#include "stations/NutDo.h"
#include "stations/ONhapMa.h"
#include "stations/TiLeKhung.h"
#include "stations/TrangTram.h"
#include "store/DinhDangNgay.h"
#include "store/DongHo.h"
#include "store/TienIch.h"

// The status line. The message at the right is the outcome the packer waits for, so when both texts do not
// fit it keeps its whole width and the camera text at the left is the one cut short; they never overlap.
class HangTrangThai : public QWidget {
public:
    HangTrangThai(QLabel* trai, QLabel* phai) : trai_(trai), phai_(phai) {
        trai_->setParent(this);
        phai_->setParent(this);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        int rong = trai_->sizeHint().width();
        if (!phai_->isHidden()) rong += kKhe + phai_->sizeHint().width();
        return {rong, caoDong(width())};
    }
    QSize minimumSizeHint() const override { return {0, caoDong(width())}; }
    // The camera text wraps under itself rather than being cut: the camera's name and its mode are what the
    // packer checks before filming, and at the smallest window they do not fit beside the message.
    void xepLai() {
        const int rongPhai = rongChoPhai(width());
        phai_->setGeometry(width() - rongPhai, 0, rongPhai, height());
        trai_->setGeometry(0, 0, rongChoTrai(width()), height());
        const int can = caoDong(width());
        if (can != height() || can != minimumHeight()) setFixedHeight(can);
        updateGeometry();
    }

protected:
    void resizeEvent(QResizeEvent*) override { xepLai(); }

private:
    static constexpr int kKhe = 12;
    int rongChoPhai(int rong) const { return phai_->isHidden() ? 0 : qMin(phai_->sizeHint().width(), rong); }
    int rongChoTrai(int rong) const {
        const int phai = rongChoPhai(rong);
        return qMax(0, rong - phai - (phai > 0 ? kKhe : 0));
    }
    // The lines the camera text takes beside the message now shown, and never fewer than beside one that takes
    // half the row: the usual messages ("Đã lưu …") come and go at every recording, and the camera box above must
    // not jump with them. Only a message longer than half the row may grow the row further.
    int caoDong(int rong) const {
        const auto caoTrai = [this](int rongTrai) {
            return rongTrai > 0 && !trai_->text().isEmpty() ? trai_->heightForWidth(rongTrai) : 0;
        };
        return std::max({caoTrai(rongChoTrai(rong)), caoTrai(rong / 2 - kKhe), trai_->fontMetrics().lineSpacing(),
                         phai_->sizeHint().height()});
    }
    QLabel* trai_;
    QLabel* phai_;
};

namespace {
KhungBo* taoKhungChu(const MauDong* nen, double doMo, const QColor* nenCoDinh, int banKinh, int ngang, int doc) {
    auto* k = new KhungBo;
    if (nen) k->datNen(*nen, doMo);
    if (nenCoDinh) k->datNenCoDinh(*nenCoDinh);
    k->datBanKinh(banKinh);
    k->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* l = new QVBoxLayout(k);
    l->setContentsMargins(ngang, doc, ngang, doc);
    return k;
}
}  // namespace

ManHinhDongGoi::ManHinhDongGoi(BoDieuPhoi* dieuPhoi, CongCameraManHinh* camera, const CaiDat& caiDat, QWidget* parent)
    : ManHinhDongGoi(dieuPhoi, camera, caiDat, DongHo::heThong(), parent) {}

ManHinhDongGoi::ManHinhDongGoi(BoDieuPhoi* dieuPhoi, CongCameraManHinh* camera, const CaiDat& caiDat, DongHo& dongHo,
                               QWidget* parent)
    : QWidget(parent), dieuPhoi_(dieuPhoi), camera_(camera), dongHo_(dongHo), caiDat_(caiDat) {
    gio_ = thoiDiemQt(dongHo_.gioThuc());
    setAutoFillBackground(true);
    const TrangTram trangTram = dungTrangTram(this);
    QHBoxLayout* hang = trangTram.hang;
    QVBoxLayout* cotTrai = trangTram.cotCamera;
    xemTruoc_ = new KhungCamera;
    nham_ = new KhungNham;

    const QColor trang(Qt::white);
    loi_ = taoKhungChu(&BangMau::mauNen, 0.93, nullptr, 14, 24, 24);
    loi_->layout()->setSpacing(8);
    tieuDeLoi_ =
        new NhanMau(QStringLiteral("Không mở được webcam"), BangMau::mauChuChinh, phongChu(17, QFont::DemiBold));
    tieuDeLoi_->setAlignment(Qt::AlignHCenter);
    chuLoi_ = new NhanMau({}, BangMau::mauChuPhu, phongChu(13));
    chuLoi_->setWordWrap(true);
    chuLoi_->setAlignment(Qt::AlignHCenter);
    chuLoi_->setMaximumWidth(420);
    loi_->layout()->addWidget(tieuDeLoi_);
    loi_->layout()->addWidget(chuLoi_);
    loi_->layout()->setAlignment(chuLoi_, Qt::AlignHCenter);

    huyHieu_ = taoKhungChu(&BangMau::mauDo, 1.0, nullptr, 6, 11, 5);
    delete huyHieu_->layout();
    auto* lh = new QHBoxLayout(huyHieu_);
    lh->setContentsMargins(11, 5, 11, 5);
    lh->setSpacing(7);
    auto* cham = new KhungBo;
    cham->datNenCoDinh(trang);
    cham->datBanKinh(-1);
    cham->setFixedSize(7, 7);
    chuHuyHieu_ = new NhanMau({}, BangMau::mauChuChinh, phongChu(12, QFont::DemiBold, true));
    chuHuyHieu_->datMauCoDinh(trang);
    lh->addWidget(cham, 0, Qt::AlignVCenter);
    lh->addWidget(chuHuyHieu_);

    const QColor den(0, 0, 0, qRound(0.68 * 255));
    chuThich_ = taoKhungChu(nullptr, 1.0, &den, 6, 12, 9);
    chuThich_->layout()->setSpacing(2);
    dongMa_ = new NhanMau({}, BangMau::mauChuChinh, phongChu(15, QFont::DemiBold, true));
    dongMa_->datMauCoDinh(trang);
    dongShop_ = new NhanMau({}, BangMau::mauChuChinh, phongChu(12));
    QColor trangMo = trang;
    trangMo.setAlphaF(0.86f);
    dongShop_->datMauCoDinh(trangMo);
    dongSerial_ = new NhanMau({}, BangMau::mauXanhLa, phongChu(12, QFont::DemiBold, true));
    chuThich_->layout()->addWidget(dongMa_);
    chuThich_->layout()->addWidget(dongShop_);
    chuThich_->layout()->addWidget(dongSerial_);

    hop_ = new HopCamera(xemTruoc_, nham_, loi_, huyHieu_, chuThich_);
    cotTrai->addWidget(hop_, 1);

    auto* hangNhap = new QHBoxLayout;
    hangNhap->setSpacing(10);
    auto* vienNhap = new KhungBo;
    vienNhap->datNen(BangMau::mauThe);
    vienNhap->datVien(BangMau::mauVienThe);
    vienNhap->datBanKinh(10);
    auto* lNhap = new QHBoxLayout(vienNhap);
    lNhap->setContentsMargins(16, 14, 16, 14);
    oNhap_ = new ONhapMa(QStringLiteral("Đưa mã vào camera, hoặc gõ mã rồi bấm Enter"));
    oNhap_->setFrame(false);
    oNhap_->setFont(phongChu(17, QFont::Normal, true));
    oNhap_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; }"));
    lNhap->addWidget(oNhap_);
    hangNhap->addWidget(vienNhap, 1);
    nutKhongMa_ = new QPushButton(QStringLiteral("Quay không mã"));
    nutKhongMa_->setFont(phongChu(15));
    nutKhongMa_->setMinimumHeight(44);
    nutKhongMa_->setMinimumWidth(QFontMetrics(nutKhongMa_->font()).horizontalAdvance(nutKhongMa_->text()) + 40);
    nutKhongMa_->setAutoDefault(false);
    nutDung_ = new NutDo(QStringLiteral("Dừng quay"));
    // A click on either button must leave the keyboard in the code field: the next parcel's code comes from
    // a scanner that types into whatever holds the focus.
    nutKhongMa_->setFocusPolicy(Qt::NoFocus);
    nutDung_->setFocusPolicy(Qt::NoFocus);
    // One size for both: the field beside them keeps its width, so its hint wraps onto the same lines idle and
    // recording, and the camera box above does not jump at every start and stop.
    const int rongNut = qMax(nutKhongMa_->sizeHint().width(), nutDung_->sizeHint().width());
    const int caoNut = qMax(nutKhongMa_->sizeHint().height(), nutDung_->sizeHint().height());
    nutKhongMa_->setFixedSize(rongNut, caoNut);
    nutDung_->setFixedSize(rongNut, caoNut);
    hangNhap->addWidget(nutKhongMa_);
    hangNhap->addWidget(nutDung_);
    cotTrai->addLayout(hangNhap);

    chuCamera_ = new NhanNgatMoiCho({}, BangMau::mauChuPhu, phongChu(12));
    chuThongBao_ = new NhanCatCuoi({}, BangMau::mauXanhLa, phongChu(12));
    chuThongBao_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    hangTrangThai_ = new HangTrangThai(chuCamera_, chuThongBao_);
    cotTrai->addWidget(hangTrangThai_);

    // The order panel's frame.
    auto* khungBang = new KhungBo;
    khungBang->setObjectName(QStringLiteral("khungBangDon"));
    khungBang->datNen(BangMau::mauThe);
    khungBang->datVien(BangMau::mauVienThe);
    khungBang->datBanKinh(14);
    khungBang->setFixedWidth(400);
    auto* lBang = new QVBoxLayout(khungBang);
    lBang->setContentsMargins(18, 18, 18, 18);
    bang_ = new BangDon;
    lBang->addWidget(bang_);
    hang->addWidget(khungBang);

    connect(oNhap_, &QLineEdit::returnPressed, this, [this] { guiMaGoTay(); });
    connect(nutKhongMa_, &QPushButton::clicked, this, [this] { giaoViec([](BoDieuPhoi& dp) { dp.quayKhongMa(); }); });
    connect(nutDung_, &QPushButton::clicked, this, [this] { giaoViec([](BoDieuPhoi& dp) { dp.ketThucQuay(); }); });
    phimEsc_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    // Window-wide: focus may sit in the sidebar, which refuses to leave while recording, and Escape must
    // still stop.
    phimEsc_->setContext(Qt::WindowShortcut);
    connect(phimEsc_, &QShortcut::activated, this, [this] {
        if (!nutDung_->isHidden()) nutDung_->click();
    });

    nhip_.setInterval(1000);
    nhip_.setTimerType(Qt::PreciseTimer);
    connect(&nhip_, &QTimer::timeout, this, [this] { moiGiay(); });
    nhip_.start();

    if (dieuPhoi_) {
        for (auto tinHieu :
             {&BoDieuPhoi::donHienTaiChanged, &BoDieuPhoi::maHienTaiChanged, &BoDieuPhoi::canhBaoChanged,
              &BoDieuPhoi::thongBaoChanged, &BoDieuPhoi::serialsChanged, &BoDieuPhoi::soDaQuayHomNayChanged,
              &BoDieuPhoi::trangThaiChanged})
            connect(dieuPhoi_, tinHieu, this, [this] { lamMoi(); });
    }
    if (camera_) {
        connect(camera_, &CongCameraManHinh::dangChayDoi, this, [this] { lamMoi(); });
        connect(camera_, &CongCameraManHinh::dangGhiDoi, this, [this] { lamMoi(); });
        // The recorded seconds change every second: only the badge depends on them.
        connect(camera_, &CongCameraManHinh::giayDaGhiDoi, this, [this] {
            chuHuyHieu_->setText(hienThiPhutGiay(camera_ ? camera_->giayDaGhi() : 0));
            hop_->xepLai();  // past 99 minutes the badge grows a digit
        });
        connect(camera_, &CongCameraManHinh::tenCameraDoi, this, [this] { lamMoi(); });
        connect(camera_, &CongCameraManHinh::doPhanGiaiDoi, this, [this] { lamMoi(); });
        connect(camera_, &CongCameraManHinh::loiCameraDoi, this, [this] { lamMoi(); });
    }
    noiKhungHinh();
    lamMoi();
}

// The engine's raw frames, before the caption, reach the GUI thread through its preview relay.
void ManHinhDongGoi::noiKhungHinh() {
    if (!camera_) return;
    connect(camera_, &CongCameraManHinh::khungMoi, xemTruoc_, &KhungCamera::hienKhung);
    connect(xemTruoc_, &KhungCamera::kichThuocXemDoi, camera_, &CongCameraManHinh::datKichThuocXem);
}

// The caption above the preview reads as the one burnt into the video, so both take their lines from the overlay.
QString ManHinhDongGoi::dongMaChuThich(const QString& maHienTai) {
    return LopPhuKhung::dongMa(maHienTai, QString());
}

QString ManHinhDongGoi::dongSerialChuThich(const QStringList& serials) {
    return LopPhuKhung::dongSerial(serials);
}

void ManHinhDongGoi::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    khiHienRa();
}

void ManHinhDongGoi::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    // Back from a dialog or another program: the focus returns to the code field unless it went to another
    // place that takes typing.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && isVisible()) {
        const QWidget* dangGo = QApplication::focusWidget();
        if (!dangGo || !dangGo->testAttribute(Qt::WA_InputMethodEnabled)) oNhap_->setFocus(Qt::ActiveWindowFocusReason);
    }
}

void ManHinhDongGoi::khiHienRa() {
    if (dieuPhoi_) dieuPhoi_->datCheDo(BoDieuPhoi::CheDo::dongGoi);
    oNhap_->setFocus(Qt::OtherFocusReason);
}

void ManHinhDongGoi::moiGiay() {
    gio_ = thoiDiemQt(dongHo_.gioThuc());
    lamMoiChuThich();
    giaoViec([](BoDieuPhoi& dp) { dp.kiemTraGioiHan(); });
}

void ManHinhDongGoi::guiMaGoTay() {
    const QString ma = oNhap_->text();
    oNhap_->clear();
    giaoViec([ma](BoDieuPhoi& dp) { dp.nhapMaTay(ma); });
}

void ManHinhDongGoi::giaoViec(std::function<void(BoDieuPhoi&)> viec) {
    giaoViecDieuPhoi(this, dieuPhoi_.data(), std::move(viec));
}

void ManHinhDongGoi::lamMoi() {
    const CongCameraManHinh* cam = camera_;
    const bool dangGhi = cam && cam->dangGhi();
    const bool dangChay = cam && cam->dangChay();
    // The engine publishes "no error" as the null text.
    const QString loiTho = cam ? cam->loiCamera() : QString();
    const std::optional<QString> loi = loiTho.isNull() ? std::nullopt : std::optional<QString>(loiTho);
    const QString doPhanGiai = cam ? cam->doPhanGiai() : QString();

    hop_->datTiLe(tiLeKhung(doPhanGiai));
    nham_->setVisible(!dangGhi);
    loi_->setVisible(loi.has_value());
    // An error while the camera runs is the recording's file (a full or failing disk), never the webcam's.
    tieuDeLoi_->setText(dangChay ? QStringLiteral("Không ghi được video") : QStringLiteral("Không mở được webcam"));
    chuLoi_->setText(loi.value_or(QString()));
    // A wrapped label asks for a narrow width of its own; the box should use up to its 420 before wrapping.
    chuLoi_->setMinimumWidth(qMin(420, QFontMetrics(chuLoi_->font()).horizontalAdvance(chuLoi_->text()) + 2));
    huyHieu_->setVisible(dangGhi);
    chuThich_->setVisible(dangGhi);
    chuHuyHieu_->setText(hienThiPhutGiay(cam ? cam->giayDaGhi() : 0));
    lamMoiChuThich();
    hop_->xepLai();

    nutKhongMa_->setVisible(!dangGhi);
    nutDung_->setVisible(dangGhi);
    phimEsc_->setEnabled(dangGhi);

    chuCamera_->setText(dangChay ? QStringLiteral("Camera: ") + cam->tenCamera() + QStringLiteral(" · ") + doPhanGiai
                                 : QStringLiteral("Camera: chưa mở"));
    const std::optional<QString> thongBao = dieuPhoi_ ? dieuPhoi_->thongBao() : std::nullopt;
    chuThongBao_->setVisible(thongBao.has_value());
    chuThongBao_->setText(thongBao.value_or(QString()));
    chuThongBao_->datMau(dieuPhoi_ && dieuPhoi_->thongBaoLaLoi() ? BangMau::mauDo : BangMau::mauXanhLa);
    hangTrangThai_->xepLai();

    BangDon::DuLieu d;
    d.dangGhi = dangGhi;
    if (dieuPhoi_) {
        d.donHienTai = dieuPhoi_->donHienTai();
        d.daLuu = dieuPhoi_->donHienTaiDaLuu();
        d.dangLuu = dieuPhoi_->trangThai() == BoDieuPhoi::TrangThai::dangDung;
        d.maHienTai = dieuPhoi_->maHienTai();
        d.serials = dieuPhoi_->serials();
        d.canhBao = dieuPhoi_->canhBao();
        d.soDaQuayHomNay = dieuPhoi_->soDaQuayHomNay();
    }
    bang_->capNhat(d);
}

void ManHinhDongGoi::lamMoiChuThich() {
    const QString ma = dieuPhoi_ ? dieuPhoi_->maHienTai() : QString();
    dongMa_->setText(dongMaChuThich(ma));
    dongShop_->setText(LopPhuKhung::dongShop(caiDat_.tenShop(), dinhDangNgayGio().dinhDang(gio_)));
    const QStringList serials = dieuPhoi_ ? dieuPhoi_->serials() : QStringList();
    dongSerial_->setVisible(!serials.isEmpty());
    dongSerial_->setText(dongSerialChuThich(serials));
    if (chuThich_->isVisible()) hop_->xepLai();
}

bool ManHinhDongGoi::hienKhungNham() const {
    return !nham_->isHidden();
}
bool ManHinhDongGoi::hienLoiWebcam() const {
    return !loi_->isHidden();
}
bool ManHinhDongGoi::hienLopDangQuay() const {
    return !huyHieu_->isHidden() && !chuThich_->isHidden();
}
QString ManHinhDongGoi::chuHuyHieu() const {
    return chuHuyHieu_->text();
}
QString ManHinhDongGoi::tieuDeLoiWebcam() const {
    return tieuDeLoi_->text();
}

QString ManHinhDongGoi::chuLoiWebcam() const {
    return chuLoi_->text();
}
QString ManHinhDongGoi::chuCamera() const {
    return chuCamera_->text();
}

QStringList ManHinhDongGoi::cacDongChuThich() const {
    QStringList kq{dongMa_->text(), dongShop_->text()};
    if (!dongSerial_->isHidden()) kq << dongSerial_->text();
    return kq;
}

QColor ManHinhDongGoi::mauThongBao() const {
    return chuThongBao_->mauChu();
}

std::optional<QString> ManHinhDongGoi::chuThongBao() const {
    if (chuThongBao_->isHidden()) return std::nullopt;
    return chuThongBao_->text();
}
