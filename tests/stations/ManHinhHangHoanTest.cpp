#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/CumThu.h"
#include "common/NhanDayDu.h"
#include "common/VuaCuaSoNhoNhat.h"
#include "shell/GiaoDien.h"
#include "shell/BangMau.h"
#include "shell/KhungChinh.h"
#include "shell/NhanMau.h"
#include "stations/KhungCamera.h"
#include "stations/ManHinhHangHoan.h"
#include "stations/MauHangHoan.h"
#include "stations/NutDo.h"
#include "stations/NutVang.h"
#include "gia/store/DongHoGia.h"
#include "store/MucChon.h"

namespace {
using cum_thu::choDen;
using mau_hang_hoan::json;
using mau_hang_hoan::taoBanGhi;
using mau_hang_hoan::taoDon;
using mau_hang_hoan::tapTu;

// The returns screen shown on a real coordinator and record editor.
struct CanhHangHoan : mau_hang_hoan::CumHangHoan {
    std::unique_ptr<ManHinhHangHoan> man;
    CanhHangHoan() {
        man = std::make_unique<ManHinhHangHoan>(dieuPhoi, engine, *kho, sua.get(), dongHoToKhai);
        man->resize(1240, 820);
        man->show();
        QCoreApplication::processEvents();
    }
    ~CanhHangHoan() {
        if (camera().dangGhi()) {
            dieuPhoi->ketThucQuay();
            choNghi();
        }
        man.reset();
    }
    const MoHinhHangHoan& mh() const { return man->moHinh(); }
    void timBang(const QString& chu) {
        man->oTuKhoa()->setText(chu);
        QTest::keyClick(man->oTuKhoa(), Qt::Key_Return);
    }
};

// The same screen over the fakes, for a recording whose form, declaration and record are the point: the fake
// camera publishes its recording state as the engine would.
struct CanhHangHoanGia : mau_hang_hoan::CumHangHoanGia {
    std::unique_ptr<ManHinhHangHoan> man;
    CanhHangHoanGia() {
        camera.daMoXong(QStringLiteral("Webcam thử"), QStringLiteral("640x360"));
        man = std::make_unique<ManHinhHangHoan>(dieuPhoi, &camera, *kho, sua.get(), dongHoToKhai);
        man->resize(1240, 820);
        man->show();
        QCoreApplication::processEvents();
    }
    const MoHinhHangHoan& mh() const { return man->moHinh(); }
    void timBang(const QString& chu) {
        man->oTuKhoa()->setText(chu);
        QTest::keyClick(man->oTuKhoa(), Qt::Key_Return);
    }
};

TEST(ManHinhHangHoan, LucMoiHienVaCheDoTheoManHinh) {
    CanhHangHoan c;
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::hangHoan);
    EXPECT_TRUE(c.man->hienGoiYSeal());
    EXPECT_FALSE(c.man->hienHuyHieu());
    EXPECT_FALSE(c.man->nutBatDau()->isHidden());
    EXPECT_TRUE(c.man->nutDung()->isHidden());
    EXPECT_EQ(c.man->nutBatDau()->text(), "Bắt đầu quay (chưa chọn đơn)");
    EXPECT_FALSE(c.man->bangTim()->isHidden());
    EXPECT_TRUE(c.man->toKhai()->isHidden());
    EXPECT_TRUE(c.man->chuKhongThay()->isHidden());
    EXPECT_TRUE(c.man->hopDonChon()->isHidden());
    const QStringList buoc = c.man->cacDongBuoc();
    ASSERT_EQ(buoc.size(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(buoc[i], QString::number(i + 1) + ". " + cacBuocMoKien()[i]);

    // The mode follows the screen; its view state does not reset while it is merely hidden.
    c.man->oTuKhoa()->setText("abc");
    QTest::keyClick(c.man->oTuKhoa(), Qt::Key_Return);
    c.man->hide();
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::dongGoi);
    c.man->show();
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::hangHoan);
    EXPECT_EQ(c.mh().tuKhoa(), "abc");
}

