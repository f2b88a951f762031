#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QThread>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "CameraTienIch.h"
#include "common/TemMau.h"
#include "gia/core/BoGhiVideoGia.h"
#include "core/CameraEngine.h"
#include "gia/core/NenTangCameraGia.h"
#include "gia/store/DongHoGia.h"

using namespace std::chrono_literals;
using camera_test::choDen;
using camera_test::khungMau;

namespace {

DinhDangCamera dd(const char* ma, int r, int c) {
    return {QString::fromLatin1(ma), r, c};
}

ThietBiCamera thietBi(const QString& id, const QString& ten, QList<DinhDangCamera> ds) {
    ThietBiCamera t;
    t.id = id;
    t.ten = ten;
    t.duongDan = QStringLiteral("/dev/gia-") + id;
    t.dinhDang = std::move(ds);
    return t;
}

class CameraEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        nt->datThietBi(
            {thietBi("usb-a", "Webcam A",
                     {dd("YUYV", 640, 480), dd("YUYV", 1280, 720), dd("MJPG", 1280, 720), dd("MJPG", 1920, 1080)}),
             thietBi("usb-b", "Webcam B", {dd("MJPG", 800, 600), dd("MJPG", 1024, 768)})});
        cam = std::make_unique<CameraEngine>(nt, BoGhiVideoGia::taoVoi(dk), dh);
        cam->datNhanKhungDocMa(nullptr);
    }

    void rao() {
        cam->hangDoi().guiDongBo([] {});
        camera_test::chayHangCho(20);
    }

    void mo(std::optional<QString> id, const QString& res = QStringLiteral("1280x720")) {
        cam->moCamera(id, res);
        rao();
    }

    void gui(const QImage& a) {
        nt->guiKhung(a, t0 + soKhung++ * 33333us);
        cam->hangDoi().guiDongBo([] {});
    }
    void gui(int n, int rong = 640, int cao = 480) {
        for (int i = 0; i < n; ++i) gui(khungMau(rong, cao, 0xff808080));
    }

    void batDauGhi(const QString& ma = QStringLiteral("SPX123"), int bitrate = 1500) {
        cam->hangDoi().guiDongBo([&] {
            cam->datTenShop(QStringLiteral("Shop A"));
            cam->chuanBiGhi(dh.gioThuc(), QStringLiteral("/tmp/video-gia.mp4"), bitrate, ma, LoaiVideo::hangHoan);
        });
        cam->baoDaBatDauGhi();
    }

    std::optional<CameraEngine::KetQuaGhi> dung() {
        bool xong = false;
        std::optional<CameraEngine::KetQuaGhi> kq;
        cam->dungGhi([&](std::optional<CameraEngine::KetQuaGhi> r) {
            kq = r;
            xong = true;
        });
        EXPECT_TRUE(choDen([&] { return xong; }));
        return kq;
    }

    std::shared_ptr<NenTangCameraGia> nt = std::make_shared<NenTangCameraGia>();
    std::shared_ptr<BoGhiVideoGia::DieuKhien> dk = std::make_shared<BoGhiVideoGia::DieuKhien>();
    DongHoGia dh;
    std::unique_ptr<CameraEngine> cam;
    std::chrono::steady_clock::time_point t0 = std::chrono::steady_clock::now();
    int soKhung = 0;
};

TEST_F(CameraEngineTest, TheResolutionTextPicksThePresetOrTheNearestFormat) {
    struct Ca {
        const char* id;
        const char* res;
        DinhDangCamera mongDoi;
    };
    const Ca ca[] = {
        {"usb-a", "1920x1080", dd("MJPG", 1920, 1080)},
        {"usb-a", "640x480", dd("YUYV", 640, 480)},
        // MJPEG wins over raw YUYV at the same size
        {"usb-a", "1280x720", dd("MJPG", 1280, 720)},
        {"usb-a", "", dd("MJPG", 1280, 720)},
        {"usb-a", "abc", dd("MJPG", 1280, 720)},
        // no 1280x720 on camera B: the height nearest 720 is 768
        {"usb-b", "1280x720", dd("MJPG", 1024, 768)},
        {"usb-b", "640x480", dd("MJPG", 800, 600)},
    };
    for (const Ca& c : ca) {
        mo(QString::fromLatin1(c.id), QString::fromLatin1(c.res));
        ASSERT_FALSE(nt->cacLanMo().isEmpty());
        EXPECT_EQ(nt->cacLanMo().last().dinhDang, c.mongDoi) << c.id << " " << c.res;
        EXPECT_TRUE(cam->dangChay());
    }
}

