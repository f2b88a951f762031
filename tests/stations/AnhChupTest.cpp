#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "common/CumThu.h"
#include "common/KhungTrongCuaSo.h"
#include "common/NhanDayDu.h"
#include "core/BangMau.h"
#include "core/GiaoDien.h"
#include "core/KhungChinh.h"
#include "stations/BangDon.h"
#include "stations/KhungCamera.h"
#include "stations/ManHinhDongGoi.h"

namespace {
using cum_thu::choDen;

// The whole window, idle and recording, in both appearances, drawn from a live test-pattern camera. Each
// picture is kept under the build folder for a person to look at; the test checks that the palette of the
// appearance is what got painted.
TEST(AnhChup, ManHinhDongGoiToiVaSangNghiVaDangQuay) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    for (const char* gd : {"toi", "sang"}) {
        GiaoDien::ban().apDungGiaoDien(gd);
        const CheDoNen nen = GiaoDien::ban().nenHienTai();
        cum_thu::Cum cum;
        cum.caiDat->setGhiSerial(true);
        DonHang don;
        don.id = "88001";
        don.name = "#HN-1024";
        don.customerName = "Nguyễn Thị Hoa";
        don.customerPhone = "0912345678";
        don.trackings = {MaVanDon{"SPXVN06688123", QString("SPX")}};
        MatHang a, b;
        a.title = "Áo khoác gió nữ";
        a.variantTitle = "Xanh rêu / M";
        a.sku = "AKG-XR-M";
        a.quantity = 1;
        b.title = "Tất cổ ngắn";
        b.quantity = 3;
        don.items = {a, b};
        cum.kho->capNhatDon(don);
        cum.taoDieuPhoi();
        cum.trangThai.datQuyenCamera(3);
        cum.trangThai.datSoDon(1284);
        cum.trangThai.datSoVideo(356);
        QWidget cuaSo;
        auto* khung = khungTrongCuaSo(cuaSo, *cum.caiDat, cum.trangThai);
        khung->dangKyManHinh(KhungChinh::ManHinh::dongGoi,
                             [](TrangThaiApp& tt, CaiDat&) { return new ManHinhDongGoi(tt.dieuPhoi()); });
        cum.trangThai.datDieuPhoi(cum.dieuPhoi);
        cuaSo.resize(1360, 860);
        cuaSo.show();
        ASSERT_TRUE(cum.moCamera("1280x720"));
        auto* man = khung->noiDungChiTiet()->findChild<ManHinhDongGoi*>();
        if (!man) man = qobject_cast<ManHinhDongGoi*>(khung->noiDungChiTiet());
        ASSERT_NE(man, nullptr);
        ASSERT_TRUE(choDen([&] { return !man->khungCamera()->khungHienTai().isNull(); }));
        cum_thu::chay(200);

        const QImage nghi = cuaSo.grab().toImage();
        nghi.save(thuMuc + "/dongGoi-" + gd + "-nghi.png");
        // The screen's margin shows the page background and the sidebar its card fill.
        const QPoint trongLe = man->mapTo(&cuaSo, QPoint(6, 6));
        EXPECT_EQ(QColor(nghi.pixel(trongLe)).rgb(), BangMau::mauNen.mau(nen).rgb()) << gd;
        EXPECT_EQ(QColor(nghi.pixel(100, 400)).rgb(), BangMau::mauThe.mau(nen).rgb()) << gd;

        man->oNhapMa()->setText("SPXVN06688123");
        QTest::keyClick(man->oNhapMa(), Qt::Key_Return);
        ASSERT_TRUE(cum.choDangGhi(true));
        man->oNhapMa()->setText("SN-7781-A");
        QTest::keyClick(man->oNhapMa(), Qt::Key_Return);
        ASSERT_TRUE(choDen([&] { return cum.dieuPhoi->serials().size() == 1; }));
        ASSERT_TRUE(choDen([&] { return cum.camera().giayDaGhi() >= 2; }));
        man->moiGiay();
        cum_thu::chay(200);
        const QImage quay = cuaSo.grab().toImage();
        quay.save(thuMuc + "/dongGoi-" + gd + "-quay.png");
        EXPECT_EQ(man->bangDon()->chuTrangThai(), "Đang quay");
        ASSERT_EQ(man->cacDongChuThich().size(), 3);
        EXPECT_EQ(man->cacDongChuThich()[2], "SERIAL: SN-7781-A");
        EXPECT_EQ(man->bangDon()->cacDongSerial(), QStringList{"SN-7781-A"});
        cum.dieuPhoi->ketThucQuay();
        ASSERT_TRUE(cum.choNghi());
    }
    GiaoDien::ban().apDungGiaoDien("toi");
}
}  // namespace

