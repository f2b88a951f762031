#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QListWidget>
#include <QMediaPlayer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "common/CumThu.h"
#include "common/KhungTrongCuaSo.h"
#include "shell/BangMau.h"
#include "shell/GiaoDien.h"
#include "shell/KhungChinh.h"
#include "shell/NhanMau.h"
#include "evidence/DangKyManHinh.h"
#include "evidence/HoSoBangChung.h"
#include "evidence/MaMay.h"
#include "evidence/ManHinhDoiSoat.h"
#include "evidence/ManHinhTraCuu.h"
#include "evidence/NguonKhungHinhVideo.h"
#include "evidence/NhanGiuCuoi.h"
#include "evidence/TrinhPhatVideo.h"
#include "evidence/VideoThu.h"
#include "store/DinhDangISO.h"
#include "store/DongHo.h"
#include "store/KhoDuLieu.h"
#include "store/TienIch.h"

namespace {
using cum_thu::choDen;

// Today at a local hour, as the store writes times.
QString homNayLuc(int gio, int phut = 0) {
    const QDateTime t(QDate::currentDate(), QTime(gio, phut));
    return t.toUTC().toString(Qt::ISODate);
}

QString truocNgay(int ngay, int gio) {
    const QDateTime t(QDate::currentDate().addDays(-ngay), QTime(gio, 0));
    return t.toUTC().toString(Qt::ISODate);
}

// On a real display the player draws into a native window of its own, which a widget grab leaves black: the
// screen's own pixels are taken there instead.
QImage chupCuaSo(QWidget& cuaSo) {
    if (QGuiApplication::platformName() == QStringLiteral("xcb") && cuaSo.screen())
        return cuaSo.screen()->grabWindow(cuaSo.winId()).toImage();
    return cuaSo.grab().toImage();
}

void gieoNgay(cum_thu::Cum& cum) {
    KhoDuLieu& kho = *cum.kho;
    const auto don = [&](const QString& id, const QString& tracking, const QString& ten, const QString& sdt,
                         const QString& luc, int mon) {
        DonHang d;
        d.id = id;
        d.orderNumber = id.mid(1);
        d.createdAt = luc;
        d.customerName = ten;
        d.customerPhone = sdt;
        if (!tracking.isEmpty()) d.trackings = {MaVanDon{tracking, QString("SPX")}};
        d.itemCount = mon;
        kho.capNhatDon(d);
        return d;
    };
    const DonHang d1 = don("D1024", "SPXVN06688123", "Nguyễn Thị Hoa", "0912345678", homNayLuc(8, 15), 2);
    don("D1025", "SPXVN06688124", "Trần Văn Đức", "0987654321", homNayLuc(9, 40), 1);
    don("D1026", "GHN5512309", "Phạm Minh Anh", "0903111222", homNayLuc(10, 5), 4);
    const DonHang d4 = don("D1027", "", "Lê Thu Trang", "0934555666", homNayLuc(11, 30), 3);

    QDir().mkpath(kho.thuMucGoc() + "/videos");
    const auto video = [&](const QString& id, const QString& ma, const QString& luc, const DonHang* d, int giay,
                           bool hoan) {
        BanGhiVideo v;
        v.id = id;
        v.code = ma;
        v.kind = hoan ? "return" : "pack";
        v.startedAt = luc;
        v.durationSec = giay;
        v.filePath = kho.thuMucGoc() + "/videos/" + id + ".mp4";
        if (giay > 0 && video_thu::ghi(v.filePath, giay, 15, QSize(960, 540))) {
            const auto vt = sha256CuaTep(v.filePath);
            v.sha256 = vt->sha256;
            v.bytes = vt->bytes;
        }
        if (d) {
            v.orderId = d->id;
            v.orderNumber = d->orderNumber;
            v.customerName = d->customerName;
            v.customerPhone = d->customerPhone;
            if (!d->trackings.isEmpty()) v.trackingNumber = d->trackings.first().trackingNumber;
        }
        kho.datVideo(v);
        return v;
    };
    BanGhiVideo h = video("VH1", "SPXVN05510077", homNayLuc(8, 50), &d1, 4, true);
    KhaiBaoHoan kb;
    kb.reason = "khong-dung-mau";
    kb.conditions = {"co-vet-xuoc", "sai-serial"};
    kb.serial = "SN-7781-B";
    kb.decision = "cho-xu-ly";
    kb.note = "Hộp móp một góc, thiếu túi chống ẩm.";
    h.returnInfo = kb;
    h.keepForever = true;
    kho.datVideo(h);
    BanGhiVideo p = video("VP1", "SPXVN06688123", homNayLuc(8, 30), &d1, 3, false);
    p.serials = QStringList{"SN-7781-A"};
    kho.datVideo(p);
    video("VP4", "GHN5512309X", homNayLuc(10, 20), nullptr, 2, false);
    video("VP5", "SPXVN0999", truocNgay(3, 16), nullptr, 2, false);
    video("VP6", "D1027", truocNgay(1, 15), &d4, 2, false);
    for (int i = 2; i <= 9; ++i)
        video("VC" + QString::number(i), "C" + QString::number(i), truocNgay(i, 9), &d4, 0, false);
}

// The lookup screen with a selected returns record that passed its check, and the reconciliation screen for
// today, reached through the window's own entries, in both appearances. The pictures are kept under the build
// folder for a person to look at; the test checks that each screen came from the registered builder and
// painted the page colour of its appearance.
TEST(AnhChup, TraCuuVaDoiSoat) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    for (const char* gd : {"toi", "sang"}) {
        GiaoDien::ban().apDungGiaoDien(gd);
        const CheDoNen nen = GiaoDien::ban().nenHienTai();
        cum_thu::Cum cum;
        gieoNgay(cum);
        cum.taoDieuPhoi();
        cum.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
        cum.trangThai.datKho(cum.kho);
        // The start-up normally reports what it loaded; the sidebar shows these counts.
        cum.trangThai.datSoDon(static_cast<int>(cum.kho->donTheoId().size()));
        cum.trangThai.datSoVideo(static_cast<int>(cum.kho->videoTheoId().size()));
        QWidget cuaSo;
        auto* khung = khungTrongCuaSo(cuaSo, *cum.caiDat, cum.trangThai);
        DangKyManHinh::dangKy(*khung);
        cum.trangThai.datDieuPhoi(cum.cumDieuPhoi);
        cuaSo.resize(1440, 900);
        cuaSo.show();

        khung->chonManHinh(KhungChinh::ManHinh::traCuu);
        cum_thu::chay(100);
        auto* traCuu = khung->noiDungChiTiet()->findChild<ManHinhTraCuu*>();
        if (!traCuu) traCuu = qobject_cast<ManHinhTraCuu*>(khung->noiDungChiTiet());
        ASSERT_NE(traCuu, nullptr);
        ASSERT_EQ(traCuu->ketQua().size(), 13u);
        traCuu->danhSach()->item(1)->setSelected(true);
        ASSERT_EQ(traCuu->idDangChon(), QString("VH1"));
        traCuu->kiemTraNguyenVen();
        ASSERT_TRUE(traCuu->ketQuaKiemTra() && traCuu->ketQuaKiemTra()->ok);
        ASSERT_TRUE(traCuu->trinhPhat());
        QMediaPlayer* p = traCuu->trinhPhat()->trinhPhat();
        ASSERT_TRUE(choDen([&] { return p->mediaStatus() == QMediaPlayer::LoadedMedia; }, 15000));
        // A still from inside the clip, so the picture shows a frame rather than an empty player.
        p->play();
        ASSERT_TRUE(choDen([&] { return p->position() >= 1000; }, 10000));
        p->pause();
        cum_thu::chay(500);
        const QImage anhTraCuu = chupCuaSo(cuaSo);
        anhTraCuu.save(thuMuc + "/traCuu-" + gd + ".png");
        const QPoint le = traCuu->mapTo(&cuaSo, QPoint(4, traCuu->height() - 4));
        EXPECT_EQ(QColor(anhTraCuu.pixel(le)).rgb(), BangMau::mauNen.mau(nen).rgb()) << gd;

        khung->chonManHinh(KhungChinh::ManHinh::doiSoat);
        cum_thu::chay(100);
        auto* doiSoat = khung->noiDungChiTiet()->findChild<ManHinhDoiSoat*>();
        if (!doiSoat) doiSoat = qobject_cast<ManHinhDoiSoat*>(khung->noiDungChiTiet());
        ASSERT_NE(doiSoat, nullptr);
        // Today: VP1 and VP4 filmed; D1025 and D1026 without a packing video (D1027 was filmed yesterday).
        QStringList so;
        for (NhanMau* n : doiSoat->soThe()) so << n->text();
        EXPECT_EQ(so, (QStringList{"4", "2", "2", "2"})) << gd;
        doiSoat->batDauGan(doiSoat->doiSoat().moCoi.front());
        doiSoat->datTuKhoaGan(QStringLiteral("090"));
        doiSoat->timDonGan();
        cum_thu::chay(200);
        const QImage anhDoiSoat = chupCuaSo(cuaSo);
        anhDoiSoat.save(thuMuc + "/doiSoat-" + gd + ".png");
        const QPoint le2 = doiSoat->mapTo(&cuaSo, QPoint(6, 6));
        EXPECT_EQ(QColor(anhDoiSoat.pixel(le2)).rgb(), BangMau::mauNen.mau(nen).rgb()) << gd;
    }
    GiaoDien::ban().apDungGiaoDien("toi");
}
// When the window narrows to a laptop's width, both columns of the lookup screen must hold their rows inside the
// visible area: a value pushed past the right edge would be read cut off, and a cut-off code, length or
// fingerprint in evidence is worse than none. The detail is checked on the returns record, the one with the most
// rows; the list on every result row, whose length and size sit at its right edge.
TEST(AnhChup, ChiTietTraCuuVuaCuaSoHep) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    GiaoDien::ban().apDungGiaoDien("toi");
    cum_thu::Cum cum;
    gieoNgay(cum);
    cum.taoDieuPhoi();
    cum.trangThai.datKho(cum.kho);
    QWidget cuaSo;
    auto* khung = khungTrongCuaSo(cuaSo, *cum.caiDat, cum.trangThai);
    DangKyManHinh::dangKy(*khung);
    cum.trangThai.datDieuPhoi(cum.cumDieuPhoi);
    cuaSo.resize(1440, 900);
    cuaSo.show();
    khung->chonManHinh(KhungChinh::ManHinh::traCuu);
    cum_thu::chay(100);
    auto* traCuu = khung->noiDungChiTiet()->findChild<ManHinhTraCuu*>();
    if (!traCuu) traCuu = qobject_cast<ManHinhTraCuu*>(khung->noiDungChiTiet());
    ASSERT_NE(traCuu, nullptr);
    traCuu->chonTheoId(QString("VH1"));
    ASSERT_TRUE(traCuu->chiTiet());
    auto* cuon = qobject_cast<QScrollArea*>(traCuu->chiTiet()->parentWidget()->parentWidget());
    ASSERT_NE(cuon, nullptr);
    for (int rong : {1360, 1280}) {
        cuaSo.resize(rong, 900);
        cum_thu::chay(200);
        cuaSo.grab().save(thuMuc + "/traCuu-" + QString::number(rong) + ".png");
        const QWidget* vung = cuon->viewport();
        EXPECT_FALSE(cuon->horizontalScrollBar()->isVisible()) << rong;
        EXPECT_LE(traCuu->chiTiet()->width(), vung->width()) << rong;
        QList<QWidget*> canThay;
        for (NhanMau* n : traCuu->chiTiet()->findChildren<NhanMau*>())
            if (n->isVisibleTo(traCuu->chiTiet())) canThay << n;
        for (QPushButton* n : traCuu->chiTiet()->findChildren<QPushButton*>()) canThay << n;
        ASSERT_GT(canThay.size(), 10);
        for (QWidget* w : canThay) {
            const QRect o(w->mapTo(vung, QPoint(0, 0)), w->size());
            EXPECT_GE(o.left(), 0) << rong << " " << w->objectName().toStdString();
            EXPECT_LE(o.right(), vung->width() - 1) << rong << " " << w->objectName().toStdString();
        }
        QListWidget* ds = traCuu->danhSach();
        EXPECT_FALSE(ds->horizontalScrollBar()->isVisible()) << rong;
        for (int i = 0; i < ds->count(); ++i)
            EXPECT_LE(ds->visualItemRect(ds->item(i)).right(), ds->viewport()->width() - 1) << rong << " " << i;
    }
}

