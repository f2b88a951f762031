#include "stations/ManHinhDongGoi.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "core/BangMau.h"
#include "core/GiaoDien.h"
#include "core/KhungBo.h"
#include "core/NhanMau.h"
#include "core/PhongChu.h"
#include "core/QuanSat.h"
#include "store/DinhDangNgay.h"
#include "store/DongHo.h"
#include "stations/HopCamera.h"
#include "stations/KhungCamera.h"
#include "stations/KhungNham.h"
#include "stations/NutDo.h"
#include "stations/TiLeKhung.h"

namespace {
// The order may be published as an optional or as a plain order; both read the same here.
std::optional<DonHang> docDon(const QVariant& v) {
    if (v.metaType() == QMetaType::fromType<std::optional<DonHang>>()) return v.value<std::optional<DonHang>>();
    if (v.metaType() == QMetaType::fromType<DonHang>()) return v.value<DonHang>();
    return std::nullopt;
}

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

ManHinhDongGoi::ManHinhDongGoi(QObject* dieuPhoi, QObject* caiDat, QWidget* parent)
    : ManHinhDongGoi(dieuPhoi, caiDat, DongHo::heThong(), parent) {}

ManHinhDongGoi::ManHinhDongGoi(QObject* dieuPhoi, QObject* caiDat, DongHo& dongHo, QWidget* parent)
    : QWidget(parent), dieuPhoi_(dieuPhoi), caiDat_(caiDat), dongHo_(dongHo) {
    gio_ = thoiDiemQt(dongHo_.gioThuc());
    setAutoFillBackground(true);
    auto* nen = new KhungBo(this);
    nen->datNen(BangMau::mauNen);
    auto* ngoai = new QVBoxLayout(this);
    ngoai->setContentsMargins(0, 0, 0, 0);
    ngoai->addWidget(nen);
    auto* hang = new QHBoxLayout(nen);
    hang->setContentsMargins(20, 20, 20, 20);
    hang->setSpacing(18);

    // The camera column.
    auto* cotTrai = new QVBoxLayout;
    cotTrai->setSpacing(12);
    xemTruoc_ = new KhungCamera;
    nham_ = new KhungNham;

    const QColor trang(Qt::white);
    loi_ = taoKhungChu(&BangMau::mauNen, 0.93, nullptr, 14, 24, 24);
    loi_->layout()->setSpacing(8);
    auto* tieuDeLoi = new NhanMau(QStringLiteral("Không mở được webcam"), BangMau::mauChuChinh,
                                  phongChu(17, QFont::DemiBold));
    tieuDeLoi->setAlignment(Qt::AlignHCenter);
    chuLoi_ = new NhanMau({}, BangMau::mauChuPhu, phongChu(13));
    chuLoi_->setWordWrap(true);
    chuLoi_->setAlignment(Qt::AlignHCenter);
    chuLoi_->setMaximumWidth(420);
    loi_->layout()->addWidget(tieuDeLoi);
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
    oNhap_ = new QLineEdit;
    oNhap_->setFrame(false);
    oNhap_->setFont(phongChu(17, QFont::Normal, true));
    oNhap_->setPlaceholderText(QStringLiteral("Đưa mã vào camera, hoặc gõ mã rồi bấm Enter"));
    oNhap_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; }"));
    lNhap->addWidget(oNhap_);
    hangNhap->addWidget(vienNhap, 1);
    nutKhongMa_ = new QPushButton(QStringLiteral("Quay không mã"));
    nutKhongMa_->setFont(phongChu(15));
    nutKhongMa_->setMinimumHeight(44);
    nutKhongMa_->setAutoDefault(false);
    nutDung_ = new NutDo(QStringLiteral("Dừng quay"));
    hangNhap->addWidget(nutKhongMa_);
    hangNhap->addWidget(nutDung_);
    cotTrai->addLayout(hangNhap);

