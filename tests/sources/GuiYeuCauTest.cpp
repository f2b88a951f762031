#include <gtest/gtest.h>

#include <QUrl>

#include "gia/sources/BoNguGhiLai.h"
#include "sources/GuiYeuCau.h"
#include "gia/sources/KenhHTTPKichBan.h"
#include "sources/LoiKetNoi.h"
#include "sources/LoiNguonDon.h"
#include "sources/MoTaLoi.h"

namespace {

PhanHoiHTTP traLoi(int status, QByteArray than = {}, QList<QPair<QByteArray, QByteArray>> tieuDe = {}) {
    PhanHoiHTTP p;
    p.status = status;
    p.than = std::move(than);
    p.tieuDe = std::move(tieuDe);
    return p;
}

YeuCauHTTP yeuCau(const QString& url = QStringLiteral("https://api.example.test/orders?page=1")) {
    YeuCauHTTP y;
    y.url = url;
    return y;
}

const QString kTen = QStringLiteral("Sapo");

}  // namespace

TEST(GuiYeuCau, ServerErrorsAreRetriedWithDoublingWaitsThenReported) {
    KenhHTTPKichBan kenh([](const YeuCauHTTP&, int) { return traLoi(503, "down"); });
    BoNguGhiLai ngu;
    try {
        guiYeuCau(yeuCau(), kTen, 4, 0, kenh, ngu);
        FAIL() << "expected an error";
    } catch (const LoiNguonDon& e) {
        EXPECT_EQ(e.status, 503);
        EXPECT_EQ(e.thongDiep, QStringLiteral("Sapo trả lỗi 503"));
        EXPECT_EQ(e.nguyenVan, QStringLiteral("down"));
        EXPECT_EQ(moTaLoiNguonDon(e, kTen), QStringLiteral("Máy chủ Sapo đang lỗi. Thử lại sau ít phút."));
    }
    EXPECT_EQ(kenh.cacYeuCau().size(), 5u);
    EXPECT_EQ(ngu.cacLanNgu(), (std::vector<double>{1, 2, 4, 8}));
}

TEST(GuiYeuCau, ServerErrorThenSuccessReturnsTheBody) {
    KenhHTTPKichBan kenh([](const YeuCauHTTP&, int i) { return i < 2 ? traLoi(500) : traLoi(200, "{\"ok\":1}"); });
    BoNguGhiLai ngu;
    const auto kq = guiYeuCau(yeuCau(), kTen, 4, 0, kenh, ngu);
    EXPECT_EQ(kq.than, QByteArray("{\"ok\":1}"));
    EXPECT_EQ(kq.phanHoi.status, 200);
    EXPECT_EQ(ngu.cacLanNgu(), (std::vector<double>{1, 2}));
}

TEST(GuiYeuCau, RateLimitWaitFollowsRetryAfterStrictly) {
    struct Ca {
        std::optional<QByteArray> retryAfter;
        double cho;
    };
    const Ca cacCa[] = {
        {QByteArray("120"), 60}, {QByteArray("2.5"), 2.5}, {QByteArray("0"), 0},
        {std::nullopt, 1},       {QByteArray(""), 1},      {QByteArray(" 3"), 1},
        {QByteArray("3 "), 1},   {QByteArray("+4"), 4},    {QByteArray("Wed, 21 Oct 2026 07:28:00 GMT"), 1},
        {QByteArray("inf"), 60}, {QByteArray("nan"), 60},  {QByteArray("-5"), 1},
        {QByteArray("-inf"), 1}, {QByteArray("1e1"), 10},  {QByteArray("0x10"), 1},
    };
    for (const auto& ca : cacCa) {
        KenhHTTPKichBan kenh([&](const YeuCauHTTP&, int i) {
            if (i > 0) return traLoi(200);
            QList<QPair<QByteArray, QByteArray>> td;
            if (ca.retryAfter) td.append({"retry-after", *ca.retryAfter});
            return traLoi(429, {}, td);
        });
        BoNguGhiLai ngu;
        guiYeuCau(yeuCau(), kTen, 4, 0, kenh, ngu);
        ASSERT_EQ(ngu.cacLanNgu().size(), 1u);
        EXPECT_DOUBLE_EQ(ngu.cacLanNgu()[0], ca.cho) << (ca.retryAfter ? ca.retryAfter->toStdString() : "(absent)");
    }
}

TEST(GuiYeuCau, RateLimitOnTheLastAttemptThrowsAtOnce) {
    KenhHTTPKichBan kenh([](const YeuCauHTTP&, int) { return traLoi(429, "slow down"); });
    BoNguGhiLai ngu;
    try {
        guiYeuCau(yeuCau(), kTen, 4, 4, kenh, ngu);
        FAIL();
    } catch (const LoiNguonDon& e) {
        EXPECT_EQ(e.status, 429);
        EXPECT_EQ(e.nguyenVan, QString());
        EXPECT_EQ(e.url, QString());
        EXPECT_EQ(e.thongDiep, QStringLiteral("Vượt giới hạn gọi API của Sapo."));
    }
    EXPECT_TRUE(ngu.cacLanNgu().empty());
    EXPECT_EQ(kenh.cacYeuCau().size(), 1u);
}

