#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QVBoxLayout>
#include <algorithm>

#include "common/CumThu.h"
#include "common/KhungTrongCuaSo.h"
#include "common/NhanDayDu.h"
#include "common/VuaCuaSoNhoNhat.h"
#include "shell/BangMau.h"
#include "shell/GiaoDien.h"
#include "shell/KhungChinh.h"
#include "stations/BangDon.h"
#include "stations/HopCamera.h"
#include "stations/KhungCamera.h"
#include "stations/ManHinhDongGoi.h"
#include "stations/NutDo.h"

namespace {
using cum_thu::choDen;

// The main window in cuaSo, showing the packing screen over the test coordinator.
KhungChinh* khungDongGoi(QWidget& cuaSo, cum_thu::Cum& cum) {
    auto* khung = khungTrongCuaSo(cuaSo, *cum.caiDat, cum.trangThai);
    khung->dangKyManHinh(KhungChinh::ManHinh::dongGoi,
                         [](TrangThaiApp& tt, CaiDat& cd) {
                             return new ManHinhDongGoi(tt.dieuPhoi(), tt.camera(), cd);
                         });
    cum.trangThai.datDieuPhoi(cum.cumDieuPhoi);
    return khung;
}

// An item as the platform lists it.
MatHang matHang(const QString& ten, int soLuong, const QString& loai = {}, const QString& sku = {}) {
    MatHang m;
    m.title = ten;
    m.quantity = soLuong;
    if (!loai.isEmpty()) m.variantTitle = loai;
    if (!sku.isEmpty()) m.sku = sku;
    return m;
}

// An order with an SPX tracking number and the shop's usual customer phone, stored where the scan finds it.
DonHang luuDon(cum_thu::Cum& cum, const QString& id, const QString& ten, const QString& khach, const QString& vanDon,
               QList<MatHang> hang) {
    DonHang don;
    don.id = id;
    don.name = ten;
    don.customerName = khach;
    don.customerPhone = "0912345678";
    don.trackings = {MaVanDon{vanDon, QString("SPX")}};
    don.items = std::move(hang);
    cum.kho->capNhatDon(don);
    return don;
}

// As the program's window: a minimum of its own, so a screen that asks for more than the window has is
// squeezed into it rather than growing the window past the screen.
void moNhuChuongTrinh(QWidget& cuaSo) {
    cuaSo.setMinimumSize(1100, 700);
    cuaSo.resize(1280, 720);
    cuaSo.show();
}

// The whole window, idle and recording, in both appearances, drawn from a live test-pattern camera. Each
// picture is kept under the build folder for a person to look at; the test checks that the palette of the
// appearance is what got painted.
TEST(AnhChup, ManHinhDongGoiToiVaSangNghiVaDangQuay) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    for (const char* gd : {"toi", "sang"}) {
        GiaoDien::ban().apDungGiaoDien(gd);
        const CheDoNen nen = GiaoDien::ban().nenHienTai();
        cum_thu::Cum cum;
        cum.caiDat->setGhiSerial(true);
        luuDon(cum, "88001", "#HN-1024", "Nguyễn Thị Hoa", "SPXVN06688123",
               {matHang("Áo khoác gió nữ", 1, "Xanh rêu / M", "AKG-XR-M"), matHang("Tất cổ ngắn", 3)});
        cum.taoDieuPhoi();
        cum.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
        cum.trangThai.datSoDon(1284);
        cum.trangThai.datSoVideo(356);
        QWidget cuaSo;
        auto* khung = khungDongGoi(cuaSo, cum);
        cuaSo.resize(1360, 860);
        cuaSo.show();
        ASSERT_TRUE(cum.moCamera("1280x720"));
        auto* man = khung->noiDungChiTiet()->findChild<ManHinhDongGoi*>();
        if (!man) man = qobject_cast<ManHinhDongGoi*>(khung->noiDungChiTiet());
        ASSERT_NE(man, nullptr);
        ASSERT_TRUE(choDen([&] { return !man->khungCamera()->khungHienTai().isNull(); }));
        cum_thu::chay(200);

        const QImage nghi = cuaSo.grab().toImage();
        nghi.save(thuMuc + "/dongGoi-" + gd + "-nghi.png");
        // The screen's margin shows the page background and the sidebar its card fill.
        const QPoint trongLe = man->mapTo(&cuaSo, QPoint(6, 6));
        EXPECT_EQ(QColor(nghi.pixel(trongLe)).rgb(), BangMau::mauNen.mau(nen).rgb()) << gd;
        EXPECT_EQ(QColor(nghi.pixel(100, 400)).rgb(), BangMau::mauThe.mau(nen).rgb()) << gd;

        man->oNhapMa()->setText("SPXVN06688123");
        QTest::keyClick(man->oNhapMa(), Qt::Key_Return);
        ASSERT_TRUE(cum.choDangGhi(true));
        man->oNhapMa()->setText("SN-7781-A");
        QTest::keyClick(man->oNhapMa(), Qt::Key_Return);
        ASSERT_TRUE(choDen([&] { return cum.dieuPhoi->serials().size() == 1; }));
        ASSERT_TRUE(choDen([&] { return cum.camera().giayDaGhi() >= 2; }));
        man->moiGiay();
        cum_thu::chay(200);
        const QImage quay = cuaSo.grab().toImage();
        quay.save(thuMuc + "/dongGoi-" + gd + "-quay.png");
        EXPECT_EQ(man->bangDon()->chuTrangThai(), "Đang quay");
        ASSERT_EQ(man->cacDongChuThich().size(), 3);
        EXPECT_EQ(man->cacDongChuThich()[2], "SERIAL: SN-7781-A");
        EXPECT_EQ(man->bangDon()->cacDongSerial(), QStringList{"SN-7781-A"});
        cum.dieuPhoi->ketThucQuay();
        ASSERT_TRUE(cum.choNghi());
    }
    GiaoDien::ban().apDungGiaoDien("toi");
}
}  // namespace

