#include <gtest/gtest.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/CumGia.h"
#include "common/CumThu.h"
#include "stations/HopCamera.h"
#include "stations/KhungCamera.h"
#include "stations/ManHinhDongGoi.h"
#include "shell/BangMau.h"
#include "shell/NhanMau.h"
#include "stations/NutDo.h"
#include "store/DonHang.h"
#include "store/TienIch.h"

namespace {
using cum_thu::choDen;

struct CanhDongGoi : cum_thu::Cum {
    std::unique_ptr<ManHinhDongGoi> man;
    CanhDongGoi() {
        taoDieuPhoi();
        man = std::make_unique<ManHinhDongGoi>(dieuPhoi, engine, *caiDat);
        man->resize(1240, 800);
        man->show();
        man->activateWindow();
        QCoreApplication::processEvents();
    }
    ~CanhDongGoi() {
        if (camera().dangGhi()) {
            dieuPhoi->ketThucQuay();
            choNghi();
        }
        man.reset();
    }
    void goVaEnter(const QString& chu) {
        man->oNhapMa()->setText(chu);
        QTest::keyClick(man->oNhapMa(), Qt::Key_Return);
    }
};

// The same screen over the fake camera, for what it shows of the camera's state.
struct CanhDongGoiGia : cum_gia::Cum {
    std::unique_ptr<ManHinhDongGoi> man;
    CanhDongGoiGia() {
        man = std::make_unique<ManHinhDongGoi>(dieuPhoi, &camera, *caiDat);
        man->resize(1240, 800);
        man->show();
        man->activateWindow();
        QCoreApplication::processEvents();
    }
    void goVaEnter(const QString& chu) {
        man->oNhapMa()->setText(chu);
        QTest::keyClick(man->oNhapMa(), Qt::Key_Return);
    }
};

TEST(ManHinhDongGoi, DongChuThich) {
    EXPECT_EQ(ManHinhDongGoi::dongMaChuThich(""), "CHƯA QUÉT MÃ");
    EXPECT_EQ(ManHinhDongGoi::dongMaChuThich("SPX1"), "SPX1");
    EXPECT_EQ(ManHinhDongGoi::dongSerialChuThich({"A1", "B2"}), "SERIAL: A1  ·  B2");
    // A serial or code with a direction control is isolated on its own, its controls closed inside it.
    EXPECT_EQ(ManHinhDongGoi::dongSerialChuThich({"A1\u202E", "B2"}), "SERIAL: \u2068A1\u202E\u202C\u2069  ·  B2");
    EXPECT_EQ(ManHinhDongGoi::dongMaChuThich("\u2069SPX1\u202B"), "\u2068SPX1\u202B\u202C\u2069");
}

TEST(ManHinhDongGoi, LucMoiHienVaCameraChuaMo) {
    CanhDongGoiGia c;
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::dongGoi);
    EXPECT_TRUE(c.man->oNhapMa()->text().isEmpty());
    EXPECT_TRUE(c.man->oNhapMa()->hasFocus());
    EXPECT_FALSE(c.man->nutQuayKhongMa()->isHidden());
    EXPECT_EQ(c.man->nutQuayKhongMa()->text(), "Quay không mã");
    EXPECT_TRUE(c.man->nutDungQuay()->isHidden());
    EXPECT_TRUE(c.man->hienKhungNham());
    EXPECT_FALSE(c.man->hienLoiWebcam());
    EXPECT_FALSE(c.man->hienLopDangQuay());
    EXPECT_EQ(c.man->chuCamera(), "Camera: chưa mở");
    EXPECT_FALSE(c.man->chuThongBao().has_value());
    EXPECT_EQ(c.man->bangDon()->chuTrangThai(), "Chưa có");
    EXPECT_EQ(c.man->bangDon()->chuSoHomNay(), "0");
    EXPECT_DOUBLE_EQ(c.man->hopCamera()->tiLe(), 16.0 / 9.0);

    // Escape starts and stops nothing; Enter on spaces only empties the field.
    QTest::keyClick(c.man->oNhapMa(), Qt::Key_Escape);
    c.goVaEnter("   ");
    EXPECT_TRUE(c.man->oNhapMa()->text().isEmpty());
    c.xuLySuKien();
    c.henGio.tien(std::chrono::milliseconds(100));
    EXPECT_EQ(c.dieuPhoi->trangThai(), BoDieuPhoi::TrangThai::nghi);
    EXPECT_FALSE(c.dieuPhoi->thongBao().has_value());
    EXPECT_TRUE(c.camera.cacLanChuanBi.empty());
}

