#include <atomic>

#include "KhachGia.h"
#include "sources/KiotVietClient.h"
#include "sources/LoiNguonDon.h"
#include "sources/MoTaLoi.h"

using nlohmann::json;

namespace {

std::string trangHoaDon(int batDau, int so, bool coId = true) {
    json ds = json::array();
    for (int i = 0; i < so; ++i) {
        json hd = {{"code", "HD" + std::to_string(batDau + i)}, {"modifiedDate", "2026-12-01T10:00:00"}};
        if (coId) hd["id"] = batDau + i;
        ds.push_back(hd);
    }
    return json{{"total", 4321}, {"data", ds}}.dump();
}

class KiotVietGia : public KhachGia {
protected:
    // The token host hands out T1, T2, ... and counts the requests.
    void veTheoThuTu(json thoiHan = 3600) {
        may->post("/kiotviet/connect/token", [this, thoiHan](const httplib::Request&, httplib::Response& res) {
            json tl = {{"access_token", "T" + std::to_string(++soVe)}, {"token_type", "Bearer"}};
            if (!thoiHan.is_null()) tl["expires_in"] = thoiHan;
            res.set_content(tl.dump(), "application/json");
        });
    }
    KiotVietClient client(const QString& cuaHang = QStringLiteral("shop1")) {
        return KiotVietClient(QStringLiteral("cid"), QStringLiteral("s+&=ecret"), cuaHang, mt);
    }
    std::vector<MayChuGia::YeuCauDaNhan> yeuCauApi() const {
        std::vector<MayChuGia::YeuCauDaNhan> ra;
        for (auto& y : may->daNhan()) {
            if (y.duongDan == "/kiotviet/invoices") ra.push_back(y);
        }
        return ra;
    }
    std::atomic<int> soVe = 0;
};

}  // namespace

TEST_F(KiotVietGia, TokenExchangeAndInvoiceRequestsAreExact) {
    veTheoThuTu();
    may->get("/kiotviet/invoices", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(trangHoaDon(1, 3), "application/json");
    });
    chay();
    // A pasted shop address reaches the Retailer header as the bare shop name.
    auto c = client(QStringLiteral("https://shop1.kiotviet.vn/man/#/Invoices"));
    EXPECT_EQ(c.cuaHang(), QStringLiteral("shop1"));
    EXPECT_EQ(c.layDon(kMocThu, ghiDong()).size(), 3);
    EXPECT_EQ(c.thuKetNoi(), QStringLiteral("Kết nối được KiotViet. Cửa hàng đang có 4321 hoá đơn."));

    const auto nhan = may->daNhan();
    ASSERT_EQ(nhan.size(), 3u);
    EXPECT_EQ(nhan[0].phuongThuc, "POST");
    EXPECT_EQ(nhan[0].target, "/kiotviet/connect/token");
    EXPECT_EQ(nhan[0].tieuDeDau("Content-Type"), "application/x-www-form-urlencoded");
    // "+", "&" and "=" of the secret are encoded, so the platform receives the secret as typed.
    EXPECT_EQ(nhan[0].than,
              "grant_type=client_credentials&scopes=PublicApi.Access&client_id=cid&client_secret=s%2B%26%3Decret");
    EXPECT_FALSE(nhan[0].coTieuDe("Authorization"));

    EXPECT_EQ(nhan[1].phuongThuc, "GET");
    // The checkpoint is 09:00 UTC, 16:00 on the desk's clock.
    EXPECT_EQ(nhan[1].target,
              "/kiotviet/invoices?lastModifiedFrom=2026-11-10%2016%3A00%3A00&pageSize=100&currentItem=0"
              "&includeInvoiceDelivery=true&includePayment=false&orderBy=modifiedDate&orderDirection=Asc");
    EXPECT_EQ(nhan[1].tieuDeDau("Authorization"), "Bearer T1");
    EXPECT_EQ(nhan[1].tieuDeDau("Retailer"), "shop1");
    EXPECT_TRUE(nhan[1].than.empty());
    EXPECT_EQ(nhan[2].target, "/kiotviet/invoices?pageSize=1&currentItem=0");
    EXPECT_EQ(nhan[2].tieuDeDau("Authorization"), "Bearer T1");
    EXPECT_TRUE(dong.isEmpty());
    EXPECT_FALSE(c.daCatBot());
}

