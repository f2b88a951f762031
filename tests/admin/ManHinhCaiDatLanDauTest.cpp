#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <algorithm>

#include "CumManHinhThu.h"
#include "admin/ManHinhCaiDatLanDau.h"
#include "admin/ManHinhThuMay.h"
#include "admin/VachKe.h"
#include "common/CumGia.h"
#include "common/TemMau.h"
#include "common/VuaCuaSoNhoNhat.h"
#include "shell/GiaoDien.h"
#include "shell/BangMau.h"
#include "shell/KhungChinh.h"
#include "core/TrangThaiApp.h"
#include "sources/BoDongBo.h"
#include "gia/sources/NguonDonKichBan.h"
#include "nentang/BangNenTang.h"
#include "store/DinhDangISO.h"

using cum_man_hinh::chay;
using cum_man_hinh::choDen;
using namespace std::chrono_literals;

namespace {

const QString kKhoaHaravan = QStringLiteral("com.korvane.pack.haravan.token");

// The wizard over a real coordinator and a sync engine whose platform client is scripted: it exists only
// when every credential is stored, answers the connection test with `traLoi`, and records each fetch. The
// camera is the real engine on handed-in frames, or (CumWizardGia) the screens' fake.
template <class Nen>
struct CumWizardTren : Nen {
    using Nen::caiDat;
    using Nen::cumDieuPhoi;
    using Nen::dieuPhoi;
    using Nen::kho;
    QString traLoi = QStringLiteral("Kết nối được Haravan. Cửa hàng đang có 3 đơn.");
    QStringList cacLanLay;
    std::shared_ptr<BoDongBo> dongBo;
    int soLanXong = 0;
    std::unique_ptr<ManHinhCaiDatLanDau> wizard;

    CumWizardTren() {
        BoDongBo::CauHinh ch;
        ch.taoNguon = [this](const QString& id, const DocKhoa& doc,
                             const MoiTruongNguon&) -> std::unique_ptr<NguonDon> {
            for (const auto& truong : cacTruongKhaiBao(id))
                if (docKhoaNguon(truong.khoa, id, doc).isEmpty()) return nullptr;
            auto n = std::make_unique<NguonDonKichBan>();
            const QString tl = traLoi;
            n->khiThuKetNoi = [tl] { return tl; };
            n->khiLayDon = [this](const QString& tuLuc, const NhanTienDo&) {
                QMetaObject::invokeMethod(
                    qApp, [this, tuLuc] { cacLanLay << tuLuc; }, Qt::QueuedConnection);
                return QList<DonHang>{};
            };
            return n;
        };
        // A cursor an hour old: an ordinary run would fetch from just before it, the first one 30 days back.
        caiDat->ud().setValue(BoDongBo::khoaMoc,
                              dinhDangISO().dinhDang(QDateTime::currentDateTimeUtc().addSecs(-3600)));
        dongBo = std::make_shared<BoDongBo>(*kho, *caiDat, std::move(ch));
    }
    ~CumWizardTren() {
        wizard.reset();
        dongBo.reset();
    }
    ManHinhCaiDatLanDau& mo() {
        wizard = std::make_unique<ManHinhCaiDatLanDau>(dieuPhoi, *caiDat, dongBo.get(), &cumDieuPhoi->camera(),
                                                       [this] { ++soLanXong; });
        wizard->resize(900, 640);
        wizard->show();
        return *wizard;
    }
    void denBuoc(int b) {
        caiDat->setTenShop(QStringLiteral("Shop Thử"));
        while (wizard->buoc() < b) wizard->nutTiepTuc()->click();
        ASSERT_EQ(wizard->buoc(), b);
    }
    void bamLuu() {
        ASSERT_TRUE(wizard->nutLuuVaKiemTra()->isEnabled());
        wizard->nutLuuVaKiemTra()->click();
        EXPECT_TRUE(wizard->dangThu());
        EXPECT_FALSE(wizard->nutLuuVaKiemTra()->isEnabled());
        ASSERT_TRUE(choDen([this] { return !wizard->dangThu(); }));
    }
};
using CumWizard = CumWizardTren<cum_man_hinh::Cum>;
using CumWizardGia = CumWizardTren<cum_gia::Cum>;

}  // namespace

