#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
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

const char* const kDonHang = R"({"orders":[
  {"id":5001,"order_number":"#5001","updated_at":"2025-12-09T01:00:00Z",
   "customer":{"last_name":"Trần","first_name":"Bình"},
   "fulfillments":[{"tracking_number":"GHN5001","tracking_company":"GHN"}],
   "line_items":[{"title":"Ấm trà","quantity":1}]},
  {"id":5002,"order_number":"#5002","updated_at":"2025-12-09T02:00:00Z","cancelled_at":"2025-12-09T03:00:00Z",
   "fulfillments":[{"tracking_number":"GHN5002"}],"line_items":[]}
]})";

}  // namespace

// The start-up sequence as the application runs it, with the real sync engine and Haravan client pointed
// at a fake platform on loopback and a coordinator whose camera and speaker are test doubles: the first
// sync fills the store, and a code typed at the desk starts a recording with the cue of its order.
TEST(DuongDiDayDu, StartUpSyncFillsTheStoreAndTypedCodesFindTheirOrders) {
    struct Ca {
        const char* ma;
        LoaiTieng tieng;
        bool coCanhBao;
    };
    const Ca cacCa[] = {{"GHN5001", LoaiTieng::nhanMa, false},
                        {"ghn-5002", LoaiTieng::donDaHuy, true},
                        {"#5001", LoaiTieng::nhanMa, false}};
    for (const auto& ca : cacCa) {
        MayChuGia may;
        may.get("/com/orders.json",
                [](const httplib::Request&, httplib::Response& res) { res.set_content(kDonHang, "application/json"); });
        may.chay();

        UngDungThu u;
        u.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.haravan.token"), QStringLiteral("shpat_e2e"));
        u.chay(may.goc());
        BoDongBo*& dongBo = u.dongBo;
        TrangThaiApp& trangThai = u.trangThai;
        KhungChinh& khung = *u.khung;
        CameraGia& camera = u.camera;
        TiengBaoGhiLai& tieng = u.tieng;
        HenGioTay& henGio = u.henGio;

        ASSERT_TRUE(choDen([&] { return trangThai.kho() && trangThai.kho()->donTheoId().size() == 2; }));
        ASSERT_NE(dongBo, nullptr);
        ASSERT_TRUE(choDen([&] { return !dongBo->dangChay(); }));
        EXPECT_EQ(dongBo->trangThai(), QStringLiteral("Đã cập nhật 2 đơn."));
        // The window's status strip shows the engine's status line.
        QStringList chu;
        for (const QLabel* nhan : khung.findChildren<QLabel*>()) chu << nhan->text();
        EXPECT_TRUE(chu.contains(QStringLiteral("Đã cập nhật 2 đơn."))) << chu.join(" | ").toStdString();
        EXPECT_EQ(henGio.soDangCho(), 1);  // the next pass of the minute loop is waiting
        ASSERT_EQ(may.daNhan().size(), 1u);
        EXPECT_EQ(may.daNhan()[0].tieuDeDau("Authorization"), "Bearer shpat_e2e");

        BoDieuPhoi* dp = trangThai.dieuPhoi();
        ASSERT_NE(dp, nullptr);
        tieng.cacTieng.clear();
        bool xong = false;
        dp->nhapMaTay(QString::fromLatin1(ca.ma), [&] { xong = true; });
        ASSERT_TRUE(choDen([&] { return xong; }));
        EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{ca.tieng}) << ca.ma;
        ASSERT_TRUE(dp->donHienTai()) << ca.ma;
        EXPECT_EQ(dp->donHienTai()->id,
                  ca.tieng == LoaiTieng::donDaHuy ? QStringLiteral("5002") : QStringLiteral("5001"));
        EXPECT_EQ(dp->canhBao().has_value(), ca.coCanhBao) << ca.ma;
        EXPECT_TRUE(choDen([&] { return camera.dangGhi(); }));
        EXPECT_EQ(camera.cacLanChuanBi.size(), 1u);
    }
}
