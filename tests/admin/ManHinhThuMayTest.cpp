#include <gtest/gtest.h>

#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "CumManHinhThu.h"
#include "admin/HopCameraThu.h"
#include "admin/ManHinhThuMay.h"
#include "common/CumGia.h"
#include "common/GocHopCamera.h"
#include "common/TemMau.h"
#include "common/VuaCuaSoNhoNhat.h"
#include "shell/GiaoDien.h"
#include "shell/BangMau.h"
#include "shell/KhungBo.h"
#include "stations/KhungCamera.h"

using namespace std::chrono_literals;
using cum_man_hinh::choDen;
using cum_man_hinh::Cum;

namespace {

DocMaVach::KetQuaDo doc(const char* ma, qint64 mili, const char* loai = "Code 128") {
    return DocMaVach::KetQuaDo{QString::fromUtf8(ma), QString::fromUtf8(loai), 0.1, mili};
}

const auto kLuc = std::chrono::system_clock::time_point(std::chrono::seconds(1'765'357'200));

QImage khungCoNhan(int thuTu, QPointF tam = QPointF(640, 360)) {
    QImage khung = TemMau::khungNen(1280, 720);
    TemMau::ve(khung, TemMau::taoNhan(TemMau::muoiLoai()[size_t(thuTu)]), tam, 1.0, 0);
    return khung;
}

QString noiDung(int thuTu) {
    return QString::fromStdString(TemMau::muoiLoai()[size_t(thuTu)].noiDung);
}

}  // namespace

// Folding batches: counts and truncated running means by exact code, most-read first with ties kept in
// their order, and the eight-row cap that drops a newcomer entering behind full rows.
TEST(ManHinhThuMay, GhiNhanGopTheoMa) {
    QList<MaDaBat> ds;
    ManHinhThuMay::ghiNhan(ds, {doc("A1", 10)}, kLuc);
    ManHinhThuMay::ghiNhan(ds, {doc("A1", 15, "EAN-13")}, kLuc + 1s);
    ASSERT_EQ(ds.size(), 1);
    EXPECT_EQ(ds[0], (MaDaBat{QStringLiteral("A1"), QStringLiteral("EAN-13"), 2, kLuc + 1s, 12}));

    // Two codes of one frame each count once with the frame's time; case matters.
    ManHinhThuMay::ghiNhan(ds, {doc("b2", 30), doc("B2", 30)}, kLuc + 2s);
    ASSERT_EQ(ds.size(), 3);
    EXPECT_EQ(ds[1].ma, QStringLiteral("b2"));
    EXPECT_EQ(ds[2].ma, QStringLiteral("B2"));
    EXPECT_EQ(ds[1].miliTrungBinh, 30);
    EXPECT_EQ(ds[2].soLan, 1);

    // The later code overtakes by count; the equal ones keep their order.
    ManHinhThuMay::ghiNhan(ds, {doc("B2", 0), doc("B2", 0)}, kLuc + 3s);
    ASSERT_EQ(ds.size(), 3);
    EXPECT_EQ(ds[0].ma, QStringLiteral("B2"));
    EXPECT_EQ(ds[0].soLan, 3);
    EXPECT_EQ(ds[0].miliTrungBinh, 10);  // (30 + 0) / 2 = 15, then (15 * 2 + 0) / 3 = 10
    EXPECT_EQ(ds[1].ma, QStringLiteral("A1"));
    EXPECT_EQ(ds[2].ma, QStringLiteral("b2"));

    QList<MaDaBat> day;
    for (int i = 0; i < 8; ++i) {
        const QByteArray ma = "M" + QByteArray::number(i);
        ManHinhThuMay::ghiNhan(day, {doc(ma.constData(), 5), doc(ma.constData(), 5)}, kLuc);
    }
    ManHinhThuMay::ghiNhan(day, {doc("MOI", 5)}, kLuc);
    ASSERT_EQ(day.size(), 8);
    EXPECT_TRUE(std::none_of(day.begin(), day.end(), [](const MaDaBat& m) { return m.ma == "MOI"; }));
    ManHinhThuMay::ghiNhan(day, {doc("MOI", 5), doc("MOI", 5), doc("MOI", 5)}, kLuc);
    ASSERT_EQ(day.size(), 8);
    EXPECT_EQ(day[0].ma, QStringLiteral("MOI")) << "a dropped code starts again from one";
    EXPECT_EQ(day[0].soLan, 3);
    EXPECT_EQ(day[7].ma, QStringLiteral("M6"));
}

TEST(ManHinhThuMay, MaDatLaDongDauCoNhieuLanNhat) {
    struct Ca {
        QList<qint64> soLan;
        int dat;  // index of the passing row, -1 for none
    };
    const Ca cacCa[] = {{{}, -1}, {{2, 2, 1}, -1}, {{3}, 0}, {{3, 3}, 0}, {{2, 4, 4}, 1}, {{3, 5, 5, 1}, 1}};
    for (const Ca& ca : cacCa) {
        QList<MaDaBat> ds;
        for (int i = 0; i < ca.soLan.size(); ++i)
            ds.append(MaDaBat{QStringLiteral("M%1").arg(i), QStringLiteral("QR"), ca.soLan[i], kLuc, 1});
        const auto dat = ManHinhThuMay::maDat(ds);
        if (ca.dat < 0)
            EXPECT_FALSE(dat.has_value()) << ca.soLan.size();
        else
            EXPECT_EQ(dat.value_or(MaDaBat{}).ma, QStringLiteral("M%1").arg(ca.dat));
    }
}

TEST(ManHinhThuMay, DongCamera) {
    EXPECT_EQ(ManHinhThuMay::chuCamera(false, QStringLiteral("Webcam"), QStringLiteral("1280x720")),
              QStringLiteral("Camera chưa mở"));
    EXPECT_EQ(ManHinhThuMay::chuCamera(true, QStringLiteral("Webcam"), QStringLiteral("1280x720")),
              QStringLiteral("Webcam · 1280x720"));
    EXPECT_EQ(ManHinhThuMay::chuCamera(true, QStringLiteral("Webcam"), QString()),
              QStringLiteral("Webcam · đang khởi động"));

    cum_gia::Cum c;
    ManHinhThuMay man(c.dieuPhoi, &c.camera, false);
    man.resize(1100, 700);
    man.show();
    EXPECT_EQ(man.chuDongCamera(), QStringLiteral("Camera chưa mở"));
    c.camera.datTenCamera(QStringLiteral("Webcam Một"));
    c.camera.datDangChay(true);
    EXPECT_EQ(man.chuDongCamera(), QStringLiteral("Webcam Một · đang khởi động"));
    c.camera.datDoPhanGiai(QStringLiteral("640x480"));
    EXPECT_EQ(man.chuDongCamera(), QStringLiteral("Webcam Một · 640x480"));
    EXPECT_FALSE(man.hopCamera()->hienLoi());
    c.camera.datLoiCamera(QStringLiteral("Không mở được camera."));
    EXPECT_TRUE(man.hopCamera()->hienLoi());
    EXPECT_EQ(man.hopCamera()->chuLoi(), QStringLiteral("Không mở được camera."));
    c.camera.datLoiCamera(QString());
    EXPECT_FALSE(man.hopCamera()->hienLoi());

    // The preview shows the camera's frames and tells it the size of its box.
    QImage khung(640, 480, QImage::Format_RGB32);
    khung.fill(Qt::darkCyan);
    c.camera.phatKhung(khung);
    EXPECT_EQ(man.hopCamera()->xemTruoc()->khungHienTai().size(), QSize(640, 480));
    EXPECT_FALSE(c.camera.kichThuocXem().isEmpty());
}

TEST(ManHinhThuMay, HaiDangGonVaDay) {
    cum_gia::Cum c;
    ManHinhThuMay day(c.dieuPhoi, &c.camera, false);
    ManHinhThuMay gon(c.dieuPhoi, &c.camera, true);
    ASSERT_NE(day.tieuDe(), nullptr);
    EXPECT_EQ(gon.tieuDe(), nullptr);
    EXPECT_EQ(day.theKetQua()->width(), 380);
    EXPECT_EQ(gon.theKetQua()->width(), 300);
}

// The real reader on handed-in frames: a label held up is counted, turns the verdict green, and the mode and
// interval follow the screen's visibility; after it has gone, reads no longer reach it.
TEST(ManHinhThuMay, DocThatQuaCamera) {
    Cum c;
    ASSERT_TRUE(c.moCamera());
    DocMaVach* docMa = c.camera->docMa();
    EXPECT_DOUBLE_EQ(docMa->giuaHaiLanDo(), 0.12);
    c.dieuPhoi->datCheDo(BoDieuPhoi::CheDo::hangHoan);

    auto man = std::make_unique<ManHinhThuMay>(c.dieuPhoi, c.camera, false);
    man->resize(1100, 700);
    man->show();
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::thuMay);
    EXPECT_DOUBLE_EQ(docMa->giuaHaiLanDo(), 0.05);
    EXPECT_TRUE(man->dangGiuDauDoc());
    EXPECT_EQ(man->chuKetLuan(), QStringLiteral("Chưa đọc được mã nào"));
    EXPECT_TRUE(man->hienGoiY());
    EXPECT_EQ(man->mauKetLuan(), BangMau::mauChuPhu.mau());
    // Listen in on what the reader hands the screen, to check the row against the reads it really got.
    QList<qint64> cacMili;
    QObject::connect(docMa, &DocMaVach::thayNhieuMa, man.get(), [&](const QList<DocMaVach::KetQuaDo>& lo) {
        for (const auto& d : lo)
            if (d.ma == noiDung(0)) cacMili << d.mili;
    });

    // One frame is one read: counted, but not yet a pass.
    c.motKhung(khungCoNhan(0));
    ASSERT_EQ(man->daBat().size(), 1);
    EXPECT_EQ(man->daBat()[0].ma, noiDung(0));
    EXPECT_EQ(man->daBat()[0].loai, TemMau::muoiLoai()[0].loai);
    EXPECT_EQ(man->chuKetLuan(), QStringLiteral("Chập chờn — mới bắt được vài lần"));
    EXPECT_EQ(man->mauKetLuan(), BangMau::mauHoPhach.mau());
    EXPECT_FALSE(man->hienGoiY());

    c.chiaVao(khungCoNhan(0), 800ms);
    ASSERT_EQ(man->daBat().size(), 1);
    EXPECT_GE(man->daBat()[0].soLan, 3);
    EXPECT_EQ(man->chuKetLuan(), QStringLiteral("ĐẠT — webcam này đọc được phiếu"));
    EXPECT_EQ(man->mauKetLuan(), BangMau::mauXanhLa.mau());
    EXPECT_EQ(c.dieuPhoi->trangThai(), BoDieuPhoi::TrangThai::nghi) << "nothing is recorded while testing";
    EXPECT_FALSE(c.camera->dangGhi());
    // Every read is counted once, and the mean is the running mean of the decode times the reader measured.
    EXPECT_EQ(man->daBat()[0].soLan, cacMili.size());
    qint64 trungBinh = cacMili.value(0);
    for (qsizetype i = 1; i < cacMili.size(); ++i) trungBinh = (trungBinh * i + cacMili[i]) / (i + 1);
    EXPECT_EQ(man->daBat()[0].miliTrungBinh, trungBinh);
    EXPECT_GE(trungBinh, *std::min_element(cacMili.begin(), cacMili.end()));
    EXPECT_LE(trungBinh, *std::max_element(cacMili.begin(), cacMili.end()));

    man->nutXoa()->click();
    EXPECT_TRUE(man->daBat().isEmpty());
    EXPECT_EQ(man->chuKetLuan(), QStringLiteral("Chưa đọc được mã nào"));
    EXPECT_TRUE(man->hienGoiY());

    man->hide();
    EXPECT_DOUBLE_EQ(docMa->giuaHaiLanDo(), 0.12);
    EXPECT_FALSE(man->dangGiuDauDoc());
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::dongGoi);
    c.motKhung(khungCoNhan(1));
    EXPECT_TRUE(man->daBat().isEmpty());
}

