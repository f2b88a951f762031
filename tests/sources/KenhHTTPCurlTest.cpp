#include <gtest/gtest.h>

#include <QHostAddress>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>

#include "MayChuGia.h"
#include "sources/BangMayChu.h"
#include "sources/DiaChiLoopback.h"
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
    may.post("/post303", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/dich", 303); });
    may.get("/vong", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/vong", 302); });
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

    // 303 turns a POST into a GET without its body, as browsers do.
    YeuCauHTTP post303 = yc("/post303");
    post303.phuongThuc = "POST";
    post303.than = "a=1";
    EXPECT_EQ(kenh.gui(post303, khongDung).than, QByteArray("cung"));
    const auto nhan = may.daNhan();
    EXPECT_EQ(nhan.back().phuongThuc, "GET");
    EXPECT_TRUE(nhan.back().than.empty());

    // A redirect loop ends after a bounded number of hops with the last redirect as the reply.
    const size_t truoc = may.daNhan().size();
    EXPECT_EQ(kenh.gui(yc("/vong"), khongDung).status, 302);
    EXPECT_EQ(may.daNhan().size() - truoc, size_t(KenhHTTPCurl::kSoLanChuyenHuongToiDa + 1));
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

// A TLS server on loopback with a self-signed certificate: the transport must refuse it rather than send
// a token to whoever answers.
TEST(KenhHTTPCurl, RefusesACertificateNobodyVouchesFor) {
    QTemporaryDir tam;
    QProcess taoChungChi;
    taoChungChi.start(QStringLiteral("openssl"), {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                                                  "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                                                  "-keyout", tam.filePath("k.pem"), "-out", tam.filePath("c.pem")});
    ASSERT_TRUE(taoChungChi.waitForFinished(30000));
    ASSERT_EQ(taoChungChi.exitCode(), 0);

    const int cong = MayChuGia::congDaDong();
    QProcess mayTLS;
    mayTLS.start(QStringLiteral("openssl"),
                 {"s_server", "-quiet", "-www", "-accept", QStringLiteral("127.0.0.1:%1").arg(cong), "-cert",
                  tam.filePath("c.pem"), "-key", tam.filePath("k.pem")});
    ASSERT_TRUE(mayTLS.waitForStarted(5000));
    bool sanSang = false;
    for (int i = 0; i < 100 && !sanSang; ++i) {
        QTcpSocket thu;
        thu.connectToHost(QHostAddress::LocalHost, quint16(cong));
        sanSang = thu.waitForConnected(50);
        if (!sanSang) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(sanSang);

    KenhHTTPCurl kenh;
    YeuCauHTTP y = yeuCau(QStringLiteral("https://127.0.0.1:%1/").arg(cong));
    y.themTieuDe("Authorization", "Bearer BIMAT");
    try {
        kenh.gui(y, khongDung);
        ADD_FAILURE() << "an untrusted certificate was accepted";
    } catch (const LoiKetNoi& e) {
        EXPECT_EQ(e.loai(), LoiKetNoi::Loai::ketNoi);
        EXPECT_NE(std::string(e.what()).find("certificate"), std::string::npos) << e.what();
    }
    mayTLS.kill();
    mayTLS.waitForFinished(5000);
}

TEST(BangMayChu, OnlyALoopbackHttpBaseReplacesTheRealHosts) {
    struct Ca {
        const char* bien;
        const char* haravan;
    };
    const Ca cacCa[] = {
        {"", "https://apis.haravan.com/com"},
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080/com"},
        {"http://localhost:9/", "http://localhost:9/com"},
        {"http://[::1]:9", "http://[::1]:9/com"},
        {"http://10.0.0.1:8080", "https://apis.haravan.com/com"},
        {"http://127.0.0.1.evil.example", "https://apis.haravan.com/com"},
        {"https://127.0.0.1:8080", "https://apis.haravan.com/com"},
        {"khong phai url", "https://apis.haravan.com/com"},
    };
    for (const auto& ca : cacCa) {
        qputenv("KORVANE_MAY_CHU_THU", ca.bien);
        EXPECT_EQ(BangMayChu::hienHanh().haravanGoc, QString::fromLatin1(ca.haravan)) << ca.bien;
    }
    qunsetenv("KORVANE_MAY_CHU_THU");
    EXPECT_EQ(BangMayChu::macDinh().sapoMau.arg(QStringLiteral("shop")),
              QStringLiteral("https://shop.mysapo.net/admin"));
    EXPECT_TRUE(laDiaChiLoopback(QStringLiteral("127.255.0.1")));
    EXPECT_FALSE(laDiaChiLoopback(QStringLiteral("127.0.0.256")));
    EXPECT_FALSE(laDiaChiLoopback(QStringLiteral("128.0.0.1")));
}