namespace {
// A long customer name wraps in the order panel onto several lines, aligned to the trailing edge, and the row
// grows with it: every line shows, at the smallest window and at a large one.
TEST(AnhChup, TenKhachDaiHienDuCacDong) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    GiaoDien::ban().apDungGiaoDien("toi");
    cum_thu::Cum cum;
    const DonHang don =
        luuDon(cum, "88002", "#HN-2048",
               "Công ty TNHH Thương mại Dịch vụ Xuất nhập khẩu Hoàng Gia Phát Đạt chi nhánh Thủ Đức", "SPXVN07700456",
               {matHang("Bộ nồi inox ba đáy cao cấp năm món kèm xửng hấp và nắp kính cường lực", 1, "Bạc / 5 món",
                        "NOI-5M")});
    cum.taoDieuPhoi();
    cum.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
    QWidget cuaSo;
    auto* khung = khungDongGoi(cuaSo, cum);
    cuaSo.resize(1280, 720);
    cuaSo.show();
    ASSERT_TRUE(cum.moCamera("1280x720"));
    auto* man = khung->findChild<ManHinhDongGoi*>();
    ASSERT_NE(man, nullptr);
    man->oNhapMa()->setText("SPXVN07700456");
    QTest::keyClick(man->oNhapMa(), Qt::Key_Return);
    ASSERT_TRUE(cum.choDangGhi(true));
    ASSERT_TRUE(choDen([&] { return man->bangDon()->chuTrangThai() == "Đang quay"; }));
    for (const QSize co : {QSize(1100, 700), QSize(1280, 720), QSize(1920, 1080)}) {
        cuaSo.resize(co);
        cum_thu::chay(250);
        QLabel* ten = nullptr;
        for (auto* n : man->bangDon()->findChildren<QLabel*>(QStringLiteral("giaTri")))
            if (n->text() == *don.customerName) ten = n;
        ASSERT_NE(ten, nullptr);
        EXPECT_GE(ten->height(), 4 * ten->fontMetrics().lineSpacing()) << co.width();  // four lines at least
        EXPECT_GE(ten->parentWidget()->height(), ten->height() + 16) << co.width();    // the row grew with it
        EXPECT_TRUE(ten->alignment() & Qt::AlignRight);
        const QStringList cat = nhanBiCat(man->bangDon());
        EXPECT_TRUE(cat.isEmpty()) << co.width() << ": " << cat.join("; ").toStdString();
        cuaSo.grab().save(thuMuc + QStringLiteral("/dongGoi-tenDai-%1x%2.png").arg(co.width()).arg(co.height()));
    }
    cum.dieuPhoi->ketThucQuay();
    EXPECT_TRUE(cum.choNghi());
}
}  // namespace

