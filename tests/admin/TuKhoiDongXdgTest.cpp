#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "admin/TuKhoiDongXdg.h"

namespace {

QString chayXacThuc(const QString& tep) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("desktop-file-validate", {tep});
    if (!p.waitForFinished(20000)) return "desktop-file-validate did not finish";
    const QString ra = QString::fromUtf8(p.readAll());
    return p.exitCode() == 0 && !ra.contains("error", Qt::CaseInsensitive) ? QString() : ra;
}

// The entry the desktop starts at login, for program paths a shell or the desktop's own parser would misread
// unless quoted: each one is written, accepted by the reference validator, read back as on, and removed.
TEST(TuKhoiDongXdg, TepAutostartHopLeVoiMoiDuongDan) {
    struct Ca {
        const char* ten;
        const char* exec;
    };
    const Ca ca[] = {
        {"KorvanePack", "Exec=\"%1/KorvanePack\""},
        {"Korvane Zize", "Exec=\"%1/Korvane Zize\""},
        {"bản \"thử\" $HOME `x`", "Exec=\"%1/bản \\\\\"thử\\\\\" \\\\$HOME \\\\`x\\\\`\""},
        {"100% ok", "Exec=\"%1/100%% ok\""},
        {"a\\b", "Exec=\"%1/a\\\\\\\\b\""},
    };
    for (const Ca& x : ca) {
        QTemporaryDir tam;
        const QString chuongTrinh = tam.filePath(QString::fromUtf8(x.ten));
        const TuKhoiDongXdg dk(tam.filePath("cau hinh/autostart"), chuongTrinh);
        EXPECT_FALSE(dk.daBat());
        ASSERT_EQ(dk.dangKy(), std::nullopt) << x.ten;
        EXPECT_TRUE(dk.daBat());
        QFile f(dk.duongDanTep());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QStringList dong = QString::fromUtf8(f.readAll()).split('\n');
        EXPECT_TRUE(dong.contains(QString::fromUtf8(x.exec).arg(tam.path()))) << dong.join('\n').toStdString();
        EXPECT_EQ(chayXacThuc(dk.duongDanTep()), QString()) << x.ten;
        // Nothing but the entry is left in the folder: the temporary file was renamed into place.
        EXPECT_EQ(QDir(dk.thuMuc()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("korvane-zize.desktop")});
        ASSERT_EQ(dk.boDangKy(), std::nullopt);
        EXPECT_FALSE(QFile::exists(dk.duongDanTep()));
        EXPECT_FALSE(dk.daBat());
        EXPECT_EQ(dk.boDangKy(), std::nullopt);  // already gone is not an error
    }
}

TEST(TuKhoiDongXdg, MucBiTatHoacKhongPhaiDesktopEntryLaTat) {
    const char* cacNoiDung[] = {
        "[Desktop Entry]\nType=Application\nExec=x\nHidden=true\n",
        "[Desktop Entry]\nType=Application\nExec=x\nX-GNOME-Autostart-enabled=false\n",
        "rác không có nhóm\n",
        "",
    };
    for (const char* nd : cacNoiDung) {
        QTemporaryDir tam;
        const TuKhoiDongXdg dk(tam.path(), "/usr/bin/true");
        QFile f(dk.duongDanTep());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(nd);
        f.close();
        EXPECT_FALSE(dk.daBat()) << nd;
        // Switching on again replaces what was there with an entry that is on.
        ASSERT_EQ(dk.dangKy(), std::nullopt);
        EXPECT_TRUE(dk.daBat()) << nd;
    }
}

TEST(TuKhoiDongXdg, ThuMucMacDinhTheoXdgConfigHome) {
    const QByteArray cu = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/cauhinh-thu");
    EXPECT_EQ(TuKhoiDongXdg::thuMucMacDinh(), "/tmp/cauhinh-thu/autostart");
    qputenv("XDG_CONFIG_HOME", "tuong-doi");
    EXPECT_EQ(TuKhoiDongXdg::thuMucMacDinh(), QDir::homePath() + "/.config/autostart");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(TuKhoiDongXdg::thuMucMacDinh(), QDir::homePath() + "/.config/autostart");
    if (!cu.isNull()) qputenv("XDG_CONFIG_HOME", cu);
}
}  // namespace