TEST(ManHinhDongGoi, CameraMoVaLoiWebcam) {
    CanhDongGoiGia c;
    c.camera.datTenCamera(QStringLiteral("Webcam Bàn"));
    c.camera.datDangChay(true);
    c.camera.datDoPhanGiai(QStringLiteral("640x480"));
    EXPECT_EQ(c.man->chuCamera(), "Camera: Webcam Bàn · 640x480");
    EXPECT_DOUBLE_EQ(c.man->hopCamera()->tiLe(), 640.0 / 480.0);
    QImage khung(640, 480, QImage::Format_RGB32);
    khung.fill(Qt::darkYellow);
    c.camera.phatKhung(khung);
    EXPECT_EQ(c.man->khungCamera()->khungHienTai().size(), QSize(640, 480));
    EXPECT_FALSE(c.camera.kichThuocXem().isEmpty()) << "the preview tells the camera the size of its box";
    const QRect hop = c.man->hopCamera()->vungHop();
    EXPECT_NEAR(double(hop.width()) / hop.height(), 640.0 / 480.0, 0.01);

    c.camera.datLoiCamera(
        QStringLiteral("Không mở được webcam: thiết bị đang bận, hãy đóng ứng dụng khác đang dùng "
                       "webcam rồi chọn lại trong Cài đặt."));
    c.camera.datDangChay(false);
    c.xuLySuKien();
    ASSERT_TRUE(c.man->hienLoiWebcam());
    EXPECT_EQ(c.man->chuLoiWebcam(), c.camera.loiCamera());
    EXPECT_EQ(c.man->tieuDeLoiWebcam(), "Không mở được webcam");
    // The whole text fits in the box, however many lines it wraps to.
    const QLabel* chu = c.man->findChildren<QLabel*>().last();
    for (QLabel* l : c.man->findChildren<QLabel*>())
        if (l->text() == c.man->chuLoiWebcam()) chu = l;
    EXPECT_GE(chu->height(), chu->heightForWidth(chu->width()));

    // A file that cannot be written while the webcam runs is not called a webcam fault.
    c.camera.datLoiCamera(QStringLiteral("Đang quay thì ghi file hỏng: No space left on device."));
    c.camera.datDangChay(true);
    c.xuLySuKien();
    ASSERT_TRUE(c.man->hienLoiWebcam());
    EXPECT_EQ(c.man->tieuDeLoiWebcam(), "Không ghi được video");
}

TEST(ManHinhDongGoi, MaGoTayBatDauVaDungMotBanGhiThat) {
    CanhDongGoi c;
    DonHang don;
    don.id = "5001";
    don.orderNumber = "1001";
    don.customerName = "Anh Minh";
    don.trackings = {MaVanDon{"SPXVN0042", QString("SPX")}};
    MatHang mh;
    mh.title = "Tai nghe";
    mh.variantTitle = "Đen";
    mh.sku = "TN-01";
    mh.quantity = 1;
    don.items = {mh};
    c.kho->capNhatDon(don);
    ASSERT_TRUE(c.moCamera());

    c.goVaEnter("SPXVN0042");
    EXPECT_TRUE(c.man->oNhapMa()->text().isEmpty());  // emptied before the coordinator has seen the code
    ASSERT_TRUE(c.choDangGhi(true));
    EXPECT_TRUE(c.man->nutQuayKhongMa()->isHidden());
    EXPECT_FALSE(c.man->nutDungQuay()->isHidden());
    EXPECT_FALSE(c.man->hienKhungNham());
    EXPECT_TRUE(c.man->hienLopDangQuay());
    c.man->moiGiay();
    const QStringList chuThich = c.man->cacDongChuThich();
    ASSERT_EQ(chuThich.size(), 2);
    EXPECT_EQ(chuThich[0], "SPXVN0042");
    EXPECT_TRUE(QRegularExpression(R"(^Shop Thử · \d\d/\d\d/\d{4} \d\d:\d\d:\d\d$)").match(chuThich[1]).hasMatch())
        << chuThich[1].toStdString();
    EXPECT_TRUE(QRegularExpression(R"(^\d\d:\d\d$)").match(c.man->chuHuyHieu()).hasMatch());
    EXPECT_EQ(c.man->bangDon()->chuTrangThai(), "Đang quay");
    EXPECT_EQ(c.man->bangDon()->cacDongNhanGiaTri(), (QStringList{"Mã quét=SPXVN0042", "Mã vận đơn=SPXVN0042",
                                                                  "Đơn hàng=#1001", "Khách=Anh Minh", "Điện thoại=—"}));
    EXPECT_EQ(c.man->bangDon()->cacDongMatHang(), QStringList{"Tai nghe|Đen · TN-01|×1"});
    ASSERT_TRUE(choDen([&] { return c.camera().giayDaGhi() >= 1; }));
    EXPECT_EQ(c.man->chuHuyHieu(), hienThiPhutGiay(c.camera().giayDaGhi()));

    cum_thu::chay(1200);       // past the minimum length
    c.goVaEnter("spxvn0042");  // the same code, any case, stops it
    ASSERT_TRUE(c.choNghi());
    ASSERT_TRUE(choDen([&] { return c.dieuPhoi->soDaQuayHomNay() == 1; }));
    EXPECT_EQ(c.kho->videoTheoId().size(), 1);
    const BanGhiVideo v = c.kho->videoTheoId().begin().value();
    EXPECT_EQ(v.orderId, QString("5001"));
    EXPECT_TRUE(QFile::exists(v.filePath));
    EXPECT_EQ(c.man->bangDon()->chuSoHomNay(), "1");
    EXPECT_EQ(c.man->bangDon()->chuTrangThai(), "Xong");
    ASSERT_TRUE(c.man->chuThongBao().has_value());
    EXPECT_TRUE(c.man->chuThongBao()->startsWith("Đã lưu ")) << c.man->chuThongBao()->toStdString();
    EXPECT_EQ(c.man->mauThongBao(), NhanMau(QString(), BangMau::mauXanhLa, QFont()).mauChu());
    EXPECT_FALSE(c.man->nutQuayKhongMa()->isHidden());
}

