#include <gtest/gtest.h>

#include "sources/DocJSON.h"

using nlohmann::json;

TEST(DocJSON, SoNguyenReadsOnlyWholeNumbers) {
    struct Ca {
        json vao;
        qint64 ra;
    };
    const Ca cacCa[] = {
        {12, 12},
        {12.9, 12},
        {-12.9, -12},
        {"+7", 7},
        {"-7", -7},
        {" 7", 0},
        {"7.0", 0},
        {"7 ", 0},
        {"", 0},
        {"+", 0},
        {"12345678901234567890", 0},
        {"9223372036854775807", 9223372036854775807LL},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"9223372036854775808", 0},
        {json::parse("18446744073709551615"), 0},
        {1e300, 0},
        {nullptr, 0},
        {true, 0},
        {json::array({1}), 0},
    };
    for (const auto& ca : cacCa) EXPECT_EQ(soNguyenJSON(&ca.vao), ca.ra) << ca.vao.dump();
    EXPECT_EQ(soNguyenJSON(nullptr), 0);
}

TEST(DocJSON, ChuoiTrimsTextsAndDescribesOtherValues) {
    const json o = json::parse(R"({"trong":"   ","id":1001,"ten":"  An \n","n":null,"mang":[1,2],"f":2.5})");
    EXPECT_FALSE(chuoiJSON(layKhoa(&o, "trong")));
    EXPECT_EQ(chuoiJSON(layKhoa(&o, "id")), QStringLiteral("1001"));
    EXPECT_EQ(chuoiJSON(layKhoa(&o, "ten")), QStringLiteral("An"));
    EXPECT_FALSE(chuoiJSON(layKhoa(&o, "n")));
    EXPECT_FALSE(chuoiJSON(layKhoa(&o, "vang")));
    EXPECT_EQ(chuoiJSON(layKhoa(&o, "mang")), QStringLiteral("[1,2]"));
    EXPECT_EQ(chuoiJSON(layKhoa(&o, "f")), QStringLiteral("2.5"));
    EXPECT_EQ(chuoiDauTien(o, {"vang", "trong", "n", "ten", "id"}), QStringLiteral("An"));
    EXPECT_FALSE(chuoiDauTien(o, {"vang", "trong"}));
}

TEST(DocJSON, LayTheoDuongStopsAtAnythingThatIsNotAnObject) {
    const json o = json::parse(R"({"a":{"b":{"c":5}},"m":[{"b":1}]})");
    ASSERT_NE(layTheoDuong(o, {"a", "b", "c"}), nullptr);
    EXPECT_EQ(*layTheoDuong(o, {"a", "b", "c"}), 5);
    EXPECT_EQ(layTheoDuong(o, {}), &o);
    EXPECT_EQ(layTheoDuong(o, {"m", "b"}), nullptr);
    EXPECT_EQ(layTheoDuong(o, {"a", "x"}), nullptr);
    EXPECT_EQ(layTheoDuong(o, {"a", "b", "c", "d"}), nullptr);
}
