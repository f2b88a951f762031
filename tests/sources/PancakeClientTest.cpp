#include <atomic>

#include "KhachGia.h"
#include "sources/LoiNguonDon.h"
#include "sources/MoTaLoi.h"
#include "sources/PancakeClient.h"

using nlohmann::json;

namespace {

const std::string kDuong = "/pancake/api/v1/shops/123/orders";

std::string trangDon(int batDau, int so) {
    json ds = json::array();
    for (int i = 0; i < so; ++i) ds.push_back({{"id", batDau + i}, {"status", 1}});
    return json{{"success", true}, {"data", ds}}.dump();
}

// Nine days before the test clock's now; in the query as 1764579600, the window's end an hour past now.
const QString kMocPancake = QStringLiteral("2025-12-01T09:00:00Z");

class PancakeGia : public KhachGia {
protected:
    PancakeClient client(const QString& shopId = QStringLiteral("123")) {
        return PancakeClient(QStringLiteral("K+y&1="), shopId, mt);
    }
    // Pages as the fake platform serves them: number -> size; a page asked with the filter while
    // tuChoiLoc is set is refused with 400.
    void phucVu(std::function<int(int, bool)> coTrang, std::atomic<bool>* tuChoiLoc = nullptr) {
        may->get(kDuong, [coTrang, tuChoiLoc](const httplib::Request& req, httplib::Response& res) {
            const bool loc = req.has_param("startDateTime");
            if (loc && tuChoiLoc && *tuChoiLoc) {
                res.status = 400;
                res.set_content(R"({"success":false,"message":"startDateTime invalid"})", "application/json");
                return;
            }
            const int p = std::stoi(req.get_param_value("page_number"));
            res.set_content(trangDon(p * 1000, coTrang(p, loc)), "application/json");
        });
    }
    std::vector<std::string> cacTarget() const {
        std::vector<std::string> ra;
        for (const auto& y : may->daNhan()) ra.push_back(y.target);
        return ra;
    }
};

}  // namespace

TEST_F(PancakeGia, KeyTravelsFirstInTheQueryOfEveryRequest) {
    std::atomic<int> lan = 0;
    may->get(kDuong, [&](const httplib::Request&, httplib::Response& res) {
        const int i = lan++;
        res.set_content(i == 0 ? trangDon(1, 1) : i == 1 ? R"({"data":[]})" : trangDon(1, 3), "application/json");
    });
    chay();
    auto c = client();
    EXPECT_EQ(c.thuKetNoi(), QStringLiteral("Kết nối được Pancake POS."));
    EXPECT_EQ(c.thuKetNoi(), QStringLiteral("Kết nối được Pancake, nhưng chưa thấy đơn nào."));
    EXPECT_EQ(c.layDon(kMocPancake, ghiDong()).size(), 3);
    const auto nhan = may->daNhan();
    ASSERT_EQ(nhan.size(), 3u);
    EXPECT_EQ(nhan[0].phuongThuc, "GET");
    EXPECT_EQ(nhan[0].target, kDuong + "?api_key=K%2By%261%3D&page_size=1");
    EXPECT_EQ(nhan[0].tieuDeDau("Accept"), "application/json");
    EXPECT_FALSE(nhan[0].coTieuDe("Authorization"));
    // The window in Unix seconds, from the checkpoint to now, on the orders' last update.
    EXPECT_EQ(nhan[2].target, kDuong +
                                  "?api_key=K%2By%261%3D&page_number=1&page_size=100&option_sort=last_updated_order_"
                                  "asc&updateStatus=updated_at"
                                  "&startDateTime=1764579600&endDateTime=1765360800");
    EXPECT_FALSE(c.daCatBot());
    EXPECT_TRUE(dong.isEmpty());
}