// An order that was not filmed, or whose video was not saved, is shown but never as done, and the refusal or
// failure that comes with the error cue is shown in the failure colour.
TEST(ManHinhDongGoi, DonKhongQuayDuocKhongBaoXongVaLoiMauDo) {
    CanhDongGoiGia c;
    DonHang don;
    don.id = "5002";
    don.orderNumber = "1002";
    don.trackings = {MaVanDon{"SPXVN0043", QString("SPX")}};
    c.kho->capNhatDon(don);
    const QColor mauLoi = NhanMau(QString(), BangMau::mauDo, QFont()).mauChu();

    c.goVaEnter("SPXVN0043");  // the camera is closed: the start is refused
    c.xuLySuKien();
    ASSERT_TRUE(c.dieuPhoi->donHienTai().has_value());
    EXPECT_EQ(c.man->bangDon()->chuTrangThai(), "Chưa có video");
    ASSERT_TRUE(c.man->chuThongBao().has_value());
    EXPECT_TRUE(c.man->chuThongBao()->startsWith("Không bắt đầu quay được: ")) << c.man->chuThongBao()->toStdString();
    EXPECT_EQ(c.man->mauThongBao(), mauLoi);

    c.camera.daMoXong();
    c.goVaEnter("SPXVN0043");
    c.xuLySuKien();
    ASSERT_EQ(c.camera.cacLanChuanBi.size(), 1u);
    EXPECT_EQ(c.man->bangDon()->chuTrangThai(), "Đang quay");
    c.dieuPhoi->ketThucQuay();
    c.xuLySuKien();
    EXPECT_EQ(c.man->bangDon()->chuTrangThai(), "Đang lưu");
    c.camera.hoanTatKhongFile(QStringLiteral("Không ghi được video: ổ đầy."));
    c.xuLySuKien();
    EXPECT_EQ(c.man->bangDon()->chuTrangThai(), "Chưa có video");
    EXPECT_EQ(c.man->chuThongBao(), QStringLiteral("Không ghi được video: ổ đầy."));
    EXPECT_EQ(c.man->mauThongBao(), mauLoi);
}

TEST(ManHinhDongGoi, QuayKhongMaVaEscDung) {
    CanhDongGoi c;
    c.caiDat->setGiayToiThieu(60);  // Escape stops whatever the minimum length
    ASSERT_TRUE(c.moCamera());
    c.man->nutQuayKhongMa()->click();
    ASSERT_TRUE(c.choDangGhi(true));
    EXPECT_EQ(c.man->bangDon()->chuTrangThai(), "Đang quay");
    EXPECT_TRUE(c.man->bangDon()->coChuChuaGanDon());
    EXPECT_EQ(c.man->bangDon()->cacDongNhanGiaTri(), QStringList{"Mã quét=" + c.dieuPhoi->maHienTai()});
    EXPECT_FALSE(c.dieuPhoi->maHienTai().isEmpty());
    cum_thu::chay(1200);
    QTest::keyClick(c.man->oNhapMa(), Qt::Key_Escape);
    ASSERT_TRUE(c.choNghi());
    ASSERT_TRUE(choDen([&] { return c.dieuPhoi->soDaQuayHomNay() == 1; }));
    EXPECT_EQ(c.man->bangDon()->chuTrangThai(), "Chưa có");
    EXPECT_TRUE(c.man->bangDon()->coGoiYBatDau());
}
}  // namespace