// Only a shop name with something besides spaces and tabs opens the way on; steps 1 and 2 always let the owner
// on, back is absent on the first step, and the last step finishes instead.
TEST(ManHinhCaiDatLanDau, QuyTacCacBuoc) {
    CumWizard c;
    auto& w = c.mo();
    EXPECT_EQ(w.cacNhanBuoc(), ManHinhCaiDatLanDau::tenCacBuoc);
    const std::pair<QString, bool> cacTen[] = {
        {QString(), false},
        {QStringLiteral("   "), false},
        {QStringLiteral(" \t "), false},
        {QStringLiteral(" A "), true},
        {QStringLiteral("Shop"), true},
    };
    for (const auto& [ten, duoc] : cacTen) {
        c.caiDat->setTenShop(ten);
        EXPECT_EQ(w.nutTiepTuc()->isEnabled(), duoc) << ten.toStdString();
    }
    EXPECT_TRUE(w.nutQuayLai()->isHidden());

    // Typed text is stored at once and as typed.
    w.oTenShop()->clear();
    w.oTenShop()->setFocus();
    QTest::keyClicks(w.oTenShop(), QStringLiteral(" Gom Su "));
    EXPECT_EQ(c.caiDat->tenShop(), QStringLiteral(" Gom Su "));
    EXPECT_EQ(c.caiDat->ud().value(QStringLiteral("korvane.tenShop")).toString(), QStringLiteral(" Gom Su "));

    w.nutTiepTuc()->click();
    EXPECT_EQ(w.buoc(), 1);
    EXPECT_FALSE(w.nutQuayLai()->isHidden());
    c.caiDat->setTenShop(QString());
    EXPECT_TRUE(w.nutTiepTuc()->isEnabled());
    w.nutTiepTuc()->click();
    EXPECT_EQ(w.buoc(), 2);
    EXPECT_TRUE(w.nutTiepTuc()->isEnabled());
    EXPECT_EQ(w.nutTiepTuc()->text(), QStringLiteral("Tiếp tục"));
    w.nutTiepTuc()->click();
    EXPECT_EQ(w.buoc(), 3);
    EXPECT_EQ(w.nutTiepTuc()->text(), QStringLiteral("Xong, bắt đầu dùng"));
    w.nutQuayLai()->click();
    EXPECT_EQ(w.buoc(), 2);
    w.nutQuayLai()->click();
    w.nutQuayLai()->click();
    EXPECT_EQ(w.buoc(), 0);
    EXPECT_FALSE(w.nutTiepTuc()->isEnabled());
    EXPECT_EQ(c.soLanXong, 0);
}

TEST(ManHinhCaiDatLanDau, ChonThuMuc) {
    CumWizard c;
    auto& w = c.mo();
    c.denBuoc(1);
    const QString cu = c.caiDat->thuMucGoc();
    EXPECT_EQ(w.chuThuMuc(), cu);
    QStringList batDau;
    w.datChonThuMuc([&batDau](QWidget*, const QString& hienTai, std::function<void(std::optional<QString>)> xong) {
        batDau << hienTai;
        xong(std::nullopt);
    });
    w.chonThuMuc();
    EXPECT_EQ(c.caiDat->thuMucGoc(), cu) << "a cancelled chooser changes nothing";
    const QString moi = c.thuMuc.filePath(QStringLiteral("o-khac"));
    w.datChonThuMuc([moi](QWidget*, const QString&, std::function<void(std::optional<QString>)> xong) { xong(moi); });
    w.chonThuMuc();
    EXPECT_EQ(batDau, QStringList{cu}) << "the chooser opens at the folder set now";
    EXPECT_EQ(c.caiDat->thuMucGoc(), moi);
    EXPECT_EQ(c.caiDat->ud().value(QStringLiteral("korvane.thuMucGoc")).toString(), moi);
    EXPECT_EQ(w.chuThuMuc(), moi);
    EXPECT_EQ(c.kho->thuMucGoc(), cu) << "the open store keeps its folder until the next start";
}

