#include <atomic>

#include "KhachGia.h"
#include "sources/LoiNguonDon.h"
#include "sources/MoTaLoi.h"
#include "sources/NhanhClient.h"

using nlohmann::json;

namespace {

const std::string kDuong = "/nhanh/v3.0/order/list";
const std::string kTarget = kDuong + "?appId=A%2B1&businessId=B%261";

json trangDon(int batDau, int so) {
    json ds = json::array();
    for (int i = 0; i < so; ++i) ds.push_back({{"id", batDau + i}, {"statusName", "Mới"}});
    return ds;
}

class NhanhGia : public KhachGia {
protected:
    NhanhClient client(const QString& token = QStringLiteral("eyJ.nhanh-TOKEN")) {
        return NhanhClient(QStringLiteral("A+1"), QStringLiteral("B&1"), token, mt);
    }
    // Pages linked by "next" = "n<page+1>"; coTrang gives the size of each page.
    void phucVu(std::function<int(int)> coTrang, bool coTiep = true) {
        may->post(kDuong, [coTrang, coTiep](const httplib::Request& req, httplib::Response& res) {
            const json than = json::parse(req.body);
            int p = 1;
            if (than["paginator"].contains("next"))
                p = std::stoi(than["paginator"]["next"].get<std::string>().substr(1));
            json duLieu = {{"orders", trangDon(p * 1000, coTrang(p))}};
            if (coTiep) duLieu["paginator"] = {{"next", "n" + std::to_string(p + 1)}};
            res.set_content(json{{"code", 1}, {"data", duLieu}}.dump(), "application/json");
        });
    }
};

}  // namespace

TEST_F(NhanhGia, EveryCallIsAPostWithItsExactBodyAndHeaders) {
    phucVu([](int p) { return p < 3 ? 100 : 7; });
    chay();
    auto c = client();
    EXPECT_EQ(c.thuKetNoi(), QStringLiteral("Kết nối được Nhanh.vn."));
    EXPECT_EQ(c.layDon(kMocThu, ghiDong()).size(), 207);
    EXPECT_FALSE(c.daCatBot());
    const auto nhan = may->daNhan();
    ASSERT_EQ(nhan.size(), 4u);
    for (const auto& y : nhan) {
        EXPECT_EQ(y.phuongThuc, "POST");
        EXPECT_EQ(y.target, kTarget);
        EXPECT_EQ(y.tieuDeDau("Authorization"), "eyJ.nhanh-TOKEN");
        EXPECT_EQ(y.tieuDeDau("Content-Type"), "application/json");
        EXPECT_EQ(y.tieuDeDau("Accept"), "application/json");
    }
    EXPECT_EQ(nhan[0].than, R"({"paginator":{"size":1}})");
    // The checkpoint is 09:00 UTC, 16:00 on the desk's clock; the continuation always goes as text.
    EXPECT_EQ(nhan[1].than, R"({"updatedAtFrom":"2026-11-10 16:00:00","paginator":{"size":100}})");
    EXPECT_EQ(nhan[2].than, R"({"updatedAtFrom":"2026-11-10 16:00:00","paginator":{"size":100,"next":"n2"}})");
    EXPECT_EQ(nhan[3].than, R"({"updatedAtFrom":"2026-11-10 16:00:00","paginator":{"size":100,"next":"n3"}})");
    EXPECT_TRUE(dong.isEmpty());
}

TEST_F(NhanhGia, ContinuationGivenAsANumberIsSentAsText) {
    std::atomic<int> lan = 0;
    may->post(kDuong, [&](const httplib::Request&, httplib::Response& res) {
        const int i = lan++;
        json duLieu = {{"orders", trangDon(i * 1000, i == 0 ? 100 : 1)}, {"paginator", {{"next", 2}}}};
        res.set_content(json{{"code", "1"}, {"data", duLieu}}.dump(), "application/json");
    });
    chay();
    auto c = client();
    c.layDon(QString(), ghiDong());
    const auto nhan = may->daNhan();
    ASSERT_EQ(nhan.size(), 2u);
    // Without a checkpoint the fetch starts thirty days back.
    EXPECT_EQ(nhan[1].than, R"({"updatedAtFrom":"2025-11-10 16:00:00","paginator":{"size":100,"next":"2"}})");
}

