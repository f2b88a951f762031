#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTest>

#include "common/CumThu.h"
#include "core/CongDongBo.h"
#include "gia/core/SaoLuuGia.h"
#include "shell/BangMau.h"
#include "shell/KhungBo.h"
#include "shell/KhungChinh.h"
#include "shell/NhanHieuKorvane.h"
#include "shell/NhanMau.h"

namespace {
using MH = KhungChinh::ManHinh;
using cum_thu::choDen;

// The sync engine as the window sees it: the test sets its status line, whose change is signalled as the
// engine's is; a run ends at once and the connection test never answers.
class DongBoGia final : public CongDongBo {
    Q_OBJECT
public:
    void batDau() override {}
    bool dangChay() const override { return false; }
    QString trangThai() const override { return trangThai_; }
    QString loi() const override { return {}; }
    QStringList nhatKy() const override { return {}; }
    QString mauTho() const override { return {}; }
    void dongBo(bool, std::function<void()> xong) override {
        if (xong) xong();
    }
    void thuKetNoi(std::function<void(const QString&)>) override {}
    void dat(const QString& t) {
        trangThai_ = t;
        emit trangThaiChanged();
    }

private:
    QString trangThai_;
};

// The window over a real coordinator; every screen builder records that it ran.
struct CanhKhung : cum_thu::Cum {
    std::shared_ptr<DongBoGia> dongBo = std::make_shared<DongBoGia>();
    std::unique_ptr<KhungChinh> khung;
    int soLanTao = 0;

