#include <gtest/gtest.h>

#include <optional>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "common/CumThu.h"
#include "evidence/MoTepHeThong.h"

namespace {
using cum_thu::choDen;

// Stands in for the desktop's file manager on a private bus and remembers what it was asked to show.
class TrinhQuanLyGia : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList daHien;
    QString maKhoiDong = QStringLiteral("chua-goi");
public slots:
    void ShowItems(const QStringList& uris, const QString& startupId) {
        daHien = uris;
        maKhoiDong = startupId;
    }
};

// A bus daemon of our own, so the test never talks to a desktop session that may or may not be there.
struct BusRieng {
    QProcess tienTrinh;
    QString diaChi;
    bool batDau() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) return false;
        tienTrinh.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        if (!tienTrinh.waitForStarted(5000)) return false;
        if (!choDen([&] { return tienTrinh.canReadLine(); }, 5000)) return false;
        diaChi = QString::fromUtf8(tienTrinh.readLine()).trimmed();
        return !diaChi.isEmpty();
    }
    ~BusRieng() {
        QDBusConnection::disconnectFromBus("khach");
        QDBusConnection::disconnectFromBus("trinh-quan-ly");
        tienTrinh.kill();
        tienTrinh.waitForFinished(3000);
    }
};

}  // namespace

TEST(MoTepHeThong, ThuMucChua) {
    QTemporaryDir tmp;
    const QString tep = tmp.filePath("a.mp4");
    QFile(tep).open(QIODevice::WriteOnly);
    const QString goc = QDir(tmp.path()).absolutePath();
    EXPECT_EQ(MoTepHeThong::thuMucChua(tep), goc);
    EXPECT_EQ(MoTepHeThong::thuMucChua(tmp.path()), goc);                          // a dossier folder opens itself
    EXPECT_EQ(MoTepHeThong::thuMucChua(tmp.filePath("mat/b.mp4")), goc + "/mat");  // a vanished file's folder
}

// The file manager on the bus is asked to select the item by its file URI; nothing else is opened.
TEST(MoTepHeThong, HienQuaTrinhQuanLyTrenBus) {
    BusRieng bus;
    if (!bus.batDau()) GTEST_SKIP() << "dbus-daemon is needed for a private bus";
    QDBusConnection phucVu = QDBusConnection::connectToBus(bus.diaChi, "trinh-quan-ly");
    ASSERT_TRUE(phucVu.isConnected());
    TrinhQuanLyGia gia;
    ASSERT_TRUE(phucVu.registerObject("/org/freedesktop/FileManager1", &gia, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(phucVu.registerService("org.freedesktop.FileManager1"));

    QTemporaryDir tmp;
    const QString tep = tmp.filePath("Hồ sơ #1.mp4");
    QFile(tep).open(QIODevice::WriteOnly);
    QStringList daMo;
    MoTepHeThong mo([&](const QString& p) { return daMo << p, true; },
                    QDBusConnection::connectToBus(bus.diaChi, "khach"));
    mo.hienTrongThuMuc(tep);
    ASSERT_TRUE(choDen([&] { return !gia.daHien.isEmpty(); }, 5000));
    EXPECT_EQ(gia.daHien, QStringList{QUrl::fromLocalFile(tep).toString()});
    EXPECT_EQ(QUrl(gia.daHien.first()).toLocalFile(), tep);
    EXPECT_EQ(gia.maKhoiDong, "");
    cum_thu::chay(200);
    EXPECT_TRUE(daMo.isEmpty());
}

// A bus without a file manager (or no bus at all) opens the folder holding the file instead.
TEST(MoTepHeThong, KhongCoTrinhQuanLyThiMoThuMuc) {
    QTemporaryDir tmp;
    const QString tep = tmp.filePath("a.mp4");
    QFile(tep).open(QIODevice::WriteOnly);
    const QString goc = QDir(tmp.path()).absolutePath();
    BusRieng bus;
    const bool coBus = bus.batDau();
    struct Ca {
        const char* ten;
        QDBusConnection ketNoi;
    };
    std::vector<Ca> cacCa = {{"khong-bus", QDBusConnection(QStringLiteral("khong-co"))}};
    if (coBus) cacCa.push_back({"bus-trong", QDBusConnection::connectToBus(bus.diaChi, "khach")});
    for (const Ca& ca : cacCa) {
        // The answer is the opener's: nothing to open the folder with is said, not swallowed.
        for (const bool moDuoc : {true, false}) {
            QStringList daMo;
            std::optional<bool> traLoi;
            MoTepHeThong mo([&](const QString& p) { return daMo << p, moDuoc; }, ca.ketNoi);
            mo.hienTrongThuMuc(tep, [&](bool b) { traLoi = b; });
            ASSERT_TRUE(choDen([&] { return traLoi.has_value(); }, 8000)) << ca.ten;
            EXPECT_EQ(daMo, QStringList{goc}) << ca.ten;
            EXPECT_EQ(traLoi, moDuoc) << ca.ten;
        }
    }
}

// The desktop's opener run as a program on the file: it answers whether the file opened from how the program
// ended. xdg-open ends with 3 when nothing installed takes the file's type; a program that cannot start at all,
// or fails at once, is a failure too.
TEST(MoTepHeThong, MoQuaLenhTheoMaKetThuc) {
    QTemporaryDir tmp;
    const QString tep = tmp.filePath("Hồ sơ #1.mp4");
    QFile(tep).open(QIODevice::WriteOnly);
    const auto lenh = [&](const QString& ten, const QByteArray& than) {
        const QString duong = tmp.filePath(ten);
        QFile f(duong);
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\n" + than + "\n");
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return duong;
    };
    const QString ghiLai = tmp.filePath("da-nhan");
    struct Ca {
        const char* ten;
        QString chuongTrinh;
        bool moDuoc;
    };
    const Ca cacCa[] = {
        {"mo-duoc", lenh("mo-duoc", "printf '%s' \"$1\" > '" + ghiLai.toUtf8() + "'"), true},
        {"khong-co-cach", lenh("khong-co-cach", "exit 3"), false},
        {"hong-ngay", lenh("hong-ngay", "exit 4"), false},
        {"khong-chay-duoc", tmp.filePath("khong-co-tep-nay"), false},
    };
    for (const Ca& ca : cacCa) {
        std::optional<bool> traLoi;
        int soLan = 0;
        MoTepHeThong mo([](const QString&) { return true; }, QDBusConnection(QStringLiteral("khong-co")),
                        MoTepHeThong::quaLenh(ca.chuongTrinh));
        mo.moTep(tep, [&](bool moDuoc) {
            traLoi = moDuoc;
            ++soLan;
        });
        ASSERT_TRUE(choDen([&] { return traLoi.has_value(); }, 8000)) << ca.ten;
        EXPECT_EQ(*traLoi, ca.moDuoc) << ca.ten;
        cum_thu::chay(100);
        EXPECT_EQ(soLan, 1) << ca.ten;
    }
    // The path reaches the program as one argument, spaces and all.
    QFile f(ghiLai);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), tep);
}

#include "MoTepHeThongTest.moc"
