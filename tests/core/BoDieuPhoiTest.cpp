#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <thread>

#include "KhoTrenDia.h"
#include "LoiNhapXuatGia.h"
#include "core/BoDieuPhoi.h"
#include "core/BoSuaBanGhi.h"
#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "gia/core/CameraGia.h"
#include "core/CumDieuPhoi.h"
#include "core/NhanVideoDoDang.h"
#include "gia/core/DauRaAmThanhGia.h"
#include "gia/core/HenGioTay.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "core/TiengBao.h"
#include "gia/core/TiengBaoGhiLai.h"
#include "gia/store/DoDungLuongGia.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"

using namespace std::chrono_literals;

namespace {

constexpr qint64 kMiB = 1'048'576;

// Fixture videos made once by the ffmpeg tool, an independent writer.
QString tepMau(const QString& ten, const QStringList& thamSo) {
    static QTemporaryDir* thuMuc = new QTemporaryDir();
    const QString tep = thuMuc->filePath(ten);
    if (!QFile::exists(tep)) {
        QProcess p;
        p.start("ffmpeg", QStringList{"-hide_banner", "-loglevel", "error", "-y"} + thamSo + QStringList{tep});
        p.waitForFinished(60000);
    }
    return tep;
}

QString videoMau() {
    return tepMau("mau.mp4", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=30", "-t", "2", "-c:v", "libx264"});
}

QString tiengMau() {
    return tepMau("tieng.mp4", {"-f", "lavfi", "-i", "sine=frequency=440", "-t", "2", "-c:a", "aac"});
}

QString sha256Doc(const QString& tep) {
    QFile f(tep);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return QString::fromLatin1(h.result().toHex());
}

}  // namespace

class BoDieuPhoiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(thuMuc.isValid());
        ASSERT_TRUE(QFileInfo::exists(videoMau()));
        doDungLuong = std::make_shared<DoDungLuongGia>(qint64(100) * 1024 * kMiB);
        kho = std::make_unique<KhoDuLieu>(thuMuc.filePath("goc"), &dongHo, doDungLuong);
        ASSERT_FALSE(kho->moKho().has_value());
        kho->napTatCa(8);
        caiDat = std::make_unique<CaiDat>(thuMuc.filePath("caidat.ini"), std::make_shared<KhoKhoaBoNho>());
        camera.daMoXong();
        camera.tuHoanTatVoiTep(videoMau(), 5);
        dp = taoDieuPhoi(*kho);
    }

    std::unique_ptr<BoDieuPhoi> taoDieuPhoi(KhoDuLieu& k) {
        // Background work runs at once, or waits for the test to pump it.
        auto chayNen = [this](std::function<void()> f) {
            if (bomTay)
                viecNen.push_back(std::move(f));
            else
                f();
        };
        BoDieuPhoi::PhuThuoc pt{&camera, &tieng, &dongHo, &henGio, chayNen};
        return std::make_unique<BoDieuPhoi>(k, *caiDat, pt);
    }

    void xuLySuKien() {
        for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
    }
    void doc(const QString& ma) {
        camera.docDuocMa(ma);
        xuLySuKien();
    }
    void go(const QString& ma) {
        dp->nhapMaTay(ma);
        xuLySuKien();
    }
    // Steps time in small slices so results handed back to the GUI thread arrive between ticks.
    void tien(std::chrono::milliseconds d) {
        while (d > 0ms) {
            const auto buoc = std::min(d, std::chrono::milliseconds(100));
            henGio.tien(buoc);
            xuLySuKien();
            d -= buoc;
        }
    }
    void themDon(const QString& id, const QString& maVanDon, std::optional<QString> huy = std::nullopt,
                 std::optional<QString> tenKhach = QStringLiteral("Chị Lan")) {
        DonHang d;
        d.id = id;
        d.orderNumber = QStringLiteral("#") + id;
        d.createdAt = QStringLiteral("2026-12-01T08:00:00Z");
        d.updatedAt = d.createdAt;
        d.customerName = tenKhach;
        d.customerPhone = QStringLiteral("0901234567");
        d.trackings = {MaVanDon{maVanDon, QStringLiteral("GHN")}};
        d.cancelledAt = huy;
        kho->capNhatDon(d);
    }
    std::vector<BanGhiVideo> banGhiTrenDia() const { return kho_tren_dia::banGhi(*kho); }
    std::vector<nlohmann::json> nhatKy(const std::string& suKien) const { return kho_tren_dia::suKien(*kho, suKien); }
    int soTieng(LoaiTieng loai) const {
        return static_cast<int>(std::count(tieng.cacTieng.begin(), tieng.cacTieng.end(), loai));
    }
    QString thongBao() const { return dp->thongBao().value_or(QString()); }
    QString canhBao() const { return dp->canhBao().value_or(QString()); }

    void bomViecNen() {
        while (!viecNen.empty()) {
            auto f = std::move(viecNen.front());
            viecNen.pop_front();
            f();
        }
        xuLySuKien();
    }

    bool bomTay = false;
    std::deque<std::function<void()>> viecNen;
    QTemporaryDir thuMuc;
    DongHoGia dongHo;
    HenGioTay henGio{&dongHo};
    CameraGia camera;
    TiengBaoGhiLai tieng;
    std::shared_ptr<DoDungLuongGia> doDungLuong;
    std::unique_ptr<KhoDuLieu> kho;
    std::unique_ptr<CaiDat> caiDat;
    std::unique_ptr<BoDieuPhoi> dp;
};

// ---- the road of one parcel ----

TEST_F(BoDieuPhoiTest, NhanGiuTrongKhungMuoiGiayBatDauMotLanRoiDungVaLuu) {
    themDon("1001", "VD123456");
    std::vector<QString> hook;  // the after-save listener sees the record once it is in the map and journalled
    QObject::connect(dp.get(), &BoDieuPhoi::daLuuVideo, [&](const BanGhiVideo& bg) {
        hook.push_back(kho->videoTheoId().contains(bg.id) && nhatKy("rec_finish").size() == 1 ? bg.id : QString());
    });
    for (int i = 0; i < 100; ++i) {  // 10 s in view, read ten times a second
        doc("VD123456");
        tien(100ms);
    }
    ASSERT_EQ(camera.cacLanChuanBi.size(), 1u);
    EXPECT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::dangQuay);
    EXPECT_EQ(camera.soLanDung, 0);
    tien(2000ms);  // taken away
    doc("VD123456");
    ASSERT_EQ(camera.soLanDung, 1);
    EXPECT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::nghi);

    const auto ds = banGhiTrenDia();
    ASSERT_EQ(ds.size(), 1u);
    const BanGhiVideo& bg = ds[0];
    EXPECT_TRUE(bg.id.startsWith("r_")) << bg.id.toStdString();
    EXPECT_EQ(bg.kind, QStringLiteral("pack"));
    EXPECT_EQ(bg.code, "VD123456");
    EXPECT_EQ(bg.orderId, QStringLiteral("1001"));
    EXPECT_EQ(bg.orderNumber, QStringLiteral("#1001"));
    EXPECT_EQ(bg.trackingNumber, QStringLiteral("VD123456"));
    EXPECT_EQ(bg.customerName, QStringLiteral("Chị Lan"));
    EXPECT_EQ(bg.serials, QStringList());
    EXPECT_EQ(bg.filePath, camera.cacLanChuanBi[0].duongDan);
    EXPECT_EQ(bg.sha256, sha256Doc(bg.filePath));
    EXPECT_EQ(bg.bytes, QFileInfo(bg.filePath).size());
    EXPECT_EQ(bg.durationSec, 2);  // the file's own length, though the camera reported 5 s between start and stop
    EXPECT_EQ(bg.resolution, QStringLiteral("1280x720"));
    EXPECT_EQ(bg.cameraLabel, QStringLiteral("Webcam thử"));
    EXPECT_EQ(bg.shopName, QStringLiteral("Shop"));
    EXPECT_EQ(bg.keepForever, false);
    EXPECT_EQ(bg.deleted, false);
    EXPECT_EQ(bg.invalid, false);
    EXPECT_TRUE(kho->videoTheoId().contains(bg.id));
    EXPECT_EQ(hook, std::vector<QString>{bg.id});
    EXPECT_EQ(dp->soDaQuayHomNay(), 1);
    EXPECT_EQ(tieng.cacTieng, (std::vector<LoaiTieng>{LoaiTieng::nhanMa, LoaiTieng::daLuu}));
    EXPECT_EQ(thongBao(), BoDieuPhoi::thongBaoDaLuu(2, bg.bytes));
    EXPECT_FALSE(dp->thongBaoLaLoi());
    EXPECT_TRUE(dp->donHienTaiDaLuu());

    const auto batDau = nhatKy("rec_start");
    ASSERT_EQ(batDau.size(), 1u);
    EXPECT_EQ(batDau[0]["detail"], (nlohmann::json{{"code", "VD123456"}, {"orderId", "1001"}, {"kind", "pack"}}));
    const auto xong = nhatKy("rec_finish");
    ASSERT_EQ(xong.size(), 1u);
    EXPECT_EQ(xong[0]["detail"], (nlohmann::json{{"code", "VD123456"},
                                                 {"sha256", bg.sha256.toStdString()},
                                                 {"bytes", std::to_string(bg.bytes)},
                                                 {"kind", "pack"}}));
    EXPECT_TRUE(kho->nhatKy().kiemTra().ok);
}

