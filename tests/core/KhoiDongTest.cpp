#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "common/CumThu.h"
#include "core/KhoiDong.h"
#include "gia/core/SaoLuuGia.h"
#include "store/BanGhiVideo.h"
#include "store/DonHang.h"
#include "store/KhoDuLieu.h"

namespace {
using cum_thu::choDen;

// The real executable under the offscreen platform, with its own home folder and a device folder of the
// test's making, so the camera permission is read from real file permissions.
struct UngDung {
    QProcess p;
    QString ra, loi;

    void chay(const QString& nha, const QString& thietBi) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", nha);
        env.insert("XDG_CONFIG_HOME", nha + "/.config");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("KORVANE_THU_MUC_THIET_BI", thietBi);
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        p.setProcessEnvironment(env);
        QObject::connect(&p, &QProcess::readyReadStandardOutput,
                         [this] { ra += QString::fromUtf8(p.readAllStandardOutput()); });
        QObject::connect(&p, &QProcess::readyReadStandardError,
                         [this] { loi += QString::fromUtf8(p.readAllStandardError()); });
        p.start(QStringLiteral(KORVANE_APP_PATH), {});
        ASSERT_TRUE(p.waitForStarted(10000));
    }
    QStringList dong() const {
        QStringList kq;
        for (const QString& d : ra.split('\n', Qt::SkipEmptyParts))
            if (d.startsWith("[Korvane] ")) kq << d.mid(10);
        return kq;
    }
    bool cho(const QString& dongCuoi, int ms = 20000) {
        return choDen([&] { return dong().contains(dongCuoi); }, ms);
    }
    ~UngDung() {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        }
    }
};

QString thangNay() {
    return QDate::currentDate().toString("yyyy-MM");
}

// A data folder holding three orders and two recordings of this month.
void gieoDuLieu(const QString& goc) {
    QDir().mkpath(goc + "/data/orders");
    QDir().mkpath(goc + "/data/recordings");
    QFile don(goc + "/data/orders/orders-" + thangNay() + ".jsonl");
    ASSERT_TRUE(don.open(QIODevice::WriteOnly));
    for (int i = 1; i <= 3; ++i) {
        DonHang d;
        d.id = QString::number(1000 + i);
        d.orderNumber = QString::number(i);
        d.createdAt = d.updatedAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
        don.write(d.thanhDong() + '\n');
    }
    don.close();
    QFile video(goc + "/data/recordings/recordings-" + thangNay() + ".jsonl");
    ASSERT_TRUE(video.open(QIODevice::WriteOnly));
    for (int i = 1; i <= 2; ++i) {
        BanGhiVideo v;
        v.id = QStringLiteral("v%1").arg(i);
        v.code = QStringLiteral("SPX%1").arg(i);
        v.fileName = v.code + ".mp4";
        v.filePath = goc + "/videos/" + v.fileName;
        v.startedAt = v.endedAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
        video.write(v.thanhDong() + '\n');
    }
}

const QStringList kDuocPhep{"quyền camera xong: 3", "nạp kho xong",       "dựng bộ điều phối", "dựng bộ đồng bộ",
                            "dựng sao lưu",         "nhận video quay dở", "đo ổ đĩa",          "hẹn mở camera",
                            "khởi động xong",       "mở camera"};

TEST(KhoiDong, DongConsoleKhiCameraDuocPhepVaNhatKyAppStart) {
    QTemporaryDir nha, thietBi;
    gieoDuLieu(nha.filePath("Korvane Zize"));
    UngDung app;
    app.chay(nha.path(), thietBi.path());  // no video device at all: granted, the engine reports no webcam
    ASSERT_TRUE(app.cho("mở camera")) << app.ra.toStdString() << app.loi.toStdString();
    EXPECT_EQ(app.dong(), kDuocPhep);
    app.p.kill();
    app.p.waitForFinished();

    KhoDuLieu kho(nha.filePath("Korvane Zize"));
    const auto kt = kho.nhatKy().kiemTra();
    EXPECT_TRUE(kt.ok);
    EXPECT_EQ(kt.soDong, 1);
    QFile nk(kho.nhatKy().duongDan());
    ASSERT_TRUE(nk.open(QIODevice::ReadOnly));
    const QByteArray dongNk = nk.readAll();
    EXPECT_TRUE(dongNk.contains(R"("detail":{"don":"3","video":"2"},"event":"app_start")")) << dongNk.toStdString();
}