    CanhKhung() {
        khung = std::make_unique<KhungChinh>(*caiDat, trangThai);
        for (MH m : KhungChinh::tatCa()) {
            khung->dangKyManHinh(m, [this, m](TrangThaiApp&, CaiDat&) {
                ++soLanTao;
                return new QLabel(QStringLiteral("màn ") + KhungChinh::tieuDe(m));
            });
        }
    }
    ~CanhKhung() { khung.reset(); }
    void coDieuPhoi() {
        taoDieuPhoi();
        trangThai.datDieuPhoi(cumDieuPhoi);
    }
    void dungDu() {
        trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
        coDieuPhoi();
        trangThai.datDongBo(dongBo);
        trangThai.datSaoLuu(std::make_shared<SaoLuuGia>());
    }
    void batDauQuay() {
        ASSERT_TRUE(moCamera());
        dieuPhoi->quayKhongMa();
        ASSERT_TRUE(choDangGhi(true));
    }
    QString ten() const { return khung->tenNoiDung(); }
};

TEST(KhungChinh, SauManHinhTheoThuTuVaMoODongGoi) {
    const QStringList mongDoi{"Đóng gói", "Hàng hoàn", "Tra cứu", "Đối soát", "Thử máy", "Cài đặt"};
    CanhKhung c;
    ASSERT_EQ(c.khung->danhSach()->count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(c.khung->danhSach()->item(i)->text(), mongDoi[i]);
        EXPECT_EQ(KhungChinh::tuTieuDe(mongDoi[i]), KhungChinh::tatCa()[i]);
    }
    for (const char* sai : {"", "đóng gói", "Dong goi", "Cài đặt "})
        EXPECT_FALSE(KhungChinh::tuTieuDe(QString::fromUtf8(sai)).has_value()) << sai;
    EXPECT_EQ(c.khung->manHinh(), MH::dongGoi);
    EXPECT_EQ(c.khung->danhSach()->currentRow(), 0);
    auto* nhanHieu = c.khung->findChild<NhanHieuKorvane*>();
    ASSERT_NE(nhanHieu, nullptr);
    EXPECT_TRUE(nhanHieu->coLogo());
    EXPECT_EQ(nhanHieu->accessibleName(), "Korvane Zize");
    EXPECT_EQ(nhanHieu->nhanTen()->text(), "Zize");
    EXPECT_FALSE(c.khung->danhSach()->item(0)->icon().isNull());
}

TEST(KhungChinh, ChiTietTheoQuyenCameraVaBoDieuPhoi) {
    CanhKhung c;
    // Not determined does not block: the progress text shows until the coordinator exists.
    EXPECT_EQ(c.ten(), "dangNap");
    EXPECT_EQ(c.soLanTao, 0);
    c.coDieuPhoi();
    EXPECT_EQ(c.ten(), "manHinh:Đóng gói");
    for (auto quyen : {TrangThaiApp::QuyenCamera::biTuChoi, TrangThaiApp::QuyenCamera::biHanChe}) {
        c.trangThai.datQuyenCamera(quyen);
        for (MH m : KhungChinh::tatCa()) {
            c.khung->chonManHinh(m);
            EXPECT_EQ(c.ten(), "cameraBiChan") << static_cast<int>(quyen) << ' ' << KhungChinh::tieuDe(m).toStdString();
        }
        auto* giai = c.khung->noiDungChiTiet()->findChild<QLabel*>("giaiThichCameraBiChan");
        ASSERT_NE(giai, nullptr);
        EXPECT_TRUE(giai->text().contains("nhóm video"));
        EXPECT_FALSE(giai->text().contains("macOS"));
        EXPECT_TRUE(giai->text().split('\n').contains("sudo usermod -aG video tên-tài-khoản"));
        // Every wrapped line of the explanation is shown, at most 420 wide.
        c.khung->resize(1200, 800);
        c.khung->show();
        QCoreApplication::processEvents();
        EXPECT_LE(giai->width(), 420);
        EXPECT_GE(giai->height(), giai->heightForWidth(giai->width()));
    }
    c.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
    c.khung->chonManHinh(MH::thuMay);
    EXPECT_EQ(c.ten(), "manHinh:Thử máy");
}

TEST(KhungChinh, ManHinhChuaCoHienTrangTrongCoTieuDe) {
    cum_thu::Cum cum;
    KhungChinh khung(*cum.caiDat, cum.trangThai);
    cum.taoDieuPhoi();
    cum.trangThai.datDieuPhoi(cum.cumDieuPhoi);
    khung.chonManHinh(MH::doiSoat);
    auto nhan = khung.noiDungChiTiet()->findChildren<QLabel*>();
    ASSERT_FALSE(nhan.isEmpty());
    EXPECT_EQ(nhan.first()->text(), "Đối soát");
}

TEST(KhungChinh, TuChoiDoiManHinhKhiDangQuay) {
    CanhKhung c;
    c.dungDu();
    ASSERT_TRUE(c.moCamera());
    c.khung->chonManHinh(MH::traCuu);
    EXPECT_EQ(c.khung->manHinh(), MH::traCuu);  // camera open but idle: free to switch
    c.khung->chonManHinh(MH::dongGoi);
    c.batDauQuay();
    const int truoc = c.soLanTao;
    c.dieuPhoi->datThongBao(std::nullopt);

    c.khung->danhSach()->setCurrentRow(3);  // the packer clicks "Đối soát"
    EXPECT_EQ(c.khung->manHinh(), MH::dongGoi);
    EXPECT_EQ(c.khung->danhSach()->currentRow(), 0);
    EXPECT_FALSE(c.dieuPhoi->thongBao().has_value());  // posted after the setter returns
    QCoreApplication::processEvents();
    EXPECT_EQ(c.dieuPhoi->thongBao(), QStringLiteral("Đang quay — bấm Dừng quay trước khi sang màn hình khác."));
    EXPECT_EQ(c.soLanTao, truoc);

    // A real click selects the row as part of the same mouse press: the list must still end up showing the
    // packing screen as the selected one.
    c.dieuPhoi->datThongBao(std::nullopt);
    c.khung->resize(1200, 800);
    c.khung->show();
    QListWidget* ds = c.khung->danhSach();
    QTest::mouseClick(ds->viewport(), Qt::LeftButton, {}, ds->visualItemRect(ds->item(2)).center());
    QCoreApplication::processEvents();
    EXPECT_EQ(c.khung->manHinh(), MH::dongGoi);
    EXPECT_EQ(ds->currentRow(), 0);
    ASSERT_EQ(ds->selectedItems().size(), 1);
    EXPECT_EQ(ds->selectedItems().first(), ds->item(0));
    EXPECT_EQ(c.dieuPhoi->thongBao(), QStringLiteral("Đang quay — bấm Dừng quay trước khi sang màn hình khác."));
    EXPECT_EQ(c.soLanTao, truoc);

    c.dieuPhoi->datThongBao(std::nullopt);
    c.khung->chonManHinh(MH::dongGoi);   // the screen already shown: nothing
    c.khung->chonManHinh(std::nullopt);  // a cleared selection: ignored
    QCoreApplication::processEvents();
    EXPECT_FALSE(c.dieuPhoi->thongBao().has_value());
    EXPECT_EQ(c.khung->manHinh(), MH::dongGoi);
    EXPECT_EQ(c.soLanTao, truoc);
    c.dieuPhoi->ketThucQuay();
    EXPECT_TRUE(c.choNghi());
}

// A label read while another screen shows starts a packing recording; the packing screen must come forward,
// or nothing on screen could stop it and the window would refuse to leave.
TEST(KhungChinh, BanGhiBatDauOManHinhKhacThiManDongGoiHienRa) {
    for (MH dangXem : {MH::traCuu, MH::doiSoat, MH::caiDat, MH::thuMay}) {
        CanhKhung c;
        c.dungDu();
        c.khung->chonManHinh(dangXem);
        ASSERT_TRUE(c.moCamera());
        c.dieuPhoi->nhapMaTay(QStringLiteral("SPXVN0001"));
        ASSERT_TRUE(c.choDangGhi(true));
        EXPECT_EQ(c.khung->manHinh(), MH::dongGoi) << KhungChinh::tieuDe(dangXem).toStdString();
        EXPECT_EQ(c.ten(), "manHinh:Đóng gói");
        EXPECT_EQ(c.khung->danhSach()->currentRow(), 0);
        c.dieuPhoi->ketThucQuay();
        EXPECT_TRUE(c.choNghi());
    }
}

TEST(KhungChinh, CaiDatSauMaPin) {
    CanhKhung c;
    int soLanHoiPin = 0;
    std::function<void()> moKhoa;
    c.khung->dangKyNhapPin([&](TrangThaiApp&, CaiDat&, std::function<void()> xong) {
        ++soLanHoiPin;
        moKhoa = xong;
        return new QLabel("pin");
    });
    c.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
    c.coDieuPhoi();

    c.khung->chonManHinh(MH::caiDat);
    EXPECT_EQ(c.ten(), "choCaiDat");  // no PIN, but the sync engine and backup are missing
    c.trangThai.datDongBo(c.dongBo);
    EXPECT_EQ(c.ten(), "choCaiDat");
    c.trangThai.datSaoLuu(std::make_shared<SaoLuuGia>());
    EXPECT_EQ(c.ten(), "manHinh:Cài đặt");
    EXPECT_EQ(soLanHoiPin, 0);

    c.khung->chonManHinh(MH::dongGoi);
    c.caiDat->datPin(QStringLiteral("1234"));
    c.khung->chonManHinh(MH::caiDat);
    EXPECT_EQ(c.ten(), "nhapPin");
    EXPECT_EQ(soLanHoiPin, 1);
    ASSERT_TRUE(moKhoa);
    moKhoa();
    EXPECT_TRUE(c.khung->daMoKhoa());
    EXPECT_EQ(c.ten(), "manHinh:Cài đặt");
    c.khung->chonManHinh(MH::traCuu);
    c.khung->chonManHinh(MH::caiDat);
    EXPECT_EQ(c.ten(), "manHinh:Cài đặt");
    EXPECT_EQ(soLanHoiPin, 1);
}

TEST(KhungChinh, SheetCaiDatLanDauChiKhiChuaXong) {
    for (const bool bamXong : {true, false}) {  // the wizard's own finish, or any other dismissal
        CanhKhung c;
        c.caiDat->setDaCaiDatLanDau(false);
        std::function<void()> xong;
        c.khung->dangKyCaiDatLanDau([&](TrangThaiApp&, CaiDat&, std::function<void()> f) {
            xong = f;
            return new QLabel("wizard");
        });
        EXPECT_EQ(c.khung->sheetCaiDatLanDau(), nullptr);  // no coordinator yet
        c.coDieuPhoi();
        ASSERT_NE(c.khung->sheetCaiDatLanDau(), nullptr);
        EXPECT_EQ(c.khung->sheetCaiDatLanDau()->size(), QSize(900, 640));
        EXPECT_FALSE(xong);  // empty until the sync engine exists
        c.trangThai.datDongBo(c.dongBo);
        ASSERT_TRUE(xong);
        if (bamXong) {
            xong();
        } else {
            c.khung->sheetCaiDatLanDau()->reject();
        }
        EXPECT_TRUE(c.caiDat->daCaiDatLanDau()) << bamXong;
        EXPECT_EQ(c.khung->sheetCaiDatLanDau(), nullptr) << bamXong;
        // Stored, so the next start does not ask again.
        CaiDat docLai(c.thuMuc.filePath(QStringLiteral("caidat.ini")), std::make_shared<KhoKhoaBoNho>());
        EXPECT_TRUE(docLai.daCaiDatLanDau()) << bamXong;
    }
    CanhKhung xongRoi;
    bool daTao = false;
    xongRoi.khung->dangKyCaiDatLanDau([&](TrangThaiApp&, CaiDat&, std::function<void()>) {
        daTao = true;
        return new QLabel;
    });
    xongRoi.dungDu();
    EXPECT_EQ(xongRoi.khung->sheetCaiDatLanDau(), nullptr);
    EXPECT_FALSE(daTao);
}

TEST(KhungChinh, DongTrangThai) {
    CanhKhung c;
    EXPECT_EQ(c.khung->nhanCamera()->text(), "Camera bị chặn");  // not decided yet reads as blocked
    EXPECT_EQ(c.khung->chamCamera()->mauNen(), BangMau::mauDo.mau());
    EXPECT_EQ(c.khung->nhanSoLuong()->text(), "0 đơn · 0 video đã nạp");
    EXPECT_TRUE(c.khung->nhanDongBo()->isHidden());
    EXPECT_TRUE(c.khung->nhanCanhBaoOCung()->isHidden());

    c.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::duocPhep);
    c.trangThai.datSoDon(120);
    c.trangThai.datSoVideo(35);
    // Allowed is not ready: no camera yet, then one that is not open, then one whose frames flow.
    EXPECT_EQ(c.khung->nhanCamera()->text(), "Camera chưa mở");
    EXPECT_EQ(c.khung->chamCamera()->mauNen(), BangMau::mauDo.mau());
    EXPECT_EQ(c.khung->nhanSoLuong()->text(), "120 đơn · 35 video đã nạp");

