#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <vector>

#include "core/HenGioQt.h"
#include "gia/core/HenGioTay.h"
#include "gia/store/DongHoGia.h"

using namespace std::chrono_literals;

TEST(HenGioTay, ChayTheoHanVaDiChuyenDongHo) {
    DongHoGia dongHo;
    HenGioTay henGio(&dongHo);
    const auto goc = dongHo.gioDeu();
    std::vector<std::pair<int, std::chrono::steady_clock::duration>> da;
    auto ghi = [&](int n) { return [&, n] { da.emplace_back(n, dongHo.gioDeu() - goc); }; };
    henGio.hen(300ms, ghi(3));
    henGio.hen(100ms, ghi(1));
    const auto huy = henGio.hen(200ms, ghi(2));
    henGio.hen(100ms, ghi(11));  // same deadline: runs after the earlier request
    henGio.huy(huy);
    henGio.huy(huy);  // twice is harmless

    henGio.tien(99ms);
    EXPECT_TRUE(da.empty());
    henGio.tien(250ms);
    ASSERT_EQ(da.size(), 3u);
    EXPECT_EQ(da[0], std::make_pair(1, std::chrono::steady_clock::duration(100ms)));
    EXPECT_EQ(da[1], std::make_pair(11, std::chrono::steady_clock::duration(100ms)));
    EXPECT_EQ(da[2], std::make_pair(3, std::chrono::steady_clock::duration(300ms)));
    EXPECT_EQ(dongHo.gioDeu() - goc, std::chrono::steady_clock::duration(349ms));
    EXPECT_EQ(henGio.soDangCho(), 0);
}

TEST(HenGioTay, ViecHenLaiTrongKhiChayVanDenHan) {
    HenGioTay henGio;
    int lan = 0;
    std::function<void()> nhip = [&] {
        ++lan;
        henGio.hen(1000ms, nhip);
    };
    henGio.hen(1000ms, nhip);
    henGio.tien(3500ms);
    EXPECT_EQ(lan, 3);
    EXPECT_EQ(henGio.soDangCho(), 1);
}

TEST(HenGioQt, ChayMotLanVaHuyDuoc) {
    HenGioQt henGio;
    int chay = 0, huy = 0;
    henGio.hen(10ms, [&] { ++chay; });
    henGio.huy(henGio.hen(10ms, [&] { ++huy; }));
    QElapsedTimer t;
    t.start();
    while (chay == 0 && t.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(chay, 1);
    EXPECT_EQ(huy, 0);
}