TEST_F(PancakeGia, ConnectionTestTextsFollowTheDataList) {
    const struct {
        const char* than;
        QString ketQua;
    } cacCa[] = {
        {R"({"data":[{"id":1}]})", QStringLiteral("Kết nối được Pancake POS.")},
        {R"({"data":[]})", QStringLiteral("Kết nối được Pancake, nhưng chưa thấy đơn nào.")},
        {R"({"data":{"id":1}})", QStringLiteral("Kết nối được Pancake, nhưng chưa thấy đơn nào.")},
        {R"({"data":[1,2]})", QStringLiteral("Kết nối được Pancake, nhưng chưa thấy đơn nào.")},
        {R"({})", QStringLiteral("Kết nối được Pancake, nhưng chưa thấy đơn nào.")},
    };
    for (const auto& ca : cacCa) {
        mayMoi();
        may->get(kDuong, [&](const httplib::Request&, httplib::Response& res) {
            res.set_content(ca.than, "application/json");
        });
        chay();
        EXPECT_EQ(client().thuKetNoi(), ca.ketQua) << ca.than;
    }
    mayMoi();
    may->get(kDuong,
             [](const httplib::Request&, httplib::Response& res) { res.set_content("[]", "application/json"); });
    chay();
    try {
        client().thuKetNoi();
        FAIL();
    } catch (const LoiNguonDon& e) {
        EXPECT_EQ(e.status, 0);
        EXPECT_EQ(e.thongDiep, QStringLiteral("Pancake trả về dữ liệu không đọc được."));
    }
}

TEST_F(PancakeGia, FilteredPagingStopsAtThirtyAndOneShortOfIt) {
    std::atomic<int> trangCuoi = 100;
    phucVu([&](int p, bool) { return p == 30 ? trangCuoi.load() : 100; });
    chay();
    auto c = client();
    EXPECT_EQ(c.layDon(kMocPancake, ghiDong()).size(), 3000);
    EXPECT_TRUE(c.daCatBot());
    EXPECT_EQ(soLanGui(), 30u);
    EXPECT_EQ(dong, QStringList{QStringLiteral("Pancake còn đơn chưa lấy hết — giữ mốc lại, lượt sau lấy tiếp.")});

    dong.clear();
    trangCuoi = 99;
    EXPECT_EQ(c.layDon(kMocPancake, ghiDong()).size(), 2999);
    EXPECT_FALSE(c.daCatBot());
    EXPECT_TRUE(dong.isEmpty());
    EXPECT_EQ(soLanGui(), 60u);
}

TEST_F(PancakeGia, RefusedFilterFallsBackToTheNewestPages) {
    const QString kChuyen = QStringLiteral("Pancake không nhận tham số lọc ngày, chuyển sang lấy các trang mới nhất.");
    const QString kKhongLoc =
        QStringLiteral("Pancake không lọc được theo ngày nên chỉ lấy vài trang mới nhất — giữ mốc lại.");
    std::atomic<bool> tuChoi = true;
    std::atomic<int> trangNgan = 0;  // 0: every page full
    phucVu([&](int p, bool) { return p == trangNgan ? 10 : 100; }, &tuChoi);
    chay();
    auto c = client();
    // Refused on page 1: pages 1, 2 and 3 without the filter, then the cap.
    EXPECT_EQ(c.layDon(kMocPancake, ghiDong()).size(), 300);
    EXPECT_TRUE(c.daCatBot());
    EXPECT_EQ(dong, (QStringList{kChuyen, kKhongLoc}));
    const std::string khongLoc = kDuong + "?api_key=K%2By%261%3D&page_number=";
    EXPECT_EQ(cacTarget(),
              (std::vector<std::string>{
                  khongLoc + "1&page_size=100&option_sort=last_updated_order_asc&updateStatus=updated_at"
                             "&startDateTime=1764579600&endDateTime=1765360800",
                  khongLoc + "1&page_size=100", khongLoc + "2&page_size=100", khongLoc + "3&page_size=100"}));

    // Every fetch meets the refusal again; a short page 2 ends it without the cap.
    dong.clear();
    trangNgan = 2;
    EXPECT_EQ(c.layDon(kMocPancake, ghiDong()).size(), 110);
    EXPECT_FALSE(c.daCatBot());
    EXPECT_EQ(dong, QStringList{kChuyen});
    EXPECT_EQ(soLanGui(), 7u);
}

