#include <gtest/gtest.h>

#include <QDirIterator>
#include <QUrl>
#include <atomic>

#include "MayChuGia.h"
#include "MoiTruongDongBo.h"
#include "gia/sources/BoNguGhiLai.h"
#include "sources/KenhHTTPCurl.h"
#include "sources/KiotVietClient.h"
#include "sources/LoiKetNoi.h"
#include "sources/NhanhClient.h"
#include "sources/PancakeClient.h"
#include "sources/SapoClient.h"

using nlohmann::json;

namespace {

QByteArray tatCaNoiDung(const QString& thuMuc) {
    QByteArray ra;
    QDirIterator it(thuMuc, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly)) ra += f.readAll() + '\n';
    }
    return ra;
}

// One platform as the tests drive it end to end: its stored credentials, the secrets among them, and
// the reply its fake server gives for one order.
struct NenTangThu {
    QString id;
    QList<QPair<QString, QString>> khoa;
    std::vector<std::string> biMat;
    std::string donThanhCong;
    QString maVanDon;
};

const QString kMocThuDong = QStringLiteral("2026-11-10T09:00:00Z");
const std::string kBiMat = "Sx+/9=&Q7";
const std::string kVeKiotViet = "AT.kv+/SIGNED=";

std::vector<NenTangThu> cacNenTang() {
    const QString s = QString::fromStdString(kBiMat);
    const std::string sapoBasic = QByteArray("key-sapo:" + QByteArray::fromStdString(kBiMat)).toBase64().toStdString();
    return {
        {QStringLiteral("kiotviet"),
         {{QStringLiteral("retailer"), QStringLiteral(" shop1.kiotviet.vn ")},
          {QStringLiteral("clientId"), QStringLiteral("cid")},
          {QStringLiteral("clientSecret"), s + QStringLiteral("\n")}},
         {kBiMat, kVeKiotViet},
         R"({"total":1,"data":[{"id":1,"code":"HD1","deliveryCode":"VD-K1"}]})",
         QStringLiteral("VD-K1")},
        {QStringLiteral("sapo"),
         {{QStringLiteral("store"), QStringLiteral("shop1")},
          {QStringLiteral("apiKey"), QStringLiteral("key-sapo")},
          {QStringLiteral("apiSecret"), s}},
         {kBiMat, sapoBasic},
         R"({"count":1,"orders":[{"id":1,"fulfillments":[{"tracking_number":"VD-S1"}]}]})",
         QStringLiteral("VD-S1")},
        {QStringLiteral("pancake"),
         {{QStringLiteral("shopId"), QStringLiteral(" /123/ ")}, {QStringLiteral("apiKey"), s}},
         {kBiMat},
         R"({"data":[{"id":1,"tracking_number":"VD-P1"}]})",
         QStringLiteral("VD-P1")},
        {QStringLiteral("nhanh"),
         {{QStringLiteral("appId"), QStringLiteral("app1")},
          {QStringLiteral("businessId"), QStringLiteral("biz1")},
          {QStringLiteral("accessToken"), s}},
         {kBiMat},
         R"({"code":1,"data":{"orders":[{"id":1,"carrier":{"carrierCode":"VD-N1"}}]}})",
         QStringLiteral("VD-N1")},
    };
}

void luuKhoa(MoiTruongDongBo& m, const NenTangThu& nt) {
    m.caiDat->setNguonDon(nt.id);
    for (const auto& [k, v] : nt.khoa) {
        m.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.") + nt.id + QLatin1Char('.') + k, v);
    }
}

}  // namespace

