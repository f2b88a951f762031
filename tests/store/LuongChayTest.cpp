#include <gtest/gtest.h>

#include <thread>

#include "store/LuongChay.h"

// The check must stop a call from another thread in the build the program ships in, and let every call from the
// owning thread through, including after the object is handed to the thread it then lives on.
TEST(LuongChayTest, DungLuongQuaConLuongKhacDungChuongTrinh) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    LuongChay luong;
    luong.kiem("tren luong tao");
    EXPECT_TRUE(luong.laLuongNay());

    EXPECT_DEATH(
        {
            std::thread t([&] { luong.kiem("KhoDuLieu::themBanGhi"); });
            t.join();
        },
        "KhoDuLieu::themBanGhi was called from a thread it does not belong to");

    bool tuLuongKhac = true;
    std::thread t([&] {
        tuLuongKhac = luong.laLuongNay();
        luong.ganVaoLuongNay();
        luong.kiem("sau khi giao");
    });
    t.join();
    EXPECT_FALSE(tuLuongKhac);
    EXPECT_FALSE(luong.laLuongNay());
    EXPECT_DEATH(luong.kiem("luong cu"), "luong cu was called from a thread");
}
