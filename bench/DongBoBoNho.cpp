// Peak memory of one sync run on each platform, real client and libcurl against a loopback fake that answers
// every page with the same reply: an ordinary page of the platform's page size, ordinary orders up to the
// reply cap, many tiny orders up to the cap, one order holding empty objects up to the cap (the shape
// that costs a parser most per byte), and every page full of large orders (the page size of orders, each
// with as many item lines as fit, the reply just under the cap), which the count of orders alone does not
// bound. Printed beside the reference measured in the same run: the peak
// growth of parsing that one reply once, the least any reader of the page holds. Target: under 1 GB. The fake
// platform runs in a child process (this program started again with --may-chu), so its copies of the reply
// and its threads' heaps are not counted as the sync's.

#include <httplib.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "core/CaiDat.h"
#include "gia/core/HenGioTay.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "sources/BoDongBo.h"
#include "sources/HaravanClient.h"
#include "sources/KiotVietClient.h"
#include "sources/NhanhClient.h"
#include "sources/PancakeClient.h"
#include "sources/SapoClient.h"
#include "sources/KenhHTTPCurl.h"
#include "store/DocJson.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"

namespace {

long kbTrongStatus(const char* ten) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& dong : f.readAll().split('\n')) {
        if (dong.startsWith(ten)) return dong.mid(qstrlen(ten)).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void datLaiDinh() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

std::string motDon(int i) {
    std::string s = R"({"id":)" + std::to_string(100000 + i) + R"(,"order_number":"#)" + std::to_string(i) +
                    R"(","name":"#)" + std::to_string(i) +
                    R"(","created_at":"2026-12-01T08:00:00Z","updated_at":"2026-12-02T08:00:00Z",)"
                    R"("customer":{"first_name":"An","last_name":"Nguyễn Văn","phone":"0901234567"},)"
                    R"("shipping_address":{"address1":"12 Lê Lợi","ward":"Bến Nghé","district":"Quận 1",)"
                    R"("province":"Hồ Chí Minh","phone":"0901234567","name":"Nguyễn Văn An"},)"
                    R"("fulfillments":[{"tracking_number":"GHN)" +
                    std::to_string(i) + R"(","tracking_company":"GHN"}],"line_items":[)";
    for (int k = 0; k < 4; ++k) {
        s += (k ? "," : "") + std::string(R"({"title":"Áo thun cotton","variant_title":"L / Trắng","sku":"AT-L-W",)"
                                          R"("quantity":2,"price":150000,"properties":[],"note":""})");
    }
    return s + R"(],"note":"Giao giờ hành chính","tags":"web, khuyến mãi"})";
}

// One platform: its id, credentials, page size and the envelope its order list comes in.
struct NenTang {
    const char* id;
    std::vector<std::pair<const char*, const char*>> khoa;
    int coTrang;
    std::string dau;
    std::string cuoi;
    const char* khoaHang;  // where an order lists its item lines
};

const NenTang kCacNenTang[] = {
    {"haravan", {{"token", "tok-1"}}, HaravanClient::kCoTrang, R"({"orders":)", "}", "line_items"},
    {"kiotviet", {{"retailer", "shop1"}, {"clientId", "cid"}, {"clientSecret", "sec"}}, KiotVietClient::kCoTrang, R"({"data":)", "}", "invoiceDetails"},
    {"sapo", {{"store", "shop1"}, {"apiKey", "key"}, {"apiSecret", "sec"}}, SapoClient::kCoTrang, R"({"orders":)", "}", "line_items"},
    {"pancake", {{"shopId", "123"}, {"apiKey", "key"}}, PancakeClient::kCoTrang, R"({"data":)", "}", "items"},
    {"nhanh",
     {{"appId", "app"}, {"businessId", "biz"}, {"accessToken", "tok"}},
     NhanhClient::kCoTrang,
     R"({"code":1,"paginator":{"next":[1]},"data":)",
     "}",
     "products"},
};

