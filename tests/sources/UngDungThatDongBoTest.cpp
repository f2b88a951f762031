#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QUuid>

#include "CuaHangGia.h"
#include "MayChuGia.h"
#include "common/ChoDen.h"
#include "core/KhoKhoaHeThong.h"
#include "store/KhoDuLieu.h"

namespace {

const char* const kDonHang = R"({"orders":[
  {"id":6001,"order_number":"#6001","updated_at":"2025-12-09T01:00:00Z",
   "customer":{"last_name":"Lê","first_name":"Chi"},
   "fulfillments":[{"tracking_number":"GHTK6001","tracking_company":"GHTK"}],
   "line_items":[{"title":"Bình gốm","quantity":2}]},
  {"id":6002,"order_number":"#6002","updated_at":"2025-12-09T02:00:00Z","cancelled_at":"2025-12-09T03:00:00Z",
   "fulfillments":[{"tracking_number":"GHTK6002"}],"line_items":[]}
]})";

// Two orders as Nhanh.vn's v3 order list gives them: the list under "data", the order's own fields under
// "info" with Unix times, the parcel code on the carrier, and a second page behind an object-valued "next".
const char* const kTrangNhanh1 = R"({"code":1,"paginator":{"next":{"id":7002}},"data":[
  {"info":{"id":7001,"status":59,"createdAt":1765184400,"updatedAt":1765188000},
   "shippingAddress":{"name":"Trần Bình","mobile":"0912000111","address":"12 Hàng Bạc"},
   "carrier":{"id":2,"name":"Giao hàng nhanh","code":"GHN7001"},
   "channel":{"sourceName":"Website"},
   "products":[{"id":91,"code":"AO-1","name":"Áo lụa","quantity":2}]}]})";
const char* const kTrangNhanh2 = R"({"code":1,"paginator":{"next":null},"data":[
  {"info":{"id":7002,"status":63,"createdAt":1765191600,"updatedAt":1765195200},
   "carrier":{"name":"Giao hàng nhanh","code":"GHN7002"},"products":[]}]})";

QByteArray docTep(const QString& duongDan) {
    QFile f(duongDan);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The shipped program with a home of its own, no screen, and its platform requests sent to the fake on loopback.
void batDau(QProcess& app, const QTemporaryDir& nha, const QTemporaryDir& thietBi, const QString& mayChu) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), nha.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), nha.filePath(QStringLiteral(".config")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KORVANE_THU_MUC_THIET_BI"), thietBi.path());
    env.insert(QStringLiteral("KORVANE_MAY_CHU_THU"), mayChu);
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(QStringLiteral(KORVANE_APP_PATH), {});
}

// Throwaway credentials in the session's real keyring, removed again when the test ends. A credential already
// stored there may be a real shop's: a test never overwrites it.
class KhoaTamThoi {
public:
    // Empty when every credential is stored; otherwise why the test cannot run.
    std::string ghi(const QList<QPair<QString, QString>>& cacKhoa, const char* tenKhoa) {
        for (const auto& [dichVu, giaTri] : cacKhoa)
            if (kho_.doc(dichVu)) return std::string(tenKhoa) + " is already stored in this keyring";
        for (const auto& [dichVu, giaTri] : cacKhoa) {
            if (!kho_.ghi(dichVu, giaTri)) return "no Secret Service to store the credentials in";
            daGhi_ << dichVu;
        }
        return {};
    }
    ~KhoaTamThoi() {
        for (const QString& d : daGhi_) kho_.xoa(d);
    }

private:
    KhoKhoaHeThong kho_{std::chrono::seconds(5)};
    QStringList daGhi_;
};

}  // namespace

