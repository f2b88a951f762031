#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTemporaryDir>
#include <atomic>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "KorvanePackApp.h"
#include "admin/ManHinhCaiDatLanDau.h"
#include "common/ChoDen.h"
#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "gia/core/DauRaAmThanhGia.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "core/TrangThaiApp.h"
#include "evidence/ManHinhTraCuu.h"
#include "evidence/SaoLuu.h"
#include "stations/ManHinhHangHoan.h"
#include "gia/sources/KenhHTTPKichBan.h"
#include "store/BanGhiVideo.h"
#include "store/KhoDuLieu.h"

namespace {

QString sha256Tep(const QString& duongDan) {
    QFile f(duongDan);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return QString::fromLatin1(h.result().toHex());
}

// The application object as main builds it, on a temporary settings file and data folder, a test-pattern
// camera, a silent sound output, an in-memory keyring and a transport that never reaches a network.
struct UngDungTrenGia {
    QTemporaryDir tmp;
    const QString goc = tmp.filePath(QStringLiteral("goc"));
    const QString sao = tmp.filePath(QStringLiteral("saoluu"));
    const QString tepCaiDat = tmp.filePath(QStringLiteral("korvane.ini"));
    std::atomic<int> soYeuCauMang{0};
    CameraEngine* camera = nullptr;
    std::unique_ptr<KorvanePackApp> ungDung;

    explicit UngDungTrenGia(bool daCaiDatLanDau = true) {
        {
            // What the owner has set by the time the program starts: a finished first run and a chosen backup.
            CaiDat cd(tepCaiDat, std::make_shared<KhoKhoaBoNho>());
            cd.setThuMucGoc(goc);
            cd.setTenShop(QStringLiteral("Shop Thử"));
            cd.setGiayToiThieu(1);
            cd.setDaCaiDatLanDau(daCaiDatLanDau);
            cd.setCameraId(QStringLiteral("lavfi:testsrc=size=320x240:rate=15"));
            cd.setDoPhanGiai(QStringLiteral("320x240"));
            EXPECT_TRUE(QDir().mkpath(sao));
            EXPECT_TRUE(SaoLuu::danhDauThuMuc(sao));
            cd.setThuMucSaoLuu(sao);
        }
        KorvanePackApp::CanhNen canh;
        canh.tepCaiDat = tepCaiDat;
        canh.khoKhoa = std::make_shared<KhoKhoaBoNho>();
        canh.taoCamera = [this] {
            auto c = std::make_unique<CameraEngine>();
            camera = c.get();
            return c;
        };
        canh.taoDauRaAmThanh = [] { return std::make_unique<DauRaAmThanhGia>(); };
        canh.kenhHTTP = std::make_shared<KenhHTTPKichBan>([this](const YeuCauHTTP&, int) {
            ++soYeuCauMang;
            PhanHoiHTTP ph;
            ph.status = 503;
            return ph;
        });
        canh.docQuyenCamera = [] { return TrangThaiApp::QuyenCamera::duocPhep; };
        ungDung = std::make_unique<KorvanePackApp>(std::move(canh));
    }

    // A recording without a code, stopped after two seconds: the record the coordinator saved, none when it did
    // not start or not end.
    std::optional<BanGhiVideo> quayHaiGiay() {
        BoDieuPhoi& dp = *ungDung->trangThai().dieuPhoi();
        dp.quayKhongMa();
        if (!choDen([&] { return camera->dangGhi(); })) {
            ADD_FAILURE() << dp.thongBao().value_or(QString()).toStdString();
            return std::nullopt;
        }
        if (!choDen([&] { return camera->giayDaGhi() >= 2; })) return std::nullopt;
        dp.ketThucQuay();
        if (!choDen([&] { return dp.trangThai() == BoDieuPhoi::TrangThai::nghi && dp.banGhiVuaLuu(); }))
            return std::nullopt;
        return *dp.banGhiVuaLuu();
    }
};

}  // namespace

