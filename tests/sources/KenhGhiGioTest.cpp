#include <gtest/gtest.h>

#include <thread>

#include "gia/sources/KenhHTTPKichBan.h"
#include "gia/store/DongHoGia.h"
#include "sources/KenhGhiGio.h"

namespace {
qint64 giay(std::chrono::system_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}
}  // namespace

// A server's Date is read only in its one fixed form; anything else, cut short, padded or with a field out
// of range, says nothing of the platform's clock.
TEST(KenhGhiGio, ReadsOnlyAWellFormedHttpDate) {
    const auto t = KenhGhiGio::docNgayHTTP("Wed, 10 Dec 2025 09:00:00 GMT");
    ASSERT_TRUE(t);
    EXPECT_EQ(giay(*t), 1'765'357'200);
    EXPECT_TRUE(KenhGhiGio::docNgayHTTP("  Wed, 10 Dec 2025 09:00:00 GMT "));
    for (const char* sai : {"", "Wed, 10 Dec 2025 09:00:00", "Wed, 10 Dec 2025 09:00:00 UTC",
                            "Wed, 10 Dez 2025 09:00:00 GMT", "Wed, 31 Feb 2025 09:00:00 GMT",
                            "Wed, 10 Dec 2025 25:00:00 GMT", "Wed, 1x Dec 2025 09:00:00 GMT",
                            "Wednesday, 10-Dec-25 09:00:00 GMT", "Wed Dec 10 09:00:00 2025",
                            "Wed, 10 Dec 2025 09:00:00 GMT\r\nX: y"}) {
        EXPECT_FALSE(KenhGhiGio::docNgayHTTP(sai)) << sai;
    }
}

// The replies of the thread that asked are noted, the first Date only; another thread's replies are not.
TEST(KenhGhiGio, NotesThePlatformsClockOnTheAskingThreadOnly) {
    DongHoGia dongHo;
    dongHo.datGiayThuc(1'765'357'800);  // ten minutes ahead of the replies below
    // The first reply has no Date; the later ones do, each a different time.
    const char* const kNgay[] = {nullptr, "Wed, 10 Dec 2025 09:00:00 GMT", "Wed, 10 Dec 2025 09:30:00 GMT",
                                 "Wed, 10 Dec 2025 09:00:00 GMT"};
    auto trong = std::make_shared<KenhHTTPKichBan>([&](const YeuCauHTTP&, int i) {
        PhanHoiHTTP ph;
        ph.status = 200;
        if (kNgay[i % 4]) ph.tieuDe.append(qMakePair(QByteArray("date"), QByteArray(kNgay[i % 4])));
        return ph;
    });
    KenhGhiGio kenh(trong, dongHo);
    GioNenTang gio;
    {
        const KenhGhiGio::Ghi ghi(gio);
        for (int i = 0; i < 3; ++i) kenh.gui(YeuCauHTTP{}, [] { return false; });
        std::thread([&] { kenh.gui(YeuCauHTTP{}, [] { return false; }); }).join();
    }
    EXPECT_EQ(gio.soPhanHoi, 3);
    ASSERT_TRUE(gio.lech);
    EXPECT_EQ(gio.lech->count(), -600'000);
}
