#include <gtest/gtest.h>

#include <QFileInfo>
#include <optional>
#include <vector>

#include "LoiNhapXuatGia.h"
#include "common/CumThu.h"
#include "core/NhanVideoDoDang.h"
#include "store/TienIch.h"

using namespace std::chrono_literals;

namespace {

// The recording runs past its minimum length, then is stopped: its record, or none when the save failed or hung.
std::optional<BanGhiVideo> dungSauGiayRuoi(BoDieuPhoi& dp) {
    cum_thu::chay(1500);
    std::optional<std::optional<BanGhiVideo>> kq;
    dp.ketThucQuay([&](std::optional<BanGhiVideo> bg) { kq = bg; });
    if (!choDen([&] { return kq.has_value(); }, 60000)) return std::nullopt;
    return *kq;
}

// A data folder on a disk whose every sync takes a while (a busy USB drive): a label must start its recording
// without waiting for one, since each would hold both the start and the GUI thread; what the store keeps is
// synced as before, once the recording runs, and the recording is saved as usual.
TEST(ODiaCham, ALabelStartsItsRecordingWithoutWaitingForASync) {
    cum_thu::Cum c;
    LoiNhapXuatGia::TrongPhamVi tat;  // after c: disarmed first, so nothing is left waiting at the end
    BoDieuPhoi& dp = c.taoDieuPhoi();
    ASSERT_TRUE(c.moCamera());
    LoiNhapXuatGia::chamKhiDongBo(QFileInfo(c.thuMuc.path()).canonicalFilePath().toStdString(), 200ms);
    std::optional<int> daChoKhiBatDau;
    QObject::connect(&c.camera(), &CongCameraManHinh::dangGhiDoi, &c.camera(), [&](bool v) {
        if (v && !daChoKhiBatDau) daChoKhiBatDau = LoiNhapXuatGia::soLanDongBoCham();
    });
    dp.nhapMaTay(QStringLiteral("SPXCHAM01"));
    ASSERT_TRUE(c.choDangGhi(true));
    ASSERT_TRUE(daChoKhiBatDau);
    EXPECT_EQ(*daChoKhiBatDau, 0) << "syncs the start of the recording waited for";
    EXPECT_GE(LoiNhapXuatGia::soLanDongBoCham(), 1) << "the start's journal line is synced all the same";

    const auto bg = dungSauGiayRuoi(dp);
    ASSERT_TRUE(bg) << dp.thongBao().value_or(QString()).toStdString();
    EXPECT_EQ(bg->code, QStringLiteral("SPXCHAM01"));
}

// The next parcel's label on such a disk: its recording starts as soon as the camera lets go of the last one,
// while that one's file is still being synced, judged, fingerprinted and recorded behind it. Both are saved,
// each with its own code and order, and the journal they leave chains and reads back with nothing unfinished.
TEST(ODiaCham, TheNextLabelIsFilmedWhileTheLastParcelIsStillBeingSaved) {
    cum_thu::Cum c;
    LoiNhapXuatGia::TrongPhamVi tat;
    for (const auto& [id, ma] : {std::pair{"8101", "SPXSAU01"}, std::pair{"8102", "SPXSAU02"}}) {
        DonHang d;
        d.id = id;
        d.orderNumber = QStringLiteral("#") + id;
        d.trackings = {MaVanDon{ma, QStringLiteral("SPX")}};
        d.createdAt = d.updatedAt = QStringLiteral("2026-12-01T08:00:00Z");
        c.kho->capNhatDon(d);
    }
    BoDieuPhoi& dp = c.taoDieuPhoi();
    ASSERT_TRUE(c.moCamera());
    std::vector<BanGhiVideo> daLuu;
    QObject::connect(&dp, &BoDieuPhoi::daLuuVideo, &dp, [&](const BanGhiVideo& bg) { daLuu.push_back(bg); });
    std::optional<size_t> daLuuKhiBatDauSau;
    QObject::connect(&c.camera(), &CongCameraManHinh::dangGhiDoi, &c.camera(), [&](bool v) {
        if (v && dp.maHienTai() == QStringLiteral("SPXSAU02")) daLuuKhiBatDauSau = daLuu.size();
    });
    dp.nhapMaTay(QStringLiteral("SPXSAU01"));
    ASSERT_TRUE(c.choDangGhi(true));
    cum_thu::chay(1500);
    // Every step of the first parcel's save waits at least one slow sync: its file, its record, its journal line.
    LoiNhapXuatGia::chamKhiDongBo(QFileInfo(c.thuMuc.path()).canonicalFilePath().toStdString(), 400ms);
    dp.nhapMaTay(QStringLiteral("SPXSAU02"));
    ASSERT_TRUE(choDen([&] { return daLuuKhiBatDauSau.has_value(); }, 60000));
    EXPECT_EQ(*daLuuKhiBatDauSau, 0u) << "the next parcel waited for the last one's record";
    EXPECT_EQ(dp.trangThai(), BoDieuPhoi::TrangThai::dangQuay);

    ASSERT_TRUE(choDen([&] { return daLuu.size() == 1; }, 60000)) << dp.thongBao().value_or(QString()).toStdString();
    EXPECT_EQ(daLuu[0].code, QStringLiteral("SPXSAU01"));
    EXPECT_EQ(daLuu[0].orderId, QStringLiteral("8101"));
    EXPECT_EQ(dp.trangThai(), BoDieuPhoi::TrangThai::dangQuay) << "the last parcel's save stopped the next one";
    const auto sau = dungSauGiayRuoi(dp);
    ASSERT_TRUE(sau) << dp.thongBao().value_or(QString()).toStdString();
    EXPECT_EQ(sau->code, QStringLiteral("SPXSAU02"));
    EXPECT_EQ(sau->orderId, QStringLiteral("8102"));
    ASSERT_TRUE(c.choNghi());
    for (const BanGhiVideo& bg : {daLuu[0], *sau}) {
        const auto vt = sha256CuaTep(bg.filePath);
        ASSERT_TRUE(vt) << bg.filePath.toStdString();
        EXPECT_EQ(vt->sha256, bg.sha256) << bg.code.toStdString();
    }
    EXPECT_TRUE(c.kho->nhatKy().kiemTra().ok);
    EXPECT_TRUE(NhanVideoDoDang::timTrongNhatKy(c.kho->nhatKy()).isEmpty());
}

}  // namespace
