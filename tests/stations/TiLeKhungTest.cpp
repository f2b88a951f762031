#include <gtest/gtest.h>

#include "stations/TiLeKhung.h"

namespace {
struct Ca {
    const char* chu;
    double mongDoi;
};
constexpr double k169 = 16.0 / 9.0;

TEST(TiLeKhung, DocDungHaiSoDuongHuuHan) {
    const Ca cac[] = {
        {"1280x720", 1280.0 / 720},
        {"1920x1080", 1920.0 / 1080},
        {"640x480", 640.0 / 480},
        {"1280xx720", 1280.0 / 720},
        {"x1280x720", 1280.0 / 720},
        {"1280xabcx720", 1280.0 / 720},
        {"1e3x500", 2.0},
        {"1280.5x720", 1280.5 / 720},
    };
    for (const auto& c : cac) EXPECT_DOUBLE_EQ(tiLeKhung(QString::fromUtf8(c.chu)), c.mongDoi) << c.chu;
    EXPECT_EQ(tiLeKhung(QStringLiteral("1280x720")), 1.7777777777777777);
}

TEST(TiLeKhung, MoiChuKhacChoMuoiSauChin) {
    const char* cac[] = {"",         "1280",      "1280X720",   "0x720",     "1280x0",     "-1280x720", "1280x-720",
                         "1x2x3",    " 1280x720", "1280 x 720", "1280x720 ", "infx720",    "1280xinf",  "nanx720",
                         "1280xnan", "abc",       "x",          "1e400x720", "1280x1e-400"};
    for (const char* c : cac) {
        const double r = tiLeKhung(QString::fromUtf8(c));
        EXPECT_EQ(r, k169) << '"' << c << '"';
    }
}
}  // namespace
