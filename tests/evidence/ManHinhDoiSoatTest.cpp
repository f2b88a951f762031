#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeZone>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/CumThu.h"
#include "common/VuaCuaSoNhoNhat.h"
#include "shell/GiaoDien.h"
#include "shell/BangMau.h"
#include "shell/NhanCatCuoi.h"
#include "shell/NhanMau.h"
#include "evidence/ManHinhDoiSoat.h"
#include "evidence/ThanhThongKe.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"

namespace {

// 14 March 2025, 15:00 in Ho Chi Minh City.
constexpr double kBayGio = 1741939200;

DonHang taoDon(const QString& id, const QString& taoLuc) {
    DonHang d;
    d.id = id;
    d.createdAt = taoLuc;
    return d;
}

BanGhiVideo taoVideo(const QString& id, const QString& ma, const QString& batDau, std::optional<QString> don = {}) {
    BanGhiVideo v;
    v.id = id;
    v.code = ma;
    v.startedAt = batDau;
    v.orderId = std::move(don);
    v.durationSec = 65;
    v.filePath = "/khong/co/" + id + ".mp4";
    return v;
}

// A day in a shop: one order filmed, one waiting, one cancelled, one created just after local midnight, one
// whose only video is a return; videos linked, unlinked, deleted and older.
struct NgayMau {
    cum_thu::Cum cum;
    DongHoGia dongHo;
    NgayMau() {
        dongHo.datGiayThuc(kBayGio);
        KhoDuLieu& kho = *cum.kho;
        DonHang o1 = taoDon("O1", "2025-03-14T03:00:00Z");
        o1.trackings = {MaVanDon{"SPXVN111", QString("SPX")}};
        o1.customerName = "Lê Na";
        o1.customerPhone = "0901";
        MatHang a, b;
        a.quantity = 2;
        b.quantity = 1;
        o1.items = {a, b};
        kho.capNhatDon(o1);
        kho.capNhatDon(taoDon("O2", "2025-03-14T05:00:00Z"));
        DonHang o3 = taoDon("O3", "2025-03-14T04:00:00Z");
        o3.cancelledAt = "";
        kho.capNhatDon(o3);
        DonHang o4 = taoDon("O4", "2025-03-13T17:30:00Z");  // 00:30 local on the 14th
        o4.name = "#HN-1";
        o4.itemCount = 5;
        kho.capNhatDon(o4);
        kho.capNhatDon(taoDon("O5", "2025-03-14T06:00:00Z"));
        kho.capNhatDon(taoDon("O6", "2025-03-13T16:59:59Z"));  // 23:59:59 on the 13th

        kho.datVideo(taoVideo("V2", "O2", "2025-03-14T05:10:00Z", QString("O2")));
        kho.datVideo(taoVideo("V3", "SPXVN111", "2025-03-14T07:00:00Z"));
        BanGhiVideo v5 = taoVideo("V5", "O5", "2025-03-14T06:30:00Z", QString("O5"));
        v5.kind = "return";
        kho.datVideo(v5);
        kho.datVideo(taoVideo("V6", "", "2025-03-10T02:00:00Z"));
        BanGhiVideo v7 = taoVideo("V7", "SPX7", "2025-03-14T07:30:00Z");
        v7.deleted = true;
        kho.datVideo(v7);
        cum.taoDieuPhoi();
        sua = std::make_unique<BoSuaBanGhi>(*cum.kho, cum.dieuPhoi->congTieng());
        cum.dieuPhoi->hienThongBaoCua(*sua);
    }
    std::unique_ptr<BoSuaBanGhi> sua;
};

// Rows added to a shown page appear on the next turn of the event loop, and replaced ones go then too.
void donRac() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList cacChu(QWidget* w) {
    donRac();
    QStringList r;
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->isVisibleTo(w) && !l->text().isEmpty()) r << l->text();
    return r;
}

QList<QPushButton*> cacNut(QWidget* w, const QString& ten) {
    donRac();
    QList<QPushButton*> r;
    for (QPushButton* n : w->findChildren<QPushButton*>(ten))
        if (n->isVisibleTo(w)) r << n;
    return r;
}

QStringList soThe(const ManHinhDoiSoat& m) {
    QStringList r;
    for (NhanMau* n : m.soThe()) r << n->text();
    return r;
}

}  // namespace