// Two test views at once (the wizard's compact one over the window's test screen): hiding one leaves the
// other receiving reads, in test mode, at the short interval; only when both are gone does the reader go back.
TEST(ManHinhThuMay, HaiManCungHien) {
    cum_gia::Cum c;
    c.camera.daMoXong();  // an open camera, so a read that reached the recorder would start a recording
    auto doc1 = [&](int thuTu) {
        c.camera.docDuoc({doc(noiDung(thuTu).toUtf8().constData(), 12)});
        c.xuLySuKien();
    };
    ManHinhThuMay day(c.dieuPhoi, &c.camera, false);
    day.resize(1100, 700);
    day.show();
    auto gon = std::make_unique<ManHinhThuMay>(c.dieuPhoi, &c.camera, true);
    gon->resize(800, 400);
    gon->show();
    EXPECT_TRUE(gon->dangGiuDauDoc());
    EXPECT_FALSE(day.dangGiuDauDoc());
    EXPECT_DOUBLE_EQ(c.camera.giuaHaiLanDo(), 0.05);

    doc1(0);
    EXPECT_EQ(gon->daBat().size(), 1);
    EXPECT_TRUE(day.daBat().isEmpty());

    gon->hide();
    EXPECT_TRUE(day.dangGiuDauDoc());
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::thuMay);
    EXPECT_DOUBLE_EQ(c.camera.giuaHaiLanDo(), 0.05);
    for (int i = 0; i < 3; ++i) doc1(1);
    ASSERT_EQ(day.daBat().size(), 1);
    EXPECT_EQ(day.daBat()[0].ma, noiDung(1));
    EXPECT_EQ(day.daBat()[0].soLan, 3);
    EXPECT_EQ(day.chuKetLuan(), QStringLiteral("ĐẠT — webcam này đọc được phiếu"));
    EXPECT_EQ(gon->daBat().size(), 1) << "the hidden view no longer receives reads";
    EXPECT_EQ(c.dieuPhoi->trangThai(), BoDieuPhoi::TrangThai::nghi) << "scans must not start recordings";
    EXPECT_TRUE(c.camera.cacLanChuanBi.empty());

    // Shown again it takes the reads back; deleting it while shown hands them on as hiding does.
    gon->show();
    EXPECT_TRUE(gon->dangGiuDauDoc());
    gon.reset();
    EXPECT_TRUE(day.dangGiuDauDoc());
    doc1(2);
    EXPECT_EQ(day.daBat().size(), 2);

    // A screen that set its own mode meanwhile keeps it; an interval set elsewhere is left alone.
    day.hide();
    EXPECT_FALSE(day.dangGiuDauDoc());
    EXPECT_EQ(c.camera.nguoiThuMoiNhat(), nullptr);
    EXPECT_DOUBLE_EQ(c.camera.giuaHaiLanDo(), 0.12);
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::dongGoi);
    doc1(3);
    EXPECT_EQ(day.daBat().size(), 2);
    day.show();
    c.dieuPhoi->datCheDo(BoDieuPhoi::CheDo::hangHoan);
    c.camera.datGiuaHaiLanDo(0.3);
    day.hide();
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::hangHoan);
    EXPECT_DOUBLE_EQ(c.camera.giuaHaiLanDo(), 0.3);
}

