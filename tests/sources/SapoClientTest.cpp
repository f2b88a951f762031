#include <atomic>

#include "KhachGia.h"
#include "sources/LoiNguonDon.h"
#include "sources/MoTaLoi.h"
#include "sources/SapoClient.h"

using nlohmann::json;

namespace {

std::string trangDon(int batDau, int so) {
    json ds = json::array();
    for (int i = 0; i < so; ++i) ds.push_back({{"id", batDau + i}, {"name", "#" + std::to_string(batDau + i)}});
    return json{{"orders", ds}}.dump();
}

class SapoGia : public KhachGia {
protected:
    SapoClient client(const QString& cuaHang = QStringLiteral("shop1")) {
        return SapoClient(cuaHang, QStringLiteral("key1"), QStringLiteral("sec:2"), mt);
    }
};

}  // namespace

TEST_F(SapoGia, RequestsCarryBasicAuthorisationAndTheirExactQuery) {
    may->get("/sapo/shop1/admin/orders/count.json", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"count":57})", "application/json");
    });
    may->get("/sapo/shop1/admin/orders.json", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(trangDon(1, 2), "application/json");
    });
    chay();
    auto c = client(QStringLiteral("http://shop1.mysapo.net/admin/orders"));
    EXPECT_EQ(c.thuKetNoi(), QStringLiteral("Kết nối được Sapo. Cửa hàng đang có 57 đơn."));
    EXPECT_EQ(c.layDon(QStringLiteral("2026-11-10T09:00:00.123Z"), ghiDong()).size(), 2);
    const auto nhan = may->daNhan();
    ASSERT_EQ(nhan.size(), 2u);
    EXPECT_EQ(nhan[0].phuongThuc, "GET");
    EXPECT_EQ(nhan[0].target, "/sapo/shop1/admin/orders/count.json");
    EXPECT_EQ(nhan[0].tieuDeDau("Authorization"), "Basic " + QByteArray("key1:sec:2").toBase64().toStdString());
    EXPECT_EQ(nhan[0].tieuDeDau("Accept"), "application/json");
    EXPECT_EQ(nhan[1].target,
              "/sapo/shop1/admin/orders.json?modified_on_min=2026-11-10T09%3A00%3A00Z&status=any&limit=250&page=1");
    EXPECT_EQ(nhan[1].tieuDeDau("Authorization"), nhan[0].tieuDeDau("Authorization"));
    EXPECT_TRUE(dong.isEmpty());
}

TEST_F(SapoGia, CheckpointLosesOnlyAThreeDigitFraction) {
    may->get("/sapo/shop1/admin/orders.json", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(trangDon(1, 0), "application/json");
    });
    chay();
    auto c = client();
    const struct {
        QString moc;
        std::string gui;
    } cacCa[] = {
        {QStringLiteral("2026-11-10T09:00:00.999Z"), "2026-11-10T09%3A00%3A00Z"},
        {QStringLiteral("2026-11-10T09:00:00Z"), "2026-11-10T09%3A00%3A00Z"},
        {QStringLiteral("2026-11-10T09:00:00.12Z"), "2026-11-10T09%3A00%3A00.12Z"},
        {QStringLiteral("2026-11-10T09:00:00.1234Z"), "2026-11-10T09%3A00%3A00.1234Z"},
        {QStringLiteral("2026-11-10T09:00:00.123+07:00"), "2026-11-10T09%3A00%3A00.123%2B07%3A00"},
        {QString(), ""},
    };
    for (const auto& ca : cacCa) {
        c.layDon(ca.moc, ghiDong());
        EXPECT_EQ(may->daNhan().back().target,
                  "/sapo/shop1/admin/orders.json?modified_on_min=" + ca.gui + "&status=any&limit=250&page=1");
    }
    EXPECT_FALSE(c.daCatBot());
}

