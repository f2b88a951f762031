#include <ZXing/ReadBarcode.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "common/NhanMau.h"
#include "core/BoNhanDienMaHeThong.h"
TEST(Dump, X) {
    const auto& muoi = NhanMau::muoiLoai();
    BoNhanDienMaHeThong bo;
    for (int g : {0, 90, 180, 270, 45, 10}) {
        printf("goc %d: ", g);
        for (QPointF p : {QPointF(640, 360), QPointF(900, 470), QPointF(300, 200), QPointF(640, 300)}) {
            QImage khung = NhanMau::khungNen(1280, 720);
            NhanMau::ve(khung, NhanMau::taoNhan(muoi[9]), p, 1, g);
            auto r = bo.nhanDien(khung, {"DataMatrix"});
            QImage gr = khung.convertToFormat(QImage::Format_Grayscale8);
            ZXing::DecodeHints h;
            h.setFormats(ZXing::BarcodeFormat::DataMatrix);
            auto r2 = ZXing::ReadBarcodes(
                ZXing::ImageView(gr.constBits(), gr.width(), gr.height(), ZXing::ImageFormat::Lum, gr.bytesPerLine()),
                h);
            printf("%zu/%zu ", r.size(), r2.size());
        }
        printf("\n");
    }
}
