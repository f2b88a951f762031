#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>
#include <chrono>
#include <tuple>

#include "store/BanGhiVideo.h"
#include "store/DocJson.h"
#include "store/DonHang.h"
#include "gia/store/DongHoGia.h"

namespace {
std::string_view sv(const char* s) {
    return std::string_view(s);
}
}  // namespace

// The id is read off the clock it is handed, not the system's: a test clock at a known millisecond names it.
TEST(BanGhiVideoId, TheoDongHoDuocTruyenVaKhongTrungTrongCungMiliGiay) {
    DongHoGia dh;
    dh.datGioThuc(std::chrono::system_clock::time_point(std::chrono::milliseconds(1'710'000'000'123)));
    const QString a = BanGhiVideo::taoId(dh);
    const QString b = BanGhiVideo::taoId(dh);
    const QRegularExpression mau(QStringLiteral("^r_1710000000123_[0-9A-F-]{6}$"));
    EXPECT_TRUE(mau.match(a).hasMatch()) << a.toStdString();
    EXPECT_TRUE(mau.match(b).hasMatch()) << b.toStdString();
    EXPECT_NE(a, b);
}

// Linking an order replaces every order field the record had, the absent ones too, and the tracking number is
// the order's first entry even when that one is blank.
TEST(BanGhiVideoDon, GanDonThayMoiTruongCuaDon) {
    // A record linked to another order before.
    BanGhiVideo cu;
    cu.code = QStringLiteral("MA");
    std::tie(cu.orderId, cu.orderNumber, cu.trackingNumber, cu.customerName, cu.customerPhone) =
        std::tuple(QStringLiteral("cu"), QStringLiteral("#9"), QStringLiteral("GHN9"), QStringLiteral("Chị Cũ"),
                   QStringLiteral("0900"));
    const struct {
        const char* ten;
        QList<MaVanDon> trackings;
        std::optional<QString> mongDoi;
    } cac[] = {
        {"khongCoMa", {}, std::nullopt},
        {"maDau", {{QStringLiteral("GHN1"), std::nullopt}, {QStringLiteral("GHN2"), std::nullopt}}, QStringLiteral("GHN1")},
        {"maDauRong", {{QString(), std::nullopt}, {QStringLiteral("GHN2"), std::nullopt}}, QString()},
    };
    for (const auto& c : cac) {
        DonHang d;
        d.id = QStringLiteral("1001");
        d.customerName = QStringLiteral("Anh Mới");
        d.trackings = c.trackings;
        BanGhiVideo bg = cu;
        bg.ganDon(d);
        EXPECT_EQ(bg.orderId, QStringLiteral("1001")) << c.ten;
        EXPECT_EQ(bg.orderNumber, std::nullopt) << c.ten;
        EXPECT_EQ(bg.trackingNumber, c.mongDoi) << c.ten;
        EXPECT_EQ(bg.customerName, QStringLiteral("Anh Mới")) << c.ten;
        EXPECT_EQ(bg.customerPhone, std::nullopt) << c.ten;
        EXPECT_EQ(bg.code, QStringLiteral("MA")) << c.ten;
    }
}

TEST(DonHangMa, TatCaMa) {
    DonHang d;
    d.id = QStringLiteral("ab-9");
    EXPECT_EQ(d.tatCaMa(), QStringList{QStringLiteral("AB9")});
    d.orderNumber = QStringLiteral("1001");
    d.name = QStringLiteral("#1001");
    d.trackings = {{QStringLiteral("ghn 123"), QStringLiteral("GHN")},
                   {QStringLiteral("GHN-123"), std::nullopt},
                   {QString(), std::nullopt}};
    const QStringList ma = d.tatCaMa();
    EXPECT_EQ(QSet<QString>(ma.begin(), ma.end()),
              (QSet<QString>{QStringLiteral("1001"), QStringLiteral("AB9"), QStringLiteral("GHN123")}));
    EXPECT_EQ(ma.size(), 3);
    EXPECT_TRUE(DonHang{}.tatCaMa().isEmpty());
}