TEST(GuiYeuCau, RefusalsAreNotRetriedAndCarryRedactedTexts) {
    struct Ca {
        int status;
        QByteArray than;
        QString nguyenVan;
        QString moTa;
    };
    const QByteArray dai600(600, 'a');
    QByteArray catGiua(499, 'a');
    catGiua.append("\xC4\x90xyz");  // "Đ" straddles byte 500
    const Ca cacCa[] = {
        {404, "not found", QStringLiteral("not found"),
         QStringLiteral("Không tìm thấy dữ liệu (404). Kiểm tra lại tên cửa hàng.")},
        {401, "{\"error\":\"bad access_token\"}", QStringLiteral("(đã ẩn nguyên văn vì có chứa khoá)"),
         QStringLiteral("Sapo từ chối khoá. Kiểm tra lại khoá và quyền đọc đơn hàng.")},
        {401, "ACCESS_TOKEN", QStringLiteral("ACCESS_TOKEN"),
         QStringLiteral("Sapo từ chối khoá. Kiểm tra lại khoá và quyền đọc đơn hàng.")},
        {422, "", QString(), QStringLiteral("Sapo từ chối yêu cầu (422). Nguyên văn: không có")},
        {400, dai600, QString(500, QLatin1Char('a')),
         QStringLiteral("Sapo từ chối yêu cầu (400). Nguyên văn: ") + QString(500, QLatin1Char('a'))},
        // The cut backs off to the character's start rather than emptying the excerpt.
        {400, catGiua, QString(499, QLatin1Char('a')),
         QStringLiteral("Sapo từ chối yêu cầu (400). Nguyên văn: ") + QString(499, QLatin1Char('a'))},
        {418, "teapot", QStringLiteral("teapot"), QStringLiteral("Sapo trả lỗi 418")},
    };
    for (const auto& ca : cacCa) {
        KenhHTTPKichBan kenh([&](const YeuCauHTTP&, int) { return traLoi(ca.status, ca.than); });
        BoNguGhiLai ngu;
        try {
            guiYeuCau(yeuCau(QStringLiteral("https://h/o?Api_Key=K1&page=2")), kTen, 4, 0, kenh, ngu);
            ADD_FAILURE() << ca.status;
        } catch (const LoiNguonDon& e) {
            EXPECT_EQ(e.status, ca.status);
            EXPECT_EQ(e.nguyenVan, ca.nguyenVan) << ca.status;
            EXPECT_EQ(e.url, QStringLiteral("https://h/o?Api_Key=\u2022\u2022\u2022&page=2"));
            EXPECT_EQ(moTaLoiNguonDon(e, kTen), ca.moTa);
        }
        EXPECT_EQ(kenh.cacYeuCau().size(), 1u);
        EXPECT_TRUE(ngu.cacLanNgu().empty());
    }
}

TEST(GuiYeuCau, TransportFailuresAreRetriedThenThrownUnchanged) {
    KenhHTTPKichBan kenh([](const YeuCauHTTP&, int) -> PhanHoiHTTP {
        throw LoiKetNoi(LoiKetNoi::Loai::ketNoi, QStringLiteral("Connection refused"));
    });
    BoNguGhiLai ngu;
    try {
        guiYeuCau(yeuCau(), kTen, 1, 0, kenh, ngu);
        FAIL();
    } catch (const LoiKetNoi& e) {
        EXPECT_STREQ(e.what(), "Connection refused");
        EXPECT_EQ(
            moTaLoiNguonDon(e, kTen),
            QStringLiteral("Không có kết nối Internet. App vẫn quay video bình thường, sẽ đồng bộ bù khi có mạng."));
        EXPECT_EQ(chiTietLoi(e), QString());
    }
    EXPECT_EQ(kenh.cacYeuCau().size(), 2u);
    EXPECT_EQ(ngu.cacLanNgu(), (std::vector<double>{1}));
}

TEST(GuiYeuCau, RepliesThatAreNotHttpBecomeAStrangeDataError) {
    KenhHTTPKichBan kenh([](const YeuCauHTTP&, int i) -> PhanHoiHTTP {
        if (i % 2) return traLoi(0);
        throw LoiKetNoi(LoiKetNoi::Loai::khongPhaiHTTP, QStringLiteral("weird"));
    });
    BoNguGhiLai ngu;
    try {
        guiYeuCau(yeuCau(), kTen, 4, 0, kenh, ngu);
        FAIL();
    } catch (const LoiNguonDon& e) {
        EXPECT_EQ(e.status, 0);
        EXPECT_EQ(e.thongDiep, QStringLiteral("Sapo trả về dữ liệu lạ."));
        EXPECT_EQ(moTaLoiNguonDon(e, kTen), e.thongDiep);
    }
    EXPECT_EQ(kenh.cacYeuCau().size(), 5u);
}