namespace {
// The code field's hint reads whole at the smallest window the program allows and at common screen sizes: it
// wraps rather than ending in "…", and the field is tall enough for its lines, idle or recording.
TEST(AnhChup, GoiYOMaHienDuMoiCoCuaSo) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    GiaoDien::ban().apDungGiaoDien("toi");
    cum_thu::Cum cum;
    cum.taoDieuPhoi();
    cum.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
    QWidget cuaSo;
    auto* khung = khungDongGoi(cuaSo, cum);
    cuaSo.show();
    auto* man = khung->findChild<ManHinhDongGoi*>();
    ASSERT_NE(man, nullptr);
    ONhapMa* o = man->oNhapMa();
    EXPECT_EQ(o->goiY(), "Đưa mã vào camera, hoặc gõ mã rồi bấm Enter");
    for (const QSize co : {QSize(1100, 700), QSize(1280, 720), QSize(1920, 1080)}) {
        cuaSo.resize(co);
        cum_thu::chay(250);
        const QRect vung = o->vungGoiY();
        const QFontMetrics fm(o->font());
        const QRect can = fm.boundingRect(QRect(0, 0, vung.width(), 100000), Qt::TextWordWrap, o->goiY());
        EXPECT_LE(can.height(), vung.height()) << co.width();
        for (const QString& tu : o->goiY().split(' '))
            EXPECT_LE(fm.horizontalAdvance(tu), vung.width()) << co.width() << tu.toStdString();
        EXPECT_TRUE(QRect(QPoint(0, 0), o->parentWidget()->size()).contains(o->geometry())) << co.width();
        cuaSo.grab().save(thuMuc + QStringLiteral("/dongGoi-goiY-%1x%2.png").arg(co.width()).arg(co.height()));
    }
}
}  // namespace