// A stored webcam that is not plugged in is shown as such in the wizard's picker, as on the settings card, never
// as a blank picker beside a passing test; plugged back in it is listed by its name and stays chosen.
TEST(ManHinhCaiDatLanDau, BuocWebcamCameraDaLuuKhongCam) {
    struct Ca {
        QString id;
        QString chu;
    };
    for (const Ca& ca : {Ca{QStringLiteral("usb-vang"), QStringLiteral("Không thấy webcam đã chọn")},
                         Ca{QStringLiteral("lavfi:testsrc"), QStringLiteral("Nguồn thử: testsrc")}}) {
        CumWizardGia c;
        c.camera.datThietBiSeThay({cum_man_hinh::Cum::thietBi(QStringLiteral("usb-mot"), QStringLiteral("Webcam Một"))});
        c.caiDat->setCameraId(ca.id);
        auto& w = c.mo();
        c.denBuoc(2);
        c.xuLySuKien();
        ASSERT_TRUE(w.chonWebcam());
        EXPECT_EQ(w.chonWebcam()->currentText(), ca.chu);
        EXPECT_EQ(w.chonWebcam()->currentData().toString(), ca.id);
        EXPECT_EQ(w.chonWebcam()->count(), 3);
    }
    CumWizardGia c;
    c.caiDat->setCameraId(QStringLiteral("usb-vang"));
    auto& w = c.mo();
    c.denBuoc(2);
    c.xuLySuKien();
    c.camera.datThietBiSeThay({cum_man_hinh::Cum::thietBi(QStringLiteral("usb-vang"), QStringLiteral("Webcam Vàng"))});
    c.camera.lamMoiThietBi();
    c.xuLySuKien();
    EXPECT_EQ(w.chonWebcam()->currentText(), QStringLiteral("Webcam Vàng"));
    EXPECT_EQ(w.chonWebcam()->findText(QStringLiteral("Không thấy webcam đã chọn")), -1);
}

// The webcam step lists the default camera and every device, opens the one chosen (none in particular for the
// default), and embeds a compact test view that holds the coordinator in test mode until the step is left.
TEST(ManHinhCaiDatLanDau, BuocWebcam) {
    CumWizardGia c;
    c.camera.datThietBiSeThay({cum_man_hinh::Cum::thietBi(QStringLiteral("usb-mot"), QStringLiteral("Webcam Một")),
                               cum_man_hinh::Cum::thietBi(QStringLiteral("usb-hai"), QStringLiteral("Webcam Hai"))});
    c.caiDat->setDoPhanGiai(QStringLiteral("1920x1080"));
    auto& w = c.mo();
    c.denBuoc(2);
    ASSERT_TRUE(w.chonWebcam());
    EXPECT_GE(c.camera.soLanLamMoi, 1);
    c.xuLySuKien();
    ASSERT_EQ(w.chonWebcam()->count(), 3);
    EXPECT_EQ(w.chonWebcam()->itemText(0), QStringLiteral("Webcam mặc định"));
    EXPECT_EQ(w.chonWebcam()->itemText(2), QStringLiteral("Webcam Hai"));
    EXPECT_EQ(w.chonWebcam()->currentIndex(), 0);
    ASSERT_TRUE(w.thuMay());
    EXPECT_TRUE(w.thuMay()->gonGang());
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::thuMay);

    QTest::qWait(0);
    w.chonWebcam()->activated(2);
    EXPECT_EQ(c.caiDat->cameraId(), QStringLiteral("usb-hai"));
    using LanMo = CameraGia::LanMo;
    EXPECT_EQ(c.camera.cacLanMo, (std::vector<LanMo>{{QStringLiteral("usb-hai"), QStringLiteral("1920x1080")}}));
    w.chonWebcam()->activated(0);
    EXPECT_EQ(c.caiDat->cameraId(), QString());
    ASSERT_EQ(c.camera.cacLanMo.size(), 2u);
    EXPECT_EQ(c.camera.cacLanMo[1], (LanMo{std::nullopt, QStringLiteral("1920x1080")})) << "the engine's default";
    EXPECT_TRUE(w.thuMay()->dangGiuDauDoc());
    EXPECT_DOUBLE_EQ(c.camera.giuaHaiLanDo(), 0.05);

    w.nutTiepTuc()->click();
    EXPECT_FALSE(w.thuMay());
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::thuMay) << "the wizard itself still covers the window";
    EXPECT_EQ(c.camera.nguoiThuMoiNhat(), nullptr) << "no test view holds the camera";
    EXPECT_DOUBLE_EQ(c.camera.giuaHaiLanDo(), 0.12);
}