// Start-up builds every service from the application object's own wiring, and a recording saved by its
// coordinator is mirrored into the backup folder by its backup, byte for byte.
TEST(KorvanePackApp, VideoVuaLuuDenThuMucSaoLuu) {
    UngDungTrenGia u;
    u.ungDung->hien();
    TrangThaiApp& tt = u.ungDung->trangThai();
    ASSERT_TRUE(choDen([&] { return tt.dieuPhoi() && tt.dongBo() && tt.saoLuu(); }));
    ASSERT_NE(u.camera, nullptr);
    // The camera is opened by start-up itself, with the device the settings name.
    ASSERT_TRUE(choDen([&] { return u.camera->dangChay() && u.camera->doPhanGiai() == QStringLiteral("320x240"); }))
        << u.camera->loiCamera().toStdString();

    const std::optional<BanGhiVideo> daQuay = u.quayHaiGiay();
    ASSERT_TRUE(daQuay.has_value());
    const BanGhiVideo bg = *daQuay;
    ASSERT_TRUE(QFileInfo(bg.filePath).isFile()) << bg.filePath.toStdString();
    ASSERT_TRUE(bg.filePath.startsWith(u.goc + QLatin1Char('/')));
    EXPECT_EQ(sha256Tep(bg.filePath), bg.sha256);
    const QString banSao = u.sao + QLatin1Char('/') + QDir(u.goc).relativeFilePath(bg.filePath);
    ASSERT_TRUE(choDen([&] { return QFileInfo(banSao).size() == bg.bytes; })) << banSao.toStdString();
    EXPECT_EQ(sha256Tep(banSao), bg.sha256);
    EXPECT_EQ(u.soYeuCauMang.load(), 0);  // no platform chosen: the sync engine asks nothing
}

// Every entry of the window opens its own screen on the services start-up built: none falls back to the
// empty page that a builder missing one of them would leave.
TEST(KorvanePackApp, MoiManHinhDungTrenDichVuCuaUngDung) {
    UngDungTrenGia u;
    u.ungDung->hien();
    TrangThaiApp& tt = u.ungDung->trangThai();
    ASSERT_TRUE(choDen([&] { return tt.dieuPhoi() && tt.dongBo() && tt.saoLuu(); }));
    KhungChinh& khung = *u.ungDung->khungChinh();
    using MH = KhungChinh::ManHinh;
    const std::vector<std::pair<MH, const char*>> cac{
        {MH::hangHoan, "ManHinhHangHoan"}, {MH::traCuu, "ManHinhTraCuu"}, {MH::doiSoat, "ManHinhDoiSoat"},
        {MH::thuMay, "ManHinhThuMay"},     {MH::caiDat, "ManHinhCaiDat"}, {MH::dongGoi, "ManHinhDongGoi"},
    };
    for (const auto& [manHinh, lop] : cac) {
        SCOPED_TRACE(lop);
        khung.chonManHinh(manHinh);
        ASSERT_TRUE(choDen([&] {
            return khung.tenNoiDung() == QStringLiteral("manHinh:") + KhungChinh::tieuDe(manHinh);
        })) << khung.tenNoiDung().toStdString();
        ASSERT_NE(khung.noiDungChiTiet(), nullptr);
        EXPECT_STREQ(khung.noiDungChiTiet()->metaObject()->className(), lop);
        if (manHinh != MH::caiDat) continue;
        // The settings screen's sync and backup cards act on the engine and the backup themselves.
        for (const char* nut : {"nutDongBoNgay", "nutLay30Ngay", "nutSaoLuuBu"}) {
            auto* b = khung.noiDungChiTiet()->findChild<QPushButton*>(QString::fromLatin1(nut));
            ASSERT_NE(b, nullptr) << nut;
            EXPECT_TRUE(choDen([b] { return b->isEnabled(); })) << nut;
        }
    }
}

