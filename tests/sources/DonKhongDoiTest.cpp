#include <gtest/gtest.h>

#include <QFile>
#include <atomic>

#include "MayChuGia.h"
#include "MoiTruongDongBo.h"
#include "store/DinhDangISO.h"

using nlohmann::json;

namespace {

qsizetype soDongTep(const QString& duongDan) {
    QFile f(duongDan);
    return f.open(QIODevice::ReadOnly) ? f.readAll().count('\n') : -1;
}

// What a fresh start loads: each order once, with the line it got last.
std::unique_ptr<KhoDuLieu> napLai(MoiTruongDongBo& m) {
    m.dongBo.reset();
    m.kho.reset();
    auto kho = std::make_unique<KhoDuLieu>(m.tam.path() + QStringLiteral("/goc"), &m.dongHo);
    kho->napTatCa(8);
    return kho;
}

}  // namespace

// A platform that sends its unchanged orders again at every run: the month file keeps one line each, while
// every count of the run still says what was received; a changed order is appended and wins.
TEST(DonKhongDoi, ResentUnchangedOrdersDoNotGrowTheMonthFile) {
    MoiTruongDongBo m;
    int luot = 0;
    m.kichBan = [&](NguonDonKichBan& n) {
        n.khiLayDon = [&](const QString&, const NhanTienDo&) {
            ++luot;
            QList<DonHang> ds{donMau("1"), donMau("2"), donMau("3")};
            // Each mapping stamps its own time, as the clients do.
            for (DonHang& d : ds) d.syncedAt = dinhDangISO().dinhDang(m.dongHo.gioThuc());
            if (luot >= 3) {
                ds[1].customerName = QStringLiteral("Phạm Thu Hà");
                ds[1].trackings = {MaVanDon{QStringLiteral("VD2-MOI"), std::nullopt}};
            }
            return ds;
        };
    };
    auto& db = m.taoDongBo();
    const QString tep = m.kho->tepDonThangNay();
    const qsizetype soDongDuKien[] = {3, 3, 4, 4};
    for (qsizetype lan = 0; lan < 4; ++lan) {
        SCOPED_TRACE(lan);
        m.chayDongBo();
        m.dongHo.tienGiay(60);
        EXPECT_EQ(soDongTep(tep), soDongDuKien[lan]);
        EXPECT_EQ(db.soDonLanCuoi(), 3);
        EXPECT_EQ(db.trangThai(), QStringLiteral("Đã cập nhật 3 đơn."));
        const auto sk = m.suKienDongBo().back();
        EXPECT_EQ(sk.first, "sync");
        EXPECT_EQ(sk.second, (json{{"orders", "3"}, {"catBot", "0"}}));
    }
    EXPECT_EQ(m.kho->donTheoMa(QStringLiteral("VD2-MOI"))->id, QStringLiteral("2"));
    EXPECT_FALSE(m.kho->donTheoMa(QStringLiteral("VD2")));

    const auto lai = napLai(m);
    EXPECT_EQ(lai->donTheoId().size(), 3);
    EXPECT_EQ(lai->donTheoId().value(QStringLiteral("2")).customerName, QStringLiteral("Phạm Thu Hà"));
    EXPECT_FALSE(lai->donTheoMa(QStringLiteral("VD2")));
    EXPECT_TRUE(lai->donTheoMa(QStringLiteral("VD1")));
}

