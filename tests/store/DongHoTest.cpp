#include <gtest/gtest.h>

#include "gia/store/DongHoGia.h"

using namespace std::chrono;

TEST(DongHoGia, StepsBothClocksTogetherAndWallAlone) {
    DongHoGia dh;
    const auto thuc0 = dh.gioThuc();
    const auto deu0 = dh.gioDeu();
    dh.tienGiay(1.5);
    EXPECT_EQ(dh.gioThuc() - thuc0, milliseconds(1500));
    EXPECT_EQ(dh.gioDeu() - deu0, milliseconds(1500));
    dh.doiGioThuc(-hours(1));
    EXPECT_EQ(dh.gioDeu() - deu0, milliseconds(1500));
    EXPECT_EQ(dh.gioThuc() - thuc0, milliseconds(1500) - hours(1));
    dh.datGiayThuc(1'715'000'000.25);
    EXPECT_DOUBLE_EQ(dh.giayThuc(), 1'715'000'000.25);
}