TEST_F(KiotVietGia, StartsThirtyDaysBackWithoutAReadableCheckpoint) {
    veTheoThuTu();
    may->get("/kiotviet/invoices", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(trangHoaDon(1, 0), "application/json");
    });
    chay();
    auto c = client();
    const struct {
        QString moc;
        std::string gui;
    } cacCa[] = {
        {QString(), "2025-11-10 16:00:00"},
        {QStringLiteral("hôm qua"), "2025-11-10 16:00:00"},
        {QStringLiteral("2026-11-10T09:00:00.250Z"), "2026-11-10 16:00:00"},
        {QStringLiteral("2026-11-10T23:30:00+07:00"), "2026-11-10 23:30:00"},
    };
    for (const auto& ca : cacCa) {
        c.layDon(ca.moc, ghiDong());
        const std::string moc = QString::fromLatin1(maHoaPhanTram(QString::fromStdString(ca.gui))).toStdString();
        EXPECT_NE(yeuCauApi().back().target.find("lastModifiedFrom=" + moc + "&"), std::string::npos)
            << ca.moc.toStdString() << " " << yeuCauApi().back().target;
    }
}

TEST_F(KiotVietGia, TokenIsReusedUntilFiveMinutesBeforeItExpires) {
    const struct {
        json thoiHan;
        int giay;  // how long the token is kept
    } cacCa[] = {{3600, 3300}, {0, 86'100}, {json(), 86'100}, {-5, 86'100}, {"7200", 6900}};
    for (const auto& ca : cacCa) {
        mayMoi();
        soVe = 0;
        veTheoThuTu(ca.thoiHan);
        may->get("/kiotviet/invoices", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(trangHoaDon(1, 1), "application/json");
        });
        chay();
        auto c = client();
        c.layDon(kMocThu, ghiDong());
        c.layDon(kMocThu, ghiDong());
        EXPECT_EQ(soVe, 1);
        dongHo.tienGiay(ca.giay - 1);
        c.thuKetNoi();
        EXPECT_EQ(soVe, 1) << ca.thoiHan.dump();
        dongHo.tienGiay(1);
        c.thuKetNoi();
        EXPECT_EQ(soVe, 2) << ca.thoiHan.dump();
        EXPECT_EQ(yeuCauApi().back().tieuDeDau("Authorization"), "Bearer T2");
    }
}

TEST_F(KiotVietGia, TokenFallsBackToTheSingularScopeName) {
    struct Ca {
        int statusScopes;  // 0: accepted
        int statusScope;
        size_t soLanGuiVe;
        int loi;  // 0: a token comes back
    };
    const Ca cacCa[] = {
        {0, 0, 1, 0},        // "scopes" accepted: "scope" never sent
        {400, 0, 2, 0},      // refused once, then "scope" works
        {503, 0, 3, 0},      // budget 1 for the first form: two sends, then "scope"
        {400, 401, 2, 401},  // both refused: the error of the "scope" attempt
        {503, 503, 7, 503},  // 2 sends with budget 1, then 5 with budget 4
    };
    for (const auto& ca : cacCa) {
        mayMoi();
        may->post("/kiotviet/connect/token", [&](const httplib::Request& req, httplib::Response& res) {
            const bool soNhieu = req.body.find("&scopes=PublicApi.Access&") != std::string::npos;
            const int s = soNhieu ? ca.statusScopes : ca.statusScope;
            if (s) {
                res.status = s;
                res.set_content(soNhieu ? "bad scopes" : "bad scope", "text/plain");
            } else {
                res.set_content(R"({"access_token":"TOK"})", "application/json");
            }
        });
        chay();
        BoNguGhiLai nguRieng;
        mt.ngu = &nguRieng;
        auto c = client();
        try {
            EXPECT_EQ(c.layVeTruyCap(), QStringLiteral("TOK"));
            EXPECT_EQ(ca.loi, 0);
        } catch (const LoiNguonDon& e) {
            EXPECT_EQ(e.status, ca.loi);
            EXPECT_EQ(e.nguyenVan, QStringLiteral("bad scope"));
        }
        const auto nhan = may->daNhan();
        ASSERT_EQ(nhan.size(), ca.soLanGuiVe);
        if (ca.statusScopes) {
            EXPECT_EQ(
                nhan.back().than,
                "grant_type=client_credentials&scope=PublicApi.Access&client_id=cid&client_secret=s%2B%26%3Decret");
        }
    }
}

TEST_F(KiotVietGia, UnusableTokenRepliesHaveTheirOwnTexts) {
    const struct {
        std::string than;
        QString thongDiep;
    } cacCa[] = {
        {"<html>", QStringLiteral("KiotViet trả về dữ liệu không đọc được.")},
        {"[\"T\"]", QStringLiteral("KiotViet trả về dữ liệu không đọc được.")},
        {"{}", QStringLiteral("KiotViet không trả về vé truy cập.")},
        {R"({"access_token":"  "})", QStringLiteral("KiotViet không trả về vé truy cập.")},
        {R"({"access_token":"T1\r\nX-Evil: 1"})", QStringLiteral("KiotViet không trả về vé truy cập.")},
    };
    for (const auto& ca : cacCa) {
        mayMoi();
        may->post("/kiotviet/connect/token", [&](const httplib::Request&, httplib::Response& res) {
            res.set_content(ca.than, "application/json");
        });
        chay();
        auto c = client();
        try {
            c.layDon(kMocThu, ghiDong());
            ADD_FAILURE() << ca.than;
        } catch (const LoiNguonDon& e) {
            EXPECT_EQ(e.status, 0);
            EXPECT_EQ(e.thongDiep, ca.thongDiep);
            EXPECT_EQ(moTaLoiNguonDon(e, QStringLiteral("KiotViet")), ca.thongDiep);
            EXPECT_EQ(e.chiTiet(), QString());
        }
        // One token request, no "scope" retry for a reply that came back, and no invoice request.
        EXPECT_EQ(soLanGui(), 1u) << ca.than;
    }
}

TEST_F(KiotVietGia, RevokedTokenIsReplacedOnceOn401) {
    veTheoThuTu();
    std::atomic<int> huyDen = 0;  // tokens up to this number are refused
    may->get("/kiotviet/invoices", [&](const httplib::Request& req, httplib::Response& res) {
        const int so = std::stoi(req.get_header_value("Authorization").substr(8));
        if (so <= huyDen) {
            res.status = 401;
            return;
        }
        res.set_content(trangHoaDon(1, 1), "application/json");
    });
    chay();
    auto c = client();
    EXPECT_EQ(c.layDon(kMocThu, ghiDong()).size(), 1);

    // T1 is revoked while cached: one 401, a new token, the page asked again.
    huyDen = 1;
    EXPECT_EQ(c.layDon(kMocThu, ghiDong()).size(), 1);
    EXPECT_EQ(soVe, 2);
    EXPECT_EQ(yeuCauApi().size(), 3u);

    // Every token refused: the cached one and its one replacement, then the error.
    huyDen = 100;
    try {
        c.thuKetNoi();
        FAIL();
    } catch (const LoiNguonDon& e) {
        EXPECT_EQ(e.status, 401);
        EXPECT_EQ(moTaLoiNguonDon(e, QStringLiteral("KiotViet")),
                  QStringLiteral("KiotViet từ chối khoá. Kiểm tra lại khoá và quyền đọc đơn hàng."));
    }
    EXPECT_EQ(soVe, 3);
    EXPECT_EQ(yeuCauApi().size(), 5u);

    // The refused token is not kept; a token fresh from the host that is refused is not asked again.
    EXPECT_THROW(c.thuKetNoi(), LoiNguonDon);
    EXPECT_EQ(soVe, 4);
    EXPECT_EQ(yeuCauApi().size(), 6u);
}

// Offset pages overlap by one invoice, the check that no invoice before them has left, so the fortieth request
// starts at 39 * 99.
constexpr int kViTri40 = 39 * 99;

TEST_F(KiotVietGia, PagesByOffsetUpToFortyRequests) {
    veTheoThuTu();
    std::atomic<int> soTrangCuoi = 100;
    may->get("/kiotviet/invoices", [&](const httplib::Request& req, httplib::Response& res) {
        const int viTri = std::stoi(req.get_param_value("currentItem"));
        // Every page's last entry lacks an id: it is skipped but still counts towards a full page.
        json tl = json::parse(trangHoaDon(viTri, viTri == kViTri40 ? soTrangCuoi.load() : 100));
        tl["data"].back().erase("id");
        res.set_content(tl.dump(), "application/json");
    });
    chay();
    {
        auto c = client();
        EXPECT_EQ(c.layDon(kMocThu, ghiDong()).size(), 3960);
        EXPECT_TRUE(c.daCatBot());
        const auto api = yeuCauApi();
        ASSERT_EQ(api.size(), 40u);
        EXPECT_NE(api.back().target.find("currentItem=3861&"), std::string::npos);
        EXPECT_EQ(dong,
                  QStringList{QStringLiteral("KiotViet còn hoá đơn chưa lấy hết — giữ mốc lại, lượt sau lấy tiếp.")});
    }
    mayMoi();
    veTheoThuTu();
    may->get("/kiotviet/invoices", [&](const httplib::Request& req, httplib::Response& res) {
        const int viTri = std::stoi(req.get_param_value("currentItem"));
        res.set_content(trangHoaDon(viTri, viTri == kViTri40 ? 99 : 100), "application/json");
    });
    chay();
    auto c = client();
    EXPECT_EQ(c.layDon(kMocThu, ghiDong()).size(), 3999);
    EXPECT_FALSE(c.daCatBot());
    EXPECT_TRUE(dong.isEmpty());
    EXPECT_EQ(yeuCauApi().size(), 40u);
}

TEST_F(KiotVietGia, DateOnlyModeAfterARefusedDateTime) {
    // 400 on the first request: the switch line once, offset 0 again by date only, budget 4 from then on.
    veTheoThuTu();
    std::atomic<int> lan = 0;
    std::atomic<bool> tuChoiHet = false;
    may->get("/kiotviet/invoices", [&](const httplib::Request& req, httplib::Response& res) {
        const std::string moc = req.get_param_value("lastModifiedFrom");
        if (tuChoiHet) {
            res.status = 400;
            res.set_content("{\"message\":\"lastModifiedFrom sai\"}", "application/json");
            return;
        }
        if (moc.size() > 10) {
            res.status = 400;
            return;
        }
        res.status = lan++ == 0 ? 503 : 200;
        const int viTri = std::stoi(req.get_param_value("currentItem"));
        res.set_content(trangHoaDon(viTri, viTri == 0 ? 100 : 5), "application/json");
    });
    chay();
    auto c = client();
    EXPECT_EQ(c.layDon(kMocThu, ghiDong()).size(), 105);
    EXPECT_EQ(dong, QStringList{QStringLiteral("KiotViet không nhận mốc kèm giờ, chuyển sang lọc theo ngày.")});
    const auto api = yeuCauApi();
    ASSERT_EQ(api.size(), 4u);
    EXPECT_NE(api[0].target.find("lastModifiedFrom=2026-11-10%2016%3A00%3A00&"), std::string::npos);
    EXPECT_NE(api[1].target.find("lastModifiedFrom=2026-11-10&pageSize=100&currentItem=0&"), std::string::npos);
    EXPECT_EQ(api[1].target, api[2].target);  // the 503 was retried
    EXPECT_NE(api[3].target.find("lastModifiedFrom=2026-11-10&pageSize=100&currentItem=99&"), std::string::npos);
    EXPECT_EQ(ngu.cacLanNgu(), std::vector<double>{1});

    // Every fetch starts with date and time again; a 400 in date-only mode fails the fetch.
    tuChoiHet = true;
    dong.clear();
    try {
        c.layDon(kMocThu, ghiDong());
        FAIL();
    } catch (const LoiNguonDon& e) {
        EXPECT_EQ(e.status, 400);
        EXPECT_EQ(moTaLoiNguonDon(e, QStringLiteral("KiotViet")),
                  QStringLiteral("KiotViet từ chối yêu cầu (400). Nguyên văn: {\"message\":\"lastModifiedFrom sai\"}"));
    }
    EXPECT_EQ(dong.size(), 1);
    const auto sau = yeuCauApi();
    ASSERT_EQ(sau.size(), 6u);
    EXPECT_NE(sau[4].target.find("lastModifiedFrom=2026-11-10%2016%3A00%3A00&"), std::string::npos);
    EXPECT_NE(sau[5].target.find("lastModifiedFrom=2026-11-10&"), std::string::npos);
    EXPECT_FALSE(c.daCatBot());
}

TEST_F(KiotVietGia, RefusalOnTheFortiethRequestKeepsWhatWasCollected) {
    veTheoThuTu();
    may->get("/kiotviet/invoices", [&](const httplib::Request& req, httplib::Response& res) {
        const int viTri = std::stoi(req.get_param_value("currentItem"));
        if (viTri == kViTri40) {
            res.status = 400;
            return;
        }
        res.set_content(trangHoaDon(viTri, 100), "application/json");
    });
    chay();
    auto c = client();
    EXPECT_EQ(c.layDon(kMocThu, ghiDong()).size(), 3900);
    EXPECT_TRUE(c.daCatBot());
    EXPECT_EQ(dong,
              (QStringList{QStringLiteral("KiotViet không nhận mốc kèm giờ, chuyển sang lọc theo ngày."),
                           QStringLiteral("KiotViet còn hoá đơn chưa lấy hết — giữ mốc lại, lượt sau lấy tiếp.")}));
    EXPECT_EQ(yeuCauApi().size(), 40u);
}

TEST_F(KiotVietGia, FailuresEndTheFetchWithTheirTexts) {
    const struct {
        int status;
        std::string than;
        QString moTa;
        size_t soLanGui;
    } cacCa[] = {
        {200, "not json", QStringLiteral("KiotViet trả về dữ liệu không đọc được."), 1},
        {404, "", QStringLiteral("Không tìm thấy dữ liệu (404). Kiểm tra lại tên cửa hàng."), 1},
        {403, "", QStringLiteral("KiotViet từ chối khoá. Kiểm tra lại khoá và quyền đọc đơn hàng."), 1},
        {429, "", QStringLiteral("Gọi quá nhanh, KiotViet tạm chặn. App sẽ tự thử lại."), 2},
        {500, "", QStringLiteral("Máy chủ KiotViet đang lỗi. Thử lại sau ít phút."), 2},
    };
    for (const auto& ca : cacCa) {
        mayMoi();
        veTheoThuTu();
        may->get("/kiotviet/invoices", [&](const httplib::Request&, httplib::Response& res) {
            res.status = ca.status;
            res.set_content(ca.than, "text/plain");
        });
        chay();
        auto c = client();
        try {
            c.layDon(kMocThu, ghiDong());
            ADD_FAILURE() << ca.status;
        } catch (const std::exception& e) {
            EXPECT_EQ(moTaLoiNguonDon(e, QStringLiteral("KiotViet")), ca.moTa);
        }
        EXPECT_EQ(yeuCauApi().size(), ca.soLanGui) << ca.status;
        EXPECT_TRUE(dong.isEmpty());
    }
}

TEST_F(KiotVietGia, BadShopNameIsRefusedBeforeAnythingIsSent) {
    chay();
    for (const QString& ten : {QStringLiteral("my shop"), QStringLiteral("shóp"), QStringLiteral("shop\r\nX-Evil: 1"),
                               QStringLiteral("-shop"), QStringLiteral("https:///x"), QStringLiteral("a_b")}) {
        auto c = client(ten);
        for (int thao = 0; thao < 2; ++thao) {
            try {
                thao ? c.thuKetNoi() : (c.layDon(kMocThu, ghiDong()), QString());
                ADD_FAILURE() << ten.toStdString();
            } catch (const LoiNguonDon& e) {
                EXPECT_EQ(e.status, 0);
                EXPECT_EQ(
                    moTaLoiNguonDon(e, QStringLiteral("KiotViet")),
                    QStringLiteral("Tên cửa hàng KiotViet không hợp lệ: chỉ được có chữ không dấu, chữ số và dấu "
                                   "gạch ngang, đúng phần trước .kiotviet.vn trên thanh địa chỉ. Chưa gửi yêu cầu "
                                   "nào."));
            }
        }
    }
    EXPECT_EQ(soLanGui(), 0u);
}

TEST_F(KiotVietGia, EchoedSecretsNeverReachTheTexts) {
    const std::string biMat = "s+&=ecret";
    may->post("/kiotviet/connect/token", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"access_token":"eyJ.SIGNED.tok/en","expires_in":3600})", "application/json");
    });
    may->get("/kiotviet/invoices", [&](const httplib::Request& req, httplib::Response& res) {
        res.status = 400;
        res.set_content("Bad request " + req.target + " with " + req.get_header_value("Authorization") +
                            " for client s%2B%26%3Decret (" + biMat + ")",
                        "text/plain");
    });
    chay();
    auto c = client();
    try {
        c.layDon(kMocThu, ghiDong());
        FAIL();
    } catch (const LoiNguonDon& e) {
        const QString tatCa = e.nguyenVan + e.url + e.thongDiep + e.chiTiet() + moTaLoiNguonDon(e, "KiotViet") +
                              QString::fromUtf8(e.what()) + dong.join('\n');
        EXPECT_TRUE(e.nguyenVan.startsWith(QStringLiteral("Bad request /kiotviet/invoices?")));
        for (const char* bi : {"SIGNED", "ecret", "s%2B%26%3D"}) {
            EXPECT_FALSE(tatCa.contains(QLatin1String(bi))) << bi << " in " << tatCa.toStdString();
        }
    }
}