// The seal hint stands over the picture in a box that narrows with the window: in the narrowest main window its
// two lines wrap rather than being cut off at both ends, and in a wide one each stays on one line.
TEST(ManHinhHangHoan, GoiYSealVuaKhungOCuaSoHep) {
    CanhHangHoan c;
    QLabel* tieuDe = nullptr;
    for (QLabel* l : c.man->findChildren<QLabel*>())
        if (l->text().contains(QStringLiteral("NGUYÊN SEAL"))) tieuDe = l;
    ASSERT_NE(tieuDe, nullptr);
    QWidget* goiY = tieuDe->parentWidget();
    auto* hinh = c.man->findChild<KhungCamera*>();
    ASSERT_NE(hinh, nullptr);
    ASSERT_EQ(goiY->parentWidget(), hinh->parentWidget());
    for (int rong : {1240, 899}) {
        c.man->resize(rong, 800);
        QCoreApplication::processEvents();
        ASSERT_TRUE(c.man->hienGoiYSeal());
        EXPECT_TRUE(hinh->geometry().contains(goiY->geometry())) << rong;
        for (QLabel* l : goiY->findChildren<QLabel*>()) {
            if (l->text().isEmpty()) continue;
            const QRect can = l->fontMetrics().boundingRect(QRect(0, 0, l->width(), 10000),
                                                            Qt::TextWordWrap | Qt::AlignHCenter, l->text());
            EXPECT_LE(can.width(), l->width()) << rong << " " << l->text().toStdString();
            EXPECT_LE(can.height(), l->height()) << rong << " " << l->text().toStdString();
            if (rong == 1240) {
                EXPECT_LT(l->height(), 2 * l->fontMetrics().lineSpacing()) << l->text().toStdString();
            }
        }
    }
}

TEST(ManHinhHangHoan, TimMotKetQuaThiChonNhieuKetQuaThiGiuLuaChon) {
    CanhHangHoan c;
    DonHang a = taoDon("A1", "Trần Văn An", "0901111222", "2025-02-01T01:00:00Z", "1001", {"GHN-A1"});
    MatHang mh;
    mh.title = "Máy sấy tóc";
    mh.quantity = 2;
    a.items = {mh};
    c.themDon(a);
    c.themDon(taoDon("B1", "Lê Thị Bình", "0902222333", "2025-02-03T01:00:00Z"));
    c.themDon(taoDon("B2", "Lê Thị Bích", "0902222444", "2025-02-02T01:00:00Z"));

    // The empty-result line shows as soon as the field holds text, before any search ran.
    c.man->oTuKhoa()->clear();
    QTest::keyClicks(c.man->oTuKhoa(), "xyz");
    EXPECT_EQ(c.mh().tuKhoa(), "xyz");
    EXPECT_FALSE(c.man->chuKhongThay()->isHidden());

    c.timBang("0901111");
    ASSERT_EQ(c.mh().ketQuaTim().size(), 1);
    ASSERT_TRUE(c.mh().donChon().has_value());
    EXPECT_EQ(c.mh().donChon()->id, "A1");
    EXPECT_EQ(c.man->nutBatDau()->text(), "Bắt đầu quay mở kiện");
    EXPECT_EQ(c.man->cacDongDonChon(), (QStringList{"Đã chọn: Trần Văn An", "GHN-A1", "· Máy sấy tóc ×2"}));
    EXPECT_TRUE(c.man->chuKhongThay()->isHidden());

    // Two hits: listed newest first, the earlier choice stays until a row is clicked.
    c.man->oTuKhoa()->setText("Lê Thị");
    c.man->nutTim()->click();
    ASSERT_EQ(c.mh().ketQuaTim().size(), 2);
    EXPECT_EQ(c.mh().donChon()->id, "A1");
    ASSERT_EQ(c.man->dongKetQua().size(), 2);
    EXPECT_EQ(c.man->dongKetQua()[0]->objectName(), "B1");
    c.man->dongKetQua()[1]->click();
    EXPECT_EQ(c.mh().donChon()->id, "B2");
    EXPECT_EQ(c.man->cacDongDonChon().value(1), "B2");  // no tracking, no order number: the id
    EXPECT_EQ(c.mh().tuKhoa(), "Lê Thị");
    EXPECT_EQ(c.mh().ketQuaTim().size(), 2);

    // Nothing found keeps the choice, so the empty-result line stays hidden.
    c.timBang("khong-co-ai");
    EXPECT_TRUE(c.mh().ketQuaTim().isEmpty());
    EXPECT_TRUE(c.man->dongKetQua().isEmpty());
    EXPECT_EQ(c.mh().donChon()->id, "B2");
    EXPECT_TRUE(c.man->chuKhongThay()->isHidden());

    // A scanned label shows in the field it was searched by.
    c.dieuPhoi->nhapMaTay("GHN-A1");
    EXPECT_EQ(c.man->oTuKhoa()->text(), "GHN-A1");
    EXPECT_EQ(c.man->cacDongDonChon().value(1), "GHN-A1");
}