// KiotViet refusing a time in its filter: the client falls back to the date alone and so refetches the whole
// day at every run. Through the real client and libcurl against a fake, successive runs leave one line per
// order; an invoice changed during the day is appended once and wins.
TEST(DonKhongDoi, KiotVietDateOnlyRefetchOfTheDayDoesNotGrowTheMonthFile) {
    MayChuGia may;
    std::atomic<bool> daDoi = false;
    std::atomic<int> soLanChiNgay = 0;
    const auto xuLy = [&](const httplib::Request& req, httplib::Response& res) {
        if (req.path == "/kiotviet/connect/token") {
            res.set_content(json{{"access_token", "tok-kv"}, {"expires_in", 3600}}.dump(), "application/json");
            return;
        }
        const std::string moc = req.get_param_value("lastModifiedFrom");
        if (moc.find(':') != std::string::npos) {
            res.status = 400;
            res.set_content("{\"message\":\"lastModifiedFrom sai\"}", "application/json");
            return;
        }
        ++soLanChiNgay;
        json ds = json::array();
        if (req.get_param_value("currentItem") == "0") {
            for (int i = 1; i <= 3; ++i) {
                const bool doi = daDoi && i == 2;
                ds.push_back({{"id", i},
                              {"code", "HD" + std::to_string(i)},
                              {"purchaseDate", "2025-12-10T08:00:00"},
                              {"modifiedDate", doi ? "2025-12-10T16:30:00" : "2025-12-10T09:00:00"},
                              {"customerName", doi ? "Đỗ Minh Khoa" : "Khách lẻ"},
                              {"deliveryCode", "VD-K" + std::to_string(i)}});
            }
        }
        res.set_content(json{{"total", ds.size()}, {"data", ds}}.dump(), "application/json");
    };
    may.get("/kiotviet/.*", xuLy);
    may.post("/kiotviet/.*", xuLy);
    may.chay();

    MoiTruongDongBo m;
    m.caiDat->setNguonDon(QStringLiteral("kiotviet"));
    m.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.kiotviet.retailer"), QStringLiteral("shop1"));
    m.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.kiotviet.clientId"), QStringLiteral("cid"));
    m.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.kiotviet.clientSecret"), QStringLiteral("bi-mat"));
    auto& db = m.taoDongBo(m.cauHinhThat(may.goc()));
    const QString tep = m.kho->tepDonThangNay();
    for (int lan = 0; lan < 5; ++lan) {
        SCOPED_TRACE(lan);
        if (lan == 3) daDoi = true;
        m.chayDongBo();
        m.dongHo.tienGiay(60);
        ASSERT_EQ(db.trangThai(), QStringLiteral("Đã cập nhật 3 đơn.")) << db.loi().toStdString();
        EXPECT_EQ(soDongTep(tep), lan < 3 ? 3 : 4);
        EXPECT_EQ(m.suKienDongBo().back().second, (json{{"orders", "3"}, {"catBot", "0"}}));
    }
    EXPECT_GE(soLanChiNgay.load(), 5) << "every run refetched the day";

    const auto lai = napLai(m);
    EXPECT_EQ(lai->donTheoId().size(), 3);
    EXPECT_EQ(lai->donTheoMa(QStringLiteral("VD-K2"))->customerName, QStringLiteral("Đỗ Minh Khoa"));
    EXPECT_EQ(lai->donTheoMa(QStringLiteral("VD-K1"))->customerName, QStringLiteral("Khách lẻ"));
}

// Two orders share a carrier code; the one the code points to drops it while the other comes back unchanged.
// The unchanged one is indexed again, so the code finds it, during the session and after a fresh start, in
// either order of the fetch; once it holds the code, resending both unchanged grows the file no more.
TEST(DonKhongDoi, AnUnchangedOrderTakesBackASharedCodeTheOtherDropped) {
    for (const bool khongDoiTruoc : {false, true}) {
        SCOPED_TRACE(khongDoiTruoc ? "unchanged first" : "unchanged last");
        MoiTruongDongBo m;
        int luot = 0;
        m.kichBan = [&](NguonDonKichBan& n) {
            n.khiLayDon = [&](const QString&, const NhanTienDo&) {
                ++luot;
                DonHang a = donMau("A"), b = donMau("B");
                a.trackings = b.trackings = {MaVanDon{QStringLiteral("VD-CHUNG"), std::nullopt}};
                for (DonHang* d : {&a, &b}) d->syncedAt = dinhDangISO().dinhDang(m.dongHo.gioThuc());
                if (luot == 1) return QList<DonHang>{b, a};  // a indexed last: the code is a's
                a.trackings = {MaVanDon{QStringLiteral("VD-A"), std::nullopt}};
                a.updatedAt = QStringLiteral("2025-12-10T08:00:00Z");
                return khongDoiTruoc ? QList<DonHang>{b, a} : QList<DonHang>{a, b};
            };
        };
        m.taoDongBo();
        const QString tep = m.kho->tepDonThangNay();
        m.chayDongBo();
        ASSERT_EQ(m.kho->donTheoMa(QStringLiteral("VD-CHUNG"))->id, QStringLiteral("A"));
        m.dongHo.tienGiay(60);
        m.chayDongBo();
        const auto sauLuot2 = m.kho->donTheoMa(QStringLiteral("VD-CHUNG"));
        ASSERT_TRUE(sauLuot2);
        EXPECT_EQ(sauLuot2->id, QStringLiteral("B"));
        EXPECT_EQ(m.kho->donTheoMa(QStringLiteral("VD-A"))->id, QStringLiteral("A"));
        const qsizetype soDong = soDongTep(tep);
        m.dongHo.tienGiay(60);
        m.chayDongBo();
        EXPECT_EQ(soDongTep(tep), soDong);

        const auto lai = napLai(m);
        const auto sauKhoiDong = lai->donTheoMa(QStringLiteral("VD-CHUNG"));
        ASSERT_TRUE(sauKhoiDong);
        EXPECT_EQ(sauKhoiDong->id, QStringLiteral("B"));
    }
}