// Codes, stops and the published fields are the GUI thread's: the same calls from a worker stop the program,
// naming the call, instead of racing the recording's state.
TEST_F(BoDieuPhoiTest, GoiTuLuongKhacDungChuongTrinh) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* noi;
        std::function<void(BoDieuPhoi&)> goi;
    } bang[] = {
        {"BoDieuPhoi::xuLyMaDocDuoc", [](BoDieuPhoi& d) { d.xuLyMaDocDuoc(QStringLiteral("VD1")); }},
        {"BoDieuPhoi::xuLyMaDongGoi", [](BoDieuPhoi& d) { d.xuLyMaDongGoi(QStringLiteral("VD1")); }},
        {"BoDieuPhoi::xuLyMaHangHoan", [](BoDieuPhoi& d) { d.xuLyMaHangHoan(QStringLiteral("VD1")); }},
        {"BoDieuPhoi::nhapMaTay", [](BoDieuPhoi& d) { d.nhapMaTay(QStringLiteral("VD1")); }},
        {"BoDieuPhoi::quayKhongMa", [](BoDieuPhoi& d) { d.quayKhongMa(); }},
        {"BoDieuPhoi::batDauQuay",
         [](BoDieuPhoi& d) { d.batDauQuay(QStringLiteral("VD1"), LoaiVideo::dongGoi, QString()); }},
        {"BoDieuPhoi::ketThucQuay", [](BoDieuPhoi& d) { d.ketThucQuay(); }},
        {"BoDieuPhoi::kiemTraTruocKhiQuay", [](BoDieuPhoi& d) { d.kiemTraTruocKhiQuay(); }},
        {"BoDieuPhoi::kiemTraGioiHan", [](BoDieuPhoi& d) { d.kiemTraGioiHan(); }},
        {"BoDieuPhoi::datCheDo", [](BoDieuPhoi& d) { d.datCheDo(BoDieuPhoi::CheDo::hangHoan); }},
        {"BoDieuPhoi::datThongBao", [](BoDieuPhoi& d) { d.datThongBao(QStringLiteral("x")); }},
        {"BoDieuPhoi::datDonHienTai", [](BoDieuPhoi& d) { d.datDonHienTai(std::nullopt); }},
        {"BoDieuPhoi::datCanhBao", [](BoDieuPhoi& d) { d.datCanhBao(QStringLiteral("x")); }},
        {"BoDieuPhoi::datMaVuaQuet", [](BoDieuPhoi& d) { d.datMaVuaQuet(QStringLiteral("VD1")); }},
    };
    for (const auto& c : bang) {
        EXPECT_DEATH(std::thread([&] { c.goi(*dp); }).join(),
                     std::string(c.noi) + " was called from a thread it does not belong to")
            << c.noi;
    }
}

TEST_F(BoDieuPhoiTest, ThongBaoDaLuuTheoMauPhutGiayVaMB) {
    const struct {
        qint64 giay, bytes;
        const char* mongDoi;
    } cac[] = {
        {95, 3'145'728, "Đã lưu 01:35 · 3.0 MB"},
        {5, 1'572'864, "Đã lưu 00:05 · 1.5 MB"},
        {3725, 10 * kMiB, "Đã lưu 62:05 · 10.0 MB"},
        {0, 1, "Đã lưu 00:00 · 0.0 MB"},
    };
    for (const auto& c : cac) EXPECT_EQ(BoDieuPhoi::thongBaoDaLuu(c.giay, c.bytes), QString::fromUtf8(c.mongDoi));
}

