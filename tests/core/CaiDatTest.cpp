#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "core/CaiDat.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "nentang/BangNenTang.h"

namespace {

struct CoCaiDat {
    QTemporaryDir thuMuc;
    QString tep = thuMuc.filePath(QStringLiteral("korvane.ini"));
    std::shared_ptr<KhoKhoaBoNho> kho = std::make_shared<KhoKhoaBoNho>();

    std::unique_ptr<CaiDat> tao() { return std::make_unique<CaiDat>(tep, kho); }

    void viet(const QByteArray& noiDung) {
        QFile f(tep);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General]\n" + noiDung);
    }

    QByteArray docTep() {
        QFile f(tep);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

const char* const kTenCaiDat[] = {
    "tenShop",  "thuMucGoc", "cameraId",  "doPhanGiai",     "bitrateKbps",  "giayToiDa", "giayToiThieu", "ghiSerial",
    "batTieng", "amLuong",   "soNgayGiu", "daCaiDatLanDau", "thuMucSaoLuu", "maPinBam",  "nguonDon",     "giaoDien"};

}  // namespace

TEST(CaiDatTest, KhoTrongChoMuoiSauGiaTriMacDinh) {
    CoCaiDat co;
    const auto cd = co.tao();
    const QList<QPair<const char*, QVariant>> macDinh{
        {"tenShop", QStringLiteral("Shop")},
        {"thuMucGoc", QDir::homePath() + QStringLiteral("/Korvane Zize")},
        {"cameraId", QString()},
        {"doPhanGiai", QStringLiteral("1280x720")},
        {"bitrateKbps", 1500},
        {"giayToiDa", 300},
        {"giayToiThieu", 3},
        {"ghiSerial", true},
        {"batTieng", true},
        {"amLuong", 0.7},
        {"soNgayGiu", 60},
        {"daCaiDatLanDau", false},
        {"thuMucSaoLuu", QString()},
        {"maPinBam", QString()},
        {"nguonDon", QStringLiteral("haravan")},
        {"giaoDien", QStringLiteral("toi")},
    };
    ASSERT_EQ(macDinh.size(), 16);
    for (const auto& [ten, giaTri] : macDinh) {
        EXPECT_EQ(cd->property(ten), giaTri) << ten;
        EXPECT_TRUE(cd->metaObject()->property(cd->metaObject()->indexOfProperty(ten)).hasNotifySignal()) << ten;
    }
    EXPECT_EQ(CaiDat::docGiaoDienDaLuu(co.tep), "toi");
}

TEST(CaiDatTest, MoiCaiDatConSauKhiTaoLai) {
    CoCaiDat co;
    const QList<QPair<const char*, QVariant>> moi{
        {"tenShop", QStringLiteral("Tiệm \"Hoa\", Đà Nẵng; #1 = tốt")},
        {"thuMucGoc", QStringLiteral("/srv/dữ liệu/Korvane")},
        {"cameraId", QStringLiteral("/dev/video2")},
        {"doPhanGiai", QStringLiteral("1920x1080")},
        {"bitrateKbps", 2500},
        {"giayToiDa", 600},
        {"giayToiThieu", 5},
        {"ghiSerial", false},
        {"batTieng", false},
        {"amLuong", 0.25},
        {"soNgayGiu", 90},
        {"daCaiDatLanDau", true},
        {"thuMucSaoLuu", QStringLiteral("/mnt/sao lưu")},
        {"maPinBam", QString(64, QLatin1Char('a'))},
        {"nguonDon", QStringLiteral("kiotviet")},
        {"giaoDien", QStringLiteral("sang")},
    };
    {
        const auto cd = co.tao();
        QSignalSpy thayDoi(cd.get(), &CaiDat::thayDoi);
        for (const auto& [ten, giaTri] : moi) {
            ASSERT_TRUE(cd->setProperty(ten, giaTri)) << ten;
            // Written through before the setter returns.
            EXPECT_TRUE(co.docTep().contains(QByteArray("korvane.") + ten + "=")) << ten;
        }
        EXPECT_EQ(thayDoi.count(), 16);
    }
    const auto lai = co.tao();
    for (const auto& [ten, giaTri] : moi) EXPECT_EQ(lai->property(ten), giaTri) << ten;
    EXPECT_EQ(CaiDat::docGiaoDienDaLuu(co.tep), "sang");
}

TEST(CaiDatTest, GhiGiaTriCuCungBaoThayDoi) {
    CoCaiDat co;
    const auto cd = co.tao();
    QSignalSpy tenShop(cd.get(), &CaiDat::tenShopChanged);
    QSignalSpy giay(cd.get(), &CaiDat::giayToiDaChanged);
    cd->setTenShop(cd->tenShop());
    cd->setGiayToiDa(300);
    EXPECT_EQ(tenShop.count(), 1);
    EXPECT_EQ(giay.count(), 1);
    EXPECT_TRUE(co.docTep().contains("korvane.giayToiDa=300"));
}

// The INI store keeps only text; anything that is not plainly a value of the setting's type reads as its default.
TEST(CaiDatTest, GiaTriSaiKieuDocThanhMacDinh) {
    struct {
        const char* dong;
        const char* ten;
        QVariant mongDoi;
    } const bang[] = {
        {"korvane.bitrateKbps=abc", "bitrateKbps", 1500},
        {"korvane.bitrateKbps=12abc", "bitrateKbps", 1500},
        {"korvane.bitrateKbps=1.5", "bitrateKbps", 1500},
        {"korvane.bitrateKbps=99999999999", "bitrateKbps", 1500},
        {"korvane.bitrateKbps=true", "bitrateKbps", 1500},
        {"korvane.bitrateKbps=", "bitrateKbps", 1500},
        {"korvane.bitrateKbps=2000", "bitrateKbps", 2000},
        {"korvane.giayToiDa=\" 120\"", "giayToiDa", 300},
        {"korvane.bitrateKbps=0", "bitrateKbps", 1500},
        {"korvane.bitrateKbps=-800", "bitrateKbps", 1500},
        {"korvane.giayToiDa=0", "giayToiDa", 300},
        {"korvane.giayToiDa=45", "giayToiDa", 45},
        {"korvane.giayToiThieu=-2", "giayToiThieu", 3},
        {"korvane.giayToiThieu=0", "giayToiThieu", 0},
        {"korvane.ghiSerial=yes", "ghiSerial", true},
        {"korvane.ghiSerial=0", "ghiSerial", true},
        {"korvane.ghiSerial=false", "ghiSerial", false},
        {"korvane.batTieng=False", "batTieng", true},
        {"korvane.daCaiDatLanDau=1", "daCaiDatLanDau", false},
        {"korvane.daCaiDatLanDau=true", "daCaiDatLanDau", true},
        {"korvane.amLuong=abc", "amLuong", 0.7},
        {"korvane.amLuong=nan", "amLuong", 0.7},
        {"korvane.amLuong=inf", "amLuong", 0.7},
        {"korvane.amLuong=0.45", "amLuong", 0.45},
        {"korvane.amLuong=1", "amLuong", 1.0},
        {"korvane.amLuong=0", "amLuong", 0.0},
        {"korvane.amLuong=2.5", "amLuong", 1.0},
        {"korvane.amLuong=-0.3", "amLuong", 0.0},
        {"korvane.soNgayGiu=0", "soNgayGiu", 60},
        {"korvane.soNgayGiu=-30", "soNgayGiu", 60},
        {"korvane.soNgayGiu=6", "soNgayGiu", 60},
        {"korvane.soNgayGiu=7", "soNgayGiu", 7},
        {"korvane.soNgayGiu=3650", "soNgayGiu", 3650},
        {"korvane.soNgayGiu=3651", "soNgayGiu", 60},
        {"korvane.soNgayGiu=abc", "soNgayGiu", 60},
        {"korvane.tenShop=a, b", "tenShop", QStringLiteral("Shop")},
        {"korvane.tenShop=123", "tenShop", QStringLiteral("123")},
        {"korvane.giaoDien=", "giaoDien", QString()},
    };
    for (const auto& c : bang) {
        SCOPED_TRACE(c.dong);
        CoCaiDat co;
        co.viet(QByteArray(c.dong) + "\n");
        EXPECT_EQ(co.tao()->property(c.ten), c.mongDoi);
    }
}

TEST(CaiDatTest, AmLuongVaSoNgayGiuBiKepKhiGhi) {
    CoCaiDat co;
    const auto cd = co.tao();
    struct {
        double vao, ra;
    } const amLuong[] = {{3.0, 1.0}, {-1.0, 0.0}, {0.3, 0.3}, {std::nan(""), 0.7}};
    for (const auto& c : amLuong) {
        cd->setAmLuong(c.vao);
        EXPECT_DOUBLE_EQ(cd->amLuong(), c.ra) << c.vao;
    }
    struct {
        int vao, ra;
    } const soNgay[] = {{0, 7}, {-5, 7}, {7, 7}, {365, 365}, {100000, 3650}};
    for (const auto& c : soNgay) {
        cd->setSoNgayGiu(c.vao);
        EXPECT_EQ(cd->soNgayGiu(), c.ra) << c.vao;
        EXPECT_EQ(co.tao()->soNgayGiu(), c.ra) << c.vao;
    }
}

TEST(CaiDatTest, KhoaGhiDocGhiDeVaXoa) {
    CoCaiDat co;
    const auto cd = co.tao();
    const QString k = QStringLiteral("com.korvane.pack.haravan.token");
    EXPECT_EQ(cd->docKeychain(k), std::nullopt);
    cd->ghiKeychain(k, QStringLiteral("tok-1"));
    EXPECT_EQ(cd->docKeychain(k), "tok-1");
    cd->ghiKeychain(k, QStringLiteral("tok-2"));
    EXPECT_EQ(cd->docKeychain(k), "tok-2");
    cd->ghiKeychain(k, QString());
    EXPECT_EQ(cd->docKeychain(k), std::nullopt);
    EXPECT_FALSE(co.kho->muc.contains(k));
    cd->ghiKeychain(k, QStringLiteral("tok-3"));
    cd->ghiKeychain(k, std::nullopt);
    EXPECT_EQ(cd->docKeychain(k), std::nullopt);

    QSignalSpy thayDoi(cd.get(), &CaiDat::thayDoi);
    cd->ganKhoa(QStringLiteral("sapo"), QStringLiteral("apiKey"), QStringLiteral("k"));
    EXPECT_EQ(co.kho->muc.value(QStringLiteral("com.korvane.pack.sapo.apiKey")), "k");
    EXPECT_EQ(thayDoi.count(), 1);
    // Nothing about credentials goes into the settings file.
    EXPECT_FALSE(co.docTep().contains("tok"));
}

// A write the keyring refuses must leave the credential that was there, not delete it first.
TEST(CaiDatTest, GhiKhoaHongGiuGiaTriCu) {
    CoCaiDat co;
    const auto cd = co.tao();
    const QString k = dichVuKhoaNguon(QStringLiteral("haravan"), QStringLiteral("token"));
    cd->ghiKeychain(k, QStringLiteral("cu"));
    ASSERT_TRUE(cd->daDienDuKhoa(QStringLiteral("haravan")));
    co.kho->hong = true;
    cd->ghiKeychain(k, QStringLiteral("moi"));
    cd->ghiKeychain(k, QString());
    co.kho->hong = false;
    EXPECT_EQ(cd->docKeychain(k), "cu");
    EXPECT_TRUE(cd->daDienDuKhoa(QStringLiteral("haravan")));
}

TEST(CaiDatTest, ChuyenTokenCu) {
    const QString moi = QStringLiteral("com.korvane.pack.haravan.token");
    struct {
        const char* ten;
        std::optional<QString> moi, cu, moiSau;
    } const bang[] = {
        {"khong co moi, cu co gia tri", std::nullopt, QStringLiteral("tok-cu"), QStringLiteral("tok-cu")},
        {"moi da co", QStringLiteral("tok-moi"), QStringLiteral("tok-cu"), QStringLiteral("tok-moi")},
        {"moi rong van tinh la co", QString(), QStringLiteral("tok-cu"), QString()},
        {"cu khong co", std::nullopt, std::nullopt, std::nullopt},
        {"cu rong", std::nullopt, QString(), std::nullopt},
    };
    for (const auto& c : bang) {
        SCOPED_TRACE(c.ten);
        CoCaiDat co;
        if (c.moi) co.kho->muc.insert(moi, *c.moi);
        if (c.cu) co.kho->muc.insert(CaiDat::khoaTokenCu, *c.cu);
        const auto cd = co.tao();
        cd->chuyenTokenCu();
        EXPECT_EQ(cd->docKeychain(moi), c.moiSau);
        // The older item always stays where it was.
        EXPECT_EQ(cd->docKeychain(CaiDat::khoaTokenCu), c.cu);
    }
    EXPECT_EQ(CaiDat::khoaTokenCu, "com.korvane.pack.haravan-token");
}

TEST(CaiDatTest, DaDienDuKhoaTheoTungTruong) {
    for (const MucNguon& nguon : bangNenTang()) {
        const auto& truong = cacTruongKhaiBao(nguon.id);
        for (qsizetype trong = -1; trong < truong.size(); ++trong) {
            for (const QString& giaTriTrong : {QStringLiteral(" \n\t"), QString(), QStringLiteral("<khong co>")}) {
                SCOPED_TRACE(nguon.id.toStdString() + " truong trong " + std::to_string(trong));
                CoCaiDat co;
                for (qsizetype i = 0; i < truong.size(); ++i) {
                    const QString k = dichVuKhoaNguon(nguon.id, truong[i].khoa);
                    if (i != trong) {
                        co.kho->muc.insert(k, QStringLiteral(" gia-tri\n"));
                    } else if (giaTriTrong != QStringLiteral("<khong co>")) {
                        co.kho->muc.insert(k, giaTriTrong);
                    }
                }
                EXPECT_EQ(co.tao()->daDienDuKhoa(nguon.id), trong < 0);
            }
        }
    }
    // An unknown source needs the Haravan fields under its own id.
    CoCaiDat co;
    co.kho->muc.insert(QStringLiteral("com.korvane.pack.haravan.token"), QStringLiteral("t"));
    EXPECT_FALSE(co.tao()->daDienDuKhoa(QStringLiteral("shopee")));
    co.kho->muc.insert(QStringLiteral("com.korvane.pack.shopee.token"), QStringLiteral("t"));
    EXPECT_TRUE(co.tao()->daDienDuKhoa(QStringLiteral("shopee")));
}

// Screens ask on every repaint: after the first look the answer comes from what was last read or written.
TEST(CaiDatTest, DaDienDuKhoaDocTuBoNhoDem) {
    CoCaiDat co;
    const auto cd = co.tao();
    const QString nhanh = QStringLiteral("nhanh");
    EXPECT_FALSE(cd->daDienDuKhoa(nhanh));
    const int soLanDau = co.kho->soLanDoc;
    EXPECT_EQ(soLanDau, 1);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(cd->daDienDuKhoa(nhanh));
    EXPECT_EQ(co.kho->soLanDoc, soLanDau);

    for (const TruongKhaiBao& t : cacTruongKhaiBao(nhanh)) cd->ganKhoa(nhanh, t.khoa, QStringLiteral("x"));
    EXPECT_TRUE(cd->daDienDuKhoa(nhanh));
    cd->ganKhoa(nhanh, QStringLiteral("businessId"), QStringLiteral(""));
    EXPECT_FALSE(cd->daDienDuKhoa(nhanh));
    EXPECT_EQ(co.kho->soLanDoc, soLanDau);

    // A refused write leaves the cache unsure of that field; the keyring is asked again.
    co.kho->hong = true;
    cd->ganKhoa(nhanh, QStringLiteral("businessId"), QStringLiteral("y"));
    co.kho->hong = false;
    EXPECT_FALSE(cd->daDienDuKhoa(nhanh));
    EXPECT_EQ(co.kho->soLanDoc, soLanDau + 1);
}

TEST(CaiDatTest, BamPinTheoTienToCoDinh) {
    const auto sha = [](const QString& s) {
        return QString::fromLatin1(QCryptographicHash::hash(s.toUtf8(), QCryptographicHash::Sha256).toHex());
    };
    // The salt is fixed for good: a stored digest made under any other prefix never verifies again.
    for (const QString& pin : {QStringLiteral("1234"), QStringLiteral("mật khẩu"), QString()}) {
        const QString bam = CaiDat::bamPin(pin);
        EXPECT_EQ(bam, sha(QStringLiteral("Korvane#Pin!") + pin));
        EXPECT_NE(bam, sha(pin));
        EXPECT_EQ(bam.size(), 64);
        EXPECT_EQ(bam, bam.toLower());
    }
}

TEST(CaiDatTest, DatVaKiemTraPin) {
    CoCaiDat co;
    {
        const auto cd = co.tao();
        EXPECT_TRUE(cd->kiemTraPin(QStringLiteral("bat ky")));
        cd->datPin(QStringLiteral("  Ab12\n"));
        EXPECT_EQ(cd->maPinBam(), CaiDat::bamPin(QStringLiteral("Ab12")));
        EXPECT_FALSE(co.docTep().contains("Ab12"));
    }
    const auto cd = co.tao();
    struct {
        const char* nhap;
        bool dung;
    } const bang[] = {{"Ab12", true},  {" Ab12 ", true}, {"Ab12\n", true},  {"\tAb12\r\n", true}, {"ab12", false},
                      {"AB12", false}, {"Ab1", false},   {"Ab12 3", false}, {"", false}};
    for (const auto& c : bang) EXPECT_EQ(cd->kiemTraPin(QString::fromUtf8(c.nhap)), c.dung) << c.nhap;

    cd->datPin(QStringLiteral(" \n "));
    EXPECT_EQ(cd->maPinBam(), QString());
    EXPECT_TRUE(co.docTep().contains("korvane.maPinBam="));
    for (const char* nhap : {"", "Ab12", "sai"}) EXPECT_TRUE(cd->kiemTraPin(QString::fromUtf8(nhap))) << nhap;
    EXPECT_EQ(co.tao()->maPinBam(), QString());
}
