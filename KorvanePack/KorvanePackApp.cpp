#include "KorvanePackApp.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

#include "admin/ManHinhCaiDat.h"
#include "admin/ManHinhCaiDatLanDau.h"
#include "admin/ManHinhNhapPin.h"
#include "admin/ManHinhThuMay.h"
#include "shell/BanDichQt.h"
#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "core/CongDongBo.h"
#include "core/CumDieuPhoi.h"
#include "core/DauRaAmThanh.h"
#include "shell/GiaoDien.h"
#include "core/KhoiDong.h"
#include "shell/KhungChinh.h"
#include "shell/NenCongThongTin.h"
#include "shell/PhongChu.h"
#include "core/QuyenCamera.h"
#include "core/TiengBao.h"
#include "core/TinHieuDong.h"
#include "core/TrangThaiApp.h"
#include "evidence/DangKyManHinh.h"
#include "evidence/SaoLuu.h"
#include "sources/BoDongBo.h"
#include "stations/ManHinhDongGoi.h"
#include "stations/ManHinhHangHoan.h"
#include "store/KhoDuLieu.h"
#include "store/DongHo.h"

namespace {
// Where the video device nodes are looked for; another folder only for running the program against a
// prepared set of devices.
QString thuMucThietBi() {
    const QString khac = qEnvironmentVariable("KORVANE_THU_MUC_THIET_BI");
    return khac.isEmpty() ? QStringLiteral("/dev") : khac;
}
}  // namespace

void KorvanePackApp::apDungGiaoDien(const QString& giaoDien) {
    GiaoDien::ban().apDungGiaoDien(giaoDien);
}

KorvanePackApp::KorvanePackApp() : KorvanePackApp(CanhNen{}) {}

KorvanePackApp::KorvanePackApp(CanhNen canhNen) : canhNen_(std::move(canhNen)) {
    const QString tepCaiDat = canhNen_.tepCaiDat.isEmpty() ? CaiDat::duongDanTepMacDinh() : canhNen_.tepCaiDat;
    QApplication::setFont(phongChu(13));
    caiBanDichQt();
    GiaoDien::ban().datNguonHeThong(new NenCongThongTin(qApp));
    // The settings object does not exist yet: the stored text is read straight from the file.
    apDungGiaoDien(CaiDat::docGiaoDienDaLuu(tepCaiDat));

    caiDat_ = std::make_unique<CaiDat>(tepCaiDat, canhNen_.khoKhoa);
    trangThai_ = std::make_unique<TrangThaiApp>();
    GiaoDien::ban().theoCaiDat(*caiDat_);

    cuaSo_ = std::make_unique<QWidget>();
    cuaSo_->setWindowTitle(QStringLiteral("Korvane Zize"));
    cuaSo_->setMinimumSize(1100, 700);
    auto* cot = new QVBoxLayout(cuaSo_.get());
    cot->setContentsMargins(0, 0, 0, 0);
    khung_ = new KhungChinh(*caiDat_, *trangThai_, cuaSo_.get());
    cot->addWidget(khung_);
    // Closing the window mid-recording saves the recording before the program ends.
    cuaSo_->installEventFilter(khung_);
    dangKyManHinh();
    // A shutdown or the end of the desktop session ends the program the way closing its window does.
    tinHieu_ = std::make_unique<TinHieuDong>();
    QObject::connect(tinHieu_.get(), &TinHieuDong::yeuCauDong, cuaSo_.get(), [this](int) { dongTheoTinHieu(); });

    KhoiDong::DichVu dv;
    if (canhNen_.docQuyenCamera) {
        dv.docQuyenCamera = canhNen_.docQuyenCamera;
    } else {
        const QString tb = thuMucThietBi();
        dv.docQuyenCamera = [tb] { return QuyenCamera::doc(tb); };
    }
    dv.taoDieuPhoi = [this](KhoDuLieu& kho, CaiDat& caiDat) {
        std::unique_ptr<CameraEngine> camera =
            canhNen_.taoCamera ? canhNen_.taoCamera() : std::make_unique<CameraEngine>();
        auto tieng = std::make_unique<TiengBao>(canhNen_.taoDauRaAmThanh ? canhNen_.taoDauRaAmThanh() : nullptr);
        return std::make_shared<CumDieuPhoi>(kho, caiDat, std::move(camera), std::move(tieng), canhNen_.dongHo,
                                             canhNen_.henGio);
    };
    dv.taoDongBo = [this](KhoDuLieu& kho, CaiDat& caiDat) -> std::shared_ptr<CongDongBo> {
        BoDongBo::CauHinh cauHinh;
        if (canhNen_.dongHo) cauHinh.dongHo = canhNen_.dongHo;
        cauHinh.henGio = canhNen_.henGio;
        cauHinh.kenh = canhNen_.kenhHTTP;
        return std::make_shared<BoDongBo>(kho, caiDat, std::move(cauHinh));
    };
    dv.taoSaoLuu = [](KhoDuLieu& kho, CaiDat& caiDat) -> std::shared_ptr<CongSaoLuu> {
        return std::make_shared<SaoLuu>(kho, caiDat);
    };
    khoiDong_ = std::make_unique<KhoiDong>(*trangThai_, *caiDat_, std::move(dv));
    QObject::connect(khoiDong_.get(), &KhoiDong::khongMoDuocKho, cuaSo_.get(), [this](const QString& loi) {
        const QByteArray b = loi.toUtf8() + '\n';
        std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
        std::fflush(stderr);
        auto* hop =
            new QMessageBox(QMessageBox::Critical, QStringLiteral("Korvane Zize"), loi, QMessageBox::Ok, cuaSo_.get());
        hop->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(hop, &QMessageBox::finished, qApp, [] { QCoreApplication::exit(1); });
        hop->open();
    });
}