// A code that is no synced order is still filmed: its record carries the scanned code and no order field at all,
// and its id, times and file name come from the clock and the engine's result, not from some order.
TEST_F(BoDieuPhoiTest, BanGhiKhongCoDonChiMangMaDaQuet) {
    dongHo.datGioThuc(std::chrono::system_clock::time_point(std::chrono::microseconds(1'714'567'890'123'456)));
    go("VD-LA-77");
    ASSERT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::dangQuay);
    EXPECT_FALSE(dp->donHienTai().has_value());
    tien(4000ms);
    go("VD-LA-77");
    const auto ds = banGhiTrenDia();
    ASSERT_EQ(ds.size(), 1u);
    const BanGhiVideo& bg = ds[0];
    EXPECT_EQ(bg.code, "VD-LA-77");
    EXPECT_EQ(bg.kind, QStringLiteral("pack"));
    EXPECT_FALSE(bg.orderId.has_value());
    EXPECT_FALSE(bg.orderNumber.has_value());
    EXPECT_FALSE(bg.trackingNumber.has_value());
    EXPECT_FALSE(bg.customerName.has_value());
    EXPECT_FALSE(bg.customerPhone.has_value());
    EXPECT_FALSE(bg.returnInfo.has_value());
    EXPECT_EQ(bg.serials, QStringList());  // present and empty, not missing
    // Saved 4 s after the start: whole milliseconds since 1970, the fraction dropped, then six upper-case hex digits.
    ASSERT_EQ(bg.id.size(), 22) << bg.id.toStdString();
    EXPECT_TRUE(bg.id.startsWith(QStringLiteral("r_1714567894123_"))) << bg.id.toStdString();
    for (const QChar c : bg.id.right(6)) EXPECT_TRUE(c.isDigit() || (c >= u'A' && c <= u'F')) << bg.id.toStdString();
    EXPECT_EQ(bg.startedAt, QStringLiteral("2024-05-01T12:51:30Z"));
    EXPECT_EQ(bg.endedAt, QStringLiteral("2024-05-01T12:51:35Z"));
    EXPECT_EQ(bg.fileName, QFileInfo(bg.filePath).fileName());
    EXPECT_TRUE(bg.fileName.startsWith(QStringLiteral("VD-LA-77__"))) << bg.fileName.toStdString();
    EXPECT_EQ(nhatKy("rec_start").back()["detail"]["orderId"], "");
}

// ---- presence debounce ----

TEST_F(BoDieuPhoiTest, MaVangMatQuaMotRuoiGiayMoiTinhLai) {
    dp->datCheDo(BoDieuPhoi::CheDo::hangHoan);
    const struct {
        std::chrono::milliseconds vang;
        bool tinhLai;
    } cac[] = {{1400ms, false}, {1500ms, false}, {1600ms, true}};
    int i = 0;
    for (const auto& c : cac) {
        SCOPED_TRACE(c.vang.count());
        const QString ma = QStringLiteral("MA%1").arg(++i);
        tieng.cacTieng.clear();
        doc(ma);
        dp->datMaVuaQuet(std::nullopt);
        henGio.tien(c.vang);
        doc(ma);
        EXPECT_EQ(dp->maVuaQuet().has_value(), c.tinhLai);
        EXPECT_EQ(soTieng(LoaiTieng::nhanMa), c.tinhLai ? 2 : 1);
    }
}

TEST_F(BoDieuPhoiTest, CheDoThuMayChiLocHienDien) {
    dp->datCheDo(BoDieuPhoi::CheDo::thuMay);
    doc("VD1");
    go("VD2");
    dp->quayKhongMa();
    EXPECT_TRUE(camera.cacLanChuanBi.empty());
    EXPECT_TRUE(tieng.cacTieng.empty());
    EXPECT_FALSE(dp->maVuaQuet().has_value());
}

TEST_F(BoDieuPhoiTest, GoTayCatKhoangTrangVaBoQuaHienDien) {
    dp->datCheDo(BoDieuPhoi::CheDo::hangHoan);
    doc("VD1");
    doc("VD1");  // still in view: ignored
    EXPECT_EQ(soTieng(LoaiTieng::nhanMa), 1);
    go("   \n");
    EXPECT_EQ(soTieng(LoaiTieng::nhanMa), 1);
    dp->datMaVuaQuet(std::nullopt);
    go("  VD1 \n");  // the label in front of the camera, typed: taken at once, trimmed
    EXPECT_EQ(dp->maVuaQuet(), QStringLiteral("VD1"));
    EXPECT_EQ(soTieng(LoaiTieng::nhanMa), 2);
}

// ---- packing mode ----

// However the camera stops sending, the running recording ends at once, with the error cue and the cause on
// screen, and what was filmed is saved with the file's own length, not the time the stop came.
TEST_F(BoDieuPhoiTest, WebcamNgungGuiHinhGiuaChungThiDungNgayVaLuuPhanDaQuay) {
    themDon("1001", "VD1");
    const QString lyDo[] = {QStringLiteral("Webcam đã ngừng gửi hình: luồng hình đã hết."),
                            QStringLiteral("Webcam không gửi hình nào trong 4 giây (driver treo hoặc dây USB lỏng).")};
    int lan = 0;
    for (const QString& loi : lyDo) {
        SCOPED_TRACE(loi.toStdString());
        camera.datLoiCamera(QString());
        camera.datDangChay(true);
        go("VD1");
        ASSERT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::dangQuay);
        tieng.cacTieng.clear();
        tien(14000ms);
        camera.datLoiCamera(loi);
        camera.datDangChay(false);
        xuLySuKien();
        EXPECT_EQ(camera.soLanDung, ++lan);
        EXPECT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::nghi);
        EXPECT_FALSE(camera.dangGhi());
        EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::coLoi});
        EXPECT_TRUE(thongBao().startsWith(loi)) << thongBao().toStdString();
        EXPECT_TRUE(thongBao().contains(QStringLiteral("Đã lưu 00:02"))) << thongBao().toStdString();
        EXPECT_TRUE(canhBao().startsWith(loi));
        const auto ds = banGhiTrenDia();
        ASSERT_EQ(ds.size(), size_t(lan));
        EXPECT_EQ(ds.back().durationSec, 2);
        EXPECT_EQ(ds.back().invalid, false);
        EXPECT_EQ(nhatKy("rec_finish").size(), size_t(lan));
        tien(4000ms);
    }
    // A camera that stops before a single frame reached the file: nothing saved, one error cue, the file's fault.
    camera.datLoiCamera(QString());
    camera.datDangChay(true);
    camera.tuHoanTatVoiTep(QString(), 0);
    go("VD1");
    ASSERT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::dangQuay);
    tieng.cacTieng.clear();
    camera.datLoiCamera(lyDo[0]);
    camera.datDangChay(false);
    xuLySuKien();
    ASSERT_TRUE(camera.coDungDangCho());
    camera.hoanTatKhongFile(QStringLiteral("Không nhận được khung hình nào từ webcam — video rỗng."));
    xuLySuKien();
    EXPECT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::nghi);
    EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::coLoi});
    EXPECT_EQ(banGhiTrenDia().size(), size_t(lan));
    EXPECT_TRUE(dp->thongBaoLaLoi());
    ++lan;
    // A camera that stops while nothing is filmed stops nothing.
    camera.datDangChay(true);
    camera.datDangChay(false);
    xuLySuKien();
    EXPECT_EQ(camera.soLanDung, lan);
}

TEST_F(BoDieuPhoiTest, CungMaTruocThoiLuongToiThieuBiBoQuaKeCaKhiKhungHinhNgungDen) {
    caiDat->setGiayToiThieu(3);
    const struct {
        std::chrono::milliseconds sau;
        bool dung;
    } cac[] = {{2900ms, false}, {3000ms, true}};
    int i = 0;
    for (const auto& c : cac) {
        SCOPED_TRACE(c.sau.count());
        const QString ma = QStringLiteral("VD%1").arg(++i);
        go(ma);
        ASSERT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::dangQuay);
        tieng.cacTieng.clear();
        const auto thongBaoTruoc = dp->thongBao();
        camera.datGiayDaGhi(0);  // the webcam stopped delivering frames: the engine's count stands still
        tien(c.sau);
        go(ma.toLower());
        if (c.dung) {
            EXPECT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::nghi);
            EXPECT_EQ(soTieng(LoaiTieng::daLuu), 1);
        } else {
            EXPECT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::dangQuay);
            EXPECT_TRUE(tieng.cacTieng.empty());
            EXPECT_EQ(dp->thongBao(), thongBaoTruoc);
            tien(1000ms);
            go(ma);  // clean up for the next case
        }
    }
}

TEST_F(BoDieuPhoiTest, MaVuaLuuQuetLaiTrongBaGiayBiBoQua) {
    const struct {
        std::chrono::milliseconds sau;
        bool batDauLai;
    } cac[] = {{2900ms, false}, {3000ms, true}};
    int i = 0;
    for (const auto& c : cac) {
        SCOPED_TRACE(c.sau.count());
        const QString ma = QStringLiteral("VDX%1").arg(++i);
        go(ma);
        tien(4000ms);
        go(ma);
        ASSERT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::nghi);
        const auto soLan = camera.cacLanChuanBi.size();
        tien(c.sau);
        go(ma.toLower());
        EXPECT_EQ(camera.cacLanChuanBi.size(), soLan + (c.batDauLai ? 1 : 0));
        if (c.batDauLai) {
            tien(4000ms);
            go(ma);
        }
    }
}

