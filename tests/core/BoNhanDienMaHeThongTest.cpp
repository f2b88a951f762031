#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTransform>
#include <cmath>
#include <random>

#include "common/TemMau.h"
#include "core/BoNhanDienMaHeThong.h"
#include "core/DocMaVach.h"
#include "store/DongHo.h"

namespace {

const QStringList kMuoiLoai = {"Code128", "Code39", "Code93", "EAN13",  "EAN8",
                               "I2of5",   "ITF14",  "QR",     "PDF417", "DataMatrix"};

std::vector<BoNhanDienMa::MaThay> doc(const QImage& khung, const QStringList& loaiMa = kMuoiLoai) {
    BoNhanDienMaHeThong bo;
    return bo.nhanDien(khung, loaiMa);
}

const TemMau::Mau& mau(const char* dinhDanh) {
    for (const auto& m : TemMau::muoiLoai())
        if (m.dinhDanh == QLatin1String(dinhDanh)) return m;
    throw std::invalid_argument(dinhDanh);
}

}  // namespace

// Every symbology the reader asks for comes back with its payload, its own identifier and a box that
// covers where the label was drawn.
TEST(BoNhanDienMaHeThong, DocDuMuoiLoai) {
    for (const auto& m : TemMau::muoiLoai()) {
        SCOPED_TRACE(m.loai.toStdString());
        QImage khung = TemMau::khungNen(1280, 720);
        const QRectF hopVe = TemMau::ve(khung, TemMau::taoNhan(m), QPointF(500, 300));
        const auto thay = doc(khung);
        ASSERT_EQ(thay.size(), 1u);
        ASSERT_TRUE(thay[0].ma.has_value());
        EXPECT_EQ(thay[0].ma->toStdString(), m.noiDung);
        EXPECT_EQ(thay[0].loai, m.dinhDanh);
        EXPECT_EQ(DocMaVach::tenLoaiMa(thay[0].loai), m.loai);
        // The decoder's box lies inside the drawn label and is not a degenerate sliver of it.
        EXPECT_TRUE(hopVe.adjusted(-0.01, -0.01, 0.01, 0.01).contains(thay[0].hop));
        EXPECT_GT(thay[0].hop.width() * thay[0].hop.height(), 0.1 * hopVe.width() * hopVe.height());
    }
}

// Labels are held any way up: linear codes turned by right angles or tilted a little, 2D codes at any angle,
// anywhere in the frame (zxing 1.4 only looks for Data Matrix along the middle row of what it is given).
TEST(BoNhanDienMaHeThong, DocKhiXoayVaLechTam) {
    struct TruongHop {
        const char* dinhDanh;
        double goc;
        QPointF tam;
    };
    const TruongHop truongHop[] = {
        {"Code128", 90, {300, 360}},    {"Code128", 180, {640, 200}},   {"Code128", 8, {900, 500}},
        {"EAN13", 270, {1000, 360}},    {"EAN13", -10, {400, 550}},     {"ITF14", 180, {640, 600}},
        {"Code39", 90, {1100, 300}},    {"Code93", 185, {640, 360}},    {"QR", 33, {200, 150}},
        {"QR", 135, {1100, 600}},       {"PDF417", 90, {300, 400}},     {"PDF417", 180, {900, 150}},
        {"DataMatrix", 45, {150, 120}}, {"DataMatrix", 0, {1150, 650}}, {"DataMatrix", 200, {640, 90}},
        {"DataMatrix", 90, {900, 470}},
    };
    for (const auto& th : truongHop) {
        SCOPED_TRACE(std::string(th.dinhDanh) + " " + std::to_string(th.goc));
        QImage khung = TemMau::khungNen(1280, 720);
        const QRectF hopVe = TemMau::ve(khung, TemMau::taoNhan(mau(th.dinhDanh)), th.tam, 1.0, th.goc);
        const auto thay = doc(khung);
        ASSERT_EQ(thay.size(), 1u);
        EXPECT_EQ(thay[0].loai, th.dinhDanh);
        EXPECT_EQ(thay[0].ma.value_or("").toStdString(), mau(th.dinhDanh).noiDung);
        // Symbols found in turned views are placed back where they are in the frame.
        EXPECT_TRUE(hopVe.adjusted(-0.01, -0.01, 0.01, 0.01).contains(thay[0].hop));
    }
}

