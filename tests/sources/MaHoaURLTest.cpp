#include <gtest/gtest.h>

#include "sources/MaHoaURL.h"

TEST(MaHoaURL, EncodesEverythingOutsideTheUnreservedSet) {
    struct Ca {
        QString vao;
        const char* ra;
    };
    const Ca cacCa[] = {
        {QStringLiteral("AZaz09-._~"), "AZaz09-._~"},
        {QStringLiteral("a+b&c=d"), "a%2Bb%26c%3Dd"},
        {QStringLiteral("x y/z?#%"), "x%20y%2Fz%3F%23%25"},
        {QStringLiteral("2026-12-10T09:00:00Z"), "2026-12-10T09%3A00%3A00Z"},
        {QStringLiteral("Đơn"), "%C4%90%C6%A1n"},
        {QString(), ""},
    };
    for (const auto& ca : cacCa) EXPECT_EQ(maHoaPhanTram(ca.vao), QByteArray(ca.ra)) << ca.vao.toStdString();
}

TEST(MaHoaURL, BuildsQueryInGivenOrderAndLeavesBaseAloneWithoutParameters) {
    const CapThamSo ts = {{QStringLiteral("secret"), QStringLiteral("a=b&c+d")}, {QStringLiteral("page"), "1"}};
    EXPECT_EQ(xayTruyVan(ts), QByteArray("secret=a%3Db%26c%2Bd&page=1"));
    EXPECT_EQ(ganTruyVan(QStringLiteral("https://h/x"), ts), QStringLiteral("https://h/x?secret=a%3Db%26c%2Bd&page=1"));
    EXPECT_EQ(ganTruyVan(QStringLiteral("https://h/x"), {}), QStringLiteral("https://h/x"));
}