TEST_F(NhanhGia, PagesUpToThirtyAndEndsWithoutAContinuation) {
    phucVu([](int) { return 100; });
    chay();
    auto c = client();
    EXPECT_EQ(c.layDon(kMocThu, ghiDong()).size(), 3000);
    EXPECT_TRUE(c.daCatBot());
    EXPECT_EQ(soLanGui(), 30u);  // the 31st page is never asked
    EXPECT_EQ(dong, QStringList{QStringLiteral("Nhanh.vn còn đơn chưa lấy hết — giữ mốc lại, lượt sau lấy tiếp.")});

    // A full page without "next" ends normally; so does a short 30th page.
    const struct {
        std::function<int(int)> coTrang;
        bool coTiep;
        qsizetype soDon;
        size_t soLanGui;
    } cacCa[] = {{[](int) { return 100; }, false, 100, 1}, {[](int p) { return p == 30 ? 99 : 100; }, true, 2999, 30}};
    for (const auto& ca : cacCa) {
        mayMoi();
        phucVu(ca.coTrang, ca.coTiep);
        chay();
        auto k = client();
        EXPECT_EQ(k.layDon(kMocThu, ghiDong()).size(), ca.soDon);
        EXPECT_FALSE(k.daCatBot());
        EXPECT_TRUE(dong.isEmpty());
        EXPECT_EQ(soLanGui(), ca.soLanGui);
    }
}

TEST_F(NhanhGia, OrdersUnderDataComeFirstThenTheTopLevelList) {
    const struct {
        json tl;
        std::vector<std::string> ids;
    } cacCa[] = {
        {{{"code", 1}, {"data", {{"orders", {{{"id", "d1"}}}}}}, {"orders", {{{"id", "t1"}}}}}, {"d1"}},
        {{{"code", 1}, {"data", {{"orders", json::array()}}}, {"orders", {{{"id", "t1"}}, {{"id", "t2"}}}}},
         {"t1", "t2"}},
        {{{"code", 1}, {"data", "x"}, {"orders", {{{"code", "C9"}}}}}, {"C9"}},
        {{{"code", 1}, {"data", {{"orders", {1, 2}}}}}, {}},
        {{{"code", 1}}, {}},
    };
    for (const auto& ca : cacCa) {
        mayMoi();
        may->post(kDuong, [&](const httplib::Request&, httplib::Response& res) {
            res.set_content(ca.tl.dump(), "application/json");
        });
        chay();
        auto c = client();
        std::vector<std::string> ids;
        for (const DonHang& d : c.layDon(kMocThu, ghiDong())) ids.push_back(d.id.toStdString());
        EXPECT_EQ(ids, ca.ids) << ca.tl.dump();
    }
}

