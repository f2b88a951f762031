#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include "common/CumThu.h"
#include "common/KhungTrongCuaSo.h"
#include "shell/KhungChinh.h"
#include "core/BoSuaBanGhi.h"
#include "stations/ManHinhDongGoi.h"
#include "stations/ManHinhHangHoan.h"
#include "stations/MauHangHoan.h"
#include "store/KhoDuLieu.h"

namespace {
using MH = KhungChinh::ManHinh;
using cum_thu::choDen;

// Takes the keyboard when shown, as the PIN screen does.
class TrangPinGia : public QWidget {
public:
    TrangPinGia() : o_(new QLineEdit(this)) { o_->setObjectName(QStringLiteral("oPinGia")); }

protected:
    void showEvent(QShowEvent*) override { o_->setFocus(); }

private:
    QLineEdit* o_;
};

// The window as a packer meets it: the real packing screen, a stand-in PIN screen with its own field, and a
// keyboard-wedge scanner that types into whatever holds the focus and presses Enter.
struct CanhCuaSo : cum_thu::Cum {
    QWidget cuaSo;
    KhungChinh* khung = nullptr;
    CanhCuaSo() {
        caiDat->setGhiSerial(false);
        khung = khungTrongCuaSo(cuaSo, *caiDat, trangThai);
        khung->dangKyManHinh(MH::dongGoi,
                             [](TrangThaiApp& tt, CaiDat& cd) {
                                 return new ManHinhDongGoi(tt.dieuPhoi(), tt.camera(), cd);
                             });
        khung->dangKyNhapPin([](TrangThaiApp&, CaiDat&, std::function<void()>) { return new TrangPinGia; });
        trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
        taoDieuPhoi();
        trangThai.datDieuPhoi(cumDieuPhoi);
        cuaSo.resize(1280, 720);
        cuaSo.show();
        cuaSo.activateWindow();
        choDen([this] { return cuaSo.isActiveWindow(); }, 3000);
        QCoreApplication::processEvents();
    }
    ~CanhCuaSo() {
        if (dieuPhoi->trangThai() != BoDieuPhoi::TrangThai::nghi) {
            dieuPhoi->ketThucQuay();
            choNghi();
        }
    }
    // The screen now shown: a screen left behind is only deleted once the event loop runs.
    ManHinhDongGoi* man() const {
        for (auto* m : khung->findChildren<ManHinhDongGoi*>())
            if (m->isVisible()) return m;
        return nullptr;
    }
    void bamDong(MH m) {
        QListWidget* ds = khung->danhSach();
        const QPoint o = ds->visualItemRect(ds->item(int(KhungChinh::tatCa().indexOf(m)))).center();
        QTest::mousePress(ds->viewport(), Qt::LeftButton, {}, o);
        QTest::mouseRelease(ds->viewport(), Qt::LeftButton, {}, o);
        QCoreApplication::processEvents();
    }
    // What a scanner does: keys to the focus, then Enter.
    void quet(const QString& ma) {
        QWidget* dich = QApplication::focusWidget();
        ASSERT_NE(dich, nullptr);
        QTest::keyClicks(dich, ma);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
};

// A click on another screen during a recording is refused; the code scanned next must still reach the packing
// screen and start the next parcel's recording, never switch screens by the sidebar's type-ahead.
TEST(TieuDiemBanPhim, MaQuetSauCuBamBiTuChoiVanBatDauQuay) {
    CanhCuaSo c;
    ASSERT_NE(c.man(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), c.man()->oNhapMa());
    ASSERT_TRUE(c.moCamera());
    QTest::mouseClick(c.man()->nutQuayKhongMa(), Qt::LeftButton);
    ASSERT_TRUE(c.choDangGhi(true));
    EXPECT_EQ(QApplication::focusWidget(), c.man()->oNhapMa());  // the button does not keep the keyboard

    c.bamDong(MH::thuMay);
    EXPECT_EQ(c.khung->manHinh(), MH::dongGoi);
    EXPECT_EQ(QApplication::focusWidget(), c.man()->oNhapMa());
    c.quet(QStringLiteral("TH123"));
    EXPECT_EQ(c.khung->manHinh(), MH::dongGoi);
    ASSERT_TRUE(choDen([&] { return c.dieuPhoi->maHienTai() == "TH123" && c.camera().dangGhi(); }));
    EXPECT_EQ(c.khung->manHinh(), MH::dongGoi);
}

// Typing with no recording must not switch screens either, whatever the last click touched.
TEST(TieuDiemBanPhim, GoPhimKhongBaoGioDoiManHinh) {
    CanhCuaSo c;
    c.bamDong(MH::doiSoat);
    ASSERT_EQ(c.khung->manHinh(), MH::doiSoat);
    c.bamDong(MH::dongGoi);
    ASSERT_EQ(c.khung->manHinh(), MH::dongGoi);
    c.bamDong(MH::dongGoi);  // the entry already chosen, clicked again
    EXPECT_EQ(QApplication::focusWidget(), c.man()->oNhapMa());
    for (const char* chu : {"Th", "C", "T", "H"}) {
        QWidget* dich = QApplication::focusWidget() ? QApplication::focusWidget() : &c.cuaSo;
        QTest::keyClicks(dich, QString::fromUtf8(chu));
        EXPECT_EQ(c.khung->manHinh(), MH::dongGoi) << chu;
    }
    EXPECT_EQ(c.man()->oNhapMa()->text(), "ThCTH");
}

// After a dialog, the PIN screen, or another window had the keyboard, the code field has it again.
TEST(TieuDiemBanPhim, OMaLayLaiBanPhimSauHopThoaiPinVaCuaSoKhac) {
    CanhCuaSo c;
    {
        QDialog hop(&c.cuaSo);
        auto* o = new QLineEdit(&hop);
        hop.setWindowModality(Qt::WindowModal);
        hop.open();
        hop.activateWindow();
        ASSERT_TRUE(choDen([&] { return hop.isActiveWindow(); }, 3000));
        o->setFocus();
        QTest::keyClicks(o, "abc");
        hop.accept();
    }
    // The window manager gives the window back its activation; the offscreen platform has none to do it.
    c.cuaSo.activateWindow();
    ASSERT_TRUE(choDen([&] { return QApplication::focusWidget() == c.man()->oNhapMa(); }, 3000));

    c.caiDat->datPin(QStringLiteral("2468"));
    c.bamDong(MH::caiDat);
    ASSERT_EQ(c.khung->tenNoiDung(), "nhapPin");
    auto* pin = c.khung->findChild<QLineEdit*>(QStringLiteral("oPinGia"));
    ASSERT_NE(pin, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), pin);
    c.bamDong(MH::dongGoi);
    EXPECT_EQ(QApplication::focusWidget(), c.man()->oNhapMa());