// Whatever pixel layout a frame arrives in, the reader sees the same label.
TEST(BoNhanDienMaHeThong, DocMoiDinhDangAnh) {
    const QImage::Format dinhDang[] = {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied,
                                       QImage::Format_Grayscale8, QImage::Format_RGB888};
    for (const char* loai : {"Code128", "DataMatrix"}) {
        QImage khung = TemMau::khungNen(800, 600);
        TemMau::ve(khung, TemMau::taoNhan(mau(loai)), QPointF(420, 280));
        for (const auto f : dinhDang) {
            SCOPED_TRACE(std::string(loai) + " format " + std::to_string(int(f)));
            const auto thay = doc(khung.convertToFormat(f));
            ASSERT_EQ(thay.size(), 1u);
            EXPECT_EQ(thay[0].ma.value_or("").toStdString(), mau(loai).noiDung);
        }
    }
}

// A grainy picture (a webcam in poor light) is smoothed before ZBar sees it; labels still read.
TEST(BoNhanDienMaHeThong, DocKhungNhieu) {
    for (const int bienDo : {3, 8, 20}) {
        for (const char* loai : {"Code128", "EAN13", "QR", "DataMatrix", "PDF417"}) {
            SCOPED_TRACE(std::string(loai) + " +-" + std::to_string(bienDo));
            QImage khung = TemMau::khungNen(1280, 720);
            TemMau::ve(khung, TemMau::taoNhan(mau(loai), 4), QPointF(600, 330), 1.0, 5);
            TemMau::themNhieu(khung, bienDo, uint32_t(bienDo));
            const auto thay = doc(khung);
            ASSERT_EQ(thay.size(), 1u);
            EXPECT_EQ(thay[0].ma.value_or("").toStdString(), mau(loai).noiDung);
        }
    }
}

// Interleaved 2 of 5 is ITF-14 only with 14 digits and a valid check digit; otherwise it keeps its own name.
TEST(BoNhanDienMaHeThong, PhanBietItf14VaI2of5) {
    struct TruongHop {
        std::string ma;
        const char* loai;
    };
    const TruongHop truongHop[] = {
        {"18936123456785", "ITF14"},  // valid check digit
        {"18936123456784", "I2of5"},  // 14 digits, wrong check digit
        {"123456789012", "I2of5"},    // 12 digits
        {"1893612345678512", "I2of5"},
    };
    ASSERT_EQ(TemMau::soKiemTraGs1("1893612345678"), '5');
    for (const auto& th : truongHop) {
        SCOPED_TRACE(th.ma);
        EXPECT_EQ(BoNhanDienMaHeThong::laItf14(QString::fromStdString(th.ma)), th.loai == std::string("ITF14"));
        QImage khung = TemMau::khungNen(1280, 720);
        TemMau::ve(khung, TemMau::taoNhan(ZXing::BarcodeFormat::ITF, th.ma), QPointF(640, 360));
        const auto thay = doc(khung);
        ASSERT_EQ(thay.size(), 1u);
        EXPECT_EQ(thay[0].ma.value_or("").toStdString(), th.ma);
        EXPECT_EQ(thay[0].loai, th.loai);
    }
    for (const char* khongPhai : {"", "1893612345678A", "١٨٩٣٦١٢٣٤٥٦٧٨٥"})
        EXPECT_FALSE(BoNhanDienMaHeThong::laItf14(khongPhai));
}