TEST(DoiSoatManHinh, CacMucCuaMotNgay) {
    NgayMau ngay;
    ManHinhDoiSoat man(*ngay.cum.kho, ngay.sua.get(), ngay.dongHo);
    man.resize(1000, 1400);
    man.show();

    EXPECT_EQ(soThe(man), (QStringList{"5", "2", "3", "2"}));
    EXPECT_EQ(man.soThe()[0]->mauChu(), BangMau::mauChuChinh.mau());
    EXPECT_EQ(man.soThe()[1]->mauChu(), BangMau::mauXanhLa.mau());
    EXPECT_EQ(man.soThe()[2]->mauChu(), BangMau::mauDo.mau());
    EXPECT_EQ(man.soThe()[3]->mauChu(), BangMau::mauHoPhach.mau());
    QStringList chu = cacChu(&man);
    for (const char* mong : {"Đối soát", "đơn trong ngày", "video đã quay", "đơn CHƯA có video", "video chưa gắn đơn",
                             "ĐƠN CHƯA CÓ VIDEO (3)", "VIDEO CHƯA GẮN ĐƠN (2)", "30 NGÀY QUA",
                             "Hàng thường còn nằm lại kho tới sáng mai. Quay bù bây giờ vẫn kịp.",
                             "Quét ra mã nhưng lúc ấy chưa đồng bộ kịp đơn. Gắn tay vào đây là hồ sơ đầy đủ trở lại.",
                             // order rows: tracking number, name, id as the code; customer line; item counts
                             "SPXVN111", "Lê Na · 0901", "3 món", "#HN-1", "5 món", "O5", "— · —", "0 món",
                             // video rows: local start time and length
                             "14/03/2025 14:00 · 01:05", "10/03/2025 09:00 · 01:05", "03-14", "03-10", "3", "1"})
        EXPECT_TRUE(chu.contains(QString::fromUtf8(mong))) << mong;
    for (const char* khong : {"O2", "O3", "O6", "SPX7"}) EXPECT_FALSE(chu.contains(khong)) << khong;
    EXPECT_EQ(cacNut(&man, "nutGan").size(), 2);

    // The busiest day fills the width; one video of three gets a third of it.
    donRac();
    const auto thanh = man.findChildren<ThanhThongKe*>();
    ASSERT_EQ(thanh.size(), 2);
    EXPECT_DOUBLE_EQ(thanh[0]->doRongHienTai(), thanh[0]->width());
    EXPECT_NEAR(thanh[1]->doRongHienTai(), thanh[1]->width() / 3.0, 0.01);

    // Two days back: nothing created on the 12th, while the 14-day and 30-day lists stay as they were.
    man.homQua();
    man.homQua();
    EXPECT_EQ(man.ngay().date(), QDate(2025, 3, 12));
    EXPECT_EQ(man.findChild<QDateEdit*>()->date(), QDate(2025, 3, 12));
    EXPECT_EQ(soThe(man), (QStringList{"0", "0", "0", "2"}));
    EXPECT_EQ(man.soThe()[2]->mauChu(), BangMau::mauXanhLa.mau());
    chu = cacChu(&man);
    EXPECT_TRUE(chu.contains("ĐƠN CHƯA CÓ VIDEO — KHÔNG CÒN ĐƠN NÀO"));
    EXPECT_TRUE(chu.contains("Mọi đơn tạo trong ngày này đều đã có video đóng gói."));
    EXPECT_FALSE(chu.contains("Hàng thường còn nằm lại kho tới sáng mai. Quay bù bây giờ vẫn kịp."));
    EXPECT_TRUE(chu.contains("VIDEO CHƯA GẮN ĐƠN (2)"));

    // The picker moves the day too; the 13th holds the order made a second before midnight.
    man.findChild<QDateEdit*>()->setDate(QDate(2025, 3, 13));
    EXPECT_EQ(man.ngay().date(), QDate(2025, 3, 13));
    EXPECT_EQ(soThe(man), (QStringList{"1", "0", "1", "2"}));
    EXPECT_TRUE(cacChu(&man).contains("O6"));
    man.homNay();
    EXPECT_EQ(man.ngay().date(), QDate(2025, 3, 14));
    EXPECT_EQ(soThe(man), (QStringList{"5", "2", "3", "2"}));

    // "Hôm qua" is the previous calendar day even across a 23-hour day where clocks jump forward.
    const QTimeZone newYork("America/New_York");
    ASSERT_TRUE(newYork.isValid());
    man.datNgay(QDateTime(QDate(2024, 3, 11), QTime(0, 30), newYork));
    man.homQua();
    EXPECT_EQ(man.ngay().date(), QDate(2024, 3, 10));
    EXPECT_EQ(man.ngay().time(), QTime(0, 30));
}

