#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "evidence/HoSoBangChung.h"
#include "evidence/NguonKhungHinhVideo.h"

namespace {

bool chay(const QStringList& thamSo) {
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-y"} + thamSo);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace

TEST(KhungHinhVideo, SauKhungTuFileThatXoayDung) {
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty()) GTEST_SKIP() << "ffmpeg is needed to make the fixture";
    QTemporaryDir tmp;
    const QString ngang = tmp.filePath("ngang.mp4");
    const QString doc = tmp.filePath("doc.mp4");
    ASSERT_TRUE(chay({"-f", "lavfi", "-i", "testsrc=size=1280x720:rate=30", "-t", "6", "-c:v", "libx264", "-pix_fmt",
                      "yuv420p", "-g", "30", ngang}));
    // A phone-style recording: landscape pixels with a display matrix that turns them upright.
    ASSERT_TRUE(chay({"-i", ngang, "-c", "copy", "-metadata:s:v:0", "rotate=90", doc}));

    struct Ca {
        QString tep;
        QSize mong;
    };
    for (const Ca& ca : {Ca{ngang, QSize(720, 405)}, Ca{doc, QSize(405, 720)}}) {
        NguonKhungHinhVideo nguon;
        const auto khung = HoSoBangChung::trichKhungHinh(ca.tep, nguon);
        ASSERT_EQ(khung.size(), 6u) << ca.tep.toStdString();
        for (size_t i = 0; i < khung.size(); ++i) {
            const QImage anh = QImage::fromData(khung[i].jpeg, "JPEG");
            EXPECT_EQ(anh.size(), ca.mong) << i;
            EXPECT_NEAR(khung[i].giay, 6.0 * HoSoBangChung::cacMoc[i], 0.4) << i;
        }
        // testsrc frames differ over time; identical JPEGs would mean one frame was taken six times.
        EXPECT_NE(khung.front().jpeg, khung.back().jpeg);
    }
}

TEST(KhungHinhVideo, FileKhongPhaiVideo) {
    QTemporaryDir tmp;
    const QString rong = tmp.filePath("rong.mp4");
    const QString rac = tmp.filePath("rac.mp4");
    QFile(rong).open(QIODevice::WriteOnly);
    QFile f(rac);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(100000, 'r'));
    f.close();
    for (const QString& tep : {rong, rac, tmp.filePath("khong-co.mp4")}) {
        NguonKhungHinhVideo nguon;
        EXPECT_TRUE(HoSoBangChung::trichKhungHinh(tep, nguon).empty()) << tep.toStdString();
    }
}
