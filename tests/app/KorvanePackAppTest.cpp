#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <atomic>
#include <memory>
#include <utility>
#include <vector>

#include "KorvanePackApp.h"
#include "common/ChoDen.h"
#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "gia/core/DauRaAmThanhGia.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "core/TrangThaiApp.h"
#include "evidence/SaoLuu.h"
#include "gia/sources/KenhHTTPKichBan.h"
#include "store/BanGhiVideo.h"

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

    UngDungTrenGia() {
        {
            // What the owner has set by the time the program starts: a finished first run and a chosen backup.
            CaiDat cd(tepCaiDat, std::make_shared<KhoKhoaBoNho>());
            cd.setThuMucGoc(goc);
            cd.setTenShop(QStringLiteral("Shop Thử"));
            cd.setGiayToiThieu(1);
            cd.setDaCaiDatLanDau(true);
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
        canh.docQuyenCamera = [] { return TrangThaiApp::duocPhep; };
        ungDung = std::make_unique<KorvanePackApp>(std::move(canh));
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

    BoDieuPhoi& dp = *tt.dieuPhoi();
    dp.quayKhongMa();
    ASSERT_TRUE(choDen([&] { return u.camera->dangGhi(); })) << dp.thongBao().value_or(QString()).toStdString();
    ASSERT_TRUE(choDen([&] { return u.camera->giayDaGhi() >= 2; }));
    dp.ketThucQuay();
    ASSERT_TRUE(choDen([&] { return dp.trangThai() == BoDieuPhoi::TrangThai::nghi && dp.banGhiVuaLuu(); }));

    const BanGhiVideo bg = *dp.banGhiVuaLuu();
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