TEST(DonHangMa, TuJsonGiongTatCaMa) {
    // Loading takes an order's codes straight from its line; they must be the codes of the decoded order,
    // first mentions in the same order, whatever the line holds.
    const char* const bang[] = {
        R"({"id":"ab-9"})",
        R"({"id":"1","orderNumber":"#1001","name":"1001","trackings":[{"trackingNumber":"ghn 123"},)"
        R"({"trackingNumber":"GHN-123","company":"GHN"},{"trackingNumber":""},{},{"trackingNumber":5}]})",
        R"({"id":"x","orderNumber":7,"name":null,"trackings":[{"trackingNumber":"a"},"b"]})",
        R"({"id":"x","trackings":{"trackingNumber":"a"}})",
        R"({"id":"x","trackings":[{"trackingNumber":"a"},null]})",
        R"({"id":"---","orderNumber":"x","trackings":[{"trackingNumber":"X"},{"trackingNumber":"#x"}]})",
        R"({"id":"đơn","trackings":[{"trackingNumber":"e\u0301"},{"trackingNumber":"\u00e9"},{"trackingNumber":"É"}]})",
        R"({"orderNumber":"1","trackings":[{"trackingNumber":"a"}]})",
        R"({"id":5,"orderNumber":"1"})",
    };
    for (const char* dong : bang) {
        SCOPED_TRACE(dong);
        const auto o = DocJson::docDoiTuong(dong);
        ASSERT_TRUE(o);
        QStringList ma;
        QString tam;
        DonHang::choTungMa(*o, tam, [&](const QString& m) {
            EXPECT_FALSE(m.isEmpty());
            if (!ma.contains(m)) ma.append(m);
        });
        EXPECT_EQ(ma, DonHang::maTuJson(*o).tatCaMa());
    }
}

TEST(MatHangMa, GhepKhongPhanCach) {
    MatHang a{QStringLiteral("B"), std::nullopt, QStringLiteral("A"), 1};
    MatHang b{QString(), std::nullopt, QStringLiteral("AB"), 1};
    EXPECT_EQ(a.id(), QStringLiteral("AB"));
    EXPECT_EQ(a.id(), b.id());
    EXPECT_NE(a, b);
}

TEST(KhaiBaoHoanVanDe, TheoDanhSachVanDe) {
    struct {
        QStringList dk;
        bool coVanDe;
    } const bang[] = {
        {{"co-vet-xuoc", "thieu-phu-kien"}, true},
        {{"con-nguyen-seal", "co-vet-xuoc"}, false},
        {{"SAI-SERIAL"}, false},
        {{"sai-san-pham"}, true},
        {{}, false},
    };
    for (const auto& c : bang) {
        KhaiBaoHoan k;
        k.conditions = c.dk;
        EXPECT_EQ(k.coVanDe(), c.coVanDe) << c.dk.join(',').toStdString();
    }
}

TEST(MaHoaBanGhi, ChiKhoaBatBuocTheoThuTu) {
    BanGhiVideo v;
    v.id = QStringLiteral("v1");
    v.filePath = QStringLiteral("/data/videos/2026/03/01/a.mp4");
    EXPECT_EQ(v.thanhDong().toStdString(),
              R"({"id":"v1","code":"","filePath":"/data/videos/2026/03/01/a.mp4","fileName":"","bytes":0,)"
              R"("sha256":"","startedAt":"","endedAt":"","durationSec":0})");

    DonHang d;
    d.id = QStringLiteral("7");
    d.createdAt = QStringLiteral("2026-03-01T10:00:00Z");
    EXPECT_EQ(d.thanhDong().toStdString(),
              R"({"id":"7","createdAt":"2026-03-01T10:00:00Z","updatedAt":"","items":[],"trackings":[]})");
}