TEST(TaoNguonDonKhach, BuildsEachClientFromItsTrimmedCredentialsOrNothing) {
    MoiTruongNguon mt;
    for (const NenTangThu& nt : cacNenTang()) {
        QHash<QString, QString> kho;
        const DocKhoa doc = [&](const QString& dv) -> std::optional<QString> {
            if (!kho.contains(dv)) return std::nullopt;
            return kho.value(dv);
        };
        for (qsizetype thieu = 0; thieu < nt.khoa.size(); ++thieu) {
            kho.clear();
            for (qsizetype i = 0; i < nt.khoa.size(); ++i) {
                kho.insert(QStringLiteral("com.korvane.pack.") + nt.id + QLatin1Char('.') + nt.khoa[i].first,
                           i == thieu ? QStringLiteral(" \n ") : nt.khoa[i].second);
            }
            EXPECT_EQ(taoNguonDon(nt.id, doc, mt), nullptr) << nt.id.toStdString() << " " << thieu;
        }
        for (const auto& [k, v] : nt.khoa) kho.insert(QStringLiteral("com.korvane.pack.") + nt.id + '.' + k, v);
        const std::unique_ptr<NguonDon> n = taoNguonDon(nt.id, doc, mt);
        ASSERT_NE(n, nullptr);
        if (nt.id == QLatin1String("kiotviet")) {
            auto* k = dynamic_cast<KiotVietClient*>(n.get());
            ASSERT_NE(k, nullptr);
            EXPECT_EQ(k->cuaHang(), QStringLiteral("shop1"));
        } else if (nt.id == QLatin1String("sapo")) {
            EXPECT_NE(dynamic_cast<SapoClient*>(n.get()), nullptr);
        } else if (nt.id == QLatin1String("pancake")) {
            auto* p = dynamic_cast<PancakeClient*>(n.get());
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(p->shopId(), QStringLiteral("123"));
        } else {
            EXPECT_NE(dynamic_cast<NhanhClient*>(n.get()), nullptr);
        }
        EXPECT_FALSE(n->thoGanNhat());
        EXPECT_FALSE(n->daCatBot());
    }
    // Slashes and spaces go only from the ends of a pasted shop id.
    QHash<QString, QString> kho{{QStringLiteral("com.korvane.pack.pancake.shopId"), QStringLiteral("// 12/3 /")},
                                {QStringLiteral("com.korvane.pack.pancake.apiKey"), QStringLiteral("k")}};
    const auto p = taoNguonDon(
        QStringLiteral("pancake"), [&](const QString& dv) { return std::optional<QString>(kho.value(dv)); }, mt);
    ASSERT_NE(dynamic_cast<PancakeClient*>(p.get()), nullptr);
    EXPECT_EQ(dynamic_cast<PancakeClient*>(p.get())->shopId(), QStringLiteral("12/3"));
}