// The shipped executable as the owner starts it: its token read from the real Secret Service, its requests
// sent by libcurl to a fake Haravan on loopback (the one switch the program has for that), and its start-up
// sync writing the orders into its own data folder. What a typed code does with those orders is shown in
// process by the whole-path test beside this one, where the camera and the speaker can be doubles.
TEST(UngDungThatDongBo, StartUpSyncOfTheShippedProgramFillsItsStore) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "no session bus";
    const QString token = QStringLiteral("shpat_") + QUuid::createUuid().toString(QUuid::Id128);
    KhoaTamThoi khoa;
    if (const auto lyDo = khoa.ghi({{QStringLiteral("com.korvane.pack.haravan.token"), token}}, "a Haravan token");
        !lyDo.empty())
        GTEST_SKIP() << lyDo;

    MayChuGia may;
    may.get("/com/orders.json",
            [](const httplib::Request&, httplib::Response& res) { res.set_content(kDonHang, "application/json"); });
    may.chay();

    QTemporaryDir nha, thietBi;
    QProcess app;
    batDau(app, nha, thietBi, may.goc());
    ASSERT_TRUE(app.waitForStarted(10000));

    const QString goc = nha.filePath(QStringLiteral("Korvane Zize"));
    const QString nhatKy = goc + QStringLiteral("/data/app.log.jsonl");
    const bool daDongBo = choDen([&] { return docTep(nhatKy).contains(R"("event":"sync")"); }, 60000);
    app.kill();
    app.waitForFinished(10000);
    ASSERT_TRUE(daDongBo) << app.readAll().toStdString() << docTep(nhatKy).toStdString();

    const auto nhan = may.daNhan();
    ASSERT_EQ(nhan.size(), 1u);
    EXPECT_EQ(nhan[0].tieuDeDau("Authorization"), "Bearer " + token.toStdString());
    // Oldest update first, so that a capped fetch can stop its cursor at the newest update it read.
    EXPECT_EQ(nhan[0].target.rfind(
                  "/com/orders.json?limit=50&order=updated_at%20asc&page=1&status=any&updated_at_min=", 0),
              0u)
        << nhan[0].target;
    EXPECT_TRUE(docTep(nhatKy).contains(R"("detail":{"catBot":"0","orders":"2"},"event":"sync")"))
        << docTep(nhatKy).toStdString();

    // What the program wrote is what its next start finds: both orders, by their shipping codes.
    KhoDuLieu kho(goc);
    kho.napTatCa(8);
    ASSERT_EQ(kho.donTheoId().size(), 2);
    const auto don = kho.donTheoMa(QStringLiteral("GHTK6001"));
    ASSERT_TRUE(don);
    EXPECT_EQ(don->id, QStringLiteral("6001"));
    EXPECT_EQ(don->customerName, QStringLiteral("Lê Chi"));
    EXPECT_EQ(don->itemCount, 2);
    EXPECT_FALSE(don->cancelledAt);
    const auto huy = kho.donTheoMa(QStringLiteral("GHTK6002"));
    ASSERT_TRUE(huy);
    EXPECT_EQ(huy->cancelledAt, QStringLiteral("2025-12-09T03:00:00Z"));
    // The token went to the platform and nowhere else.
    EXPECT_FALSE(docTep(nhatKy).contains(token.toUtf8()));
}