// A keyboard-wedge scanner right after each screen is opened from the sidebar: the code lands in the field the
// screen invites and does there what a scan does, or the window says that this screen takes no scan. It never
// vanishes without a word.
TEST(KorvanePackApp, MaQuetNgaySauKhiMoManHinhKhongBaoGioMat) {
    UngDungTrenGia u;
    u.ungDung->hien();
    TrangThaiApp& tt = u.ungDung->trangThai();
    ASSERT_TRUE(choDen([&] { return tt.dieuPhoi() && tt.dongBo() && tt.saoLuu(); }));
    QWidget* cuaSo = u.ungDung->manHinhGoc();
    cuaSo->activateWindow();
    ASSERT_TRUE(choDen([&] { return cuaSo->isActiveWindow(); }));
    KhungChinh& khung = *u.ungDung->khungChinh();
    using MH = KhungChinh::ManHinh;
    const auto bam = [&](MH m) {
        QListWidget* ds = khung.danhSach();
        const QPoint o = ds->visualItemRect(ds->item(int(KhungChinh::tatCa().indexOf(m)))).center();
        QTest::mouseClick(ds->viewport(), Qt::LeftButton, {}, o);
        QCoreApplication::processEvents();
    };
    const auto quet = [&](const QString& ma) {
        QWidget* dich = QApplication::focusWidget() ? QApplication::focusWidget() : cuaSo;
        QTest::keyClicks(dich, ma);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : cuaSo, Qt::Key_Return);
        QCoreApplication::processEvents();
    };
    for (MH m : {MH::hangHoan, MH::traCuu, MH::doiSoat, MH::thuMay, MH::caiDat}) {
        const QString ma = QStringLiteral("SPX7788") + QString::number(int(m));
        SCOPED_TRACE(KhungChinh::tieuDe(m).toStdString());
        bam(m);
        ASSERT_EQ(khung.manHinh(), m);
        quet(ma);
        if (auto* hoan = qobject_cast<ManHinhHangHoan*>(khung.noiDungChiTiet())) {
            EXPECT_EQ(hoan->moHinh().tuKhoa(), ma);  // searched, as a typed keyword
            EXPECT_TRUE(hoan->moHinh().khongThayDon());
        } else if (auto* traCuu = qobject_cast<ManHinhTraCuu*>(khung.noiDungChiTiet())) {
            EXPECT_EQ(traCuu->tuKhoa(), ma);
        } else {
            // A screen with no field for a code: the window names the code and where scans belong.
            ASSERT_TRUE(khung.chuMaLac().has_value());
            EXPECT_EQ(*khung.chuMaLac(), KhungChinh::kMaLac.arg(ma, KhungChinh::tieuDe(m)));
            auto* o = qobject_cast<QLineEdit*>(QApplication::focusWidget());
            EXPECT_FALSE(o && o->text().contains(ma)) << "the code went into a field of the screen";
        }
    }
    // Another screen: the notice of the last one goes with it.
    bam(MH::dongGoi);
    EXPECT_FALSE(khung.chuMaLac().has_value());
}