    c.coDieuPhoi();
    EXPECT_EQ(c.khung->nhanCamera()->text(), "Camera chưa mở");
    ASSERT_TRUE(c.moCamera());
    ASSERT_TRUE(choDen([&] { return c.khung->nhanCamera()->text() == "Camera sẵn sàng"; }));
    EXPECT_EQ(c.khung->chamCamera()->mauNen(), BangMau::mauXanhLa.mau());
    // A graph that runs out stops like an unplugged webcam: the line turns red with the reason.
    c.camera().moCamera(QStringLiteral("lavfi:testsrc=size=320x240:rate=15:duration=0.2"), QString());
    ASSERT_TRUE(choDen([&] { return c.khung->nhanCamera()->text() == "Webcam ngừng gửi hình"; }));
    EXPECT_EQ(c.khung->chamCamera()->mauNen(), BangMau::mauDo.mau());
    EXPECT_EQ(c.khung->nhanCamera()->toolTip(), c.camera().loiCamera());
    c.camera().moCamera(QStringLiteral("lavfi:khong-phai-bo-loc"), QString());
    ASSERT_TRUE(choDen([&] { return c.khung->nhanCamera()->text() == "Không mở được webcam"; }))
        << c.khung->nhanCamera()->text().toStdString() << " / " << c.camera().loiCamera().toStdString();
    EXPECT_TRUE(c.khung->nhanCanhBaoOCung()->isHidden());
    // A data folder that cannot be written: the disk warning shows in the strip.
    c.caiDat->setThuMucGoc(c.thuMuc.filePath(QStringLiteral("caidat.ini")) + QStringLiteral("/khong-the"));
    auto khoHong = std::make_shared<KhoDuLieu>(c.caiDat->thuMucGoc());
    auto cumHong = std::make_shared<CumDieuPhoi>(*khoHong, *c.caiDat, std::make_unique<CameraEngine>(),
                                                 std::make_unique<TiengBao>(std::make_unique<DauRaAmThanhGia>()));
    BoDieuPhoi& dpHong = cumHong->dieuPhoi();
    TrangThaiApp tt2;
    KhungChinh khung2(*c.caiDat, tt2);
    tt2.datDieuPhoi(cumHong);
    dpHong.kiemTraTruocKhiQuay();
    ASSERT_TRUE(choDen([&] { return dpHong.canhBaoOCung().has_value(); }));
    EXPECT_FALSE(khung2.nhanCanhBaoOCung()->isHidden());
    EXPECT_EQ(khung2.nhanCanhBaoOCung()->text(), *dpHong.canhBaoOCung());

