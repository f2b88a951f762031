#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>

#include "DichVuGia.h"
#include "core/KhungChinh.h"
#include "core/NhanMau.h"
#include "core/TrangThaiApp.h"

namespace {
using MH = KhungChinh::ManHinh;

struct CanhKhung {
    CaiDatGia caiDat;
    TrangThaiApp trangThai;
    std::shared_ptr<DieuPhoiGia> dieuPhoi = std::make_shared<DieuPhoiGia>();
    std::shared_ptr<DongBoGia> dongBo = std::make_shared<DongBoGia>();
    KhungChinh khung{&caiDat, trangThai};
    int soLanTao = 0;

    CanhKhung() {
        for (MH m : KhungChinh::tatCa()) {
            khung.dangKyManHinh(m, [this, m](TrangThaiApp&, QObject*) {
                ++soLanTao;
                auto* w = new QLabel(QStringLiteral("màn ") + KhungChinh::tieuDe(m));
                w->setObjectName(QStringLiteral("that"));
                return w;
            });
        }
    }
    void dungDu() {
        trangThai.datQuyenCamera(3);
        trangThai.datDieuPhoi(dieuPhoi);
        trangThai.datDongBo(dongBo);
        trangThai.datSaoLuu(std::make_shared<QObject>());
    }
    QString tenHienTai() const { return khung.tenNoiDung(); }
};

TEST(KhungChinh, SauManHinhTheoThuTuVaMoODongGoi) {
    const QStringList mongDoi{"Đóng gói", "Hàng hoàn", "Tra cứu", "Đối soát", "Thử máy", "Cài đặt"};
    CanhKhung c;
    ASSERT_EQ(c.khung.danhSach()->count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(c.khung.danhSach()->item(i)->text(), mongDoi[i]);
        EXPECT_EQ(KhungChinh::tieuDe(KhungChinh::tatCa()[i]), mongDoi[i]);
        EXPECT_EQ(KhungChinh::tuTieuDe(mongDoi[i]), KhungChinh::tatCa()[i]);
    }
    for (const char* sai : {"", "đóng gói", "Dong goi", "Cài đặt "})
        EXPECT_FALSE(KhungChinh::tuTieuDe(QString::fromUtf8(sai)).has_value()) << sai;
    EXPECT_EQ(c.khung.manHinh(), MH::dongGoi);
    EXPECT_EQ(c.khung.danhSach()->currentRow(), 0);
}

TEST(KhungChinh, ChiTietTheoQuyenCameraVaBoDieuPhoi) {
    CanhKhung c;
    // Not determined does not block: the progress text shows until the coordinator exists.
    EXPECT_EQ(c.tenHienTai(), "dangNap");
    EXPECT_EQ(c.soLanTao, 0);
    c.trangThai.datDieuPhoi(c.dieuPhoi);
    EXPECT_EQ(c.tenHienTai(), "manHinh:Đóng gói");
    for (int quyen : {2, 1}) {
        c.trangThai.datQuyenCamera(quyen);
        for (MH m : KhungChinh::tatCa()) {
            c.khung.chonManHinh(m);
            EXPECT_EQ(c.tenHienTai(), "cameraBiChan") << quyen << ' ' << KhungChinh::tieuDe(m).toStdString();
        }
        auto* giai = c.khung.noiDungChiTiet()->findChild<QLabel*>("giaiThichCameraBiChan");
        ASSERT_NE(giai, nullptr);
        EXPECT_TRUE(giai->text().contains("nhóm video"));
        EXPECT_FALSE(giai->text().contains("macOS"));
    }
    c.trangThai.datQuyenCamera(3);
    c.khung.chonManHinh(MH::thuMay);
    EXPECT_EQ(c.tenHienTai(), "manHinh:Thử máy");
}

TEST(KhungChinh, ManHinhChuaCoHienTrangTrongCoTieuDe) {
    CaiDatGia caiDat;
    TrangThaiApp tt;
    KhungChinh khung(&caiDat, tt);
    tt.datDieuPhoi(std::make_shared<DieuPhoiGia>());
    khung.chonManHinh(MH::doiSoat);
    auto nhan = khung.noiDungChiTiet()->findChildren<QLabel*>();
    ASSERT_FALSE(nhan.isEmpty());
    EXPECT_EQ(nhan.first()->text(), "Đối soát");
}

TEST(KhungChinh, TuChoiDoiManHinhKhiDangQuay) {
    CanhKhung c;
    c.dungDu();
    c.khung.chonManHinh(MH::traCuu);
    EXPECT_EQ(c.khung.manHinh(), MH::traCuu);  // camera open but idle: free to switch
    c.khung.chonManHinh(MH::dongGoi);
    c.dieuPhoi->cam.datDangGhi(true);
    const int truoc = c.soLanTao;

    c.khung.danhSach()->setCurrentRow(3);  // the user clicks "Đối soát"
    EXPECT_EQ(c.khung.manHinh(), MH::dongGoi);
    EXPECT_EQ(c.khung.danhSach()->currentRow(), 0);
    EXPECT_FALSE(c.dieuPhoi->thongBao.isValid());  // posted after the setter returns
    QCoreApplication::processEvents();
    EXPECT_EQ(c.dieuPhoi->thongBao.toString(), KhungChinh::kBaoDangQuay);
    EXPECT_EQ(c.soLanTao, truoc);

    c.dieuPhoi->thongBao = QVariant();
    c.khung.chonManHinh(MH::dongGoi);  // the screen already shown: nothing
    c.khung.chonManHinh(std::nullopt);  // a cleared selection: ignored
    QCoreApplication::processEvents();
    EXPECT_FALSE(c.dieuPhoi->thongBao.isValid());
    EXPECT_EQ(c.khung.manHinh(), MH::dongGoi);
    EXPECT_EQ(c.soLanTao, truoc);
}

TEST(KhungChinh, BanGhiBatDauOManHinhKhacThiManDongGoiHienRa) {
    struct Ca {
        MH dangXem;
        int cheDo;
        MH mongDoi;
    };
    const Ca cac[] = {{MH::traCuu, 0, MH::dongGoi},  {MH::caiDat, 0, MH::dongGoi}, {MH::doiSoat, 0, MH::dongGoi},
                      {MH::traCuu, 1, MH::hangHoan}, {MH::hangHoan, 1, MH::hangHoan}};
    for (const auto& ca : cac) {
        CanhKhung c;
        c.dungDu();
        c.dieuPhoi->cheDo = ca.cheDo;
        c.khung.chonManHinh(ca.dangXem);
        c.dieuPhoi->cam.datDangGhi(true);
        EXPECT_EQ(c.khung.manHinh(), ca.mongDoi) << KhungChinh::tieuDe(ca.dangXem).toStdString();
        EXPECT_EQ(c.khung.tenNoiDung(), "manHinh:" + KhungChinh::tieuDe(ca.mongDoi));
        EXPECT_EQ(c.khung.danhSach()->currentRow(), KhungChinh::tatCa().indexOf(ca.mongDoi));
    }
}

TEST(KhungChinh, CaiDatSauMaPin) {
    CanhKhung c;
    int soLanHoiPin = 0;
    std::function<void()> moKhoa;
    c.khung.dangKyNhapPin([&](TrangThaiApp&, QObject*, std::function<void()> xong) {
        ++soLanHoiPin;
        moKhoa = xong;
        return new QLabel("pin");
    });
    c.trangThai.datQuyenCamera(3);
    c.trangThai.datDieuPhoi(c.dieuPhoi);

    c.khung.chonManHinh(MH::caiDat);
    EXPECT_EQ(c.tenHienTai(), "choCaiDat");  // no PIN, but the sync engine and backup are missing
    c.trangThai.datDongBo(c.dongBo);
    EXPECT_EQ(c.tenHienTai(), "choCaiDat");
    c.trangThai.datSaoLuu(std::make_shared<QObject>());
    EXPECT_EQ(c.tenHienTai(), "manHinh:Cài đặt");
    EXPECT_EQ(soLanHoiPin, 0);

    c.khung.chonManHinh(MH::dongGoi);
    c.caiDat.maPinBam = QString(64, 'a');
    emit c.caiDat.doi();
    c.khung.chonManHinh(MH::caiDat);
    EXPECT_EQ(c.tenHienTai(), "nhapPin");
    EXPECT_EQ(soLanHoiPin, 1);
    ASSERT_TRUE(moKhoa);
    moKhoa();
    EXPECT_TRUE(c.khung.daMoKhoa());
    EXPECT_EQ(c.tenHienTai(), "manHinh:Cài đặt");
    c.khung.chonManHinh(MH::traCuu);
    c.khung.chonManHinh(MH::caiDat);
    EXPECT_EQ(c.tenHienTai(), "manHinh:Cài đặt");
    EXPECT_EQ(soLanHoiPin, 1);
}

TEST(KhungChinh, SheetCaiDatLanDauChiKhiChuaXong) {
    struct Ca {
        const char* ten;
        bool dongBangNut;  // the wizard's own finish, or any dismissal
    };
    for (const Ca ca : {Ca{"xong", true}, Ca{"dong", false}}) {
        CanhKhung c;
        c.caiDat.daCaiDatLanDau = false;
        std::function<void()> xong;
        c.khung.dangKyCaiDatLanDau([&](TrangThaiApp&, QObject*, std::function<void()> f) {
            xong = f;
            return new QLabel("wizard");
        });
        EXPECT_EQ(c.khung.sheetCaiDatLanDau(), nullptr) << ca.ten;  // no coordinator yet
        c.trangThai.datDieuPhoi(c.dieuPhoi);
        ASSERT_NE(c.khung.sheetCaiDatLanDau(), nullptr) << ca.ten;
        EXPECT_EQ(c.khung.sheetCaiDatLanDau()->size(), QSize(900, 640));
        EXPECT_FALSE(xong);  // empty until the sync engine exists
        c.trangThai.datDongBo(c.dongBo);
        ASSERT_TRUE(xong);
        EXPECT_NE(c.khung.sheetCaiDatLanDau()->findChild<QLabel*>(), nullptr);
        if (ca.dongBangNut) {
            xong();
        } else {
            c.khung.sheetCaiDatLanDau()->reject();
        }
        EXPECT_TRUE(c.caiDat.daCaiDatLanDau) << ca.ten;
        EXPECT_EQ(c.khung.sheetCaiDatLanDau(), nullptr) << ca.ten;
    }
    CanhKhung xongRoi;
    bool daTao = false;
    xongRoi.khung.dangKyCaiDatLanDau([&](TrangThaiApp&, QObject*, std::function<void()>) {
        daTao = true;
        return new QLabel;
    });
    xongRoi.dungDu();
    EXPECT_EQ(xongRoi.khung.sheetCaiDatLanDau(), nullptr);
    EXPECT_FALSE(daTao);
}

TEST(KhungChinh, DongTrangThai) {
    CanhKhung c;
    EXPECT_EQ(c.khung.nhanCamera()->text(), "Camera bị chặn");  // not decided yet reads as blocked
    EXPECT_EQ(c.khung.nhanSoLuong()->text(), "0 đơn · 0 video đã nạp");
    EXPECT_TRUE(c.khung.nhanDongBo()->isHidden());
    EXPECT_TRUE(c.khung.nhanCanhBaoOCung()->isHidden());

    c.trangThai.datQuyenCamera(3);
    c.trangThai.datSoDon(120);
    c.trangThai.datSoVideo(35);
    EXPECT_EQ(c.khung.nhanCamera()->text(), "Camera sẵn sàng");
    EXPECT_EQ(c.khung.nhanSoLuong()->text(), "120 đơn · 35 video đã nạp");

    c.trangThai.datDieuPhoi(c.dieuPhoi);
    EXPECT_TRUE(c.khung.nhanCanhBaoOCung()->isHidden());
    c.dieuPhoi->datCanhBaoOCung(QStringLiteral("Ổ đĩa sắp đầy"));
    EXPECT_FALSE(c.khung.nhanCanhBaoOCung()->isHidden());
    EXPECT_EQ(c.khung.nhanCanhBaoOCung()->text(), "Ổ đĩa sắp đầy");
    c.dieuPhoi->datCanhBaoOCung(QVariant());
    EXPECT_TRUE(c.khung.nhanCanhBaoOCung()->isHidden());

    c.trangThai.datDongBo(c.dongBo);
    c.dongBo->dat(QStringLiteral("Đã đồng bộ 3 đơn"));
    EXPECT_FALSE(c.khung.nhanDongBo()->isHidden());
    EXPECT_EQ(c.khung.nhanDongBo()->text(), "Đã đồng bộ 3 đơn");

    c.trangThai.datQuyenCamera(2);
    EXPECT_EQ(c.khung.nhanCamera()->text(), "Camera bị chặn");
}
}  // namespace
