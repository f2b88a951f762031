#include <gtest/gtest.h>

#include <QImage>

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
}  // namespace
