#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <set>

#include "evidence/HoSoBangChung.h"
#include "evidence/NguonKhungHinh.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"
#include "store/TienIch.h"

namespace {

// A source whose duration and failing moments the test chooses.
class NguonGia final : public NguonKhungHinh {
public:
    std::optional<double> thoiLuongGia = 20.0;
    std::set<int> hong;  // indexes of requests that fail
    std::vector<double> daHoi;
    std::optional<double> thoiLuong(const QString&) override { return thoiLuongGia; }
    std::optional<Khung> khungLuc(const QString&, double giay, double dungSai, QSize toiDa) override {
        EXPECT_DOUBLE_EQ(dungSai, 0.4);
        EXPECT_EQ(toiDa, QSize(720, 720));
        const int i = static_cast<int>(daHoi.size());
        daHoi.push_back(giay);
        if (hong.count(i)) return std::nullopt;
        QImage anh(720, 405, QImage::Format_RGB32);
        anh.fill(Qt::darkCyan);
        return Khung{anh, giay + 0.2};
    }
};

struct Kho {
    QTemporaryDir tmp;
    QString goc = tmp.filePath("Kho");
    DongHoGia dongHo;
    Kho() {
        QDir().mkpath(goc + "/videos");
        dongHo.datGiayThuc(1714532645);  // 2024-05-01 10:04:05 local
    }
    BanGhiVideo video(const QByteArray& noiDung, const QString& ma = "SPX1") {
        const QString p = goc + "/videos/" + QString::number(++dem) + ".mp4";
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(noiDung);
        f.close();
        BanGhiVideo bg;
        bg.id = "V" + QString::number(dem);
        bg.code = ma;
        bg.filePath = p;
        bg.fileName = QFileInfo(p).fileName();
        bg.bytes = noiDung.size();
        bg.sha256 = sha256CuaTep(p)->sha256;
        bg.startedAt = "2024-05-01T02:00:00Z";
        bg.endedAt = "2024-05-01T02:00:20Z";
        bg.durationSec = 20;
        return bg;
    }
    HoSoBangChung::KetQua xuat(const BanGhiVideo& bg, NguonKhungHinh& nguon, bool chep = true) {
        return HoSoBangChung::xuat(bg, std::nullopt, "Shop", goc, chep, std::nullopt, "AB12-CD34-EF56", nguon, dongHo);
    }
    int dem = 0;
};

QByteArray doc(const QString& p) {
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(XuatHoSo, TenThuMuc) {
    DongHoGia dh;
    dh.datGiayThuc(1714532645);
    struct Ca {
        QString ma, batDau, mong;
    };
    const Ca cac[] = {
        {"SPX/12:3*4?", "2024-05-01T02:00:07Z", "SPX1234__2024-05-01_09-00-07"},
        {"", "2024-05-01T02:00:07Z", "KHONG-MA__2024-05-01_09-00-07"},
        {"../..", "2024-05-01T02:00:07Z", "KHONG-MA__2024-05-01_09-00-07"},
        {"A", "2024-05-01T02:00:07.250Z", "A__2024-05-01_09-00-07"},
        {"A", "", "A__2024-05-01_10-04-05"},
        {"A", "hôm qua", "A__2024-05-01_10-04-05"},
        {"A", "2024-05-01 02:00:07", "A__2024-05-01_10-04-05"},  // our own times always carry a zone
    };
    for (const Ca& ca : cac) {
        BanGhiVideo bg;
        bg.code = ca.ma;
        bg.startedAt = ca.batDau;
        EXPECT_EQ(HoSoBangChung::tenThuMuc(bg, dh), ca.mong) << ca.ma.toStdString() << " " << ca.batDau.toStdString();
    }
}

TEST(XuatHoSo, XuatKhungHinhVanTayVaBanSao) {
    Kho k;
    NguonGia nguon;
    BanGhiVideo bg = k.video(QByteArray(3 << 20, 'x'));
    const auto kq = k.xuat(bg, nguon);
    EXPECT_EQ(kq.thuMuc, k.goc + "/HoSo/SPX1__2024-05-01_09-00-00");
    EXPECT_TRUE(kq.coVideo);
    EXPECT_EQ(kq.soKhungHinh, 6);
    const std::vector<double> mong{0.8, 4.4, 8.0, 11.6, 15.2, 19.2};
    ASSERT_EQ(nguon.daHoi.size(), mong.size());
    for (size_t i = 0; i < mong.size(); ++i) EXPECT_NEAR(nguon.daHoi[i], mong[i], 1.0 / 600) << i;
    EXPECT_EQ(doc(kq.thuMuc + "/video.mp4"), doc(bg.filePath));
    EXPECT_EQ(QDir(kq.thuMuc).entryList(QDir::Files | QDir::Hidden), QStringList({"ho-so.html", "video.mp4"}));
    const QString html = QString::fromUtf8(doc(kq.thuMuc + "/ho-so.html"));
    EXPECT_TRUE(html.contains("<p class=\"ok\">"));
    // The caption uses the time the frame was actually taken at (0.8 + 0.2 s).
    EXPECT_TRUE(html.contains("<figcaption>Bắt đầu · 00:01</figcaption>"));
    EXPECT_TRUE(html.contains("<figcaption>Kết thúc · 00:19</figcaption>"));
    EXPECT_FALSE(html.contains("<td class=\"mono\">—</td></tr><tr><td>Số byte")) << "creation time is read on Linux";

    // Exporting again reuses the folder and replaces both files; a copy is not requested the second time.
    QFile::remove(kq.thuMuc + "/video.mp4");
    const auto lan2 = k.xuat(bg, nguon, false);
    EXPECT_EQ(lan2.thuMuc, kq.thuMuc);
    EXPECT_FALSE(lan2.coVideo);
    EXPECT_FALSE(QFile::exists(kq.thuMuc + "/video.mp4"));
    EXPECT_TRUE(QString::fromUtf8(doc(kq.thuMuc + "/ho-so.html"))
                    .contains("<p class=\"xau\">Không chép được file video vào thư mục hồ sơ.</p>"));
}

TEST(XuatHoSo, KhungHinhThieu) {
    struct Ca {
        std::optional<double> thoiLuong;
        std::set<int> hong;
        int mong;
    };
    const Ca cac[] = {
        {std::nullopt, {}, 0},
        {0.0, {}, 0},
        {-3.0, {}, 0},
        {std::numeric_limits<double>::infinity(), {}, 0},
        {std::numeric_limits<double>::quiet_NaN(), {}, 0},
        {20.0, {0, 2, 5}, 3},
        {20.0, {0, 1, 2, 3, 4, 5}, 0},
    };
    for (const Ca& ca : cac) {
        Kho k;
        NguonGia nguon;
        nguon.thoiLuongGia = ca.thoiLuong;
        nguon.hong = ca.hong;
        const auto kq = k.xuat(k.video("abc"), nguon);
        EXPECT_EQ(kq.soKhungHinh, ca.mong);
        const QString html = QString::fromUtf8(doc(kq.thuMuc + "/ho-so.html"));
        EXPECT_EQ(html.contains("Khung hình trích từ video"), ca.mong > 0);
        EXPECT_EQ(html.count("<figure>"), ca.mong);
        if (ca.mong == 3) {
            // Captions follow the frames that remain: 4.4 s, 11.6 s, 15.2 s.
            EXPECT_TRUE(html.contains("<figcaption>Bắt đầu · 00:05</figcaption>"));
            EXPECT_TRUE(html.contains("<figcaption>Phút 00:12</figcaption>"));
            EXPECT_TRUE(html.contains("<figcaption>Kết thúc · 00:15</figcaption>"));
        }
    }
}

TEST(XuatHoSo, LoiVaVanTayKhac) {
    Kho k;
    NguonGia nguon;
    BanGhiVideo bg = k.video("abc");

    BanGhiVideo mat = bg;
    mat.filePath = k.goc + "/videos/khong-co.mp4";
    try {
        k.xuat(mat, nguon);
        ADD_FAILURE() << "no error for a missing file";
    } catch (const HoSoBangChung::Loi& e) {
        EXPECT_EQ(e.loai(), HoSoBangChung::Loi::Loai::khongCoFile);
        EXPECT_EQ(e.moTa(), "File video không còn trên ổ cứng. Không xuất hồ sơ được.");
    }
    EXPECT_FALSE(QFileInfo::exists(k.goc + "/HoSo"));

    // "HoSo" taken by a regular file: the folder cannot be made.
    QFile chan(k.goc + "/HoSo");
    ASSERT_TRUE(chan.open(QIODevice::WriteOnly));
    chan.close();
    try {
        k.xuat(bg, nguon);
        ADD_FAILURE() << "no error for an impossible folder";
    } catch (const HoSoBangChung::Loi& e) {
        EXPECT_EQ(e.loai(), HoSoBangChung::Loi::Loai::khongTaoDuocThuMuc);
        EXPECT_TRUE(e.moTa().startsWith("Không tạo được thư mục hồ sơ: ")) << e.moTa().toStdString();
        EXPECT_GT(e.moTa().size(), QString("Không tạo được thư mục hồ sơ: ").size());
    }
    QFile::remove(k.goc + "/HoSo");

    // A file changed after recording, and a fingerprint differing only in letter case, both warn.
    for (const QString& sha : {QString(64, u'0'), bg.sha256.toUpper()}) {
        BanGhiVideo khac = bg;
        khac.sha256 = sha;
        const auto kq = k.xuat(khac, nguon);
        const QString html = QString::fromUtf8(doc(kq.thuMuc + "/ho-so.html"));
        EXPECT_TRUE(html.contains("<p class=\"xau\">\nCẢNH BÁO: hai dấu vân tay KHÁC NHAU."));
        EXPECT_TRUE(html.contains("<tr><td>SHA-256 lúc xuất hồ sơ</td><td class=\"mono\">" + bg.sha256 + "<"));
    }
}

TEST(XuatHoSo, XuatLaiHongKhongMatBanSaoCu) {
    Kho k;
    NguonGia nguon;
    BanGhiVideo bg = k.video(QByteArray(2 << 20, 'g'));
    const auto kq = k.xuat(bg, nguon);
    ASSERT_TRUE(kq.coVideo);
    const QByteArray tot = doc(kq.thuMuc + "/video.mp4");

    // The same record, its file now unreadable past the open: /proc/self/mem opens but every read at
    // offset 0 fails, as a dying disk would.
    BanGhiVideo hong = bg;
    hong.filePath = "/proc/self/mem";
    const auto lan2 = k.xuat(hong, nguon);
    EXPECT_EQ(lan2.thuMuc, kq.thuMuc);
    EXPECT_FALSE(lan2.coVideo);
    EXPECT_EQ(doc(kq.thuMuc + "/video.mp4"), tot) << "the earlier good copy must survive a failed re-export";
    EXPECT_EQ(QDir(kq.thuMuc).entryList(QDir::Files | QDir::Hidden), QStringList({"ho-so.html", "video.mp4"}))
        << "no temporary file is left behind";
    const QString html = QString::fromUtf8(doc(kq.thuMuc + "/ho-so.html"));
    EXPECT_TRUE(html.contains("<td class=\"mono\">không đọc được</td>"));
    EXPECT_TRUE(html.contains("CẢNH BÁO: hai dấu vân tay KHÁC NHAU."));
}

TEST(XuatHoSo, XuatNenTraVeLuongNhan) {
    Kho k;
    const BanGhiVideo bg = k.video("abc");
    QObject nhan;
    struct Lan {
        std::optional<HoSoBangChung::KetQua> kq;
        QString loi;
        bool xong = false;
        bool dungLuong = false;
    };
    Lan tot, hong;
    auto goi = [&](const BanGhiVideo& b, Lan& lan) {
        HoSoBangChung::xuatNen(b, std::nullopt, "Shop", k.goc, true, std::nullopt, "AB12-CD34-EF56", &nhan,
                               [&lan](std::optional<HoSoBangChung::KetQua> kq, QString loi) {
                                   lan.kq = kq;
                                   lan.loi = loi;
                                   lan.xong = true;
                                   lan.dungLuong = QThread::currentThread() == qApp->thread();
                               });
    };
    goi(bg, tot);
    BanGhiVideo mat = bg;
    mat.filePath += ".mat";
    goi(mat, hong);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tot.xong && hong.xong; }, 20000));
    ASSERT_TRUE(tot.kq);
    EXPECT_TRUE(tot.kq->coVideo);
    EXPECT_EQ(tot.kq->soKhungHinh, 0);  // "abc" is no video
    EXPECT_TRUE(tot.loi.isEmpty());
    EXPECT_TRUE(tot.dungLuong);
    EXPECT_FALSE(hong.kq);
    EXPECT_EQ(hong.loi, "File video không còn trên ổ cứng. Không xuất hồ sơ được.");

    // A receiver gone before the export ends hears nothing.
    bool goiSauKhiXoa = false;
    {
        QObject tam;
        HoSoBangChung::xuatNen(bg, std::nullopt, "Shop", k.goc, false, std::nullopt, "", &tam,
                               [&](auto, auto) { goiSauKhiXoa = true; });
    }
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(goiSauKhiXoa);
}