TEST(GuiYeuCau, CancellingDuringAWaitEndsWithoutAnotherSend) {
    KenhHTTPKichBan kenh([](const YeuCauHTTP&, int) { return traLoi(503); });
    BoNguGhiLai ngu;
    ngu.khiNgu([&](double) { ngu.huy(); });
    EXPECT_THROW(guiYeuCau(yeuCau(), kTen, 4, 0, kenh, ngu), LoiDaHuy);
    EXPECT_EQ(kenh.cacYeuCau().size(), 1u);
    EXPECT_THROW(guiYeuCau(yeuCau(), kTen, 4, 0, kenh, ngu), LoiDaHuy);
    EXPECT_EQ(kenh.cacYeuCau().size(), 1u);
}

TEST(GuiYeuCau, LiteralCredentialsNeverReachTheErrorTexts) {
    const QString khoa = QStringLiteral("Zq9+secret&=");
    KenhHTTPKichBan kenh([&](const YeuCauHTTP&, int) { return traLoi(400, ("bad key " + khoa).toUtf8()); });
    BoNguGhiLai ngu;
    try {
        guiYeuCau(yeuCau(QStringLiteral("https://h/o?shop=") + QString::fromLatin1(QUrl::toPercentEncoding(khoa))),
                  kTen, 4, 0, kenh, ngu, BoAnKhoa({khoa}));
        FAIL();
    } catch (const LoiNguonDon& e) {
        EXPECT_FALSE(e.nguyenVan.contains(QStringLiteral("Zq9"))) << e.nguyenVan.toStdString();
        EXPECT_FALSE(e.url.contains(QStringLiteral("Zq9"))) << e.url.toStdString();
        EXPECT_FALSE(moTaLoiNguonDon(e, kTen).contains(QStringLiteral("Zq9")));
    }
}

// A credential the server echoes across byte 500 is masked first; the longer mask then straddles the cut,
// which backs off to the mask's start instead of emptying the excerpt.
TEST(GuiYeuCau, AMaskAcrossTheCutLeavesTheTextBeforeIt) {
    const QString khoa = QStringLiteral("K1-secret");
    struct Ca {
        qsizetype truoc;
        QString nguyenVan;
    };
    const Ca cacCa[] = {
        {495, QString(495, QLatin1Char('a')) + kMatNa.left(1)},
        {497, QString(497, QLatin1Char('a')) + kMatNa.left(1)},
        {491, QString(491, QLatin1Char('a')) + kMatNa},
    };
    for (const Ca& ca : cacCa) {
        const QByteArray than = QByteArray(ca.truoc, 'a') + khoa.toUtf8() + QByteArray(100, 'b');
        KenhHTTPKichBan kenh([&](const YeuCauHTTP&, int) { return traLoi(400, than); });
        BoNguGhiLai ngu;
        try {
            guiYeuCau(yeuCau(), kTen, 4, 0, kenh, ngu, BoAnKhoa({khoa}));
            ADD_FAILURE();
        } catch (const LoiNguonDon& e) {
            EXPECT_EQ(e.nguyenVan, ca.nguyenVan) << ca.truoc;
            EXPECT_FALSE(e.nguyenVan.contains(khoa));
        }
    }
}

// A reply past the transport's size cap keeps the transport's words and is not asked for again.
TEST(GuiYeuCau, AReplyTooLargeIsThrownAtOnceWithTheTransportsText) {
    KenhHTTPKichBan kenh([](const YeuCauHTTP&, int) -> PhanHoiHTTP {
        throw LoiKetNoi(LoiKetNoi::Loai::quaLon, QStringLiteral("Máy chủ trả về dữ liệu quá lớn."));
    });
    BoNguGhiLai ngu;
    try {
        guiYeuCau(yeuCau(QStringLiteral("https://h/o?api_key=K1&page=2")), kTen, 4, 0, kenh, ngu);
        ADD_FAILURE();
    } catch (const LoiNguonDon& e) {
        EXPECT_EQ(e.status, 0);
        EXPECT_EQ(e.url, QStringLiteral("https://h/o?api_key=\u2022\u2022\u2022&page=2"));
        EXPECT_EQ(moTaLoiNguonDon(e, kTen), QStringLiteral("Máy chủ trả về dữ liệu quá lớn."));
    }
    EXPECT_EQ(kenh.cacYeuCau().size(), 1u);
    EXPECT_TRUE(ngu.cacLanNgu().empty());
}
