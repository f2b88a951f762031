#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <nlohmann/json.hpp>

#include "CameraTienIch.h"
#include "common/TemMau.h"
#include "core/BoDieuPhoi.h"
#include "core/BoGhiVideoFFmpeg.h"
#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "core/HenGioQt.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "gia/core/NenTangCameraGia.h"
#include "gia/core/TiengBaoGhiLai.h"
#include "store/DongHo.h"
#include "store/KhoDuLieu.h"

using namespace std::chrono_literals;

namespace {

const QString kMa = QStringLiteral("SPXVN0123456789");

QString sha256Doc(const QString& tep) {
    QFile f(tep);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return QString::fromLatin1(h.result().toHex());
}

std::string thongBaoHoacRong(const BoDieuPhoi& dp) {
    return dp.thongBao().value_or(QString()).toStdString();
}

}  // namespace

// The whole road of one parcel with nothing faked but the webcam: the real engine, writer, barcode
// reader, store and journal. A label held up starts the recording; shown again after the minimum
// length it stops it, and the file, its record and the journal must agree.
TEST(BoDieuPhoiDauCuoi, NhanGioLenQuayVaLuuBanGhiCoVanTay) {
    QTemporaryDir thuMuc;
    ASSERT_TRUE(thuMuc.isValid());
    KhoDuLieu kho(thuMuc.filePath("goc"));
    ASSERT_FALSE(kho.moKho().has_value());
    kho.napTatCa(8);
    DonHang don;
    don.id = "9001";
    don.orderNumber = "#9001";
    don.createdAt = "2026-12-10T01:00:00Z";
    don.updatedAt = don.createdAt;
    don.customerName = "Cô Hạnh";
    don.trackings = {MaVanDon{kMa, QStringLiteral("SPX")}};
    kho.capNhatDon(don);

    CaiDat caiDat(thuMuc.filePath("caidat.ini"), std::make_shared<KhoKhoaBoNho>());
    caiDat.setGiayToiThieu(1);
    caiDat.setTenShop("Shop Hạnh");

    auto nenTang = std::make_shared<NenTangCameraGia>();
    ThietBiCamera tb;
    tb.id = "usb-a";
    tb.ten = "Webcam bàn gói";
    tb.duongDan = "/dev/gia-usb-a";
    tb.dinhDang = {DinhDangCamera{QStringLiteral("MJPG"), 1280, 720}};
    nenTang->datThietBi({tb});
    CameraEngine engine(nenTang, &BoGhiVideoFFmpeg::tao, DongHo::heThong());
    TiengBaoGhiLai tieng;
    HenGioQt henGio;
    BoDieuPhoi dp(kho, caiDat, BoDieuPhoi::PhuThuoc{&engine, &tieng, nullptr, &henGio, {}});

    engine.moCamera(QStringLiteral("usb-a"), QStringLiteral("1280x720"));
    ASSERT_TRUE(camera_test::choDen([&] { return engine.dangChay(); }));

    QImage coNhan = TemMau::khungNen(1280, 720);
    TemMau::ve(coNhan, TemMau::taoNhan(ZXing::BarcodeFormat::Code128, kMa.toStdString(), 3, 140), {640, 360});
    const QImage trong = TemMau::khungNen(1280, 720);
    // Frames at 30 per second, as a webcam would send them, until the condition holds or time runs out.
    auto chieu = [&](const QImage& khung, std::chrono::milliseconds toiDa, const std::function<bool()>& den) {
        QElapsedTimer t;
        t.start();
        qint64 ke = 0;
        while (t.elapsed() < toiDa.count()) {
            if (den && den()) return true;
            if (t.elapsed() >= ke) {
                nenTang->guiKhung(khung, std::chrono::steady_clock::now());
                ke += 33;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return den ? den() : true;
    };

    ASSERT_TRUE(chieu(coNhan, 5000ms, [&] { return dp.trangThai() == BoDieuPhoi::TrangThai::dangQuay; }));
    EXPECT_EQ(dp.maHienTai(), kMa);
    ASSERT_TRUE(dp.donHienTai().has_value());
    EXPECT_EQ(dp.donHienTai()->id, "9001");
    // Held in view a while longer, the label must not stop what it just started.
    chieu(coNhan, 1500ms, nullptr);
    EXPECT_EQ(dp.trangThai(), BoDieuPhoi::TrangThai::dangQuay);
    chieu(trong, 2500ms, nullptr);  // taken away: out of view for well over 1.5 s, even on a busy machine
    ASSERT_TRUE(chieu(coNhan, 10000ms, [&] { return dp.banGhiVuaLuu().has_value(); })) << thongBaoHoacRong(dp);
    EXPECT_EQ(dp.trangThai(), BoDieuPhoi::TrangThai::nghi);
    EXPECT_EQ(tieng.cacTieng, (std::vector<LoaiTieng>{LoaiTieng::nhanMa, LoaiTieng::daLuu}));

    const BanGhiVideo bg = *dp.banGhiVuaLuu();
    const auto probe = camera_test::ffprobe(bg.filePath);
    ASSERT_TRUE(probe.chayDuoc);
    EXPECT_EQ(probe.soLuongVideo, 1);
    EXPECT_EQ(probe.codec, "h264");
    EXPECT_EQ(probe.profile, "Main");
    EXPECT_EQ(probe.rong, 1280);
    EXPECT_EQ(probe.cao, 720);
    EXPECT_GT(probe.thoiLuong, 3.0);
    EXPECT_NEAR(probe.thoiLuong, double(bg.durationSec), 1.5);

    // The record line on disk, checked against our own hash of the file.
    std::vector<BanGhiVideo> trenDia;
    QDirIterator it(kho.thuMucBanGhiVideo(), {"recordings-*.jsonl"});
    while (it.hasNext()) {
        QFile f(it.next());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        for (const auto& dong : f.readAll().split('\n'))
            if (auto v = BanGhiVideo::docDong(std::string_view(dong.constData(), dong.size()))) trenDia.push_back(*v);
    }
    ASSERT_EQ(trenDia.size(), 1u);
    EXPECT_EQ(trenDia[0].id, bg.id);
    EXPECT_EQ(trenDia[0].code, kMa);
    EXPECT_EQ(trenDia[0].orderId, QStringLiteral("9001"));
    EXPECT_EQ(trenDia[0].customerName, QStringLiteral("Cô Hạnh"));
    EXPECT_EQ(trenDia[0].sha256, sha256Doc(bg.filePath));
    EXPECT_EQ(trenDia[0].bytes, QFileInfo(bg.filePath).size());
    EXPECT_EQ(trenDia[0].shopName, QStringLiteral("Shop Hạnh"));
    EXPECT_EQ(trenDia[0].resolution, QStringLiteral("1280x720"));

    // The journal: intact, with the start and the finish of this recording.
    const auto kiemTra = kho.nhatKy().kiemTra();
    EXPECT_TRUE(kiemTra.ok);
    QFile nk(kho.nhatKy().duongDan());
    ASSERT_TRUE(nk.open(QIODevice::ReadOnly));
    std::vector<nlohmann::json> dong;
    for (const auto& d : nk.readAll().split('\n'))
        if (!d.isEmpty()) dong.push_back(nlohmann::json::parse(d.toStdString()));
    EXPECT_EQ(kiemTra.soDong, qint64(dong.size()));
    std::vector<std::string> suKien;
    for (const auto& j : dong) suKien.push_back(j["event"]);
    EXPECT_EQ(suKien, (std::vector<std::string>{"rec_start", "rec_finish"}));
    EXPECT_EQ(dong[0]["detail"], (nlohmann::json{{"code", kMa.toStdString()}, {"orderId", "9001"}, {"kind", "pack"}}));
    EXPECT_EQ(dong[1]["detail"]["sha256"], sha256Doc(bg.filePath).toStdString());
    EXPECT_EQ(dong[1]["detail"]["bytes"], std::to_string(QFileInfo(bg.filePath).size()));
}