    auto* hangTrangThai = new QHBoxLayout;
    chuCamera_ = new NhanMau({}, BangMau::mauChuPhu, phongChu(12));
    chuThongBao_ = new NhanMau({}, BangMau::mauXanhLa, phongChu(12));
    chuThongBao_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    hangTrangThai->addWidget(chuCamera_);
    hangTrangThai->addStretch(1);
    hangTrangThai->addWidget(chuThongBao_);
    cotTrai->addLayout(hangTrangThai);
    hang->addLayout(cotTrai, 1);

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
    connect(nutKhongMa_, &QPushButton::clicked, this, [this] { goi("quayKhongMa"); });
    connect(nutDung_, &QPushButton::clicked, this, [this] { goi("ketThucQuay"); });
    phimEsc_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    phimEsc_->setContext(Qt::WidgetWithChildrenShortcut);
    connect(phimEsc_, &QShortcut::activated, this, [this] {
        if (!nutDung_->isHidden()) nutDung_->click();
    });

    nhip_.setInterval(1000);
    nhip_.setTimerType(Qt::PreciseTimer);
    connect(&nhip_, &QTimer::timeout, this, [this] { moiGiay(); });
    nhip_.start();

    QuanSat::theoDoi(dieuPhoi_, this, [this] { lamMoi(); });
    QuanSat::theoDoi(camera(), this, [this] { lamMoi(); });
    noiKhungHinh();
    lamMoi();
}

QObject* ManHinhDongGoi::camera() const { return QuanSat::docDoiTuong(dieuPhoi_, "camera"); }

// The engine's raw frames, before the caption, arrive on the GUI thread through a signal carrying a QImage,
// on the engine itself or on a relay living as its child: the preview takes the first such signal.
void ManHinhDongGoi::noiKhungHinh() {
    QObject* cam = camera();
    if (!cam) return;
    const QMetaMethod nhan = xemTruoc_->metaObject()->method(xemTruoc_->metaObject()->indexOfSlot("hienKhung(QImage)"));
    QList<QObject*> nguon{cam};
    for (QObject* con : cam->children()) nguon << con;
    for (QObject* o : nguon) {
        const QMetaObject* mo = o->metaObject();
        for (int i = 0; i < mo->methodCount(); ++i) {
            const QMetaMethod m = mo->method(i);
            if (m.methodType() == QMetaMethod::Signal && m.parameterCount() == 1 &&
                m.parameterMetaType(0) == QMetaType::fromType<QImage>()) {
                connect(o, m, xemTruoc_, nhan);
                return;
            }
        }
    }
}

QString ManHinhDongGoi::chuThoiGian(qint64 giay) {
    return QString::asprintf("%02lld:%02lld", giay / 60, giay % 60);
}

void ManHinhDongGoi::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    khiHienRa();
}

void ManHinhDongGoi::khiHienRa() {
    QuanSat::ghi(dieuPhoi_, "cheDo", 0);
    oNhap_->setFocus(Qt::OtherFocusReason);
}

void ManHinhDongGoi::moiGiay() {
    gio_ = thoiDiemQt(dongHo_.gioThuc());
    lamMoiChuThich();
    goi("kiemTraGioiHan");
}

void ManHinhDongGoi::guiMaGoTay() {
    const QString ma = oNhap_->text();
    oNhap_->clear();
    goi("nhapMaTay", ma);
}

// Every action is its own task on the main thread: the screen returns at once and never waits on it.
void ManHinhDongGoi::goi(const char* thaoTac, const QVariant& doiSo) {
    QPointer<QObject> dp = dieuPhoi_;
    const QByteArray ten(thaoTac);
    QMetaObject::invokeMethod(
        this,
        [dp, ten, doiSo] {
            if (!dp) return;
            bool ok = false;
            if (doiSo.isValid()) {
                ok = QMetaObject::invokeMethod(dp, ten.constData(), Qt::DirectConnection,
                                               Q_ARG(QString, doiSo.toString()));
            } else {
                ok = QMetaObject::invokeMethod(dp, ten.constData(), Qt::DirectConnection);
            }
            if (!ok) qWarning("[Korvane] bộ điều phối không nhận thao tác %s", ten.constData());
        },
        Qt::QueuedConnection);
}

