#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include "admin/ManHinhNhapPin.h"
#include "common/ChoDen.h"
#include "core/CaiDat.h"
#include "gia/core/KhoKhoaBoNho.h"

namespace {

struct CumPin {
    QTemporaryDir thuMuc;
    CaiDat caiDat{thuMuc.filePath(QStringLiteral("caidat.ini")), std::make_shared<KhoKhoaBoNho>()};
    int soLanDung = 0;
    ManHinhNhapPin man{caiDat, [this] { ++soLanDung; }};
    CumPin() {
        caiDat.datPin(QStringLiteral("2468"));
        man.resize(700, 500);
        man.show();
    }
    void go(const QString& chu) {
        man.oPin()->setFocus();
        QTest::keyClicks(man.oPin(), chu);
    }
};

}  // namespace

// Return in the empty field checks even though the button is disabled, and fails: a set PIN is never empty.
TEST(ManHinhNhapPin, ReturnKhiTrong) {
    CumPin c;
    EXPECT_FALSE(c.man.nutMoKhoa()->isEnabled());
    EXPECT_FALSE(c.man.hienLoi());
    QTest::keyClick(c.man.oPin(), Qt::Key_Return);
    EXPECT_TRUE(c.man.sai());
    EXPECT_TRUE(c.man.hienLoi());
    EXPECT_EQ(c.soLanDung, 0);

    // Spaces are something typed: the button comes on, and they are not the PIN.
    c.go(QStringLiteral("  "));
    EXPECT_TRUE(c.man.nutMoKhoa()->isEnabled());
    c.man.nutMoKhoa()->click();
    EXPECT_TRUE(c.man.sai());
    EXPECT_EQ(c.soLanDung, 0);
}

// A wrong PIN clears the field and shows the error, which stays through later typing until a right PIN,
// which hides it and calls back exactly once; white space around the right PIN still unlocks.
TEST(ManHinhNhapPin, SaiRoiDung) {
    const QString cacPinDung[] = {QStringLiteral("2468"), QStringLiteral("  2468 "), QStringLiteral("\t2468")};
    for (const QString& dung : cacPinDung) {
        CumPin c;
        c.go(QStringLiteral("1357"));
        QTest::keyClick(c.man.oPin(), Qt::Key_Return);
        EXPECT_TRUE(c.man.sai());
        EXPECT_TRUE(c.man.pin().isEmpty());
        EXPECT_TRUE(c.man.hienLoi());
        EXPECT_EQ(c.soLanDung, 0);
        c.go(QStringLiteral("24"));
        EXPECT_TRUE(c.man.hienLoi());
        c.man.oPin()->clear();
        c.man.oPin()->setText(dung);
        c.man.nutMoKhoa()->click();
        EXPECT_FALSE(c.man.sai()) << dung.toStdString();
        EXPECT_FALSE(c.man.hienLoi());
        EXPECT_TRUE(c.man.pin().isEmpty());
        EXPECT_EQ(c.soLanDung, 1);
    }
}

// The owner types straight away: the digits must land in the field without a click first.
TEST(ManHinhNhapPin, OPinCoBanPhimNgayKhiHien) {
    QTemporaryDir thuMuc;
    CaiDat caiDat{thuMuc.filePath(QStringLiteral("caidat.ini")), std::make_shared<KhoKhoaBoNho>()};
    caiDat.datPin(QStringLiteral("2468"));
    int soLanDung = 0;
    QWidget cuaSo;
    auto* cot = new QVBoxLayout(&cuaSo);
    cot->addWidget(new QPushButton(QStringLiteral("Trước"), &cuaSo));
    cuaSo.resize(700, 500);
    cuaSo.show();
    cuaSo.activateWindow();
    ASSERT_TRUE(choDen([&] { return cuaSo.isActiveWindow(); }, 3000));
    auto* man = new ManHinhNhapPin(
        caiDat, [&] { ++soLanDung; }, &cuaSo);
    cot->addWidget(man);
    man->show();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), man->oPin());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("2468"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(soLanDung, 1);
}
