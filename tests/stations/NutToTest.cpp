#include <gtest/gtest.h>

#include "shell/BangMau.h"
#include "shell/GiaoDien.h"
#include "stations/NutDo.h"
#include "stations/NutVang.h"

namespace {
QRgb mauGiua(QWidget& w) {
    return w.grab().toImage().pixel(w.width() / 2, 3);
}

TEST(NutTo, MauTheoGiaoDienVaMoKhiBamGiu) {
    struct Ca {
        const char* giaoDien;
        CheDoNen nen;
    };
    for (const Ca c : {Ca{"toi", CheDoNen::Toi}, Ca{"sang", CheDoNen::Sang}}) {
        GiaoDien::ban().apDungGiaoDien(QString::fromUtf8(c.giaoDien));
        NutDo doo(QStringLiteral("Dừng quay"));
        NutVang vang(QStringLiteral("Quay hàng hoàn"));
        doo.resize(doo.sizeHint());
        vang.resize(vang.sizeHint());
        EXPECT_EQ(mauGiua(doo), BangMau::mauDo.mau(c.nen).rgb()) << c.giaoDien;
        EXPECT_EQ(mauGiua(vang), BangMau::mauHoPhach.mau(c.nen).rgb()) << c.giaoDien;

        doo.setDown(true);
        QColor mo = BangMau::mauDo.mau(c.nen);
        mo.setAlphaF(0.8f);
        EXPECT_EQ(doo.mauNenHienTai(), mo);
        doo.setDown(false);
        // A disabled button keeps its fill.
        doo.setEnabled(false);
        EXPECT_EQ(mauGiua(doo), BangMau::mauDo.mau(c.nen).rgb());
    }
    GiaoDien::ban().apDungGiaoDien(QStringLiteral("toi"));
}

TEST(NutTo, KichThuocTheoChuVaDem) {
    NutDo nut(QStringLiteral("Dừng quay"));
    EXPECT_EQ(nut.font().pixelSize(), 15);
    EXPECT_EQ(nut.font().weight(), QFont::DemiBold);
    // In DejaVu Sans the text is 91 pixels wide and a line 18 high: 22 pixels either side, 14 above and below.
    ASSERT_EQ(QFontInfo(nut.font()).family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(nut.sizeHint(), QSize(135, 46));
}
}  // namespace
