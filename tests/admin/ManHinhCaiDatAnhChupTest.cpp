#include <gtest/gtest.h>

#include <QDir>
#include <QTest>
#include <algorithm>

#include "admin/CanhCaiDat.h"
#include "common/VuaCuaSoNhoNhat.h"
#include "admin/MucNguonDon.h"
#include "shell/BangMau.h"
#include "shell/GiaoDien.h"
#include "shell/KhungChinh.h"

namespace {
using cum_thu::choDen;

// The whole settings column in both appearances, with a running camera, a finished sync, a backup folder and a
// PIN, kept under the build folder for a person to look at. The test checks that each appearance's page and card
// colours are what got painted.
TEST(ManHinhCaiDatAnhChup, CotCaiDatToiVaSang) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    for (const char* gd : {"toi", "sang"}) {
        GiaoDien::ban().apDungGiaoDien(gd);
        const CheDoNen nen = GiaoDien::ban().nenHienTai();
        CanhCaiDat c;
        c.caiDat->setGiaoDien(gd);
        c.caiDat->setNguonDon("haravan");
        c.caiDat->setDoPhanGiai("1280x720");
        c.caiDat->setBitrateKbps(2500);
        c.caiDat->setThuMucSaoLuu("/media/kho/SaoLuu-Korvane");
        c.khoKhoa->muc.insert("com.korvane.pack.haravan.token", "shpat_0123456789");
        c.kichBan = [](NguonDonKichBan& n) {
            n.tho = QStringLiteral(R"({"id": 1001})");
            n.khiLayDon = [](const QString&, const NhanTienDo& tienDo) {
                tienDo(QStringLiteral("Trang 1: 2 đơn"));
                DonHang d;
                d.id = "1001";
                d.updatedAt = "2026-12-10T02:00:00Z";
                return QList<DonHang>{d};
            };
        };
        auto& man = c.taoManHinh();
        man.resize(1160, 860);
        ASSERT_TRUE(c.moCamera("1280x720"));
        c.nut("nutDongBoNgay")->click();
        ASSERT_TRUE(choDen([&] { return !c.dongBo->dangChay() && !c.dongBo->mauTho().isNull(); }));
        QTest::keyClicks(c.tim<QLineEdit>("oPin"), "2468");
        c.nut("nutDatPin")->click();
        man.findChild<QPushButton*>("nutKiemTraNhatKy")->click();
        cum_thu::chay(100);

        auto* nguon = c.the<MucNguonDon>();
        nguon->moXemTho();
        ASSERT_NE(nguon->bangDuLieuTho(), nullptr);
        cum_thu::chay(50);
        ASSERT_TRUE(nguon->bangDuLieuTho()->grab().toImage().save(thuMuc + "/caiDat-duLieuTho-" + gd + ".png"));
        nguon->bangDuLieuTho()->close();
        cum_thu::chay(50);

        QWidget* cot = man.widget();
        cot->resize(man.viewport()->width(), cot->sizeHint().height());
        const QImage anh = cot->grab().toImage();
        ASSERT_TRUE(anh.save(thuMuc + "/caiDat-" + gd + ".png"));
        EXPECT_EQ(QColor(anh.pixel(8, 8)).rgb(), BangMau::mauNen.mau(nen).rgb()) << gd;
        auto* the = man.findChild<QWidget*>("the:Giao diện");
        const QPoint trongThe = the->mapTo(cot, QPoint(6, the->height() / 2));
        EXPECT_EQ(QColor(anh.pixel(trongThe)).rgb(), BangMau::mauThe.mau(nen).rgb()) << gd;

        // The same screen in the window's detail column, as the owner first sees it.
        c.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
        c.trangThai.datDieuPhoi(c.cumDieuPhoi);
        c.trangThai.datDongBo(std::shared_ptr<CongDongBo>(c.dongBo.get(), [](CongDongBo*) {}));
        c.trangThai.datSaoLuu(std::shared_ptr<CongSaoLuu>(c.saoLuu.get(), [](CongSaoLuu*) {}));
        KhungChinh khung(*c.caiDat, c.trangThai);
        khung.moKhoa();
        khung.dangKyManHinh(KhungChinh::ManHinh::caiDat, [&c](TrangThaiApp& tt, CaiDat& cd) -> QWidget* {
            return new ManHinhCaiDat(tt.camera(), *c.kho, c.dongBo.get(), c.saoLuu.get(), cd,
                                     ManHinhCaiDat::NenTang{{}, {}, c.tuKhoiDong});
        });
        khung.resize(1360, 860);
        khung.show();
        khung.chonManHinh(KhungChinh::ManHinh::caiDat);
        ASSERT_NE(qobject_cast<ManHinhCaiDat*>(khung.noiDungChiTiet()), nullptr);
        cum_thu::chay(100);
        ASSERT_TRUE(khung.grab().toImage().save(thuMuc + "/caiDat-cuaSo-" + gd + ".png"));
    }
    GiaoDien::ban().apDungGiaoDien("toi");
}
}  // namespace

namespace {
// At the smallest window, in both appearances, the settings column never scrolls sideways and every card shows
// its values whole or wrapped: a long shop name, data and backup folders deep in a disk, a running camera.
TEST(ManHinhCaiDatAnhChup, CuaSoNhoNhatHienDuMoiGiaTri) {
    for (const char* gd : {"sang", "toi"}) {
        SCOPED_TRACE(gd);
        GiaoDien::ban().apDungGiaoDien(QString::fromLatin1(gd));
        CanhCaiDat c;
        c.caiDat->setGiaoDien(gd);
        c.caiDat->setTenShop(QStringLiteral("Cửa hàng Đồ gia dụng Hoàng Gia Phát Đạt — chi nhánh Thủ Đức"));
        c.caiDat->setNguonDon("haravan");
        c.caiDat->setDoPhanGiai("1280x720");
        const QString sauLuu =
            QStringLiteral("/media/nhanvien/O-Cung-Sao-Luu-Western-Digital-2TB/Korvane/SaoLuu-Chi-Nhanh-Thu-Duc-2026");
        c.caiDat->setThuMucSaoLuu(sauLuu);
        auto& man = c.taoManHinh();
        man.setFixedSize(cua_so_nho_nhat::rongNoiDung, cua_so_nho_nhat::cao);
        ASSERT_TRUE(c.moCamera("1280x720"));
        cum_thu::chay(150);
        const QStringList loi = cua_so_nho_nhat::khongVua(&man);
        EXPECT_TRUE(loi.isEmpty()) << loi.join("\n").toStdString();
        const QStringList chu = cua_so_nho_nhat::chuHien(&man);
        for (const QString& mong : {sauLuu, c.caiDat->thuMucGoc()})
            EXPECT_TRUE(std::any_of(chu.begin(), chu.end(), [&](const QString& s) { return s.contains(mong); }))
                << mong.toStdString();
        // The whole column, laid out at the screen's width, for a person to look at.
        QWidget* cot = man.widget();
        cot->resize(man.viewport()->width(), cot->heightForWidth(man.viewport()->width()) > 0
                                                 ? cot->heightForWidth(man.viewport()->width())
                                                 : cot->sizeHint().height());
        cua_so_nho_nhat::luuAnh(*cot, QStringLiteral("caiDat-cot-899-%1").arg(gd));
        cua_so_nho_nhat::luuAnh(man, QStringLiteral("caiDat-1100x700-%1").arg(gd));
    }
    GiaoDien::ban().apDungGiaoDien("toi");
}
}  // namespace