// Only the symbologies asked for are reported.
TEST(BoNhanDienMaHeThong, ChiDocLoaiDuocHoi) {
    QImage khung = TemMau::khungNen(1920, 1080);
    const char* loai[] = {"Code128", "QR", "PDF417", "DataMatrix", "ITF14"};
    const QPointF tam[] = {{400, 200}, {1400, 200}, {400, 800}, {1400, 800}, {900, 540}};
    for (int i = 0; i < 5; ++i) TemMau::ve(khung, TemMau::taoNhan(mau(loai[i])), tam[i]);
    EXPECT_EQ(doc(khung).size(), 5u);
    for (const QStringList& hoi : {QStringList{"QR"}, QStringList{"Code128", "DataMatrix"}, QStringList{"I2of5"},
                                   QStringList{"PDF417"}, QStringList{}}) {
        SCOPED_TRACE(hoi.join(",").toStdString());
        const auto thay = doc(khung, hoi);
        QStringList duoc;
        for (const auto& t : thay) duoc << t.loai;
        duoc.sort();
        QStringList mong = hoi;
        // An ITF-14 is an Interleaved 2 of 5 code: asked only for the latter, it is named so.
        if (hoi == QStringList{"I2of5"}) mong = QStringList{"I2of5"};
        mong.sort();
        EXPECT_EQ(duoc, mong);
    }
}

// Small labels on a full-size frame, as a label held at arm's length shows: two pixels a module square to the
// frame and three when turned off the square, linear bars only 16 pixels tall (tilted as far as a scan line still
// crosses them whole), on a clean frame, with grain too faint to be smoothed away, and with a webcam's grain.
// The linear codes are scanned on every other line and must not lose these; a small QR code needs every line of
// such a scan, which is why it is read from the binarised frame (ZBar lost it in a webcam's grain).
TEST(BoNhanDienMaHeThong, DocNhanNhoMoiGoc) {
    struct TruongHop {
        const char* dinhDanh;
        int module;
        double goc;
        QPointF tam;
    };
    const TruongHop truongHop[] = {
        {"QR", 2, 0, {400, 300}},        {"QR", 2, 90, {1500, 800}},      {"QR", 2, 270, {1650, 200}},
        {"QR", 3, 45, {960, 540}},       {"QR", 3, 200, {300, 900}},      {"Code128", 2, 0, {700, 400}},
        {"Code128", 2, 90, {1200, 600}}, {"Code39", 2, 180, {500, 700}},  {"Code93", 2, 270, {1400, 300}},
        {"EAN13", 2, -2, {900, 850}},    {"EAN8", 2, 3, {300, 200}},      {"I2of5", 2, 90, {1000, 500}},
        {"ITF14", 2, 0, {800, 250}},
    };
    BoNhanDienMaHeThong bo;
    for (const int hat : {0, 2, 8}) {
        for (const auto& th : truongHop) {
            SCOPED_TRACE(std::string(th.dinhDanh) + " at " + std::to_string(int(th.goc)) + " grain +-" +
                         std::to_string(hat));
            QImage khung = TemMau::khungNen(1920, 1080);
            const QRectF hopVe =
                TemMau::ve(khung, TemMau::taoNhan(mau(th.dinhDanh), th.module, 16), th.tam, 1.0, th.goc);
            if (hat) TemMau::themNhieu(khung, hat, 11);
            const auto thay = bo.nhanDien(khung, kMuoiLoai);
            ASSERT_EQ(thay.size(), 1u);
            EXPECT_EQ(thay[0].ma.value_or("").toStdString(), mau(th.dinhDanh).noiDung);
            EXPECT_EQ(thay[0].loai, th.dinhDanh);
            EXPECT_TRUE(hopVe.adjusted(-0.01, -0.01, 0.01, 0.01).contains(thay[0].hop));
        }
    }
}

// Labels printed with Vietnamese text in a QR code keep their letters.
TEST(BoNhanDienMaHeThong, QrTiengViet) {
    const std::string noiDung = "Đơn hàng #417 — Nguyễn Thị Hương";
    QImage khung = TemMau::khungNen(1280, 720);
    TemMau::ve(khung, TemMau::taoNhan(ZXing::BarcodeFormat::QRCode, noiDung, 4), QPointF(640, 360));
    const auto thay = doc(khung);
    ASSERT_EQ(thay.size(), 1u);
    EXPECT_EQ(thay[0].ma.value_or("").toStdString(), noiDung);
}

