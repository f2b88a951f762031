#include <gtest/gtest.h>

#include <QThread>
#include <condition_variable>
#include <mutex>

#include "MayChuGia.h"
#include "MayChuTho.h"
#include "MoiTruongDongBo.h"
#include "gia/sources/BoNguGhiLai.h"
#include "sources/GuiYeuCau.h"
#include "sources/HaravanClient.h"
#include "sources/KenhHTTPCurl.h"
#include "gia/sources/KenhHTTPKichBan.h"
#include "sources/LoiHaravan.h"
#include "sources/LoiKetNoi.h"
#include "sources/LoiNguonDon.h"
#include "sources/NhanhClient.h"

// What a buggy or hostile platform can send: values nested far deeper than any order, a sample that would
// print to gigabytes, a key echoed across the excerpt's cut, connections dropped under a reused request, and
// replies that trickle or never come. Each time the program gives its ordinary answer and keeps running.

namespace {

std::string longNhau(int sau, const std::string& giua = "0") {
    return std::string(size_t(sau), '[') + giua + std::string(size_t(sau), ']');
}

// One platform's fake reply around one order; "@" marks where the test puts the order's extra field.
struct NenTang {
    QString id;
    QList<QPair<QString, QString>> khoa;
    std::string mau;
    QString maVanDon;
    QString ten;  // as its messages name it
};

std::vector<NenTang> cacNenTang() {
    return {
        {QStringLiteral("haravan"),
         {{QStringLiteral("token"), QStringLiteral("tok-haravan-1")}},
         R"({"orders":[{"id":1,@"fulfillments":[{"tracking_number":"VD-H1"}]}]})",
         QStringLiteral("VD-H1"),
         QStringLiteral("Haravan")},
        {QStringLiteral("kiotviet"),
         {{QStringLiteral("retailer"), QStringLiteral("shop1")},
          {QStringLiteral("clientId"), QStringLiteral("cid")},
          {QStringLiteral("clientSecret"), QStringLiteral("bi-mat-kv")}},
         R"({"total":1,"data":[{"id":1,@"code":"HD1","deliveryCode":"VD-K1"}]})",
         QStringLiteral("VD-K1"),
         QStringLiteral("KiotViet")},
        {QStringLiteral("sapo"),
         {{QStringLiteral("store"), QStringLiteral("shop1")},
          {QStringLiteral("apiKey"), QStringLiteral("key-sapo")},
          {QStringLiteral("apiSecret"), QStringLiteral("bi-mat-sapo")}},
         R"({"count":1,"orders":[{"id":1,@"fulfillments":[{"tracking_number":"VD-S1"}]}]})",
         QStringLiteral("VD-S1"),
         QStringLiteral("Sapo")},
        {QStringLiteral("pancake"),
         {{QStringLiteral("shopId"), QStringLiteral("123")}, {QStringLiteral("apiKey"), QStringLiteral("bi-mat-pc")}},
         R"({"data":[{"id":1,@"tracking_number":"VD-P1"}]})",
         QStringLiteral("VD-P1"),
         QStringLiteral("Pancake")},
        {QStringLiteral("nhanh"),
         {{QStringLiteral("appId"), QStringLiteral("app1")},
          {QStringLiteral("businessId"), QStringLiteral("biz1")},
          {QStringLiteral("accessToken"), QStringLiteral("bi-mat-nhanh")}},
         R"({"code":1,"data":{"orders":[{"id":1,@"carrier":{"carrierCode":"VD-N1"}}]}})",
         QStringLiteral("VD-N1"),
         tenNguon(QStringLiteral("nhanh"))},
    };
}

std::string voiTruong(const std::string& mau, const std::string& truong) {
    std::string s = mau;
    s.replace(s.find('@'), 1, truong);
    return s;
}

}  // namespace