TEST(CameraEngineChonDinhDang, NearestHeightAndTheFirstOfEquals) {
    const auto a = dd("MJPG", 800, 600), b = dd("YUYV", 1000, 840), c = dd("MJPG", 1024, 768);
    EXPECT_EQ(CameraEngine::chonDinhDang(thietBi("x", "x", {a, b, c}), 720), c);
    EXPECT_EQ(CameraEngine::chonDinhDang(thietBi("x", "x", {a, b}), 720), a);
    EXPECT_EQ(CameraEngine::chonDinhDang(thietBi("x", "x", {b, a}), 720), b);
    EXPECT_EQ(CameraEngine::chonDinhDang(thietBi("x", "x", {a, c}), 1080), c);
    EXPECT_FALSE(CameraEngine::chonDinhDang(thietBi("x", "x", {}), 720));
}

TEST_F(CameraEngineTest, OpeningNamesTheCameraAndFallsBackToTheFirst) {
    mo(QStringLiteral("usb-b"));
    EXPECT_EQ(cam->tenCamera(), QStringLiteral("Webcam B"));
    mo(QStringLiteral("khong-con-nua"));
    EXPECT_EQ(cam->tenCamera(), QStringLiteral("Webcam A"));
    mo(std::nullopt);
    EXPECT_EQ(cam->tenCamera(), QStringLiteral("Webcam A"));
    EXPECT_EQ(cam->danhSachThietBi().size(), 2);
    EXPECT_TRUE(cam->loiCamera().isNull());
}

TEST_F(CameraEngineTest, OpeningFailuresAndTheClearingSuccess) {
    mo(std::nullopt);
    ASSERT_TRUE(cam->dangChay());
    const auto dsTruoc = cam->danhSachThietBi();

    nt->datLoiMo(QStringLiteral("Device or resource busy"));
    mo(std::nullopt);
    EXPECT_FALSE(cam->dangChay());
    EXPECT_EQ(cam->loiCamera(), QStringLiteral("Không mở được webcam: Device or resource busy"));

    nt->datLoiMo(QString());
    mo(std::nullopt);
    EXPECT_EQ(cam->loiCamera(), QStringLiteral("Không mở được webcam: Không lấy được luồng hình từ webcam."));

    nt->datLoiMo(std::nullopt);
    nt->datThietBi({});
    mo(std::nullopt);
    EXPECT_EQ(cam->loiCamera(), QStringLiteral("Không tìm thấy webcam nào."));
    EXPECT_FALSE(cam->dangChay());
    EXPECT_EQ(cam->danhSachThietBi(), dsTruoc);  // the list is left as it was

    nt->datThietBi(dsTruoc);
    mo(std::nullopt);
    EXPECT_TRUE(cam->dangChay());
    EXPECT_TRUE(cam->loiCamera().isNull());
}

TEST_F(CameraEngineTest, ReopeningLeavesOneSourceFeedingTheEngine) {
    mo(std::nullopt);
    mo(std::nullopt);
    int soKhungNhan = 0;
    cam->datNhanKhungXemTruoc([&](const QImage&) { ++soKhungNhan; });
    gui(3);
    EXPECT_EQ(soKhungNhan, 3);
}

TEST_F(CameraEngineTest, RefreshPublishesTheDeviceList) {
    QSignalSpy spy(cam.get(), &CameraEngine::danhSachThietBiDoi);
    cam->lamMoiThietBi();
    ASSERT_TRUE(choDen([&] { return spy.count() == 1; }));
    ASSERT_EQ(cam->danhSachThietBi().size(), 2);
    EXPECT_EQ(cam->danhSachThietBi()[1].id, QStringLiteral("usb-b"));
}

TEST_F(CameraEngineTest, FrameSizeIsPublishedOncePerChange) {
    mo(std::nullopt);
    QSignalSpy spy(cam.get(), &CameraEngine::doPhanGiaiDoi);
    gui(3, 640, 480);
    gui(2, 1280, 720);
    camera_test::chayHangCho(30);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(cam->doPhanGiai(), QStringLiteral("1280x720"));
}

TEST_F(CameraEngineTest, TheReaderAndPreviewGetTheFrameWithoutTheCaption) {
    mo(std::nullopt);
    QImage docMa, xemTruoc;
    cam->datNhanKhungDocMa([&](const QImage& k) { docMa = k.copy(); });
    cam->datNhanKhungXemTruoc([&](const QImage& k) { xemTruoc = k; });
    gui(khungMau(1280, 720, 0xffffffff));
    // the caption box's corner area at the bottom-left is darkened in the recorded frame only
    ASSERT_FALSE(docMa.isNull());
    EXPECT_EQ(docMa.pixel(30, 700), 0xffffffffu);
    EXPECT_EQ(xemTruoc.pixel(30, 700), 0xffffffffu);
}

