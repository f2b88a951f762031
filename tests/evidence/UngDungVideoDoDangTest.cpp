#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "common/ChoDen.h"
#include "common/TemMau.h"
#include "core/CaiDat.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "evidence/ManHinhTraCuu.h"
#include "store/BanGhiVideo.h"
#include "store/DonHang.h"
#include "store/KhoDuLieu.h"
#include "store/TienIch.h"

namespace {

const QString kMa = QStringLiteral("SPXVN0190001");

QByteArray docTep(const QString& duongDan) {
    QFile f(duongDan);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString sha256sum(const QString& duongDan) {
    QProcess p;
    p.start(QStringLiteral("sha256sum"), {duongDan});
    p.waitForFinished(60000);
    return QString::fromLatin1(p.readAllStandardOutput()).section(' ', 0, 0);
}

int demSuKien(const QByteArray& nhatKy, const char* suKien) {
    return int(nhatKy.count(QByteArray("\"event\":\"") + suKien + '"'));
}

// The shipped executable on a home folder of its own, whose webcam is a filter graph that shows a shipping
// label: the label in view starts a recording through the real reader, engine and writer, as at the desk.
struct UngDungQuay {
    QTemporaryDir nha, thietBi;
    QString goc = nha.filePath("Korvane Zize");
    QProcess p;
    QString ra, loi;

    UngDungQuay() {
        QDir().mkpath(goc + "/data/orders");
        DonHang d;
        d.id = "19001";
        d.orderNumber = "#19001";
        d.customerName = "Chị Lan";
        d.trackings.push_back(MaVanDon{kMa, "SPX"});
        d.createdAt = d.updatedAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
        QFile don(goc + "/data/orders/orders-" + QDate::currentDate().toString("yyyy-MM") + ".jsonl");
        EXPECT_TRUE(don.open(QIODevice::WriteOnly));
        don.write(d.thanhDong() + '\n');

        QImage khung = TemMau::khungNen(1280, 720);
        TemMau::ve(khung, TemMau::taoNhan(ZXing::BarcodeFormat::Code128, kMa.toStdString(), 3, 140), {640, 360});
        EXPECT_TRUE(khung.save(nha.filePath("tem.png")));
        datCamera(QStringLiteral("lavfi:color=c=0x606060:size=1280x720:rate=15[nen];movie=") + nha.filePath("tem.png") +
                  QStringLiteral("[tem];[nen][tem]overlay=0:0"));
    }
    ~UngDungQuay() { dung(); }

    // An empty id with no device in the device folder: the program starts without a camera.
    void datCamera(const QString& id) {
        CaiDat cd(nha.filePath(".config/KorvaneZize/korvane.ini"), std::make_shared<KhoKhoaBoNho>());
        cd.setThuMucGoc(goc);
        cd.setTenShop("Shop Thử");
        cd.setDaCaiDatLanDau(true);
        cd.setCameraId(id);
        cd.setDoPhanGiai("1280x720");
    }
    void chay(const QStringList& themMoiTruong = {}) {
        QObject::disconnect(&p, nullptr, nullptr, nullptr);
        ra.clear();
        loi.clear();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", nha.path());
        env.insert("XDG_CONFIG_HOME", nha.filePath(".config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("KORVANE_THU_MUC_THIET_BI", thietBi.path());
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        for (const QString& bien : themMoiTruong) env.insert(bien.section('=', 0, 0), bien.section('=', 1));
        p.setProcessEnvironment(env);
        // FFmpeg's messages about a torn last fragment go to standard error; the console lines stay apart.
        QObject::connect(&p, &QProcess::readyReadStandardOutput,
                         [this] { ra += QString::fromUtf8(p.readAllStandardOutput()); });
        QObject::connect(&p, &QProcess::readyReadStandardError,
                         [this] { loi += QString::fromUtf8(p.readAllStandardError()); });
        p.start(QStringLiteral(KORVANE_APP_PATH), {});
        ASSERT_TRUE(p.waitForStarted(10000));
    }
    void dung() {
        if (p.state() == QProcess::NotRunning) return;
        p.kill();
        p.waitForFinished(10000);
    }
    QString nhatKy() const { return goc + "/data/app.log.jsonl"; }
    // The file being written, once it holds `soManh` closed one-second fragments (a busy machine encodes
    // late) and the recording has run `giay` seconds more.
    QString choQuay(int giay, int soManh = 0) {
        QString tep;
        const bool co = choDen(
            [&] {
                if (!docTep(nhatKy()).contains(R"("event":"rec_start")")) return false;
                QDirIterator it(goc + "/videos", {"*.mp4"}, QDir::Files, QDirIterator::Subdirectories);
                if (it.hasNext()) tep = it.next();
                return !tep.isEmpty() && QFileInfo(tep).size() > 0 && docTep(tep).count("moof") >= soManh;
            },
            60000);
        EXPECT_TRUE(co) << ra.toStdString() << loi.toStdString();
        choDen([] { return false; }, giay * 1000);
        return tep;
    }
    bool choKhoiDongXong() {
        return choDen([&] { return ra.contains("[Korvane] khởi động xong"); }, 30000);
    }
    // What the lookup screen lists for the parcel's code, read from the data folder as a new start would.
    QList<BanGhiVideo> traCuu() const {
        KhoDuLieu kho(goc);
        kho.napTatCa(8);
        QList<BanGhiVideo> ds;
        for (const BanGhiVideo& v : kho.videoTheoId())
            if (ManHinhTraCuu::khop(v, chuanHoaMa(kMa), kMa)) ds << v;
        return ds;
    }
};

// Killed outright in the middle of a recording (a power cut, as the program sees it): the next start takes
// the file in with the record a clean stop would have written, and a third start adds nothing.
TEST(UngDungVideoDoDang, ARecordingKilledMidwayIsFoundByItsCodeAfterTheNextStart) {
    UngDungQuay app;
    app.chay();
    const QString tep = app.choQuay(1, 2);
    ASSERT_FALSE(tep.isEmpty());
    app.dung();  // SIGKILL: no stop, no record
    ASSERT_TRUE(app.traCuu().isEmpty());

    app.datCamera(QString());
    app.chay();
    ASSERT_TRUE(app.choKhoiDongXong()) << app.ra.toStdString();
    EXPECT_TRUE(app.ra.contains("[Korvane] nhận video quay dở\n[Korvane] đo ổ đĩa")) << app.ra.toStdString();
    app.dung();

    const auto ds = app.traCuu();
    ASSERT_EQ(ds.size(), 1) << docTep(app.nhatKy()).toStdString();
    const BanGhiVideo& v = ds[0];
    EXPECT_EQ(v.filePath, tep);
    EXPECT_EQ(v.sha256, sha256sum(tep));
    EXPECT_EQ(v.bytes, QFileInfo(tep).size());
    EXPECT_EQ(v.kind, "pack");
    EXPECT_EQ(v.orderId, "19001");
    EXPECT_EQ(v.customerName, "Chị Lan");
    EXPECT_EQ(v.resolution, "1280x720");
    EXPECT_EQ(v.shopName, "Shop Thử");
    EXPECT_GE(v.durationSec, 1);
    KhoDuLieu kho(app.goc);
    EXPECT_TRUE(kho.nhatKy().kiemTra().ok);
    const QByteArray nk = docTep(app.nhatKy());
    EXPECT_EQ(demSuKien(nk, "rec_finish"), 1);
    EXPECT_TRUE(nk.contains(("\"sha256\":\"" + v.sha256 + "\"},\"event\":\"rec_finish\"").toUtf8()));

    app.chay();
    ASSERT_TRUE(app.choKhoiDongXong()) << app.ra.toStdString();
    app.dung();
    EXPECT_EQ(app.traCuu().size(), 1);
    const QByteArray sau = docTep(app.nhatKy());
    EXPECT_EQ(demSuKien(sau, "rec_finish"), 1);
    EXPECT_EQ(demSuKien(sau, "rec_hong"), 0);
    EXPECT_EQ(demSuKien(sau, "app_start"), 3);
}

// SIGTERM, what a system shutdown sends, ends the program the way closing its window does: the running
// recording is stopped and saved before it exits, with no start needed to find it.
TEST(UngDungVideoDoDang, SigtermSavesTheRunningRecordingBeforeExiting) {
    UngDungQuay app;
    app.chay();
    const QString tep = app.choQuay(2, 1);
    ASSERT_FALSE(tep.isEmpty());
    app.p.terminate();
    ASSERT_TRUE(app.p.waitForFinished(30000)) << app.ra.toStdString();
    EXPECT_EQ(app.p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.p.exitCode(), 0);

    const auto ds = app.traCuu();
    ASSERT_EQ(ds.size(), 1) << docTep(app.nhatKy()).toStdString() << app.ra.toStdString();
    EXPECT_EQ(ds[0].filePath, tep);
    EXPECT_EQ(ds[0].sha256, sha256sum(tep));
    EXPECT_GE(ds[0].durationSec, 2);
    EXPECT_EQ(demSuKien(docTep(app.nhatKy()), "rec_finish"), 1);
}

// A keyframe sync that fails (EIO injected into fdatasync for video files) fails the recording: the stop
// saves nothing and journals no "rec_finish", and the next start judges the file like any interrupted one.
TEST(UngDungVideoDoDang, AFailingKeyframeSyncIsAWriteFailureJudgedAtTheNextStart) {
    UngDungQuay app;
    app.chay({QStringLiteral("LD_PRELOAD=") + QStringLiteral(KORVANE_LOI_NHAP_XUAT_NAP),
              QStringLiteral("KORVANE_LOI_DONG_BO_DU_LIEU=.mp4")});
    const QString tep = app.choQuay(2);
    ASSERT_FALSE(tep.isEmpty());
    app.p.terminate();
    ASSERT_TRUE(app.p.waitForFinished(30000)) << app.ra.toStdString();
    EXPECT_EQ(app.p.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(app.traCuu().isEmpty());
    EXPECT_EQ(demSuKien(docTep(app.nhatKy()), "rec_finish"), 0);
    EXPECT_EQ(demSuKien(docTep(app.nhatKy()), "rec_start"), 1);
    ASSERT_TRUE(QFileInfo::exists(tep));

    app.datCamera(QString());
    app.chay();
    ASSERT_TRUE(app.choKhoiDongXong()) << app.ra.toStdString();
    app.dung();
    // The writer gave up at its first keyframe, so what it left does not play.
    const QByteArray nk = docTep(app.nhatKy());
    EXPECT_EQ(demSuKien(nk, "rec_hong") + demSuKien(nk, "rec_finish"), 1) << nk.toStdString();
    EXPECT_TRUE(nk.contains(("\"file\":\"" + QString(tep).replace("/", "\\/") + "\",\"vi\":\"").toUtf8()))
        << nk.toStdString();
    EXPECT_TRUE(QFileInfo::exists(tep));
}

}  // namespace