// A page of the platform's page size whose orders each carry as many item lines as fit, the reply just under
// toiDa. Each line names its product under every key a client reads it from.
std::string donLon(size_t toiDa, const NenTang& nt) {
    const size_t moiDon = (toiDa - nt.dau.size() - nt.cuoi.size() - 16) / size_t(nt.coTrang);
    std::string ten;
    while (ten.size() < 180) ten += "Áo thun cotton cổ tròn tay ngắn ";
    const std::string dong = R"({"title":")" + ten + R"(","name":")" + ten + R"(","productName":")" + ten +
                             R"(","sku":"AT-L-W","quantity":1})";
    std::string s = nt.dau + "[";
    s.reserve(toiDa);
    for (int i = 0; i < nt.coTrang; ++i) {
        const size_t dau = s.size();
        s += (i ? ",{\"id\":" : "{\"id\":") + std::to_string(i + 1) + ",\"" + nt.khoaHang + "\":[";
        for (int k = 0; s.size() - dau + dong.size() + 4 < moiDon; ++k) s += (k ? "," : "") + dong;
        s += "]}";
    }
    return s + "]" + nt.cuoi;
}

// A list of entries made by `muc` until the reply would pass toiDa bytes or soMuc entries are in.
std::string danhSach(size_t toiDa, const NenTang& nt, long soMuc, const std::function<std::string(int)>& muc) {
    std::string s = nt.dau + "[";
    s.reserve(std::min<size_t>(toiDa, 64 << 20));
    for (int i = 0; soMuc < 0 || i < soMuc; ++i) {
        const std::string m = muc(i);
        if (s.size() + m.size() + 2 + nt.cuoi.size() > toiDa) break;
        if (i) s += ',';
        s += m;
    }
    return s + "]" + nt.cuoi;
}

// soDon orders whose notes of empty objects fill the reply to the cap; a page of the full page size makes the
// client ask for the next, so every page of the fetch is as heavy as a reply may be.
std::string doiTuongRong(size_t toiDa, const NenTang& nt, int soDon) {
    const size_t duoi = 4 + nt.cuoi.size() + size_t(soDon) * 24;
    const size_t moiDon = (toiDa - nt.dau.size() - duoi) / size_t(soDon);
    std::string s = nt.dau + "[";
    s.reserve(toiDa);
    for (int i = 0; i < soDon; ++i) {
        if (i) s += ',';
        const size_t dau = s.size();
        s += "{\"id\":" + std::to_string(i + 1) + ",\"note\":[";
        while (s.size() - dau + 3 + 2 < moiDon) s += s.back() == '[' ? "{}" : ",{}";
        s += "]}";
    }
    return s + "]" + nt.cuoi;
}

struct KetQua {
    long dinhKb;
    long truocKb;
    QString trangThai;
    int soYeuCau;
};

// The child: serves the reply to every order-list request and prints its port, then the number of such
// requests each time it answers one.
int phucVu(const std::string& than) {
    httplib::Server sv;
    sv.set_keep_alive_max_count(1);
    int soYeuCau = 0;
    const auto xuLy = [&](const httplib::Request& req, httplib::Response& res) {
        if (req.path == "/kiotviet/connect/token") {
            res.set_content(R"({"access_token":"AT1","expires_in":86400})", "application/json");
            return;
        }
        std::printf("yeu cau %d\n", ++soYeuCau);
        std::fflush(stdout);
        res.set_content(than, "application/json");
    };
    sv.Get(".*", xuLy);
    sv.Post(".*", xuLy);
    sv.new_task_queue = [] { return new httplib::ThreadPool(1); };
    const int cong = sv.bind_to_any_port("127.0.0.1");
    std::printf("cong %d\n", cong);
    std::fflush(stdout);
    sv.listen_after_bind();
    return 0;
}

KetQua dongBoMotLan(const NenTang& nt, const QStringList& thamSoMayChu) {
    QProcess mayChu;
    mayChu.start(QCoreApplication::applicationFilePath(), thamSoMayChu);
    int cong = 0;
    while (cong == 0 && mayChu.waitForReadyRead(120000)) {
        while (mayChu.canReadLine()) {
            const QByteArray dong = mayChu.readLine().trimmed();
            if (dong.startsWith("cong ")) cong = dong.mid(5).toInt();
        }
    }

    KetQua kq;
    {
        QTemporaryDir tam;
        DongHoGia dongHo;
        dongHo.datGiayThuc(1'765'357'200);
        HenGioTay henGio(&dongHo);
        auto khoKhoa = std::make_shared<KhoKhoaBoNho>();
        for (const auto& [k, v] : nt.khoa) {
            khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.%1.%2").arg(QLatin1String(nt.id), QLatin1String(k)),
                                QString::fromLatin1(v));
        }
        KhoDuLieu kho(tam.path() + QStringLiteral("/goc"), &dongHo);
        kho.napTatCa(8);
        CaiDat caiDat(tam.path() + QStringLiteral("/korvane.ini"), khoKhoa);
        caiDat.setNguonDon(QString::fromLatin1(nt.id));
        BoDongBo::CauHinh ch;
        ch.dongHo = &dongHo;
        ch.henGio = &henGio;
        ch.kenh = std::make_shared<KenhHTTPCurl>();
        ch.mayChu = BangMayChu::tatCaVe(QStringLiteral("http://127.0.0.1:%1").arg(cong));
        BoDongBo db(kho, caiDat, std::move(ch));

        kq.truocKb = kbTrongStatus("VmRSS:");
        datLaiDinh();
        bool xong = false;
        db.dongBo(false, [&] { xong = true; });
        while (!xong) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        kq.dinhKb = kbTrongStatus("VmHWM:");
        kq.trangThai = db.loi().isEmpty() ? db.trangThai() : db.loi();
    }
    kq.soYeuCau = 0;
    mayChu.waitForReadyRead(500);
    for (const QByteArray& dong : mayChu.readAll().split('\n')) {
        if (dong.startsWith("yeu cau ")) kq.soYeuCau = dong.mid(8).trimmed().toInt();
    }
    mayChu.kill();
    mayChu.waitForFinished(10000);
    return kq;
}

