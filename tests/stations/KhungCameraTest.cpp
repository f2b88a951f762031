#include <gtest/gtest.h>

#include <QImage>

#include "core/PhatKhungXemTruoc.h"
#include "stations/KhungCamera.h"

namespace {
QImage khungMau(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(0, 200, 0));
    return img;
}

// The whole frame stays visible: bars appear on the sides or top and bottom, never a crop or a stretch.
TEST(KhungCamera, VuaKhungGiuTiLeTrenNenDen) {
    struct Ca {
        QSize khung, view;
        QRect vung;
    };
    const Ca cac[] = {
        {{1280, 720}, {400, 400}, {0, 87, 400, 225}},   // letterbox top and bottom
        {{640, 480}, {800, 300}, {200, 0, 400, 300}},   // pillarbox left and right
        {{1280, 720}, {1280, 720}, {0, 0, 1280, 720}},  // exact fit
        {{1280, 720}, {700, 393}, {0, 0, 700, 393}},    // a 16:9 box cut to whole pixels: no hairline bars
        {{1280, 720}, {700, 389}, {4, 0, 692, 389}},    // a few pixels off is still a real bar
    };
    for (const auto& c : cac) {
        KhungCamera v;
        v.resize(c.view);
        v.hienKhung(khungMau(c.khung.width(), c.khung.height()));
        EXPECT_EQ(v.vungHinh(), c.vung);
        const QImage anh = v.grab().toImage();
        const QRect vung = v.vungHinh();
        EXPECT_EQ(QColor(anh.pixel(vung.center())), QColor(0, 200, 0));
        if (vung.top() > 0) {
            EXPECT_EQ(QColor(anh.pixel(c.view.width() / 2, 1)), QColor(Qt::black));
        }
        if (vung.left() > 0) {
            EXPECT_EQ(QColor(anh.pixel(1, c.view.height() / 2)), QColor(Qt::black));
        } else {
            EXPECT_EQ(QColor(anh.pixel(0, c.view.height() / 2)), QColor(0, 200, 0)) << c.view.width();
            EXPECT_EQ(QColor(anh.pixel(c.view.width() - 1, c.view.height() / 2)), QColor(0, 200, 0)) << c.view.width();
        }
    }
}

TEST(KhungCamera, KhongCoKhungLaNenDen) {
    KhungCamera v;
    v.resize(320, 180);
    EXPECT_TRUE(v.vungHinh().isEmpty());
    const QImage anh = v.grab().toImage();
    EXPECT_EQ(QColor(anh.pixel(160, 90)), QColor(Qt::black));
    v.hienKhung(khungMau(16, 9));
    v.xoaKhung();
    EXPECT_EQ(QColor(v.grab().toImage().pixel(160, 90)), QColor(Qt::black));
}
// The preview relay hands over the frame halved while it still fills the box on one side, so fitting it never
// enlarges it; each pixel is the mean of its 2x2 block, channel by channel.
TEST(KhungCamera, KhungXemTruocThuNhoVuaO) {
    struct Ca {
        QSize khung, o, ra;
    };
    const Ca cac[] = {
        {{1920, 1080}, {960, 540}, {960, 540}},    // the bench's box: exactly half
        {{1920, 1080}, {961, 541}, {1920, 1080}},  // half would have to be enlarged
        {{1920, 1080}, {480, 400}, {480, 270}},    // letterboxed: the width decides
        {{1920, 1080}, {2000, 100}, {240, 135}},   // pillarboxed: the height decides
        {{1920, 1080}, {}, {1920, 1080}},          // no box known yet
        {{1281, 721}, {640, 360}, {640, 360}},     // an odd last row and column are left out
    };
    for (const auto& c : cac) {
        const QImage k = khungMau(c.khung.width(), c.khung.height());
        const QImage ra = PhatKhungXemTruoc::thuNhoChoO(k, c.o);
        EXPECT_EQ(ra.size(), c.ra) << c.o.width() << "x" << c.o.height();
        if (ra.size() == k.size()) {
            EXPECT_EQ(ra.constBits(), k.constBits());  // handed on, not copied
        }
    }
    const QImage xam(64, 64, QImage::Format_Grayscale8);
    EXPECT_EQ(PhatKhungXemTruoc::thuNhoChoO(xam, {8, 8}).size(), xam.size());

    QImage k(4, 2, QImage::Format_RGB32);
    k.setPixel(0, 0, qRgb(0, 10, 255));
    k.setPixel(1, 0, qRgb(255, 20, 255));
    k.setPixel(0, 1, qRgb(1, 30, 255));
    k.setPixel(1, 1, qRgb(2, 41, 250));
    k.setPixel(2, 0, qRgb(9, 9, 9));
    k.setPixel(3, 0, qRgb(9, 9, 9));
    k.setPixel(2, 1, qRgb(9, 9, 9));
    k.setPixel(3, 1, qRgb(9, 9, 9));
    const QImage ra = PhatKhungXemTruoc::thuNhoChoO(k, {2, 1});
    ASSERT_EQ(ra.size(), QSize(2, 1));
    EXPECT_EQ(ra.pixel(0, 0), qRgb(65, 25, 254));  // (0+255+1+2)/4 = 64.5, (10+20+30+41)/4 = 25.25, 253.75
    EXPECT_EQ(ra.pixel(1, 0), qRgb(9, 9, 9));

    // A row long enough for the whole chunks the loop works in and a remainder, every pixel its own.
    QImage rong(2 * 37, 4, QImage::Format_RGB32);
    for (int y = 0; y < rong.height(); ++y)
        for (int x = 0; x < rong.width(); ++x) rong.setPixel(x, y, qRgb((x * 7 + y * 31) % 256, (x * 13) % 256, 255 - x));
    const QImage nua = PhatKhungXemTruoc::thuNhoChoO(rong, {37, 2});
    ASSERT_EQ(nua.size(), QSize(37, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 37; ++x) {
            const QRgb a = rong.pixel(2 * x, 2 * y), b = rong.pixel(2 * x + 1, 2 * y), c = rong.pixel(2 * x, 2 * y + 1),
                       d = rong.pixel(2 * x + 1, 2 * y + 1);
            auto tb = [&](int (*kenh)(QRgb)) { return (kenh(a) + kenh(b) + kenh(c) + kenh(d) + 2) / 4; };
            ASSERT_EQ(nua.pixel(x, y), qRgb(tb(qRed), tb(qGreen), tb(qBlue))) << x << "," << y;
        }
}

// Shown, the box tells its size, and a frame of exactly that size is drawn as it is.
TEST(KhungCamera, BaoKichThuocVaVeKhungDungCo) {
    KhungCamera v;
    QList<QSize> bao;
    QObject::connect(&v, &KhungCamera::kichThuocXemDoi, [&](QSize o) { bao.append(o); });
    v.resize(320, 180);
    EXPECT_TRUE(bao.isEmpty());  // hidden: no size for the frame source
    v.show();
    ASSERT_FALSE(bao.isEmpty());
    EXPECT_EQ(bao.last(), QSize(320, 180));
    v.resize(400, 200);
    EXPECT_EQ(bao.last(), QSize(400, 200));

    v.resize(320, 180);
    QImage k(320, 180, QImage::Format_RGB32);
    k.fill(QColor(0, 200, 0));
    k.setPixel(7, 5, qRgb(255, 0, 0));
    v.hienKhung(k);
    const QImage anh = v.grab().toImage();
    EXPECT_EQ(QColor(anh.pixel(7, 5)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(anh.pixel(8, 5)), QColor(0, 200, 0));
}
}  // namespace
