#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "CameraTienIch.h"
#include "core/BoGhiVideoFFmpeg.h"
#include "core/DocVideo.h"

using namespace std::chrono_literals;

namespace {

// Frame i is grey with a block whose blue level says i, so a decoded frame tells which one it is.
QImage khung(int i) {
    QImage a = camera_test::khungMau(320, 240, 0xff404040);
    for (int y = 40; y < 120; ++y)
        for (int x = 200; x < 300; ++x) a.setPixel(x, y, qRgb(0, 0, 20 + 20 * i));
    return a;
}

int soCuaKhung(const QImage& a) {
    return (qBlue(a.pixel(250, 80)) - 20 + 10) / 20;
}

// Writes n frames at 30 fps straight through the writer, waiting whenever its queue is full.
bool ghi(const QString& tep, int n) {
    auto w = BoGhiVideoFFmpeg::tao(tep);
    if (!w || !w->themDauVao(320, 240, 800000, 30.0) || !w->batDau()) return false;
    for (int i = 0; i < n; ++i) {
        while (w->themKhung(khung(i), std::chrono::microseconds(i * 1000000LL / 30)) == BoGhiVideo::KetQuaThem::chuaSan)
            std::this_thread::sleep_for(1ms);
    }
    std::atomic<bool> xong{false};
    w->ketThuc([&] { xong = true; });
    while (!xong) std::this_thread::sleep_for(1ms);
    return w->trangThai() == BoGhiVideo::TrangThai::hoanTat;
}

class DocVideoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        thuMuc = new QTemporaryDir;
        tep = thuMuc->filePath(QStringLiteral("mau.mp4"));
        ASSERT_TRUE(ghi(tep, 12));
    }
    static void TearDownTestSuite() { delete thuMuc; }
    static inline QTemporaryDir* thuMuc = nullptr;
    static inline QString tep;
};

TEST_F(DocVideoTest, ReadsTracksLengthAndSize) {
    DocVideo d(tep);
    ASSERT_TRUE(d.moDuoc()) << d.loi().toStdString();
    EXPECT_EQ(d.soLuongVideo(), 1);
    EXPECT_NEAR(d.thoiLuong(), 12 / 30.0, 1 / 30.0);
    EXPECT_EQ(d.rong(), 320);
    EXPECT_EQ(d.cao(), 240);
    EXPECT_EQ(d.xoay(), 0);
}

TEST_F(DocVideoTest, TheFrameNearestToATimeWithinTheTolerance) {
    DocVideo d(tep);
    struct Ca {
        double giay;
        double dungSai;
        int khung;  // -1: none
    };
    const Ca ca[] = {
        {0.0, 0.5, 0},        {5 / 30.0, 0.5, 5}, {5.4 / 30.0, 0.5, 5}, {5.6 / 30.0, 0.5, 6},
        {11 / 30.0, 0.5, 11}, {0.6, 0.5, 11},     {2.0, 0.5, -1},       {-1.0, 0.5, -1},
        {-0.2, 0.5, 0},       {3 / 30.0, 0.5, 3},  // going back after a later frame seeks again
    };
    for (const Ca& c : ca) {
        double giayThuc = -100;
        const QImage a = d.khungLuc(c.giay, c.dungSai, &giayThuc);
        if (c.khung < 0) {
            EXPECT_TRUE(a.isNull()) << c.giay;
            EXPECT_EQ(giayThuc, -100) << c.giay;
        } else {
            ASSERT_FALSE(a.isNull()) << c.giay;
            EXPECT_EQ(soCuaKhung(a), c.khung) << c.giay;
            // The dossier captions each frame with the time of the frame shown, not the time asked for.
            EXPECT_NEAR(giayThuc, c.khung / 30.0, 1e-3) << c.giay;
        }
    }
}

TEST_F(DocVideoTest, TheStoredRotationIsApplied) {
    const QString xoay = thuMuc->filePath(QStringLiteral("xoay.mp4"));
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                                       QStringLiteral("-i"), tep, QStringLiteral("-c"), QStringLiteral("copy"),
                                       QStringLiteral("-metadata:s:v:0"), QStringLiteral("rotate=90"), xoay});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    DocVideo d(xoay);
    EXPECT_NE(d.xoay(), 0);
    const QImage a = d.khungLuc(0);
    // ffmpeg's own auto-rotation is the judge of which way is up
    const QString png = thuMuc->filePath(QStringLiteral("xoay.png"));
    p.start(QStringLiteral("ffmpeg"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"), xoay,
             QStringLiteral("-frames:v"), QStringLiteral("1"), png});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QImage mau(png);
    ASSERT_FALSE(mau.isNull());
    ASSERT_EQ(a.size(), QSize(240, 320));
    ASSERT_EQ(mau.size(), a.size());
    int lech = 0;
    for (int y = 0; y < a.height(); y += 8)
        for (int x = 0; x < a.width(); x += 8) lech += std::abs(qBlue(a.pixel(x, y)) - qBlue(mau.pixel(x, y))) > 40;
    EXPECT_EQ(lech, 0);
}