TEST_F(SapoGia, PagesUpToTwentyAndStopsOneShortOfIt) {
    std::atomic<int> trangCuoi = 250;
    may->get("/sapo/shop1/admin/orders.json", [&](const httplib::Request& req, httplib::Response& res) {
        const int p = std::stoi(req.get_param_value("page"));
        res.set_content(trangDon(p * 1000, p == 20 ? trangCuoi.load() : 250), "application/json");
    });
    chay();
    auto c = client();
    EXPECT_EQ(c.layDon(kMocThu, ghiDong()).size(), 5000);
    EXPECT_TRUE(c.daCatBot());
    EXPECT_EQ(soLanGui(), 20u);
    EXPECT_EQ(dong, QStringList{QStringLiteral("Sapo còn đơn chưa lấy hết — giữ mốc lại, lượt sau lấy tiếp.")});

    dong.clear();
    trangCuoi = 249;
    EXPECT_EQ(c.layDon(kMocThu, ghiDong()).size(), 4999);
    EXPECT_FALSE(c.daCatBot());
    EXPECT_TRUE(dong.isEmpty());
    EXPECT_EQ(soLanGui(), 40u);
}

TEST_F(SapoGia, FailuresEndTheFetchAndDropWhatWasCollected) {
    const struct {
        int status;
        std::string than;
        QString moTa;
        size_t soLanGui;
        std::vector<double> cho;
    } cacCa[] = {
        {200, "[]", QStringLiteral("Sapo trả về dữ liệu không đọc được."), 2, {}},
        {503, "", QStringLiteral("Máy chủ Sapo đang lỗi. Thử lại sau ít phút."), 6, {1, 2, 4, 8}},
        {401, "", QStringLiteral("Sapo từ chối khoá. Kiểm tra lại khoá và quyền đọc đơn hàng."), 2, {}},
        {422,
         "{\"errors\":\"page\"}",
         QStringLiteral("Sapo từ chối yêu cầu (422). Nguyên văn: {\"errors\":\"page\"}"),
         2,
         {}},
        {404, "", QStringLiteral("Không tìm thấy dữ liệu (404). Kiểm tra lại tên cửa hàng."), 2, {}},
    };
    for (const auto& ca : cacCa) {
        mayMoi();
        // Page 1 is full; page 2 fails.
        may->get("/sapo/shop1/admin/orders.json", [&](const httplib::Request& req, httplib::Response& res) {
            if (req.get_param_value("page") == "1") {
                res.set_content(trangDon(1, 250), "application/json");
                return;
            }
            res.status = ca.status;
            res.set_content(ca.than, "application/json");
        });
        chay();
        BoNguGhiLai nguRieng;
        mt.ngu = &nguRieng;
        auto c = client();
        try {
            c.layDon(kMocThu, ghiDong());
            ADD_FAILURE() << ca.status;
        } catch (const std::exception& e) {
            EXPECT_EQ(moTaLoiNguonDon(e, QStringLiteral("Sapo")), ca.moTa);
        }
        EXPECT_EQ(soLanGui(), ca.soLanGui) << ca.status;
        EXPECT_EQ(nguRieng.cacLanNgu(), ca.cho) << ca.status;
        EXPECT_FALSE(c.daCatBot());
        mt.ngu = &ngu;
    }
    mayMoi();
    may->get("/sapo/shop1/admin/orders/count.json",
             [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/plain"); });
    chay();
    EXPECT_THROW(
        {
            try {
                client().thuKetNoi();
            } catch (const LoiNguonDon& e) {
                EXPECT_EQ(e.thongDiep, QStringLiteral("Sapo trả về dữ liệu không đọc được."));
                throw;
            }
        },
        LoiNguonDon);
}

TEST_F(SapoGia, BadStoreNameIsRefusedBeforeAnythingIsSent) {
    chay();
    for (const QString& ten : {QStringLiteral("cửa hàng"), QStringLiteral("shop\nx"), QStringLiteral("shop-"),
                               QStringLiteral("sh@p"), QString(64, QLatin1Char('a'))}) {
        auto c = client(ten);
        try {
            c.thuKetNoi();
            ADD_FAILURE() << ten.toStdString();
        } catch (const LoiNguonDon& e) {
            EXPECT_EQ(e.status, 0);
            EXPECT_EQ(e.thongDiep,
                      QStringLiteral("Tên cửa hàng Sapo không hợp lệ: chỉ được có chữ không dấu, chữ số và dấu gạch "
                                     "ngang, đúng phần trước .mysapo.net trên thanh địa chỉ. Chưa gửi yêu cầu nào."));
        }
        EXPECT_THROW(c.layDon(kMocThu, ghiDong()), LoiNguonDon);
    }
    EXPECT_EQ(soLanGui(), 0u);
    // A pasted address is cut at its first dot; the rest never reaches the host.
    EXPECT_EQ(client(QStringLiteral("shop1.mysapo.net")).cuaHang(), QStringLiteral("shop1"));
}

TEST_F(SapoGia, EchoedSecretsNeverReachTheTexts) {
    may->get("/sapo/shop1/admin/orders.json", [](const httplib::Request& req, httplib::Response& res) {
        res.status = 400;
        res.set_content("denied " + req.get_header_value("Authorization") + " secret=sec:2 at " + req.target,
                        "text/plain");
    });
    chay();
    auto c = client();
    try {
        c.layDon(kMocThu, ghiDong());
        FAIL();
    } catch (const LoiNguonDon& e) {
        EXPECT_TRUE(e.nguyenVan.startsWith(QStringLiteral("denied Basic ")));
        const QString tatCa = e.nguyenVan + e.url + e.chiTiet() + moTaLoiNguonDon(e, QStringLiteral("Sapo"));
        EXPECT_FALSE(tatCa.contains(QStringLiteral("sec:2")));
        EXPECT_FALSE(tatCa.contains(QString::fromLatin1(QByteArray("key1:sec:2").toBase64())));
    }
}

TEST_F(SapoGia, MapsEveryFieldOfTheOrderFixture) {
    auto c = client();
    const json don = json::parse(R"({
      "id": 5550001, "order_number": 1001, "name": "#1001",
      "created_on": "2026-12-01T02:00:00Z", "created_at": "ignored", "modified_on": "2026-12-01T03:00:00Z",
      "phone": "0933", "cancelled_on": null, "cancelled_at": "2026-12-02T00:00:00Z",
      "customer": {"last_name": "Lê", "first_name": " Văn C ", "phone": "0922"},
      "shipping_address": {"name": "Người nhận", "phone": "0911", "address1": "5 Hai Bà Trưng", "ward": "Bến Nghé",
                           "district": "Quận 1", "province": "Hồ Chí Minh", "city": "HCM"},
      "line_items": [{"title": "Mũ", "name": "x", "variant_title": "Đỏ", "sku": "MU-D", "quantity": 2},
                     {"name": "Khăn", "quantity": "4"}, {"quantity": null}],
      "fulfillments": [
        {"tracking_number": "GHTK1", "tracking_numbers": ["X2", "GHTK1", null, "", "  "], "tracking_company": "GHTK"},
        {"tracking_numbers": ["GHTK1"]}
      ]
    })");
    const auto d = c.chuyenDon(don);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->id, QStringLiteral("5550001"));
    EXPECT_EQ(d->orderNumber, QStringLiteral("1001"));
    EXPECT_EQ(d->name, QStringLiteral("#1001"));
    EXPECT_EQ(d->createdAt, QStringLiteral("2026-12-01T02:00:00Z"));
    EXPECT_EQ(d->updatedAt, QStringLiteral("2026-12-01T03:00:00Z"));
    EXPECT_EQ(d->cancelledAt, QStringLiteral("2026-12-02T00:00:00Z"));
    EXPECT_EQ(d->customerName, QStringLiteral("Lê Văn C"));
    EXPECT_EQ(d->customerPhone, QStringLiteral("0911"));
    EXPECT_EQ(d->shippingAddress, QStringLiteral("5 Hai Bà Trưng, Bến Nghé, Quận 1, Hồ Chí Minh, HCM"));
    EXPECT_EQ(d->items, (QList<MatHang>{{QStringLiteral("Mũ"), QStringLiteral("Đỏ"), QStringLiteral("MU-D"), 2},
                                        {QStringLiteral("Khăn"), std::nullopt, std::nullopt, 4},
                                        {QStringLiteral("Sản phẩm"), std::nullopt, std::nullopt, 0}}));
    EXPECT_EQ(d->itemCount, 6);
    // The single code first, the listed duplicate, null and empty texts skipped; no de-duplication
    // across fulfilments.
    EXPECT_EQ(d->trackings, (QList<MaVanDon>{{QStringLiteral("GHTK1"), QStringLiteral("GHTK")},
                                             {QStringLiteral("X2"), QStringLiteral("GHTK")},
                                             {QStringLiteral("GHTK1"), std::nullopt}}));

    const struct {
        const char* tho;
        std::optional<QString> ten;
        std::optional<QString> dienThoai;
        std::optional<QString> diaChi;
    } cacCa[] = {
        {R"({"id":1,"customer":{"first_name":"An"},"shipping_address":{"name":"B","province":"HN","city":"Hà Nội"}})",
         QStringLiteral("An"), std::nullopt, QStringLiteral("HN, Hà Nội")},
        {R"({"id":1,"customer":{"phone":"0901"},"shipping_address":{"name":"Bên nhận"}})", QStringLiteral("Bên nhận"),
         QStringLiteral("0901"), std::nullopt},
        {R"({"id":1,"customer":"x","shipping_address":[],"phone":"0977"})", std::nullopt, QStringLiteral("0977"),
         std::nullopt},
    };
    for (const auto& ca : cacCa) {
        const auto t = c.chuyenDon(json::parse(ca.tho));
        ASSERT_TRUE(t);
        EXPECT_EQ(t->customerName, ca.ten) << ca.tho;
        EXPECT_EQ(t->customerPhone, ca.dienThoai) << ca.tho;
        EXPECT_EQ(t->shippingAddress, ca.diaChi) << ca.tho;
        EXPECT_EQ(t->createdAt, QStringLiteral("2025-12-10T09:00:00Z"));
        EXPECT_EQ(t->updatedAt, t->createdAt);
        EXPECT_FALSE(t->cancelledAt);
        EXPECT_EQ(t->itemCount, 0);
    }
    const auto theoAt = c.chuyenDon(json::parse(
        R"({"id":2,"created_at":"2026-01-01T00:00:00Z","updated_at":"2026-01-02T00:00:00Z","status":"cancelled"})"));
    ASSERT_TRUE(theoAt);
    EXPECT_EQ(theoAt->createdAt, QStringLiteral("2026-01-01T00:00:00Z"));
    EXPECT_EQ(theoAt->updatedAt, QStringLiteral("2026-01-02T00:00:00Z"));
    EXPECT_FALSE(theoAt->cancelledAt);  // only the cancellation times decide, never the status
    EXPECT_FALSE(c.chuyenDon(json::parse(R"({"name":"#1"})")));
    EXPECT_FALSE(c.chuyenDon(json::parse(R"({"id":"   "})")));
}

TEST_F(SapoGia, RawSampleIsTheFirstOrderEverReceived) {
    std::atomic<int> lan = 0;
    may->get("/sapo/shop1/admin/orders.json", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(lan++ == 0 ? R"({"orders":"none"})" : R"({"orders":[{"z":"a/b","id":7},{"id":8}]})",
                        "application/json");
    });
    chay();
    auto c = client();
    EXPECT_TRUE(c.layDon(kMocThu, ghiDong()).isEmpty());
    EXPECT_FALSE(c.thoGanNhat());
    EXPECT_EQ(c.layDon(kMocThu, ghiDong()).size(), 2);
    EXPECT_EQ(c.thoGanNhat(), QStringLiteral("{\n  \"id\": 7,\n  \"z\": \"a/b\"\n}"));
}
