#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "KhoTrenDia.h"
#include "core/BoSuaBanGhi.h"
#include "gia/core/TiengBaoGhiLai.h"
#include "store/BanGhiVideo.h"
#include "gia/store/DoDungLuongGia.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"

namespace {

class BoSuaBanGhiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(thuMuc.isValid());
        kho = std::make_unique<KhoDuLieu>(thuMuc.filePath("goc"), &dongHo,
                                          std::make_shared<DoDungLuongGia>(qint64(100) * 1024 * 1'048'576));
        ASSERT_FALSE(kho->moKho().has_value());
        kho->napTatCa(8);
        sua = std::make_unique<BoSuaBanGhi>(*kho, tieng);
        QObject::connect(sua.get(), &BoSuaBanGhi::thongBaoMoi, [this](const QString& vb) { thongBao.push_back(vb); });
        QObject::connect(sua.get(), &BoSuaBanGhi::loiMoi, [this](const QString& vb) { canhBao.push_back(vb); });
    }
    BanGhiVideo luuSan(const QString& id, const QString& kind, const std::optional<QString>& orderId,
                       std::optional<QStringList> serials, bool daXoa = false) {
        BanGhiVideo bg;
        bg.id = id;
        bg.kind = kind;
        bg.code = "MA-" + id;
        bg.orderId = orderId;
        bg.serials = std::move(serials);
        bg.filePath = "/tmp/" + id + ".mp4";
        bg.fileName = id + ".mp4";
        bg.startedAt = "2026-12-0" + id.right(1) + "T08:00:00Z";
        bg.keepForever = false;
        if (daXoa) bg.deleted = true;
        kho->ghiBanGhiVideo(bg);
        kho->datVideo(bg);
        return bg;
    }
    void chanThuMucBanGhi() {
        ASSERT_TRUE(QDir(kho->thuMucBanGhiVideo()).removeRecursively());
        QFile chan(kho->thuMucBanGhiVideo());
        ASSERT_TRUE(chan.open(QIODevice::WriteOnly));
    }
    std::vector<BanGhiVideo> banGhiTrenDia() const { return kho_tren_dia::banGhi(*kho); }
    std::vector<nlohmann::json> nhatKy(const std::string& suKien) const { return kho_tren_dia::suKien(*kho, suKien); }
    QString thongBaoCuoi() const { return thongBao.empty() ? QString() : thongBao.back(); }

    QTemporaryDir thuMuc;
    DongHoGia dongHo;
    TiengBaoGhiLai tieng;
    std::unique_ptr<KhoDuLieu> kho;
    std::unique_ptr<BoSuaBanGhi> sua;
    std::vector<QString> thongBao;
    std::vector<QString> canhBao;
};

TEST_F(BoSuaBanGhiTest, GanDonThayNamTruongVaBaoTenKhach) {
    luuSan("v1", "pack", std::nullopt, QStringList{});
    DonHang don;
    don.id = "7001";
    don.orderNumber = "#7001";
    don.customerPhone = "0908";
    don.trackings = {MaVanDon{"VD-7001", std::nullopt}, MaVanDon{"VD-KHAC", std::nullopt}};
    const struct {
        std::optional<QString> tenKhach;
        const char* thongBao;
    } cac[] = {{QStringLiteral("Anh Minh"), "Đã gắn video vào đơn của Anh Minh."},
               {std::nullopt, "Đã gắn video vào đơn của 7001."}};
    for (const auto& c : cac) {
        don.customerName = c.tenKhach;
        tieng.cacTieng.clear();
        sua->ganDon("v1", don);
        const BanGhiVideo bg = kho->videoTheoId().value("v1");
        EXPECT_EQ(bg.orderId, QStringLiteral("7001"));
        EXPECT_EQ(bg.orderNumber, QStringLiteral("#7001"));
        EXPECT_EQ(bg.trackingNumber, QStringLiteral("VD-7001"));
        EXPECT_EQ(bg.customerName, c.tenKhach);
        EXPECT_EQ(bg.customerPhone, QStringLiteral("0908"));
        EXPECT_EQ(bg.kind, QStringLiteral("pack"));
        EXPECT_EQ(bg.code, "MA-v1");
        EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::daLuu});
        EXPECT_EQ(thongBaoCuoi(), QString::fromUtf8(c.thongBao));
        EXPECT_TRUE(canhBao.empty());
    }
    EXPECT_EQ(banGhiTrenDia().size(), 3u);
    const auto gan = nhatKy("relink");
    ASSERT_EQ(gan.size(), 2u);
    EXPECT_EQ(gan[0]["detail"], (nlohmann::json{{"id", "v1"}, {"orderId", "7001"}}));

    tieng.cacTieng.clear();
    sua->ganDon("khong-co", don);  // unknown id: nothing at all
    EXPECT_TRUE(tieng.cacTieng.empty());

    chanThuMucBanGhi();
    DonHang khac = don;
    khac.id = "7002";
    sua->ganDon("v1", khac);
    EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::coLoi});
    ASSERT_EQ(canhBao.size(), 1u);
    EXPECT_TRUE(canhBao[0].startsWith(QStringLiteral("Không gắn được đơn: "))) << canhBao[0].toStdString();
    EXPECT_EQ(kho->videoTheoId().value("v1").orderId, QStringLiteral("7001"));
    EXPECT_EQ(nhatKy("relink").size(), 2u);
}