TEST_F(BoDieuPhoiTest, MaKhacKhiDangQuayTheoCheDoGhiSerial) {
    themDon("2001", "VD-DON-A");
    themDon("2002", "VD-DON-B");
    const struct {
        const char* ten;
        bool ghiSerial;
        const char* ma;
        bool laSerial;
    } cac[] = {
        {"serial_bat_ma_khong_phai_don", true, "SN-7788", true},
        {"serial_bat_ma_cua_don_khac", true, "VD-DON-B", false},
        {"serial_tat_ma_khong_phai_don", false, "SN-7788", false},
    };
    for (const auto& c : cac) {
        SCOPED_TRACE(c.ten);
        caiDat->setGhiSerial(c.ghiSerial);
        tien(3000ms);  // past the re-scan guard of the previous case
        go("VD-DON-A");
        ASSERT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::dangQuay);
        const auto soLan = camera.cacLanChuanBi.size();
        tieng.cacTieng.clear();
        go(c.ma);
        if (c.laSerial) {
            EXPECT_EQ(dp->serials(), QStringList{"SN-7788"});
            EXPECT_EQ(thongBao(), QStringLiteral("Đã ghi serial: SN-7788"));
            EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::nhanMa});
            EXPECT_EQ(camera.soLanDung, 0);
            tien(3000ms);
            go("VD-DON-A");
            camera.soLanDung = 0;
            continue;
        }
        // The next parcel: this recording is saved, and the new one starts 120 ms later.
        EXPECT_EQ(camera.soLanDung, 1);
        EXPECT_EQ(camera.cacLanChuanBi.size(), soLan);
        henGio.tien(119ms);
        xuLySuKien();
        EXPECT_EQ(camera.cacLanChuanBi.size(), soLan);
        // The pause belongs to the handling of this code: a label read meanwhile meets the busy flag.
        EXPECT_TRUE(dp->dangXuLy());
        go("VD-CHEN-NGANG");
        EXPECT_EQ(camera.cacLanChuanBi.size(), soLan);
        henGio.tien(1ms);
        xuLySuKien();
        ASSERT_EQ(camera.cacLanChuanBi.size(), soLan + 1);
        EXPECT_EQ(camera.cacLanChuanBi.back().ma, QString::fromUtf8(c.ma));
        EXPECT_EQ(dp->maHienTai(), QString::fromUtf8(c.ma));
        tien(3000ms);
        go(c.ma);
        camera.soLanDung = 0;
    }
    EXPECT_EQ(banGhiTrenDia().size(), 5u);
}

TEST_F(BoDieuPhoiTest, SerialTrungKhacHoaBoQuaImLangVaLuuTheoThuTu) {
    go("VD-1");
    go("SN-A");
    go("sn-a");
    go(" SN-B ");
    EXPECT_EQ(soTieng(LoaiTieng::nhanMa), 2);
    EXPECT_EQ(thongBao(), QStringLiteral("Đã ghi serial: SN-B"));
    tien(3000ms);
    go("VD-1");
    const auto ds = banGhiTrenDia();
    ASSERT_EQ(ds.size(), 1u);
    EXPECT_EQ(ds[0].serials, (QStringList{"SN-A", "SN-B"}));
    EXPECT_TRUE(dp->serials().isEmpty());
}

TEST_F(BoDieuPhoiTest, CoBanCuaQuyTrinhDongGoiBoMaDenTrongKhiDangDung) {
    camera.tuHoanTatVoiTep({}, 0);  // the stop stays open until the test completes it
    go("VD-A");
    tien(3000ms);
    go("VD-A");
    ASSERT_TRUE(camera.coDungDangCho());
    EXPECT_TRUE(dp->dangXuLy());
    go("VD-B");
    EXPECT_EQ(camera.cacLanChuanBi.size(), 1u);
    camera.hoanTatVoiTep(videoMau(), 3);
    xuLySuKien();
    EXPECT_FALSE(dp->dangXuLy());
    EXPECT_EQ(camera.cacLanChuanBi.size(), 1u);
    EXPECT_EQ(banGhiTrenDia().size(), 1u);
}

// A scan while the stop button's stop is still finishing the file must not start the next
// recording, nor put the next parcel's code and order into this one's record.
TEST_F(BoDieuPhoiTest, QuetMaKhiNutDungChuaXongKhongLamLanBanGhi) {
    themDon("3001", "VD-A");
    themDon("3002", "VD-B");
    camera.tuHoanTatVoiTep({}, 0);
    go("VD-A");
    camera.themSerial("SN-A");
    go("SN-A");
    tien(4000ms);
    std::optional<BanGhiVideo> traVe;
    dp->ketThucQuay([&](std::optional<BanGhiVideo> bg) { traVe = bg; });
    xuLySuKien();
    ASSERT_TRUE(camera.coDungDangCho());
    EXPECT_FALSE(dp->dangXuLy());
    go("VD-B");
    EXPECT_EQ(camera.cacLanChuanBi.size(), 1u);
    EXPECT_EQ(dp->maHienTai(), "VD-A");
    EXPECT_FALSE(dp->batDauQuay("VD-C", LoaiVideo::hangHoan, QStringLiteral("HÀNG HOÀN")));
    camera.hoanTatVoiTep(videoMau(), 4);
    xuLySuKien();
    ASSERT_TRUE(traVe.has_value());
    EXPECT_EQ(traVe->code, "VD-A");
    EXPECT_EQ(traVe->orderId, QStringLiteral("3001"));
    const auto ds = banGhiTrenDia();
    ASSERT_EQ(ds.size(), 1u);
    EXPECT_EQ(ds[0].code, "VD-A");
    EXPECT_EQ(ds[0].orderId, QStringLiteral("3001"));
    EXPECT_EQ(camera.cacLanChuanBi.size(), 1u);
    // Once the stop is over the next parcel starts normally.
    tien(3000ms);
    go("VD-B");
    ASSERT_EQ(camera.cacLanChuanBi.size(), 2u);
    EXPECT_EQ(camera.cacLanChuanBi[1].ma, "VD-B");
}

// Each next label starts its parcel while the last one is still saved behind it. Whatever order their checks
// and fingerprints come back in, the records and journal lines are written in the order the parcels stopped,
// each with its own code, and the coordinator counts as busy until the last of them is saved.
TEST_F(BoDieuPhoiTest, GoiLuuPhiaSauGhiTheoThuTuDaDung) {
    bomTay = true;
    std::vector<BoDieuPhoi::TrangThai> cacTrangThai;
    QObject::connect(dp.get(), &BoDieuPhoi::trangThaiChanged, dp.get(),
                     [&] { cacTrangThai.push_back(dp->trangThai()); });
    const QStringList cacMa{"VD-TT-A", "VD-TT-B", "VD-TT-C"};
    for (const QString& ma : cacMa) themDon(ma.right(1), ma);
    for (const QString& ma : cacMa) {
        go(ma);
        tien(200ms);  // the pause between two parcels
        ASSERT_EQ(dp->maHienTai(), ma);
        ASSERT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::dangQuay) << ma.toStdString();
    }
    EXPECT_EQ(camera.cacLanChuanBi.size(), 3u);
    EXPECT_TRUE(banGhiTrenDia().empty()) << "a parcel waited for the last one's save";
    std::optional<BanGhiVideo> cuoi;
    dp->ketThucQuay([&](std::optional<BanGhiVideo> bg) { cuoi = bg; });
    xuLySuKien();
    // The newest work first: the last parcel's check and fingerprint come back before the first's.
    while (!viecNen.empty()) {
        auto f = std::move(viecNen.back());
        viecNen.pop_back();
        f();
        xuLySuKien();
        if (!cuoi) EXPECT_NE(dp->trangThai(), BoDieuPhoi::TrangThai::nghi);
    }
    ASSERT_TRUE(cuoi.has_value());
    EXPECT_EQ(cuoi->code, "VD-TT-C");
    QStringList maBanGhi, maXong, maBatDau;
    for (const BanGhiVideo& bg : banGhiTrenDia()) {
        maBanGhi << bg.code;
        EXPECT_EQ(bg.orderId, bg.code.right(1));
    }
    for (const auto& d : nhatKy("rec_finish")) maXong << QString::fromStdString(d["detail"]["code"]);
    for (const auto& d : nhatKy("rec_start")) maBatDau << QString::fromStdString(d["detail"]["code"]);
    EXPECT_EQ(maBanGhi, cacMa);
    EXPECT_EQ(maXong, cacMa);
    EXPECT_EQ(maBatDau, cacMa);
    ASSERT_FALSE(cacTrangThai.empty());
    EXPECT_EQ(cacTrangThai.back(), BoDieuPhoi::TrangThai::nghi);
    EXPECT_EQ(std::count(cacTrangThai.begin(), cacTrangThai.end(), BoDieuPhoi::TrangThai::nghi), 1)
        << "shown idle while a parcel was still being saved";
    EXPECT_TRUE(kho->nhatKy().kiemTra().ok);
    EXPECT_TRUE(NhanVideoDoDang::timTrongNhatKy(kho->nhatKy()).isEmpty());
}