TEST(ManHinhHangHoan, QuayRoiKhaiBaoVaLuuVaoBanGhi) {
    CanhHangHoanGia c;
    c.themDon(taoDon("A1", "Trần Văn An", "0901111222", "2025-02-01T01:00:00Z", "1001", {"GHN-A1"}));
    c.luuBanGhi(taoBanGhi("p1", "pack", QString("A1"), {"SN-AB12"}, "2025-02-01T02:00:00Z"));
    c.timBang("0901111222");
    ASSERT_TRUE(c.mh().donChon().has_value());

    c.man->nutBatDau()->click();
    c.xuLySuKien();
    ASSERT_TRUE(c.camera.dangGhi());
    ASSERT_EQ(c.camera.cacLanChuanBi.size(), 1u);
    EXPECT_EQ(c.camera.cacLanChuanBi.back().ma, "GHN-A1");
    EXPECT_EQ(c.camera.cacLanChuanBi.back().loai, LoaiVideo::hangHoan);
    EXPECT_FALSE(c.man->hienGoiYSeal());
    EXPECT_TRUE(c.man->hienHuyHieu());
    EXPECT_TRUE(c.man->nutBatDau()->isHidden());
    EXPECT_FALSE(c.man->nutDung()->isHidden());
    EXPECT_EQ(c.man->nutDung()->text(), "Dừng quay và khai báo");
    c.tien(std::chrono::seconds(2));
    c.camera.datGiayDaGhi(2);
    EXPECT_EQ(c.man->chuHuyHieu(), "HÀNG HOÀN · 00:02");
    EXPECT_EQ(c.dieuPhoi->donHienTai()->id, "A1");
    EXPECT_FALSE(c.man->bangTim()->isHidden());  // still usable while filming

    c.man->nutDung()->click();
    c.xuLySuKien();
    ASSERT_TRUE(c.mh().banGhiVuaQuay().has_value());
    ASSERT_TRUE(c.dangNghi());
    EXPECT_TRUE(c.man->bangTim()->isHidden());
    EXPECT_FALSE(c.man->toKhai()->isHidden());
    EXPECT_TRUE(c.man->hienGoiYSeal());
    ASSERT_TRUE(c.man->chuThongBao().has_value());
    EXPECT_TRUE(c.man->chuThongBao()->startsWith("Đã lưu "));
    const QString id = c.mh().banGhiVuaQuay()->id;
    EXPECT_EQ(c.mh().banGhiVuaQuay()->orderId, "A1");
    EXPECT_EQ(c.mh().banGhiVuaQuay()->code, "GHN-A1");

    c.man->chonLyDo()->setCurrentIndex(2);
    c.man->oTinhTrang("thieu-phu-kien")->click();
    c.man->oTinhTrang("co-vet-xuoc")->click();
    c.man->oTinhTrang("co-vet-xuoc")->click();
    c.man->oSerial()->setText("  sn ab12 \n");
    EXPECT_EQ(c.man->dongDoiChieu()->text(), "Khớp với serial đã gửi: SN-AB12");
    c.man->chonXuLy()->setCurrentIndex(1);
    c.man->oGhiChu()->setText("   ");
    c.man->nutLuu()->click();

    EXPECT_TRUE(c.mh().daLuuKhai());
    EXPECT_EQ(c.man->nutLuu()->text(), "Đã lưu");
    EXPECT_FALSE(c.man->nutLuu()->isEnabled());
    EXPECT_FALSE(c.man->chuDaLuu()->isHidden());
    // The form keeps what was typed; the record it declares is not swapped for the rewritten one.
    EXPECT_EQ(c.man->oSerial()->text(), "  sn ab12 \n");
    EXPECT_FALSE(c.mh().banGhiVuaQuay()->returnInfo.has_value());

    c.kiemToKhaiMauDaLuu(id);
    const json nk = c.nhatKyCuoi();
    EXPECT_EQ(nk["event"], "return_info");
    EXPECT_EQ(nk["detail"]["id"], id.toStdString());

    // Next parcel: everything back to where a fresh screen starts.
    c.man->nutKienTiep()->click();
    EXPECT_FALSE(c.mh().banGhiVuaQuay().has_value());
    EXPECT_FALSE(c.mh().daLuuKhai());
    EXPECT_FALSE(c.mh().donChon().has_value());
    EXPECT_TRUE(c.mh().ketQuaTim().isEmpty());
    EXPECT_TRUE(c.mh().tuKhoa().isEmpty());
    EXPECT_TRUE(c.man->oTuKhoa()->text().isEmpty());
    EXPECT_TRUE(c.mh().tinhTrang().isEmpty());
    EXPECT_EQ(c.mh().lyDo(), "loi-ky-thuat");
    EXPECT_EQ(c.mh().xuLy(), "cho-xu-ly");
    EXPECT_EQ(c.man->chonLyDo()->currentIndex(), 0);
    EXPECT_EQ(c.man->chonXuLy()->currentIndex(), 0);
    EXPECT_TRUE(c.man->oSerial()->text().isEmpty());
    EXPECT_TRUE(c.man->oGhiChu()->text().isEmpty());
    EXPECT_FALSE(c.man->oTinhTrang("thieu-phu-kien")->isChecked());
    EXPECT_FALSE(c.man->bangTim()->isHidden());
    EXPECT_TRUE(c.man->toKhai()->isHidden());
    EXPECT_EQ(c.man->nutBatDau()->text(), "Bắt đầu quay (chưa chọn đơn)");
    // The coordinator keeps its order; the button only touches the screen.
    EXPECT_EQ(c.dieuPhoi->donHienTai()->id, "A1");
}

