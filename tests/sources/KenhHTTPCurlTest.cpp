#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "MayChuGia.h"
#include "sources/KenhHTTPCurl.h"
#include "sources/LoiKetNoi.h"
#include "sources/LoiNguonDon.h"

namespace {
const auto khongDung = [] { return false; };

YeuCauHTTP yeuCau(const QString& url, std::chrono::milliseconds cho = std::chrono::seconds(5)) {
    YeuCauHTTP y;
    y.url = url;
    y.thoiGianCho = cho;
    return y;
}
}  // namespace

TEST(KenhHTTPCurl, SendsTheRequestAsGivenAndReadsHeadersCaseInsensitively) {
    MayChuGia may;
    may.post("/form", [](const httplib::Request&, httplib::Response& res) {
        res.status = 201;
        res.set_header("x-haravan-api-call-limit", "3/40");
        res.set_content("{\"ok\":true}", "application/json");
    });
    may.chay();
    YeuCauHTTP y = yeuCau(may.goc() + QStringLiteral("/form?a=%2B%26&b=1"));
    y.phuongThuc = "POST";
    y.than = "secret=a%2Bb";
    y.themTieuDe("Content-Type", "application/x-www-form-urlencoded");
    y.themTieuDe("Authorization", "Bearer T");
    KenhHTTPCurl kenh;
    const PhanHoiHTTP ph = kenh.gui(y, khongDung);
    EXPECT_EQ(ph.status, 201);
    EXPECT_EQ(ph.than, QByteArray("{\"ok\":true}"));
    EXPECT_EQ(ph.docTieuDe("X-Haravan-Api-Call-Limit"), QByteArray("3/40"));
    EXPECT_FALSE(ph.docTieuDe("Retry-After"));
    const auto nhan = may.daNhan();
    ASSERT_EQ(nhan.size(), 1u);
    EXPECT_EQ(nhan[0].target, "/form?a=%2B%26&b=1");
    EXPECT_EQ(nhan[0].than, "secret=a%2Bb");
    EXPECT_EQ(nhan[0].tieuDeDau("Authorization"), "Bearer T");
}

TEST(KenhHTTPCurl, RedirectsKeepCredentialsOnlyOnTheSameHost) {
    MayChuGia khac;
    khac.get("/dich", [](const httplib::Request&, httplib::Response& res) { res.set_content("khac", "text/plain"); });
    khac.chay();
    MayChuGia may;
    const std::string dich = (khac.goc() + QStringLiteral("/dich")).toStdString();
    may.get("/cung", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/dich", 302); });
    may.get("/dich", [](const httplib::Request&, httplib::Response& res) { res.set_content("cung", "text/plain"); });
    may.get("/khac", [&](const httplib::Request&, httplib::Response& res) { res.set_redirect(dich, 301); });
    may.post("/post307", [&](const httplib::Request&, httplib::Response& res) { res.set_redirect(dich, 307); });
    may.chay();

    KenhHTTPCurl kenh;
    auto yc = [&](const char* duong) {
        YeuCauHTTP y = yeuCau(may.goc() + QLatin1String(duong));
        y.themTieuDe("Authorization", "Bearer BIMAT");
        y.themTieuDe("X-Api-Key", "BIMAT2");
        y.themTieuDe("Accept", "application/json");
        return y;
    };
    EXPECT_EQ(kenh.gui(yc("/cung"), khongDung).than, QByteArray("cung"));
    ASSERT_EQ(may.daNhan().size(), 2u);
    EXPECT_EQ(may.daNhan()[1].tieuDeDau("Authorization"), "Bearer BIMAT");

    const PhanHoiHTTP ph = kenh.gui(yc("/khac"), khongDung);
    EXPECT_EQ(ph.than, QByteArray("khac"));
    ASSERT_EQ(khac.daNhan().size(), 1u);
    EXPECT_FALSE(khac.daNhan()[0].coTieuDe("Authorization"));
    EXPECT_FALSE(khac.daNhan()[0].coTieuDe("X-Api-Key"));
    EXPECT_EQ(khac.daNhan()[0].tieuDeDau("Accept"), "application/json");

    // A body (a token form, say) is never resent to another host.
    YeuCauHTTP post = yc("/post307");
    post.phuongThuc = "POST";
    post.than = "client_secret=BIMAT3";
    EXPECT_EQ(kenh.gui(post, khongDung).status, 307);
    EXPECT_EQ(khac.daNhan().size(), 1u);
}

TEST(KenhHTTPCurl, RefusesPlainHttpBeyondLoopbackAndBadHeadersWithoutSending) {
    MayChuGia may;
    may.get("/x", [](const httplib::Request&, httplib::Response& res) { res.set_content("x", "text/plain"); });
    may.chay();
    KenhHTTPCurl kenh;
    EXPECT_THROW(kenh.gui(yeuCau(QStringLiteral("http://example.com/x")), khongDung), LoiNguonDon);
    EXPECT_THROW(kenh.gui(yeuCau(QStringLiteral("ftp://127.0.0.1/x")), khongDung), LoiNguonDon);
    EXPECT_THROW(kenh.gui(yeuCau(QStringLiteral("khong phai url")), khongDung), LoiNguonDon);
    YeuCauHTTP y = yeuCau(may.goc() + QStringLiteral("/x"));
    y.themTieuDe("Authorization", "Bearer a\r\nX-Injected: 1");
    EXPECT_THROW(kenh.gui(y, khongDung), LoiNguonDon);
    EXPECT_TRUE(may.daNhan().empty());
    EXPECT_EQ(kenh.gui(yeuCau(QStringLiteral("http://localhost:%1/x").arg(may.cong())), khongDung).status, 200);
}

TEST(KenhHTTPCurl, ClosedPortSlowServerAndCancellation) {
    const int congDong = MayChuGia::congDaDong();
    KenhHTTPCurl kenh;
    try {
        kenh.gui(yeuCau(QStringLiteral("http://127.0.0.1:%1/").arg(congDong)), khongDung);
        FAIL();
    } catch (const LoiKetNoi& e) {
        EXPECT_EQ(e.loai(), LoiKetNoi::Loai::ketNoi) << e.what();
    }

    MayChuGia cham;
    std::atomic<bool> thoat = false;
    cham.get("/cham", [&](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 100 && !thoat; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        res.set_content("muon", "text/plain");
    });
    cham.chay();
    const auto batDau = std::chrono::steady_clock::now();
    try {
        kenh.gui(yeuCau(cham.goc() + QStringLiteral("/cham"), std::chrono::milliseconds(300)), khongDung);
        FAIL();
    } catch (const LoiKetNoi& e) {
        EXPECT_EQ(e.loai(), LoiKetNoi::Loai::hetGio);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - batDau, std::chrono::milliseconds(1500));

    std::atomic<bool> dung = false;
    std::thread huy([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        dung = true;
    });
    EXPECT_THROW(kenh.gui(yeuCau(cham.goc() + QStringLiteral("/cham")), [&] { return dung.load(); }), LoiDaHuy);
    huy.join();
    thoat = true;
}