// Every code of one frame arrives in one batch: each counts once, all carry the frame's decode time, and the
// list keeps only eight of them.
TEST(ManHinhThuMay, NhieuMaMotKhung) {
    Cum c;
    ASSERT_TRUE(c.moCamera());
    ManHinhThuMay man(c.dieuPhoi, c.camera, false);
    man.resize(1100, 700);
    man.show();
    QImage khung = TemMau::khungNen(1920, 1080);
    const auto& muoi = TemMau::muoiLoai();
    for (size_t i = 0; i < muoi.size(); ++i)
        TemMau::ve(khung, TemMau::taoNhan(muoi[i], 2, 50),
                   QPointF(200 + 380 * double(i % 5), 280 + 520 * double(i / 5)));
    // Listen in on the batch on its way to the screen.
    QList<DocMaVach::KetQuaDo> lo;
    ASSERT_TRUE(man.dangGiuDauDoc());
    QObject::connect(c.camera->docMa(), &DocMaVach::thayNhieuMa, &man,
                     [&](const QList<DocMaVach::KetQuaDo>& l) { lo = l; });
    c.motKhung(khung);
    ASSERT_GT(lo.size(), ManHinhThuMay::kSoDongToiDa) << "the frame must show more codes than the list keeps";
    ASSERT_EQ(man.daBat().size(), ManHinhThuMay::kSoDongToiDa);
    for (const MaDaBat& m : man.daBat()) {
        EXPECT_EQ(m.soLan, 1);
        EXPECT_EQ(m.miliTrungBinh, lo[0].mili);
    }
    // The eight kept are the first eight delivered, largest box first.
    for (int i = 0; i < ManHinhThuMay::kSoDongToiDa; ++i) EXPECT_EQ(man.daBat()[i].ma, lo[i].ma);
    EXPECT_EQ(man.chuKetLuan(), QStringLiteral("Chập chờn — mới bắt được vài lần"));
}

