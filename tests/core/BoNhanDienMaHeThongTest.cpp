#include <gtest/gtest.h>

#include "common/NhanMau.h"
#include "core/BoNhanDienMaHeThong.h"
#include "core/DocMaVach.h"
#include "store/DongHo.h"

namespace {

std::vector<BoNhanDienMa::MaThay> doc(const QImage& khung) {
    BoNhanDienMaHeThong bo;
    DocMaVach mau(std::make_unique<BoNhanDienMaHeThong>(), DongHo::heThong());
    return bo.nhanDien(khung, mau.loaiMa);
}

}  // namespace

// Every symbology the reader asks for comes back with its payload, its own identifier and a box that
// covers where the label was drawn.
TEST(BoNhanDienMaHeThong, DocDuMuoiLoai) {
    for (const auto& mau : NhanMau::muoiLoai()) {
        SCOPED_TRACE(mau.loai.toStdString());
        QImage khung = NhanMau::khungNen(1280, 720);
        const QImage nhan = NhanMau::taoNhan(mau);
        const QRectF hopVe = NhanMau::ve(khung, nhan, QPointF(640, 360));
        const auto thay = doc(khung);
        ASSERT_EQ(thay.size(), 1u);
        ASSERT_TRUE(thay[0].ma.has_value());
        EXPECT_EQ(thay[0].ma->toStdString(), mau.noiDung);
        EXPECT_EQ(thay[0].loai, mau.dinhDanh);
        EXPECT_EQ(DocMaVach::tenLoaiMa(thay[0].loai), mau.loai);
        // The decoder's box lies inside the drawn label and is not a degenerate sliver of it.
        EXPECT_TRUE(hopVe.adjusted(-0.01, -0.01, 0.01, 0.01).contains(thay[0].hop));
        EXPECT_GT(thay[0].hop.width() * thay[0].hop.height(), 0.0);
    }
}
