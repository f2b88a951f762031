#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "KhoiDongThu.h"
#include "MayChuGia.h"
#include "common/ChoDen.h"
#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "gia/core/CameraGia.h"
#include "gia/core/HenGioTay.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "core/KhoiDong.h"
#include "shell/KhungChinh.h"
#include "gia/core/TiengBaoGhiLai.h"
#include "core/TrangThaiApp.h"
#include "sources/BoDongBo.h"
#include "store/KhoDuLieu.h"

namespace {

// A shop on one platform with two parcels: one on its way, one the buyer cancelled.
struct CuaHangThu {
    const char* nguon;
    QList<QPair<QString, QString>> khoa;
    std::string donHang;
    const char* maThuong;
    const char* maHuy;
};

const CuaHangThu kCacCuaHang[] = {
    {"kiotviet",
     {{"retailer", "shop1"}, {"clientId", "cid"}, {"clientSecret", "sec"}},
     R"({"total":2,"data":[{"id":1,"code":"HD1","invoiceDelivery":{"deliveryCode":"KV001"}},
                            {"id":2,"code":"HD2","status":4,"deliveryCode":"KV002"}]})",
     "KV001",
     "kv002"},
    {"sapo",
     {{"store", "shop1"}, {"apiKey", "key"}, {"apiSecret", "sec"}},
     R"({"orders":[{"id":1,"fulfillments":[{"tracking_number":"SP001"}]},
                   {"id":2,"cancelled_on":"2025-12-09T03:00:00Z","fulfillments":[{"tracking_number":"SP002"}]}]})",
     "SP001",
     "SP002"},
    {"pancake",
     {{"shopId", "123"}, {"apiKey", "key"}},
     R"({"data":[{"id":1,"partner":{"extend_code":"PC001"}},{"id":2,"status":6,"partner":{"extend_code":"PC002"}}]})",
     "PC001",
     "pc-002"},
    {"nhanh",
     {{"appId", "app"}, {"businessId", "biz"}, {"accessToken", "tok"}},
     R"({"code":1,"paginator":{"next":null},"data":[
           {"info":{"id":1,"status":59,"createdAt":1765184400},"carrier":{"name":"GHN","code":"NH001"}},
           {"info":{"id":2,"status":63,"createdAt":1765188000},"carrier":{"name":"GHN","code":"NH002"}}]})",
     "NH001",
     "NH002"},
};

}  // namespace

// The application started on each of the four other platforms: the start-up sync fills the store through
// the platform's own client, and a code typed at the desk finds its order, with the cancelled cue for
// the parcel the buyer cancelled.
TEST(KhachDuongDiDayDu, EachPlatformsOrdersReachTheDesk) {
    for (const CuaHangThu& ch : kCacCuaHang) {
        for (const char* ma : {ch.maThuong, ch.maHuy}) {
            SCOPED_TRACE(std::string(ch.nguon) + " " + ma);
            MayChuGia may;
            const auto xuLy = [&](const httplib::Request& req, httplib::Response& res) {
                if (req.path == "/kiotviet/connect/token") {
                    res.set_content(R"({"access_token":"AT1","expires_in":3600})", "application/json");
                } else {
                    res.set_content(ch.donHang, "application/json");
                }
            };
            may.get("/(kiotviet|sapo|pancake|nhanh)/.*", xuLy);
            may.post("/(kiotviet|sapo|pancake|nhanh)/.*", xuLy);
            may.chay();

            UngDungThu u;
            for (const auto& [k, v] : ch.khoa) {
                u.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.%1.%2").arg(QLatin1String(ch.nguon), k), v);
            }
            u.caiDat.setNguonDon(QString::fromLatin1(ch.nguon));
            u.chay(may.goc());
            BoDongBo*& dongBo = u.dongBo;
            TrangThaiApp& trangThai = u.trangThai;
            CameraGia& camera = u.camera;
            TiengBaoGhiLai& tieng = u.tieng;

            ASSERT_TRUE(choDen([&] { return trangThai.kho() && trangThai.kho()->donTheoId().size() == 2; }));
            ASSERT_NE(dongBo, nullptr);
            ASSERT_TRUE(choDen([&] { return !dongBo->dangChay(); }));
            EXPECT_EQ(dongBo->trangThai(), QStringLiteral("Đã cập nhật 2 đơn."));

            BoDieuPhoi* dp = trangThai.dieuPhoi();
            ASSERT_NE(dp, nullptr);
            tieng.cacTieng.clear();
            bool xong = false;
            dp->nhapMaTay(QString::fromLatin1(ma), [&] { xong = true; });
            ASSERT_TRUE(choDen([&] { return xong; }));
            const bool huy = ma == ch.maHuy;
            EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{huy ? LoaiTieng::donDaHuy : LoaiTieng::nhanMa});
            ASSERT_TRUE(dp->donHienTai());
            EXPECT_EQ(dp->donHienTai()->id, huy ? QStringLiteral("2") : QStringLiteral("1"));
            EXPECT_TRUE(choDen([&] { return camera.dangGhi(); }));
        }
    }
}