namespace {
// An ordinary big order: the titles, variants and SKUs of a shop's usual lines, quantities 1 to 4.
DonHang donNhieuMon(const QString& id, int soMon, bool daHuy) {
    static const char* const ten[] = {"Áo khoác gió nữ chống nắng có mũ",        "Tất cổ ngắn",
                                      "Quần jean nam ống suông wash bạc",        "Bình giữ nhiệt inox 500ml",
                                      "Ốp lưng điện thoại trong suốt chống sốc", "Dép quai ngang",
                                      "Bộ nồi inox ba đáy năm món kèm xửng hấp", "Kem chống nắng dưỡng ẩm SPF50"};
    DonHang don;
    don.id = id;
    don.name = "#HN-" + id;
    don.customerName = "Nguyễn Thị Hoa";
    don.customerPhone = "0900005292";
    don.trackings = {MaVanDon{"SPXVN" + id, QString("SPX")}};
    if (daHuy) don.cancelledAt = "2026-03-14T02:00:00Z";
    for (int i = 0; i < soMon; ++i) {
        MatHang mh;
        mh.title = QString::fromUtf8(ten[i % 8]) + (i >= 8 ? QStringLiteral(" (lô %1)").arg(i) : QString());
        if (i % 3 != 1) mh.variantTitle = QStringLiteral("Màu %1 / cỡ %2").arg(i + 1).arg(36 + i);
        if (i % 2 == 0) mh.sku = QStringLiteral("SKU-%1").arg(i, 3, 10, QChar('0'));
        mh.quantity = 1 + (i * 7) % 4;
        don.items.append(mh);
    }
    return don;
}

// Drawn whole where it stands: shown, and no ancestor (a scroll area's viewport, the panel) cuts any of it off.
bool hienTronVen(const QWidget* w) {
    return w->isVisible() && w->visibleRegion().boundingRect() == w->rect();
}

// What is wrong with one item row as drawn: a wrapped line given less height than it needs, a second line laid
// over the title, or a quantity cut short.
QStringList loiDongMatHang(const QWidget* dong) {
    QStringList loi;
    const QString ten = dong->findChild<QLabel*>(QStringLiteral("ten"))->text();
    for (const QLabel* n : dong->findChildren<QLabel*>())
        if (n->wordWrap() && n->height() < n->heightForWidth(n->width()))
            loi << ten + ": " + n->text() + " cao " + QString::number(n->height());
    const QLabel* tieuDe = dong->findChild<QLabel*>(QStringLiteral("ten"));
    if (const QLabel* phu = dong->findChild<QLabel*>(QStringLiteral("phu"));
        phu && phu->y() < tieuDe->geometry().bottom())
        loi << ten + ": dòng phụ đè lên tên";
    const QLabel* so = dong->findChild<QLabel*>(QStringLiteral("soLuong"));
    if (so->height() < so->sizeHint().height() || so->width() < so->sizeHint().width())
        loi << ten + ": " + so->text() + " bị cắt";
    const QRect trong = dong->contentsRect();
    for (const QLabel* n : dong->findChildren<QLabel*>())
        if (!trong.contains(n->geometry())) loi << ten + ": " + n->text() + " tràn khỏi dòng";
    return loi;
}

// An order of 8 or 20 items, cancelled (whose warning takes more height) or not, at the smallest window the
// program allows and at two common screens: every item row is drawn whole and apart from the next, each can
// be brought into view, and the scanned code, the customer and the warning stay in view while it is.
TEST(AnhChup, DonNhieuMonMoiDongHienTronVen) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    GiaoDien::ban().apDungGiaoDien("toi");
    cum_thu::Cum cum;
    struct Ca {
        QString id;
        int soMon;
        bool daHuy;
    };
    const QList<Ca> cacCa = {
        {"66008001", 8, false}, {"66008002", 8, true}, {"66020001", 20, false}, {"66020002", 20, true}};
    for (const Ca& ca : cacCa) cum.kho->capNhatDon(donNhieuMon(ca.id, ca.soMon, ca.daHuy));
    cum.taoDieuPhoi();
    cum.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
    QWidget cuaSo;
    auto* khung = khungDongGoi(cuaSo, cum);
    moNhuChuongTrinh(cuaSo);
    ASSERT_TRUE(cum.moCamera("1280x720"));
    auto* man = khung->findChild<ManHinhDongGoi*>();
    ASSERT_NE(man, nullptr);
    BangDon* bang = man->bangDon();
    for (const Ca& ca : cacCa) {
        man->oNhapMa()->setText("SPXVN" + ca.id);
        QTest::keyClick(man->oNhapMa(), Qt::Key_Return);
        ASSERT_TRUE(cum.choDangGhi(true));
        ASSERT_TRUE(choDen([&] { return bang->cacDongMatHang().size() == ca.soMon; })) << ca.id.toStdString();
        ASSERT_EQ(bang->chuCanhBao().has_value(), ca.daHuy);
        for (const QSize co : {QSize(1100, 700), QSize(1280, 720), QSize(1920, 1080)}) {
            cuaSo.resize(co);
            cum_thu::chay(250);
            ASSERT_EQ(cuaSo.size(), co);
            const std::string ten = QStringLiteral("%1 món%2 %3x%4")
                                        .arg(ca.soMon)
                                        .arg(ca.daHuy ? " huỷ" : "")
                                        .arg(co.width())
                                        .arg(co.height())
                                        .toStdString();
            cuaSo.grab().save(thuMuc + QStringLiteral("/dongGoi-%1mon%2-%3x%4.png")
                                           .arg(ca.soMon)
                                           .arg(ca.daHuy ? "-huy" : "")
                                           .arg(co.width())
                                           .arg(co.height()));
            QList<QWidget*> dong = bang->findChildren<QWidget*>(QStringLiteral("dongMatHang"));
            ASSERT_EQ(dong.size(), ca.soMon) << ten;
            std::sort(dong.begin(), dong.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
            for (int i = 0; i < dong.size(); ++i) {
                const QStringList loi = loiDongMatHang(dong[i]);
                EXPECT_TRUE(loi.isEmpty()) << ten << ": " << loi.join("; ").toStdString();
                if (i > 0) {
                    EXPECT_GT(dong[i]->y(), dong[i - 1]->geometry().bottom()) << ten << " dòng " << i;
                }
            }
            // The facts the packer checks the parcel against, and the warning, are in view whatever is scrolled.
            QList<QWidget*> canThay;
            for (QWidget* h : bang->findChildren<QWidget*>(QStringLiteral("dongNhanGiaTri"))) {
                const QString nhan = h->findChild<QLabel*>(QStringLiteral("nhan"))->text();
                if (nhan == "Mã quét" || nhan == "Khách") canThay << h;
            }
            ASSERT_EQ(canThay.size(), 2) << ten;
            if (ca.daHuy) canThay << bang->findChild<QWidget*>(QStringLiteral("hopCanhBao"));
            for (QWidget* w : {dong.first(), dong.last()}) {
                // Brought into view the way the packer would, by scrolling the list that holds it, if any.
                for (QWidget* cha = w->parentWidget(); cha; cha = cha->parentWidget())
                    if (auto* cuon = qobject_cast<QScrollArea*>(cha)) {
                        cuon->ensureWidgetVisible(w, 0, 0);
                        break;
                    }
                cum_thu::chay(50);
                EXPECT_TRUE(hienTronVen(w)) << ten << ": " << w->findChild<QLabel*>("ten")->text().toStdString();
                for (QWidget* c : canThay)
                    EXPECT_TRUE(hienTronVen(c)) << ten << ": " << c->objectName().toStdString() << " khuất";
            }
        }
        cum.dieuPhoi->ketThucQuay();
        ASSERT_TRUE(cum.choNghi());
    }
}

// Starting and stopping a recording swaps "Quay không mã" for "Dừng quay" beside the code field: the field, its
// hint's lines and the camera box above stay exactly where they were, at every window size.
TEST(AnhChup, BoCucDungYenKhiBatDauVaDungQuay) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    GiaoDien::ban().apDungGiaoDien("toi");
    cum_thu::Cum cum;
    cum.taoDieuPhoi();
    cum.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
    QWidget cuaSo;
    auto* khung = khungDongGoi(cuaSo, cum);
    moNhuChuongTrinh(cuaSo);
    ASSERT_TRUE(cum.moCamera("1280x720"));
    auto* man = khung->findChild<ManHinhDongGoi*>();
    ASSERT_NE(man, nullptr);
    struct BoCuc {
        QRect hop, o, goiY;
    };
    const auto doBoCuc = [&] {
        cum_thu::chay(150);
        const QRect hop = man->hopCamera()->vungHop().translated(man->hopCamera()->mapTo(&cuaSo, QPoint(0, 0)));
        const QRect o(man->oNhapMa()->mapTo(&cuaSo, QPoint(0, 0)), man->oNhapMa()->size());
        return BoCuc{hop, o, man->oNhapMa()->vungGoiY()};
    };
    const auto chu = [](const BoCuc& b) {
        const auto r = [](const QRect& q) {
            return QStringLiteral("%1,%2 %3x%4").arg(q.x()).arg(q.y()).arg(q.width()).arg(q.height());
        };
        return (r(b.hop) + " | " + r(b.o) + " | " + r(b.goiY)).toStdString();
    };
    for (const QSize co : {QSize(1100, 700), QSize(1280, 720), QSize(1920, 1080)}) {
        cuaSo.resize(co);
        const BoCuc nghi = doBoCuc();
        ASSERT_EQ(cuaSo.size(), co);
        const QString tenAnh = QStringLiteral("/dongGoi-boCuc-%1x%2-").arg(co.width()).arg(co.height());
        cuaSo.grab().save(thuMuc + tenAnh + "nghi.png");
        QTest::mouseClick(man->nutQuayKhongMa(), Qt::LeftButton);
        ASSERT_TRUE(cum.choDangGhi(true));
        ASSERT_TRUE(choDen([&] { return !man->nutDungQuay()->isHidden(); }));
        const BoCuc quay = doBoCuc();
        cuaSo.grab().save(thuMuc + tenAnh + "quay.png");
        EXPECT_EQ(chu(quay), chu(nghi)) << co.width();
        QTest::mouseClick(man->nutDungQuay(), Qt::LeftButton);
        ASSERT_TRUE(cum.choNghi());
        ASSERT_TRUE(choDen([&] { return !man->nutQuayKhongMa()->isHidden(); }));
        const BoCuc sau = doBoCuc();
        EXPECT_EQ(chu(sau), chu(nghi)) << co.width();
    }
}
}  // namespace