namespace {
// A long customer name wraps in the order panel onto several lines, aligned to the trailing edge, and the row
// grows with it: every line shows, at the smallest window and at a large one.
TEST(AnhChup, TenKhachDaiHienDuCacDong) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    GiaoDien::ban().apDungGiaoDien("toi");
    cum_thu::Cum cum;
    DonHang don;
    don.id = "88002";
    don.name = "#HN-2048";
    don.customerName = "Công ty TNHH Thương mại Dịch vụ Xuất nhập khẩu Hoàng Gia Phát Đạt chi nhánh Thủ Đức";
    don.customerPhone = "0912345678";
    don.trackings = {MaVanDon{"SPXVN07700456", QString("SPX")}};
    MatHang a;
    a.title = "Bộ nồi inox ba đáy cao cấp năm món kèm xửng hấp và nắp kính cường lực";
    a.variantTitle = "Bạc / 5 món";
    a.sku = "NOI-5M";
    a.quantity = 1;
    don.items = {a};
    cum.kho->capNhatDon(don);
    cum.taoDieuPhoi();
    cum.trangThai.datQuyenCamera(3);
    QWidget cuaSo;
    auto* khung = khungTrongCuaSo(cuaSo, *cum.caiDat, cum.trangThai);
    khung->dangKyManHinh(KhungChinh::ManHinh::dongGoi,
                         [](TrangThaiApp& tt, CaiDat&) { return new ManHinhDongGoi(tt.dieuPhoi()); });
    cum.trangThai.datDieuPhoi(cum.dieuPhoi);
    cuaSo.resize(1280, 720);
    cuaSo.show();
    ASSERT_TRUE(cum.moCamera("1280x720"));
    auto* man = khung->findChild<ManHinhDongGoi*>();
    ASSERT_NE(man, nullptr);
    man->oNhapMa()->setText("SPXVN07700456");
    QTest::keyClick(man->oNhapMa(), Qt::Key_Return);
    ASSERT_TRUE(cum.choDangGhi(true));
    ASSERT_TRUE(choDen([&] { return man->bangDon()->chuTrangThai() == "Đang quay"; }));
    for (const QSize co : {QSize(1100, 700), QSize(1280, 720), QSize(1920, 1080)}) {
        cuaSo.resize(co);
        cum_thu::chay(250);
        QLabel* ten = nullptr;
        for (auto* n : man->bangDon()->findChildren<QLabel*>(QStringLiteral("giaTri")))
            if (n->text() == *don.customerName) ten = n;
        ASSERT_NE(ten, nullptr);
        EXPECT_GE(ten->height(), 4 * ten->fontMetrics().lineSpacing()) << co.width();  // four lines at least
        EXPECT_GE(ten->parentWidget()->height(), ten->height() + 16) << co.width();    // the row grew with it
        EXPECT_TRUE(ten->alignment() & Qt::AlignRight);
        const QStringList cat = nhanBiCat(man->bangDon());
        EXPECT_TRUE(cat.isEmpty()) << co.width() << ": " << cat.join("; ").toStdString();
        cuaSo.grab().save(thuMuc + QStringLiteral("/dongGoi-tenDai-%1x%2.png").arg(co.width()).arg(co.height()));
    }
    cum.dieuPhoi->ketThucQuay();
    EXPECT_TRUE(cum.choNghi());
}
}  // namespace

namespace {
// The code field's hint reads whole at the smallest window the program allows and at common screen sizes: it
// wraps rather than ending in "…", and the field is tall enough for its lines, idle or recording.
TEST(AnhChup, GoiYOMaHienDuMoiCoCuaSo) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    GiaoDien::ban().apDungGiaoDien("toi");
    cum_thu::Cum cum;
    cum.taoDieuPhoi();
    cum.trangThai.datQuyenCamera(3);
    QWidget cuaSo;
    auto* khung = khungTrongCuaSo(cuaSo, *cum.caiDat, cum.trangThai);
    khung->dangKyManHinh(KhungChinh::ManHinh::dongGoi,
                         [](TrangThaiApp& tt, CaiDat&) { return new ManHinhDongGoi(tt.dieuPhoi()); });
    cum.trangThai.datDieuPhoi(cum.dieuPhoi);
    cuaSo.show();
    auto* man = khung->findChild<ManHinhDongGoi*>();
    ASSERT_NE(man, nullptr);
    ONhapMa* o = man->oNhapMa();
    EXPECT_EQ(o->goiY(), "Đưa mã vào camera, hoặc gõ mã rồi bấm Enter");
    for (const QSize co : {QSize(1100, 700), QSize(1280, 720), QSize(1920, 1080)}) {
        cuaSo.resize(co);
        cum_thu::chay(250);
        const QRect vung = o->vungGoiY();
        const QFontMetrics fm(o->font());
        const QRect can = fm.boundingRect(QRect(0, 0, vung.width(), 100000), Qt::TextWordWrap, o->goiY());
        EXPECT_LE(can.height(), vung.height()) << co.width();
        for (const QString& tu : o->goiY().split(' '))
            EXPECT_LE(fm.horizontalAdvance(tu), vung.width()) << co.width() << tu.toStdString();
        EXPECT_TRUE(QRect(QPoint(0, 0), o->parentWidget()->size()).contains(o->geometry())) << co.width();
        cuaSo.grab().save(thuMuc + QStringLiteral("/dongGoi-goiY-%1x%2.png").arg(co.width()).arg(co.height()));
    }
}
}  // namespace