// The error type's five texts are what the packer reads when a camera or a recording cannot start.
TEST(CameraEngineLoiCamera, EachCaseHasItsUserText) {
    using L = CameraEngine::LoiCamera;
    const std::pair<L, const char*> ca[] = {
        {L::khongThemDuocInput, "Không gắn được webcam vào phiên quay."},
        {L::khongThemDuocOutput, "Không lấy được luồng hình từ webcam."},
        {L::dangGhiRoi, "Đang quay rồi."},
        {L::chuaMoCamera, "Camera chưa mở. Vào Cài đặt chọn lại webcam."},
        {L::khongDungDuocWriter, "Không tạo được file video."},
    };
    for (const auto& [loi, chu] : ca) EXPECT_EQ(CameraEngine::moTa(loi), QString::fromUtf8(chu)) << chu;
}

TEST(CameraEngineBitrate, ScalesWithAreaAndClampsTheBase) {
    struct Ca {
        int base;
        const char* kt;
        int mongDoi;
    };
    const Ca ca[] = {
        {1500, "1920x1080", 3375},
        {1500, "1280x720", 1500},
        {1500, "640x480", 1500},
        {1500, "", 1500},
        {1500, "0x720", 1500},
        {1500, "1920\u00D71080", 1500},
        {1500, "1920x 1080", 1500},
        {1500, "1920 x1080", 1500},
        {1500, "1920x1080 ", 1500},
        {1500, "1920x1080\n", 1500},
        {1500, "1920x1080x3", 1500},
        {1500, "x1920xx1080x", 3375},
        // a damaged stored value stays inside what the settings offer
        {0, "1280x720", 400},
        {-5, "1920x1080", 900},
        {999999, "1280x720", 6000},
        {6000, "3840x2160", 54000},
        {6000, "1e300x1e300", INT_MAX / 1000},
        {1500, "infxinf", 1500},
    };
    for (const Ca& c : ca)
        EXPECT_EQ(CameraEngine::bitrateTheoDoPhanGiai(c.base, QString::fromUtf8(c.kt)), c.mongDoi)
            << c.base << " " << c.kt;
}

TEST_F(CameraEngineTest, SerialsAreTrimmedAndUniqueIgnoringCase) {
    batDauGhi();
    EXPECT_TRUE(cam->themSerial(QStringLiteral("  SN-001\n")));
    EXPECT_FALSE(cam->themSerial(QStringLiteral("sn-001")));
    EXPECT_FALSE(cam->themSerial(QStringLiteral("   ")));
    EXPECT_TRUE(cam->themSerial(QStringLiteral("SN-002")));
    const QStringList ds = cam->danhSachSerial();
    EXPECT_EQ(ds, (QStringList{QStringLiteral("SN-001"), QStringLiteral("SN-002")}));
    // serials belong to one recording
    dung();
    EXPECT_TRUE(cam->danhSachSerial().isEmpty());
}

TEST_F(CameraEngineTest, ARecordingReturnsItsResultAndCountsOnlyAppendedFrames) {
    mo(std::nullopt);
    gui(2);  // frames before the recording are not written
    batDauGhi();
    QSignalSpy giay(cam.get(), &CameraEngine::giayDaGhiDoi);
    gui(5);
    dk->chuaSan = true;
    gui(3);  // dropped, not refused
    dk->chuaSan = false;
    dk->tuChoiTiep = 2;
    gui(2);  // refused
    dh.tienGiay(9.2);
    gui(2);
    dh.tienGiay(0.4);
    camera_test::chayHangCho(30);
    EXPECT_EQ(cam->giayDaGhi(), 9);
    EXPECT_TRUE(cam->loiCamera().isNull());
    const auto batDau = dh.gioThuc() - std::chrono::milliseconds(9600);
    const auto kq = dung();
    ASSERT_TRUE(kq);
    EXPECT_EQ(kq->khung, 7);
    EXPECT_EQ(kq->giay, 10);  // 9.6 s rounds to 10
    EXPECT_EQ(kq->url, QStringLiteral("/tmp/video-gia.mp4"));
    EXPECT_EQ(kq->batDau, batDau);
    EXPECT_EQ(kq->loai, LoaiVideo::hangHoan);
    EXPECT_FALSE(cam->dangGhi());
    // the writer saw the first recorded frame at 0 and the later ones at their capture offsets
    ASSERT_EQ(dk->ptsDaNhan.size(), 7);
    EXPECT_EQ(dk->ptsDaNhan[0], 0);
    EXPECT_EQ(dk->ptsDaNhan[1], 33333);
    EXPECT_EQ(dk->kichThuoc, (QList<QSize>{QSize(640, 480)}));
    EXPECT_EQ(dk->bitrate, (QList<int64_t>{1500000}));
}