namespace {
// At the smallest window, in both appearances, the packing screen never scrolls sideways and shows every value
// whole or wrapped while it films a long order: the camera line (a long test-pattern id), the customer's name
// and address, the item titles and the codes.
TEST(AnhChup, CuaSoNhoNhatHienDuMoiGiaTri) {
    for (const char* gd : {"sang", "toi"}) {
        SCOPED_TRACE(gd);
        GiaoDien::ban().apDungGiaoDien(QString::fromLatin1(gd));
        cum_thu::Cum cum;
        cum.caiDat->setGhiSerial(true);
        const MatHang a = matHang("Bộ nồi inox ba đáy cao cấp năm món kèm xửng hấp và nắp kính cường lực chịu nhiệt", 1,
                                  "Bạc ánh kim / 5 món / Bếp từ và bếp ga", "NOI-INOX-5M-BAC-TU-GA-2026");
        const DonHang don = luuDon(
            cum, "88003", "#HN-100234567",
            "Công ty TNHH Thương mại Dịch vụ Xuất nhập khẩu Hoàng Gia Phát Đạt chi nhánh Thủ Đức",
            "GHNVN06688123456789012345", {a, matHang("Tất cổ ngắn", 3)});
        cum.taoDieuPhoi();
        cum.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
        QWidget cuaSo;
        auto* khung = khungDongGoi(cuaSo, cum);
        cuaSo.setFixedSize(cua_so_nho_nhat::rong, cua_so_nho_nhat::cao);
        cuaSo.show();
        ASSERT_TRUE(cum.moCamera("1280x720"));
        auto* man = khung->findChild<ManHinhDongGoi*>();
        ASSERT_NE(man, nullptr);
        man->oNhapMa()->setText("GHNVN06688123456789012345");
        QTest::keyClick(man->oNhapMa(), Qt::Key_Return);
        ASSERT_TRUE(cum.choDangGhi(true));
        man->oNhapMa()->setText("SN-7781-AAAA-BBBB-CCCC-DDDD");
        QTest::keyClick(man->oNhapMa(), Qt::Key_Return);
        ASSERT_TRUE(choDen([&] { return cum.dieuPhoi->serials().size() == 1; }));
        cum_thu::chay(250);
        const QStringList loi = cua_so_nho_nhat::khongVua(man);
        EXPECT_TRUE(loi.isEmpty()) << loi.join("\n").toStdString();
        const QStringList chu = cua_so_nho_nhat::chuHien(man);
        for (const QString& mong : {*don.customerName, a.title})
            EXPECT_TRUE(chu.contains(mong)) << mong.toStdString();
        EXPECT_TRUE(std::any_of(chu.begin(), chu.end(), [](const QString& s) {
            return s.contains(QStringLiteral("testsrc=size=1280x720:rate=15"));
        })) << chu.join(" | ").toStdString();
        cua_so_nho_nhat::luuAnh(cuaSo, QStringLiteral("dongGoi-1100x700-%1").arg(gd));
        cum.dieuPhoi->ketThucQuay();
        ASSERT_TRUE(cum.choNghi());
    }
    GiaoDien::ban().apDungGiaoDien("toi");
}
}  // namespace