// The shipped executable set to Nhanh.vn with its three credentials in the real keyring: its start-up sync
// reads the documented v3 reply over two pages and writes both orders, with their parcel codes and the
// cancellation, into the month file that its next start (and a typed code) reads.
TEST(UngDungThatDongBo, StartUpSyncOnNhanhWritesTheV3OrdersToTheMonthFile) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "no session bus";
    const QString token = QStringLiteral("nhanh-") + QUuid::createUuid().toString(QUuid::Id128);
    KhoaTamThoi khoa;
    if (const auto lyDo = khoa.ghi({{QStringLiteral("com.korvane.pack.nhanh.appId"), "7310"},
                                    {QStringLiteral("com.korvane.pack.nhanh.businessId"), "20266"},
                                    {QStringLiteral("com.korvane.pack.nhanh.accessToken"), token}},
                                   "a Nhanh.vn credential");
        !lyDo.empty())
        GTEST_SKIP() << lyDo;

    MayChuGia may;
    may.post("/nhanh/v3.0/order/list", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.body.find(R"("next")") == std::string::npos ? kTrangNhanh1 : kTrangNhanh2,
                        "application/json");
    });
    may.chay();

    QTemporaryDir nha, thietBi;
    {
        QSettings ud(nha.filePath(QStringLiteral(".config/KorvaneZize/korvane.ini")), QSettings::IniFormat);
        ud.setValue(QStringLiteral("korvane.nguonDon"), QStringLiteral("nhanh"));
    }
    QProcess app;
    batDau(app, nha, thietBi, may.goc());
    ASSERT_TRUE(app.waitForStarted(10000));

    const QString goc = nha.filePath(QStringLiteral("Korvane Zize"));
    const QString nhatKy = goc + QStringLiteral("/data/app.log.jsonl");
    const bool daDongBo = choDen([&] { return docTep(nhatKy).contains(R"("event":"sync)"); }, 60000);
    app.kill();
    app.waitForFinished(10000);
    ASSERT_TRUE(daDongBo) << app.readAll().toStdString() << docTep(nhatKy).toStdString();
    EXPECT_TRUE(docTep(nhatKy).contains(R"("detail":{"catBot":"0","orders":"2"},"event":"sync")"))
        << docTep(nhatKy).toStdString();

    const auto nhan = may.daNhan();
    ASSERT_EQ(nhan.size(), 2u);
    EXPECT_EQ(nhan[0].target, "/nhanh/v3.0/order/list?appId=7310&businessId=20266");
    EXPECT_EQ(nhan[0].tieuDeDau("Authorization"), token.toStdString());
    EXPECT_NE(nhan[0].than.find(R"("filters":{"updatedAtFrom":)"), std::string::npos) << nhan[0].than;
    EXPECT_NE(nhan[1].than.find(R"("next":{"id":7002})"), std::string::npos) << nhan[1].than;

    // The month file holds both orders with their parcel codes and UTC times.
    const QStringList tep =
        QDir(goc + QStringLiteral("/data/orders")).entryList({QStringLiteral("orders-*.jsonl")}, QDir::Files);
    ASSERT_EQ(tep.size(), 1) << tep.join(' ').toStdString();
    const QByteArray thang = docTep(goc + QStringLiteral("/data/orders/") + tep.front());
    EXPECT_TRUE(thang.contains("GHN7001") && thang.contains("GHN7002")) << thang.toStdString();

    KhoDuLieu kho(goc);
    kho.napTatCa(8);
    ASSERT_EQ(kho.donTheoId().size(), 2);
    const auto don = kho.donTheoMa(QStringLiteral("ghn-7001"));
    ASSERT_TRUE(don);
    EXPECT_EQ(don->id, QStringLiteral("7001"));
    EXPECT_EQ(don->customerName, QStringLiteral("Trần Bình"));
    EXPECT_EQ(don->createdAt, QStringLiteral("2025-12-08T09:00:00Z"));
    EXPECT_EQ(don->updatedAt, QStringLiteral("2025-12-08T10:00:00Z"));
    EXPECT_EQ(don->itemCount, 2);
    EXPECT_FALSE(don->cancelledAt);
    const auto huy = kho.donTheoMa(QStringLiteral("GHN7002"));
    ASSERT_TRUE(huy);
    EXPECT_EQ(huy->cancelledAt, QStringLiteral("2025-12-08T11:00:00Z"));
    EXPECT_FALSE(docTep(nhatKy).contains(token.toUtf8()));
}

// The same start against a platform whose one order nests a field 100,000 deep, a reply that used to overflow the
// sync worker's stack at every start: the program finishes starting, journals the unreadable reply as a failed
// sync and stays up.
TEST(UngDungThatDongBo, ADeeplyNestedOrderIsASyncErrorAndTheProgramKeepsRunning) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "no session bus";
    const QString token = QStringLiteral("shpat_") + QUuid::createUuid().toString(QUuid::Id128);
    KhoaTamThoi khoa;
    if (const auto lyDo = khoa.ghi({{QStringLiteral("com.korvane.pack.haravan.token"), token}}, "a Haravan token");
        !lyDo.empty())
        GTEST_SKIP() << lyDo;

    const std::string sau = std::string(100'000, '[') + std::string(100'000, ']');
    const std::string than = R"({"orders":[{"id":7001,"note":)" + sau + R"(,"updated_at":"2025-12-09T01:00:00Z"}]})";
    MayChuGia may;
    may.get("/com/orders.json",
            [&](const httplib::Request&, httplib::Response& res) { res.set_content(than, "application/json"); });
    may.chay();

    QTemporaryDir nha, thietBi;
    QProcess app;
    batDau(app, nha, thietBi, may.goc());
    ASSERT_TRUE(app.waitForStarted(10000));

    const QString nhatKy = nha.filePath(QStringLiteral("Korvane Zize")) + QStringLiteral("/data/app.log.jsonl");
    const bool baoLoi = choDen([&] { return docTep(nhatKy).contains(R"("event":"sync_error")"); }, 60000);
    // Still up a moment after the failed sync has been handled.
    const bool conChay = baoLoi && !app.waitForFinished(1500) && app.state() == QProcess::Running;
    app.kill();
    app.waitForFinished(10000);
    ASSERT_TRUE(baoLoi) << app.readAll().toStdString() << docTep(nhatKy).toStdString();
    EXPECT_TRUE(conChay) << app.readAll().toStdString();
    const QByteArray ghi = docTep(nhatKy);
    EXPECT_TRUE(ghi.contains(R"("event":"app_start")")) << ghi.toStdString();
    EXPECT_TRUE(ghi.contains(R"({"detail":{"msg":"Haravan trả về dữ liệu không đọc được."},"event":"sync_error")"))
        << ghi.toStdString();
    EXPECT_FALSE(ghi.contains(R"("event":"sync")"));
    // An unreadable page is tried once under each of the client's five parameter styles, then given up.
    EXPECT_EQ(may.daNhan().size(), 5u);
}

// The shipped executable set to Pancake POS against a shop with more changed orders than one fetch brings,
// the list newest created first unless asked otherwise: its start-up sync asks for oldest update first and
// stops at its cap, and the loop's next run, a minute later, brings the rest. Every order is then in the
// month file that the next start reads.
TEST(UngDungThatDongBo, OnPancakeEveryChangedOrderArrivesWithinTheLoopsRuns) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "no session bus";
    const QString khoaApi = QStringLiteral("pc-") + QUuid::createUuid().toString(QUuid::Id128);
    KhoaTamThoi khoa;
    if (const auto lyDo = khoa.ghi({{QStringLiteral("com.korvane.pack.pancake.shopId"), QStringLiteral("123")},
                                    {QStringLiteral("com.korvane.pack.pancake.apiKey"), khoaApi}},
                                   "a Pancake POS credential");
        !lyDo.empty())
        GTEST_SKIP() << lyDo;

    CuaHangGia ch;
    const int soDon = 3'000 + 250;
    const qint64 bayGio = QDateTime::currentSecsSinceEpoch();
    for (int i = 0; i < soDon; ++i) {
        const qint64 doi = bayGio - 29 * 86'400 + qint64(i) * 600;
        ch.them({1000 + i, doi - ((i * 7919) % 240) * 3'600, doi});
    }
    MayChuGia may;
    ch.phucVu(may, "pancake");
    may.chay();

    QTemporaryDir nha, thietBi;
    {
        QSettings ud(nha.filePath(QStringLiteral(".config/KorvaneZize/korvane.ini")), QSettings::IniFormat);
        ud.setValue(QStringLiteral("korvane.nguonDon"), QStringLiteral("pancake"));
    }
    QProcess app;
    batDau(app, nha, thietBi, may.goc());
    ASSERT_TRUE(app.waitForStarted(10000));

    const QString goc = nha.filePath(QStringLiteral("Korvane Zize"));
    const QString nhatKy = goc + QStringLiteral("/data/app.log.jsonl");
    const auto soLuot = [&] { return docTep(nhatKy).count(R"("event":"sync")"); };
    const bool haiLuot = choDen([&] { return soLuot() >= 2; }, 150000);
    app.kill();
    app.waitForFinished(10000);
    ASSERT_TRUE(haiLuot) << app.readAll().toStdString() << docTep(nhatKy).toStdString();
    const QByteArray ghi = docTep(nhatKy);
    EXPECT_TRUE(ghi.contains(R"("detail":{"catBot":"1","orders":"3000"},"event":"sync")")) << ghi.toStdString();
    EXPECT_FALSE(ghi.contains(R"("event":"sync_error")")) << ghi.toStdString();
    for (const auto& y : may.daNhan()) {
        EXPECT_NE(y.target.find("option_sort=last_updated_order_asc"), std::string::npos) << y.target;
    }

    KhoDuLieu kho(goc);
    kho.napTatCa(8);
    EXPECT_EQ(kho.donTheoId().size(), soDon);
    for (const auto& d : ch.tatCa()) {
        const auto it = kho.donTheoId().find(QString::number(d.id));
        ASSERT_NE(it, kho.donTheoId().end()) << d.id;
        EXPECT_EQ(docThoiGianISO(it.value().updatedAt)->toSecsSinceEpoch(), d.doi) << d.id;
    }
    EXPECT_FALSE(ghi.contains(khoaApi.toUtf8()));
}