// Every client meets an order whose field nests 100,000 deep (a stack overflow for any recursive copy or
// print), one nested 200 deep (deep for an order, within the parse limit, beyond the sample's), and one
// whose sample would print to tens of megabytes. The first is an unreadable reply: "sync_error", cursor
// kept; the others are synced with the sample absent; a plain order afterwards syncs as usual.
TEST(PhanHoiThuDich, DeepAndWideOrderFieldsNeverTakeTheSyncDown) {
    std::string rongSo;
    for (int i = 0; i < 300'000; ++i) rongSo += i ? ",0" : "0";
    struct {
        const char* ten;
        std::string truong;
        bool docDuoc;
        bool coMau;
    } const bang[] = {
        {"100000 tang", "\"note\":" + longNhau(100'000) + ",", false, false},
        {"200 tang", "\"note\":" + longNhau(200) + ",", true, false},
        {"rong 300000 o tang 40", "\"note\":" + longNhau(40, rongSo) + ",", true, false},
        {"binh thuong", "\"note\":" + longNhau(3) + ",", true, true},
    };
    const QString mocCu = QStringLiteral("2025-12-01T00:00:00Z");
    for (const NenTang& nt : cacNenTang()) {
        for (const auto& c : bang) {
            SCOPED_TRACE(nt.id.toStdString() + " " + c.ten);
            std::atomic<bool> thuong = false;
            const std::string thanSau = voiTruong(nt.mau, c.truong);
            const std::string thanThuong = voiTruong(nt.mau, "");
            MayChuGia may;
            const auto xuLy = [&](const httplib::Request& req, httplib::Response& res) {
                if (req.path == "/kiotviet/connect/token") {
                    res.set_content(R"({"access_token":"AT-1","expires_in":3600})", "application/json");
                    return;
                }
                res.set_content(thuong ? thanThuong : thanSau, "application/json");
            };
            may.get("/(com|kiotviet|sapo|pancake|nhanh)/.*", xuLy);
            may.post("/(com|kiotviet|sapo|pancake|nhanh)/.*", xuLy);
            may.chay();

            MoiTruongDongBo m;
            m.caiDat->setNguonDon(nt.id);
            for (const auto& [k, v] : nt.khoa) m.khoKhoa->muc.insert(dichVuKhoaNguon(nt.id, k), v);
            m.caiDat->ud().setValue(BoDongBo::khoaMoc, mocCu);
            auto& db = m.taoDongBo(m.cauHinhThat(may.goc()));

            m.chayDongBo();
            if (c.docDuoc) {
                EXPECT_EQ(db.trangThai(), QStringLiteral("Đã cập nhật 1 đơn.")) << db.loi().toStdString();
                EXPECT_TRUE(m.kho->donTheoMa(nt.maVanDon));
                EXPECT_EQ(db.mauTho().isNull(), !c.coMau);
                if (c.coMau) {
                    EXPECT_TRUE(db.mauTho().contains(QStringLiteral("\"note\"")));
                }
            } else {
                const QString loi = nt.ten + QStringLiteral(" trả về dữ liệu không đọc được.");
                EXPECT_EQ(db.trangThai(), QStringLiteral("Đồng bộ lỗi."));
                EXPECT_EQ(db.loi(), loi);
                ASSERT_FALSE(m.suKienDongBo().empty());
                EXPECT_EQ(m.suKienDongBo().back().first, "sync_error");
                EXPECT_EQ(m.suKienDongBo().back().second.value("msg", ""), loi.toStdString());
                EXPECT_EQ(m.mocDaLuu(), mocCu);
                EXPECT_TRUE(db.mauTho().isNull());
                EXPECT_TRUE(m.kho->donTheoId().isEmpty());
            }
            thuong = true;
            m.chayDongBo();
            EXPECT_EQ(db.trangThai(), QStringLiteral("Đã cập nhật 1 đơn.")) << db.loi().toStdString();
            EXPECT_TRUE(m.kho->donTheoMa(nt.maVanDon));
            EXPECT_EQ(m.suKienDongBo().back().first, "sync");
        }
    }
}

// A refused reply that echoes the client's key: wherever the key sits around the 500-byte cut, the excerpt
// kept in the error (and from there in the journal and on screen) holds no piece of it. Through the shared
// sender, Haravan's own sender and Nhanh's refusal reason alike.
TEST(PhanHoiThuDich, AKeyEchoedAcrossTheCutLeavesNoPrefixInTheExcerpt) {
    const QString khoa = QStringLiteral("QZXWKVJYQZXWKVJY");
    const auto conManh = [&](const QString& trich) {
        for (const QChar c : trich) {
            if (khoa.contains(c)) return true;
        }
        return false;
    };
    const qsizetype dai = khoa.size();
    for (qsizetype viTri = kByteNguyenVan - dai - 1; viTri <= kByteNguyenVan + 1; ++viTri) {
        SCOPED_TRACE(viTri);
        const QByteArray than = QByteArray(viTri, '.') + khoa.toUtf8() + QByteArray(600, '.');
        BoNguGhiLai ngu;

        KenhHTTPKichBan kenh([&](const YeuCauHTTP&, int) {
            PhanHoiHTTP p;
            p.status = 401;
            p.than = than;
            return p;
        });
        YeuCauHTTP y;
        y.url = QStringLiteral("https://api.example.test/orders");
        try {
            guiYeuCau(y, QStringLiteral("Sapo"), 0, 0, kenh, ngu, BoAnKhoa({khoa}));
            ADD_FAILURE() << "expected a refusal";
        } catch (const LoiNguonDon& e) {
            EXPECT_FALSE(conManh(e.nguyenVan)) << e.nguyenVan.toStdString();
            EXPECT_LE(e.nguyenVan.toUtf8().size(), kByteNguyenVan);
        }

        MoiTruongNguon mt;
        mt.kenh = &kenh;
        mt.ngu = &ngu;
        mt.mayChu = BangMayChu::tatCaVe(QStringLiteral("https://api.example.test"));
        HaravanClient haravan(khoa, mt, 0);
        try {
            haravan.thuKetNoi();
            ADD_FAILURE() << "expected a refusal";
        } catch (const LoiHaravan& e) {
            EXPECT_FALSE(conManh(e.nguyenVan)) << e.nguyenVan.toStdString();
        }

        KenhHTTPKichBan kenhNhanh([&](const YeuCauHTTP&, int) {
            PhanHoiHTTP p;
            p.status = 200;
            p.than = QByteArray::fromStdString(nlohmann::json{{"code", 0}, {"messages", {than.toStdString()}}}.dump());
            return p;
        });
        mt.kenh = &kenhNhanh;
        NhanhClient nhanh(QStringLiteral("app1"), QStringLiteral("biz1"), khoa, mt);
        try {
            nhanh.thuKetNoi();
            ADD_FAILURE() << "expected a refusal";
        } catch (const LoiNguonDon& e) {
            EXPECT_FALSE(conManh(e.nguyenVan)) << e.nguyenVan.toStdString();
            EXPECT_FALSE(conManh(e.thongDiep)) << e.thongDiep.toStdString();
            EXPECT_LE(e.nguyenVan.toUtf8().size(), kByteNguyenVan);
        }
    }
}

// A server that keeps connections alive and drops one as soon as a second request arrives on it: what reaches
// it is exactly what the budget allows, for a GET and for the POST whose repeat would be a second write.
TEST(PhanHoiThuDich, ADroppedReusedConnectionIsNeverResentBehindTheBudget) {
    for (const QByteArray& phuongThuc : {QByteArray("GET"), QByteArray("POST")}) {
        for (const int nganSach : {1, 3}) {
            SCOPED_TRACE(phuongThuc.toStdString() + " " + std::to_string(nganSach));
            MayChuTho may(MayChuTho::Kieu::dongKhiDungLai);
            KenhHTTPCurl kenh;
            BoNguGhiLai ngu;
            YeuCauHTTP y;
            y.phuongThuc = phuongThuc;
            y.url = may.goc() + QStringLiteral("/order/list");
            if (phuongThuc == "POST") y.than = R"({"paginator":{"size":1}})";
            y.thoiGianCho = std::chrono::seconds(5);
            try {
                guiYeuCau(y, QStringLiteral("Nhanh.vn"), nganSach, 0, kenh, ngu);
                ADD_FAILURE() << "expected the server error";
            } catch (const LoiNguonDon& e) {
                EXPECT_EQ(e.status, 500);
            }
            EXPECT_EQ(may.soYeuCau(), nganSach + 1);
        }
    }
}

// The request time-out is an idle limit: a reply that trickles in over longer than the limit still arrives
// whole, a server that never sends a byte is given up after the limit, and the overall cap ends even a
// lively transfer that runs too long.
TEST(PhanHoiThuDich, SlowButLiveRepliesArriveAndSilentOnesTimeOut) {
    const std::string than = R"({"orders":[],"pad":"0123456789012345678"})";  // 40 bytes, 100 ms apart
    struct {
        const char* ten;
        MayChuTho::Kieu kieu;
        std::chrono::milliseconds tranToanBo;
        bool toi;
    } const bang[] = {
        {"cham ma song", MayChuTho::Kieu::nhoGiot, KenhHTTPCurl::kTranToanBoMacDinh, true},
        {"im lang", MayChuTho::Kieu::imLang, KenhHTTPCurl::kTranToanBoMacDinh, false},
        {"cham qua tran toan bo", MayChuTho::Kieu::nhoGiot, std::chrono::milliseconds(1500), false},
    };
    for (const auto& c : bang) {
        SCOPED_TRACE(c.ten);
        MayChuTho may(c.kieu, than);
        KenhHTTPCurl kenh(c.tranToanBo);
        YeuCauHTTP y;
        y.url = may.goc() + QStringLiteral("/com/orders.json");
        y.thoiGianCho = std::chrono::seconds(1);
        try {
            const PhanHoiHTTP ph = kenh.gui(y, [] { return false; });
            EXPECT_TRUE(c.toi);
            EXPECT_EQ(ph.status, 200);
            EXPECT_EQ(ph.than.toStdString(), than);
        } catch (const LoiKetNoi& e) {
            EXPECT_FALSE(c.toi) << e.what();
            EXPECT_EQ(e.loai(), LoiKetNoi::Loai::hetGio);
        }
        EXPECT_EQ(may.soYeuCau(), 1);
    }
}

namespace {

// A keyring that answers only when the test lets it, and notes the thread that asked.
class KhoKhoaCho final : public KhoKhoa {
public:
    std::optional<QString> doc(const QString& dichVu) override {
        std::unique_lock lk(khoa_);
        cacLuong_.push_back(QThread::currentThread());
        dangCho_ = true;
        coTin_.notify_all();
        coTin_.wait(lk, [&] { return mo_; });
        return muc_.value(dichVu, std::nullopt);
    }
    bool ghi(const QString& dichVu, const QString& giaTri) override {
        std::lock_guard lk(khoa_);
        muc_.insert(dichVu, giaTri);
        return true;
    }
    bool xoa(const QString& dichVu) override {
        std::lock_guard lk(khoa_);
        muc_.remove(dichVu);
        return true;
    }
    void mo() {
        std::lock_guard lk(khoa_);
        mo_ = true;
        coTin_.notify_all();
    }
    bool choDenKhiHoi() {
        std::unique_lock lk(khoa_);
        return coTin_.wait_for(lk, std::chrono::seconds(30), [&] { return dangCho_; });
    }
    std::vector<QThread*> cacLuong() {
        std::lock_guard lk(khoa_);
        return cacLuong_;
    }

private:
    std::mutex khoa_;
    std::condition_variable coTin_;
    bool mo_ = false;
    bool dangCho_ = false;
    QHash<QString, std::optional<QString>> muc_;
    std::vector<QThread*> cacLuong_;
};

}  // namespace

// A sync run and a connection test read the credentials off the GUI thread: both calls return while the keyring
// still has not answered, a run asked for meanwhile starts nothing, and once it answers the run completes.
TEST(PhanHoiThuDich, TheKeyringIsNeverAskedOnTheGuiThread) {
    MoiTruongDongBo m;
    auto khoKhoa = std::make_shared<KhoKhoaCho>();
    khoKhoa->ghi(QStringLiteral("com.korvane.pack.haravan.token"), QStringLiteral("tok-1"));
    m.caiDat = std::make_unique<CaiDat>(m.tam.path() + QStringLiteral("/cho.ini"), khoKhoa);
    m.kichBan = [](NguonDonKichBan& n) {
        n.khiLayDon = [](const QString&, const NhanTienDo&) { return QList<DonHang>{donMau(QStringLiteral("1"))}; };
        n.khiThuKetNoi = [] { return QStringLiteral("Kết nối được."); };
    };
    // Should a read block the GUI thread, this lets it go after a while, so the test fails instead of hanging.
    std::atomic<bool> daMo = false;
    std::thread canh([&] {
        for (int i = 0; i < 500 && !daMo; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        daMo = true;
        khoKhoa->mo();
    });

    auto& db = m.taoDongBo();
    bool xong = false;
    int xongThem = 0;
    std::optional<QString> ketNoi;
    db.dongBo(false, [&] { xong = true; });
    db.dongBo(false, [&] { ++xongThem; });
    db.thuKetNoi([&](const QString& s) { ketNoi = s; });
    EXPECT_FALSE(daMo) << "the GUI thread waited for the keyring";
    EXPECT_TRUE(khoKhoa->choDenKhiHoi());
    EXPECT_EQ(xongThem, 1);
    EXPECT_FALSE(db.dangChay());
    EXPECT_FALSE(xong);

    daMo = true;
    khoKhoa->mo();
    canh.join();
    ASSERT_TRUE(choDen([&] { return xong && ketNoi.has_value(); }));
    EXPECT_EQ(db.trangThai(), QStringLiteral("Đã cập nhật 1 đơn."));
    EXPECT_EQ(*ketNoi, QStringLiteral("Kết nối được."));
    EXPECT_EQ(m.cacLanTao.size(), 1);
    for (QThread* t : khoKhoa->cacLuong()) EXPECT_NE(t, QThread::currentThread());
}