TEST_F(NhanhGia, RepliesWhoseCodeIsNotOneAreRefusals) {
    const struct {
        json tl;
        int status;
        QString thongDiep;
        QString moTa;
    } cacCa[] = {
        {{{"code", 0}, {"messages", {"Sai appId", "", nullptr, " Token hết hạn ", 42}}},
         400,
         QStringLiteral("Nhanh.vn từ chối: Sai appId; Token hết hạn; 42"),
         QStringLiteral("Nhanh.vn từ chối yêu cầu (400). Nguyên văn: Sai appId; Token hết hạn; 42")},
        {{{"code", 0}, {"messages", json::array()}},
         400,
         QStringLiteral("Nhanh.vn từ chối: "),
         QStringLiteral("Nhanh.vn từ chối yêu cầu (400). Nguyên văn: không có")},
        {{{"code", 0}, {"messages", "not a list"}, {"message", "Lỗi chung"}},
         400,
         QStringLiteral("Nhanh.vn từ chối: Lỗi chung"),
         QStringLiteral("Nhanh.vn từ chối yêu cầu (400). Nguyên văn: Lỗi chung")},
        {{{"code", 0}},
         400,
         QStringLiteral("Nhanh.vn từ chối: không rõ lý do"),
         QStringLiteral("Nhanh.vn từ chối yêu cầu (400). Nguyên văn: không rõ lý do")},
        {{{"messages", {"thiếu code"}}}, 400, QStringLiteral("Nhanh.vn từ chối: thiếu code"), {}},
        {{{"code", "01x"}}, 400, QStringLiteral("Nhanh.vn từ chối: không rõ lý do"), {}},
        {{{"code", 429}, {"message", "Quá nhiều yêu cầu"}},
         429,
         QStringLiteral("Nhanh.vn từ chối: Quá nhiều yêu cầu"),
         QStringLiteral("Gọi quá nhanh, Nhanh.vn tạm chặn. App sẽ tự thử lại.")},
    };
    for (const auto& ca : cacCa) {
        mayMoi();
        may->post(kDuong, [&](const httplib::Request&, httplib::Response& res) {
            res.set_content(ca.tl.dump(), "application/json");
        });
        chay();
        auto c = client();
        for (int lan = 0; lan < 2; ++lan) {
            try {
                lan ? c.thuKetNoi() : (c.layDon(kMocThu, ghiDong()), QString());
                ADD_FAILURE() << ca.tl.dump();
            } catch (const LoiNguonDon& e) {
                EXPECT_EQ(e.status, ca.status);
                EXPECT_EQ(e.thongDiep, ca.thongDiep);
                EXPECT_TRUE(e.url.isEmpty());
                if (!ca.moTa.isEmpty()) {
                    EXPECT_EQ(moTaLoiNguonDon(e, QStringLiteral("Nhanh.vn")), ca.moTa);
                }
            }
        }
        // Not retried: the sender's retries are for HTTP failures only.
        EXPECT_EQ(soLanGui(), 2u) << ca.tl.dump();
    }
}

TEST_F(NhanhGia, TransportAndHttpFailuresKeepTheSendersTexts) {
    const struct {
        int status;
        std::string than;
        QString moTa;
        size_t soLanGui;
    } cacCa[] = {
        {200, "<html>", QStringLiteral("Nhanh.vn trả về dữ liệu không đọc được."), 1},
        {502, "", QStringLiteral("Máy chủ Nhanh.vn đang lỗi. Thử lại sau ít phút."), 5},
        {401, "", QStringLiteral("Nhanh.vn từ chối khoá. Kiểm tra lại khoá và quyền đọc đơn hàng."), 1},
    };
    for (const auto& ca : cacCa) {
        mayMoi();
        may->post(kDuong, [&](const httplib::Request&, httplib::Response& res) {
            res.status = ca.status;
            res.set_content(ca.than, "text/html");
        });
        chay();
        auto c = client();
        try {
            c.layDon(kMocThu, ghiDong());
            ADD_FAILURE();
        } catch (const LoiNguonDon& e) {
            EXPECT_EQ(moTaLoiNguonDon(e, QStringLiteral("Nhanh.vn")), ca.moTa);
        }
        EXPECT_EQ(soLanGui(), ca.soLanGui);
    }
}

TEST_F(NhanhGia, TokenThatWouldSplitTheHeaderIsNeverSent) {
    chay();
    for (const QString& t :
         {QStringLiteral("abc\r\nX-Evil: 1"), QStringLiteral("abc\ndef"), QStringLiteral("mã có dấu")}) {
        auto c = client(t);
        try {
            c.thuKetNoi();
            ADD_FAILURE();
        } catch (const LoiNguonDon& e) {
            EXPECT_EQ(e.status, 0);
            EXPECT_EQ(e.thongDiep, QStringLiteral("Access Token của Nhanh.vn có dấu cách, ký tự xuống dòng hoặc chữ có "
                                                  "dấu. Chép lại khoá rồi lưu; chưa gửi yêu cầu nào."));
        }
        EXPECT_THROW(c.layDon(kMocThu, ghiDong()), LoiNguonDon);
    }
    EXPECT_EQ(soLanGui(), 0u);
}