TEST_F(CameraEngineTest, AWallClockStepBackChangesNeitherBadgeNorLength) {
    mo(std::nullopt);
    batDauGhi();
    gui(1);
    dh.doiGioThuc(-3600s);
    dh.tienGiay(4.0);
    gui(1);
    camera_test::chayHangCho(30);
    EXPECT_EQ(cam->giayDaGhi(), 4);
    const auto kq = dung();
    ASSERT_TRUE(kq);
    EXPECT_EQ(kq->giay, 4);
}

TEST_F(CameraEngineTest, The31stRefusalIsReportedOnceAndFailsTheRecording) {
    mo(std::nullopt);
    batDauGhi();
    gui(1);
    dk->tuChoiTiep = 20;
    gui(20);
    gui(5);  // good frames do not reset the count
    dk->tuChoiTiep = 10;
    gui(10);
    camera_test::chayHangCho(30);
    EXPECT_TRUE(cam->loiCamera().isNull()) << cam->loiCamera().toStdString();
    dk->tuChoiTiep = 5;
    gui(5);
    camera_test::chayHangCho(30);
    const QString loi = QStringLiteral(
        "Đang quay thì ghi file hỏng: bộ ghi từ chối khung hình liên tục (ổ đầy hoặc ổ đã bị rút?). Dừng lại và "
        "quay lại đơn này. Lỗi ổ đĩa: ổ đĩa đầy hoặc đã bị rút ra. Giải phóng chỗ trống (xoá bớt video cũ hoặc chép "
        "ra ổ khác) hoặc kiểm tra ổ, rồi quay lại.");
    EXPECT_EQ(cam->loiCamera(), loi);
    EXPECT_FALSE(dung());
    EXPECT_EQ(cam->loiCamera(), QStringLiteral("File video KHÔNG hoàn tất: bộ ghi từ chối khung hình liên tục (ổ đầy "
                                               "hoặc ổ đã bị rút?). File dở dang nằm ở /tmp/video-gia.mp4. Đơn này "
                                               "CHƯA có bằng chứng — quay lại."));
}

TEST_F(CameraEngineTest, AFrameOfAnotherSizeIsRefusedNotEncoded) {
    mo(std::nullopt);
    batDauGhi();
    gui(2, 640, 480);
    gui(31, 1280, 720);
    camera_test::chayHangCho(30);
    EXPECT_EQ(dk->ptsDaNhan.size(), 2);
    EXPECT_TRUE(cam->loiCamera().startsWith(QStringLiteral("Đang quay thì ghi file hỏng")));
}

