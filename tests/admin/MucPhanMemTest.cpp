#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThreadPool>
#include <memory>

#include "PhienBan.h"
#include "admin/MucPhanMem.h"
#include "common/ChoDen.h"
#include "shell/BangMau.h"
#include "shell/NhanMau.h"
#include "store/KhoDuLieu.h"

namespace {

TEST(MucPhanMem, PhienBanTuBanDungVaMacDinh) {
    EXPECT_FALSE(QStringLiteral(KORVANE_VERSION).isEmpty());
    EXPECT_EQ(MucPhanMem::chuPhienBan(),
              QStringLiteral("Korvane Zize " KORVANE_VERSION " (") + QStringLiteral(KORVANE_BUILD) + ")");
    EXPECT_EQ(MucPhanMem::chuPhienBan("", ""), "Korvane Zize 1.0 (1)");
    EXPECT_EQ(MucPhanMem::chuPhienBan("2.3", ""), "Korvane Zize 2.3 (1)");
    QTemporaryDir tam;
    KhoDuLieu kho(tam.path());
    MucPhanMem the(kho);
    EXPECT_EQ(the.findChild<QLabel*>("giaTriPhienBan")->text(), MucPhanMem::chuPhienBan());
    EXPECT_EQ(the.findChild<QLabel*>("giaTriKhoDuLieu")->text(), tam.path());
}

TEST(MucPhanMem, SoLuongDocLaiKhiVeLai) {
    QTemporaryDir tam;
    KhoDuLieu kho(tam.path());
    kho.moKho();
    kho.napTatCa(4);
    MucPhanMem the(kho);
    auto* daNap = the.findChild<QLabel*>("giaTriDaNap");
    EXPECT_EQ(daNap->text(), "0 đơn · 0 video");
    for (const char* id : {"a", "b"}) {
        DonHang d;
        d.id = id;
        kho.capNhatDon(d);
    }
    EXPECT_EQ(daNap->text(), "0 đơn · 0 video");  // the store is not observed
    the.show();
    EXPECT_EQ(daNap->text(), "2 đơn · 0 video");
}

// A card already on screen picks up the counts again whenever it is drawn, not only when it is shown.
TEST(MucPhanMem, SoLuongDocLaiMoiLanVe) {
    QTemporaryDir tam;
    KhoDuLieu kho(tam.path());
    kho.moKho();
    kho.napTatCa(4);
    MucPhanMem the(kho);
    the.show();
    auto* daNap = the.findChild<QLabel*>("giaTriDaNap");
    EXPECT_EQ(daNap->text(), "0 đơn · 0 video");
    DonHang d;
    d.id = "c";
    kho.capNhatDon(d);
    the.grab();
    EXPECT_EQ(daNap->text(), "1 đơn · 0 video");
}

// The three verdicts of the chain check, each in its colour, from journals made by the store itself.
TEST(MucPhanMem, KiemTraChuoiNhatKyNguyenVenGayVaMat) {
    struct Ca {
        const char* ten;
        int soSuKien;
        std::function<void(const QString& tep)> lam;
        const char* mongDoi;
        bool xanh;
    };
    const std::vector<Ca> ca{
        {"nguyên vẹn", 3, {}, "Nguyên vẹn — 3 dòng nhật ký, chuỗi băm liền mạch.", true},
        {"rỗng", 0,
         [](const QString& tep) {
             QFile f(tep);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("\n\n");
         },
         "Nguyên vẹn — 0 dòng nhật ký, chuỗi băm liền mạch.", true},
        {"sửa dòng đầu", 3,
         [](const QString& tep) {
             QFile f(tep);
             ASSERT_TRUE(f.open(QIODevice::ReadOnly));
             QByteArray b = f.readAll();
             f.close();
             const qsizetype i = b.indexOf("mot");
             ASSERT_GE(i, 0);
             b.replace(i, 3, "hai");
             ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
             f.write(b);
         },
         "Chuỗi băm GÃY ở dòng 1. Nhật ký đã bị sửa hoặc file hỏng.", false},
        {"bị xoá", 2, [](const QString& tep) { ASSERT_TRUE(QFile::remove(tep)); }, "Không đọc được nhật ký.", false},
    };
    for (const Ca& x : ca) {
        QTemporaryDir tam;
        KhoDuLieu kho(tam.path());
        kho.moKho();
        kho.napTatCa(4);
        for (int i = 0; i < x.soSuKien; ++i) kho.nhatKy().ghi("thu", {{"so", i == 0 ? "mot" : QString::number(i)}});
        if (x.lam) x.lam(kho.nhatKy().duongDan());
        MucPhanMem the(kho);
        auto* ketQua = the.findChild<NhanMau*>("ketQuaNhatKy");
        EXPECT_FALSE(the.ketQuaNhatKy().has_value());
        EXPECT_FALSE(ketQua->isVisibleTo(&the));
        QSignalSpy xong(&the, &MucPhanMem::daKiemTraXong);
        the.findChild<QPushButton*>("nutKiemTraNhatKy")->click();
        ASSERT_TRUE(choDen([&] { return xong.count() == 1; })) << x.ten;
        EXPECT_EQ(the.ketQuaNhatKy(), QString::fromUtf8(x.mongDoi)) << x.ten;
        EXPECT_EQ(ketQua->text(), QString::fromUtf8(x.mongDoi)) << x.ten;
        EXPECT_TRUE(ketQua->isVisibleTo(&the));
        EXPECT_EQ(ketQua->mauChu().rgb(), (x.xanh ? BangMau::mauXanhLa : BangMau::mauDo).mau().rgb()) << x.ten;
    }
}
// While the check runs the card says so, its button waits, and a second request starts nothing; the verdict
// comes back once, and a card closed meanwhile is left alone.
TEST(MucPhanMem, KiemTraChayNenMotLanMotLuc) {
    QTemporaryDir tam;
    KhoDuLieu kho(tam.path());
    kho.moKho();
    kho.napTatCa(4);
    for (int i = 0; i < 40; ++i) kho.nhatKy().ghi("sync", {{"so", QString::number(i)}});
    MucPhanMem the(kho);
    auto* nut = the.findChild<QPushButton*>("nutKiemTraNhatKy");
    auto* ketQua = the.findChild<NhanMau*>("ketQuaNhatKy");
    QSignalSpy xong(&the, &MucPhanMem::daKiemTraXong);
    for (int lan = 0; lan < 2; ++lan) {
        nut->click();
        EXPECT_TRUE(the.dangKiemTra()) << lan;
        EXPECT_FALSE(nut->isEnabled()) << lan;
        EXPECT_FALSE(the.ketQuaNhatKy()) << "an earlier verdict is not shown beside a running check";
        EXPECT_EQ(ketQua->text(), "Đang kiểm tra chuỗi nhật ký…");
        EXPECT_TRUE(ketQua->isVisibleTo(&the));
        EXPECT_EQ(ketQua->mauChu().rgb(), BangMau::mauChuPhu.mau().rgb());
        the.kiemTraNhatKy();
        // Lines written while it runs are left to the next check.
        kho.nhatKy().ghi("sync");
        ASSERT_TRUE(choDen([&] { return xong.count() == lan + 1; }));
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        EXPECT_EQ(xong.count(), lan + 1) << "one check per request while one runs";
        EXPECT_FALSE(the.dangKiemTra());
        EXPECT_TRUE(nut->isEnabled());
        EXPECT_EQ(the.ketQuaNhatKy(), QString("Nguyên vẹn — %1 dòng nhật ký, chuỗi băm liền mạch.").arg(40 + lan))
            << lan;
        EXPECT_EQ(ketQua->mauChu().rgb(), BangMau::mauXanhLa.mau().rgb());
    }

    auto dong = std::make_unique<MucPhanMem>(kho);
    dong->kiemTraNhatKy();
    dong.reset();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

}  // namespace
