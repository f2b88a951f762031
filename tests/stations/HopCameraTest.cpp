#include <gtest/gtest.h>

#include <QImage>

#include "common/GocHopCamera.h"
#include "stations/HopCamera.h"
#include "stations/KhungCamera.h"

namespace {
// The picture fills its rounded border exactly: nothing of it pokes out past the corners onto the page and no
// hairline shows between it and the line, whatever whole-pixel size the column leaves the box.
TEST(HopCamera, HinhKhitTrongVienBoTron) {
    for (const QSize kichThuoc :
         {QSize(700, 393), QSize(731, 420), QSize(533, 300), QSize(1001, 563), QSize(400, 400), QSize(862, 700)}) {
        auto* xemTruoc = new KhungCamera;
        HopCamera hop(xemTruoc, new QWidget, new QWidget, new QWidget, new QWidget);
        for (QWidget* w : hop.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->metaObject() == &QWidget::staticMetaObject) w->hide();
        hop.resize(kichThuoc);
        hop.show();
        const QString loi = goc_hop_camera::kiem(
            [&](const QColor& mau) {
                QImage khung(1280, 720, QImage::Format_RGB32);
                khung.fill(mau);
                xemTruoc->hienKhung(khung);
                return hop.grab().toImage();
            },
            hop.vungHop(), 14);
        EXPECT_TRUE(loi.isEmpty()) << kichThuoc.width() << "x" << kichThuoc.height() << ": " << loi.toStdString();
    }
}
}  // namespace