TEST_F(NhanhGia, EchoedTokenNeverReachesTheTexts) {
    std::atomic<int> lan = 0;
    may->post(kDuong, [&](const httplib::Request& req, httplib::Response& res) {
        if (lan++ == 0) {
            res.set_content(
                json{{"code", 0}, {"messages", {"token " + req.get_header_value("Authorization") + " sai"}}}.dump(),
                "application/json");
            return;
        }
        res.status = 400;
        res.set_content("Bad token eyJ.nhanh-TOKEN", "text/plain");
    });
    chay();
    auto c = client();
    for (int i = 0; i < 2; ++i) {
        try {
            c.layDon(kMocThu, ghiDong());
            FAIL();
        } catch (const LoiNguonDon& e) {
            const QString tatCa = e.nguyenVan + e.url + e.thongDiep + e.chiTiet() + QString::fromUtf8(e.what()) +
                                  moTaLoiNguonDon(e, QStringLiteral("Nhanh.vn"));
            EXPECT_FALSE(tatCa.contains(QStringLiteral("nhanh-TOKEN"))) << tatCa.toStdString();
            EXPECT_TRUE(e.nguyenVan.contains(QStringLiteral("\u2022\u2022\u2022")));
        }
    }
}

TEST(NhanhTrangThai, OnlyWholeCancellationWordsCount) {
    const struct {
        QString trangThai;
        bool huy;
    } cacCa[] = {
        {QStringLiteral("Đã hủy"), true},
        {QStringLiteral("Đã huỷ"), true},
        {QStringLiteral("HUY"), true},
        {QStringLiteral("Khách huỷ đơn"), true},
        {QStringLiteral("cancelled"), true},
        {QStringLiteral("Canceled"), true},
        {QStringLiteral("ĐÃ HỦY"), true},
        {QStringLiteral("Đã hu\u0309y"), true},  // decomposed: the hook above as a combining mark
        {QStringLiteral("Hủy/đổi"), true},
        {QStringLiteral("Đang vận chuyển"), false},
        {QStringLiteral("Chuyển hoàn"), false},
        {QStringLiteral("Khuyến mãi"), false},
        {QStringLiteral("cancelled order"), false},
        {QStringLiteral("Thành công"), false},
        {QStringLiteral("huyện"), false},
        {QString(), false},
    };
    for (const auto& ca : cacCa)
        EXPECT_EQ(NhanhClient::laTrangThaiHuy(ca.trangThai), ca.huy) << ca.trangThai.toStdString();
}