TEST_F(BoDieuPhoiTest, HaiLanDungMotBanGhiLuuMotLan) {
    camera.tuHoanTatVoiTep({}, 0);
    camera.datTatCoGhiTre(true);
    go("VD-A");
    tien(4000ms);
    std::vector<std::optional<BanGhiVideo>> traVe;
    dp->ketThucQuay([&](std::optional<BanGhiVideo> bg) { traVe.push_back(bg); });
    dp->ketThucQuay([&](std::optional<BanGhiVideo> bg) { traVe.push_back(bg); });
    dp->kiemTraGioiHan();
    xuLySuKien();
    camera.hoanTatVoiTep(videoMau(), 4);
    xuLySuKien();
    EXPECT_EQ(camera.soLanDung, 1);
    ASSERT_EQ(traVe.size(), 2u);
    ASSERT_TRUE(traVe[0] && traVe[1]);
    EXPECT_EQ(traVe[0]->id, traVe[1]->id);
    EXPECT_EQ(banGhiTrenDia().size(), 1u);
    EXPECT_EQ(nhatKy("rec_finish").size(), 1u);
    EXPECT_EQ(soTieng(LoaiTieng::daLuu), 1);
}

TEST_F(BoDieuPhoiTest, QuayKhongMaDatMaTheoGioDiaPhuong) {
    // 2024-05-01 14:03:59 in Ho Chi Minh City is 07:03:59 UTC.
    dongHo.datGioThuc(std::chrono::system_clock::time_point(std::chrono::seconds(1714547039)));
    dp->datCheDo(BoDieuPhoi::CheDo::hangHoan);
    dp->quayKhongMa();
    EXPECT_TRUE(camera.cacLanChuanBi.empty());
    dp->datCheDo(BoDieuPhoi::CheDo::dongGoi);
    dp->quayKhongMa();
    ASSERT_EQ(camera.cacLanChuanBi.size(), 1u);
    EXPECT_EQ(camera.cacLanChuanBi[0].ma, "TAY-2024-05-01_14-03-59");
    EXPECT_FALSE(dp->donHienTai().has_value());
    dp->quayKhongMa();  // while recording: nothing
    EXPECT_EQ(camera.cacLanChuanBi.size(), 1u);
}

// ---- start ----

TEST_F(BoDieuPhoiTest, TiengVaCanhBaoKhiBatDauTheoDon) {
    caiDat->setNguonDon("sapo");
    themDon("4001", "VD-CO");
    themDon("4002", "VD-HUY", QString());  // cancelled, with an empty time text
    const QString huy = QStringLiteral("Đơn này đã bị HUỶ trên Sapo. Kiểm tra lại trước khi gửi đi.");
    const QString chuaCo =
        QStringLiteral("Mã này chưa có trong dữ liệu đã đồng bộ. Vẫn quay bình thường, gắn đơn sau.");
    const struct {
        const char* ma;
        LoaiVideo loai;
        LoaiTieng tieng;
        std::optional<QString> canhBao;
    } cac[] = {
        {"VD-CO", LoaiVideo::dongGoi, LoaiTieng::nhanMa, std::nullopt},
        {"VD-LA", LoaiVideo::dongGoi, LoaiTieng::khongCoDon, chuaCo},
        {"VD-HUY", LoaiVideo::dongGoi, LoaiTieng::donDaHuy, huy},
        {"VD-LA", LoaiVideo::hangHoan, LoaiTieng::nhanMa, std::nullopt},
        {"VD-HUY", LoaiVideo::hangHoan, LoaiTieng::nhanMa, std::nullopt},
    };
    for (const auto& c : cac) {
        SCOPED_TRACE(std::string(c.ma) + (c.loai == LoaiVideo::hangHoan ? " return" : " pack"));
        tieng.cacTieng.clear();
        ASSERT_TRUE(dp->batDauQuay(QString::fromUtf8(c.ma), c.loai,
                                   c.loai == LoaiVideo::hangHoan ? QStringLiteral("HÀNG HOÀN") : QString()));
        EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{c.tieng});
        EXPECT_EQ(dp->canhBao(), c.canhBao);
        const auto& lan = camera.cacLanChuanBi.back();
        EXPECT_EQ(lan.loai, c.loai);
        EXPECT_EQ(lan.tienToNhan, c.loai == LoaiVideo::hangHoan ? QStringLiteral("HÀNG HOÀN") : QString());
        EXPECT_EQ(lan.bitrateKbps, 1500);
        EXPECT_EQ(lan.duongDan.contains("/HOAN__"), c.loai == LoaiVideo::hangHoan);
        const auto j = nhatKy("rec_start").back();
        EXPECT_EQ(j["detail"]["kind"], c.loai == LoaiVideo::hangHoan ? "return" : "pack");
        tien(1000ms);
        dp->ketThucQuay();
        xuLySuKien();
    }
    EXPECT_EQ(nhatKy("rec_start")[1]["detail"]["orderId"], "");
}

TEST_F(BoDieuPhoiTest, TuChoiBatDauKhiCameraChuaMoVanGiuMaVaDon) {
    themDon("5001", "VD-5");
    camera.datDangChay(false);
    go("VD-5");
    EXPECT_TRUE(camera.cacLanChuanBi.empty());
    EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::coLoi});
    EXPECT_EQ(thongBao(), QStringLiteral("Không bắt đầu quay được: Camera chưa mở. Vào Cài đặt chọn lại webcam."));
    EXPECT_EQ(dp->maHienTai(), "VD-5");
    ASSERT_TRUE(dp->donHienTai().has_value());
    EXPECT_EQ(dp->donHienTai()->id, "5001");
    EXPECT_FALSE(dp->donHienTaiDaLuu());
    EXPECT_TRUE(dp->thongBaoLaLoi());
    EXPECT_TRUE(nhatKy("rec_start").empty());
    camera.datDangChay(true);
    go("VD-5");
    ASSERT_EQ(camera.cacLanChuanBi.size(), 1u);
    EXPECT_FALSE(dp->batDauQuay("VD-6", LoaiVideo::dongGoi, QString()));
    EXPECT_EQ(thongBao(), QStringLiteral("Không bắt đầu quay được: Đang quay rồi."));
    EXPECT_EQ(dp->maHienTai(), "VD-5");
}