TEST_F(BoSuaBanGhiTest, ToKhaiHangHoanGiuMaiKhiCoVanDe) {
    const struct {
        QStringList tinhTrang;
        bool giuMai;
        LoaiTieng tieng;
    } cac[] = {
        {{"con-nguyen-seal"}, false, LoaiTieng::daLuu}, {{"co-vet-xuoc", "sai-serial"}, true, LoaiTieng::coLoi},
        {{"sai-san-pham"}, true, LoaiTieng::coLoi},     {{"thieu-phu-kien"}, true, LoaiTieng::coLoi},
        {{"SAI-SERIAL"}, false, LoaiTieng::daLuu},
    };
    int i = 0;
    for (const auto& c : cac) {
        SCOPED_TRACE(c.tinhTrang.join(",").toStdString());
        const QString id = QStringLiteral("h%1").arg(++i);
        luuSan(id, "pack", std::nullopt, QStringList{});
        KhaiBaoHoan khai;
        khai.reason = "giao-nham";
        khai.conditions = c.tinhTrang;
        khai.decision = "cho-xu-ly";
        khai.savedAt = "2026-12-10T09:00:00Z";
        tieng.cacTieng.clear();
        thongBao.clear();
        EXPECT_TRUE(sua->luuToKhaiHangHoan(id, khai));
        const BanGhiVideo bg = kho->videoTheoId().value(id);
        EXPECT_EQ(bg.kind, QStringLiteral("return"));
        EXPECT_EQ(bg.returnInfo, khai);
        EXPECT_EQ(bg.keepForever, c.giuMai);
        EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{c.tieng});
        EXPECT_TRUE(thongBao.empty());
        EXPECT_EQ(nhatKy("return_info").back()["detail"],
                  (nlohmann::json{{"id", id.toStdString()},
                                  {"decision", "cho-xu-ly"},
                                  {"conditions", c.tinhTrang.join(",").toStdString()}}));
    }
    EXPECT_FALSE(sua->luuToKhaiHangHoan("khong-co", KhaiBaoHoan{}));

    chanThuMucBanGhi();
    tieng.cacTieng.clear();
    EXPECT_FALSE(sua->luuToKhaiHangHoan("h1", KhaiBaoHoan{}));
    EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::coLoi});
    ASSERT_EQ(canhBao.size(), 1u);
    EXPECT_TRUE(canhBao[0].startsWith(QStringLiteral("Không lưu được tờ khai mở kiện: ")));
    EXPECT_TRUE(kho->videoTheoId().value("h1").returnInfo.has_value());
}

// A declaration without a problem must not take back the keep-forever mark a record already has (for example from
// an earlier declaration that found one).
TEST_F(BoSuaBanGhiTest, ToKhaiKhongVanDeKhongBoDauGiuMai) {
    BanGhiVideo bg = luuSan("k1", "return", std::nullopt, QStringList{});
    bg.keepForever = true;
    kho->ghiBanGhiVideo(bg);
    kho->datVideo(bg);
    KhaiBaoHoan khai;
    khai.conditions = QStringList{"con-nguyen-seal"};
    ASSERT_FALSE(khai.coVanDe());
    ASSERT_TRUE(sua->luuToKhaiHangHoan("k1", khai));
    EXPECT_EQ(kho->videoTheoId().value("k1").keepForever, true);
    EXPECT_EQ(banGhiTrenDia().back().keepForever, true);
    EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::daLuu});
}

TEST_F(BoSuaBanGhiTest, DoiChieuSerialTheoCacTruongHop) {
    luuSan("s1", "pack", QStringLiteral("8001"), QStringList{"SN-AB.12", "SN-X"});
    luuSan("s2", "pack", QStringLiteral("8001"), std::nullopt);
    luuSan("s3", "return", QStringLiteral("8001"), QStringList{"SN-TRA-VE"});
    luuSan("s4", "pack", QStringLiteral("8001"), QStringList{"SN-DA-XOA"}, true);
    luuSan("s5", "pack", QStringLiteral("8002"), std::nullopt);
    const QStringList daGui{"SN-AB.12", "SN-X"};
    using K = BoSuaBanGhi::KetLuanSerial;
    const struct {
        std::optional<QString> don;
        const char* nhan;
        BoSuaBanGhi::KetLuanSerial ketQua;
        QStringList ds;
    } cac[] = {
        {QStringLiteral("8001"), "  #sn ab-12  ", K::khop, daGui},
        {QStringLiteral("8001"), "sn-x", K::khop, daGui},
        {QStringLiteral("8001"), "SN-KHAC", K::khac, daGui},
        {QStringLiteral("8001"), "SN-TRA-VE", K::khac, daGui},  // a returns video's serial is not what was sent
        {QStringLiteral("8001"), "SN-DA-XOA", K::khac, daGui},
        {QStringLiteral("8001"), " - ", K::khongDoiChieu, daGui},
        {QStringLiteral("8002"), "SN-X", K::khongDoiChieu, {}},
        {std::nullopt, "SN-X", K::khongDoiChieu, {}},
    };
    for (const auto& c : cac) {
        SCOPED_TRACE(c.nhan);
        const auto [ketQua, ds] = sua->doiChieuSerial(c.don, QString::fromUtf8(c.nhan));
        EXPECT_EQ(ketQua, c.ketQua);
        EXPECT_EQ(ds, c.ds);
    }
}

}  // namespace