    QWidget khac;
    auto* oKhac = new QLineEdit(&khac);
    khac.show();
    khac.activateWindow();
    ASSERT_TRUE(choDen([&] { return khac.isActiveWindow(); }, 3000));
    oKhac->setFocus();
    // Something took the focus off the field meanwhile: the refused click of an older build did.
    c.man()->oNhapMa()->clearFocus();
    c.cuaSo.activateWindow();
    ASSERT_TRUE(choDen([&] { return c.cuaSo.isActiveWindow(); }, 3000));
    EXPECT_EQ(QApplication::focusWidget(), c.man()->oNhapMa());
    ASSERT_TRUE(c.moCamera());
    c.quet(QStringLiteral("SPX-9"));
    ASSERT_TRUE(choDen([&] { return c.dieuPhoi->maHienTai() == "SPX-9" && c.camera().dangGhi(); }));
}

// A scanner on the returns screen: the order code scanned right after the screen opens is searched, every
// button gives the keyboard back to the search field, and once the declaration form opens the scanned serial
// lands in its field and is what "Lưu tờ khai" saves.
TEST(TieuDiemBanPhim, QuetTrenManHinhHangHoan) {
    CanhCuaSo c;
    BoSuaBanGhi sua(*c.kho, c.dieuPhoi->congTieng());
    c.khung->dangKyManHinh(MH::hangHoan, [&c, &sua](TrangThaiApp& tt, CaiDat&) {
        return new ManHinhHangHoan(tt.dieuPhoi(), tt.camera(), *c.kho, &sua);
    });
    c.kho->capNhatDon(mau_hang_hoan::taoDon("A1", "Trần An", "0901111222", "2025-02-01T01:00:00Z", "1001",
                                            {"GHN-A1"}));
    const auto man = [&]() -> ManHinhHangHoan* {
        for (auto* m : c.khung->findChildren<ManHinhHangHoan*>())
            if (m->isVisible()) return m;
        return nullptr;
    };
    c.bamDong(MH::hangHoan);
    ASSERT_NE(man(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), man()->oTuKhoa());
    c.quet(QStringLiteral("GHN-A1"));
    ASSERT_TRUE(man()->moHinh().donChon().has_value());
    EXPECT_EQ(man()->moHinh().donChon()->id, "A1");
    for (QPushButton* nut : {man()->nutTim(), man()->dongKetQua().value(0)}) {
        ASSERT_NE(nut, nullptr);
        QTest::mouseClick(nut, Qt::LeftButton);
        EXPECT_EQ(QApplication::focusWidget(), man()->oTuKhoa());
    }

    // The recording saved (however it ended): the form opens with its serial field holding the keyboard.
    BanGhiVideo bg = mau_hang_hoan::taoBanGhi("h1", "return", QString("A1"), {}, "2025-02-01T02:00:00Z");
    c.kho->ghiBanGhiVideo(bg);
    c.kho->datVideo(bg);
    emit c.dieuPhoi->daLuuVideo(bg);
    QCoreApplication::processEvents();
    ASSERT_FALSE(man()->toKhai()->isHidden());
    EXPECT_EQ(QApplication::focusWidget(), man()->oSerial());
    c.quet(QStringLiteral("SN-77"));
    EXPECT_EQ(man()->moHinh().serialNhanVe(), "SN-77");
    QTest::mouseClick(man()->nutLuu(), Qt::LeftButton);
    ASSERT_TRUE(man()->moHinh().daLuuKhai());
    ASSERT_TRUE(c.kho->videoTheoId().value("h1").returnInfo.has_value());
    EXPECT_EQ(c.kho->videoTheoId().value("h1").returnInfo->serial, "SN-77");

    // The next parcel: back to the search field, and the next scan searches again.
    QTest::mouseClick(man()->nutKienTiep(), Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), man()->oTuKhoa());
    c.quet(QStringLiteral("0901111222"));
    EXPECT_EQ(man()->moHinh().tuKhoa(), "0901111222");
    EXPECT_EQ(man()->moHinh().ketQuaTim().size(), 1);
}
}  // namespace