// The comparison line in each of its four kinds, and the different-serial box ticked when the model marks it.
TEST(ManHinhHangHoan, DongDoiChieuSerial) {
    CanhHangHoan c;
    // No order on the record: nothing was sent to compare with.
    c.moFormCho(taoBanGhi("h0", "return", std::nullopt, {}, "2025-01-31T00:00:00Z"));
    c.man->oSerial()->setText("SN1");
    EXPECT_EQ(c.man->dongDoiChieu()->text(), "Lúc gửi đi không ghi serial nào cho đơn này, nên không đối chiếu được.");
    EXPECT_EQ(c.man->dongDoiChieu()->mauChu(), BangMau::mauChuPhu.mau());

    c.luuBanGhi(taoBanGhi("p1", "pack", QString("A1"), {"OLD-1"}, "2025-01-01T00:00:00Z"));
    c.luuBanGhi(taoBanGhi("p2", "pack", QString("A1"), {"SN-AB.12_x", "NEW-2"}, "2025-01-05T00:00:00Z"));
    c.moFormCho(taoBanGhi("h1", "return", QString("A1"), {}, "2025-02-01T00:00:00Z"));
    ASSERT_FALSE(c.man->toKhai()->isHidden());
    const QString ds = "SN-AB.12_x, NEW-2, OLD-1";
    QCheckBox* sai = c.man->oTinhTrang("sai-serial");

    const struct {
        const char* serial;
        QString dong;
        const MauDong* mau;
        bool daDanhDau;
    } cac[] = {
        {"   ", "Serial đã gửi: " + ds, &BangMau::mauChuPhu, false},
        {"#sn ab-12.X", "Khớp với serial đã gửi: " + ds, &BangMau::mauXanhLa, false},
        {"SN-AB13", "KHÁC! Lúc gửi đi là " + ds + ". Đây không phải máy đã gửi.", &BangMau::mauDo, true},
    };
    for (const auto& k : cac) {
        c.man->oSerial()->setText(k.serial);
        EXPECT_EQ(c.man->dongDoiChieu()->text(), k.dong) << k.serial;
        EXPECT_EQ(c.man->dongDoiChieu()->mauChu(), k.mau->mau()) << k.serial;
        EXPECT_EQ(sai->isChecked(), k.daDanhDau) << k.serial;
    }
    // Unticking by hand reaches the model.
    sai->click();
    EXPECT_FALSE(c.mh().tinhTrang().contains("sai-serial"));
}

