#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <cmath>

#include "shell/BangMau.h"
#include "shell/GiaoDien.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"
#include "stations/BangDon.h"

namespace {
MatHang matHang(const QString& ten, std::optional<QString> bienThe, std::optional<QString> sku, qint64 sl) {
    MatHang m;
    m.title = ten;
    m.variantTitle = std::move(bienThe);
    m.sku = std::move(sku);
    m.quantity = sl;
    return m;
}

// An order of twenty items, taller than the panel at a laptop's window size.
DonHang donHaiMuoiMon() {
    DonHang don;
    don.id = "88003";
    for (int i = 0; i < 20; ++i) don.items.append(matHang(QStringLiteral("Món %1").arg(i), QString("Biến thể"), {}, 1));
    return don;
}

TEST(BangDon, LucDauChuaCoGi) {
    BangDon b;
    EXPECT_EQ(b.chuTrangThai(), "Chưa có");
    EXPECT_TRUE(b.coGoiYBatDau());
    EXPECT_TRUE(b.cacDongNhanGiaTri().isEmpty());
    EXPECT_TRUE(b.tieuDeSerial().isEmpty());
    EXPECT_FALSE(b.chuCanhBao().has_value());
    EXPECT_EQ(b.chuSoHomNay(), "0");
}

TEST(BangDon, DangQuayMaKhongPhaiDon) {
    BangDon b;
    BangDon::DuLieu d;
    d.dangGhi = true;
    d.maHienTai = "SPXVN999";
    b.capNhat(d);
    EXPECT_EQ(b.chuTrangThai(), "Đang quay");
    EXPECT_EQ(b.cacDongNhanGiaTri(), QStringList{"Mã quét=SPXVN999"});
    EXPECT_TRUE(b.coChuChuaGanDon());
    EXPECT_FALSE(b.coGoiYBatDau());
    // After it stops without an order the hint returns, while the serials stay in their box.
    d.dangGhi = false;
    d.serials = {"SN-1"};
    b.capNhat(d);
    EXPECT_EQ(b.chuTrangThai(), "Chưa có");
    EXPECT_TRUE(b.coGoiYBatDau());
    EXPECT_FALSE(b.coChuChuaGanDon());
    EXPECT_EQ(b.cacDongSerial(), QStringList{"SN-1"});
}

TEST(BangDon, CacDongCuaDonVaGiaTriThay) {
    struct Ca {
        const char* ten;
        std::optional<QString> name, orderNumber, khach, dienThoai;
        QList<MaVanDon> vanDon;
        QStringList mongDoi;
    };
    const QList<MaVanDon> motVanDon{MaVanDon{"VD123", QString("GHN")}, MaVanDon{"VD456", std::nullopt}};
    const Ca cac[] = {
        {"du",
         QString("#A-1"),
         QString("1001"),
         QString("Chị Lan"),
         QString("0901"),
         motVanDon,
         {"Mã quét=VD123", "Mã vận đơn=VD123", "Đơn hàng=#A-1", "Khách=Chị Lan", "Điện thoại=0901"}},
        {"khongTen",
         std::nullopt,
         QString("1001"),
         std::nullopt,
         std::nullopt,
         {},
         {"Mã quét=VD123", "Mã vận đơn=—", "Đơn hàng=#1001", "Khách=—", "Điện thoại=—"}},
        {"khongSo",
         std::nullopt,
         std::nullopt,
         QString(""),
         QString(""),
         {},
         {"Mã quét=VD123", "Mã vận đơn=—", "Đơn hàng=—", "Khách=", "Điện thoại="}},
    };
    for (const auto& c : cac) {
        DonHang don;
        don.id = "1";
        don.name = c.name;
        don.orderNumber = c.orderNumber;
        don.customerName = c.khach;
        don.customerPhone = c.dienThoai;
        don.trackings = c.vanDon;
        BangDon b;
        BangDon::DuLieu d;
        d.donHienTai = don;
        d.maHienTai = "VD123";
        d.daLuu = true;
        b.capNhat(d);
        EXPECT_EQ(b.cacDongNhanGiaTri(), c.mongDoi) << c.ten;
        EXPECT_EQ(b.chuTrangThai(), "Xong") << c.ten;
        EXPECT_TRUE(b.cacDongMatHang().isEmpty()) << c.ten;  // the heading over an empty list
        d.dangGhi = true;
        b.capNhat(d);
        EXPECT_EQ(b.chuTrangThai(), "Đang quay") << c.ten;
    }
}

// "Xong" only for an order whose video was saved: a refused start or a failed save is shown as having none.
TEST(BangDon, ChuTrangThaiChiXongKhiVideoDaLuu) {
    DonHang don;
    don.id = "1";
    const struct {
        bool coDon, dangGhi, dangLuu, daLuu;
        const char* mongDoi;
    } cac[] = {
        {false, false, false, false, "Chưa có"},   {true, false, false, false, "Chưa có video"},
        {true, true, false, false, "Đang quay"},   {true, false, true, false, "Đang lưu"},
        {true, false, false, true, "Xong"},        {false, true, false, false, "Đang quay"},
    };
    for (const auto& c : cac) {
        BangDon b;
        BangDon::DuLieu d;
        if (c.coDon) d.donHienTai = don;
        d.dangGhi = c.dangGhi;
        d.dangLuu = c.dangLuu;
        d.daLuu = c.daLuu;
        b.capNhat(d);
        EXPECT_EQ(b.chuTrangThai(), c.mongDoi) << c.mongDoi;
    }
}

TEST(BangDon, DongMatHangSerialCanhBaoVaDem) {
    DonHang don;
    don.id = "7";
    don.items = {matHang("Áo thun", QString("Đỏ / L"), QString("AT-01"), 2),
                 matHang("Quần", QString("Xanh"), std::nullopt, 1), matHang("Mũ", std::nullopt, QString("MU-9"), 0),
                 matHang("Áo thun", QString("Đỏ / L"), QString("AT-01"), 2)};
    BangDon b;
    BangDon::DuLieu d;
    d.donHienTai = don;
    d.maHienTai = "X";
    d.serials = {"SN-B2", "SN-A1"};
    d.canhBao = QString("Đơn đã bị huỷ trên sàn.");
    d.soDaQuayHomNay = 12;
    b.capNhat(d);
    EXPECT_EQ(b.cacDongMatHang(),
              (QStringList{"Áo thun|Đỏ / L · AT-01|×2", "Quần|Xanh|×1", "Mũ|×0", "Áo thun|Đỏ / L · AT-01|×2"}));
    EXPECT_EQ(b.tieuDeSerial(), "SERIAL ĐÃ GHI (2)");
    EXPECT_EQ(b.cacDongSerial(), (QStringList{"SN-B2", "SN-A1"}));
    EXPECT_EQ(b.chuCanhBao(), QString("Đơn đã bị huỷ trên sàn."));
    EXPECT_EQ(b.chuSoHomNay(), "12");
    // An empty warning text is still a warning and shows its box.
    d.canhBao = QString();
    b.capNhat(d);
    EXPECT_EQ(b.chuCanhBao(), QString());
}

TEST(BangDon, DoiGiaoDienDoiMauNgay) {
    GiaoDien::ban().apDungGiaoDien("toi");
    BangDon b;
    auto* nhan = b.findChild<NhanMau*>("chuTrangThai");
    ASSERT_NE(nhan, nullptr);
    EXPECT_EQ(nhan->palette().color(QPalette::WindowText), BangMau::mauChuPhu.mau(CheDoNen::Toi));
    GiaoDien::ban().apDungGiaoDien("sang");
    EXPECT_EQ(nhan->palette().color(QPalette::WindowText), BangMau::mauChuPhu.mau(CheDoNen::Sang));
    GiaoDien::ban().apDungGiaoDien("toi");
}

// The widest run of blank columns between the first and the last inked column of a picture: the gap a space
// leaves between two words, which is wider than any gap between two letters.
int khoangTrongRongNhat(const QImage& anh) {
    const QColor nen = anh.pixelColor(0, 0);
    QList<bool> coMuc;
    for (int x = 0; x < anh.width(); ++x) {
        bool co = false;
        for (int y = 0; y < anh.height() && !co; ++y) {
            const QColor c = anh.pixelColor(x, y);
            co = std::abs(c.red() - nen.red()) + std::abs(c.green() - nen.green()) + std::abs(c.blue() - nen.blue()) >
                 60;
        }
        coMuc.append(co);
    }
    const int dau = int(coMuc.indexOf(true)), cuoi = int(coMuc.lastIndexOf(true));
    int rongNhat = 0, dang = 0;
    for (int x = dau; dau >= 0 && x <= cuoi; ++x) {
        dang = coMuc[x] ? 0 : dang + 1;
        rongNhat = std::max(rongNhat, dang);
    }
    return rongNhat;
}

// The state pill's fixed-width type would leave a letter's whole cell for a space, which reads as a double gap
// ("Chưa  có"). As drawn, the gap between its words is no wider than the same words leave in the proportional
// type, give or take the letters' own side room.
TEST(BangDon, ChuVienTrangThaiMotKhoangTrong) {
    GiaoDien::ban().apDungGiaoDien("toi");
    BangDon b;
    b.resize(364, 500);
    b.show();
    for (const bool dangGhi : {false, true}) {
        BangDon::DuLieu d;
        d.dangGhi = dangGhi;
        b.capNhat(d);
        QCoreApplication::processEvents();
        auto* nhan = b.findChild<NhanMau*>("chuTrangThai");
        ASSERT_NE(nhan, nullptr);
        // On black, as the reference below, so both are read through the same blending of their letters' edges.
        QImage ve(nhan->size(), QImage::Format_RGB32);
        ve.fill(Qt::black);
        {
            QPainter p(&ve);
            p.drawPixmap(0, 0, nhan->grab());
        }
        const QFont tiLe = phongChu(11);
        QImage mau(QFontMetrics(tiLe).horizontalAdvance(nhan->text()) + 8, ve.height(), QImage::Format_RGB32);
        mau.fill(Qt::black);
        {
            QPainter p(&mau);
            p.setFont(tiLe);
            p.setPen(nhan->palette().color(QPalette::WindowText));
            p.drawText(mau.rect().adjusted(4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, nhan->text());
        }
        const int khePill = khoangTrongRongNhat(ve), kheMau = khoangTrongRongNhat(mau);
        EXPECT_GT(kheMau, 0) << nhan->text().toStdString();
        EXPECT_LE(khePill, kheMau + 2) << nhan->text().toStdString() << ": " << khePill << " > " << kheMau;
    }
}

// A big order's list scrolls inside the panel. The panel is rebuilt at each change of the coordinator (a serial
// scanned): the same order's list stays where the packer scrolled it, another order's starts at its top.
TEST(BangDon, DanhSachDaiCuonVaGiuChoKhiVeLai) {
    BangDon b;
    b.resize(364, 560);
    b.show();
    DonHang don = donHaiMuoiMon();
    BangDon::DuLieu d;
    d.donHienTai = don;
    d.maHienTai = "X";
    b.capNhat(d);
    QCoreApplication::processEvents();
    ASSERT_NE(b.cuonMatHang(), nullptr);
    QScrollBar* thanh = b.cuonMatHang()->verticalScrollBar();
    ASSERT_GT(thanh->maximum(), 300);
    thanh->setValue(300);
    d.serials = {"SN-1"};
    b.capNhat(d);
    QCoreApplication::processEvents();
    EXPECT_EQ(b.cuonMatHang()->verticalScrollBar()->value(), 300);
    EXPECT_EQ(b.cacDongSerial(), QStringList{"SN-1"});
    don.id = "88004";
    d.donHienTai = don;
    b.capNhat(d);
    QCoreApplication::processEvents();
    EXPECT_EQ(b.cuonMatHang()->verticalScrollBar()->value(), 0);
}

double doSang(const QColor& m) {
    auto kenh = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * kenh(m.redF()) + 0.7152 * kenh(m.greenF()) + 0.0722 * kenh(m.blueF());
}

// A list of twenty items cut by the panel: its scroll handle stands out from its track (at least 3:1) in both
// appearances, and the panel says how many items the order has. A list that fits says nothing more.
TEST(BangDon, DanhSachBiCatThayRoVaNoiSoMon) {
    for (const char* gd : {"sang", "toi"}) {
        SCOPED_TRACE(gd);
        GiaoDien::ban().apDungGiaoDien(QString::fromLatin1(gd));
        BangDon b;
        b.resize(364, 560);
        b.show();
        DonHang don = donHaiMuoiMon();
        BangDon::DuLieu d;
        d.donHienTai = don;
        d.maHienTai = "X";
        b.capNhat(d);
        QCoreApplication::processEvents();
        ASSERT_NE(b.cuonMatHang(), nullptr);
        QScrollBar* thanh = b.cuonMatHang()->verticalScrollBar();
        ASSERT_GT(thanh->maximum(), 0);
        ASSERT_TRUE(thanh->isVisible());
        EXPECT_EQ(b.chuConNua(), QStringLiteral("Đơn có 20 sản phẩm — cuộn danh sách để xem hết."));

        const QImage anh = thanh->grab().toImage();
        QStyleOptionSlider tuyChon;
        tuyChon.initFrom(thanh);
        tuyChon.orientation = Qt::Vertical;
        tuyChon.minimum = thanh->minimum();
        tuyChon.maximum = thanh->maximum();
        tuyChon.sliderPosition = thanh->sliderPosition();
        tuyChon.sliderValue = thanh->value();
        tuyChon.pageStep = thanh->pageStep();
        tuyChon.singleStep = thanh->singleStep();
        const QRect tay = thanh->style()->subControlRect(QStyle::CC_ScrollBar, &tuyChon, QStyle::SC_ScrollBarSlider, thanh);
        ASSERT_TRUE(tay.isValid());
        const double sx = double(anh.width()) / thanh->width(), sy = double(anh.height()) / thanh->height();
        const QColor mauTay = anh.pixelColor(int(tay.center().x() * sx), int(tay.center().y() * sy));
        const QColor mauRanh = anh.pixelColor(int(tay.center().x() * sx), int((thanh->height() - 12) * sy));
        const double a = doSang(mauTay), r = doSang(mauRanh);
        const double tuongPhan = (std::max(a, r) + 0.05) / (std::min(a, r) + 0.05);
        EXPECT_GE(tuongPhan, 3.0) << mauTay.name().toStdString() << " on " << mauRanh.name().toStdString();
        // Left beside the test run to be looked at.
        b.grab().toImage().save(QDir::temp().filePath(QStringLiteral("bangDon-20-mon-%1.png").arg(gd)));

        don.items.resize(2);
        d.donHienTai = don;
        b.capNhat(d);
        QCoreApplication::processEvents();
        EXPECT_EQ(b.chuConNua(), std::nullopt);
    }
    GiaoDien::ban().apDungGiaoDien("toi");
}
}  // namespace