    c.trangThai.datDongBo(c.dongBo);
    c.dongBo->dat(QStringLiteral("Đã đồng bộ 3 đơn"));
    EXPECT_FALSE(c.khung->nhanDongBo()->isHidden());
    EXPECT_EQ(c.khung->nhanDongBo()->text(), "Đã đồng bộ 3 đơn");

    c.trangThai.datQuyenCamera(TrangThaiApp::QuyenCamera::biTuChoi);
    EXPECT_EQ(c.khung->nhanCamera()->text(), "Camera bị chặn");
}
}  // namespace

namespace {
// The rules under the brand mark, above the status strip and between the two columns are one pixel thick:
// each must actually paint in the border colour.
TEST(KhungChinh, DuongKeMotDiemAnhCoMau) {
    CanhKhung c;
    c.khung->resize(1200, 800);
    c.khung->show();
    QCoreApplication::processEvents();
    int soKe = 0;
    for (KhungBo* k : c.khung->findChildren<KhungBo*>()) {
        if (k->maximumHeight() != 1 && k->maximumWidth() != 1) continue;
        if (k->width() < 1 || k->height() < 1) continue;
        ++soKe;
        const QImage anh = k->grab().toImage();
        const QPoint giua(anh.width() / 2, anh.height() / 2);
        EXPECT_EQ(QColor(anh.pixel(giua)).rgb(), BangMau::mauVienThe.mau().rgb()) << k->width() << "x" << k->height();
    }
    EXPECT_EQ(soKe, 3);
}
}  // namespace