// The test box's picture fills its rounded border exactly, as the packing screen's does: nothing of it pokes
// out past the corners and no hairline shows between it and the line, at any width the column gives it.
TEST(HopCameraThu, HinhKhitTrongVienBoTron) {
    for (const int rong : {300, 388, 480, 533, 641, 777}) {
        HopCameraThu hop;
        hop.resize(rong, hop.heightForWidth(rong) + 40);
        hop.show();
        const QString loi = goc_hop_camera::kiem(
            [&](const QColor& mau) {
                QImage khung(1280, 720, QImage::Format_RGB32);
                khung.fill(mau);
                hop.xemTruoc()->hienKhung(khung);
                return hop.grab().toImage();
            },
            hop.xemTruoc()->geometry(), 12);
        EXPECT_TRUE(loi.isEmpty()) << rong << ": " << loi.toStdString();
    }
}

// At the smallest window, in both appearances, the scan test never scrolls sideways and shows every value whole
// or wrapped: a webcam with a long name and the rows of long codes it read.
TEST(ManHinhThuMay, CuaSoNhoNhatHienDuMoiGiaTri) {
    for (const char* gd : {"sang", "toi"}) {
        SCOPED_TRACE(gd);
        GiaoDien::ban().apDungGiaoDien(QString::fromLatin1(gd));
        cum_gia::Cum c;
        c.camera.daMoXong(QStringLiteral("HD Pro Webcam C920 (usb-0000:00:14.0-2.1.4) Logitech"));
        QWidget cuaSo;
        auto* cot = new QVBoxLayout(&cuaSo);
        cot->setContentsMargins(0, 0, 0, 0);
        auto* man = new ManHinhThuMay(c.dieuPhoi, &c.camera, false);
        cot->addWidget(man);
        cuaSo.setFixedSize(cua_so_nho_nhat::rongNoiDung, cua_so_nho_nhat::cao);
        cuaSo.show();
        for (const char* ma : {"GHNVN-0668-8123-4567-8901-2345-6789", "https://shop.example.vn/don/HN-100234567?ma=AB12",
                               "8934567890123"}) {
            c.camera.docDuoc({doc(ma, 12, "QR Code")});
            c.xuLySuKien();
        }
        cum_man_hinh::chay(100);
        const QStringList loi = cua_so_nho_nhat::khongVua(man);
        EXPECT_TRUE(loi.isEmpty()) << loi.join("\n").toStdString();
        const QStringList chu = cua_so_nho_nhat::chuHien(man);
        for (const char* mong : {"GHNVN-0668-8123-4567-8901-2345-6789", "https://shop.example.vn/don/HN-100234567?ma=AB12"})
            EXPECT_TRUE(std::any_of(chu.begin(), chu.end(), [&](const QString& s) { return s.contains(mong); }))
                << mong << ": " << chu.join(" | ").toStdString();
        cua_so_nho_nhat::luuAnh(cuaSo, QStringLiteral("thuMay-1100x700-%1").arg(gd));
    }
    GiaoDien::ban().apDungGiaoDien("toi");
}