// Credentials: blank inputs keep the button disabled; a line break alone passes the check but is stored as no
// value, so the test reports the missing credential in red and no sync runs; a good value is stored trimmed,
// turns the line green and starts one 30-day fetch.
TEST(ManHinhCaiDatLanDau, LuuVaKiemTra) {
    CumWizard c;
    auto& w = c.mo();
    c.denBuoc(3);
    ASSERT_EQ(w.cacOKhoa().size(), 1);
    EXPECT_EQ(w.cacOKhoa()[0]->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(w.nutLuuVaKiemTra()->isEnabled());
    for (const QString& trong : {QStringLiteral("   "), QStringLiteral("\t")}) {
        w.ghiONhap(QStringLiteral("token"), trong);
        EXPECT_FALSE(w.nutLuuVaKiemTra()->isEnabled());
    }

    c.khoKhoa->muc.insert(kKhoaHaravan, QStringLiteral("cu"));
    w.ghiONhap(QStringLiteral("token"), QStringLiteral("\n"));
    EXPECT_TRUE(w.duNhap());
    c.bamLuu();
    EXPECT_FALSE(c.khoKhoa->muc.contains(kKhoaHaravan)) << "the old item is deleted and nothing added";
    EXPECT_EQ(w.chuKetQua(), QStringLiteral("Chưa điền đủ khoá kết nối Haravan."));
    EXPECT_EQ(w.mauKetQua(), BangMau::mauDo.mau());
    chay(200);
    EXPECT_TRUE(c.cacLanLay.isEmpty());

    c.traLoi = QStringLiteral("Token Haravan không đúng.");
    w.ghiONhap(QStringLiteral("token"), QStringLiteral("sai"));
    c.bamLuu();
    EXPECT_EQ(w.chuKetQua(), c.traLoi);
    EXPECT_EQ(w.mauKetQua(), BangMau::mauDo.mau());
    chay(200);
    EXPECT_TRUE(c.cacLanLay.isEmpty()) << "no sync after a failed test";

    c.traLoi = QStringLiteral("Kết nối được Haravan. Cửa hàng đang có 3 đơn.");
    w.cacOKhoa()[0]->clear();
    w.cacOKhoa()[0]->setFocus();
    QTest::keyClicks(w.cacOKhoa()[0], QStringLiteral("  tok-2 "));
    EXPECT_EQ(w.oNhap().value(QStringLiteral("token")), QStringLiteral("  tok-2 "));
    c.bamLuu();
    EXPECT_EQ(c.khoKhoa->muc.value(kKhoaHaravan), QStringLiteral("tok-2"));
    EXPECT_EQ(w.chuKetQua(), c.traLoi);
    EXPECT_EQ(w.mauKetQua(), BangMau::mauXanhLa.mau());
    ASSERT_TRUE(choDen([&] { return c.cacLanLay.size() == 1; }));
    const auto tuLuc = dinhDangISO().doc(c.cacLanLay[0]);
    ASSERT_TRUE(tuLuc.has_value()) << c.cacLanLay[0].toStdString();
    EXPECT_LT(*tuLuc, QDateTime::currentDateTimeUtc().addDays(-29)) << "the first fetch refetches 30 days";
}

// Switching the platform reloads the inputs from the keychain for the new one and clears the result line.
TEST(ManHinhCaiDatLanDau, DoiNenTang) {
    CumWizard c;
    c.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.kiotviet.retailer"), QStringLiteral("cuahang"));
    c.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.kiotviet.clientId"), QStringLiteral("id-1\n"));
    auto& w = c.mo();
    c.denBuoc(3);
    w.ghiONhap(QStringLiteral("token"), QStringLiteral("go-chua-luu"));
    c.traLoi = QStringLiteral("Kết nối được.");
    c.bamLuu();
    ASSERT_TRUE(w.ketQuaToken().has_value());

    const int hang = w.chonNguon()->findText(QStringLiteral("KiotViet"));
    ASSERT_GE(hang, 0);
    w.chonNguon()->setCurrentIndex(hang);
    w.chonNguon()->activated(hang);
    ASSERT_TRUE(choDen([&] { return w.cacOKhoa().size() == 3; }));
    ASSERT_TRUE(choDen([&] { return w.bieuMau().daNap(); })) << "read back on the keyring's worker";
    EXPECT_EQ(c.caiDat->nguonDon(), QStringLiteral("kiotviet")) << "the id is stored, not the label";
    EXPECT_FALSE(w.ketQuaToken().has_value());
    EXPECT_TRUE(w.chuKetQua().isEmpty());
    const QMap<QString, QString> mongDoi{{QStringLiteral("retailer"), QStringLiteral("cuahang")},
                                         {QStringLiteral("clientId"), QStringLiteral("id-1\n")},
                                         {QStringLiteral("clientSecret"), QString()}};
    EXPECT_EQ(w.oNhap(), mongDoi) << "stored values as they are, empty for fields never stored";
    EXPECT_EQ(w.cacOKhoa()[2]->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(w.nutLuuVaKiemTra()->isEnabled());
}

// Finishing stores the flag and calls back; inside the window, closing the sheet any other way does the same.
TEST(ManHinhCaiDatLanDau, HoanTatVaDongSheet) {
    {
        CumWizard c;
        auto& w = c.mo();
        c.denBuoc(3);
        w.nutTiepTuc()->click();
        EXPECT_TRUE(c.caiDat->daCaiDatLanDau());
        EXPECT_EQ(c.caiDat->ud().value(QStringLiteral("korvane.daCaiDatLanDau")).toString(), QStringLiteral("true"));
        EXPECT_EQ(c.soLanXong, 1);
    }
    CumWizard c;
    TrangThaiApp trangThai;
    KhungChinh khung(*c.caiDat, trangThai);
    khung.dangKyCaiDatLanDau([&c](TrangThaiApp& tt, CaiDat& cd, std::function<void()> xong) -> QWidget* {
        return new ManHinhCaiDatLanDau(tt.dieuPhoi(), cd, c.dongBo.get(), nullptr, std::move(xong));
    });
    khung.resize(1200, 800);
    khung.show();
    trangThai.datDieuPhoi(c.cumDieuPhoi);
    trangThai.datDongBo(c.dongBo);
    ASSERT_NE(khung.sheetCaiDatLanDau(), nullptr);
    auto* w = khung.sheetCaiDatLanDau()->findChild<ManHinhCaiDatLanDau*>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->buoc(), 0);
    khung.sheetCaiDatLanDau()->reject();
    EXPECT_TRUE(c.caiDat->daCaiDatLanDau());
    EXPECT_EQ(khung.sheetCaiDatLanDau(), nullptr);
    trangThai.datDongBo(nullptr);
    trangThai.datDieuPhoi(nullptr);
}

// A label held up to the camera while the wizard covers the window starts no recording, before the webcam
// step, after it and on the last step, whoever sets packing mode meanwhile; once the wizard has gone, whether
// hidden or deleted, packing mode is back.
TEST(ManHinhCaiDatLanDau, KhongQuaySauSheet) {
    CumWizardGia c;
    c.camera.datDangChay(true);
    auto& w = c.mo();
    for (int buoc : {0, 1, 2, 3}) {
        c.denBuoc(buoc);
        EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::thuMay) << buoc;
        for (int i = 0; i < 5; ++i) {  // held up for a while: read again and again
            c.camera.docDuocMa(QStringLiteral("SPXVN0042"));
            c.xuLySuKien();
            c.henGio.tien(100ms);
        }
        EXPECT_EQ(c.dieuPhoi->trangThai(), BoDieuPhoi::TrangThai::nghi) << buoc;
        EXPECT_TRUE(c.camera.cacLanChuanBi.empty()) << buoc;
    }
    // The packing screen behind the sheet sets its mode again when its window comes back from being minimised.
    c.dieuPhoi->datCheDo(BoDieuPhoi::CheDo::dongGoi);
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::thuMay);
    w.hide();
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::dongGoi);
    w.show();
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::thuMay);
    c.wizard.reset();
    EXPECT_EQ(c.dieuPhoi->cheDo(), BoDieuPhoi::CheDo::dongGoi);
    // Taken away and shown again, the same label now starts a recording: the reads did reach the coordinator.
    c.henGio.tien(5s);
    c.camera.docDuocMa(QStringLiteral("SPXVN0042"));
    c.xuLySuKien();
    EXPECT_EQ(c.camera.cacLanChuanBi.size(), 1u);
}