TEST_F(PancakeGia, FilterRefusedOnPageThirtyKeepsWhatWasCollected) {
    std::atomic<bool> tuChoi = false;
    phucVu(
        [&](int p, bool) {
            if (p == 29) tuChoi = true;  // from page 30 on the filter is refused
            return 100;
        },
        &tuChoi);
    chay();
    auto c = client();
    EXPECT_EQ(c.layDon(kMocPancake, ghiDong()).size(), 2900);
    EXPECT_TRUE(c.daCatBot());
    EXPECT_EQ(dong,
              (QStringList{QStringLiteral("Pancake không nhận tham số lọc ngày, chuyển sang lấy các trang mới nhất."),
                           QStringLiteral("Pancake không lọc được theo ngày nên chỉ lấy vài trang mới nhất — giữ "
                                          "mốc lại.")}));
    EXPECT_EQ(soLanGui(), 30u);
}

TEST_F(PancakeGia, OtherFailuresEndTheFetch) {
    struct Ca {
        int statusLoc;       // the reply to a filtered page
        int statusKhongLoc;  // the reply to an unfiltered page
        size_t soLanGui;
        QString moTa;
    };
    const Ca cacCa[] = {
        // Budget 1 with the filter: a 5xx is sent twice, and it is not a refusal of the filter.
        {503, 200, 2, QStringLiteral("Máy chủ Pancake đang lỗi. Thử lại sau ít phút.")},
        {401, 200, 1, QStringLiteral("Pancake từ chối khoá. Kiểm tra lại khoá và quyền đọc đơn hàng.")},
        {404, 200, 1, QStringLiteral("Không tìm thấy dữ liệu (404). Kiểm tra lại tên cửa hàng.")},
        // A 400 without the filter fails; budget 4 without it.
        {400, 400, 2, QStringLiteral("Pancake từ chối yêu cầu (400). Nguyên văn: không có")},
        {400, 502, 6, QStringLiteral("Máy chủ Pancake đang lỗi. Thử lại sau ít phút.")},
    };
    for (const auto& ca : cacCa) {
        mayMoi();
        may->get(kDuong, [&](const httplib::Request& req, httplib::Response& res) {
            res.status = req.has_param("startDateTime") ? ca.statusLoc : ca.statusKhongLoc;
            if (res.status == 200) res.set_content(trangDon(1, 100), "application/json");
        });
        chay();
        auto c = client();
        try {
            c.layDon(kMocPancake, ghiDong());
            ADD_FAILURE() << ca.statusLoc;
        } catch (const LoiNguonDon& e) {
            EXPECT_EQ(moTaLoiNguonDon(e, QStringLiteral("Pancake")), ca.moTa);
        }
        EXPECT_EQ(soLanGui(), ca.soLanGui) << ca.statusLoc << "/" << ca.statusKhongLoc;
        EXPECT_FALSE(c.daCatBot());
    }
}

TEST_F(PancakeGia, BadShopIdIsRefusedBeforeAnythingIsSent) {
    chay();
    for (const QString& id : {QStringLiteral("12/3"), QStringLiteral("123?x=1"), QStringLiteral("../456"),
                              QStringLiteral("1 23"), QString()}) {
        auto c = client(id);
        try {
            c.layDon(kMocPancake, ghiDong());
            ADD_FAILURE() << id.toStdString();
        } catch (const LoiNguonDon& e) {
            EXPECT_EQ(e.status, 0);
            EXPECT_EQ(
                moTaLoiNguonDon(e, QStringLiteral("Pancake")),
                QStringLiteral("Shop ID của Pancake POS không hợp lệ: chỉ gồm chữ số (hoặc chữ không dấu), là dãy "
                               "nằm ngay sau /shop/ trên thanh địa chỉ. Chưa gửi yêu cầu nào."));
        }
        EXPECT_THROW(c.thuKetNoi(), LoiNguonDon);
    }
    EXPECT_EQ(soLanGui(), 0u);
}

