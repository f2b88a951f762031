#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sources/LapTrang.h"
#include "sources/LoiNguonDon.h"

namespace {

using S = LapTrang::SauTrang;
using K = LapTrang::KetThuc;

// What the loop asks for and where it stops, for platforms that end their list, never end it, and clients
// that stop of their own accord.
TEST(LapTrang, AsksPageAfterPageUntilTheLastOrTheBound) {
    struct Ca {
        const char* ten;
        std::vector<S> sau;  // what the client makes of pages 0, 1, …; past the end, "more follow"
        int tran;
        int soTrang;  // pages asked for
        K ketThuc;
    };
    const Ca cacCa[] = {
        {"one short page", {S::het}, 40, 1, K::het},
        {"last page before the bound", {S::conNua, S::conNua, S::het}, 3, 3, K::het},
        {"a platform that never ends its list", {}, 3, 3, K::conTrang},
        {"no bound to speak of still reads one page", {}, 0, 1, K::conTrang},
        {"the client stops with pages left", {S::conNua, S::dungLai}, 40, 2, K::conTrang},
    };
    for (const Ca& ca : cacCa) {
        std::vector<int> daHoi;
        const K kq = LapTrang::chay(
            [&](int trang) {
                daHoi.push_back(trang);
                return size_t(trang) < ca.sau.size() ? ca.sau[size_t(trang)] : S::conNua;
            },
            ca.tran);
        EXPECT_EQ(kq, ca.ketThuc) << ca.ten;
        ASSERT_EQ(int(daHoi.size()), ca.soTrang) << ca.ten;
        for (int i = 0; i < ca.soTrang; ++i) EXPECT_EQ(daHoi[size_t(i)], i) << ca.ten;
    }
}

// The bound is asked again after each page, so a client that changes how it asks can change it meanwhile; a
// throw from the client ends the loop and reaches the caller unchanged.
TEST(LapTrang, TheBoundMayChangeAndAThrowEndsTheLoop) {
    int tran = 10;
    int soTrang = 0;
    const K kq = LapTrang::chay(
        [&](int trang) {
            ++soTrang;
            if (trang == 1) tran = 3;
            return S::conNua;
        },
        [&] { return tran; });
    EXPECT_EQ(kq, K::conTrang);
    EXPECT_EQ(soTrang, 3);

    soTrang = 0;
    EXPECT_THROW(LapTrang::chay(
                     [&](int trang) {
                         ++soTrang;
                         if (trang == 2) throw std::runtime_error("refused");
                         return S::conNua;
                     },
                     40),
                 std::runtime_error);
    EXPECT_EQ(soTrang, 3);
}

// A page of an order list, as the clients that share it read it: three orders to a page and a bound of two
// pages, so that the last page passes the bound; an entry that maps to nothing still counts. Only the entries under the bound are seen and
// mapped, in their order on the page; the sample is the first entry of the first page that had one, kept even
// when that entry maps to nothing; what follows a page is its size against the page size, or the bound.
TEST(GomDon, MapsWhatTheBoundAllowsAndKeepsTheFirstSample) {
    std::mutex khoa;
    std::optional<QString> mau;
    GomDon gom(QStringLiteral("Thu"), 3, 2, khoa, mau);
    std::vector<std::string> daXem;
    const auto chuyen = [](const nlohmann::json& o) -> std::optional<DonHang> {
        if (!o.contains("id")) return std::nullopt;
        DonHang d;
        d.id = QString::fromStdString(o["id"].get<std::string>());
        return d;
    };
    const auto xem = [&](const nlohmann::json& o, qsizetype viTri) {
        daXem.push_back(std::to_string(viTri) + ":" + o.value("id", std::string("-")));
    };
    struct Ca {
        const char* than;
        S sau;
        std::vector<std::string> xem;
    };
    const Ca cacCa[] = {
        {R"({"orders":[]})", S::het, {}},
        {R"({"orders":[{"khac":1},{"id":"a"},{"id":"b"}]})", S::conNua, {"0:-", "1:a", "2:b"}},
        {R"({"orders":[{"id":"c"}]})", S::het, {"0:c"}},
        {R"({"orders":[{"id":"d"},{"id":"e"},{"id":"f"}]})", S::dungLai, {"0:d", "1:e"}},
    };
    for (const Ca& ca : cacCa) {
        daXem.clear();
        EXPECT_EQ(gom.doc(ca.than, "orders", chuyen, xem), ca.sau) << ca.than;
        EXPECT_EQ(daXem, ca.xem) << ca.than;
    }
    QStringList ids;
    for (const DonHang& d : gom.layRa()) ids << d.id;
    EXPECT_EQ(ids, QStringList({"a", "b", "c", "d", "e"}));
    ASSERT_TRUE(mau);
    EXPECT_TRUE(mau->contains(QStringLiteral("khac"))) << mau->toStdString();

    // A body that is not an object, torn, or nested past the reader's bound is the source's error, and takes
    // nothing; a list of the wrong type, or one holding anything but objects, is a page without orders.
    GomDon hong(QStringLiteral("Thu"), 3, 2, khoa, mau);
    const std::string sau = R"({"orders":[{"id":"x","n":)" + std::string(300, '[') + std::string(300, ']') + "}]}";
    for (const std::string& than : {std::string("[]"), std::string("{"), std::string(), sau,
                                    std::string(R"({"orders":[{"id":"x"},{"id":)")}) {
        EXPECT_THROW(hong.doc(QByteArray::fromStdString(than), "orders", chuyen), LoiNguonDon) << than.substr(0, 40);
    }
    for (const char* than : {R"({"orders":{"id":"x"}})", R"({"orders":"x"})", R"({"khac":[{"id":"x"}]})",
                             R"({"orders":[{"id":"x"},7,null,"y"]})", R"({"orders":null})"}) {
        EXPECT_EQ(hong.doc(than, "orders", chuyen), S::het) << than;
    }
    EXPECT_TRUE(hong.layRa().isEmpty());
}

// The bytes of the mapped orders bound a fetch as well as their number: pages of large orders end it as a
// capped fetch, the entry that crosses the bound the last one taken, and the rest of that page not mapped.
TEST(GomDon, LargeOrdersEndTheFetchAtTheByteBound) {
    std::mutex khoa;
    std::optional<QString> mau;
    const auto chuyen = [](const nlohmann::json& o) -> std::optional<DonHang> {
        DonHang d;
        d.id = QString::fromStdString(o["id"].get<std::string>());
        d.items = {MatHang{QString::fromStdString(o["ten"].get<std::string>()), std::nullopt, std::nullopt, 1}};
        return d;
    };
    std::string trang = R"({"orders":[)";
    for (int i = 0; i < 10; ++i) trang += (i ? "," : "") + (R"({"id":")" + std::to_string(i) + R"(","ten":")" + std::string(1000, 'x') + "\"}");
    trang += "]}";
    DonHang mot = *chuyen(nlohmann::json{{"id", "0"}, {"ten", std::string(1000, 'x')}});
    const qsizetype moiDon = byteDon(mot);
    EXPECT_GT(moiDon, 2000);  // the title alone, as UTF-16
    // Room for three and a half orders: the fourth crosses the bound.
    GomDon gom(QStringLiteral("Thu"), 100, 10, khoa, mau, moiDon * 7 / 2);
    std::vector<qsizetype> daXem;
    EXPECT_EQ(gom.doc(QByteArray::fromStdString(trang), "orders", chuyen,
                      [&](const nlohmann::json&, qsizetype i) { daXem.push_back(i); }),
              S::dungLai);
    EXPECT_TRUE(gom.daCham());
    EXPECT_EQ(daXem, (std::vector<qsizetype>{0, 1, 2, 3}));
    EXPECT_EQ(gom.layRa().size(), 4);

    // Far under the bound, the count alone decides.
    GomDon rong(QStringLiteral("Thu"), 100, 10, khoa, mau);
    EXPECT_EQ(rong.doc(QByteArray::fromStdString(trang), "orders", chuyen), S::het);
    EXPECT_EQ(rong.layRa().size(), 10);
}

}  // namespace