TEST(ManHinhHangHoan, LuuHongThiNutVanBam) {
    CanhHangHoan c;
    // A record the store does not hold.
    const BanGhiVideo lac = taoBanGhi("lac", "return", std::nullopt, {}, "2025-02-01T00:00:00Z");
    emit c.dieuPhoi->daLuuVideo(lac);
    c.man->nutLuu()->click();
    EXPECT_FALSE(c.mh().daLuuKhai());
    EXPECT_TRUE(c.man->nutLuu()->isEnabled());
    EXPECT_EQ(c.man->nutLuu()->text(), "Lưu tờ khai");
    EXPECT_TRUE(c.man->chuDaLuu()->isHidden());

    // A write error: the recordings folder has become a regular file.
    const BanGhiVideo h1 = taoBanGhi("h1", "return", std::nullopt, {}, "2025-02-01T00:00:00Z");
    c.moFormCho(h1);
    ASSERT_TRUE(QDir(c.kho->thuMucBanGhiVideo()).removeRecursively());
    QFile chan(c.kho->thuMucBanGhiVideo());
    ASSERT_TRUE(chan.open(QIODevice::WriteOnly));
    chan.close();
    c.man->oGhiChu()->setText("vỏ hộp móp");
    c.man->nutLuu()->click();
    EXPECT_FALSE(c.mh().daLuuKhai());
    EXPECT_TRUE(c.man->nutLuu()->isEnabled());
    ASSERT_TRUE(c.man->chuThongBao().has_value());
    EXPECT_TRUE(c.man->chuThongBao()->startsWith("Không lưu được tờ khai mở kiện: "));
    EXPECT_EQ(c.man->oGhiChu()->text(), "vỏ hộp móp");

    // Once the folder is back, the same form saves.
    ASSERT_TRUE(QFile::remove(c.kho->thuMucBanGhiVideo()));
    c.man->nutLuu()->click();
    EXPECT_TRUE(c.mh().daLuuKhai());
    EXPECT_EQ(c.dongCuoi("h1")["returnInfo"]["note"], "vỏ hộp móp");
}