TEST_F(PancakeGia, EchoedKeyNeverReachesTheTexts) {
    // One body names the key's parameter (hidden whole), one only repeats its value (masked in place).
    std::atomic<int> lan = 0;
    may->get(kDuong, [&](const httplib::Request& req, httplib::Response& res) {
        res.status = 400;
        res.set_content(lan++ % 2 == 0 ? "bad api_key in " + req.target : "key K+y&1= refused", "text/plain");
    });
    chay();
    auto c = client();
    const QString url = may->goc() + QString::fromStdString(kDuong) +
                        QStringLiteral("?api_key=\u2022\u2022\u2022&page_number=1&page_size=100");
    try {
        c.layDon(kMocPancake, ghiDong());
        FAIL();
    } catch (const LoiNguonDon& e) {
        EXPECT_EQ(e.nguyenVan, QStringLiteral("key \u2022\u2022\u2022 refused"));
        EXPECT_EQ(e.url, url);
        EXPECT_EQ(e.chiTiet(), QStringLiteral("HTTP 400 | key \u2022\u2022\u2022 refused | ") + url);
    }
    try {
        c.thuKetNoi();
        FAIL();
    } catch (const LoiNguonDon& e) {
        EXPECT_EQ(e.nguyenVan, QStringLiteral("(đã ẩn nguyên văn vì có chứa khoá)"));
        EXPECT_FALSE((e.url + moTaLoiNguonDon(e, "Pancake") + dong.join(' ')).contains(QStringLiteral("K+y")));
        EXPECT_FALSE(e.url.contains(QStringLiteral("K%2By")));
    }
}