TEST_F(CameraEngineTest, StopOutcomesAndTheirTexts) {
    struct Ca {
        const char* ten;
        std::function<void(BoGhiVideoGia::DieuKhien&)> datLoi;
        int soKhung;
        QString loiKhiQuay;  // shown during the recording (null: nothing)
        QString loiKhiDung;
    };
    const QString tep = QStringLiteral("/tmp/video-gia.mp4");
    const Ca ca[] = {
        {"no frame", [](auto&) {}, 0, QString(),
         QStringLiteral("Không nhận được khung hình nào từ webcam — video rỗng.")},
        {"file not created", [](auto& d) { d.khongTaoDuoc = true; }, 3,
         QStringLiteral("Không tạo được file video ở ") + tep,
         QStringLiteral("Không ghi được video: Không tạo được file video ở ") + tep +
             QStringLiteral(". Đơn này CHƯA có bằng chứng.")},
        {"size refused", [](auto& d) { d.tuChoiDauVao = true; }, 3,
         QStringLiteral("Bộ mã hoá H.264 từ chối kích thước 640\u00D7480."),
         QStringLiteral("Không ghi được video: Bộ mã hoá H.264 từ chối kích thước 640\u00D7480. Đơn này CHƯA có bằng "
                        "chứng.")},
        {"start failed", [](auto& d) { d.batDauLoi = QStringLiteral("Permission denied"); }, 3,
         QStringLiteral("Không ghi được file: Permission denied"),
         QStringLiteral("Không ghi được video: Không ghi được file: Permission denied. Đơn này CHƯA có bằng chứng.")},
        {"start failed silently", [](auto& d) { d.batDauLoi = QString(); }, 1,
         QStringLiteral("Không ghi được file: lý do không rõ"),
         QStringLiteral("Không ghi được video: Không ghi được file: lý do không rõ. Đơn này CHƯA có bằng chứng.")},
        {"failed mid-way", [](auto&) {}, -1,
         QStringLiteral("Đang quay thì ghi file hỏng: No space left on device. Dừng lại và quay lại đơn này. Lỗi ổ "
                        "đĩa: ổ đĩa đã đầy. Giải phóng chỗ trống (xoá bớt video cũ hoặc chép ra ổ khác) hoặc kiểm tra "
                        "ổ, rồi quay lại."),
         QStringLiteral("Không ghi được video: No space left on device. Đơn này CHƯA có bằng chứng.")},
        {"finish failed", [](auto& d) { d.hongKhiKetThuc = QStringLiteral("Input/output error"); }, 3, QString(),
         QStringLiteral("File video KHÔNG hoàn tất: Input/output error. File dở dang nằm ở ") + tep +
             QStringLiteral(". Đơn này CHƯA có bằng chứng — quay lại.")},
    };
    mo(std::nullopt);
    for (const Ca& c : ca) {
        SCOPED_TRACE(c.ten);
        dk->datLai();
        c.datLoi(*dk);
        cam->datLoiCamera(QString());
        QSignalSpy spy(cam.get(), &CameraEngine::loiCameraDoi);
        batDauGhi();
        if (c.soKhung >= 0) {
            gui(c.soKhung);
        } else {
            gui(2);
            dk->hongNgay = QStringLiteral("No space left on device");
            gui(3);
        }
        camera_test::chayHangCho(30);
        EXPECT_EQ(cam->loiCamera(), c.loiKhiQuay);
        // the first error is shown once, not again on every frame
        EXPECT_EQ(spy.count(), c.loiKhiQuay.isNull() ? 0 : 1);
        EXPECT_FALSE(dung());
        EXPECT_EQ(cam->loiCamera(), c.loiKhiDung);
    }
}

TEST_F(CameraEngineTest, AWriterThatRecoversAfterAFailedCreationStillSucceeds) {
    mo(std::nullopt);
    dk->khongTaoDuoc = true;
    batDauGhi();
    gui(2);
    dk->khongTaoDuoc = false;
    gui(3);
    const auto kq = dung();
    ASSERT_TRUE(kq);
    EXPECT_EQ(kq->khung, 3);
}

TEST_F(CameraEngineTest, StopWithoutARecordingChangesNothing) {
    mo(std::nullopt);
    QSignalSpy spy(cam.get(), &CameraEngine::loiCameraDoi);
    EXPECT_FALSE(dung());
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(dk->soLanTao, 0);
}

// The caption, the writer and discovery belong to the capture queue; the published recording flag and the preview
// to the GUI thread. A call from the other side stops the program, naming the call, before it can race the owner.
TEST_F(CameraEngineTest, ACallFromTheWrongThreadStopsTheProgramNamingIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    mo(std::nullopt);
    const struct {
        const char* noi;
        std::function<void(CameraEngine&)> goi;
    } ca[] = {
        {"CameraEngine::datTenShop", [](CameraEngine& c) { c.datTenShop(QStringLiteral("Shop B")); }},
        {"CameraEngine::datTienToNhan", [](CameraEngine& c) { c.datTienToNhan(QStringLiteral("Hoàn")); }},
        {"CameraEngine::danhSachCamera", [](CameraEngine& c) { c.danhSachCamera(); }},
        {"CameraEngine::baoDaBatDauGhi", [](CameraEngine& c) { c.hangDoi().guiDongBo([&] { c.baoDaBatDauGhi(); }); }},
        {"CameraEngine::batXemTruoc", [](CameraEngine& c) { c.hangDoi().guiDongBo([&] { c.batXemTruoc(); }); }},
        {"CameraEngine::kiemTraKhungDen", [](CameraEngine& c) { c.hangDoi().guiDongBo([&] { c.kiemTraKhungDen(); }); }},
        {"CameraEngine::datKichThuocXem",
         [](CameraEngine& c) { c.hangDoi().guiDongBo([&] { c.datKichThuocXem(QSize(320, 180)); }); }},
        {"CongCameraManHinh::datLoiCamera",
         [](CameraEngine& c) { c.hangDoi().guiDongBo([&] { c.datLoiCamera(QStringLiteral("x")); }); }},
        {"CameraEngine::dungGhi",
         [](CameraEngine& c) {
             std::thread t([&] { c.dungGhi({}); });
             t.join();
         }},
    };
    for (const auto& c : ca)
        EXPECT_DEATH(c.goi(*cam), std::string(c.noi) + " was called from a thread it does not belong to") << c.noi;
    // The same calls from their own side go through.
    cam->hangDoi().guiDongBo([&] { cam->datTenShop(QStringLiteral("Shop B")); });
    EXPECT_EQ(cam->hangDoi().chayDongBo([&] { return cam->danhSachCamera().size(); }), 2);
}

