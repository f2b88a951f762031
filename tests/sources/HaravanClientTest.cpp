#include <gtest/gtest.h>

#include <QTimeZone>
#include <atomic>

#include "MayChuGia.h"
#include "gia/sources/BoNguGhiLai.h"
#include "sources/HaravanClient.h"
#include "sources/KenhHTTPCurl.h"
#include "sources/LoiHaravan.h"
#include "sources/LoiKetNoi.h"
#include "sources/MoTaLoi.h"
#include "sources/TaoNguonDon.h"
#include "store/DinhDangISO.h"
#include "gia/store/DongHoGia.h"

using nlohmann::json;

namespace {

const QString kTuLuc = QStringLiteral("2026-11-10T09:00:00Z");

json donMau(int i) {
    return json{{"id", i}, {"updated_at", "2026-12-01T00:00:00Z"}, {"line_items", json::array()}};
}

std::string isoGiay(qint64 giay) {
    return dinhDangISO().dinhDang(QDateTime::fromSecsSinceEpoch(giay, QTimeZone::utc())).toStdString();
}

std::string trang(int batDau, int soDon) {
    json ds = json::array();
    for (int i = 0; i < soDon; ++i) ds.push_back(donMau(batDau + i));
    return json{{"orders", ds}}.dump();
}

// The style a request was sent with, read back from its query items.
std::string kieuCua(const httplib::Request& req) {
    const bool upd = req.has_param("updated_at_min"), tao = req.has_param("created_at_min"),
               st = req.has_param("status");
    if (upd && st) return "day-du";
    if (upd) return "bo-status";
    if (tao) return "theo-ngay-tao";
    if (st) return "khong-loc-ngay";
    return "toi-gian";
}

class HaravanGia : public ::testing::Test {
protected:
    void SetUp() override {
        dongHo.datGiayThuc(1'765'357'200);  // 2025-12-10T09:00:00Z
        mt.kenh = &kenh;
        mt.ngu = &ngu;
        mt.dongHo = &dongHo;
    }
    void chay() {
        may.chay();
        mt.mayChu = BangMayChu::tatCaVe(may.goc());
    }
    HaravanClient client(const QString& token = QStringLiteral("tok-123")) { return HaravanClient(token, mt); }
    NhanTienDo ghiDong() {
        return [this](const QString& s) { dong << s; };
    }

    MayChuGia may;
    KenhHTTPCurl kenh;
    BoNguGhiLai ngu;
    DongHoGia dongHo;
    MoiTruongNguon mt;
    QStringList dong;
};

}  // namespace

TEST_F(HaravanGia, FirstRequestCarriesSortedEncodedQueryAndBearerToken) {
    may.get("/com/orders.json",
            [](const httplib::Request&, httplib::Response& res) { res.set_content(trang(1, 2), "application/json"); });
    chay();
    auto c = client();
    const auto don = c.layDon(QStringLiteral("2026-11-10T09:00:00.123Z"), ghiDong());
    EXPECT_EQ(don.size(), 2);
    const auto nhan = may.daNhan();
    ASSERT_EQ(nhan.size(), 1u);
    EXPECT_EQ(nhan[0].target,
              "/com/orders.json?limit=50&order=updated_at%20asc&page=1&status=any&updated_at_min=2026-11-10T09%3A00%3A00Z");
    EXPECT_EQ(nhan[0].tieuDeDau("Authorization"), "Bearer tok-123");
    EXPECT_EQ(nhan[0].tieuDeDau("Accept"), "application/json");
    EXPECT_EQ(dong, QStringList{QStringLiteral("Dùng được kiểu tham số \"day-du\"")});
    EXPECT_EQ(c.kieuChayDuoc(), QStringLiteral("day-du"));
    EXPECT_FALSE(c.daCatBot());
}

// Order i changed i seconds after the window's start, served oldest change first from updated_at_min: each
// page starts a second before the last change of the page before, so it repeats that page's last two orders.
TEST_F(HaravanGia, PagesUpToTheCapAndStopsOneShortOfIt) {
    const qint64 dau = docThoiGianISO(kTuLuc)->toSecsSinceEpoch();
    std::atomic<int> soDon = 100'000;
    may.get("/com/orders.json", [&](const httplib::Request& req, httplib::Response& res) {
        const qint64 tu = docThoiGianISO(QString::fromStdString(req.get_param_value("updated_at_min")))->toSecsSinceEpoch();
        json ds = json::array();
        for (qint64 i = tu - dau; i < std::min<qint64>(tu - dau + 50, soDon.load()); ++i) {
            ds.push_back(json{{"id", i}, {"updated_at", isoGiay(dau + i)}, {"line_items", json::array()}});
        }
        res.set_content(json{{"orders", ds}}.dump(), "application/json");
    });
    chay();
    {
        auto c = client();
        EXPECT_EQ(c.layDon(kTuLuc, ghiDong()).size(), 2000);
        EXPECT_TRUE(c.daCatBot());
        EXPECT_TRUE(c.daTangDanCapNhat());
        EXPECT_EQ(may.daNhan().size(), 40u);
        for (const auto& y : may.daNhan()) EXPECT_NE(y.target.find("page=1&"), std::string::npos) << y.target;
        EXPECT_TRUE(dong.contains(
            QStringLiteral("Haravan còn đơn chưa lấy hết (chạm trần 40 trang) — giữ mốc lại, lượt sau lấy tiếp.")));
    }
    dong.clear();
    soDon = 39 * 48 + 49;  // the fortieth request brings 49
    auto c = client();
    EXPECT_EQ(c.layDon(kTuLuc, ghiDong()).size(), 1999);
    EXPECT_FALSE(c.daCatBot());
    EXPECT_EQ(dong, QStringList{QStringLiteral("Dùng được kiểu tham số \"day-du\"")});
}

TEST_F(HaravanGia, EachStyleFallbackIsLoggedAndRemembered) {
    const char* const cacKieu[] = {"day-du", "bo-status", "theo-ngay-tao", "khong-loc-ngay", "toi-gian"};
    for (int chapNhan = 0; chapNhan < 5; ++chapNhan) {
        MayChuGia m;
        m.get("/com/orders.json", [&](const httplib::Request& req, httplib::Response& res) {
            if (kieuCua(req) == cacKieu[chapNhan]) {
                res.set_content(trang(1, 1), "application/json");
            } else {
                res.status = chapNhan % 2 ? 400 : 422;
                res.set_content("{\"errors\":\"bad param\"}", "application/json");
            }
        });
        m.chay();
        mt.mayChu = BangMayChu::tatCaVe(m.goc());
        auto c = client();
        dong.clear();
        ASSERT_EQ(c.layDon(kTuLuc, ghiDong()).size(), 1);
        ASSERT_EQ(dong.size(), chapNhan + 1);
        for (int i = 0; i < chapNhan; ++i) {
            const auto nhan = m.daNhan();
            const QString url = m.goc() + QString::fromStdString(nhan[i].target);
            EXPECT_EQ(dong[i], QStringLiteral("Kiểu \"%1\" không dùng được: HTTP %2 | {\"errors\":\"bad param\"} | %3")
                                   .arg(QLatin1String(cacKieu[i]))
                                   .arg(chapNhan % 2 ? 400 : 422)
                                   .arg(url));
        }
        EXPECT_EQ(dong.last(), QStringLiteral("Dùng được kiểu tham số \"%1\"").arg(QLatin1String(cacKieu[chapNhan])));

        // The next fetch starts with the style that worked and logs nothing when it works again.
        dong.clear();
        const size_t truoc = m.daNhan().size();
        ASSERT_EQ(c.layDon(kTuLuc, ghiDong()).size(), 1);
        EXPECT_TRUE(dong.isEmpty());
        EXPECT_EQ(m.daNhan().size(), truoc + 1);
    }
}

TEST_F(HaravanGia, CredentialRefusalsRateLimitsAndServerFailuresEndTheFetchAtOnce) {
    struct Ca {
        int status;
        size_t soLanGui;
        std::vector<double> cho;
        QString moTa;
    };
    const Ca cacCa[] = {
        {401,
         1,
         {},
         QStringLiteral("Token không hợp lệ hoặc thiếu quyền. Kiểm tra lại token và quyền com.read_orders trong "
                        "Haravan admin.")},
        {403, 1, {}, {}},
        {429, 5, {1, 2, 4, 8}, QStringLiteral("Gọi API quá nhanh, Haravan tạm chặn. App sẽ tự thử lại.")},
        {503, 5, {1, 2, 4, 8}, QStringLiteral("Máy chủ Haravan đang lỗi. Thử lại sau ít phút.")},
    };
    for (const auto& ca : cacCa) {
        MayChuGia m;
        m.get("/com/orders.json", [&](const httplib::Request&, httplib::Response& res) { res.status = ca.status; });
        m.chay();
        mt.mayChu = BangMayChu::tatCaVe(m.goc());
        BoNguGhiLai nguRieng;
        mt.ngu = &nguRieng;
        auto c = client();
        dong.clear();
        try {
            c.layDon(kTuLuc, ghiDong());
            ADD_FAILURE() << ca.status;
        } catch (const LoiHaravan& e) {
            EXPECT_EQ(e.status, ca.status);
            if (!ca.moTa.isEmpty()) {
                EXPECT_EQ(moTaLoiNguonDon(e, QStringLiteral("Haravan")), ca.moTa);
            }
        }
        EXPECT_EQ(m.daNhan().size(), ca.soLanGui) << ca.status;
        for (const auto& y : m.daNhan()) EXPECT_NE(y.target.find("status=any"), std::string::npos);
        EXPECT_EQ(nguRieng.cacLanNgu(), ca.cho) << ca.status;
        EXPECT_TRUE(dong.isEmpty());
        EXPECT_FALSE(c.kieuChayDuoc());
    }
}

TEST_F(HaravanGia, RateLimitAndServerErrorsRecoverWithTheirWaits) {
    std::atomic<int> lan = 0;
    may.get("/com/orders.json", [&](const httplib::Request&, httplib::Response& res) {
        const int i = lan++;
        if (i == 0) {
            res.status = 429;
            res.set_header("Retry-After", "3");
        } else if (i == 1) {
            res.status = 429;
        } else if (i == 2) {
            res.status = 502;
        } else {
            res.set_content(trang(1, 3), "application/json");
        }
    });
    chay();
    auto c = client();
    EXPECT_EQ(c.layDon(kTuLuc, ghiDong()).size(), 3);
    EXPECT_EQ(ngu.cacLanNgu(), (std::vector<double>{3, 2, 4}));
}

TEST_F(HaravanGia, BrakeWaitsOnlyWhenTheLastCallLimitShowsTheQuotaFilling) {
    struct Ca {
        const char* hanMuc;
        bool cho;
    };
    // A piece is read as one number as it stands, so a space beside it makes it unreadable.
    const Ca cacCa[] = {{"36/40", true},   {"20/40", false},   {"28/40", false},  {"29/40", true},
                        {"abc", false},    {"5/0", false},     {"1/2/3", false},  {"//36//40/", true},
                        {"28.5/40", true}, {"36 / 40", false}, {"36/ 40", false}, {"36 /40", false}};
    for (const auto& ca : cacCa) {
        MayChuGia m;
        std::atomic<int> lan = 0;
        m.get("/com/orders/count.json", [&](const httplib::Request&, httplib::Response& res) {
            if (lan++ == 0) res.set_header("X-Haravan-Api-Call-Limit", ca.hanMuc);
            res.set_content("{\"count\":7}", "application/json");
        });
        m.chay();
        mt.mayChu = BangMayChu::tatCaVe(m.goc());
        BoNguGhiLai nguRieng;
        mt.ngu = &nguRieng;
        auto c = client();
        c.thuKetNoi();
        EXPECT_TRUE(nguRieng.cacLanNgu().empty());
        c.thuKetNoi();  // no header this time: the remembered value still decides
        c.thuKetNoi();
        EXPECT_EQ(c.hanMucLanCuoi(), QString::fromLatin1(ca.hanMuc));
        const std::vector<double> mongDoi = ca.cho ? std::vector<double>{1, 1} : std::vector<double>{};
        EXPECT_EQ(nguRieng.cacLanNgu(), mongDoi) << ca.hanMuc;
    }
}

TEST_F(HaravanGia, MalformedRepliesTryEveryStyleThenReportTheLast) {
    struct Ca {
        std::string than;
        QString thongDiep;
    };
    const Ca cacCa[] = {
        {"not json", QStringLiteral("Haravan trả về dữ liệu không đọc được.")},
        {"[1,2]", QStringLiteral("Haravan trả về dữ liệu không đọc được.")},
        {"{\"orders\":{}}", QStringLiteral("Haravan trả về dữ liệu không đúng dạng (thiếu danh sách orders).")},
        {"{\"orders\":[1]}", QStringLiteral("Haravan trả về dữ liệu không đúng dạng (thiếu danh sách orders).")},
        {"{}", QStringLiteral("Haravan trả về dữ liệu không đúng dạng (thiếu danh sách orders).")},
    };
    for (const auto& ca : cacCa) {
        MayChuGia m;
        m.get("/com/orders.json",
              [&](const httplib::Request&, httplib::Response& res) { res.set_content(ca.than, "application/json"); });
        m.chay();
        mt.mayChu = BangMayChu::tatCaVe(m.goc());
        auto c = client();
        dong.clear();
        try {
            c.layDon(kTuLuc, ghiDong());
            ADD_FAILURE() << ca.than;
        } catch (const LoiHaravan& e) {
            EXPECT_EQ(e.status, 200);
            EXPECT_EQ(e.thongDiep, ca.thongDiep);
            EXPECT_EQ(moTaLoiHaravan(e), ca.thongDiep);
        }
        EXPECT_EQ(m.daNhan().size(), 5u);
        EXPECT_EQ(dong.size(), 5);
        EXPECT_FALSE(c.kieuChayDuoc());
    }
}

TEST_F(HaravanGia, ClosedPortAndSlowServerAreTransportFailuresAfterRetries) {
    mt.mayChu = BangMayChu::tatCaVe(QStringLiteral("http://127.0.0.1:%1").arg(MayChuGia::congDaDong()));
    {
        auto c = client();
        try {
            c.thuKetNoi();
            FAIL();
        } catch (const LoiKetNoi& e) {
            EXPECT_EQ(e.loai(), LoiKetNoi::Loai::ketNoi);
            EXPECT_EQ(moTaLoiNguonDon(e, QStringLiteral("Haravan")),
                      QStringLiteral(
                          "Không có kết nối Internet. App vẫn quay video bình thường, sẽ đồng bộ bù khi có mạng."));
        }
        EXPECT_EQ(ngu.cacLanNgu(), (std::vector<double>{1, 2, 4, 8}));
    }
    std::atomic<bool> thoat = false;
    may.get("/com/orders/count.json", [&](const httplib::Request&, httplib::Response& res) {
        // Silent for longer than the idle limit, which the transport counts in whole seconds.
        for (int i = 0; i < 200 && !thoat; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        res.set_content("{\"count\":1}", "application/json");
    });
    chay();
    mt.thoiGianCho = std::chrono::milliseconds(200);
    HaravanClient c(QStringLiteral("tok"), mt, 1);
    try {
        c.thuKetNoi();
        FAIL();
    } catch (const LoiKetNoi& e) {
        EXPECT_EQ(e.loai(), LoiKetNoi::Loai::hetGio);
    }
    EXPECT_EQ(may.daNhan().size(), 2u);
    thoat = true;
}

TEST_F(HaravanGia, ConnectionTestReportsTheOrderCountOrUnknown) {
    std::atomic<int> lan = 0;
    may.get("/com/orders/count.json", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(lan++ == 0 ? "{\"count\":1234}" : "{\"count\":\"many\"}", "application/json");
    });
    chay();
    auto c = client();
    EXPECT_EQ(c.thuKetNoi(), QStringLiteral("Kết nối được Haravan. Cửa hàng đang có 1234 đơn."));
    EXPECT_EQ(c.thuKetNoi(), QStringLiteral("Kết nối được Haravan. Cửa hàng đang có không rõ đơn."));
    EXPECT_EQ(may.daNhan()[0].target, "/com/orders/count.json");
}

TEST_F(HaravanGia, BadTokenIsRefusedBeforeAnythingIsSent) {
    chay();
    for (const QString& t : {QStringLiteral("ab\ncd"), QStringLiteral("ab\rX-Evil: 1"), QStringLiteral("mã có dấu")}) {
        HaravanClient c(t, mt);
        try {
            c.thuKetNoi();
            ADD_FAILURE();
        } catch (const LoiHaravan& e) {
            EXPECT_EQ(e.status, 0);
            EXPECT_TRUE(e.thongDiep.startsWith(QStringLiteral("Token có ký tự không hợp lệ")));
        }
    }
    EXPECT_TRUE(may.daNhan().empty());
}

TEST_F(HaravanGia, RefusalTextsNeverHoldTheToken) {
    const QString token = QStringLiteral("shpat_SECRET+/=42");
    may.get("/com/orders.json", [&](const httplib::Request& req, httplib::Response& res) {
        res.status = 400;
        res.set_content("token " + token.toStdString() + " at " + req.target, "text/plain");
    });
    chay();
    HaravanClient c(token, mt);
    try {
        c.layDon(kTuLuc, ghiDong());
        FAIL();
    } catch (const LoiHaravan& e) {
        EXPECT_FALSE(e.nguyenVan.contains(QStringLiteral("SECRET")));
        EXPECT_FALSE(moTaLoiHaravan(e).contains(QStringLiteral("SECRET")));
    }
    EXPECT_FALSE(dong.join('\n').contains(QStringLiteral("SECRET")));
    EXPECT_EQ(dong.size(), 5);
}

TEST_F(HaravanGia, MapsEveryFieldOfTheOrderFixture) {
    const json tho = json::parse(R"({
      "id": 1001, "order_number": "#1001", "name": "HD1001",
      "created_at": "2026-12-01T08:00:00+07:00", "updated_at": "2026-12-02T08:00:00.500Z",
      "cancelled_at": "2026-12-03T00:00:00Z", "phone": "0900",
      "customer": {"last_name": "Nguyễn", "phone": "0911"},
      "shipping_address": {"address1": "12 Lê Lợi", "district": "Quận 1", "province": "HCM", "phone": "0922"},
      "fulfillments": [
        {"tracking_number": "GHN1", "tracking_numbers": ["GHN1", "GHN2", null, 77], "tracking_company": "GHN"},
        {"tracking_numbers": ["GHN1"]},
        "not an object"
      ],
      "line_items": [
        {"title": "Áo", "variant_title": "L", "sku": "A-L", "quantity": "3"},
        {"name": "Quần", "quantity": 2.5},
        {"quantity": 4.0},
        {"title": null, "quantity": 9223372036854775807}
      ]
    })");
    HaravanClient c(QStringLiteral("t"), mt);
    const auto d = c.chuyenDon(tho);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->id, QStringLiteral("1001"));
    EXPECT_EQ(d->orderNumber, QStringLiteral("#1001"));
    EXPECT_EQ(d->name, QStringLiteral("HD1001"));
    EXPECT_EQ(d->createdAt, QStringLiteral("2026-12-01T08:00:00+07:00"));
    EXPECT_EQ(d->updatedAt, QStringLiteral("2026-12-02T08:00:00.500Z"));
    EXPECT_EQ(d->cancelledAt, QStringLiteral("2026-12-03T00:00:00Z"));
    EXPECT_EQ(d->customerName, QStringLiteral("Nguyễn"));
    EXPECT_EQ(d->customerPhone, QStringLiteral("0922"));
    EXPECT_EQ(d->shippingAddress, QStringLiteral("12 Lê Lợi, Quận 1, HCM"));
    // "fulfillments" holds a non-object, so the list as a whole does not count.
    EXPECT_TRUE(d->trackings.isEmpty());
    ASSERT_EQ(d->items.size(), 4);
    EXPECT_EQ(d->items[0], (MatHang{QStringLiteral("Áo"), QStringLiteral("L"), QStringLiteral("A-L"), 3}));
    EXPECT_EQ(d->items[1], (MatHang{QStringLiteral("Quần"), std::nullopt, std::nullopt, 0}));
    EXPECT_EQ(d->items[2].title, QStringLiteral("Sản phẩm"));
    EXPECT_EQ(d->items[2].quantity, 4);
    EXPECT_EQ(d->itemCount, std::numeric_limits<qint64>::max());  // capped, not wrapped
    EXPECT_EQ(d->syncedAt, QStringLiteral("2025-12-10T09:00:00Z"));

    json sach = tho;
    sach["fulfillments"].erase(2);
    const auto d2 = c.chuyenDon(sach);
    ASSERT_TRUE(d2);
    const QList<MaVanDon> mongDoi = {{QStringLiteral("GHN1"), QStringLiteral("GHN")},
                                     {QStringLiteral("GHN2"), QStringLiteral("GHN")},
                                     {QStringLiteral("77"), QStringLiteral("GHN")},
                                     {QStringLiteral("GHN1"), std::nullopt}};
    EXPECT_EQ(d2->trackings, mongDoi);
}