// Thousands of frames of the kinds a desk camera sees (mixed 1D and 2D labels, turned, cut off at the
// edge, noisy, blank, tiny, odd sizes) go through one detector without the process aborting, and every
// code it does report is one that was drawn: a misread would start a recording for the wrong parcel.
TEST(BoNhanDienMaHeThong, ChayNangNhieuKhung) {
    const auto& muoi = TemMau::muoiLoai();
    std::vector<QImage> nhan;
    for (const auto& m : muoi)
        for (int module : {1, 2, 3}) nhan.push_back(TemMau::taoNhan(m, module, 20 * module + 20));
    std::mt19937 sinh(20261210);
    auto so = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(sinh); };
    BoNhanDienMaHeThong bo;
    int docDuoc = 0, khungTrong = 0;
    QElapsedTimer dongHo;
    dongHo.start();
    const int soKhung = 2000;
    for (int i = 0; i < soKhung; ++i) {
        const int kieu = i % 10;
        QSize co = kieu == 9 ? QSize(so(1, 40), so(1, 40)) : QSize(so(320, 720), so(240, 480));
        QImage khung = TemMau::khungNen(co.width(), co.height(), so(0, 255));
        std::vector<std::string> daVe;
        const int soNhan = kieu < 2 ? 0 : so(1, 3);
        for (int n = 0; n < soNhan; ++n) {
            const size_t k = size_t(so(0, int(nhan.size()) - 1));
            // Labels partly outside the frame on purpose.
            const QPointF tam(so(-50, co.width() + 50), so(-50, co.height() + 50));
            TemMau::ve(khung, nhan[k], tam, so(5, 20) / 10.0, so(0, 3) == 0 ? so(0, 359) : so(-2, 2) * 90);
            daVe.push_back(muoi[k / 3].noiDung);
        }
        if (kieu == 1 || kieu >= 6) TemMau::themNhieu(khung, so(5, 60), sinh());
        if (kieu == 7) khung = khung.convertToFormat(QImage::Format_Grayscale8);
        if (soNhan == 0) ++khungTrong;
        std::vector<BoNhanDienMa::MaThay> thay;
        ASSERT_NO_THROW(thay = bo.nhanDien(khung, kMuoiLoai));
        for (const auto& t : thay) {
            ASSERT_TRUE(t.hop.left() >= 0 && t.hop.top() >= 0 && t.hop.right() <= 1.0 + 1e-9 &&
                        t.hop.bottom() <= 1.0 + 1e-9)
                << i;
            if (!t.ma) continue;
            ++docDuoc;
            EXPECT_NE(std::find(daVe.begin(), daVe.end(), t.ma->toStdString()), daVe.end())
                << "frame " << i << " read " << t.loai.toStdString() << " '" << t.ma->toStdString() << "'";
        }
    }
    // The run means something only if labels were actually read along the way.
    EXPECT_GT(docDuoc, soKhung / 8);
    RecordProperty("khung", soKhung);
    RecordProperty("ma_doc_duoc", docDuoc);
    std::printf("%d frames (%d blank), %d codes read, %.1f s\n", soKhung, khungTrong, docDuoc,
                dongHo.elapsed() / 1000.0);
}

