#include <gtest/gtest.h>

#include "sources/AnBiMat.h"
#include "sources/KiemTraKhoa.h"
#include "sources/LoiNguonDon.h"

TEST(AnBiMat, NguyenVanIsReplacedWholeOnlyForCaseSensitiveMarkers) {
    const QString an = QStringLiteral("(đã ẩn nguyên văn vì có chứa khoá)");
    EXPECT_EQ(anNguyenVan(QStringLiteral("{\"access_token\":\"x\"}")), an);
    EXPECT_EQ(anNguyenVan(QStringLiteral("bad api_key given")), an);
    EXPECT_EQ(anNguyenVan(QStringLiteral("apiKey=1")), an);
    EXPECT_EQ(anNguyenVan(QStringLiteral("ACCESS_TOKEN wrong")), QStringLiteral("ACCESS_TOKEN wrong"));
    EXPECT_EQ(anNguyenVan(QString()), QString());
}

TEST(AnBiMat, UrlMasksSecretQueryValuesKeepingNamesAndOrder) {
    EXPECT_EQ(anKhoaTrongURL(QStringLiteral("https://h/p?API_KEY=abc&page=2&sig=zz#f")),
              QStringLiteral("https://h/p?API_KEY=\u2022\u2022\u2022&page=2&sig=\u2022\u2022\u2022#f"));
    EXPECT_EQ(anKhoaTrongURL(QStringLiteral("https://h/p?token&limit=5")),
              QStringLiteral("https://h/p?token=\u2022\u2022\u2022&limit=5"));
    EXPECT_EQ(anKhoaTrongURL(QStringLiteral("https://h/p?acc%65ss_token=q")),
              QStringLiteral("https://h/p?acc%65ss_token=\u2022\u2022\u2022"));
    EXPECT_EQ(anKhoaTrongURL(QStringLiteral("https://h/p")), QStringLiteral("https://h/p"));
    EXPECT_EQ(anKhoaTrongURL(QStringLiteral("khong la url %zz")), QStringLiteral("khong la url %zz"));
}

TEST(AnBiMat, LiteralCredentialsAreMaskedInEverySpelling) {
    const BoAnKhoa an({QStringLiteral("s3cr+t/=Key"), QString()});
    const QString ra =
        an.an(QStringLiteral("echo s3cr+t/=Key | s3cr%2Bt%2F%3DKey | s3cr%2bt%2f%3dKey | s3cr+t\\/=Key"));
    EXPECT_FALSE(ra.contains(QStringLiteral("s3cr"))) << ra.toStdString();
    EXPECT_EQ(ra.count(QStringLiteral("•••")), 4);
    EXPECT_TRUE(BoAnKhoa({QString()}).rong());
}

TEST(LoiNguonDon, DetailLineJoinsOnlyThePartsPresent) {
    EXPECT_EQ(LoiNguonDon(0, QString(), QStringLiteral("https://h/x"), QStringLiteral("m")).chiTiet(),
              QStringLiteral("https://h/x"));
    EXPECT_EQ(LoiNguonDon(404, QStringLiteral("nf"), QStringLiteral("https://h/x"), QStringLiteral("m")).chiTiet(),
              QStringLiteral("HTTP 404 | nf | https://h/x"));
    EXPECT_EQ(LoiNguonDon(0, QString(), QString(), QStringLiteral("m")).chiTiet(), QString());
    EXPECT_STREQ(LoiNguonDon(0, QString(), QString(), QStringLiteral("lỗi")).what(), "lỗi");
}

TEST(KiemTraKhoa, CredentialsAreCheckedForWhereTheyGo) {
    struct Ca {
        QString giaTri;
        bool tenMien, maDinhDanh, khoa;
    };
    const Ca cacCa[] = {
        {QStringLiteral("shop-1"), true, true, true},
        {QStringLiteral("shop_1"), false, true, true},
        {QStringLiteral("-shop"), false, true, true},
        {QStringLiteral("evil.com/x"), false, false, true},
        {QStringLiteral("a b"), false, false, false},
        {QStringLiteral("tok\r\nX: 1"), false, false, false},
        {QStringLiteral("cửahàng"), false, false, false},
        {QString(64, QLatin1Char('a')), false, true, true},
        {QString(), false, false, false},
        {QStringLiteral("Zq9+/=&~"), false, false, true},
    };
    for (const auto& ca : cacCa) {
        EXPECT_EQ(laNhanTenMien(ca.giaTri), ca.tenMien) << ca.giaTri.toStdString();
        EXPECT_EQ(laMaDinhDanh(ca.giaTri), ca.maDinhDanh) << ca.giaTri.toStdString();
        EXPECT_EQ(laKhoaGuiDuoc(ca.giaTri), ca.khoa) << ca.giaTri.toStdString();
    }
}
