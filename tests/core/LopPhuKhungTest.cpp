#include <gtest/gtest.h>

#include "CameraTienIch.h"
#include "common/ThuTuVe.h"
#include "core/LopPhuKhung.h"

namespace {

NoiDungLopPhu noiDung() {
    NoiDungLopPhu nd;
    nd.ma = QStringLiteral("SPX0123456789");
    nd.tenShop = QStringLiteral("Shop Hoa Mai");
    nd.ngayGio = QStringLiteral("10/12/2026 16:05:09");
    return nd;
}

bool doTuoi(QRgb p) {
    return qRed(p) > 180 && qGreen(p) < 80 && qBlue(p) < 60;
}

TEST(LopPhuKhung, SizesFollowTheFrameHeight) {
    struct Ca {
        int h;
        double s, m, u;
    };
    const Ca ca[] = {{720, 27.36, 15.84, 8.64},
                     {1080, 41.04, 23.76, 12.96},
                     {480, 18.24, 10.56, 6.0},
                     {368, 14.0, 8.096, 6.0},
                     {200, 14.0, 4.4, 6.0}};
    for (const Ca& c : ca) {
        const auto k = LopPhuKhung::kichThuoc(c.h);
        EXPECT_NEAR(k.s, c.s, 1e-9) << c.h;
        EXPECT_NEAR(k.m, c.m, 1e-9) << c.h;
        EXPECT_NEAR(k.u, c.u, 1e-9) << c.h;
    }
}

TEST(LopPhuKhung, LineTexts) {
    EXPECT_EQ(LopPhuKhung::dongMa(QString(), QString()), QStringLiteral("CHƯA QUÉT MÃ"));
    EXPECT_EQ(LopPhuKhung::dongMa(QStringLiteral("SPX1"), QString()), QStringLiteral("SPX1"));
    EXPECT_EQ(LopPhuKhung::dongMa(QStringLiteral("SPX1"), QStringLiteral("HÀNG HOÀN")),
              QStringLiteral("HÀNG HOÀN \u00B7 SPX1"));
    EXPECT_EQ(LopPhuKhung::dongShop(QStringLiteral("Shop"), QStringLiteral("01/02/2026 03:04:05")),
              QStringLiteral("Shop \u00B7 01/02/2026 03:04:05"));
    EXPECT_EQ(LopPhuKhung::dongSerial({}), QString());
    EXPECT_EQ(LopPhuKhung::dongSerial({QStringLiteral("A1"), QStringLiteral("B2")}),
              QStringLiteral("SERIAL: A1  \u00B7  B2"));
    EXPECT_EQ(LopPhuKhung::chuHuyHieu(0), QStringLiteral("REC 00:00"));
    EXPECT_EQ(LopPhuKhung::chuHuyHieu(75), QStringLiteral("REC 01:15"));
    EXPECT_EQ(LopPhuKhung::chuHuyHieu(3600), QStringLiteral("REC 60:00"));
    EXPECT_EQ(LopPhuKhung::chuHuyHieu(-4), QStringLiteral("REC 00:00"));
}

// A direction control or right-to-left text in the scanned code, the shop's name or a serial stays inside that
// value: the time, the prefix and the separators burnt beside it still read left to right.
TEST(LopPhuKhung, OutsideValuesCannotTurnTheCaptionAround) {
    const QString ngay = QStringLiteral("01/02/2026 03:04:05");
    const QString xau[] = {QStringLiteral("SPX\u202E"), QStringLiteral("\u2069\u202BSPX"),
                           QStringLiteral("\u05E9\u05DC"), QStringLiteral("A\u2067")};
    for (const QString& v : xau) {
        const QString shop = LopPhuKhung::dongShop(v, ngay);
        EXPECT_TRUE(shop.endsWith(ngay));
        EXPECT_TRUE(veTraiSangPhai(shop, shop.size() - ngay.size(), shop.size())) << shop.toStdString();
        const QString ma = LopPhuKhung::dongMa(v, QStringLiteral("HÀNG HOÀN"));
        EXPECT_TRUE(veTraiSangPhai(ma + QStringLiteral(" 12"), ma.size() + 1, ma.size() + 3)) << ma.toStdString();
        const QString serial = LopPhuKhung::dongSerial({v, QStringLiteral("B2")});
        EXPECT_TRUE(serial.startsWith(QStringLiteral("SERIAL: ")));
        EXPECT_TRUE(serial.endsWith(QStringLiteral("  \u00B7  B2")));
        EXPECT_TRUE(veTraiSangPhai(serial, serial.size() - 6, serial.size())) << serial.toStdString();
    }
    // The same line with the value written raw is turned around: the check above can see the fault.
    const QString tho = QStringLiteral("SPX\u202E \u00B7 ") + ngay;
    EXPECT_FALSE(veTraiSangPhai(tho, tho.size() - ngay.size(), tho.size()));
}

TEST(LopPhuKhung, TheBoxSitsBottomLeftAndGrowsWithLinesAndWidth) {
    LopPhuKhung lp;
    QImage a = camera_test::khungMau(1280, 720, 0xffffffff);
    NoiDungLopPhu nd = noiDung();
    ASSERT_TRUE(lp.ve(a, nd));
    const QRectF hai = lp.hopChu();
    const auto k = LopPhuKhung::kichThuoc(720);
    EXPECT_NEAR(hai.left(), k.m, 1e-9);
    EXPECT_NEAR(hai.bottom(), 720 - k.m, 1e-9);  // its origin is m above the picture's bottom edge
    EXPECT_NEAR(hai.height(), 1.2 * k.m + 2 * 1.32 * k.s, 1e-9);
    // white under black at 0.68 alpha is about 82
    const QRgb p = a.pixel(int(hai.left()) + 3, int(hai.bottom()) - 3);
    EXPECT_NEAR(qRed(p), 82, 3);
    EXPECT_EQ(a.pixel(5, 715), 0xffffffffu);  // outside the box, untouched
    EXPECT_EQ(a.pixel(1275, 700), 0xffffffffu);
    // the text is drawn: some pixels inside the box are light again
    int sang = 0;
    for (int y = int(hai.top()); y < int(hai.bottom()); ++y)
        for (int x = int(hai.left()); x < int(hai.right()); ++x) sang += qRed(a.pixel(x, y)) > 200;
    EXPECT_GT(sang, 200);

    nd.serial = {QStringLiteral("SN1"), QStringLiteral("SN2")};
    QImage b = camera_test::khungMau(1280, 720, 0xffffffff);
    lp.ve(b, nd);
    EXPECT_NEAR(lp.hopChu().height(), 1.2 * k.m + 3 * 1.32 * k.s, 1e-9);
    // serial line drawn in its green, at the bottom of the box
    bool xanh = false;
    for (int y = int(lp.hopChu().bottom() - 1.6 * k.m - k.s); y < int(lp.hopChu().bottom()); ++y)
        for (int x = int(2 * k.m); x < int(lp.hopChu().right()); ++x) {
            const QRgb q = b.pixel(x, y);
            xanh |= qGreen(q) > 180 && qRed(q) < 150 && qBlue(q) < 190 && qGreen(q) - qRed(q) > 50;
        }
    EXPECT_TRUE(xanh);

    const double rongNgan = lp.hopChu().width();
    nd.tenShop = QStringLiteral("Cửa hàng đồ gia dụng và điện máy Hoa Mai chi nhánh Đà Nẵng");
    QImage c = camera_test::khungMau(1280, 720, 0xffffffff);
    lp.ve(c, nd);
    EXPECT_GT(lp.hopChu().width(), rongNgan + 200);
}

TEST(LopPhuKhung, TheBadgeOnlyWhileRecording) {
    for (int h : {480, 720, 1080}) {
        SCOPED_TRACE(h);
        const int w = h * 16 / 9;
        LopPhuKhung lp;
        NoiDungLopPhu nd = noiDung();
        QImage a = camera_test::khungMau(w, h, 0xffffffff);
        lp.ve(a, nd);
        EXPECT_TRUE(lp.hopHuyHieu().isNull());
        const auto k = LopPhuKhung::kichThuoc(h);
        const QPoint tamCham(int(k.m + 1.45 * k.u), int(k.m + 1.15 * k.u));
        EXPECT_EQ(a.pixel(tamCham), 0xffffffffu);

        nd.dangGhi = true;
        nd.giayDaQua = 75;
        QImage b = camera_test::khungMau(w, h, 0xffffffff);
        lp.ve(b, nd);
        // the red dot near the top-left corner, inside a darkened badge
        EXPECT_TRUE(doTuoi(b.pixel(tamCham))) << std::hex << b.pixel(tamCham);
        EXPECT_NEAR(lp.chamDo().center().x(), k.m + 1.45 * k.u, 1e-9);
        EXPECT_NEAR(lp.hopHuyHieu().top(), k.m - 0.7 * k.u, 1e-9);
        EXPECT_NEAR(lp.hopHuyHieu().height(), 3.1 * k.u, 1e-9);
        const QPoint goc(int(lp.hopHuyHieu().left()) + 2, int(lp.hopHuyHieu().bottom()) - 2);
        EXPECT_NEAR(qRed(b.pixel(goc)), 115, 3);  // white under black at 0.55
    }
}

}  // namespace