// A Data Matrix held close to the camera, its modules a dozen pixels and more, with a smaller Code 128 printed
// beside it on the same label, as carriers print them: both are read and the Data Matrix, the larger, is the
// code the reader hands on. (The sweep of 8x8 blocks once cut such a symbol apart and returned only the small
// Code 128, so the desk acted on the wrong code.)
TEST(BoNhanDienMaHeThong, DataMatrixGanCameraThangMaNhoBenCanh) {
    struct TruongHop {
        int rong, cao, module;
        double goc;
    };
    const TruongHop truongHop[] = {{1920, 1080, 12, 0},  {1920, 1080, 16, 0}, {1920, 1080, 20, 4},
                                   {1920, 1080, 14, 90}, {1280, 720, 12, 0},  {1280, 720, 16, -5}};
    const std::string maNho = "SL 2 KHO A3";
    for (const auto& th : truongHop) {
        SCOPED_TRACE(std::to_string(th.rong) + "p module " + std::to_string(th.module) + " at " +
                     std::to_string(int(th.goc)));
        QImage khung = TemMau::khungNen(th.rong, th.cao);
        const QImage dm = TemMau::taoNhan(mau("DataMatrix"), th.module);
        const QPointF tam(th.rong * 0.4, th.cao * 0.5);
        TemMau::ve(khung, dm, tam, 1.0, th.goc);
        TemMau::ve(khung, TemMau::taoNhan(ZXing::BarcodeFormat::Code128, maNho, 2, 40),
                   tam + QPointF(dm.width() / 2.0 + 200, 0), 1.0, th.goc);
        DocMaVach docMa(std::make_unique<BoNhanDienMaHeThong>(), DongHo::heThong());
        QList<DocMaVach::KetQuaDo> danhSach;
        QString maChon;
        QObject::connect(&docMa, &DocMaVach::thayNhieuMa, [&](const auto& ds) { danhSach = ds; });
        QObject::connect(&docMa, &DocMaVach::thayMa, [&](const QString& ma) { maChon = ma; });
        docMa.doMa(*DocMaVach::chupXam(khung));
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
        ASSERT_EQ(danhSach.size(), 2);
        EXPECT_EQ(maChon.toStdString(), mau("DataMatrix").noiDung);
        EXPECT_EQ(danhSach[0].loai, "Data Matrix");
        EXPECT_EQ(danhSach[1].ma.toStdString(), maNho);
        EXPECT_GT(danhSach[0].dienTich, danhSach[1].dienTich);
    }
}

// Code 39 with bars a pixel and a half wide (a label a little far from the camera) in a webcam's grain: the grain
// is smoothed away along the bars only, so the thin bars keep their contrast, upright, on their side and tilted
// a little. (Smoothed both ways, they were lost and nothing was read.)
TEST(BoNhanDienMaHeThong, Code39VachManhTrongHatNhieu) {
    struct TruongHop {
        double tiLe, goc;
        int hat;
    };
    const TruongHop truongHop[] = {{0.75, 0, 6}, {0.75, 90, 6}, {0.8, 3, 8}, {0.75, 180, 10}, {0.8, -2, 10}};
    BoNhanDienMaHeThong bo;
    for (const auto& [rong, cao] : {std::pair{1920, 1080}, std::pair{1280, 720}}) {
        for (const auto& th : truongHop) {
            SCOPED_TRACE(std::to_string(rong) + "p x" + std::to_string(th.tiLe) + " at " + std::to_string(int(th.goc)) +
                         " grain +-" + std::to_string(th.hat));
            QImage khung = TemMau::khungNen(rong, cao);
            const QRectF hopVe = TemMau::ve(khung, TemMau::taoNhan(mau("Code39"), 2, 60),
                                            QPointF(rong * 0.55, cao * 0.45), th.tiLe, th.goc);
            TemMau::themNhieu(khung, th.hat, uint32_t(th.hat * 31 + int(th.goc)));
            const auto thay = bo.nhanDien(*DocMaVach::chupXam(khung), kMuoiLoai);
            ASSERT_EQ(thay.size(), 1u);
            EXPECT_EQ(thay[0].loai, "Code39");
            EXPECT_EQ(thay[0].ma.value_or("").toStdString(), mau("Code39").noiDung);
            EXPECT_TRUE(hopVe.adjusted(-0.01, -0.01, 0.01, 0.01).contains(thay[0].hop));
        }
    }
}

namespace {

// The label drawn as a card tilted `nghieng` degrees away from the camera about an axis at `truc` degrees, seen
// from about four label widths: the side away from the camera shrinks, so the code's squares become trapezia.
void veNghieng(QImage& khung, const QImage& nhan, QPointF tam, double nghieng, double truc) {
    const double f = 4.0 * nhan.width();
    const double a = nghieng * M_PI / 180, c = std::cos(truc * M_PI / 180), s = std::sin(truc * M_PI / 180);
    const double p = std::sin(a) / f;
    QTransform t;
    t.translate(tam.x(), tam.y());
    t = QTransform(std::cos(a) * c * c + s * s, (std::cos(a) - 1) * c * s, p * c, (std::cos(a) - 1) * c * s,
                   std::cos(a) * s * s + c * c, p * s, 0, 0, 1) *
        t;
    t.translate(-nhan.width() / 2.0, -nhan.height() / 2.0);
    QPainter ve(&khung);
    ve.setRenderHint(QPainter::SmoothPixmapTransform, true);
    ve.setTransform(t);
    ve.fillRect(QRectF(-nhan.width() / 8.0, -nhan.height() / 8.0, nhan.width() * 1.25, nhan.height() * 1.25),
                Qt::white);
    ve.drawImage(0, 0, nhan);
}

// Every pixel of the frame darkened to `phan` of its brightness, as a room with the lamp off.
void lamToi(QImage& khung, double phan) {
    for (int y = 0; y < khung.height(); ++y) {
        auto* dong = reinterpret_cast<QRgb*>(khung.scanLine(y));
        for (int x = 0; x < khung.width(); ++x)
            dong[x] = qRgb(int(qRed(dong[x]) * phan), int(qGreen(dong[x]) * phan), int(qBlue(dong[x]) * phan));
    }
}

}  // namespace

