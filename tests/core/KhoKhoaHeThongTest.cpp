#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>

#include "core/CaiDat.h"
#include "core/KhoKhoaHeThong.h"

namespace {

bool coBusPhien() {
    return QDBusConnection::sessionBus().isConnected();
}

QString dichVuThu() {
    return QStringLiteral("com.korvane.pack.thu-") + QUuid::createUuid().toString(QUuid::WithoutBraces) +
           QStringLiteral(".token");
}

}  // namespace

// Against the real Secret Service the test command starts (a private bus and an unlocked gnome-keyring).
TEST(KhoKhoaHeThongTest, GhiDocGhiDeVaXoaTrenKhoaThat) {
    if (!coBusPhien()) GTEST_SKIP() << "no session bus";
    QTemporaryDir thuMuc;
    CaiDat cd(thuMuc.filePath(QStringLiteral("korvane.ini")), std::make_shared<KhoKhoaHeThong>());
    const QString k = dichVuThu();

    EXPECT_EQ(cd.docKeychain(k), std::nullopt);
    cd.ghiKeychain(k, QStringLiteral("bí mật-1 ✓"));
    EXPECT_EQ(cd.docKeychain(k), QStringLiteral("bí mật-1 ✓"));
    cd.ghiKeychain(k, QStringLiteral("bí mật-2"));
    EXPECT_EQ(cd.docKeychain(k), QStringLiteral("bí mật-2"));
    // A second object sees what the first wrote: it is in the keyring, not in a cache.
    KhoKhoaHeThong khac;
    EXPECT_EQ(khac.doc(k), QStringLiteral("bí mật-2"));

    cd.ghiKeychain(k, QString());
    EXPECT_EQ(cd.docKeychain(k), std::nullopt);
    EXPECT_EQ(khac.doc(k), std::nullopt);
    EXPECT_TRUE(khac.xoa(k));
}

TEST(KhoKhoaHeThongTest, ChuyenTokenCuVaDaDienDuKhoaTrenKhoaThat) {
    if (!coBusPhien()) GTEST_SKIP() << "no session bus";
    QTemporaryDir thuMuc;
    KhoKhoaHeThong kho;
    const QString moi = QStringLiteral("com.korvane.pack.haravan.token");
    // The machine's keyring is a throw-away one under the test command; still, leave it as found.
    const std::optional<QString> moiTruoc = kho.doc(moi);
    const std::optional<QString> cuTruoc = kho.doc(CaiDat::khoaTokenCu);
    kho.xoa(moi);
    ASSERT_TRUE(kho.ghi(CaiDat::khoaTokenCu, QStringLiteral("tok-cu")));
    {
        CaiDat cd(thuMuc.filePath(QStringLiteral("korvane.ini")), std::make_shared<KhoKhoaHeThong>());
        EXPECT_FALSE(cd.daDienDuKhoa(QStringLiteral("haravan")));
        cd.chuyenTokenCu();
        EXPECT_TRUE(cd.daDienDuKhoa(QStringLiteral("haravan")));
    }
    EXPECT_EQ(kho.doc(moi), QStringLiteral("tok-cu"));
    EXPECT_EQ(kho.doc(CaiDat::khoaTokenCu), QStringLiteral("tok-cu"));
    ASSERT_TRUE(kho.ghi(CaiDat::khoaTokenCu, QStringLiteral("tok-khac")));
    {
        CaiDat cd(thuMuc.filePath(QStringLiteral("korvane.ini")), std::make_shared<KhoKhoaHeThong>());
        cd.chuyenTokenCu();
    }
    EXPECT_EQ(kho.doc(moi), QStringLiteral("tok-cu"));

    if (moiTruoc)
        kho.ghi(moi, *moiTruoc);
    else
        kho.xoa(moi);
    if (cuTruoc)
        kho.ghi(CaiDat::khoaTokenCu, *cuTruoc);
    else
        kho.xoa(CaiDat::khoaTokenCu);
}

// The wait for the keyring happens on its own thread: no event of the GUI thread may run meanwhile, or a frame
// or timer slot could re-enter the code that asked.
TEST(KhoKhoaHeThongTest, KhongChayVongSuKienLongTrenLuongGiaoDien) {
    KhoKhoaHeThong kho(std::chrono::seconds(5));
    bool daChay = false;
    QTimer::singleShot(0, [&daChay] { daChay = true; });
    const QString k = dichVuThu();
    kho.doc(k);
    kho.ghi(k, QStringLiteral("x"));
    kho.xoa(k);
    EXPECT_FALSE(daChay);
    QCoreApplication::processEvents();
    EXPECT_TRUE(daChay);
}