TEST_F(NhanhGia, MapsEveryFieldOfTheOrderFixture) {
    auto c = client();
    const json don = json::parse(R"({
      "id": 700001, "code": "DH700001", "createdAt": "2026-12-01 08:00:00", "createdDateTime": "ignored",
      "updatedAt": "2026-12-01 09:30:00", "statusName": "Đang vận chuyển", "status": "Canceled",
      "customerName": "x", "customerMobile": "x",
      "shippingAddress": {"name": "Võ E", "fullName": "y", "mobile": "0944", "phone": "y",
                          "address": "3 Điện Biên Phủ", "fullAddress": "y"},
      "carrier": {"carrierCode": "VTP123", "code": "y", "name": "Viettel Post"},
      "products": [{"name": "Giày", "productName": "y", "code": "G-42", "sku": "y", "quantity": 1},
                   {"productName": "Dép", "sku": "D-1", "quantity": "2"}, {}]
    })");
    const auto d = c.chuyenDon(don);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->id, QStringLiteral("700001"));
    EXPECT_EQ(d->orderNumber, QStringLiteral("DH700001"));
    EXPECT_EQ(d->name, QStringLiteral("DH700001"));
    EXPECT_EQ(d->createdAt, QStringLiteral("2026-12-01 08:00:00"));
    EXPECT_EQ(d->updatedAt, QStringLiteral("2026-12-01 09:30:00"));
    EXPECT_EQ(d->customerName, QStringLiteral("Võ E"));
    EXPECT_EQ(d->customerPhone, QStringLiteral("0944"));
    EXPECT_EQ(d->shippingAddress, QStringLiteral("3 Điện Biên Phủ"));
    EXPECT_EQ(d->trackings, (QList<MaVanDon>{{QStringLiteral("VTP123"), QStringLiteral("Viettel Post")}}));
    EXPECT_EQ(d->items, (QList<MatHang>{{QStringLiteral("Giày"), std::nullopt, QStringLiteral("G-42"), 1},
                                        {QStringLiteral("Dép"), std::nullopt, QStringLiteral("D-1"), 2},
                                        {QStringLiteral("Sản phẩm"), std::nullopt, std::nullopt, 0}}));
    EXPECT_EQ(d->itemCount, 3);
    EXPECT_FALSE(d->cancelledAt);  // "statusName" decides before "status"

    const auto t = c.chuyenDon(json::parse(R"({
      "code": "DH2", "createdDateTime": "2026-12-02 10:00:00", "status": "Đã hủy",
      "customerName": "Khách", "customerMobile": "0933", "trackingCode": "NOT-A-CARRIER",
      "shippingAddress": {"fullName": "Người nhận", "phone": "0922", "fullAddress": "8 Lê Duẩn"},
      "carrier": {"trackingCode": "J&T-9"}
    })"));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->id, QStringLiteral("DH2"));
    EXPECT_EQ(t->createdAt, QStringLiteral("2026-12-02 10:00:00"));
    EXPECT_EQ(t->updatedAt, t->createdAt);
    EXPECT_EQ(t->cancelledAt, t->createdAt);
    EXPECT_EQ(t->customerName, QStringLiteral("Người nhận"));
    EXPECT_EQ(t->customerPhone, QStringLiteral("0922"));
    EXPECT_EQ(t->shippingAddress, QStringLiteral("8 Lê Duẩn"));
    EXPECT_EQ(t->trackings, (QList<MaVanDon>{{QStringLiteral("J&T-9"), std::nullopt}}));

    const auto k = c.chuyenDon(json::parse(R"({"id": 3, "customerName": "Khách", "customerMobile": "0933",
      "carrierCode": "ORDER-LEVEL", "statusName": "Huỷ"})"));
    ASSERT_TRUE(k);
    EXPECT_EQ(k->customerName, QStringLiteral("Khách"));
    EXPECT_EQ(k->customerPhone, QStringLiteral("0933"));
    EXPECT_FALSE(k->shippingAddress);
    EXPECT_TRUE(k->trackings.isEmpty());  // no carrier object, no tracking number
    EXPECT_EQ(k->createdAt, QStringLiteral("2025-12-10T09:00:00Z"));
    EXPECT_EQ(k->cancelledAt, k->createdAt);
    EXPECT_EQ(k->itemCount, 0);
    EXPECT_FALSE(c.chuyenDon(json::parse(R"({"customerName":"x"})")));
}

TEST_F(NhanhGia, RawSampleIsTheFirstOrderEverReceived) {
    std::atomic<int> lan = 0;
    may->post(kDuong, [&](const httplib::Request&, httplib::Response& res) {
        const int i = lan++;
        json tl = {{"code", 1}, {"data", {{"orders", i == 0 ? json::array() : json{{{"id", i}, {"b", "x/y"}}}}}}};
        res.set_content(tl.dump(), "application/json");
    });
    chay();
    auto c = client();
    c.layDon(kMocThu, ghiDong());
    EXPECT_FALSE(c.thoGanNhat());
    c.layDon(kMocThu, ghiDong());
    c.layDon(kMocThu, ghiDong());
    EXPECT_EQ(c.thoGanNhat(), QStringLiteral("{\n  \"b\": \"x/y\",\n  \"id\": 1\n}"));
}
