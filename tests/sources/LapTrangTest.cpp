#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "sources/LapTrang.h"

namespace {

using S = LapTrang::SauTrang;
using K = LapTrang::KetThuc;

// What the loop asks for and where it stops, for platforms that end their list, never end it, and clients
// that stop of their own accord.
TEST(LapTrang, AsksPageAfterPageUntilTheLastOrTheBound) {
    struct Ca {
        const char* ten;
        std::vector<S> sau;  // what the client makes of pages 0, 1, …; past the end, "more follow"
        int tran;
        int soTrang;  // pages asked for
        K ketThuc;
    };
    const Ca cacCa[] = {
        {"one short page", {S::het}, 40, 1, K::het},
        {"last page before the bound", {S::conNua, S::conNua, S::het}, 3, 3, K::het},
        {"a platform that never ends its list", {}, 3, 3, K::conTrang},
        {"no bound to speak of still reads one page", {}, 0, 1, K::conTrang},
        {"the client stops with pages left", {S::conNua, S::dungLai}, 40, 2, K::conTrang},
    };
    for (const Ca& ca : cacCa) {
        std::vector<int> daHoi;
        const K kq = LapTrang::chay(
            [&](int trang) {
                daHoi.push_back(trang);
                return size_t(trang) < ca.sau.size() ? ca.sau[size_t(trang)] : S::conNua;
            },
            ca.tran);
        EXPECT_EQ(kq, ca.ketThuc) << ca.ten;
        ASSERT_EQ(int(daHoi.size()), ca.soTrang) << ca.ten;
        for (int i = 0; i < ca.soTrang; ++i) EXPECT_EQ(daHoi[size_t(i)], i) << ca.ten;
    }
}

// The bound is asked again after each page, so a client that changes how it asks can change it meanwhile; a
// throw from the client ends the loop and reaches the caller unchanged.
TEST(LapTrang, TheBoundMayChangeAndAThrowEndsTheLoop) {
    int tran = 10;
    int soTrang = 0;
    const K kq = LapTrang::chay(
        [&](int trang) {
            ++soTrang;
            if (trang == 1) tran = 3;
            return S::conNua;
        },
        [&] { return tran; });
    EXPECT_EQ(kq, K::conTrang);
    EXPECT_EQ(soTrang, 3);

    soTrang = 0;
    EXPECT_THROW(LapTrang::chay(
                     [&](int trang) {
                         ++soTrang;
                         if (trang == 2) throw std::runtime_error("refused");
                         return S::conNua;
                     },
                     40),
                 std::runtime_error);
    EXPECT_EQ(soTrang, 3);
}

}  // namespace