namespace {
// A packer who clicked elsewhere in the window (the sidebar, which refuses to switch while recording) must
// still stop the recording with Escape.
TEST(ManHinhDongGoi, EscDungKhiODangChonNamNgoaiManHinh) {
    cum_thu::Cum cum;
    cum.taoDieuPhoi();
    cum.caiDat->setGiayToiThieu(60);
    QWidget cuaSo;
    auto* hang = new QHBoxLayout(&cuaSo);
    auto* ben = new QLineEdit(&cuaSo);
    auto* man = new ManHinhDongGoi(cum.dieuPhoi, cum.engine, *cum.caiDat, &cuaSo);
    hang->addWidget(ben);
    hang->addWidget(man, 1);
    cuaSo.resize(1400, 800);
    cuaSo.show();
    cuaSo.activateWindow();
    QCoreApplication::processEvents();
    ASSERT_TRUE(cum.moCamera());
    man->nutQuayKhongMa()->click();
    ASSERT_TRUE(cum.choDangGhi(true));
    cum_thu::chay(1200);
    ben->setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(ben->hasFocus());
    QTest::keyClick(ben, Qt::Key_Escape);
    EXPECT_TRUE(cum.choNghi());
    if (cum.camera().dangGhi()) {
        cum.dieuPhoi->ketThucQuay();
        cum.choNghi();
    }
}
}  // namespace

namespace {
// The status line holds the camera text at the left and the coordinator's message at the right. In a narrow
// window a long camera name and a long message must not run into each other: the message is the outcome the
// packer is waiting for, so it stays whole and the camera text gives way, wrapping onto more lines.
TEST(ManHinhDongGoi, DongTrangThaiHepThiCatChuCameraGiuThongBao) {
    cum_thu::Cum cum;
    cum.taoDieuPhoi();
    ASSERT_TRUE(cum.moCamera());
    // Inside the main window the screen gets the width the window leaves it, not what its texts would like.
    QWidget cuaSo;
    auto* man = new ManHinhDongGoi(cum.dieuPhoi, cum.engine, *cum.caiDat, &cuaSo);
    cuaSo.resize(1400, 800);
    cuaSo.show();
    // 899: the screen's width in the narrowest main window; 700 leaves too little even for the message.
    for (const int rong : {1240, 899, 700}) {
        man->setGeometry(0, 0, rong, 800);
        cum.dieuPhoi->datThongBao(QStringLiteral("Đang quay — bấm Dừng quay trước khi sang màn hình khác."));
        QCoreApplication::processEvents();
        ASSERT_EQ(man->width(), rong);
        const QLabel* cam = nullptr;
        const QLabel* tb = nullptr;
        for (const QLabel* l : man->findChildren<QLabel*>()) {
            if (l->text() == man->chuCamera()) cam = l;
            if (l->text() == man->chuThongBao()) tb = l;
        }
        ASSERT_TRUE(cam && tb) << rong;
        const QRect cot(man->hopCamera()->mapTo(man, QPoint(0, 0)), man->hopCamera()->size());
        const QRect rCam(cam->mapTo(man, QPoint(0, 0)), cam->size());
        const QRect rTb(tb->mapTo(man, QPoint(0, 0)), tb->size());
        EXPECT_LT(rCam.right(), rTb.left()) << rong;
        // Whole whenever the column can hold it at all; below that it is the one cut short.
        EXPECT_GE(rTb.width(), qMin(cot.width(), tb->fontMetrics().horizontalAdvance(tb->text()))) << rong;
        EXPECT_EQ(rCam.left(), cot.left()) << rong;
        EXPECT_LE(rTb.right(), cot.right()) << rong;
        if (rong == 1240) {
            EXPECT_GE(rCam.width(), cam->fontMetrics().horizontalAdvance(cam->text())) << rong;
        }

        // Without a message the camera text keeps its place and has the whole line.
        cum.dieuPhoi->datThongBao(std::nullopt);
        QCoreApplication::processEvents();
        EXPECT_EQ(cam->mapTo(man, QPoint(0, 0)).x(), cot.left()) << rong;
        EXPECT_GE(cam->width(), qMin(cot.width(), cam->fontMetrics().horizontalAdvance(cam->text()))) << rong;
    }
}
}  // namespace