// The two dividers and the three connectors between the steps are drawn in the grey of the palette, one pixel
// high, in either appearance.
TEST(ManHinhCaiDatLanDau, VachKeHienRa) {
    CumWizard c;
    auto& w = c.mo();
    const QList<VachKe*> cacVach = w.findChildren<VachKe*>();
    ASSERT_EQ(cacVach.size(), 5);
    const QImage anh = w.grab().toImage();
    for (VachKe* v : cacVach) {
        EXPECT_EQ(v->height(), 1);
        const QPoint giua = v->mapTo(&w, QPoint(v->width() / 2, 0));
        EXPECT_EQ(QColor(anh.pixel(giua)).rgb(), BangMau::mauVienThe.mau().rgb()) << v->width();
    }
}

// The sheet has a fixed size, and the webcam step's tips or a platform with several credentials need more height
// than it has: every wrapped text must still get the height of all its lines, on every step, instead of being
// squeezed under the next one.
TEST(ManHinhCaiDatLanDau, ChuBocKhongBiEpTrongSheet) {
    CumWizard c;
    c.caiDat->setNguonDon(QStringLiteral("kiotviet"));
    auto& w = c.mo();
    w.setFixedSize(900, 640);
    for (int buoc : {0, 1, 2, 3}) {
        c.denBuoc(buoc);
        if (buoc == 3) {
            c.traLoi = QStringLiteral(
                "Không kết nối được KiotViet: máy chủ trả lỗi 401, kiểm tra lại Client ID và "
                "Client Secret trong trang quản lý KiotViet rồi thử lại.");
            for (const auto& t : cacTruongKhaiBao(QStringLiteral("kiotviet"))) w.ghiONhap(t.khoa, QStringLiteral("x"));
            c.bamLuu();
        }
        chay(50);
        int soNhan = 0;
        for (QLabel* n : w.findChildren<QLabel*>()) {
            if (!n->wordWrap() || !n->isVisibleTo(&w) || n->text().isEmpty()) continue;
            ++soNhan;
            EXPECT_GE(n->height(), n->heightForWidth(n->width())) << "step " << buoc << ": " << n->text().toStdString();
        }
        EXPECT_GT(soNhan, 0) << buoc;
        // The webcam step's card shows its verdict and the tips below it in full.
        if (buoc == 2) {
            ASSERT_TRUE(w.thuMay()->hienGoiY());
        }
    }
}

