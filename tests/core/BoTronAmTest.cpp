#include <gtest/gtest.h>

#include "core/BoTronAm.h"

TEST(BoTronAmTest, CongDonCatNguongVaTienViTri) {
    BoTronAm bo;
    std::vector<std::pair<std::vector<float>, std::int64_t>> cum;
    cum.emplace_back(std::vector<float>{0.5f, 0.5f, 0.5f}, 1);
    cum.emplace_back(std::vector<float>{0.7f, -0.2f}, 2);
    bo.themCum(std::move(cum));

    float ra[5];
    bo.tron(ra, 5);
    const float mongDoi[5] = {0.0f, 0.5f, 1.0f, 0.3f, 0.0f};
    for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(ra[i], mongDoi[i]) << i;
    EXPECT_EQ(bo.viTri(), 5);
    EXPECT_EQ(bo.soNotDangCho(), 0);

    // A note added later is placed against the current position, not the start of the stream.
    std::vector<std::pair<std::vector<float>, std::int64_t>> sau;
    sau.emplace_back(std::vector<float>{-0.25f}, 1);
    bo.themCum(std::move(sau));
    bo.xoaHet();
    bo.tron(ra, 2);
    EXPECT_EQ(ra[1], 0.0f);
}

TEST(BoTronAmTest, GiuToiDaSoNotMoiNhat) {
    BoTronAm bo;
    for (int i = 0; i < BoTronAm::kToiDaNot + 5; ++i) {
        std::vector<std::pair<std::vector<float>, std::int64_t>> cum;
        cum.emplace_back(std::vector<float>{static_cast<float>(i) / 10000.0f}, 0);
        bo.themCum(std::move(cum));
    }
    EXPECT_EQ(bo.soNotDangCho(), BoTronAm::kToiDaNot);
    float ra = 0;
    bo.tron(&ra, 1);
    float tong = 0;
    for (int i = 5; i < BoTronAm::kToiDaNot + 5; ++i) tong += static_cast<float>(i) / 10000.0f;
    EXPECT_FLOAT_EQ(ra, tong);
}

TEST(BoTronAmTest, DocRaDungKieuMauCuaThietBi) {
    BoTronAm bo;
    const auto them = [&bo] {
        std::vector<std::pair<std::vector<float>, std::int64_t>> cum;
        cum.emplace_back(std::vector<float>{1.0f, -0.5f}, 0);
        bo.themCum(std::move(cum));
    };
    them();
    float f[3];
    ASSERT_EQ(bo.read(reinterpret_cast<char*>(f), sizeof f), qint64(sizeof f));
    EXPECT_EQ(f[0], 1.0f);
    EXPECT_EQ(f[1], -0.5f);
    EXPECT_EQ(f[2], 0.0f);

    bo.datKieuMau(BoTronAm::KieuMau::Int16);
    them();
    qint16 s[3];
    ASSERT_EQ(bo.read(reinterpret_cast<char*>(s), sizeof s), qint64(sizeof s));
    EXPECT_EQ(s[0], 32767);
    EXPECT_EQ(s[1], -16384);
    EXPECT_EQ(s[2], 0);
}
