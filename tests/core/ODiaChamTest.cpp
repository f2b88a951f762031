#include <gtest/gtest.h>

#include <QFileInfo>
#include <optional>

#include "LoiNhapXuatGia.h"
#include "common/CumThu.h"

using namespace std::chrono_literals;

namespace {

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

    cum_thu::chay(1500);
    std::optional<std::optional<BanGhiVideo>> kq;
    dp.ketThucQuay([&](std::optional<BanGhiVideo> bg) { kq = bg; });
    ASSERT_TRUE(choDen([&] { return kq.has_value(); }, 60000));
    ASSERT_TRUE(kq->has_value()) << dp.thongBao().value_or(QString()).toStdString();
    EXPECT_EQ((*kq)->code, QStringLiteral("SPXCHAM01"));
}

}  // namespace