TEST(KhoiDong, CameraBiTuChoiThiKhongHenMoCamera) {
    QTemporaryDir nha, thietBi;
    // A device node that exists but refuses to open for reading and writing, whoever runs the test.
    ASSERT_TRUE(QFile::link("/sys/devices/system/cpu/online", thietBi.filePath("video0")));
    UngDung app;
    app.chay(nha.path(), thietBi.path());
    ASSERT_TRUE(app.cho("khởi động xong")) << app.ra.toStdString() << app.loi.toStdString();
    cum_thu::chay(1200);  // well past the 0.4 s at which the camera would open
    EXPECT_EQ(app.dong(), (QStringList{"quyền camera xong: 2", "nạp kho xong", "dựng bộ điều phối", "dựng bộ đồng bộ",
                                       "dựng sao lưu", "nhận video quay dở", "đo ổ đĩa", "khởi động xong"}));
}

TEST(KhoiDong, PhienThuHaiTrenCungThuMucBaoLoiVaKhongGhiGi) {
    QTemporaryDir nha, thietBi;
    gieoDuLieu(nha.filePath("Korvane Zize"));
    UngDung dau;
    dau.chay(nha.path(), thietBi.path());
    ASSERT_TRUE(dau.cho("khởi động xong"));
    const QString nhatKy = nha.filePath("Korvane Zize/data/app.log.jsonl");
    QFile f(nhatKy);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray truoc = f.readAll();
    f.close();
    // Every file of the data folder with its size and last change, to see that nothing at all is written.
    const auto anhThuMuc = [&] {
        QStringList kq;
        QDirIterator it(nha.filePath("Korvane Zize"), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo tt(it.next());
            kq << tt.filePath() + ' ' + QString::number(tt.size()) + ' ' +
                      QString::number(tt.lastModified().toMSecsSinceEpoch());
        }
        kq.sort();
        return kq;
    };
    const QStringList thuMucTruoc = anhThuMuc();

    UngDung sau;
    sau.chay(nha.path(), thietBi.path());
    ASSERT_TRUE(choDen([&] { return sau.loi.contains("đang được một phiên Korvane Zize khác sử dụng"); }))
        << sau.loi.toStdString();
    cum_thu::chay(800);
    EXPECT_EQ(sau.dong(), QStringList{"quyền camera xong: 3"});
    EXPECT_EQ(sau.p.state(), QProcess::Running);  // the error stays on screen until the user closes it
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), truoc);
    EXPECT_EQ(anhThuMuc(), thuMucTruoc);
}

// In-process: a second run of the start task ends at the once-guard.
TEST(KhoiDong, ChiChayMotLan) {
    cum_thu::Cum cum;
    cum.kho.reset();  // the sequence opens the folder itself
    QStringList dong;
    KhoiDong::DichVu dv;
    dv.docQuyenCamera = [] { return TrangThaiApp::QuyenCamera::biTuChoi; };
    dv.in = [&](const QString& d) { dong << d; };
    dv.taoDieuPhoi = [](KhoDuLieu& kho, CaiDat& caiDat) {
        return std::make_shared<CumDieuPhoi>(kho, caiDat, std::make_unique<CameraEngine>(),
                                             std::make_unique<TiengBao>(std::make_unique<DauRaAmThanhGia>()));
    };
    KhoiDong kd(cum.trangThai, *cum.caiDat, dv);
    kd.chay();
    EXPECT_TRUE(dong.isEmpty());  // the first pass of the event loop belongs to the window
    ASSERT_TRUE(choDen([&] { return dong.contains("[Korvane] khởi động xong"); }));
    EXPECT_NE(cum.trangThai.kho(), nullptr);
    EXPECT_NE(cum.trangThai.dieuPhoi(), nullptr);
    const int soDong = int(dong.size());
    kd.chay();
    cum_thu::chay(100);
    EXPECT_EQ(dong.size(), soDong);
}
}  // namespace

namespace {
// A data folder with one recent video, one recent already marked deleted and, optionally, one past the
// retention whose file is still on disk.
void gieoVideo(const QString& goc, bool coVideoCu) {
    KhoDuLieu kho(goc);
    ASSERT_FALSE(kho.moKho().has_value());
    kho.napTatCa(8);
    const QDateTime bayGio = QDateTime::currentDateTimeUtc();
    struct Mau {
        const char* id;
        int ngayTruoc;
        bool daXoa;
    };
    QList<Mau> mau{{"moi", 1, false}, {"daXoa", 2, true}};
    if (coVideoCu) mau << Mau{"cu", 40, false};
    for (const Mau& m : mau) {
        BanGhiVideo v;
        v.id = m.id;
        v.code = QStringLiteral("MA-") + m.id;
        v.fileName = v.id + ".mp4";
        v.filePath = kho.thuMucVideo() + "/" + v.fileName;
        QFile tep(v.filePath);
        ASSERT_TRUE(tep.open(QIODevice::WriteOnly));
        tep.write("x");
        v.startedAt = v.endedAt = bayGio.addDays(-m.ngayTruoc).toString(Qt::ISODate);
        if (m.daXoa) v.deleted = true;
        kho.ghiBanGhiVideo(v);
    }
}

struct KhoiDongTrongTienTrinh : cum_thu::Cum {
    QStringList dong;
    std::unique_ptr<KhoiDong> kd;