TEST(DocVideo, FilesThatAreNoVideo) {
    QTemporaryDir thuMuc;
    const QString chu = thuMuc.filePath(QStringLiteral("chu.mp4"));
    QFile f(chu);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("day khong phai video\n");
    f.close();
    for (const QString& tep : {chu, thuMuc.filePath(QStringLiteral("khong-co.mp4"))}) {
        DocVideo d(tep);
        EXPECT_FALSE(d.moDuoc());
        EXPECT_FALSE(d.loi().isEmpty());
        EXPECT_EQ(d.soLuongVideo(), 0);
        EXPECT_TRUE(d.khungLuc(0).isNull());
    }
}

TEST(BoGhiVideoFFmpeg, ABurstAsDeepAsTheQueueIsKeptFrameForFrame) {
    // Frames wait converted, in frames the encoder hands back for the next ones: a burst as deep as the
    // queue, handed over at once as a capture thread that was held up does, is taken whole, and each
    // frame in the file is the picture handed in at its time, never a later one written over it.
    QTemporaryDir thuMuc;
    const QString tep = thuMuc.filePath(QStringLiteral("dot.mp4"));
    auto w = BoGhiVideoFFmpeg::tao(tep);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->themDauVao(320, 240, 800000, 30.0));
    ASSERT_TRUE(w->batDau());
    const int dot = int(BoGhiVideoFFmpeg::kHangDoiToiDa);
    for (int i = 0; i < dot; ++i)
        EXPECT_EQ(w->themKhung(khung(i % 12), std::chrono::microseconds(i * 1000000LL / 30)),
                  BoGhiVideo::KetQuaThem::daNhan)
            << i;
    // Then as many again at the pace the writer takes them, in the frames it has handed back.
    const int n = 2 * dot;
    for (int i = dot; i < n; ++i)
        while (w->themKhung(khung(i % 12), std::chrono::microseconds(i * 1000000LL / 30)) ==
               BoGhiVideo::KetQuaThem::chuaSan)
            std::this_thread::sleep_for(1ms);
    std::atomic<bool> xong{false};
    w->ketThuc([&] { xong = true; });
    ASSERT_TRUE(camera_test::choDen([&] { return xong.load(); }, 30000));
    ASSERT_EQ(w->trangThai(), BoGhiVideo::TrangThai::hoanTat);
    EXPECT_EQ(camera_test::ffprobe(tep).soKhung, n);
    DocVideo d(tep);
    ASSERT_TRUE(d.moDuoc());
    for (int i = 0; i < n; ++i) {
        const QImage a = d.khungLuc(i / 30.0, 0.01);
        ASSERT_FALSE(a.isNull()) << i;
        EXPECT_EQ(soCuaKhung(a), i % 12) << i;
    }
}

TEST(BoGhiVideoFFmpeg, RefusalsAndFailuresOfTheWriterItself) {
    QTemporaryDir thuMuc;
    const QString tepThuong = thuMuc.filePath(QStringLiteral("tep"));
    QFile f(tepThuong);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    // a folder that is a regular file cannot hold the video
    EXPECT_EQ(BoGhiVideoFFmpeg::tao(tepThuong + QStringLiteral("/a.mp4")), nullptr);

    auto w = BoGhiVideoFFmpeg::tao(thuMuc.filePath(QStringLiteral("le.mp4")));
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->themDauVao(321, 240, 800000, 30));  // 4:2:0 needs even sides
    EXPECT_TRUE(w->themDauVao(320, 240, 800000, 30));
    EXPECT_EQ(w->themKhung(khung(0), 0us), BoGhiVideo::KetQuaThem::chuaSan);  // not started yet
    ASSERT_TRUE(w->batDau());
    EXPECT_EQ(w->themKhung(camera_test::khungMau(640, 480, 0xff000000), 0us), BoGhiVideo::KetQuaThem::tuChoi);
    EXPECT_EQ(w->themKhung(khung(0).convertToFormat(QImage::Format_RGB888), 0us), BoGhiVideo::KetQuaThem::tuChoi);
    // the bounded queue fills when frames come faster than they are encoded, and nothing waits; frames are
    // handed in until it does, since an idle machine encodes small frames nearly as fast as they are converted
    int chuaSan = 0;
    for (int i = 0; i < 20'000 && chuaSan == 0; ++i)
        chuaSan += w->themKhung(khung(i % 12), std::chrono::microseconds(i * 33333)) == BoGhiVideo::KetQuaThem::chuaSan;
    EXPECT_GT(chuaSan, 0);
    std::atomic<bool> xong{false};
    w->ketThuc([&] { xong = true; });
    ASSERT_TRUE(camera_test::choDen([&] { return xong.load(); }, 30000));
    EXPECT_EQ(w->trangThai(), BoGhiVideo::TrangThai::hoanTat);

    // a full disk: the header cannot be written
    auto day = BoGhiVideoFFmpeg::tao(QStringLiteral("/dev/full"));
    ASSERT_NE(day, nullptr);
    ASSERT_TRUE(day->themDauVao(320, 240, 800000, 30));
    EXPECT_FALSE(day->batDau());
    EXPECT_EQ(day->trangThai(), BoGhiVideo::TrangThai::thatBai);
    EXPECT_EQ(day->loi(), QStringLiteral("No space left on device"));
}

}  // namespace