TEST_F(BoDieuPhoiTest, DaiCanhBaoODiaVaNguongChoQuay) {
    const QString rat = QStringLiteral("Ổ đĩa chỉ còn 499 MB — không quay được nữa.");
    const struct {
        qint64 mb;
        bool quayDuoc;
        std::optional<QString> canhBao;
    } cac[] = {
        {499, false, rat},
        {500, true, QStringLiteral("Ổ đĩa còn 500 MB — sắp hết chỗ.")},
        {4999, true, QStringLiteral("Ổ đĩa còn 4999 MB — sắp hết chỗ.")},
        {5000, true, std::nullopt},
    };
    EXPECT_FALSE(dp->mbConTrong().has_value());
    for (const auto& c : cac) {
        SCOPED_TRACE(c.mb);
        doDungLuong->dat(c.mb * kMiB + kMiB - 1);  // whole MiB, the remainder dropped
        dp->doDungLuongTrong();
        xuLySuKien();
        EXPECT_EQ(dp->mbConTrong(), c.mb);
        EXPECT_EQ(dp->canhBaoOCung(), c.canhBao);
        tieng.cacTieng.clear();
        const auto soLan = camera.cacLanChuanBi.size();
        go(QStringLiteral("VD-%1").arg(c.mb));
        EXPECT_EQ(camera.cacLanChuanBi.size(), soLan + (c.quayDuoc ? 1 : 0));
        if (!c.quayDuoc) {
            EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::coLoi});
            EXPECT_EQ(thongBao(),
                      QStringLiteral("Ổ đĩa chỉ còn 499 MB. Dọn bớt video cũ, đổi thư mục lưu, hoặc giảm số "
                                     "ngày giữ video trong Cài đặt."));
            continue;
        }
        tien(1000ms);
        dp->ketThucQuay();
        xuLySuKien();
    }
    doDungLuong->dat(std::nullopt);
    dp->doDungLuongTrong();
    xuLySuKien();
    EXPECT_FALSE(dp->canhBaoOCung().has_value());
}

TEST_F(BoDieuPhoiTest, ThuMucDuLieuKhongGhiDuocThiKhongQuay) {
    QFile chan(thuMuc.filePath("tep-thuong"));
    ASSERT_TRUE(chan.open(QIODevice::WriteOnly));
    chan.close();
    KhoDuLieu hong(thuMuc.filePath("tep-thuong/goc"), &dongHo, doDungLuong);
    auto dpHong = taoDieuPhoi(hong);
    EXPECT_FALSE(dpHong->kiemTraTruocKhiQuay());
    EXPECT_EQ(dpHong->canhBaoOCung(), QStringLiteral("Thư mục dữ liệu không ghi được."));
    const QString tb = dpHong->thongBao().value_or(QString());
    EXPECT_TRUE(tb.startsWith(QStringLiteral("Không ghi được vào thư mục dữ liệu ("))) << tb.toStdString();
    EXPECT_TRUE(tb.endsWith(QStringLiteral("). Vào Cài đặt chọn lại thư mục lưu trước khi quay."))) << tb.toStdString();
    EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::coLoi});
    EXPECT_FALSE(dpHong->batDauQuay("VD-1", LoaiVideo::dongGoi, QString()));
    EXPECT_TRUE(camera.cacLanChuanBi.empty());
}

// ---- watchdog ----

TEST_F(BoDieuPhoiTest, CanhGacDungKhiVuotThoiLuongToiDaGapBaChoHangHoan) {
    caiDat->setGiayToiDa(10);
    camera.tuHoanTatVoiTep({}, 0);
    const struct {
        LoaiVideo loai;
        int gioiHan;
    } cac[] = {{LoaiVideo::dongGoi, 10}, {LoaiVideo::hangHoan, 30}};
    for (const auto& c : cac) {
        SCOPED_TRACE(c.gioiHan);
        camera.soLanDung = 0;
        dp->datCheDo(c.loai == LoaiVideo::hangHoan ? BoDieuPhoi::CheDo::hangHoan : BoDieuPhoi::CheDo::dongGoi);
        ASSERT_TRUE(dp->batDauQuay("VD-DAI", c.loai, QString()));
        camera.datGiayDaGhi(0);  // no frames: only our own clock moves
        tien(std::chrono::seconds(c.gioiHan) + 500ms);
        EXPECT_EQ(camera.soLanDung, 0);
        tien(500ms);
        EXPECT_EQ(camera.soLanDung, 1);
        EXPECT_EQ(thongBao(), QStringLiteral("Đã quay quá %1 giây, tự động dừng.").arg(c.gioiHan));
        camera.hoanTatVoiTep(videoMau(), c.gioiHan + 1);
        xuLySuKien();
        EXPECT_TRUE(thongBao().startsWith(QStringLiteral("Đã lưu "))) << thongBao().toStdString();
        EXPECT_EQ(henGio.soDangCho(), 0);
    }
}

TEST_F(BoDieuPhoiTest, CanhGacDungKhiODiaConDuoiBaTram) {
    const struct {
        qint64 mb;
        bool dung;
    } cac[] = {{299, true}, {300, false}};
    for (const auto& c : cac) {
        SCOPED_TRACE(c.mb);
        camera.soLanDung = 0;
        tieng.cacTieng.clear();
        doDungLuong->dat(qint64(100) * 1024 * kMiB);
        dp->doDungLuongTrong();  // the start reads the previous measurement
        xuLySuKien();
        go(QStringLiteral("VD-OD%1").arg(c.mb));
        ASSERT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::dangQuay);
        doDungLuong->dat(c.mb * kMiB);
        // The first tick measures (the previous figure is still fine); the next measurement is 5 s later.
        tien(5900ms);
        EXPECT_EQ(camera.soLanDung, 0);
        tien(100ms);
        EXPECT_EQ(camera.soLanDung, c.dung ? 1 : 0);
        if (c.dung) {
            const QString vb = QStringLiteral("Ổ đĩa chỉ còn 299 MB — tự dừng quay để file không hỏng dở.");
            EXPECT_EQ(canhBao(), vb);
            EXPECT_EQ(tieng.cacTieng,
                      (std::vector<LoaiTieng>{LoaiTieng::khongCoDon, LoaiTieng::coLoi, LoaiTieng::daLuu}));
        } else {
            dp->ketThucQuay();
            xuLySuKien();
        }
    }
}

// ---- stop failures ----

TEST_F(BoDieuPhoiTest, DungKhongCoFileBaoLoiCuaCamera) {
    camera.tuHoanTatVoiTep({}, 0);
    const struct {
        std::optional<QString> loi;
    } cac[] = {{QStringLiteral("Không nhận được khung hình nào từ webcam — video rỗng.")}, {std::nullopt}};
    for (const auto& c : cac) {
        go("VD-LOI");
        tien(4000ms);
        tieng.cacTieng.clear();
        dp->datThongBao(std::nullopt);
        std::optional<std::optional<BanGhiVideo>> traVe;
        dp->ketThucQuay([&](std::optional<BanGhiVideo> bg) { traVe = bg; });
        camera.datLoiCamera(QString());
        camera.hoanTatKhongFile(c.loi);
        xuLySuKien();
        ASSERT_TRUE(traVe.has_value());
        EXPECT_FALSE(traVe->has_value());
        EXPECT_EQ(dp->thongBao(), c.loi);
        EXPECT_EQ(tieng.cacTieng, c.loi ? std::vector<LoaiTieng>{LoaiTieng::coLoi} : std::vector<LoaiTieng>{});
        // A failed stop does not arm the re-scan guard: the same label may start again at once.
        const auto soLan = camera.cacLanChuanBi.size();
        go("VD-LOI");
        EXPECT_EQ(camera.cacLanChuanBi.size(), soLan + 1);
        dp->ketThucQuay();
        camera.hoanTatKhongFile(std::nullopt);
        xuLySuKien();
    }
    EXPECT_TRUE(banGhiTrenDia().empty());
}

TEST_F(BoDieuPhoiTest, DungKhiKhongQuayChiNhacLaiLoiConDo) {
    std::optional<std::optional<BanGhiVideo>> traVe;
    dp->ketThucQuay([&](std::optional<BanGhiVideo> bg) { traVe = bg; });
    ASSERT_TRUE(traVe.has_value());
    EXPECT_FALSE(traVe->has_value());
    EXPECT_TRUE(tieng.cacTieng.empty());
    camera.datLoiCamera(QStringLiteral("Không tìm thấy webcam nào."));
    dp->ketThucQuay();
    EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::coLoi});
    EXPECT_EQ(canhBao(), QStringLiteral("Không tìm thấy webcam nào."));
}