TEST_F(PancakeGia, MapsEveryFieldOfTheOrderFixture) {
    auto c = client();
    const json don = json::parse(R"({
      "id": 88001, "system_id": 1234, "order_id": "x", "inserted_at": "2026-12-01T08:00:00",
      "created_at": "ignored", "updated_at": "2026-12-01T09:00:00", "status": 3,
      "bill_full_name": "Phạm D", "bill_phone_number": "0987",
      "shipping_address": {"full_name": "Bên nhận", "phone_number": "0966", "full_address": "7 Nguyễn Huệ, Q1",
                           "address": "7 Nguyễn Huệ"},
      "partner": {"extend_code": "S123.456", "tracking_number": "x", "partner_name": "GHTK"},
      "extend_code": "ORDER-LEVEL",
      "items": [
        {"quantity": 2, "name": "tên gốc", "variation_info": {"name": "Váy", "fields_name": "Size M",
          "product_display_id": "VAY-M", "sku": "x", "barcode": "893"}},
        {"quantity": "1", "name": "Túi", "variation_info": {"detail": "Đen", "barcode": "8931"}},
        {"quantity": 1.5, "variation_info": "none"}
      ]
    })");
    const auto d = c.chuyenDon(don);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->id, QStringLiteral("88001"));
    EXPECT_EQ(d->orderNumber, QStringLiteral("1234"));
    EXPECT_EQ(d->name, QStringLiteral("1234"));
    // Zone-less times are UTC: stored with the designator, so no reader shifts them by the desk's zone.
    EXPECT_EQ(d->createdAt, QStringLiteral("2026-12-01T08:00:00Z"));
    EXPECT_EQ(d->updatedAt, QStringLiteral("2026-12-01T09:00:00Z"));
    EXPECT_EQ(d->customerName, QStringLiteral("Phạm D"));
    EXPECT_EQ(d->customerPhone, QStringLiteral("0987"));
    EXPECT_EQ(d->shippingAddress, QStringLiteral("7 Nguyễn Huệ, Q1"));
    EXPECT_EQ(d->trackings, (QList<MaVanDon>{{QStringLiteral("S123.456"), QStringLiteral("GHTK")}}));
    EXPECT_EQ(d->items, (QList<MatHang>{{QStringLiteral("Váy"), QStringLiteral("Size M"), QStringLiteral("VAY-M"), 2},
                                        {QStringLiteral("Túi"), QStringLiteral("Đen"), QStringLiteral("8931"), 1},
                                        {QStringLiteral("Sản phẩm"), std::nullopt, std::nullopt, 1}}));
    EXPECT_EQ(d->itemCount, 4);
    EXPECT_FALSE(d->cancelledAt);

    // The fallbacks, and a cancelled order (status 6, also as text).
    const auto t = c.chuyenDon(json::parse(R"({
      "order_id": "OD-9", "created_at": "2026-12-02T00:00:00", "status": "6", "tracking_number": "GHN55",
      "shipping_address": {"name": "Người nhận", "phone": "0955", "address": "9 Pasteur"},
      "partner": {"partner_name": "GHN"}
    })"));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->id, QStringLiteral("OD-9"));
    EXPECT_FALSE(t->orderNumber);
    EXPECT_FALSE(t->name);
    EXPECT_EQ(t->createdAt, QStringLiteral("2026-12-02T00:00:00Z"));
    EXPECT_EQ(t->updatedAt, t->createdAt);
    EXPECT_EQ(t->cancelledAt, t->createdAt);
    EXPECT_EQ(t->customerName, QStringLiteral("Người nhận"));
    EXPECT_EQ(t->customerPhone, QStringLiteral("0955"));
    EXPECT_EQ(t->shippingAddress, QStringLiteral("9 Pasteur"));
    EXPECT_EQ(t->trackings, (QList<MaVanDon>{{QStringLiteral("GHN55"), QStringLiteral("GHN")}}));
    EXPECT_EQ(t->itemCount, 0);

    const auto r = c.chuyenDon(json::parse(R"({"system_id": 5, "inserted_at": "2026-12-03T00:00:00", "status": 6.0,
      "partner": {"order_number": "P-1"}})"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->id, QStringLiteral("5"));
    EXPECT_EQ(r->orderNumber, QStringLiteral("5"));
    EXPECT_EQ(r->updatedAt, QStringLiteral("2026-12-03T00:00:00Z"));
    EXPECT_EQ(r->cancelledAt, r->createdAt);
    EXPECT_EQ(r->trackings, (QList<MaVanDon>{{QStringLiteral("P-1"), std::nullopt}}));
    const auto khongDoiTac = c.chuyenDon(json::parse(R"({"id": 7, "extend_code": "SPX7", "partner": null})"));
    ASSERT_TRUE(khongDoiTac);
    EXPECT_EQ(khongDoiTac->trackings, (QList<MaVanDon>{{QStringLiteral("SPX7"), std::nullopt}}));
    // Fractional seconds are dropped with the zone added; a zoned or unreadable text stays as sent.
    const struct {
        const char* gui;
        const char* luu;
    } cacGio[] = {
        {"2025-02-11T18:18:19.000000", "2025-02-11T18:18:19Z"},
        {"2025-02-11 18:18:19", "2025-02-11T18:18:19Z"},
        {"2025-02-11T18:18:19+07:00", "2025-02-11T18:18:19+07:00"},
        {"2025-02-11T18:18:19Z", "2025-02-11T18:18:19Z"},
        {"2025-02-30T18:18:19", "2025-02-30T18:18:19"},
        {"hôm qua", "hôm qua"},
    };
    for (const auto& g : cacGio) {
        const auto o = c.chuyenDon(json{{"id", 9}, {"inserted_at", g.gui}});
        ASSERT_TRUE(o);
        EXPECT_EQ(o->createdAt, QString::fromUtf8(g.luu)) << g.gui;
        EXPECT_EQ(o->updatedAt, o->createdAt);
    }
    const auto rong = c.chuyenDon(json::parse(R"({"id": 6})"));
    ASSERT_TRUE(rong);
    EXPECT_EQ(rong->createdAt, QStringLiteral("2025-12-10T09:00:00Z"));
    EXPECT_TRUE(rong->trackings.isEmpty());
    EXPECT_FALSE(rong->customerName);
    EXPECT_FALSE(c.chuyenDon(json::parse(R"({"bill_full_name":"x"})")));
}
