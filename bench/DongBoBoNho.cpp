// Peak memory of one sync run, real client and transport against a loopback Haravan: for an ordinary page of
// 50 orders, for a reply of ordinary orders at the reply cap, and for a reply at the cap made of the smallest
// values JSON has (empty objects), the shape that costs a parser most per byte. Printed beside the reply's size.

#include <httplib.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <thread>

#include "core/CaiDat.h"
#include "core/HenGioTay.h"
#include "core/KhoKhoaBoNho.h"
#include "sources/BoDongBo.h"
#include "sources/KenhHTTPCurl.h"
#include "store/DongHoGia.h"
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

std::string trangDon(size_t toiDa, int soDon) {
    std::string s = R"({"orders":[)";
    for (int i = 0; soDon < 0 ? true : i < soDon; ++i) {
        const std::string d = motDon(i);
        if (s.size() + d.size() + 3 > toiDa) break;
        s += (i ? "," : "") + d;
    }
    return s + "]}";
}

std::string doiTuongRong(size_t toiDa) {
    std::string s = R"({"orders":[{"id":1,"note":[)";
    s.reserve(toiDa);
    while (s.size() + 3 + 4 < toiDa) s += s.back() == '[' ? "{}" : ",{}";
    return s + "]}]}";
}

struct KetQua {
    long dinhKb;
    long truocKb;
    QString trangThai;
};

KetQua dongBoMotLan(const std::string& than) {
    httplib::Server sv;
    sv.set_keep_alive_max_count(1);
    sv.Get("/com/orders.json", [&](const httplib::Request& req, httplib::Response& res) {
        // Only the first page is large; the pages after it are empty, so one reply of this size is measured.
        res.set_content(req.get_param_value("page") == "1" ? than : std::string(R"({"orders":[]})"),
                        "application/json");
    });
    const int cong = sv.bind_to_any_port("127.0.0.1");
    std::thread luong([&] { sv.listen_after_bind(); });
    while (!sv.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

    QTemporaryDir tam;
    DongHoGia dongHo;
    dongHo.datGiayThuc(1'765'357'200);
    HenGioTay henGio(&dongHo);
    auto khoKhoa = std::make_shared<KhoKhoaBoNho>();
    khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.haravan.token"), QStringLiteral("tok-1"));
    KhoDuLieu kho(tam.path() + QStringLiteral("/goc"), &dongHo);
    kho.napTatCa(8);
    CaiDat caiDat(tam.path() + QStringLiteral("/korvane.ini"), khoKhoa);
    BoDongBo::CauHinh ch;
    ch.dongHo = &dongHo;
    ch.henGio = &henGio;
    ch.kenh = std::make_shared<KenhHTTPCurl>();
    ch.mayChu = BangMayChu::tatCaVe(QStringLiteral("http://127.0.0.1:%1").arg(cong));
    BoDongBo db(kho, caiDat, std::move(ch));

    KetQua kq;
    kq.truocKb = kbTrongStatus("VmRSS:");
    datLaiDinh();
    bool xong = false;
    db.dongBo(false, [&] { xong = true; });
    while (!xong) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    kq.dinhKb = kbTrongStatus("VmHWM:");
    kq.trangThai = db.trangThai();
    sv.stop();
    luong.join();
    return kq;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const size_t tran = static_cast<size_t>(KenhHTTPCurl::kThanToiDa) - 1024;
    struct {
        const char* ten;
        std::string than;
    } ca[] = {
        {"trang thuong 50 don", trangDon(tran, 50)},
        {"don thuong den tran", trangDon(tran, -1)},
        {"doi tuong rong den tran", doiTuongRong(tran)},
    };
    std::printf("tran mot tra loi: %lld MiB\n", static_cast<long long>(KenhHTTPCurl::kThanToiDa / (1024 * 1024)));
    for (auto& c : ca) {
        const double mb = double(c.than.size()) / (1024.0 * 1024.0);
        const KetQua kq = dongBoMotLan(c.than);
        // The reply is held by the fake server too; its copy is part of the baseline, not of the sync.
        const double dinh = double(kq.dinhKb) / 1024.0;
        const double tang = double(kq.dinhKb - kq.truocKb) / 1024.0;
        std::printf("%-26s tra loi %8.2f MB  dinh tien trinh %8.1f MB  tang khi dong bo %8.1f MB  (%.1fx)  %s\n", c.ten,
                    mb, dinh, tang, tang / mb, c.than.size() ? kq.trangThai.toUtf8().constData() : "");
        c.than.clear();
        c.than.shrink_to_fit();
    }
    return 0;
}
