#include <gtest/gtest.h>

#include "store/DocGio.h"

TEST(DocGio, GioDonKhongMuiLaGioMay) {
    // TZ=Asia/Ho_Chi_Minh: local = UTC+7 all year.
    struct Ca {
        const char* vao;
        std::optional<qint64> msUtc;
    };
    const qint64 t = 1714532645000;  // 2024-05-01T03:04:05Z
    const Ca cac[] = {
        {"2024-05-01T03:04:05Z", t},
        {"2024-05-01T10:04:05+07:00", t},
        {"2024-05-01T03:04:05.123Z", t + 123},
        {"2024-05-01T10:04:05", t},
        {"2024-05-01 10:04:05", t},
        {"2024-05-01T10:04:05.123", t + 123},
        {"2024-05-01 10:04:05.5", t + 500},
        {"2024-05-01T10:04:05.123456", t + 123},
        {"2024-05-01", std::nullopt},
        {"2024-05-01T10:04", std::nullopt},
        {"2024-05-01T10:04:05.", std::nullopt},
        {"2024-13-01 10:04:05", std::nullopt},
        {"2024-02-30 10:04:05", std::nullopt},
        {"2024-05-01 25:04:05", std::nullopt},
        {" 2024-05-01 10:04:05", std::nullopt},
        {"2024-05-01  10:04:05", std::nullopt},
        {"01/05/2024 10:04:05", std::nullopt},
        {"", std::nullopt},
    };
    for (const Ca& ca : cac) {
        const auto luc = DocGio::docGioDon(QString::fromUtf8(ca.vao));
        ASSERT_EQ(luc.has_value(), ca.msUtc.has_value()) << ca.vao;
        if (luc) {
            EXPECT_EQ(luc->toMSecsSinceEpoch(), *ca.msUtc) << ca.vao;
        }
    }
}

TEST(DocGio, GioHeThongGhiVanDocNghiemNgat) {
    for (const char* s : {"2024-05-01T10:04:05", "2024-05-01 10:04:05", "2024-05-01T10:04:05.123"})
        EXPECT_FALSE(DocGio::docGioLuu(QString::fromUtf8(s))) << s;
    EXPECT_TRUE(DocGio::docGioLuu(QStringLiteral("2024-05-01T03:04:05Z")));
    EXPECT_FALSE(DocGio::docGioKhongMui(QStringLiteral("2024-05-01T03:04:05Z")));
}