// Every published field, set from a thread other than the one that built the camera, stops the program naming the
// setter: the screens read them without a lock and connect to their signals as GUI-thread ones.
TEST(CongCameraManHinhLuong, PublishingFromAnotherThreadStopsTheProgramNamingTheSetter) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct CongBoHet final : CongCameraManHinh {
        void lamMoiThietBi() override {}
        void moCamera(const std::optional<QString>&, const QString&) override {}
        void datKichThuocXem(QSize) override {}
        double giuaHaiLanDo() const override { return 0; }
        void datGiuaHaiLanDo(double) override {}
        using CongCameraManHinh::datDangChay;
        using CongCameraManHinh::datDangGhi;
        using CongCameraManHinh::datDanhSachThietBi;
        using CongCameraManHinh::datDoPhanGiai;
        using CongCameraManHinh::datGiayDaGhi;
        using CongCameraManHinh::datLoiCamera;
        using CongCameraManHinh::datTenCamera;
    } cong;
    const struct {
        const char* noi;
        std::function<void(CongBoHet&)> goi;
    } bang[] = {
        {"CongCameraManHinh::datDangChay", [](CongBoHet& c) { c.datDangChay(true); }},
        {"CongCameraManHinh::datDangGhi", [](CongBoHet& c) { c.datDangGhi(true); }},
        {"CongCameraManHinh::datGiayDaGhi", [](CongBoHet& c) { c.datGiayDaGhi(1); }},
        {"CongCameraManHinh::datTenCamera", [](CongBoHet& c) { c.datTenCamera(QStringLiteral("Webcam A")); }},
        {"CongCameraManHinh::datDoPhanGiai", [](CongBoHet& c) { c.datDoPhanGiai(QStringLiteral("1280x720")); }},
        {"CongCameraManHinh::datLoiCamera", [](CongBoHet& c) { c.datLoiCamera(QStringLiteral("x")); }},
        {"CongCameraManHinh::datDanhSachThietBi",
         [](CongBoHet& c) { c.datDanhSachThietBi({thietBi(QStringLiteral("usb-a"), QStringLiteral("A"), {})}); }},
    };
    for (const auto& c : bang)
        EXPECT_DEATH(std::thread([&] { c.goi(cong); }).join(),
                     std::string(c.noi) + " was called from a thread it does not belong to")
            << c.noi;
    // From the thread that built it, every one publishes.
    for (const auto& c : bang) c.goi(cong);
    EXPECT_TRUE(cong.dangChay());
    EXPECT_TRUE(cong.dangGhi());
    EXPECT_EQ(cong.giayDaGhi(), 1);
    EXPECT_EQ(cong.loiCamera(), QStringLiteral("x"));
    EXPECT_EQ(cong.danhSachThietBi().size(), 1);
}

TEST_F(CameraEngineTest, ArmingClearsTheLastRecordingsState) {
    mo(std::nullopt);
    batDauGhi(QStringLiteral("A1"));
    cam->themSerial(QStringLiteral("S1"));
    dk->tuChoiTiep = 31;
    gui(32);
    EXPECT_FALSE(dung());
    // a new recording starts clean: no serial, no error carried over, counts from zero
    batDauGhi(QStringLiteral("A2"));
    gui(4);
    const auto kq = dung();
    ASSERT_TRUE(kq);
    EXPECT_EQ(kq->khung, 4);
}

}  // namespace

