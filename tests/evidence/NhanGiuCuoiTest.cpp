// The reconciliation's customer line: a name from the platform, cut short, never turns the phone after it around.
#include <gtest/gtest.h>

#include "common/ThuTuVe.h"
#include "evidence/NhanGiuCuoi.h"
#include "shell/BangMau.h"
#include "shell/PhongChu.h"

TEST(NhanGiuCuoi, TenCoDieuKhienHuongKhongDaoDuoiKhiCat) {
    const QString duoi = QStringLiteral(" · 0901 234 567");
    const QString ten[] = {
        QStringLiteral("Nguyễn Thị Lan Anh Hoàng Gia Bảo\u202E"),
        QStringLiteral("\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD \u05D2\u05D3\u05D5\u05DC \u2067x"),
        QStringLiteral("\u2069\u202BPhạm Văn Long Phạm Văn Long Phạm Văn Long")};
    for (const QString& t : ten) {
        NhanGiuCuoi nhan(t, duoi, BangMau::mauChuPhu, phongChu(12));
        for (const int rong : {900, 160}) {
            nhan.resize(rong, 24);
            const QString ve = nhan.chuDangVe();
            ASSERT_TRUE(ve.endsWith(duoi)) << rong;
            if (rong < 200) EXPECT_TRUE(ve.contains(u'…')) << "the fixture is meant to cut the name";
            EXPECT_TRUE(veTraiSangPhai(ve, ve.size() - duoi.size() + 1, ve.size(), nhan.font()))
                << rong << " " << ve.toStdString();
        }
    }
    // A name that cannot move anything is shown as it is.
    NhanGiuCuoi thuong(QStringLiteral("Chị Lan"), duoi, BangMau::mauChuPhu, phongChu(12));
    EXPECT_EQ(thuong.text(), QStringLiteral("Chị Lan") + duoi);
}