// In "ĐƠN CHƯA CÓ VIDEO" each order's second line is the customer, then the phone the packer calls or searches
// by. At the smallest window and two common screens, with names from a short one to a company's full name, the
// phone is drawn whole and in view on every row (a long name is the one cut short), and so is the item count.
TEST(AnhChup, DoiSoatSoDienThoaiHienDu) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    QDir().mkpath(thuMuc);
    GiaoDien::ban().apDungGiaoDien("toi");
    cum_thu::Cum cum;
    const QStringList tenKhach = {
        "Lê Na", "Nguyễn Thị Thanh Hương", "Công ty TNHH Thương mại Dịch vụ Xuất nhập khẩu Hoàng Gia Phát Đạt",
        "Công ty TNHH Thương mại Dịch vụ Xuất nhập khẩu Hoàng Gia Phát Đạt chi nhánh Thủ Đức, kho Linh Trung",
        "Hộ kinh doanh Nguyễn Văn Bình — cửa hàng điện thoại, phụ kiện và sửa chữa Bình Minh, 245 Lê Văn Việt, "
        "phường Hiệp Phú, thành phố Thủ Đức"};
    for (int i = 0; i < tenKhach.size(); ++i) {
        DonHang d;
        d.id = "D52" + QString::number(90 + i);
        d.orderNumber = d.id.mid(1);
        d.createdAt = homNayLuc(9, i);
        d.customerName = tenKhach[i];
        d.customerPhone = "09000052" + QString::number(90 + i);
        d.trackings = {MaVanDon{"SPXVN0668" + QString::number(8100 + i), QString("SPX")}};
        d.itemCount = 1 + i;
        cum.kho->capNhatDon(d);
    }
    cum.taoDieuPhoi();
    cum.trangThai.datKho(cum.kho);
    QWidget cuaSo;
    auto* khung = khungTrongCuaSo(cuaSo, *cum.caiDat, cum.trangThai);
    DangKyManHinh::dangKy(*khung);
    cum.trangThai.datDieuPhoi(cum.cumDieuPhoi);
    // As the program's window, which has a minimum of its own rather than its screens' widest.
    cuaSo.setMinimumSize(1100, 700);
    cuaSo.resize(1280, 720);
    cuaSo.show();
    khung->chonManHinh(KhungChinh::ManHinh::doiSoat);
    cum_thu::chay(100);
    auto* doiSoat = khung->noiDungChiTiet()->findChild<ManHinhDoiSoat*>();
    if (!doiSoat) doiSoat = qobject_cast<ManHinhDoiSoat*>(khung->noiDungChiTiet());
    ASSERT_NE(doiSoat, nullptr);
    for (const QSize co : {QSize(1100, 700), QSize(1280, 720), QSize(1920, 1080)}) {
        cuaSo.resize(co);
        cum_thu::chay(250);
        ASSERT_EQ(cuaSo.size(), co);
        cuaSo.grab().save(thuMuc + QStringLiteral("/doiSoat-sdt-%1x%2.png").arg(co.width()).arg(co.height()));
        QList<QWidget*> dong = doiSoat->findChildren<QWidget*>(QStringLiteral("dongDon"));
        ASSERT_EQ(dong.size(), tenKhach.size()) << co.width();
        QScrollArea* cuon = nullptr;
        for (QWidget* cha = dong.first()->parentWidget(); cha && !cuon; cha = cha->parentWidget())
            cuon = qobject_cast<QScrollArea*>(cha);
        ASSERT_NE(cuon, nullptr);
        for (QWidget* d : dong) {
            cuon->ensureWidgetVisible(d, 0, 0);
            cum_thu::chay(30);
            QString sdt;
            QList<QLabel*> coSdt, soMon;
            for (QLabel* n : d->findChildren<QLabel*>()) {
                const qsizetype i = n->text().indexOf(QStringLiteral("09000052"));
                if (i >= 0) {
                    sdt = n->text().mid(i, 10);
                    coSdt << n;
                }
                if (n->text().endsWith(QStringLiteral(" món"))) soMon << n;
            }
            ASSERT_EQ(coSdt.size(), 1) << co.width();
            ASSERT_EQ(soMon.size(), 1) << co.width();
            QLabel* n = coSdt.first();
            const std::string ten = QString::number(co.width()).toStdString() + " " + sdt.toStdString();
            // Whole: what is drawn holds the phone, the label is as wide as what it draws, and the page's edge cuts
            // none of it.
            auto* giuCuoi = qobject_cast<NhanGiuCuoi*>(n);
            const QString dangVe = giuCuoi ? giuCuoi->chuDangVe() : n->text();
            EXPECT_TRUE(dangVe.endsWith(sdt)) << ten << ": " << dangVe.toStdString();
            EXPECT_GE(n->contentsRect().width(), n->fontMetrics().horizontalAdvance(dangVe)) << ten;
            EXPECT_EQ(n->visibleRegion().boundingRect(), n->rect()) << ten;
            EXPECT_EQ(soMon.first()->visibleRegion().boundingRect(), soMon.first()->rect()) << ten;
            EXPECT_FALSE(cuon->horizontalScrollBar()->isVisible()) << ten;
        }
    }
}