namespace {
// At the smallest window a long camera line wraps beside the message; the usual message after each recording
// ("Đã lưu …") comes and goes without moving the camera box or the code field, and the line stays whole.
TEST(AnhChup, DongCameraDaiGiuBoCucKhiThongBaoDenDi) {
    GiaoDien::ban().apDungGiaoDien("toi");
    cum_thu::Cum cum;
    cum.taoDieuPhoi();
    cum.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
    QWidget cuaSo;
    auto* khung = khungDongGoi(cuaSo, cum);
    moNhuChuongTrinh(cuaSo);
    cuaSo.resize(cua_so_nho_nhat::rong, cua_so_nho_nhat::cao);
    ASSERT_TRUE(cum.moCamera("1280x720"));
    auto* man = khung->findChild<ManHinhDongGoi*>();
    ASSERT_NE(man, nullptr);
    const auto viTri = [&] {
        cum_thu::chay(100);
        const QRect hop = man->hopCamera()->vungHop().translated(man->hopCamera()->mapTo(&cuaSo, QPoint(0, 0)));
        return std::make_pair(hop, man->oNhapMa()->mapTo(&cuaSo, QPoint(0, 0)));
    };
    const auto truoc = viTri();
    for (const auto& tb : {std::optional<QString>(BoDieuPhoi::thongBaoDaLuu(65, 12 * 1048576)),
                           std::optional<QString>()}) {
        cum.dieuPhoi->datThongBao(tb);
        EXPECT_EQ(viTri(), truoc) << tb.value_or("").toStdString();
        const QStringList loi = cua_so_nho_nhat::khongVua(man);
        EXPECT_TRUE(loi.isEmpty()) << loi.join("\n").toStdString();
    }
}
}  // namespace