// An order is shown under the code the returns screen films it under: its first tracking entry that has a number
// (an entry sent before the carrier gave one names nothing), then its name, order number and id.
TEST(DoiSoatManHinh, MaDonLaVanDonCoSoDau) {
    const auto don = [](QList<QString> vanDon, std::optional<QString> ten, std::optional<QString> soDon) {
        DonHang d = taoDon("O9", "2025-03-14T03:00:00Z");
        for (const QString& v : vanDon) d.trackings.append(MaVanDon{v, std::nullopt});
        d.name = ten;
        d.orderNumber = soDon;
        return d;
    };
    const struct {
        const char* ten;
        DonHang d;
        QString ma;
    } cac[] = {
        {"a numbered first entry", don({"GHN1", "GHN2"}, "#9", "1009"), "GHN1"},
        {"an empty first entry", don({"", "GHN2"}, "#9", "1009"), "GHN2"},
        {"only empty entries", don({"", ""}, "#9", "1009"), "#9"},
        {"no entries, an empty name", don({}, "", "1009"), "1009"},
        {"nothing but the id", don({""}, std::nullopt, QString("")), "O9"},
    };
    for (const auto& c : cac) EXPECT_EQ(ManHinhDoiSoat::maHienThi(c.d), c.ma) << c.ten;
}

TEST(DoiSoatManHinh, KhoTrong) {
    cum_thu::Cum cum;
    cum.taoDieuPhoi();
    DongHoGia dh;
    dh.datGiayThuc(kBayGio);
    ManHinhDoiSoat man(*cum.kho, nullptr, dh);
    man.show();
    EXPECT_EQ(soThe(man), (QStringList{"0", "0", "0", "0"}));
    EXPECT_EQ(man.soThe()[3]->mauChu(), BangMau::mauChuPhu.mau());
    const QStringList chu = cacChu(&man);
    for (const char* mong : {"ĐƠN CHƯA CÓ VIDEO — KHÔNG CÒN ĐƠN NÀO", "VIDEO CHƯA GẮN ĐƠN — KHÔNG CÓ",
                             "Mọi video đều đã gắn được vào một đơn hàng.", "Chưa có video nào trong 30 ngày qua."})
        EXPECT_TRUE(chu.contains(QString::fromUtf8(mong))) << mong;

    // A video saved while the screen is open shows only when the figures are computed again.
    cum.kho->datVideo(taoVideo("MOI", "SPX-MOI", "2025-03-14T07:45:00Z"));
    EXPECT_EQ(soThe(man), (QStringList{"0", "0", "0", "0"}));
    donRac();
    for (QPushButton* n : man.findChildren<QPushButton*>())
        if (n->text() == "Tính lại") n->click();
    EXPECT_EQ(soThe(man), (QStringList{"1", "1", "0", "1"}));
    EXPECT_TRUE(cacChu(&man).contains("SPX-MOI"));
}

