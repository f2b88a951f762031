#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "store/HangDoiTuanTu.h"

TEST(HangDoiTuanTu, RunsTasksInOrderOnOneThreadAndDrainsOnDestruction) {
    std::vector<int> thuTu;
    std::thread::id luongDau;
    std::atomic<bool> cungLuong{true};
    {
        HangDoiTuanTu q("korvane.test");
        for (int i = 0; i < 1000; ++i) {
            q.guiBatDongBo([&, i] {
                if (i == 0)
                    luongDau = std::this_thread::get_id();
                else if (std::this_thread::get_id() != luongDau)
                    cungLuong = false;
                thuTu.push_back(i);
            });
        }
    }
    ASSERT_EQ(thuTu.size(), 1000u);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(thuTu[i], i);
    EXPECT_TRUE(cungLuong);
    EXPECT_NE(luongDau, std::this_thread::get_id());
}

TEST(HangDoiTuanTu, SyncSendWaitsReturnsValuesAndRunsInlineFromItsOwnThread) {
    HangDoiTuanTu q("korvane.test");
    int x = 0;
    q.guiBatDongBo([&] { x = 41; });
    EXPECT_EQ(q.chayDongBo([&] { return x + 1; }), 42);
    // A sync send from inside a task would deadlock on a plain queue.
    int trong = q.chayDongBo([&] { return q.chayDongBo([] { return 7; }); });
    EXPECT_EQ(trong, 7);
    EXPECT_THROW(q.guiDongBo([] { throw std::runtime_error("x"); }), std::runtime_error);
    EXPECT_EQ(q.chayDongBo([] { return 1; }), 1);
}