// Each platform echoes its secrets back wherever it can: in refusal bodies (plainly, percent-encoded and
// JSON-escaped, beside the request's own target and Authorization header). After a failed sync, a good
// refetch and a failed connection test, no secret is in the data folder, the activity list or a text.
TEST(KhachDongBoBiMat, EchoedSecretsAppearNowhereForEveryPlatform) {
    for (const NenTangThu& nt : cacNenTang()) {
        SCOPED_TRACE(nt.id.toStdString());
        MayChuGia may;
        std::atomic<bool> tuChoi = true;
        const std::string maHoa = QUrl::toPercentEncoding(QString::fromStdString(kBiMat)).toStdString();
        const auto xuLy = [&](const httplib::Request& req, httplib::Response& res) {
            if (req.path == "/kiotviet/connect/token") {
                res.set_content(json{{"access_token", kVeKiotViet}, {"expires_in", 3600}}.dump(), "application/json");
                return;
            }
            if (tuChoi) {
                res.status = 400;
                res.set_content("{\"error\":\"refused " + kBiMat + "\",\"enc\":\"" + maHoa + "\",\"esc\":\"" +
                                    json(kBiMat).dump() + "\",\"auth\":\"" + req.get_header_value("Authorization") +
                                    "\",\"at\":\"" + req.target + "\"}",
                                "application/json");
                return;
            }
            res.set_content(nt.donThanhCong, "application/json");
        };
        may.get("/(kiotviet|sapo|pancake|nhanh)/.*", xuLy);
        may.post("/(kiotviet|sapo|pancake|nhanh)/.*", xuLy);
        may.chay();

        MoiTruongDongBo m;
        luuKhoa(m, nt);
        auto& db = m.taoDongBo(m.cauHinhThat(may.goc()));

        m.chayDongBo();
        EXPECT_EQ(db.trangThai(), QStringLiteral("Đồng bộ lỗi."));
        EXPECT_TRUE(db.loi().contains(QStringLiteral("từ chối yêu cầu (400). Nguyên văn: "))) << db.loi().toStdString();
        tuChoi = false;
        m.chayDongBo(true);
        EXPECT_EQ(db.trangThai(), QStringLiteral("Đã cập nhật 1 đơn."));
        EXPECT_TRUE(m.kho->donTheoMa(nt.maVanDon));
        tuChoi = true;
        const QString ketNoi = m.thuKetNoi();
        EXPECT_FALSE(ketNoi.startsWith(QStringLiteral("Kết nối được")));

        QStringList hienThi = db.nhatKy();
        hienThi << ketNoi << db.trangThai() << db.loi() << db.mauTho();
        EXPECT_GE(db.nhatKy().size(), 3);
        m.dongBo.reset();
        const QByteArray duLieu = tatCaNoiDung(m.tam.path());
        const QString hien = hienThi.join('\n');
        for (const std::string& bi : nt.biMat) {
            std::string thoat = bi;
            for (size_t i = thoat.find('/'); i != std::string::npos; i = thoat.find('/', i + 2))
                thoat.replace(i, 1, "\\/");
            const std::string enc = QUrl::toPercentEncoding(QString::fromStdString(bi)).toStdString();
            for (const std::string& dang : {bi, enc, thoat}) {
                EXPECT_EQ(duLieu.indexOf(QByteArray::fromStdString(dang)), -1) << dang;
                EXPECT_FALSE(hien.contains(QString::fromStdString(dang))) << dang << "\n" << hien.toStdString();
            }
        }
        EXPECT_FALSE(hien.contains(QStringLiteral("Q7"))) << hien.toStdString();
    }
}

// Quitting while a client backs off from a failing platform: the wait ends the fetch, and neither the
// sender's retries nor a client's own fallback (KiotViet's second token form, Pancake's unfiltered
// pages, KiotViet's date-only mode) sends anything more.
TEST(KhachDongBoDong, CancellingDuringABackOffSendsNothingMore) {
    for (const NenTangThu& nt : cacNenTang()) {
        SCOPED_TRACE(nt.id.toStdString());
        MayChuGia may;
        const auto loi = [](const httplib::Request&, httplib::Response& res) { res.status = 503; };
        may.get("/(kiotviet|sapo|pancake|nhanh)/.*", loi);
        may.post("/(kiotviet|sapo|pancake|nhanh)/.*", loi);
        may.chay();
        KenhHTTPCurl kenh;
        BoNguGhiLai ngu;
        ngu.khiNgu([&](double) { ngu.huy(); });
        MoiTruongNguon mt;
        mt.kenh = &kenh;
        mt.ngu = &ngu;
        mt.mayChu = BangMayChu::tatCaVe(may.goc());
        QHash<QString, QString> kho;
        for (const auto& [k, v] : nt.khoa) kho.insert(QStringLiteral("com.korvane.pack.") + nt.id + '.' + k, v);
        const auto n = taoNguonDon(
            nt.id, [&](const QString& dv) { return std::optional<QString>(kho.value(dv)); }, mt);
        ASSERT_NE(n, nullptr);
        EXPECT_THROW(n->layDon(kMocThuDong, {}), LoiDaHuy);
        EXPECT_EQ(may.daNhan().size(), 1u);
        EXPECT_EQ(ngu.cacLanNgu(), std::vector<double>{1});
    }
}