// A QR code on a card tilted far back (35-48 degrees) in a webcam's faint grain, at several axes: read, and only
// it. (zxing's detector, which wants its finder patterns square, read none of these but the last.)
TEST(BoNhanDienMaHeThong, QrNghiengXa) {
    struct TruongHop {
        int rong, cao, module;
        double nghieng, truc;
    };
    const TruongHop truongHop[] = {{1920, 1080, 4, 35, 15}, {1920, 1080, 5, 35, 60}, {1280, 720, 4, 35, 330},
                                   {1280, 720, 5, 35, 15},  {1280, 720, 4, 35, 60},  {1920, 1080, 5, 48, 240}};
    BoNhanDienMaHeThong bo;
    for (const auto& th : truongHop) {
        SCOPED_TRACE(std::to_string(th.rong) + "p module " + std::to_string(th.module) + " tilted " +
                     std::to_string(int(th.nghieng)) + " about " + std::to_string(int(th.truc)));
        QImage khung = TemMau::khungNen(th.rong, th.cao);
        veNghieng(khung, TemMau::taoNhan(mau("QR"), th.module), QPointF(th.rong * 0.45, th.cao * 0.55), th.nghieng,
                  th.truc);
        TemMau::themNhieu(khung, 8, uint32_t(th.truc));
        const auto thay = bo.nhanDien(*DocMaVach::chupXam(khung), kMuoiLoai);
        ASSERT_EQ(thay.size(), 1u);
        EXPECT_EQ(thay[0].loai, "QR");
        EXPECT_EQ(thay[0].ma.value_or("").toStdString(), mau("QR").noiDung);
    }
}

// PDF417 in heavy grain, in good light and in a dark room, turned a little: read, and only it. (The frame's 8x8
// block thresholds broke its narrow rows into specks, and nothing was read but in the last.)
TEST(BoNhanDienMaHeThong, Pdf417TrongHatNang) {
    struct TruongHop {
        int rong, cao;
        double sang, goc;
        int hat;
    };
    const TruongHop truongHop[] = {
        {1920, 1080, 1.0, 4, 30}, {1280, 720, 1.0, -3, 26}, {1280, 720, 0.3, -5, 12}, {1920, 1080, 0.3, 2, 14}};
    BoNhanDienMaHeThong bo;
    for (const auto& th : truongHop) {
        SCOPED_TRACE(std::to_string(th.rong) + "p light " + std::to_string(th.sang) + " at " +
                     std::to_string(int(th.goc)) + " grain +-" + std::to_string(th.hat));
        QImage khung = TemMau::khungNen(th.rong, th.cao);
        TemMau::ve(khung, TemMau::taoNhan(mau("PDF417"), 3), QPointF(th.rong * 0.5, th.cao * 0.5), 1.0, th.goc);
        lamToi(khung, th.sang);
        TemMau::themNhieu(khung, th.hat, uint32_t(th.hat * 17 + int(th.goc)));
        const auto thay = bo.nhanDien(*DocMaVach::chupXam(khung), kMuoiLoai);
        ASSERT_EQ(thay.size(), 1u);
        EXPECT_EQ(thay[0].loai, "PDF417");
        EXPECT_EQ(thay[0].ma.value_or("").toStdString(), mau("PDF417").noiDung);
    }
}