namespace {

TEST_F(CameraEngineTest, LateFramesAreDroppedNotQueued) {
    mo(std::nullopt);
    int soKhungNhan = 0;
    cam->datNhanKhungXemTruoc([&](const QImage&) { ++soKhungNhan; });
    // hold the capture queue as a slow frame would
    std::promise<void> thaRa;
    auto cho = thaRa.get_future().share();
    cam->hangDoi().guiBatDongBo([cho] { cho.wait(); });
    for (int i = 0; i < 8; ++i) nt->guiKhung(khungMau(640, 480, 0xff808080), t0 + i * 33333us);
    thaRa.set_value();
    cam->hangDoi().guiDongBo([] {});
    EXPECT_EQ(soKhungNhan, 3);  // the first three waited in the queue; the five behind them were dropped
    gui(1);
    EXPECT_EQ(soKhungNhan, 4);  // and the next frame is taken as soon as the queue is free
}

TEST_F(CameraEngineTest, AWriterMadeAheadServesTheNextRecordingButNeverAStaleOne) {
    auto soLan = [&](int BoGhiVideoGia::DieuKhien::*truong) {
        std::lock_guard lk(dk->khoa);
        return (*dk).*truong;
    };
    auto bitrateCuoi = [&] {
        std::lock_guard lk(dk->khoa);
        return dk->bitrate.isEmpty() ? int64_t(0) : dk->bitrate.last();
    };
    cam->datTaoBoGhiSan(BoGhiVideoGia::taoChuaCoFileVoi(dk));
    mo(std::nullopt);
    gui(1);  // the first frame tells the size to make the encoder for
    ASSERT_TRUE(choDen([&] { return bitrateCuoi() == 1500000; }));
    EXPECT_EQ(soLan(&BoGhiVideoGia::DieuKhien::soLanTaoChuaCoFile), 1);
    EXPECT_TRUE(dk->duongDan.isEmpty());  // made ahead without any file in the videos folder

    batDauGhi();
    gui(3);
    auto kq = dung();
    ASSERT_TRUE(kq);
    EXPECT_EQ(kq->khung, 3);
    EXPECT_EQ(soLan(&BoGhiVideoGia::DieuKhien::soLanTao), 0);  // no encoder opened at the label
    EXPECT_EQ(dk->duongDan, QList<QString>{QStringLiteral("/tmp/video-gia.mp4")});
    // and the next one is made as soon as the recording ends
    ASSERT_TRUE(choDen([&] { return soLan(&BoGhiVideoGia::DieuKhien::soLanTaoChuaCoFile) == 2; }));

    // a recording at another bit rate than the one made ahead gets an encoder of its own
    batDauGhi(QStringLiteral("SPX124"), 3000);
    gui(2);
    ASSERT_TRUE(dung());
    EXPECT_EQ(soLan(&BoGhiVideoGia::DieuKhien::soLanTao), 1);
    {
        std::lock_guard lk(dk->khoa);
        EXPECT_TRUE(dk->bitrate.contains(3000000));
    }

    // a changed setting is made ahead at once, and used
    ASSERT_TRUE(choDen([&] { return bitrateCuoi() == 3000000; }));  // after that recording, at its rate
    cam->datBitrateChoSan(2500);
    ASSERT_TRUE(choDen([&] { return bitrateCuoi() == 2500000; }));
    const int daLam = soLan(&BoGhiVideoGia::DieuKhien::soLanTaoChuaCoFile);
    batDauGhi(QStringLiteral("SPX125"), 2500);
    gui(2);
    ASSERT_TRUE(dung());
    EXPECT_EQ(soLan(&BoGhiVideoGia::DieuKhien::soLanTao), 1);

    // frames of another size than the one made ahead (the camera re-opened at another resolution)
    ASSERT_TRUE(choDen([&] { return soLan(&BoGhiVideoGia::DieuKhien::soLanTaoChuaCoFile) == daLam + 1; }));
    batDauGhi(QStringLiteral("SPX126"), 2500);
    gui(2, 1280, 720);
    kq = dung();
    ASSERT_TRUE(kq);
    EXPECT_EQ(kq->khung, 2);
    EXPECT_EQ(soLan(&BoGhiVideoGia::DieuKhien::soLanTao), 2);
    std::lock_guard lk(dk->khoa);
    EXPECT_EQ(dk->kichThuoc.last(), QSize(1280, 720));
    EXPECT_EQ(dk->duongDan.size(), 4);  // one file per recording, none made ahead
}

TEST(CameraEngineDocMa, ACodeSeenByTheReaderReachesTheCoordinatorsHandlerOnTheGuiThread) {
    auto nt = std::make_shared<NenTangCameraGia>();
    nt->datThietBi({thietBi("usb-a", "Webcam A", {dd("MJPG", 1280, 720)})});
    auto dk = std::make_shared<BoGhiVideoGia::DieuKhien>();
    CameraEngine cam(nt, BoGhiVideoGia::taoVoi(dk), DongHo::heThong());
    QStringList ma;
    bool dungLuong = true;
    QObject::connect(&cam, &CameraEngine::daDocDuocMa, [&](const QString& m) {
        ma.append(m);
        dungLuong &= QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    cam.moCamera(std::nullopt, QStringLiteral("1280x720"));
    ASSERT_TRUE(choDen([&] { return cam.dangChay(); }));
    QImage khung = TemMau::khungNen(1280, 720, 200);
    TemMau::ve(khung, TemMau::taoNhan(ZXing::BarcodeFormat::Code128, "SPXVN0123456789", 2, 60), QPointF(640, 360));
    const auto t = std::chrono::steady_clock::now();
    nt->guiKhung(khung, t);
    ASSERT_TRUE(choDen([&] { return !ma.isEmpty(); }));
    EXPECT_EQ(ma.first(), QStringLiteral("SPXVN0123456789"));
    EXPECT_TRUE(dungLuong);
}

}  // namespace

namespace {

TEST_F(CameraEngineTest, AnUnpluggedCameraIsReportedAndTheRecordingKeepsItsFrames) {
    mo(std::nullopt);
    batDauGhi();
    gui(4);
    nt->rutThietBi(QStringLiteral("No such device"));
    rao();
    EXPECT_FALSE(cam->dangChay());
    EXPECT_EQ(cam->loiCamera(), QStringLiteral("Webcam đã ngừng gửi hình: No such device. Kiểm tra dây cắm rồi "
                                               "chọn lại webcam trong Cài đặt."));
    const auto kq = dung();
    ASSERT_TRUE(kq);
    EXPECT_EQ(kq->khung, 4);
    // re-opening brings it back and clears the notice
    mo(std::nullopt);
    EXPECT_TRUE(cam->dangChay());
    EXPECT_TRUE(cam->loiCamera().isNull());
}

// A driver that hangs ends no stream: a camera whose frames stop coming counts as stopped after a few seconds,
// and running again once they come back.
TEST_F(CameraEngineTest, ACameraWithoutFramesForSecondsCountsAsStoppedUntilTheyComeBack) {
    mo(std::nullopt);
    gui(2);
    rao();
    QSignalSpy chay(cam.get(), &CongCameraManHinh::dangChayDoi);
    dh.tien(CameraEngine::kChoKhungToiDa - 1s);
    cam->kiemTraKhungDen();
    EXPECT_TRUE(cam->dangChay());
    EXPECT_TRUE(cam->loiCamera().isNull());
    dh.tien(1s);
    cam->kiemTraKhungDen();
    EXPECT_FALSE(cam->dangChay());
    EXPECT_EQ(chay.size(), 1);
    EXPECT_TRUE(cam->loiCamera().startsWith(QStringLiteral("Webcam không gửi hình nào trong 4 giây")))
        << cam->loiCamera().toStdString();
    gui(1);
    rao();
    EXPECT_TRUE(cam->dangChay());
    EXPECT_TRUE(cam->loiCamera().isNull());
    // a fresh opening gets the same grace before its first frame
    mo(QStringLiteral("usb-b"));
    dh.tien(CameraEngine::kChoKhungToiDa - 1s);
    cam->kiemTraKhungDen();
    EXPECT_TRUE(cam->dangChay());
}

TEST(CameraEngineDoThi, AGraphThatRunsOutEndsLikeAnUnpluggedCamera) {
    CameraEngine cam(std::make_shared<NenTangCameraGia>(),
                     BoGhiVideoGia::taoVoi(std::make_shared<BoGhiVideoGia::DieuKhien>()), DongHo::heThong());
    cam.datNhanKhungDocMa(nullptr);
    cam.moCamera(QStringLiteral("lavfi:testsrc=size=320x240:rate=30:duration=0.2"), QString());
    ASSERT_TRUE(choDen([&] { return cam.doPhanGiai() == QStringLiteral("320x240"); }));
    EXPECT_TRUE(cam.danhSachThietBi().isEmpty());  // a graph is opened by its id, never listed as a camera
    ASSERT_TRUE(choDen([&] { return !cam.dangChay(); }));
    // FFmpeg's "End of file" is told in the desk's words
    EXPECT_EQ(cam.loiCamera(), QStringLiteral("Webcam đã ngừng gửi hình: luồng hình đã hết. Kiểm tra dây cắm rồi "
                                              "chọn lại webcam trong Cài đặt."));
}

}  // namespace
