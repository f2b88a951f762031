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

// A source id of its own keeps this away from any real credential in the same keyring; an unknown id needs the
// Haravan field, "token", under that id.
TEST(KhoKhoaHeThongTest, GanKhoaVaDaDienDuKhoaTrenKhoaThat) {
    if (!coBusPhien()) GTEST_SKIP() << "no session bus";
    QTemporaryDir thuMuc;
    const QString nguon = QStringLiteral("thu-") + QUuid::createUuid().toString(QUuid::Id128);
    const QString k = QStringLiteral("com.korvane.pack.") + nguon + QStringLiteral(".token");
    {
        CaiDat cd(thuMuc.filePath(QStringLiteral("korvane.ini")), std::make_shared<KhoKhoaHeThong>());
        EXPECT_FALSE(cd.daDienDuKhoa(nguon));
        cd.ganKhoa(nguon, QStringLiteral("token"), QStringLiteral("  \n"));
        EXPECT_FALSE(cd.daDienDuKhoa(nguon));
        cd.ganKhoa(nguon, QStringLiteral("token"), QStringLiteral("tok"));
        EXPECT_TRUE(cd.daDienDuKhoa(nguon));
    }
    CaiDat lai(thuMuc.filePath(QStringLiteral("korvane.ini")), std::make_shared<KhoKhoaHeThong>());
    EXPECT_TRUE(lai.daDienDuKhoa(nguon));
    lai.ganKhoa(nguon, QStringLiteral("token"), QString());
    EXPECT_FALSE(lai.daDienDuKhoa(nguon));
    EXPECT_EQ(KhoKhoaHeThong().doc(k), std::nullopt);
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