void ManHinhDongGoi::lamMoi() {
    QObject* cam = camera();
    const bool dangGhi = QuanSat::docBool(cam, "dangGhi");
    const bool dangChay = QuanSat::docBool(cam, "dangChay");
    const auto loi = QuanSat::docChuTuyChon(cam, "loiCamera");
    const QString doPhanGiai = QuanSat::docChu(cam, "doPhanGiai");

    hop_->datTiLe(tiLeKhung(doPhanGiai));
    nham_->setVisible(!dangGhi);
    loi_->setVisible(loi.has_value());
    chuLoi_->setText(loi.value_or(QString()));
    huyHieu_->setVisible(dangGhi);
    chuThich_->setVisible(dangGhi);
    chuHuyHieu_->setText(chuThoiGian(QuanSat::docSo(cam, "giayDaGhi")));
    lamMoiChuThich();
    hop_->xepLai();

    nutKhongMa_->setVisible(!dangGhi);
    nutDung_->setVisible(dangGhi);
    phimEsc_->setEnabled(dangGhi);

    chuCamera_->setText(dangChay ? QStringLiteral("Camera: ") + QuanSat::docChu(cam, "tenCamera") +
                                       QStringLiteral(" · ") + doPhanGiai
                                 : QStringLiteral("Camera: chưa mở"));
    const auto thongBao = QuanSat::docChuTuyChon(dieuPhoi_, "thongBao");
    chuThongBao_->setVisible(thongBao.has_value());
    chuThongBao_->setText(thongBao.value_or(QString()));

    BangDon::DuLieu d;
    d.dangGhi = dangGhi;
    d.donHienTai = docDon(QuanSat::doc(dieuPhoi_, "donHienTai"));
    d.maHienTai = QuanSat::docChu(dieuPhoi_, "maHienTai");
    d.serials = QuanSat::docDanhSach(dieuPhoi_, "serials");
    d.canhBao = QuanSat::docChuTuyChon(dieuPhoi_, "canhBao");
    d.soDaQuayHomNay = QuanSat::docSo(dieuPhoi_, "soDaQuayHomNay");
    bang_->capNhat(d);
}

void ManHinhDongGoi::lamMoiChuThich() {
    const QString ma = QuanSat::docChu(dieuPhoi_, "maHienTai");
    dongMa_->setText(ma.isEmpty() ? QStringLiteral("CHƯA QUÉT MÃ") : ma);
    dongShop_->setText(QuanSat::docChu(caiDat_, "tenShop") + QStringLiteral(" · ") + dinhDangNgayGio().dinhDang(gio_));
    const QStringList serials = QuanSat::docDanhSach(dieuPhoi_, "serials");
    dongSerial_->setVisible(!serials.isEmpty());
    dongSerial_->setText(QStringLiteral("SERIAL: ") + serials.join(QStringLiteral("  ·  ")));
    if (chuThich_->isVisible()) hop_->xepLai();
}

bool ManHinhDongGoi::hienKhungNham() const { return !nham_->isHidden(); }
bool ManHinhDongGoi::hienLoiWebcam() const { return !loi_->isHidden(); }
bool ManHinhDongGoi::hienLopDangQuay() const { return !huyHieu_->isHidden() && !chuThich_->isHidden(); }
QString ManHinhDongGoi::chuHuyHieu() const { return chuHuyHieu_->text(); }
QString ManHinhDongGoi::chuLoiWebcam() const { return chuLoi_->text(); }
QString ManHinhDongGoi::chuCamera() const { return chuCamera_->text(); }

QStringList ManHinhDongGoi::cacDongChuThich() const {
    QStringList kq{dongMa_->text(), dongShop_->text()};
    if (!dongSerial_->isHidden()) kq << dongSerial_->text();
    return kq;
}

std::optional<QString> ManHinhDongGoi::chuThongBao() const {
    if (chuThongBao_->isHidden()) return std::nullopt;
    return chuThongBao_->text();
}