TEST_F(KiotVietGia, MapsEveryFieldOfTheInvoiceFixture) {
    auto c = client();
    const json hoaDon = json::parse(R"({
      "id": 9001, "code": "HD009001", "purchaseDate": "2026-12-01T09:15:00.0000000",
      "createdDate": "2026-12-01T09:10:00", "modifiedDate": "2026-12-01T10:00:00",
      "customerName": "  Trần Thị B  ", "customerPhone": "0901", "status": 1, "deliveryCode": "SHOULD-NOT-WIN",
      "invoiceDelivery": {"contactNumber": "0902", "receiver": "Người nhận", "address": "1 Lý Thường Kiệt",
                          "deliveryCode": "GHN123", "partnerDelivery": {"name": "Giao Hàng Nhanh"}},
      "deliveryDetail": {"contactNumber": "0903"},
      "invoiceDetails": [
        {"productName": "Áo thun", "productFullName": "Áo thun trắng", "productCode": "AT-01", "quantity": 2},
        {"productFullName": "Quần jean", "productCode": 55, "quantity": "3"},
        {"quantity": 1.9}
      ]
    })");
    const auto d = c.chuyenHoaDon(hoaDon);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->id, QStringLiteral("9001"));
    EXPECT_EQ(d->orderNumber, QStringLiteral("HD009001"));
    EXPECT_EQ(d->name, QStringLiteral("HD009001"));
    EXPECT_EQ(d->createdAt, QStringLiteral("2026-12-01T09:15:00.0000000"));
    EXPECT_EQ(d->updatedAt, QStringLiteral("2026-12-01T10:00:00"));
    EXPECT_EQ(d->customerName, QStringLiteral("Trần Thị B"));
    EXPECT_EQ(d->customerPhone, QStringLiteral("0903"));  // deliveryDetail beats invoiceDelivery
    EXPECT_EQ(d->shippingAddress, QStringLiteral("1 Lý Thường Kiệt"));
    EXPECT_EQ(d->trackings, (QList<MaVanDon>{{QStringLiteral("GHN123"), QStringLiteral("Giao Hàng Nhanh")}}));
    ASSERT_EQ(d->items.size(), 3);
    EXPECT_EQ(d->items[0], (MatHang{QStringLiteral("Áo thun"), std::nullopt, QStringLiteral("AT-01"), 2}));
    EXPECT_EQ(d->items[1], (MatHang{QStringLiteral("Quần jean"), std::nullopt, QStringLiteral("55"), 3}));
    EXPECT_EQ(d->items[2], (MatHang{QStringLiteral("Sản phẩm"), std::nullopt, std::nullopt, 1}));
    EXPECT_EQ(d->itemCount, 6);
    EXPECT_FALSE(d->cancelledAt);
    EXPECT_EQ(d->syncedAt, QStringLiteral("2025-12-10T09:00:00Z"));

    // The fallbacks, one field at a time.
    const json thua = json::parse(R"({
      "id": "A", "createdDate": "2026-12-02T08:00:00", "status": "4", "contactNumber": "0911",
      "deliveryCode": "VTP9", "invoiceDelivery": {"receiver": "Người nhận"}, "deliveryDetail": "none",
      "invoiceDetails": [{"quantity": 9223372036854775807}, {"quantity": 5}, "x"]
    })");
    const auto t = c.chuyenHoaDon(thua);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->createdAt, QStringLiteral("2026-12-02T08:00:00"));
    EXPECT_EQ(t->updatedAt, t->createdAt);
    EXPECT_EQ(t->cancelledAt, t->createdAt);  // status 4 as text, no modifiedDate
    EXPECT_EQ(t->customerName, QStringLiteral("Người nhận"));
    EXPECT_EQ(t->customerPhone, QStringLiteral("0911"));
    EXPECT_FALSE(t->shippingAddress);
    EXPECT_EQ(t->trackings, (QList<MaVanDon>{{QStringLiteral("VTP9"), std::nullopt}}));
    EXPECT_TRUE(t->items.isEmpty());  // a list holding a non-object does not count
    EXPECT_EQ(t->itemCount, 0);

    const auto huy = c.chuyenHoaDon(json::parse(R"({"id":1,"status":4,"modifiedDate":"2026-12-03T00:00:00",
        "invoiceDetails":[{"quantity":9223372036854775807},{"quantity":5}]})"));
    ASSERT_TRUE(huy);
    EXPECT_EQ(huy->cancelledAt, QStringLiteral("2026-12-03T00:00:00"));
    EXPECT_EQ(huy->itemCount, std::numeric_limits<qint64>::max());  // held at the bound

    const auto rong = c.chuyenHoaDon(json::parse(R"({"id":2})"));
    ASSERT_TRUE(rong);
    EXPECT_EQ(rong->createdAt, QStringLiteral("2025-12-10T09:00:00Z"));
    EXPECT_FALSE(rong->customerName);
    EXPECT_FALSE(rong->customerPhone);
    EXPECT_TRUE(rong->trackings.isEmpty());
    EXPECT_FALSE(c.chuyenHoaDon(json::parse(R"({"code":"HD1"})")));
    EXPECT_FALSE(c.chuyenHoaDon(json::parse(R"({"id":null})")));
}

TEST_F(KiotVietGia, RawSampleIsTheFirstInvoiceEverReceived) {
    veTheoThuTu();
    std::atomic<int> lan = 0;
    may->get("/kiotviet/invoices", [&](const httplib::Request&, httplib::Response& res) {
        const int i = lan++;
        res.set_content(i == 0 ? R"({"data":[]})" : trangHoaDon(i, 2), "application/json");
    });
    chay();
    auto c = client();
    c.layDon(kMocThu, ghiDong());
    EXPECT_FALSE(c.thoGanNhat());
    c.layDon(kMocThu, ghiDong());
    c.layDon(kMocThu, ghiDong());
    EXPECT_EQ(c.thoGanNhat(),
              QStringLiteral("{\n  \"code\": \"HD1\",\n  \"id\": 1,\n  \"modifiedDate\": \"2026-12-01T10:00:00\"\n}"));
}