// Opening, moving and closing the panel, searching in it, and linking a video by pressing an order.
TEST(DoiSoatManHinh, GanVideoQuaPanel) {
    NgayMau ngay;
    ManHinhDoiSoat man(*ngay.cum.kho, ngay.sua.get(), ngay.dongHo);
    man.resize(1000, 1400);
    man.show();
    auto nut = cacNut(&man, "nutGan");
    ASSERT_EQ(nut.size(), 2);  // V3 (newest) then V6

    // The video's code is an order's tracking number: that one order at once.
    nut[0]->click();
    ASSERT_TRUE(man.dangGan());
    EXPECT_EQ(man.dangGan()->id, "V3");
    EXPECT_EQ(man.tuKhoaGan(), "SPXVN111");
    ASSERT_EQ(man.ketQuaGan().size(), 1);
    EXPECT_EQ(man.ketQuaGan().first().id, "O1");
    EXPECT_EQ(cacNut(&man, "nutGan")[0]->text(), "Đóng");
    EXPECT_EQ(cacNut(&man, "nutChonDon").size(), 1);
    EXPECT_TRUE(cacChu(&man).contains("Gắn"));

    // Another row moves the panel and searches with its code, which is empty here.
    cacNut(&man, "nutGan")[1]->click();
    EXPECT_EQ(man.dangGan()->id, "V6");
    EXPECT_EQ(man.tuKhoaGan(), "");
    EXPECT_TRUE(man.ketQuaGan().isEmpty());
    nut = cacNut(&man, "nutGan");
    EXPECT_EQ(nut[0]->text(), "Gắn đơn");
    EXPECT_EQ(nut[1]->text(), "Đóng");
    EXPECT_TRUE(cacChu(&man).contains("Không tìm thấy đơn nào khớp."));
    EXPECT_EQ(man.findChildren<QWidget*>("panelGan").size(), 1);

    // The open panel holds the keyboard: a label scanned or a phone typed now replaces the video's code and
    // searches on Return.
    const auto oMo = [&](int dong) {
        cacNut(&man, "nutGan")[dong]->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        return man.findChild<QLineEdit*>("oTimGan");
    };
    oMo(1);  // closes V6's panel
    auto* o = oMo(0);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->placeholderText(), "Số điện thoại, tên khách, mã vận đơn");
    EXPECT_EQ(man.focusWidget(), o);
    EXPECT_EQ(o->selectedText(), "SPXVN111");
    o = oMo(1);
    ASSERT_TRUE(o);
    EXPECT_EQ(man.focusWidget(), o);
    QTest::keyClicks(o, "0901");
    QTest::keyClick(o, Qt::Key_Return);
    EXPECT_EQ(man.tuKhoaGan(), "0901");
    ASSERT_EQ(man.ketQuaGan().size(), 1);
    EXPECT_FALSE(cacChu(&man).contains("Không tìm thấy đơn nào khớp."));

    // "Đóng" closes it and keeps the keyword and results.
    cacNut(&man, "nutGan")[1]->click();
    EXPECT_FALSE(man.dangGan());
    EXPECT_EQ(man.tuKhoaGan(), "0901");
    EXPECT_EQ(cacNut(&man, "nutChonDon").size(), 0);

    // Link V3 to O1 through the panel: both leave their lists, the record and journal carry it.
    cacNut(&man, "nutGan")[0]->click();
    auto chon = cacNut(&man, "nutChonDon");
    ASSERT_EQ(chon.size(), 1);
    chon[0]->click();
    EXPECT_FALSE(man.dangGan());
    const BanGhiVideo v3 = ngay.cum.kho->videoTheoId().value("V3");
    EXPECT_EQ(v3.orderId, QString("O1"));
    EXPECT_EQ(v3.trackingNumber, QString("SPXVN111"));
    EXPECT_EQ(v3.customerName, QString("Lê Na"));
    EXPECT_EQ(ngay.cum.dieuPhoi->thongBao(), QString("Đã gắn video vào đơn của Lê Na."));
    EXPECT_EQ(soThe(man), (QStringList{"4", "2", "2", "1"}));
    const QStringList chu = cacChu(&man);
    EXPECT_TRUE(chu.contains("VIDEO CHƯA GẮN ĐƠN (1)"));
    EXPECT_TRUE(chu.contains("ĐƠN CHƯA CÓ VIDEO (2)"));
    EXPECT_FALSE(chu.contains("SPXVN111"));
    QFile nk(ngay.cum.kho->thuMucGoc() + "/data/app.log.jsonl");
    ASSERT_TRUE(nk.open(QIODevice::ReadOnly));
    EXPECT_TRUE(nk.readAll().contains("\"relink\""));
}

TEST(DoiSoatManHinh, DoRongThanh) {
    struct Ca {
        double co;
        int so, lonNhat;
        double mong;
    };
    for (const Ca& ca : {Ca{300, 1, 1, 300}, Ca{300, 1, 0, 300}, Ca{300, 3, 3, 300}, Ca{300, 1, 100, 3},
                         Ca{300, 1, 1000, 2}, Ca{0, 1, 1, 2}})
        EXPECT_DOUBLE_EQ(ThanhThongKe::doRong(ca.co, ca.so, ThanhThongKe::thangCua(ca.lonNhat)), ca.mong)
            << ca.so << "/" << ca.lonNhat;
}

