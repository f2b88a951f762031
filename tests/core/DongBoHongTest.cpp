#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "LoiNhapXuatGia.h"
#include "common/CumThu.h"
#include "store/KhoDuLieu.h"

namespace {

// A recording through the real engine and writer while every fdatasync of a video file fails, as a disk
// that loses writes reports it; the store's own files sync as usual.
TEST(DongBoHong, AFailedKeyframeSyncFailsTheRecording) {
    QTemporaryDir thuMuc;
    ASSERT_TRUE(thuMuc.isValid());
    const QString goc = thuMuc.filePath("goc");
    {
        LoiNhapXuatGia::TrongPhamVi tat;
        LoiNhapXuatGia::loiKhiDongBoDuLieu(QFileInfo(thuMuc.path()).canonicalFilePath().toStdString());
        cum_thu::Cum c;
        c.caiDat->setThuMucGoc(goc);
        c.kho = std::make_shared<KhoDuLieu>(goc);
        ASSERT_FALSE(c.kho->moKho().has_value());
        c.kho->napTatCa(8);
        BoDieuPhoi& dp = c.taoDieuPhoi();
        ASSERT_TRUE(c.moCamera());
        dp.nhapMaTay(QStringLiteral("SPXEIO"));
        ASSERT_TRUE(c.choDangGhi(true));
        cum_thu::chay(2500);
        std::optional<std::optional<BanGhiVideo>> kq;
        dp.ketThucQuay([&](std::optional<BanGhiVideo> bg) { kq = bg; });
        ASSERT_TRUE(choDen([&] { return kq.has_value(); }));
        EXPECT_GE(LoiNhapXuatGia::soLanDaLoi(), 1) << "the fault was met";
        EXPECT_FALSE(kq->has_value());
        // Reported as the stop reports any write failure: the system's error text, the order still without proof.
        const QString canhBao = dp.canhBao().value_or(QString());
        EXPECT_TRUE(canhBao.startsWith(QStringLiteral("Không ghi được video: Input/output error")))
            << canhBao.toStdString();
        EXPECT_EQ(dp.thongBao(), dp.canhBao());
        EXPECT_TRUE(c.kho->videoTheoId().isEmpty());
    }

    KhoDuLieu kho(goc);
    QFile nk(kho.nhatKy().duongDan());
    ASSERT_TRUE(nk.open(QIODevice::ReadOnly));
    const QByteArray dong = nk.readAll();
    EXPECT_TRUE(dong.contains(R"("event":"rec_start")"));
    EXPECT_FALSE(dong.contains(R"("event":"rec_finish")")) << dong.toStdString();
}

}  // namespace