    void chayVoi(KhoiDong::DichVu dv) {
        kho.reset();  // the sequence opens the folder itself
        dv.docQuyenCamera = [] { return TrangThaiApp::QuyenCamera::biTuChoi; };
        dv.in = [this](const QString& d) { dong << d; };
        dv.taoDieuPhoi = [](KhoDuLieu& k, CaiDat& c) {
            return std::make_shared<CumDieuPhoi>(k, c, std::make_unique<CameraEngine>(),
                                                 std::make_unique<TiengBao>(std::make_unique<DauRaAmThanhGia>()));
        };
        kd = std::make_unique<KhoiDong>(trangThai, *caiDat, dv);
        kd->chay();
        ASSERT_TRUE(choDen([this] { return dong.contains("[Korvane] khởi động xong"); }));
    }
};

TEST(KhoiDong, DonDepDemLaiVideoChiKhiCoTepBiXoa) {
    for (const bool coVideoCu : {false, true}) {
        KhoiDongTrongTienTrinh c;
        c.caiDat->setSoNgayGiu(30);
        c.kho.reset();
        gieoVideo(c.caiDat->thuMucGoc(), coVideoCu);
        c.chayVoi({});
        // Without removals the count is what was loaded, deleted marks included; after a removal it is what
        // is still kept.
        EXPECT_EQ(c.trangThai.soVideo(), coVideoCu ? 1 : 2) << coVideoCu;
        EXPECT_EQ(c.trangThai.kho()->videoTheoId().size(), coVideoCu ? 3 : 2);
    }
}

TEST(KhoiDong, SaoLuuGanVaoSauKhiLuuVaKhongGiuSaoLuu) {
    KhoiDongTrongTienTrinh c;
    std::weak_ptr<SaoLuuGia> saoLuuYeu;
    KhoiDong::DichVu dv;
    dv.taoSaoLuu = [&](KhoDuLieu&, CaiDat&) {
        auto s = std::make_shared<SaoLuuGia>();
        saoLuuYeu = s;
        return s;
    };
    c.chayVoi(dv);
    ASSERT_EQ(c.trangThai.saoLuu(), saoLuuYeu.lock().get());
    BanGhiVideo v;
    v.id = "v1";
    emit c.trangThai.dieuPhoi()->daLuuVideo(v);
    EXPECT_EQ(saoLuuYeu.lock()->daNhan, QStringList{"v1"});
    EXPECT_EQ(saoLuuYeu.use_count(), 1);  // only the application state holds the backup
}
}  // namespace

namespace {
// The camera is opened with what the settings hold when the pause ends, not when it was scheduled: an owner
// who picks another webcam in the first-run sheet during that pause gets the new one.
TEST(KhoiDong, MoCameraDocCaiDatLucHetHen) {
    cum_thu::Cum cum;
    cum.kho.reset();  // the sequence opens the folder itself
    cum.caiDat->setCameraId(QString());
    cum.caiDat->setDoPhanGiai(QStringLiteral("1280x720"));
    QStringList dong;
    KhoiDong::DichVu dv;
    dv.docQuyenCamera = [] { return TrangThaiApp::QuyenCamera::duocPhep; };
    dv.in = [&](const QString& d) {
        dong << d;
        if (d == QStringLiteral("[Korvane] hẹn mở camera")) {
            cum.caiDat->setCameraId(QStringLiteral("lavfi:testsrc=size=320x240:rate=15"));
            cum.caiDat->setDoPhanGiai(QStringLiteral("320x240"));
        }
    };
    dv.taoDieuPhoi = [](KhoDuLieu& kho, CaiDat& caiDat) {
        return std::make_shared<CumDieuPhoi>(kho, caiDat, std::make_unique<CameraEngine>(),
                                             std::make_unique<TiengBao>(std::make_unique<DauRaAmThanhGia>()));
    };
    KhoiDong kd(cum.trangThai, *cum.caiDat, dv);
    kd.chay();
    ASSERT_TRUE(choDen([&] { return dong.contains("[Korvane] mở camera"); }));
    EXPECT_EQ(dong.indexOf("[Korvane] khởi động xong") + 1, dong.indexOf("[Korvane] mở camera"));
    CongCameraManHinh* cam = cum.trangThai.camera();
    ASSERT_NE(cam, nullptr);
    ASSERT_TRUE(choDen([&] { return cam->dangChay() && !cam->doPhanGiai().isEmpty(); }))
        << cam->loiCamera().toStdString();
    EXPECT_EQ(cam->doPhanGiai(), QStringLiteral("320x240"));
}
}  // namespace