// The reference: the peak growth of one parse of the same reply, as the clients parse it.
double thamChieuMB(const std::string& than) {
    const long truoc = kbTrongStatus("VmRSS:");
    datLaiDinh();
    {
        const nlohmann::json v = DocJson::docCoGioiHan(than.data(), than.data() + than.size());
        (void)v;
    }
    return double(kbTrongStatus("VmHWM:") - truoc) / 1024.0;
}

// The reply of shape `hinh` (0 to 5) for platform `nenTang`.
std::string taoTraLoi(int nenTang, int hinh) {
    const size_t tran = static_cast<size_t>(KenhHTTPCurl::kThanToiDa) - 1024;
    const NenTang& nt = kCacNenTang[nenTang];
    switch (hinh) {
        case 0:
            return danhSach(tran, nt, nt.coTrang, motDon);
        case 1:
            return danhSach(tran, nt, -1, motDon);
        case 2:
            return danhSach(tran, nt, -1, [](int i) { return "{\"id\":" + std::to_string(i) + "}"; });
        case 3:
            return doiTuongRong(tran, nt, 1);
        case 4:
            return doiTuongRong(tran, nt, nt.coTrang);
        default:
            return donLon(tran, nt);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--may-chu")
        return phucVu(taoTraLoi(std::atoi(argv[2]), std::atoi(argv[3])));
    QCoreApplication app(argc, argv);
    const char* const kTenHinh[] = {"trang thuong", "don thuong den tran", "nhieu don nho den tran",
                                    "doi tuong rong den tran", "trang day doi tuong rong",
                                    "moi trang day don lon"};
    std::printf("tran mot tra loi: %lld MiB; muc tieu: dinh mot lan dong bo duoi 1024 MB\n",
                static_cast<long long>(KenhHTTPCurl::kThanToiDa / (1024 * 1024)));
    std::printf("%-9s %-24s %8s %7s %16s %13s %18s  %s\n", "nen tang", "tra loi", "MB", "so lan", "dinh tien trinh",
                "tang dong bo", "tham chieu 1 lan doc", "ket qua");
    for (int n = 0; n < int(std::size(kCacNenTang)); ++n) {
        const NenTang& nt = kCacNenTang[n];
        for (int h = 0; h < int(std::size(kTenHinh)); ++h) {
            // An argument picks the shapes whose name holds it.
            if (argc > 1 && std::string(kTenHinh[h]).find(argv[1]) == std::string::npos) continue;
            double mb = 0;
            double thamChieu = 0;
            {
                const std::string than = taoTraLoi(n, h);
                mb = double(than.size()) / (1024.0 * 1024.0);
                thamChieu = thamChieuMB(than);
            }
            const KetQua kq = dongBoMotLan(nt, {QStringLiteral("--may-chu"), QString::number(n), QString::number(h)});
            const double tang = double(kq.dinhKb - kq.truocKb) / 1024.0;
            std::printf("%-9s %-24s %8.2f %7d %13.1f MB %10.1f MB %15.1f MB  %s\n", nt.id, kTenHinh[h], mb, kq.soYeuCau,
                        double(kq.dinhKb) / 1024.0, tang, thamChieu, kq.trangThai.toUtf8().constData());
            std::fflush(stdout);
        }
    }
    return 0;
}