TEST_F(BoDieuPhoiTest, FileKhongXemDuocGhiRecHongVaGiuFile) {
    camera.tuHoanTatVoiTep(tiengMau(), 2);
    go("VD-HONG");
    tien(4000ms);
    tieng.cacTieng.clear();
    go("VD-HONG");
    EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::coLoi});
    const QString vb = QStringLiteral(
        "Video vừa quay KHÔNG mở được (file không có luồng hình). Đơn này chưa có bằng chứng — quay lại ngay.");
    EXPECT_EQ(thongBao(), vb);
    EXPECT_EQ(canhBao(), vb);
    const auto hong = nhatKy("rec_hong");
    ASSERT_EQ(hong.size(), 1u);
    const QString tep = camera.cacLanChuanBi[0].duongDan;
    EXPECT_EQ(hong[0]["detail"],
              (nlohmann::json{{"code", "VD-HONG"}, {"vi", "file không có luồng hình"}, {"file", tep.toStdString()}}));
    EXPECT_TRUE(QFile::exists(tep));
    EXPECT_TRUE(banGhiTrenDia().empty());
    EXPECT_TRUE(kho->nhatKy().kiemTra().ok);
}

// The check passed, then the disk lost the file's content before the fingerprint was taken.
TEST_F(BoDieuPhoiTest, FileRongKhiLayVanTayThiKhongLuu) {
    go("VD-RONG");
    go("SN-R");
    tien(4000ms);
    bomTay = true;
    tieng.cacTieng.clear();
    go("VD-RONG");
    ASSERT_EQ(viecNen.size(), 1u);  // the video check
    bomViecNen();
    ASSERT_EQ(viecNen.size(), 1u);  // then the fingerprint, only once the check has passed
    const QString tep = camera.cacLanChuanBi[0].duongDan;
    QFile f(tep);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.close();
    bomViecNen();
    const QString vb = QStringLiteral("Video lưu ra rỗng! Kiểm tra ổ đĩa — đơn này CHƯA có bằng chứng.");
    EXPECT_EQ(thongBao(), vb);
    EXPECT_EQ(canhBao(), vb);
    EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::coLoi});
    EXPECT_TRUE(banGhiTrenDia().empty());
    EXPECT_TRUE(nhatKy("rec_finish").empty());
    EXPECT_EQ(dp->serials(), QStringList{"SN-R"});
    EXPECT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::nghi);
}

TEST_F(BoDieuPhoiTest, GhiBanGhiThatBaiGiuFileVaSerial) {
    go("VD-KHO");
    go("SN-9");
    ASSERT_TRUE(QDir(kho->thuMucBanGhiVideo()).removeRecursively());
    QFile chan(kho->thuMucBanGhiVideo());
    ASSERT_TRUE(chan.open(QIODevice::WriteOnly));
    chan.close();
    tien(4000ms);
    tieng.cacTieng.clear();
    go("VD-KHO");
    EXPECT_EQ(tieng.cacTieng, std::vector<LoaiTieng>{LoaiTieng::coLoi});
    const QString tep = camera.cacLanChuanBi[0].duongDan;
    EXPECT_TRUE(thongBao().startsWith(QStringLiteral("Quay xong nhưng KHÔNG ghi được bản ghi vào kho dữ liệu: ")));
    EXPECT_TRUE(thongBao().endsWith(QStringLiteral(". File video đang nằm ở ") + tep +
                                    QStringLiteral(" — chép ra nơi khác ngay rồi kiểm tra ổ đĩa.")))
        << thongBao().toStdString();
    EXPECT_EQ(canhBao(), thongBao());
    EXPECT_TRUE(QFile::exists(tep));
    EXPECT_TRUE(kho->videoTheoId().isEmpty());
    EXPECT_TRUE(nhatKy("rec_finish").empty());
    EXPECT_EQ(dp->serials(), QStringList{"SN-9"});
    EXPECT_EQ(dp->soDaQuayHomNay(), 0);
}

// close() failing after a good fsync: the record is on disk, so it is published like any other.
TEST_F(BoDieuPhoiTest, DongTepLoiSauFsyncVanCongBoBanGhi) {
    // The month file and the journal exist, so both lines go through an append.
    QFile(kho->tepBanGhiThangNay()).open(QIODevice::WriteOnly);
    kho->nhatKy().ghi(QStringLiteral("app_start"));
    LoiNhapXuatGia::TrongPhamVi tat;
    LoiNhapXuatGia::loiKhiDongTep(
        (QFileInfo(kho->thuMucGoc()).canonicalFilePath() + QStringLiteral("/data/")).toStdString());
    go("VD-DONG");
    tien(4000ms);
    go("VD-DONG");
    EXPECT_GE(LoiNhapXuatGia::soLanDaLoi(), 3) << "rec_start, the record and rec_finish met the fault";
    LoiNhapXuatGia::tatHet();

    const auto ds = banGhiTrenDia();
    ASSERT_EQ(ds.size(), 1u);
    EXPECT_TRUE(kho->videoTheoId().contains(ds[0].id));
    EXPECT_EQ(thongBao(), BoDieuPhoi::thongBaoDaLuu(ds[0].durationSec, ds[0].bytes));
    EXPECT_EQ(dp->soDaQuayHomNay(), 1);
    ASSERT_EQ(nhatKy("rec_finish").size(), 1u);
    EXPECT_EQ(nhatKy("rec_finish")[0]["detail"]["sha256"], ds[0].sha256.toStdString());
    kho->nhatKy().ghi(QStringLiteral("sync"));
    KhoDuLieu lai(kho->thuMucGoc());
    lai.napTatCa(8);
    const auto kq = lai.nhatKy().kiemTra();
    EXPECT_TRUE(kq.ok) << "broken at " << kq.dongGay.value_or(0);
    EXPECT_EQ(kq.soDong, 4);
}

// The power lost while the journal syncs a recording's "rec_start", the writer's file already on disk: the line
// never reached the disk, yet the playable file is taken in at the next start, by its name, and only once.
TEST_F(BoDieuPhoiTest, MatDongBatDauQuayThiVideoVanDuocNhanLaiMotLan) {
    kho->nhatKy().ghi(QStringLiteral("app_start"));
    const QString tepNhatKy = kho->nhatKy().duongDan();
    const qint64 truoc = QFileInfo(tepNhatKy).size();
    go("VD-MATDONG");
    ASSERT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::dangQuay);
    ASSERT_EQ(nhatKy("rec_start").size(), 1u);
    // What the writer had on disk when the power went, and the journal as the disk kept it.
    const QString tep = camera.cacLanChuanBi.at(0).duongDan;
    ASSERT_TRUE(QFile::copy(videoMau(), tep));
    const QString goc = kho->thuMucGoc();
    dp.reset();
    kho.reset();
    ASSERT_TRUE(QFile::resize(tepNhatKy, truoc));
    for (int lan = 0; lan < 2; ++lan) {
        KhoDuLieu lai(goc, &dongHo, doDungLuong);
        ASSERT_FALSE(lai.moKho().has_value());
        lai.napTatCa(8);
        lai.nhatKy().napVanTayCuoi();
        lai.nhatKy().ghi(QStringLiteral("app_start"));
        const auto kq = NhanVideoDoDang::chay(lai, QStringLiteral("Shop"));
        EXPECT_EQ(kq.soKhongDong, lan == 0 ? 1 : 0) << lan;
        EXPECT_EQ(kq.soGiu + kq.soHong + kq.soLoi, 0) << lan;
        ASSERT_EQ(lai.videoTheoId().size(), 1) << lan;
        EXPECT_EQ(lai.videoTheoId().begin()->filePath, tep);
        EXPECT_EQ(lai.videoTheoId().begin()->code, QStringLiteral("VD-MATDONG"));
        EXPECT_TRUE(lai.nhatKy().kiemTra().ok) << lan;
    }
}