// A long code in an unlinked video's row is cut short with "…", keeps a gap before the "Gắn đơn" button, and
// still reads whole in its tip; the page does not grow wider for it.
TEST(DoiSoatManHinh, MaDaiCuaVideoChuaGanCatBotGiuKhe) {
    NgayMau ngay;
    const QString dai = QStringLiteral("SPXVN-") + QString(120, QLatin1Char('7'));
    ngay.cum.kho->datVideo(taoVideo("V9", dai, "2025-03-14T07:40:00Z"));
    ManHinhDoiSoat man(*ngay.cum.kho, ngay.sua.get(), ngay.dongHo);
    man.resize(1100, 1400);
    man.show();
    donRac();
    cum_thu::chay(100);
    NhanCatCuoi* ma = nullptr;
    for (auto* n : man.findChildren<NhanCatCuoi*>(QStringLiteral("maVideo")))
        if (n->text() == dai) ma = n;
    ASSERT_NE(ma, nullptr);
    man.grab().save(QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup/doiSoat-maDai.png");
    EXPECT_TRUE(ma->biCat());
    EXPECT_EQ(ma->toolTip(), dai);
    QPushButton* nut = nullptr;
    for (auto* n : ma->parentWidget()->findChildren<QPushButton*>(QStringLiteral("nutGan"))) nut = n;
    ASSERT_NE(nut, nullptr);
    const int phaiMa = ma->mapTo(ma->parentWidget(), QPoint(ma->width(), 0)).x();
    EXPECT_GE(nut->geometry().left() - phaiMa, 8);
    EXPECT_LE(ma->parentWidget()->mapTo(&man, QPoint(ma->parentWidget()->width(), 0)).x(), man.width());
}

// The date picker's calendar names its months in Vietnamese, whatever language the machine is left in.
TEST(DoiSoatManHinh, LichChonNgayNoiTiengViet) {
    NgayMau ngay;
    ManHinhDoiSoat man(*ngay.cum.kho, ngay.sua.get(), ngay.dongHo);
    man.show();
    QCalendarWidget* lich = man.findChild<QDateEdit*>()->calendarWidget();
    ASSERT_NE(lich, nullptr);
    auto* thang = lich->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    ASSERT_NE(thang, nullptr);
    EXPECT_NE(thang->text(), "March");
    EXPECT_EQ(thang->text(), QLocale(QLocale::Vietnamese, QLocale::Vietnam).standaloneMonthName(3));
}

// At the smallest window, in both appearances, the page never scrolls sideways and every row shows its values
// whole or wrapped: a long order name, tracking number and customer line, and a long code on an unlinked video.
TEST(DoiSoatManHinh, CuaSoNhoNhatHienDuMoiGiaTri) {
    for (const char* gd : {"sang", "toi"}) {
        SCOPED_TRACE(gd);
        GiaoDien::ban().apDungGiaoDien(QString::fromLatin1(gd));
        NgayMau ngay;
        DonHang dai = taoDon("O8", "2025-03-14T02:00:00Z");
        dai.name = "#HN-100234567";
        dai.trackings = {MaVanDon{"GHNVN-0668-8123-4567-8901-2345", QString("GHN")}};
        dai.customerName = "Công ty TNHH Thương mại Dịch vụ Xuất nhập khẩu Hoàng Gia Phát Đạt chi nhánh Thủ Đức";
        dai.customerPhone = "0912345678";
        ngay.cum.kho->capNhatDon(dai);
        ngay.cum.kho->datVideo(taoVideo("V9", "SPXVN066881234567890123", "2025-03-14T07:40:00Z"));
        QWidget cuaSo;
        auto* cot = new QVBoxLayout(&cuaSo);
        cot->setContentsMargins(0, 0, 0, 0);
        auto* man = new ManHinhDoiSoat(*ngay.cum.kho, ngay.sua.get(), ngay.dongHo);
        cot->addWidget(man);
        cuaSo.setFixedSize(cua_so_nho_nhat::rongNoiDung, cua_so_nho_nhat::cao);
        cuaSo.show();
        donRac();
        cum_thu::chay(100);
        const QStringList loi = cua_so_nho_nhat::khongVua(man);
        EXPECT_TRUE(loi.isEmpty()) << loi.join("\n").toStdString();
        const QStringList chu = cacChu(man);
        for (const QString& mong : {QStringLiteral("GHNVN-0668-8123-4567-8901-2345"),
                                    QStringLiteral("SPXVN066881234567890123")})
            EXPECT_TRUE(chu.contains(mong)) << mong.toStdString();
        EXPECT_TRUE(std::any_of(chu.begin(), chu.end(), [&](const QString& s) { return s.contains(*dai.customerName); }))
            << chu.join(" | ").toStdString();
        cua_so_nho_nhat::luuAnh(cuaSo, QStringLiteral("doiSoat-1100x700-%1").arg(gd));
    }
    GiaoDien::ban().apDungGiaoDien("toi");
}
