#include <gtest/gtest.h>

#include <QDirIterator>
#include <QUrl>

#include "MayChuGia.h"
#include "MoiTruongDongBo.h"
#include "sources/KenhHTTPCurl.h"

namespace {

// Every file under a folder, read whole.
QByteArray tatCaNoiDung(const QString& thuMuc) {
    QByteArray ra;
    QDirIterator it(thuMuc, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly)) ra += f.readAll() + '\n';
    }
    return ra;
}

}  // namespace

// The platform echoes the token back everywhere it can: in its refusal bodies (plainly, percent-encoded
// and JSON-escaped), in a redirect target and in the order data's neighbours. After a full sync, a
// refetch and a connection test, the token is nowhere the user or the data folder can see.
TEST(BoDongBoBiMat, TokenEchoedByThePlatformAppearsNowhere) {
    const std::string khoa = "sk_LIVE+Zz/9=&Q7";
    const std::string maHoa = QUrl::toPercentEncoding(QString::fromStdString(khoa)).toStdString();
    std::string thoat = khoa;
    thoat.replace(thoat.find('/'), 1, "\\/");

    MayChuGia may;
    std::atomic<int> soLanDonHang = 0;
    may.get("/com/orders.json", [&](const httplib::Request& req, httplib::Response& res) {
        if (soLanDonHang++ < 5) {
            res.status = 400;
            res.set_content("{\"error\":\"bad token " + khoa + "\",\"enc\":\"" + maHoa + "\",\"esc\":\"" + thoat +
                                "\",\"url\":\"" + req.target + "?token=" + maHoa + "\"}",
                            "application/json");
            return;
        }
        if (req.get_param_value("page") == "1" && req.has_param("updated_at_min")) {
            res.set_redirect("/com/trang-hai.json?limit=50&page=1&status=any&key=" + maHoa, 302);
            return;
        }
        res.set_content("{\"orders\":[]}", "application/json");
    });
    may.get("/com/trang-hai.json", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(
            R"({"orders":[{"id":77,"name":"#77","note":"ok","fulfillments":[{"tracking_number":"GHN77"}]}]})",
            "application/json");
    });
    may.get("/com/orders/count.json", [&](const httplib::Request&, httplib::Response& res) {
        res.status = 403;
        res.set_content("forbidden for " + khoa, "text/plain");
    });
    may.chay();

    MoiTruongDongBo m;
    m.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.haravan.token"), QString::fromStdString(khoa) + "\n");
    auto& db = m.taoDongBo(m.cauHinhThat(may.goc()));

    m.chayDongBo();
    EXPECT_EQ(db.trangThai(), QStringLiteral("Đồng bộ lỗi."));
    EXPECT_TRUE(db.loi().startsWith(QStringLiteral("Haravan từ chối yêu cầu (400). Nguyên văn: ")));
    m.chayDongBo(true);
    EXPECT_EQ(db.trangThai(), QStringLiteral("Đã cập nhật 1 đơn."));
    ASSERT_TRUE(m.kho->donTheoMa(QStringLiteral("GHN77")));
    const QString ketNoi = m.thuKetNoi();
    EXPECT_EQ(ketNoi, QStringLiteral("Token không hợp lệ hoặc thiếu quyền. Kiểm tra lại token và quyền com.read_orders "
                                     "trong Haravan admin."));

    // Every request carried the token unchanged, and only in its header.
    for (const auto& y : may.daNhan()) {
        EXPECT_EQ(y.tieuDeDau("Authorization"), "Bearer " + khoa);
        EXPECT_EQ(y.target.find(khoa), std::string::npos);
    }

    QStringList hienThi = db.nhatKy();
    hienThi << ketNoi << db.trangThai() << db.loi() << db.mauTho();
    EXPECT_GE(db.nhatKy().size(), 6);  // the style lines and the error lines were there to be checked
    m.dongBo.reset();                  // its threads joined: nothing more will be written
    const QByteArray duLieu = tatCaNoiDung(m.tam.path());
    for (const std::string& dang : {khoa, maHoa, thoat, std::string("Zz/9"), std::string("Zz%2F9")}) {
        EXPECT_EQ(duLieu.indexOf(QByteArray::fromStdString(dang)), -1) << dang;
        EXPECT_FALSE(hienThi.join('\n').contains(QString::fromStdString(dang))) << dang;
    }
}

// Closing the application while a sync is backing off from a failing server: the engine goes at once
// and no further request is sent.
TEST(BoDongBoDong, DestroyingTheEngineEndsWaitsAndRetriesAtOnce) {
    MayChuGia may;
    may.get("/com/orders.json", [](const httplib::Request&, httplib::Response& res) { res.status = 503; });
    may.chay();
    MoiTruongDongBo m;
    BoDongBo::CauHinh ch;
    ch.dongHo = &m.dongHo;
    ch.henGio = &m.henGio;
    ch.mayChu = BangMayChu::tatCaVe(may.goc());
    ch.thoiGianCho = std::chrono::seconds(5);
    auto& db = m.taoDongBo(std::move(ch));
    db.dongBo(false);
    ASSERT_TRUE(choDen([&] { return may.daNhan().size() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // well inside the first 1 s back-off
    const auto batDau = std::chrono::steady_clock::now();
    m.dongBo.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - batDau, std::chrono::milliseconds(500));
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_EQ(may.daNhan().size(), 1u);
    EXPECT_TRUE(m.suKienDongBo().empty());  // a cancelled run is not an error to record
}