TEST_F(HaravanGia, MappingFallbacksForSparseOrders) {
    HaravanClient c(QStringLiteral("t"), mt);
    EXPECT_FALSE(c.chuyenDon(json::parse(R"({"name":"x"})")));
    EXPECT_FALSE(c.chuyenDon(json::parse(R"({"id":null})")));
    EXPECT_FALSE(c.chuyenDon(json::parse(R"({"id":""})")));

    const auto d = c.chuyenDon(json::parse(
        R"({"id":"A1","customer":"oops","shipping_address":{"name":"Bên nhận"},"billing_address":{"name":"B"}})"));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->customerName, QStringLiteral("Bên nhận"));
    EXPECT_FALSE(d->customerPhone);
    EXPECT_FALSE(d->shippingAddress);
    EXPECT_EQ(d->createdAt, QStringLiteral("2025-12-10T09:00:00Z"));
    EXPECT_EQ(d->updatedAt, d->createdAt);
    EXPECT_EQ(d->itemCount, 0);
    EXPECT_FALSE(d->cancelledAt);

    const auto d3 =
        c.chuyenDon(json::parse(R"({"id":2,"customer":{"first_name":"An","phone":"0933"},"billing_address":{}})"));
    ASSERT_TRUE(d3);
    EXPECT_EQ(d3->customerName, QStringLiteral("An"));
    EXPECT_EQ(d3->customerPhone, QStringLiteral("0933"));
}