// The start button clears the declared parcel from the form and the next form shows the reason, decision and
// note carried over, with a clean serial and condition list.
TEST(ManHinhHangHoan, ToKhaiSauNutBatDauHienLuaChonMangSang) {
    CanhHangHoan c;
    c.moFormCho(taoBanGhi("h1", "return", std::nullopt, {}, "2025-02-01T00:00:00Z"));
    c.man->chonLyDo()->setCurrentIndex(3);
    c.man->chonXuLy()->setCurrentIndex(2);
    c.man->oTinhTrang("co-vet-xuoc")->click();
    c.man->oSerial()->setText("SN-CU");
    c.man->oGhiChu()->setText("hộp móp");
    c.man->nutLuu()->click();
    ASSERT_TRUE(c.mh().daLuuKhai());

    // No camera is open, so nothing is filmed; the form is cleared all the same.
    c.man->nutBatDau()->click();
    ASSERT_TRUE(choDen([&] { return !c.mh().banGhiVuaQuay().has_value(); }));
    EXPECT_FALSE(c.man->bangTim()->isHidden());
    EXPECT_TRUE(c.man->toKhai()->isHidden());

    c.moFormCho(taoBanGhi("h2", "return", std::nullopt, {}, "2025-02-02T00:00:00Z"));
    EXPECT_EQ(c.man->chonLyDo()->currentIndex(), 3);
    EXPECT_EQ(c.man->chonXuLy()->currentIndex(), 2);
    EXPECT_EQ(c.man->oGhiChu()->text(), "hộp móp");
    EXPECT_TRUE(c.man->oSerial()->text().isEmpty());
    EXPECT_FALSE(c.man->oTinhTrang("co-vet-xuoc")->isChecked());
    EXPECT_EQ(c.man->nutLuu()->text(), "Lưu tờ khai");
    EXPECT_TRUE(c.man->nutLuu()->isEnabled());
    EXPECT_TRUE(c.man->chuDaLuu()->isHidden());
}

// The window's returns entry shows this screen; leaving it puts the coordinator back in packing mode and
// coming back starts from a fresh screen.
TEST(ManHinhHangHoan, MucHangHoanCuaCuaSo) {
    cum_thu::Cum cum;
    cum.taoDieuPhoi();
    BoSuaBanGhi sua(*cum.kho, cum.dieuPhoi->congTieng());
    cum.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
    KhungChinh khung(*cum.caiDat, cum.trangThai);
    khung.dangKyManHinh(KhungChinh::ManHinh::hangHoan, [&cum, &sua](TrangThaiApp& tt, CaiDat&) {
        return new ManHinhHangHoan(tt.dieuPhoi(), tt.camera(), *cum.kho, &sua);
    });
    cum.trangThai.datDieuPhoi(cum.cumDieuPhoi);
    khung.resize(1360, 860);
    khung.show();
    khung.chonManHinh(KhungChinh::ManHinh::hangHoan);
    QCoreApplication::processEvents();
    auto timMan = [&] { return khung.findChild<ManHinhHangHoan*>(); };
    ASSERT_NE(timMan(), nullptr);
    EXPECT_EQ(cum.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::hangHoan);
    emit cum.dieuPhoi->daLuuVideo(taoBanGhi("h1", "return", std::nullopt, {}, "2025-02-01T00:00:00Z"));
    timMan()->oSerial()->setText("X1");

    khung.chonManHinh(KhungChinh::ManHinh::dongGoi);
    QCoreApplication::processEvents();
    EXPECT_EQ(cum.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::dongGoi);
    khung.chonManHinh(KhungChinh::ManHinh::hangHoan);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    ASSERT_NE(timMan(), nullptr);
    EXPECT_EQ(cum.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::hangHoan);
    EXPECT_FALSE(timMan()->moHinh().banGhiVuaQuay().has_value());
    EXPECT_TRUE(timMan()->moHinh().serialNhanVe().isEmpty());
    EXPECT_FALSE(timMan()->bangTim()->isHidden());
}

}  // namespace

