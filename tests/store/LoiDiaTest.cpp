#include <gtest/gtest.h>

#include <QDir>

#include "KhoTam.h"
#include "KiemNhatKyDocLap.h"
#include "LoiNhapXuatGia.h"
#include "store/LoiTep.h"

namespace {

QStringList tepTrong(const QString& thuMuc) {
    return QDir(thuMuc).entryList(QDir::Files | QDir::Hidden);
}

}  // namespace

// close() failing after a good fsync: the lines are on disk, so the appends have succeeded.
TEST(LoiDia, DongTepLoiSauFsyncVanLaDaGhi) {
    KhoTam t;
    t.datGio(2026, 4, 15);
    t.kho->napTatCa(8);
    t.kho->nhatKy().ghi(QStringLiteral("app_start"));
    BanGhiVideo v;
    v.id = QStringLiteral("v1");
    t.kho->ghiBanGhiVideo(v);

    LoiNhapXuatGia::TrongPhamVi tat;
    LoiNhapXuatGia::loiKhiDongTep((QFileInfo(t.goc()).canonicalFilePath() + QStringLiteral("/data/")).toStdString());
    v.id = QStringLiteral("v2");
    EXPECT_NO_THROW(t.kho->ghiBanGhiVideo(v));
    for (const char* e : {"rec_start", "rec_finish"}) {
        t.kho->nhatKy().ghi(QString::fromLatin1(e));
        EXPECT_FALSE(t.kho->nhatKy().loiGhi())
            << e << ": " << t.kho->nhatKy().loiGhi().value_or(QString()).toStdString();
    }
    EXPECT_GE(LoiNhapXuatGia::soLanDaLoi(), 3) << "the fault was met";
    LoiNhapXuatGia::tatHet();

    const QList<QByteArray> dong = t.docTep(QStringLiteral("data/app.log.jsonl")).split('\n');
    ASSERT_EQ(dong.size(), 4);
    EXPECT_TRUE(dong[2].contains(t.kho->nhatKy().vanTayDongTruoc().toLatin1())) << "the chain follows the line on disk";
    t.kho->nhatKy().ghi(QStringLiteral("sync"));
    t.moLai(true);
    EXPECT_TRUE(t.kho->videoTheoId().contains(QStringLiteral("v2")));
    const auto kq = t.kho->nhatKy().kiemTra();
    EXPECT_TRUE(kq.ok) << "broken at " << kq.dongGay.value_or(0);
    EXPECT_EQ(kq.soDong, 4);
    EXPECT_EQ(kiemNhatKyDocLap(t.docTep(QStringLiteral("data/app.log.jsonl"))), (KetQuaDocLap{true, 4, std::nullopt}));
}

// The folder not synced after a new month file or journal is put in place: a power cut could take the
// file away, so the line is reported as not written, and no such file is left behind to turn up later.
TEST(LoiDia, DongBoThuMucLoiThiTepMoiKhongDuocBaoLaDaGhi) {
    KhoTam t;
    t.datGio(2026, 4, 15);
    t.kho->napTatCa(8);
    DonHang cu;
    cu.id = QStringLiteral("cu");
    t.kho->ghiDon(cu);

    LoiNhapXuatGia::TrongPhamVi tat;
    LoiNhapXuatGia::loiKhiDongBoThuMuc(QFileInfo(t.goc()).canonicalFilePath().toStdString());
    BanGhiVideo v;
    v.id = QStringLiteral("v1");
    EXPECT_THROW(t.kho->ghiBanGhiVideo(v), LoiTep);
    EXPECT_EQ(tepTrong(t.kho->thuMucBanGhiVideo()), QStringList());
    t.kho->nhatKy().ghi(QStringLiteral("app_start"));
    ASSERT_TRUE(t.kho->nhatKy().loiGhi());
    EXPECT_TRUE(t.kho->nhatKy().loiGhi()->contains(QStringLiteral("Không đồng bộ được thư mục")))
        << t.kho->nhatKy().loiGhi()->toStdString();
    EXPECT_FALSE(QFile::exists(t.kho->nhatKy().duongDan()));
    EXPECT_EQ(t.kho->nhatKy().vanTayDongTruoc(), QStringLiteral("GENESIS"));
    // An append to a file already in place needs no folder sync.
    DonHang sau;
    sau.id = QStringLiteral("sau");
    EXPECT_NO_THROW(t.kho->ghiDon(sau));
    EXPECT_GE(LoiNhapXuatGia::soLanDaLoi(), 2);
    LoiNhapXuatGia::tatHet();

    t.kho->nhatKy().ghi(QStringLiteral("app_start"));
    EXPECT_FALSE(t.kho->nhatKy().loiGhi());
    t.moLai(true);
    EXPECT_FALSE(t.kho->videoTheoId().contains(QStringLiteral("v1"))) << "reported failed, so not on disk";
    EXPECT_TRUE(t.kho->donTheoId().contains(QStringLiteral("sau")));
    const auto kq = t.kho->nhatKy().kiemTra();
    EXPECT_TRUE(kq.ok);
    EXPECT_EQ(kq.soDong, 1) << "the chain begins again with the first line really written";
    for (const QString& ten : tepTrong(t.duongDan(QStringLiteral("data"))))
        EXPECT_FALSE(ten.contains(QStringLiteral(".tam-"))) << ten.toStdString();
}