// The dossier of the seeded returns record, written under the build folder for a person to open in a browser.
TEST(AnhChup, HoSoMau) {
    const QString thuMuc = QStringLiteral(KORVANE_TEST_BINARY_DIR) + "/anh-chup";
    cum_thu::Cum cum;
    gieoNgay(cum);
    BanGhiVideo bg = cum.kho->videoTheoId().value("VH1");
    ASSERT_FALSE(bg.sha256.isEmpty());
    bg.endedAt = dinhDangISO().dinhDang(docThoiGianISO(bg.startedAt)->addSecs(bg.durationSec));
    bg.resolution = QStringLiteral("960x540");
    bg.cameraLabel = QStringLiteral("HD Pro Webcam C920");
    bg.returnInfo->savedAt = bg.endedAt;
    for (const char* suKien : {"launch", "save", "relink"}) cum.kho->nhatKy().ghi(QString::fromLatin1(suKien), {});
    std::optional<DonHang> don = cum.kho->donTheoId().value(*bg.orderId);
    MatHang ao{QStringLiteral("Áo thun cotton"), QStringLiteral("Trắng / L"), QStringLiteral("AT-01-L"), 1};
    MatHang tui{QStringLiteral("Túi vải canvas"), std::nullopt, QStringLiteral("TV-02"), 1};
    don->items = {ao, tui};
    don->shippingAddress = QStringLiteral("12 Lý Thường Kiệt, Phường 7, Quận 10, TP. Hồ Chí Minh");
    QDir(thuMuc + "/HoSo").removeRecursively();
    NguonKhungHinhVideo nguon;
    const auto kq =
        HoSoBangChung::xuat(bg, don, QStringLiteral("Shop Mẹ Bông"), thuMuc, true, cum.kho->nhatKy().kiemTra(),
                            MaMay::bamMaMay(QStringLiteral("may-thu")), nguon, DongHo::heThong());
    EXPECT_EQ(kq.soKhungHinh, 6);
    EXPECT_TRUE(kq.coVideo);
    EXPECT_TRUE(QFileInfo::exists(kq.thuMuc + "/ho-so.html"));
}
}  // namespace