// The first run's data folder: chosen in the wizard's storage step, it is the one the store uses at once. The
// first recording, its record and its journal lines land there, and the next start opens it and finds them.
TEST(KorvanePackApp, ThuMucChonLucCaiDatLanDauDungNgay) {
    const QString moi = [] {
        static QTemporaryDir thuMuc;
        return thuMuc.filePath(QStringLiteral("Kho moi"));
    }();
    {
        UngDungTrenGia u(false);
        const QString tepCaiDat = u.tepCaiDat;
        u.ungDung->hien();
        TrangThaiApp& tt = u.ungDung->trangThai();
        ASSERT_TRUE(choDen([&] { return tt.dieuPhoi() && tt.dongBo() && tt.saoLuu(); }));
        KhungChinh& khung = *u.ungDung->khungChinh();
        ASSERT_TRUE(choDen([&] { return khung.sheetCaiDatLanDau() != nullptr; }));
        auto* wizard = khung.sheetCaiDatLanDau()->findChild<ManHinhCaiDatLanDau*>();
        ASSERT_NE(wizard, nullptr);
        wizard->datChonThuMuc([&](QWidget*, const QString&, std::function<void(std::optional<QString>)> xong) {
            xong(moi);
        });
        wizard->chonThuMuc();
        EXPECT_EQ(wizard->loiThuMuc(), std::nullopt);
        ASSERT_EQ(tt.kho()->thuMucGoc(), moi);
        wizard->hoanTat();

        ASSERT_TRUE(choDen([&] { return u.camera && u.camera->dangChay(); }));
        const std::optional<BanGhiVideo> daQuay = u.quayHaiGiay();
        ASSERT_TRUE(daQuay.has_value());
        const BanGhiVideo bg = *daQuay;
        EXPECT_TRUE(bg.filePath.startsWith(moi + QLatin1Char('/'))) << bg.filePath.toStdString();
        EXPECT_TRUE(QFileInfo(bg.filePath).isFile());
        EXPECT_TRUE(QFileInfo::exists(moi + QStringLiteral("/data/app.log.jsonl")));
        EXPECT_TRUE(tt.kho()->nhatKy().kiemTra().ok);
        // Nothing of the recording went to the folder the store was first opened on.
        EXPECT_FALSE(QFileInfo::exists(u.goc + QStringLiteral("/videos/") +
                                       QDir(moi + QStringLiteral("/videos")).relativeFilePath(bg.filePath)));
        EXPECT_FALSE(QFileInfo::exists(u.goc + QStringLiteral("/data/recordings")) &&
                     !QDir(u.goc + QStringLiteral("/data/recordings")).isEmpty(QDir::Files));

        // The next start, on the settings the wizard left: the same folder, with the recording in it.
        u.ungDung.reset();
        CaiDat cd(tepCaiDat, std::make_shared<KhoKhoaBoNho>());
        EXPECT_EQ(cd.thuMucGoc(), moi);
        KhoDuLieu kho(cd.thuMucGoc());
        ASSERT_FALSE(kho.moKho().has_value());
        kho.napTatCa(8);
        ASSERT_TRUE(kho.videoTheoId().contains(bg.id));
        EXPECT_EQ(kho.videoTheoId().value(bg.id).sha256, bg.sha256);
    }
}

// Closing the program's own window mid-recording is held off until the recording is saved: the guard the
// application installs on its window, not one a test puts there.
TEST(KorvanePackApp, DongCuaSoCuaUngDungKhiDangQuayThiLuuXongMoiDong) {
    UngDungTrenGia u;
    u.ungDung->hien();
    TrangThaiApp& tt = u.ungDung->trangThai();
    ASSERT_TRUE(choDen([&] { return tt.dieuPhoi() && u.camera && u.camera->dangChay(); }));
    BoDieuPhoi& dp = *tt.dieuPhoi();
    dp.quayKhongMa();
    ASSERT_TRUE(choDen([&] { return u.camera->giayDaGhi() >= 1; })) << dp.thongBao().value_or(QString()).toStdString();

    QWidget* cuaSo = u.ungDung->manHinhGoc();
    ASSERT_TRUE(cuaSo->isVisible());
    EXPECT_FALSE(cuaSo->close());  // held open while the recording is saved
    EXPECT_TRUE(cuaSo->isVisible());
    ASSERT_TRUE(choDen([&] { return !cuaSo->isVisible(); }));
    EXPECT_EQ(dp.trangThai(), BoDieuPhoi::TrangThai::nghi);
    ASSERT_TRUE(dp.banGhiVuaLuu());
    EXPECT_TRUE(QFileInfo(dp.banGhiVuaLuu()->filePath).isFile());
    EXPECT_EQ(sha256Tep(dp.banGhiVuaLuu()->filePath), dp.banGhiVuaLuu()->sha256);
}