// The export checks the journal on its worker, as far as the journal reached when the export was asked for.
TEST(XuatHoSo, XuatNenKiemNhatKyDenLucChup) {
    Kho k;
    const BanGhiVideo bg = k.video("abc");
    QTemporaryDir tamKho;
    KhoDuLieu kho(tamKho.path());
    ASSERT_FALSE(kho.moKho());
    for (int i = 0; i < 4; ++i) kho.nhatKy().ghi("sync", {{"so", QString::number(i)}});
    const auto xuatVoi = [&](const NhatKy::AnhKiemTra& anh) {
        QObject nhan;
        std::optional<HoSoBangChung::KetQua> kq;
        bool xong = false;
        HoSoBangChung::xuatNen(bg, std::nullopt, "Shop", k.goc, false, anh, "", &nhan, [&](auto ketQua, auto) {
            kq = ketQua;
            xong = true;
        });
        // Written after the request: not part of this dossier's verdict.
        kho.nhatKy().ghi("sync");
        EXPECT_TRUE(QTest::qWaitFor([&] { return xong; }, 20000));
        return kq ? QString::fromUtf8(doc(kq->thuMuc + "/ho-so.html")) : QString();
    };
    EXPECT_TRUE(
        xuatVoi(kho.nhatKy().chupDeKiemTra())
            .contains("<tr><td>Nhật ký kho dữ liệu</td><td>4 dòng · chuỗi băm liền mạch — NGUYÊN VẸN</td></tr>"));

    QFile tep(kho.nhatKy().duongDan());
    ASSERT_TRUE(tep.open(QIODevice::ReadOnly));
    QByteArray b = tep.readAll();
    tep.close();
    b.replace("\"so\":\"1\"", "\"so\":\"9\"");
    ASSERT_TRUE(tep.open(QIODevice::WriteOnly | QIODevice::Truncate));
    tep.write(b);
    tep.close();
    EXPECT_TRUE(xuatVoi(kho.nhatKy().chupDeKiemTra()).contains("Chuỗi băm GÃY ở dòng 2 — nhật ký đã bị sửa"));
}