#include "KhungChinhTest.moc"

namespace {
// Closing the window in the middle of a packing recording must not leave a video on disk that no record
// points to: the recording is stopped and saved first, and the window closes once it is.
TEST(KhungChinh, DongCuaSoKhiDangQuayThiLuuXongMoiDong) {
    CanhKhung c;
    c.dungDu();
    QWidget cuaSo;  // the application's window, which holds the main window
    cuaSo.installEventFilter(c.khung.get());
    cuaSo.show();
    c.batDauQuay();
    ASSERT_TRUE(choDen([&] { return c.camera().giayDaGhi() >= 1; }));

    EXPECT_FALSE(cuaSo.close());  // held open while the recording is saved
    EXPECT_TRUE(cuaSo.isVisible());
    EXPECT_FALSE(cuaSo.close());  // asking again changes nothing
    ASSERT_TRUE(choDen([&] { return !cuaSo.isVisible(); }));
    EXPECT_EQ(c.dieuPhoi->trangThai(), BoDieuPhoi::TrangThai::nghi);
    ASSERT_EQ(c.kho->videoTheoId().size(), 1);
    const BanGhiVideo v = c.kho->videoTheoId().begin().value();
    EXPECT_TRUE(QFile::exists(v.filePath));
    EXPECT_FALSE(v.sha256.isEmpty());

    // Idle, the window closes at once.
    cuaSo.show();
    EXPECT_TRUE(cuaSo.close());
}
}  // namespace