// The folder of a new month file not synced: the record is reported as not saved, and it is not
// left on disk to turn up at the next start as a record that was said to be lost.
TEST_F(BoDieuPhoiTest, DongBoThuMucLoiBaoKhongLuuVaKhongDeLaiDong) {
    LoiNhapXuatGia::TrongPhamVi tat;
    LoiNhapXuatGia::loiKhiDongBoThuMuc(QFileInfo(kho->thuMucBanGhiVideo()).canonicalFilePath().toStdString());
    go("VD-THUMUC");
    tien(4000ms);
    go("VD-THUMUC");
    EXPECT_GE(LoiNhapXuatGia::soLanDaLoi(), 1);
    LoiNhapXuatGia::tatHet();
    EXPECT_TRUE(thongBao().startsWith(QStringLiteral("Quay xong nhưng KHÔNG ghi được bản ghi vào kho dữ liệu: ")))
        << thongBao().toStdString();
    EXPECT_TRUE(kho->videoTheoId().isEmpty());
    EXPECT_TRUE(nhatKy("rec_finish").empty());
    EXPECT_TRUE(banGhiTrenDia().empty());
    EXPECT_TRUE(kho->nhatKy().kiemTra().ok);
}

// ---- returns mode ----

TEST_F(BoDieuPhoiTest, HangHoanQuetMaVaSerialNhanVe) {
    themDon("6001", "VD-HOAN");
    dp->datCheDo(BoDieuPhoi::CheDo::hangHoan);
    go("LA-1");  // no recording: every code is published, even one that is no order
    EXPECT_EQ(dp->maVuaQuet(), QStringLiteral("LA-1"));
    EXPECT_TRUE(camera.cacLanChuanBi.empty());
    ASSERT_TRUE(dp->batDauQuay("VD-HOAN", LoaiVideo::hangHoan, QStringLiteral("HÀNG HOÀN")));
    dp->datMaVuaQuet(std::nullopt);
    tieng.cacTieng.clear();
    go("SN-HOAN-1");
    go("sn-hoan-1");
    EXPECT_EQ(dp->serials(), QStringList{"SN-HOAN-1"});
    EXPECT_EQ(thongBao(), QStringLiteral("Đã ghi serial nhận về: SN-HOAN-1"));
    EXPECT_FALSE(dp->maVuaQuet().has_value());
    go("VD-HOAN");  // an order's code: published, never a stop
    EXPECT_EQ(dp->maVuaQuet(), QStringLiteral("VD-HOAN"));
    EXPECT_EQ(tieng.cacTieng, (std::vector<LoaiTieng>{LoaiTieng::nhanMa, LoaiTieng::nhanMa}));
    EXPECT_EQ(dp->trangThai(), BoDieuPhoi::TrangThai::dangQuay);
}

// The returns screen learns of every returns record, also one the watchdog stopped.
TEST_F(BoDieuPhoiTest, BanGhiHangHoanDoCanhGacDungVanDuocBao) {
    caiDat->setGiayToiDa(2);
    std::vector<BanGhiVideo> daBao;
    QObject::connect(dp.get(), &BoDieuPhoi::daLuuVideo, [&](const BanGhiVideo& bg) { daBao.push_back(bg); });
    dp->datCheDo(BoDieuPhoi::CheDo::hangHoan);
    ASSERT_TRUE(dp->batDauQuay("VD-H", LoaiVideo::hangHoan, QStringLiteral("HÀNG HOÀN")));
    tien(8000ms);
    ASSERT_EQ(daBao.size(), 1u);
    EXPECT_EQ(daBao[0].kind, QStringLiteral("return"));
    ASSERT_TRUE(dp->banGhiVuaLuu().has_value());
    EXPECT_EQ(dp->banGhiVuaLuu()->id, daBao[0].id);
    EXPECT_EQ(dp->soDaQuayHomNay(), 0);
    EXPECT_TRUE(daBao[0].fileName.startsWith("HOAN__"));
}

// ---- after the save ----

// What the editor of saved records reports lands on the coordinator's lines: a notice alone for a change that
// went through, the warning as well for one that failed.
TEST_F(BoDieuPhoiTest, ThongBaoCuaBoSuaBanGhiHienTrenDongThongBao) {
    BoSuaBanGhi sua(*kho, tieng);
    dp->hienThongBaoCua(sua);
    BanGhiVideo bg;
    bg.id = "v1";
    bg.code = "MA-v1";
    bg.filePath = "/tmp/v1.mp4";
    bg.fileName = "v1.mp4";
    bg.startedAt = "2026-12-01T08:00:00Z";
    kho->ghiBanGhiVideo(bg);
    kho->datVideo(bg);
    DonHang don;
    don.id = "7001";
    don.customerName = "Anh Minh";
    sua.ganDon("v1", don);
    EXPECT_EQ(thongBao(), QStringLiteral("Đã gắn video vào đơn của Anh Minh."));
    EXPECT_FALSE(dp->canhBao().has_value());

    ASSERT_TRUE(QDir(kho->thuMucBanGhiVideo()).removeRecursively());
    QFile chan(kho->thuMucBanGhiVideo());
    ASSERT_TRUE(chan.open(QIODevice::WriteOnly));
    chan.close();
    EXPECT_FALSE(sua.luuToKhaiHangHoan("v1", KhaiBaoHoan{}));
    EXPECT_TRUE(thongBao().startsWith(QStringLiteral("Không lưu được tờ khai mở kiện: "))) << thongBao().toStdString();
    EXPECT_EQ(canhBao(), thongBao());
}

// The coordinator the application builds around a real engine and sound player takes the settings' sound
// switch and volume, and follows the switch; the codes the engine reads reach the routing.
TEST_F(BoDieuPhoiTest, CumDieuPhoiNoiCameraVaTiengBaoTheoCaiDat) {
    caiDat->setBatTieng(false);
    caiDat->setAmLuong(0.25);
    auto cameraThat = std::make_unique<CameraEngine>();
    auto tiengThat = std::make_unique<TiengBao>(std::make_unique<DauRaAmThanhGia>());
    CameraEngine* cam = cameraThat.get();
    TiengBao* tieng = tiengThat.get();
    CumDieuPhoi cum(*kho, *caiDat, std::move(cameraThat), std::move(tiengThat));
    BoDieuPhoi& that = cum.dieuPhoi();
    EXPECT_FALSE(tieng->bat());
    EXPECT_FLOAT_EQ(tieng->amLuong(), 0.25f);
    EXPECT_FALSE(cam->dangChay());
    that.datCheDo(BoDieuPhoi::CheDo::hangHoan);
    caiDat->setBatTieng(true);
    EXPECT_TRUE(tieng->bat()) << "the running player follows the switch at once";
    emit cam->daDocDuocMa(QStringLiteral("VD-THAT"));
    xuLySuKien();
    EXPECT_EQ(that.maVuaQuet(), QStringLiteral("VD-THAT"));
    EXPECT_FALSE(that.batDauQuay("VD-THAT", LoaiVideo::hangHoan, QString()));  // no camera open
    EXPECT_EQ(that.thongBao(), QStringLiteral("Không bắt đầu quay được: Camera chưa mở. Vào Cài đặt chọn lại webcam."));
}