namespace {
// A search row is a button framing the customer's name and the phone line; a name too long for the column
// wraps, and the row must grow to show all of its lines.
TEST(ManHinhHangHoan, DongKetQuaTenDaiHienDuCacDong) {
    CanhHangHoan c;
    c.themDon(taoDon("L1", "Công ty TNHH Thương mại Dịch vụ Xuất nhập khẩu Hoàng Gia Phát Đạt chi nhánh Thủ Đức",
                     "0903333444", "2025-02-04T01:00:00Z"));
    c.themDon(taoDon("L2", "Công ty Cổ phần Bán lẻ Kỹ thuật số Miền Nam", "0903333555", "2025-02-05T01:00:00Z"));
    c.timBang("Công ty");
    ASSERT_EQ(c.man->dongKetQua().size(), 2);
    for (const QSize co : {QSize(900, 700), QSize(1240, 820)}) {
        c.man->resize(co);
        cum_thu::chay(250);
        for (QPushButton* dong : c.man->dongKetQua()) {
            const QStringList cat = nhanBiCat(dong);
            EXPECT_TRUE(cat.isEmpty()) << co.width() << ": " << cat.join("; ").toStdString();
        }
        auto* ten = c.man->dongKetQua()[1]->findChild<QLabel*>();
        ASSERT_NE(ten, nullptr);
        EXPECT_GE(ten->height(), 2 * ten->fontMetrics().lineSpacing()) << co.width();
    }
}
}  // namespace

namespace {
// At the smallest window, in both appearances, the returns screen never scrolls sideways and shows every value
// whole or wrapped: the chosen order with a long name, the camera's long name, and then the declaration form.
TEST(ManHinhHangHoan, CuaSoNhoNhatHienDuMoiGiaTri) {
    for (const char* gd : {"sang", "toi"}) {
        SCOPED_TRACE(gd);
        GiaoDien::ban().apDungGiaoDien(QString::fromLatin1(gd));
        CanhHangHoanGia c;
        c.camera.daMoXong(QStringLiteral("HD Pro Webcam C920 (usb-0000:00:14.0-2.1.4) Logitech"));
        const QString ten = "Công ty TNHH Thương mại Dịch vụ Xuất nhập khẩu Hoàng Gia Phát Đạt chi nhánh Thủ Đức";
        c.themDon(taoDon("A1", ten, "0901111222", "2025-02-01T01:00:00Z", "HN-100234567",
                         {"GHNVN-0668-8123-4567-8901-2345"}));
        c.luuBanGhi(taoBanGhi("p1", "pack", QString("A1"), {"SN-0001-AAAA-BBBB-CCCC", "SN-0002-DDDD-EEEE-FFFF"},
                              "2025-02-01T02:00:00Z"));
        c.man->setFixedSize(cua_so_nho_nhat::rongNoiDung, cua_so_nho_nhat::cao);
        c.timBang("0901111222");
        ASSERT_TRUE(c.mh().donChon().has_value());
        cum_thu::chay(100);
        QStringList loi = cua_so_nho_nhat::khongVua(c.man.get());
        EXPECT_TRUE(loi.isEmpty()) << loi.join("\n").toStdString();
        EXPECT_TRUE(cua_so_nho_nhat::chuHien(c.man.get()).contains(ten));
        cua_so_nho_nhat::luuAnh(*c.man, QStringLiteral("hangHoan-1100x700-%1").arg(gd));

        c.man->nutBatDau()->click();
        c.xuLySuKien();
        c.tien(std::chrono::seconds(2));
        c.camera.datGiayDaGhi(2);
        c.man->nutDung()->click();
        c.xuLySuKien();
        ASSERT_FALSE(c.man->toKhai()->isHidden());
        c.man->oSerial()->setText("SN-0001-AAAA-BBBB-CCCC");
        cum_thu::chay(100);
        loi = cua_so_nho_nhat::khongVua(c.man.get());
        EXPECT_TRUE(loi.isEmpty()) << loi.join("\n").toStdString();
        cua_so_nho_nhat::luuAnh(*c.man, QStringLiteral("hangHoan-toKhai-1100x700-%1").arg(gd));
    }
    GiaoDien::ban().apDungGiaoDien("toi");
}
}  // namespace
