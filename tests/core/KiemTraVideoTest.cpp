#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "core/KiemTraVideo.h"

namespace {

// Makes a fixture with the ffmpeg command-line tool from a lavfi source, as an independent writer.
bool taoBangFfmpeg(const QStringList& thamSo, const QString& dich) {
    QProcess p;
    p.start("ffmpeg", QStringList{"-hide_banner", "-loglevel", "error", "-y"} + thamSo + QStringList{dich});
    return p.waitForFinished(60000) && p.exitCode() == 0;
}

struct CaKiemTra {
    const char* ten;
    QStringList thamSo;  // empty: the file is written by hand below
    const char* duoi;
    std::optional<QString> ketQua;  // none: playable
    bool batDau = false;            // the reason only has to start with ketQua
};

}  // namespace

TEST(KiemTraVideo, PhanLoaiTepTheoLuongHinhVaThoiLuong) {
    QTemporaryDir thuMuc;
    ASSERT_TRUE(thuMuc.isValid());
    const std::vector<CaKiemTra> cac = {
        {"video_2s",
         {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=30", "-t", "2", "-c:v", "libx264"},
         ".mp4",
         std::nullopt},
        {"video_0_5s",
         {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=30", "-t", "0.5", "-c:v", "libx264"},
         ".mp4",
         std::nullopt},
        {"manh_mp4_1_5s",
         {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=30", "-t", "1.5", "-c:v", "libx264", "-g", "30", "-movflags",
          "frag_keyframe+empty_moov+default_base_moof"},
         ".mp4",
         std::nullopt},
        {"chi_tieng",
         {"-f", "lavfi", "-i", "sine=frequency=440", "-t", "2", "-c:a", "aac"},
         ".mp4",
         QStringLiteral("file không có luồng hình")},
        {"qua_ngan",
         {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=30", "-t", "0.2", "-c:v", "libx264"},
         ".mp4",
         QStringLiteral("file không có thời lượng đọc được")},
        {"rac", {}, ".mp4", QStringLiteral("không"), true},
    };
    for (const auto& ca : cac) {
        SCOPED_TRACE(ca.ten);
        const QString tep = thuMuc.filePath(QString::fromUtf8(ca.ten) + ca.duoi);
        if (ca.thamSo.isEmpty()) {
            QFile f(tep);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(4096, 'x'));
        } else {
            ASSERT_TRUE(taoBangFfmpeg(ca.thamSo, tep));
        }
        const auto ketQua = KiemTraVideo::kiemTra(tep);
        if (!ca.ketQua) {
            EXPECT_FALSE(ketQua.has_value()) << ketQua.value_or("").toStdString();
        } else if (ca.batDau) {
            ASSERT_TRUE(ketQua.has_value());
            EXPECT_TRUE(ketQua->startsWith(*ca.ketQua)) << ketQua->toStdString();
        } else {
            EXPECT_EQ(ketQua, ca.ketQua);
        }
    }
}

TEST(KiemTraVideo, TepKhongTonTaiChoLyDoThayViCoi) {
    QTemporaryDir thuMuc;
    const auto ketQua = KiemTraVideo::kiemTra(thuMuc.filePath("khong-co.mp4"));
    ASSERT_TRUE(ketQua.has_value());
    EXPECT_TRUE(ketQua->startsWith(QStringLiteral("không mở được file: "))) << ketQua->toStdString();
}