TEST_F(HaravanGia, RawSampleIsTakenOncePerClientSortedAndPretty) {
    std::atomic<int> lan = 0;
    may.get("/com/orders.json", [&](const httplib::Request&, httplib::Response& res) {
        json d = {{"zeta", 1}, {"id", 100 + lan++}, {"url", "https://a/b"}};
        res.set_content(json{{"orders", json::array({d})}}.dump(), "application/json");
    });
    chay();
    auto c = client();
    EXPECT_FALSE(c.thoGanNhat());
    c.layDon(kTuLuc, ghiDong());
    c.layDon(kTuLuc, ghiDong());
    EXPECT_EQ(c.thoGanNhat(), QStringLiteral("{\n  \"id\": 100,\n  \"url\": \"https://a/b\",\n  \"zeta\": 1\n}"));
}

TEST(TaoNguonDon, BuildsHaravanFromTrimmedStoredTokenOrNothing) {
    MoiTruongNguon mt;
    QMap<QString, QString> kho;
    const DocKhoa doc = [&](const QString& dv) -> std::optional<QString> {
        if (!kho.contains(dv)) return std::nullopt;
        return kho.value(dv);
    };
    EXPECT_EQ(taoNguonDon(QStringLiteral("haravan"), doc, mt), nullptr);
    kho[QStringLiteral("com.korvane.pack.haravan.token")] = QStringLiteral(" \n\t ");
    EXPECT_EQ(taoNguonDon(QStringLiteral("haravan"), doc, mt), nullptr);
    kho[QStringLiteral("com.korvane.pack.haravan.token")] = QStringLiteral("  abc\n");
    EXPECT_EQ(docKhoaNguon(QStringLiteral("token"), QStringLiteral("haravan"), doc), QStringLiteral("abc"));
    EXPECT_NE(dynamic_cast<HaravanClient*>(taoNguonDon(QStringLiteral("haravan"), doc, mt).get()), nullptr);
    // An unknown id (a display name included) reads its own token item and gets a Haravan client.
    EXPECT_EQ(taoNguonDon(QStringLiteral("KiotViet"), doc, mt), nullptr);
    kho[QStringLiteral("com.korvane.pack.KiotViet.token")] = QStringLiteral("x");
    EXPECT_NE(dynamic_cast<HaravanClient*>(taoNguonDon(QStringLiteral("KiotViet"), doc, mt).get()), nullptr);
}