TEST(MaHoaBanGhi, DayDuVaDocLai) {
    BanGhiVideo v;
    v.id = QStringLiteral("v2");
    v.kind = QStringLiteral("return");
    v.code = QStringLiteral("GHN\"1\\2");
    v.orderId = QStringLiteral("o/1");
    v.orderNumber = QStringLiteral("1001");
    v.trackingNumber = QStringLiteral("GHN1");
    v.customerName = QStringLiteral("Nguyễn Thị Ánh");
    v.customerPhone = QStringLiteral("0901");
    v.serials = QStringList{QStringLiteral("S1"), QStringLiteral("S2")};
    v.filePath = QStringLiteral("/x/y.mp4");
    v.fileName = QStringLiteral("y.mp4");
    v.bytes = 9'000'000'000LL;
    v.sha256 = QString(64, u'a');
    v.startedAt = QStringLiteral("2026-03-01T10:00:00Z");
    v.endedAt = QStringLiteral("2026-03-01T10:01:00Z");
    v.durationSec = 60;
    v.resolution = QStringLiteral("1920x1080");
    v.cameraLabel = QStringLiteral("Cam\n1");
    v.shopName = QStringLiteral("Shop");
    v.keepForever = true;
    v.deleted = false;
    v.invalid = false;
    v.returnInfo =
        KhaiBaoHoan{QStringLiteral("khac"),    {QStringLiteral("sai-serial")}, QStringLiteral("SN"),
                    QStringLiteral("ghi chú"), QStringLiteral("cho-xu-ly"),    QStringLiteral("2026-03-01T10:02:00Z")};
    const QByteArray dong = v.thanhDong();
    EXPECT_TRUE(dong.startsWith(R"({"id":"v2","kind":"return","code":"GHN\"1\\2","orderId":"o/1","orderNumber")"));
    EXPECT_TRUE(dong.contains(R"("cameraLabel":"Cam\n1")"));
    EXPECT_TRUE(dong.contains("Nguyễn Thị Ánh")) << "non-ASCII letters are written as plain UTF-8";
    EXPECT_TRUE(dong.endsWith(R"("keepForever":true,"deleted":false,"invalid":false,"returnInfo":{"reason":"khac",)"
                              R"("conditions":["sai-serial"],"serial":"SN","note":"ghi chú","decision":"cho-xu-ly",)"
                              R"("savedAt":"2026-03-01T10:02:00Z"}})"));
    EXPECT_FALSE(dong.contains("\\/"));

    const auto lai = BanGhiVideo::docDong(dong.toStdString());
    ASSERT_TRUE(lai);
    EXPECT_EQ(lai->thanhDong(), dong);
}

TEST(DocKhoanDung, GiaTriThieuVaSaiKieu) {
    const auto d = DonHang::docDong(sv(R"({"createdAt":"c","id":"1"})"));
    ASSERT_TRUE(d);
    EXPECT_EQ(d->updatedAt, QStringLiteral("c"));
    EXPECT_TRUE(d->items.isEmpty());
    EXPECT_TRUE(d->trackings.isEmpty());
    EXPECT_FALSE(d->orderNumber || d->name || d->customerName || d->customerPhone || d->shippingAddress ||
                 d->itemCount || d->cancelledAt || d->syncedAt);

    // An empty value is a value: it wins over the default.
    const auto rong = DonHang::docDong(sv(R"({"id":"1","createdAt":"c","updatedAt":"","items":[{"title":""}]})"));
    EXPECT_EQ(rong->updatedAt, QString());
    EXPECT_EQ(rong->items.at(0).title, QString());

    const auto sai = DonHang::docDong(sv(
        R"({"id":5,"orderNumber":1001,"createdAt":null,"items":[{"quantity":"3"},{"title":"T","quantity":2,"sku":7}],)"
        R"("trackings":[{"trackingNumber":"A"},"B"],"itemCount":2.5,"cancelledAt":{},"extra":[1]})"));
    ASSERT_TRUE(sai);
    EXPECT_EQ(sai->id, QString());
    EXPECT_FALSE(sai->orderNumber);
    EXPECT_EQ(sai->createdAt, QString());
    ASSERT_EQ(sai->items.size(), 2);
    EXPECT_EQ(sai->items[0].title, QStringLiteral("Sản phẩm"));
    EXPECT_EQ(sai->items[0].quantity, 0);
    EXPECT_EQ(sai->items[1].quantity, 2);
    EXPECT_FALSE(sai->items[1].sku);
    EXPECT_TRUE(sai->trackings.isEmpty()) << "one unreadable element discards the whole list";
    EXPECT_FALSE(sai->itemCount);
    struct {
        const char* so;
        std::optional<qint64> ra;
    } const soNguyen[] = {{"7", 7},
                          {"-7", -7},
                          {"3.0", 3},
                          {"1e3", 1000},
                          {"2.5", std::nullopt},
                          {"\"3\"", std::nullopt},
                          {"9223372036854775808", std::nullopt},
                          {"true", std::nullopt},
                          {"null", std::nullopt}};
    for (const auto& c : soNguyen) {
        const std::string dong = std::string(R"({"id":"1","itemCount":)") + c.so + "}";
        EXPECT_EQ(DonHang::docDong(dong)->itemCount, c.ra) << c.so;
    }
    EXPECT_FALSE(sai->cancelledAt);

    const auto v = BanGhiVideo::docDong(
        sv(R"({"id":"v","bytes":"12","durationSec":2.5,"serials":["a",1],"deleted":"true","keepForever":1,)"
           R"("returnInfo":{"conditions":"x","reason":3},"kind":"other"})"));
    ASSERT_TRUE(v);
    EXPECT_EQ(v->bytes, 0);
    EXPECT_EQ(v->durationSec, 0);
    EXPECT_FALSE(v->serials);
    EXPECT_FALSE(v->deleted);
    EXPECT_FALSE(v->keepForever);
    ASSERT_TRUE(v->returnInfo);
    EXPECT_TRUE(v->returnInfo->conditions.isEmpty());
    EXPECT_FALSE(v->returnInfo->reason);
    EXPECT_EQ(v->kind, QStringLiteral("other"));
    EXPECT_FALSE(v->loai());
    EXPECT_EQ(BanGhiVideo{}.loai(), LoaiVideo::dongGoi);

    for (const char* khongPhai : {"[1,2]", "\"x\"", "12", "{\"id\":", "", "{\"id\":\"\xff\"}"})
        EXPECT_FALSE(DonHang::docDong(sv(khongPhai))) << khongPhai;
}

TEST(MaHoaBanGhi, DonDayDuTheoThuTuTruong) {
    // Every key of an order and of its nested lines, in field order, then read back unchanged.
    DonHang d;
    d.id = QStringLiteral("gid/1");
    d.orderNumber = QStringLiteral("1001");
    d.name = QStringLiteral("#1001");
    d.createdAt = QStringLiteral("2026-03-01T10:00:00+07:00");
    d.updatedAt = QStringLiteral("2026-03-02T10:00:00+07:00");
    d.customerName = QStringLiteral("Trần Bảo");
    d.customerPhone = QStringLiteral("0901 234 567");
    d.shippingAddress = QStringLiteral("12/3 Lê Lợi");
    d.items = {{QStringLiteral("Áo"), QStringLiteral("Đỏ / L"), QStringLiteral("AO-1"), 2},
               {QStringLiteral("Mũ"), std::nullopt, std::nullopt, 1}};
    d.trackings = {{QStringLiteral("GHN1"), QStringLiteral("GHN")}, {QStringLiteral("VT2"), std::nullopt}};
    d.itemCount = 3;
    d.cancelledAt = QString();
    d.syncedAt = QStringLiteral("2026-03-02T03:00:00Z");
    const QByteArray dong = d.thanhDong();
    EXPECT_EQ(dong.toStdString(),
              R"({"id":"gid/1","orderNumber":"1001","name":"#1001","createdAt":"2026-03-01T10:00:00+07:00",)"
              R"("updatedAt":"2026-03-02T10:00:00+07:00","customerName":"Trần Bảo","customerPhone":"0901 234 567",)"
              R"("shippingAddress":"12/3 Lê Lợi","items":[{"title":"Áo","variantTitle":"Đỏ / L","sku":"AO-1",)"
              R"("quantity":2},{"title":"Mũ","quantity":1}],"trackings":[{"trackingNumber":"GHN1","company":"GHN"},)"
              R"({"trackingNumber":"VT2"}],"itemCount":3,"cancelledAt":"","syncedAt":"2026-03-02T03:00:00Z"})");
    const auto lai = DonHang::docDong(dong.toStdString());
    ASSERT_TRUE(lai);
    EXPECT_EQ(lai->items, d.items);
    EXPECT_EQ(lai->trackings, d.trackings);
    EXPECT_EQ(lai->cancelledAt, QString()) << "an empty cancellation text is still a cancellation";
    EXPECT_EQ(lai->thanhDong(), dong);
}
