#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "common/CumThu.h"
#include "common/KhungTrongCuaSo.h"
#include "shell/BangMau.h"
#include "shell/GiaoDien.h"
#include "shell/KhungChinh.h"
#include "shell/NhanMau.h"
#include "stations/KhungCamera.h"
#include "stations/ManHinhHangHoan.h"
#include "stations/NutDo.h"
#include "stations/NutVang.h"

namespace {
using cum_thu::choDen;

double doSangTuongDoi(const QColor& m) {
    auto kenh = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * kenh(m.redF()) + 0.7152 * kenh(m.greenF()) + 0.0722 * kenh(m.blueF());
}

// The strongest contrast between the fill and any pixel of a rectangle: the core of the label's glyphs.
double tuongPhanChu(const QImage& anh, const QRect& o, const QColor& nen) {
    const double lNen = doSangTuongDoi(nen);
    double tot = 1.0;
    for (int y = o.top(); y <= o.bottom(); ++y)
        for (int x = o.left(); x <= o.right(); ++x) {
            const double l = doSangTuongDoi(QColor(anh.pixel(x, y)));
            tot = std::max(tot, (std::max(l, lNen) + 0.05) / (std::min(l, lNen) + 0.05));
        }
    return tot;
}

// The returns screen in the window, filming and then with a filled declaration, in both appearances, from a
// live test-pattern camera. The pictures are kept under the build folder for a person to look at; the test
// checks that the appearance's palette is what got painted where it should be.
TEST(AnhChup, ManHinhHangHoanDangQuayVaToKhai) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    for (const char* gd : {"toi", "sang"}) {
        GiaoDien::ban().apDungGiaoDien(gd);
        const CheDoNen nen = GiaoDien::ban().nenHienTai();
        cum_thu::Cum cum;
        DonHang don;
        don.id = "77001";
        don.orderNumber = "HN-2041";
        don.customerName = "Phạm Quốc Huy";
        don.customerPhone = "0987654321";
        don.createdAt = "2025-02-20T03:15:00Z";
        don.trackings = {MaVanDon{"GHN5KX81726", QString("GHN")}};
        MatHang a, b;
        a.title = "Máy xay sinh tố mini";
        a.quantity = 1;
        b.title = "Cối xay phụ";
        b.quantity = 2;
        don.items = {a, b};
        cum.kho->capNhatDon(don);
        BanGhiVideo dongGoi;
        dongGoi.id = "r_dong_goi";
        dongGoi.kind = "pack";
        dongGoi.code = "GHN5KX81726";
        dongGoi.orderId = don.id;
        dongGoi.serials = QStringList{"MX-2207-0415"};
        dongGoi.filePath = "/khong/co.mp4";
        dongGoi.fileName = "co.mp4";
        dongGoi.bytes = 1;
        dongGoi.sha256 = QString(64, 'b');
        dongGoi.startedAt = "2025-02-21T01:00:00Z";
        dongGoi.endedAt = "2025-02-21T01:01:00Z";
        cum.kho->datVideo(dongGoi);
        cum.taoDieuPhoi();
        BoSuaBanGhi sua(*cum.kho, cum.dieuPhoi->congTieng());
        cum.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
        QWidget cuaSo;
        auto* khung = khungTrongCuaSo(cuaSo, *cum.caiDat, cum.trangThai);
        khung->dangKyManHinh(KhungChinh::ManHinh::hangHoan, [&cum, &sua](TrangThaiApp& tt, CaiDat&) {
            return new ManHinhHangHoan(tt.dieuPhoi(), tt.camera(), *cum.kho, &sua);
        });
        cum.trangThai.datDieuPhoi(cum.cumDieuPhoi);
        cuaSo.resize(1440, 900);
        cuaSo.show();
        khung->chonManHinh(KhungChinh::ManHinh::hangHoan);
        ASSERT_TRUE(cum.moCamera("1280x720"));
        auto* man = khung->findChild<ManHinhHangHoan*>();
        ASSERT_NE(man, nullptr);
        ASSERT_TRUE(choDen([&] { return !man->khungCamera()->khungHienTai().isNull(); }));

        man->oTuKhoa()->setText("0987654321");
        QTest::keyClick(man->oTuKhoa(), Qt::Key_Return);
        ASSERT_TRUE(man->moHinh().donChon().has_value());
        man->nutBatDau()->click();
        ASSERT_TRUE(cum.choDangGhi(true));
        ASSERT_TRUE(choDen([&] { return cum.camera().giayDaGhi() >= 1; }));
        cum_thu::chay(200);
        const QImage quay = cuaSo.grab().toImage();
        quay.save(thuMuc + "/hangHoan-" + gd + "-quay.png");
        // The right column is the card fill and the stop button the recording red.
        const QPoint the = man->hopDonChon()->mapTo(&cuaSo, QPoint(-6, 4));
        EXPECT_EQ(QColor(quay.pixel(the)).rgb(), BangMau::mauThe.mau(nen).rgb()) << gd;
        const QPoint nutDung = man->nutDung()->mapTo(&cuaSo, QPoint(6, man->nutDung()->height() / 2));
        EXPECT_EQ(QColor(quay.pixel(nutDung)).rgb(), BangMau::mauDo.mau(nen).rgb()) << gd;

        man->nutDung()->click();
        ASSERT_TRUE(choDen([&] { return man->moHinh().banGhiVuaQuay().has_value(); }));
        ASSERT_TRUE(cum.choNghi());
        man->chonLyDo()->setCurrentIndex(4);
        man->oTinhTrang("con-nguyen-seal")->click();
        man->oTinhTrang("thieu-phu-kien")->click();
        man->oSerial()->setText("MX-2207-0415");
        man->oSerial()->setText("MX-2207-0999");
        man->chonXuLy()->setCurrentIndex(2);
        man->oGhiChu()->setText("Thiếu cối xay phụ, vỏ hộp móp một góc");
        cum_thu::chay(150);
        const QImage toKhai = cuaSo.grab().toImage();
        toKhai.save(thuMuc + "/hangHoan-" + gd + "-toKhai.png");
        EXPECT_TRUE(man->oTinhTrang("sai-serial")->isChecked());
        EXPECT_EQ(man->dongDoiChieu()->mauChu(), BangMau::mauDo.mau(nen));
        const QPoint nutBatDau = man->nutBatDau()->mapTo(&cuaSo, QPoint(6, man->nutBatDau()->height() / 2));
        EXPECT_EQ(QColor(toKhai.pixel(nutBatDau)).rgb(), BangMau::mauHoPhach.mau(nen).rgb()) << gd;
        // The save label must read on its blue in both appearances (3:1, the floor for bold text); white on the
        // dark appearance's pale blue does not.
        const QRect oLuu(man->nutLuu()->mapTo(&cuaSo, QPoint(4, 4)), man->nutLuu()->size() - QSize(8, 8));
        EXPECT_EQ(QColor(toKhai.pixel(oLuu.topLeft())).rgb(), BangMau::mauXanhDuong.mau(nen).rgb()) << gd;
        EXPECT_GE(tuongPhanChu(toKhai, oLuu, BangMau::mauXanhDuong.mau(nen)), 3.0) << gd;

        man->nutLuu()->click();
        EXPECT_TRUE(man->moHinh().daLuuKhai());
        cum_thu::chay(100);
        cuaSo.grab().toImage().save(thuMuc + "/hangHoan-" + gd + "-daLuu.png");
    }
    GiaoDien::ban().apDungGiaoDien("toi");
}
}  // namespace
