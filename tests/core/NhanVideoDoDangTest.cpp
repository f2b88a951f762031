#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/NhanVideoDoDang.h"
#include "store/BanGhiVideo.h"
#include "store/DinhDangISO.h"
#include "store/DonHang.h"
#include "store/DongHo.h"
#include "store/KhoDuLieu.h"
#include "store/NhatKy.h"
#include "store/TienIch.h"

namespace {

QByteArray docTep(const QString& duongDan) {
    QFile f(duongDan);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A fragmented file as the writer leaves it, made by ffmpeg from a test pattern.
bool taoVideo(const QString& duongDan, double giay) {
    QProcess ff;
    ff.start(QStringLiteral("ffmpeg"), {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=15", "-t",
                                        QString::number(giay), "-c:v", "libx264", "-preset", "ultrafast", "-g", "15",
                                        "-movflags", "frag_keyframe+empty_moov+default_base_moof", duongDan});
    return ff.waitForFinished(60000) && ff.exitCode() == 0 && QFileInfo(duongDan).size() > 0;
}

int demSuKien(const QByteArray& nhatKy, const char* suKien) {
    return int(nhatKy.count(QByteArray("\"event\":\"") + suKien + '"'));
}

// A data folder with one synced order, and the store of one start of the program on it.
struct NhanThu : ::testing::Test {
    QTemporaryDir thuMuc;
    QString goc = thuMuc.filePath("goc");
    std::unique_ptr<KhoDuLieu> kho;

    void SetUp() override {
        if (QStandardPaths::findExecutable("ffmpeg").isEmpty()) GTEST_SKIP() << "ffmpeg is needed for the fixtures";
        khoiDongLai();
        DonHang d;
        d.id = "7001";
        d.orderNumber = "#7001";
        d.customerName = "Trần Bình";
        d.customerPhone = "0900000001";
        d.trackings.push_back(MaVanDon{"SPXVN7001", "SPX"});
        d.createdAt = d.updatedAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
        kho->ghiDon(d);
        kho->capNhatDon(d);
    }
    // What a start does before this step: a fresh store on the folder, loaded, and its "app_start".
    void khoiDongLai() {
        kho.reset();
        kho = std::make_unique<KhoDuLieu>(goc);
        ASSERT_FALSE(kho->moKho().has_value());
        kho->napTatCa(8);
        kho->nhatKy().napVanTayCuoi();
        kho->nhatKy().ghi("app_start", {{"don", "0"}, {"video", "0"}});
    }
    // A recording as the coordinator starts it: the path named first, then the "rec_start" line; the file
    // holds `giay` seconds, or only its header when `chiDau` is set, as a kill in the first second leaves it.
    QString batDau(const QString& ma, const QString& orderId, bool laHoan, double giay = 3, bool chiDau = false,
                   qint64 lechGiay = 0) {
        const QString duongDan = kho->duongDanVideoMoi(ma, QDateTime::currentDateTime().addSecs(-lechGiay), laHoan);
        EXPECT_TRUE(taoVideo(duongDan, giay));
        if (chiDau) {
            const qsizetype moof = docTep(duongDan).indexOf("moof");
            EXPECT_GT(moof, 4);
            QFile::resize(duongDan, moof - 4);
        }
        kho->nhatKy().ghi("rec_start", {{"code", ma}, {"orderId", orderId}, {"kind", laHoan ? "return" : "pack"}});
        return duongDan;
    }
    QList<BanGhiVideo> banGhiCua(const QString& ma) const {
        QList<BanGhiVideo> ds;
        for (const BanGhiVideo& v : kho->videoTheoId())
            if (v.code == ma) ds << v;
        return ds;
    }
    QByteArray nhatKy() const { return docTep(kho->nhatKy().duongDan()); }
};

// The record a clean stop would have written, from the journal line, the order and the file as it is now;
// the next start finds the new "rec_finish" and adds nothing.
TEST_F(NhanThu, AnInterruptedPackingVideoBecomesItsRecordOnce) {
    const QString duongDan = batDau("SPXVN7001", "7001", false);
    const QString luc = QString::fromUtf8(nhatKy()).section("\"ts\":\"", -1).section('"', 0, 0);
    khoiDongLai();
    QList<BanGhiVideo> daBao;
    const auto kq = NhanVideoDoDang::chay(*kho, "Shop Thử", [&](const BanGhiVideo& v) { daBao << v; });
    EXPECT_EQ(kq.soGiu, 1);
    EXPECT_EQ(kq.soHong, 0);
    EXPECT_EQ(kq.soLoi, 0);

    const auto ds = banGhiCua("SPXVN7001");
    ASSERT_EQ(ds.size(), 1);
    const BanGhiVideo& v = ds[0];
    const auto vanTay = sha256CuaTep(duongDan);
    ASSERT_TRUE(vanTay);
    EXPECT_TRUE(v.id.startsWith("r_"));
    EXPECT_EQ(v.kind, "pack");
    EXPECT_EQ(v.orderId, "7001");
    EXPECT_EQ(v.orderNumber, "#7001");
    EXPECT_EQ(v.trackingNumber, "SPXVN7001");
    EXPECT_EQ(v.customerName, "Trần Bình");
    EXPECT_EQ(v.customerPhone, "0900000001");
    EXPECT_EQ(v.serials, QStringList());
    EXPECT_EQ(v.filePath, duongDan);
    EXPECT_EQ(v.fileName, QFileInfo(duongDan).fileName());
    EXPECT_EQ(v.sha256, vanTay->sha256);
    EXPECT_EQ(v.bytes, QFileInfo(duongDan).size());
    EXPECT_EQ(v.startedAt, luc);
    EXPECT_EQ(v.durationSec, 3);
    EXPECT_EQ(QDateTime::fromString(v.startedAt, Qt::ISODate).secsTo(QDateTime::fromString(v.endedAt, Qt::ISODate)), 3);
    EXPECT_EQ(v.resolution, "320x240");
    EXPECT_EQ(v.cameraLabel, QString());
    EXPECT_EQ(v.shopName, "Shop Thử");
    EXPECT_EQ(v.keepForever, false);
    EXPECT_EQ(v.deleted, false);
    EXPECT_EQ(v.invalid, false);
    ASSERT_EQ(daBao.size(), 1);
    EXPECT_EQ(daBao[0].id, v.id);
    EXPECT_TRUE(nhatKy().contains(
        QStringLiteral(R"("detail":{"bytes":"%1","code":"SPXVN7001","kind":"pack","sha256":"%2"},"event":"rec_finish")")
            .arg(v.bytes)
            .arg(v.sha256)
            .toUtf8()))
        << nhatKy().toStdString();
    EXPECT_EQ(NhanVideoDoDang::thongBao(kq),
              "Đã giữ lại 1 video quay dở lúc phần mềm bị dừng ngang — tra theo mã như video thường.");

    // The record is on disk, not only in memory, and a second start takes nothing in again.
    khoiDongLai();
    ASSERT_EQ(banGhiCua("SPXVN7001").size(), 1);
    const QByteArray truoc = nhatKy();
    const auto lai = NhanVideoDoDang::chay(*kho, "Shop Thử");
    EXPECT_EQ(lai.soGiu + lai.soHong + lai.soLoi, 0);
    EXPECT_EQ(nhatKy(), truoc);
    EXPECT_EQ(NhanVideoDoDang::thongBao(lai), std::nullopt);
    EXPECT_TRUE(kho->nhatKy().kiemTra().ok);
}

// A returns unboxing keeps its kind, and a code without a synced order gets no order fields.
TEST_F(NhanThu, AnInterruptedReturnsVideoKeepsItsKind) {
    const QString duongDan = batDau("HOANLAI01", "", true);
    EXPECT_TRUE(QFileInfo(duongDan).fileName().startsWith("HOAN__HOANLAI01__"));
    khoiDongLai();
    EXPECT_EQ(NhanVideoDoDang::chay(*kho, "Shop Thử").soGiu, 1);
    const auto ds = banGhiCua("HOANLAI01");
    ASSERT_EQ(ds.size(), 1);
    EXPECT_EQ(ds[0].kind, "return");
    EXPECT_EQ(ds[0].orderId, std::nullopt);
    EXPECT_EQ(ds[0].customerName, std::nullopt);
    EXPECT_TRUE(nhatKy().contains(R"("kind":"return","sha256")"));
}

// A file cut before its first fragment does not play: "rec_hong" as at a stop, no record, the file kept,
// and a later start does not judge it again.
TEST_F(NhanThu, AFileTooShortToPlayGetsRecHongAndStays) {
    const QString duongDan = batDau("SPXNGAN", "7001", false, 3, true);
    const qint64 co = QFileInfo(duongDan).size();
    khoiDongLai();
    const auto kq = NhanVideoDoDang::chay(*kho, "Shop Thử");
    EXPECT_EQ(kq.soGiu, 0);
    EXPECT_EQ(kq.soHong, 1);
    EXPECT_TRUE(banGhiCua("SPXNGAN").isEmpty());
    EXPECT_EQ(QFileInfo(duongDan).size(), co);
    const QString nk = QString::fromUtf8(nhatKy());
    EXPECT_EQ(demSuKien(nhatKy(), "rec_hong"), 1);
    const QString dong = nk.section("\n", -2, -2);
    EXPECT_TRUE(dong.contains(R"("code":"SPXNGAN")")) << dong.toStdString();
    EXPECT_TRUE(dong.contains(R"("file":")" + QString(duongDan).replace("/", "\\/") + '"')) << dong.toStdString();
    EXPECT_TRUE(dong.contains(R"("vi":")")) << dong.toStdString();
    EXPECT_EQ(NhanVideoDoDang::thongBao(kq), "1 video quay dở không mở được, file vẫn để nguyên trong thư mục videos.");

    khoiDongLai();
    const QByteArray truoc = nhatKy();
    EXPECT_EQ(NhanVideoDoDang::chay(*kho, "Shop Thử").soHong, 0);
    EXPECT_EQ(nhatKy(), truoc);
}

// What pairs a journal line with a file, and what keeps a file out of it.
TEST_F(NhanThu, OnlyFilesOfUnfinishedRecordingsAreTakenIn) {
    // Finished cleanly: the journal closes it, even with its record missing from the store.
    batDau("DONGSACH", "", false, 2);
    kho->nhatKy().ghi("rec_finish", {{"code", "DONGSACH"}, {"sha256", "x"}, {"bytes", "1"}, {"kind", "pack"}});
    // Judged at its stop: "rec_hong" closes it.
    const QString hong = batDau("DAHONG", "", false, 2);
    kho->nhatKy().ghi("rec_hong", {{"code", "DAHONG"}, {"vi", "x"}, {"file", hong}});
    // A record names the file already (its "rec_finish" was lost).
    const QString coBanGhi = batDau("COBANGHI", "", false, 2);
    BanGhiVideo v;
    v.id = "r_1_AAAAAA";
    v.code = "COBANGHI";
    v.filePath = coBanGhi;
    v.fileName = QFileInfo(coBanGhi).fileName();
    kho->ghiBanGhiVideo(v);
    // Its file was named well before its journal line: not the file of that recording.
    batDau("QUACU", "", false, 2, false, 300);
    // A file no journal line explains: taken in by its name.
    const QString laNgoai = kho->duongDanVideoMoi("LANGOAI", QDateTime::currentDateTime(), false);
    ASSERT_TRUE(taoVideo(laNgoai, 2));
    // Hostile lines around an unfinished recording that failed at its stop in the same run: a line longer than
    // any we write, deep nesting, a start without a usable time or kind, a torn line.
    QFile nk(kho->nhatKy().duongDan());
    ASSERT_TRUE(nk.open(QIODevice::Append));
    nk.write("{\"event\":\"rec_start\",\"detail\":{\"code\":\"" + QByteArray(200000, 'A') + "\"}}\n");
    nk.write(QByteArray(100000, '[') + "\"event\":\"rec_start\"\n");
    nk.write(R"({"detail":{"code":"KHONGGIO","kind":"pack","orderId":""},"event":"rec_start","ts":"hôm qua"})"
             "\n");
    nk.write(
        R"({"detail":{"code":"LAKIND","kind":"khac","orderId":""},"event":"rec_start","ts":"2026-01-01T00:00:00Z"})"
        "\n");
    nk.write(R"({"detail":{"code":"RACH","kind":"pa)"
             "\n");
    nk.close();
    kho->nhatKy().napVanTayCuoi();
    const QString dungLoi = batDau("DUNGLOI", "", false, 2);
    batDau("SAUDO", "", false, 2);
    kho->nhatKy().ghi("rec_finish", {{"code", "SAUDO"}, {"sha256", "x"}, {"bytes", "1"}, {"kind", "pack"}});

    QStringList ma;
    for (const auto& dd : NhanVideoDoDang::timTrongNhatKy(kho->nhatKy())) ma << dd.ma;
    EXPECT_EQ(ma, (QStringList{"COBANGHI", "QUACU", "DUNGLOI"}));

    khoiDongLai();
    const auto kq = NhanVideoDoDang::chay(*kho, "Shop Thử");
    EXPECT_EQ(kq.soGiu, 1);
    // The file named long before QUACU's line is that line's no more than LANGOAI's is anyone's: both are
    // files no journal line explains.
    EXPECT_EQ(kq.soKhongDong, 2);
    EXPECT_EQ(kq.soHong, 0);
    QStringList coBanGhiMoi;
    for (const BanGhiVideo& b : kho->videoTheoId())
        if (b.id != "r_1_AAAAAA") coBanGhiMoi << b.code;
    coBanGhiMoi.sort();
    EXPECT_EQ(coBanGhiMoi, (QStringList{"DUNGLOI", "LANGOAI", "QUACU"}));
    EXPECT_EQ(kho->videoTheoId().size(), 4);
    EXPECT_EQ(demSuKien(nhatKy(), "rec_finish"), 5);
}

// A recording whose "rec_start" never reached the disk: its playable file is taken in once, with the code and
// the time of its name; files this program did not name, or not in their day's folder, are left alone.
TEST_F(NhanThu, AFileWithoutItsStartLineIsTakenInOnceByItsName) {
    const QDateTime gio = QDateTime::currentDateTime().addSecs(-30);
    const QString mat = kho->duongDanVideoMoi("SPXVN7001", gio, false);
    ASSERT_TRUE(taoVideo(mat, 2));
    const QString hoan = kho->duongDanVideoMoi("HOANMAT", gio, true);
    ASSERT_TRUE(taoVideo(hoan, 2));
    const QString thuMucNgay = QFileInfo(mat).path();
    const QString tenLa = thuMucNgay + "/quay-tay.mp4";
    ASSERT_TRUE(taoVideo(tenLa, 2));
    QDir().mkpath(kho->thuMucVideo() + "/khac");
    const QString saiThuMuc = kho->thuMucVideo() + "/khac/" + QFileInfo(mat).fileName().replace("SPXVN7001", "LECH");
    ASSERT_TRUE(taoVideo(saiThuMuc, 2));
    const QString hong = kho->duongDanVideoMoi("HONGMAT", gio, false);
    ASSERT_TRUE(QFile(hong).open(QIODevice::WriteOnly));

    khoiDongLai();
    const auto kq = NhanVideoDoDang::chay(*kho, "Shop Thử");
    EXPECT_EQ(kq.soGiu, 0);
    EXPECT_EQ(kq.soKhongDong, 2);
    EXPECT_EQ(kq.soHong, 1);
    const auto ds = banGhiCua("SPXVN7001");
    ASSERT_EQ(ds.size(), 1);
    EXPECT_EQ(ds[0].filePath, mat);
    EXPECT_EQ(ds[0].kind, "pack");
    EXPECT_EQ(ds[0].orderId, "7001");  // the order the code names
    EXPECT_EQ(ds[0].startedAt, dinhDangISO().dinhDang(gio.toUTC().addMSecs(-gio.time().msec())));
    EXPECT_EQ(ds[0].durationSec, 2);
    ASSERT_EQ(banGhiCua("HOANMAT").size(), 1);
    EXPECT_EQ(banGhiCua("HOANMAT")[0].kind, "return");
    EXPECT_EQ(kho->videoTheoId().size(), 2);
    EXPECT_EQ(NhanVideoDoDang::thongBao(kq),
              "Đã giữ lại 2 video tìm thấy trong thư mục videos mà nhật ký không có dòng bắt đầu quay — mã và giờ "
              "lấy theo tên file, tra theo mã như video thường. 1 video quay dở không mở được, file vẫn để nguyên "
              "trong thư mục videos.");

    khoiDongLai();
    const auto lai = NhanVideoDoDang::chay(*kho, "Shop Thử");
    EXPECT_EQ(lai.soKhongDong + lai.soGiu + lai.soHong + lai.soLoi, 0);
    EXPECT_EQ(kho->videoTheoId().size(), 2);
}

// Two cut-short recordings of one code, the second after a restart: each is paired with its own file, and
// the closing lines written at the next start close them both.
TEST_F(NhanThu, TwoInterruptedRecordingsOfOneCodeEachGetTheirOwnFile) {
    const QString dau = batDau("LAPLAI", "", false, 2, false, 40);
    khoiDongLai();
    const QString sau = batDau("LAPLAI", "", false, 3);
    khoiDongLai();
    EXPECT_EQ(NhanVideoDoDang::chay(*kho, "Shop Thử").soGiu, 2);
    QMap<QString, qint64> giay;
    for (const BanGhiVideo& v : banGhiCua("LAPLAI")) giay[v.filePath] = v.durationSec;
    EXPECT_EQ(giay, (QMap<QString, qint64>{{dau, 2}, {sau, 3}}));
    khoiDongLai();
    EXPECT_TRUE(NhanVideoDoDang::timTrongNhatKy(kho->nhatKy()).isEmpty());
    EXPECT_EQ(NhanVideoDoDang::chay(*kho, "Shop Thử").soGiu, 0);
}

// The next parcel's recording starts as soon as the camera lets go of the last one, whose record and
// "rec_finish" (or "rec_hong") are written behind it: the last one's closing line comes after the next one's
// "rec_start". Whatever line a crash leaves last, a recording is unfinished exactly when no line closed it.
TEST(NhanThuThuTu, AClosingLineAfterTheNextStartStillClosesItsRecording) {
    const struct {
        const char* ten;
        std::vector<std::pair<const char*, const char*>> dong;  // event, code
        QStringList doDang;
    } cac[] = {
        {"both_closed_behind", {{"rec_start", "A"}, {"rec_start", "B"}, {"rec_finish", "A"}, {"rec_finish", "B"}}, {}},
        {"broken_behind", {{"rec_start", "A"}, {"rec_start", "B"}, {"rec_hong", "A"}, {"rec_finish", "B"}}, {}},
        {"crash_before_the_last_ones_line", {{"rec_start", "A"}, {"rec_start", "B"}}, {"A", "B"}},
        {"crash_during_the_next", {{"rec_start", "A"}, {"rec_start", "B"}, {"rec_finish", "A"}}, {"B"}},
        {"last_ones_line_lost", {{"rec_start", "A"}, {"rec_start", "B"}, {"rec_finish", "B"}}, {"A"}},
        {"two_behind_out_of_order",
         {{"rec_start", "A"}, {"rec_start", "B"}, {"rec_start", "C"}, {"rec_finish", "B"}, {"rec_finish", "A"}},
         {"C"}},
        {"a_later_start_of_the_same_code",
         {{"rec_start", "A"}, {"rec_start", "B"}, {"rec_finish", "A"}, {"rec_start", "A"}},
         {"B", "A"}},
        // The label came back before the first one's record was written: the first stop closes the first one.
        {"same_code_again_before_its_line",
         {{"rec_start", "A"}, {"rec_start", "B"}, {"rec_start", "A"}, {"rec_finish", "A"}},
         {"B", "A"}},
        {"same_code_again_all_closed_in_stop_order",
         {{"rec_start", "A"},
          {"rec_start", "B"},
          {"rec_start", "A"},
          {"rec_finish", "A"},
          {"rec_finish", "B"},
          {"rec_finish", "A"}},
         {}},
        // Lines a start writes for the last run's recordings close those, not this run's of the same code.
        {"an_earlier_runs_recording_closed_at_this_start",
         {{"rec_start", "A"}, {"app_start", ""}, {"rec_start", "A"}, {"rec_finish", "A"}},
         {"A"}},
    };
    for (const auto& c : cac) {
        SCOPED_TRACE(c.ten);
        QTemporaryDir thuMuc;
        ASSERT_TRUE(thuMuc.isValid());
        NhatKy nk(thuMuc.path(), DongHo::heThong(), [] { return std::optional<QString>(); });
        for (const auto& [suKien, ma] : c.dong) {
            QMap<QString, QString> ct{{"code", ma}, {"kind", "pack"}};
            if (QByteArray(suKien) == "rec_start") ct.insert("orderId", "");
            nk.ghi(suKien, QByteArray(suKien) == "app_start" ? QMap<QString, QString>{} : ct);
            ASSERT_FALSE(nk.loiGhi().has_value());
        }
        QStringList doDang;
        for (const auto& dd : NhanVideoDoDang::timTrongNhatKy(nk)) doDang << dd.ma;
        EXPECT_EQ(doDang, c.doDang);
        EXPECT_TRUE(nk.kiemTra().ok);
    }
}

}  // namespace