// The wizard draws the same credential form as the settings card: with a keyring that answers only when the
// test lets it (the real one may take ten seconds a field), the sheet opens and its steps go on while every read
// is pending, a field typed into keeps its text, its input and its focus when the answers land, and the other
// inputs fill in place. Every read ran on a worker. A field the keyring cannot give is named in red.
TEST(ManHinhCaiDatLanDau, KhoaChamKhongGiuSheet) {
    CumWizard c;
    c.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.kiotviet.retailer"), QStringLiteral("cuahang"));
    c.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.kiotviet.clientId"), QStringLiteral("id-cu"));
    c.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.kiotviet.clientSecret"), QStringLiteral("bimat"));
    c.caiDat->setNguonDon(QStringLiteral("kiotviet"));
    c.khoKhoa->dongCua();
    auto& w = c.mo();
    ASSERT_TRUE(choDen([&] { return c.khoKhoa->soDangCho() == 1; }));
    c.denBuoc(3);
    ASSERT_EQ(w.cacOKhoa().size(), 3);
    EXPECT_FALSE(w.bieuMau().daNap());
    QLineEdit* retailer = w.cacOKhoa()[0];
    retailer->setFocus();
    QTest::keyClicks(retailer, QStringLiteral("cua-hang-moi"));
    EXPECT_EQ(c.khoKhoa->soDangCho(), 1) << "typing went on while the read was pending";
    c.khoKhoa->moCua();
    ASSERT_TRUE(choDen([&] { return w.bieuMau().daNap(); }));
    chay(50);
    ASSERT_EQ(w.cacOKhoa().size(), 3);
    EXPECT_EQ(w.cacOKhoa()[0], retailer) << "the step was not rebuilt under the typing";
    EXPECT_TRUE(retailer->hasFocus());
    EXPECT_EQ(retailer->text(), QStringLiteral("cua-hang-moi"));
    EXPECT_EQ(w.cacOKhoa()[1]->text(), QStringLiteral("id-cu"));
    EXPECT_EQ(w.cacOKhoa()[2]->text(), QStringLiteral("bimat"));
    EXPECT_TRUE(w.nutLuuVaKiemTra()->isEnabled());
    for (QThread* l : c.khoKhoa->cacLuongDoc()) EXPECT_NE(l, QCoreApplication::instance()->thread());

    c.khoKhoa->hongDoc = {QStringLiteral("com.korvane.pack.kiotviet.clientSecret")};
    w.napONhap();
    ASSERT_TRUE(choDen([&] { return w.bieuMau().daNap(); }));
    auto* loi = w.findChild<NhanMau*>(QStringLiteral("loiKhoa"));
    ASSERT_NE(loi, nullptr);
    EXPECT_TRUE(loi->isVisibleTo(&w));
    EXPECT_EQ(loi->text(), *w.bieuMau().loiKhoa());
    EXPECT_TRUE(loi->text().startsWith(QStringLiteral("Không đọc được Client Secret đã lưu")));
    EXPECT_EQ(loi->mauChu(), BangMau::mauDo.mau());
    EXPECT_EQ(w.cacOKhoa()[2]->text(), QString());
    // The wizard asks for every field, so the unreadable one is typed again before saving; that is what is stored.
    w.ghiONhap(QStringLiteral("retailer"), QStringLiteral("cuahang-2"));
    EXPECT_FALSE(w.duNhap());
    w.cacOKhoa()[2]->setFocus();
    QTest::keyClicks(w.cacOKhoa()[2], QStringLiteral("bimat-2"));
    c.bamLuu();
    EXPECT_EQ(c.khoKhoa->muc.value(QStringLiteral("com.korvane.pack.kiotviet.retailer")), QStringLiteral("cuahang-2"));
    EXPECT_EQ(c.khoKhoa->muc.value(QStringLiteral("com.korvane.pack.kiotviet.clientSecret")),
              QStringLiteral("bimat-2"));
}