KorvanePackApp::~KorvanePackApp() {
    tinHieu_.reset();
    khoiDong_.reset();
    cuaSo_.reset();
    trangThai_.reset();
    caiDat_.reset();
}

void KorvanePackApp::dangKyManHinh() {
    DongHo* dongHo = canhNen_.dongHo ? canhNen_.dongHo : &DongHo::heThong();
    khung_->dangKyManHinh(KhungChinh::ManHinh::dongGoi, [dongHo](TrangThaiApp& tt, CaiDat& cd) -> QWidget* {
        return new ManHinhDongGoi(tt.dieuPhoi(), tt.camera(), cd, *dongHo);
    });
    khung_->dangKyManHinh(KhungChinh::ManHinh::hangHoan, [dongHo](TrangThaiApp& tt, CaiDat&) -> QWidget* {
        if (!tt.kho()) return nullptr;
        return new ManHinhHangHoan(tt.dieuPhoi(), tt.camera(), *tt.kho(), tt.suaBanGhi(), *dongHo);
    });
    DangKyManHinh::dangKy(*khung_, *dongHo);
    khung_->dangKyManHinh(KhungChinh::ManHinh::thuMay, [dongHo](TrangThaiApp& tt, CaiDat&) -> QWidget* {
        BoDieuPhoi* dp = tt.dieuPhoi();
        return dp ? new ManHinhThuMay(dp, tt.camera(), false, *dongHo) : nullptr;
    });
    khung_->dangKyNhapPin([](TrangThaiApp&, CaiDat& cd, std::function<void()> xong) -> QWidget* {
        return new ManHinhNhapPin(cd, std::move(xong));
    });
    khung_->dangKyCaiDatLanDau([](TrangThaiApp& tt, CaiDat& cd, std::function<void()> xong) -> QWidget* {
        BoDieuPhoi* dp = tt.dieuPhoi();
        if (!dp || !tt.dongBo()) return nullptr;
        auto* man = new ManHinhCaiDatLanDau(dp, cd, tt.dongBo(), tt.camera(), std::move(xong));
        man->datDoiKho([&tt, &cd](const QString& thuMuc) { return doiKhoLanDau(tt, cd, thuMuc); });
        return man;
    });
    khung_->dangKyManHinh(KhungChinh::ManHinh::caiDat, [](TrangThaiApp& tt, CaiDat& cd) -> QWidget* {
        if (!tt.kho()) return nullptr;
        return new ManHinhCaiDat(tt.camera(), *tt.kho(), tt.dongBo(), tt.saoLuu(), cd);
    });
}

std::optional<QString> KorvanePackApp::doiKhoLanDau(TrangThaiApp& tt, CaiDat& cd, const QString& thuMuc) {
    KhoDuLieu* kho = tt.kho();
    if (!kho) return std::nullopt;
    // The sync engine writes a fetch into the store's folder from its worker: the folder moves between fetches.
    if (tt.dongBo() && tt.dongBo()->dangChay())
        return QStringLiteral("Đang lấy đơn từ nền tảng. Đợi vài giây rồi chọn lại thư mục này.");
    if (auto loi = kho->doiThuMucGoc(thuMuc, cd.soNgayGiu())) return loi;
    tt.datSoDon(int(kho->donTheoId().size()));
    tt.datSoVideo(int(kho->videoTheoId().size()));
    // The free space shown before recording is that of the folder the videos now go to.
    if (BoDieuPhoi* dp = tt.dieuPhoi()) dp->kiemTraTruocKhiQuay();
    return std::nullopt;
}

void KorvanePackApp::dongTheoTinHieu() {
    if (cuaSo_->close()) {
        // A dialog of its own may still be open; the program ends all the same.
        QCoreApplication::quit();
        return;
    }
    // Held back while the running recording is saved. Once the coordinator is idle again, saved or not, the
    // close goes through: the session is ending, and a file without a record is taken in at the next start.
    if (choDongTheoTinHieu_) return;
    BoDieuPhoi* dp = trangThai_->dieuPhoi();
    if (!dp) return;
    choDongTheoTinHieu_ = true;
    QObject::connect(
        dp, &BoDieuPhoi::trangThaiChanged, cuaSo_.get(),
        [this, dp] {
            if (dp->trangThai() == BoDieuPhoi::TrangThai::nghi && cuaSo_->close()) QCoreApplication::quit();
        },
        Qt::QueuedConnection);
}

void KorvanePackApp::tacVuKhoiDong() {
    khoiDong_->chay();
}

int KorvanePackApp::chay() {
    hien();
    return QApplication::exec();
}

void KorvanePackApp::hien() {
    cuaSo_->resize(1360, 860);
    if (QScreen* man = QGuiApplication::primaryScreen()) {
        const QRect vung = man->availableGeometry();
        cuaSo_->resize(cuaSo_->size().boundedTo(vung.size()).expandedTo(cuaSo_->minimumSize()));
        cuaSo_->move(vung.center() - QPoint(cuaSo_->width() / 2, cuaSo_->height() / 2));
    }
    cuaSo_->show();
    QTimer::singleShot(0, cuaSo_.get(), [this] { tacVuKhoiDong(); });
}