// The wizard's sheet, as the window shows it at its smallest, in both appearances: no step scrolls sideways and
// every value shows whole or wrapped — a long shop name, a data folder deep in a disk, a long connection error.
TEST(ManHinhCaiDatLanDau, CuaSoNhoNhatHienDuMoiGiaTri) {
    for (const char* gd : {"sang", "toi"}) {
        SCOPED_TRACE(gd);
        GiaoDien::ban().apDungGiaoDien(QString::fromLatin1(gd));
        CumWizard c;
        c.caiDat->setNguonDon(QStringLiteral("kiotviet"));
        auto& w = c.mo();
        // The sheet's own size, which the smallest window holds.
        w.setFixedSize(900, 640);
        ASSERT_LE(w.width(), cua_so_nho_nhat::rong);
        ASSERT_LE(w.height(), cua_so_nho_nhat::cao);
        const QString sau =
            c.thuMuc.filePath(QStringLiteral("Du-Lieu-Quay-Goi-Hang/Chi-Nhanh-Thu-Duc/Korvane-Zize-2026/Video"));
        QDir().mkpath(sau);
        for (int buoc : {0, 1, 2, 3}) {
            SCOPED_TRACE(buoc);
            c.denBuoc(buoc);
            if (buoc == 0) {
                auto* ten = w.findChild<QLineEdit*>();
                ASSERT_NE(ten, nullptr);
                ten->setText(QStringLiteral("Cửa hàng Đồ gia dụng Hoàng Gia Phát Đạt — chi nhánh Thủ Đức"));
            }
            if (buoc == 1) {
                w.datChonThuMuc([sau](QWidget*, const QString&, std::function<void(std::optional<QString>)> xong) {
                    xong(sau);
                });
                w.chonThuMuc();
                ASSERT_EQ(w.chuThuMuc(), sau);
            }
            if (buoc == 3) {
                c.traLoi = QStringLiteral(
                    "Không kết nối được KiotViet: máy chủ trả lỗi 401, kiểm tra lại Client ID và "
                    "Client Secret trong trang quản lý KiotViet rồi thử lại.");
                for (const auto& t : cacTruongKhaiBao(QStringLiteral("kiotviet")))
                    w.ghiONhap(t.khoa, QStringLiteral("x"));
                c.bamLuu();
            }
            chay(50);
            const QStringList loi = cua_so_nho_nhat::khongVua(&w);
            EXPECT_TRUE(loi.isEmpty()) << loi.join("\n").toStdString();
            const QStringList chu = cua_so_nho_nhat::chuHien(&w);
            if (buoc == 1) EXPECT_TRUE(std::any_of(chu.begin(), chu.end(), [&](const QString& s) { return s.contains(sau); }));
            if (buoc == 3) EXPECT_TRUE(chu.contains(c.traLoi)) << chu.join(" | ").toStdString();
            cua_so_nho_nhat::luuAnh(w, QStringLiteral("caiDatLanDau-buoc%1-%2").arg(buoc).arg(gd));
        }
    }
    GiaoDien::ban().apDungGiaoDien("toi");
}
