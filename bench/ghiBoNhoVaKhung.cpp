// A 1080p30 recording through the program's capture and writer code, on a lavfi graph opened the way the
// program opens a camera, for a bounded time, optionally beside the 8-month data folder loaded into the same
// process and on a machine kept busy by spinning processes this bench starts and stops:
// - resident memory of the process every few seconds, split into what the store took, what the open camera
//   (preview, reader) took and what recording adds; printed beside the ffmpeg command line's own resident
//   memory encoding the same graph with the same encoder settings for the same time, measured in the same run;
// - the frames of the recorded file as ffprobe counts them, with the largest gap between two of them, beside
//   the frames the ffmpeg command line wrote from the same graph, paced in real time, under the same load.
//
// With a data folder, a Haravan platform on loopback (bench_DongBoBoNho's fake, which answers every page with
// a full page of ordinary orders) is synced into the store every 30 s while recording, as at the desk.
//
//   bench_ghiBoNhoVaKhung <seconds> <spinning processes> [data folder made by "bench_napKho --tao"]
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <cstdio>
#include <vector>

#include "core/BoGhiVideoFFmpeg.h"
#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "core/DocMaVach.h"
#include "core/NenTangCameraV4l2.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "sources/BangMayChu.h"
#include "sources/BoDongBo.h"
#include "store/DongHo.h"
#include "TienTrinh.h"
#include "store/KhoDuLieu.h"

using namespace std::chrono;

namespace {

const QString kDoThi = QStringLiteral("testsrc=size=1920x1080:rate=30");



void cho(double giay) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < giay * 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// soQuay processes that spin until they are stopped: the busy machine.
struct TaiBan {
    std::vector<pid_t> con;
    explicit TaiBan(int soQuay) {
        for (int i = 0; i < soQuay; ++i) {
            const pid_t p = ::fork();
            if (p == 0) {
                volatile unsigned long n = 0;
                for (;;) n = n + 1;
            }
            if (p > 0) con.push_back(p);
        }
    }
    ~TaiBan() {
        for (const pid_t p : con) ::kill(p, SIGKILL);
        for (const pid_t p : con) ::waitpid(p, nullptr, 0);
    }
};

struct DemKhung {
    int soKhung = 0;
    double khoangLonMs = 0;
};

DemKhung demKhung(const QString& tep) {
    QProcess p;
    p.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                                        QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                                        QStringLiteral("packet=pts_time"), QStringLiteral("-of"),
                                        QStringLiteral("csv=p=0"), tep});
    p.waitForFinished(300000);
    std::vector<double> pts;
    for (const QByteArray& d : p.readAllStandardOutput().split('\n')) {
        bool ok = false;
        const double v = d.trimmed().toDouble(&ok);
        if (ok) pts.push_back(v);
    }
    std::sort(pts.begin(), pts.end());
    DemKhung d;
    d.soKhung = int(pts.size());
    for (size_t i = 1; i < pts.size(); ++i) d.khoangLonMs = std::max(d.khoangLonMs, (pts[i] - pts[i - 1]) * 1000);
    return d;
}

struct MauBoNho {
    std::vector<double> rss;
    double dinh = 0;
    double giayChay = 0;
    double trungVi() const {
        std::vector<double> s = rss;
        std::sort(s.begin(), s.end());
        return s.empty() ? 0 : s[s.size() / 2];
    }
};

// The ffmpeg command line on the same graph, paced in real time, with the writer's encoder settings; its
// resident memory sampled as ours is.
MauBoNho ffmpegDongLenh(const QString& tep, int giay, DemKhung& khung) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral("ffmpeg"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-re"),
             QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), kDoThi, QStringLiteral("-t"),
             QString::number(giay), QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
             QStringLiteral("veryfast"), QStringLiteral("-profile:v"), QStringLiteral("main"),
             QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-b:v"),
             QStringLiteral("3375k"), QStringLiteral("-g"), QStringLiteral("30"), QStringLiteral("-x264-params"),
             QStringLiteral("rc-lookahead=5"), QStringLiteral("-movflags"),
             QStringLiteral("frag_keyframe+empty_moov+default_base_moof"), tep});
    const auto t0 = steady_clock::now();
    p.waitForStarted();
    MauBoNho m;
    const pid_t pid = pid_t(p.processId());
    while (!p.waitForFinished(5000)) {
        m.rss.push_back(boNhoMB(pid, "VmRSS"));
        m.dinh = std::max(m.dinh, boNhoMB(pid, "VmHWM"));
    }
    m.giayChay = duration<double>(steady_clock::now() - t0).count();
    khung = demKhung(tep);
    return m;
}

// The writer alone, fed a 1080p frame every 1/30 s for giay seconds from one thread, as the capture queue
// feeds it: how much it takes while it records.
void chiBoGhi(const QString& tep, int giay) {
    const pid_t toi = ::getpid();
    QImage khung(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < khung.height(); ++y)
        for (int x = 0; x < khung.width(); ++x) khung.setPixel(x, y, qRgb((x * 7 + y) & 255, (y * 3) & 255, (x ^ y) & 255));
    const double truoc = boNhoMB(toi, "VmRSS");
    auto w = BoGhiVideoFFmpeg::tao(tep);
    w->themDauVao(1920, 1080, 3'375'000, 30);
    const double sauMo = boNhoMB(toi, "VmRSS");
    w->batDau();
    const auto t0 = steady_clock::now();
    int chuaSan = 0;
    std::vector<double> rss;
    for (int i = 0; i < giay * 30; ++i) {
        std::this_thread::sleep_until(t0 + microseconds(i * 1'000'000LL / 30));
        // A moving block, so that the encoder has motion to work on.
        QImage k = khung.copy();
        for (int y = 0; y < 200; ++y)
            std::fill_n(reinterpret_cast<QRgb*>(k.scanLine(300 + y)) + (i * 8) % 1700, 200, qRgb(250, 250, 250));
        if (w->themKhung(k, microseconds(i * 1'000'000LL / 30)) == BoGhiVideo::KetQuaThem::chuaSan) ++chuaSan;
        if (i % 30 == 0) rss.push_back(boNhoMB(toi, "VmRSS"));
    }
    std::atomic<bool> xong{false};
    w->ketThuc([&] { xong = true; });
    while (!xong) std::this_thread::sleep_for(milliseconds(10));
    std::sort(rss.begin(), rss.end());
    std::printf("writer alone: %.0f MB before, +%.0f MB set up, recording median +%.0f MB, peak %.0f MB; %d of %d frames "
                "dropped by a busy writer; file %d frames\n",
                truoc, sauMo - truoc, rss[rss.size() / 2] - truoc, boNhoMB(toi, "VmHWM"), chuaSan, giay * 30,
                demKhung(tep).soKhung);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int giay = argc > 1 ? std::max(10, std::atoi(argv[1])) : 150;
    const int soQuay = argc > 2 ? std::max(0, std::atoi(argv[2])) : 0;
    const QString thuMucKho = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    QTemporaryDir tam;
    const pid_t toi = ::getpid();
    if (thuMucKho == QLatin1String("--chi-bo-ghi")) {
        TaiBan tai(soQuay);
        chiBoGhi(tam.filePath(QStringLiteral("chi.mp4")), giay);
        return 0;
    }
    std::printf("%d s of 1080p30 recording, %d spinning processes, load average %s\n", giay, soQuay,
                taiHeThong().constData());
    const double coSo = boNhoMB(toi, "VmRSS");

    std::unique_ptr<KhoDuLieu> kho;
    double sauKho = coSo;
    if (!thuMucKho.isEmpty()) {
        kho = std::make_unique<KhoDuLieu>(thuMucKho);
        const auto sl = kho->napTatCa(8);
        sauKho = boNhoMB(toi, "VmRSS");
        std::printf("store: %lld orders, %lld recordings\n", static_cast<long long>(sl.soDon),
                    static_cast<long long>(sl.soVideo));
    }

    // The loopback platform and the sync engine, on the store, from the GUI thread as in the program.
    QProcess mayChu;
    std::unique_ptr<CaiDat> caiDat;
    std::unique_ptr<BoDongBo> dongBo;
    if (kho) {
        mayChu.start(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_DongBoBoNho"),
                     {QStringLiteral("--may-chu"), QStringLiteral("0"), QStringLiteral("0")});
        int cong = 0;
        while (cong == 0 && mayChu.waitForReadyRead(60000))
            while (mayChu.canReadLine()) {
                const QByteArray dong = mayChu.readLine().trimmed();
                if (dong.startsWith("cong ")) cong = dong.mid(5).toInt();
            }
        auto khoKhoa = std::make_shared<KhoKhoaBoNho>();
        khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.haravan.token"), QStringLiteral("tok-1"));
        caiDat = std::make_unique<CaiDat>(tam.filePath(QStringLiteral("korvane.ini")), khoKhoa);
        caiDat->setNguonDon(QStringLiteral("haravan"));
        BoDongBo::CauHinh ch;
        ch.mayChu = BangMayChu::tatCaVe(QStringLiteral("http://127.0.0.1:%1").arg(cong));
        ch.khoangLap = 30s;
        dongBo = std::make_unique<BoDongBo>(*kho, *caiDat, std::move(ch));
        std::printf("syncing with a loopback platform on port %d every 30 s\n", cong);
    }

    CameraEngine cam(std::make_shared<NenTangCameraV4l2>(), &BoGhiVideoFFmpeg::tao, DongHo::heThong());
    cam.datTaoBoGhiSan(&BoGhiVideoFFmpeg::taoChuaCoFile);
    std::atomic<int> denEngine{0};
    DocMaVach* doc = cam.docMa();
    cam.datNhanKhungDocMa([&](const QImage& k) {
        ++denEngine;
        doc->nhanKhung(k);
    });
    // What the preview relay would keep: the last frame, past the call.
    std::mutex khoaXem;
    QImage xem;
    cam.datNhanKhungXemTruoc([&](const QImage& k) {
        std::lock_guard g(khoaXem);
        xem = k;
    });
    cam.moCamera(QString(CameraEngine::kTienToDoThi) + kDoThi, QStringLiteral("1920x1080"));
    while (cam.doPhanGiai().isEmpty()) cho(0.01);
    cho(5);
    const double camMo = boNhoMB(toi, "VmRSS");

    MauBoNho cua;
    DemKhung khungCua, khungLenh;
    int denKhiGhi = 0, daGhi = 0;
    MauBoNho lenh;
    {
        TaiBan tai(soQuay);
        if (dongBo) dongBo->batDau();
        cho(2);
        const QString tep = tam.filePath(QStringLiteral("ghi.mp4"));
        cam.chuanBiGhi(system_clock::now(), tep, 1500, QStringLiteral("SPX1"), LoaiVideo::dongGoi);
        cam.baoDaBatDauGhi();
        const int truoc = denEngine.load();
        const auto t0 = steady_clock::now();
        std::printf("resident while recording (s: MB):");
        for (int s = 5; s <= giay; s += 5) {
            while (steady_clock::now() < t0 + seconds(s)) cho(0.05);
            cua.rss.push_back(boNhoMB(toi, "VmRSS"));
            std::printf(" %d:%.0f", s, cua.rss.back());
            std::fflush(stdout);
        }
        std::printf("\n");
        cua.dinh = boNhoMB(toi, "VmHWM");
        denKhiGhi = denEngine.load() - truoc;
        bool xong = false;
        dongBo.reset();
        if (mayChu.state() != QProcess::NotRunning) {
            mayChu.kill();
            mayChu.waitForFinished(10000);
        }
        cam.dungGhi([&](std::optional<KetQuaGhi> kq) {
            daGhi = kq ? kq->khung : -1;
            xong = true;
        });
        while (!xong) cho(0.01);
        khungCua = demKhung(tep);
        std::printf("load average while recording: %s\n", taiHeThong().constData());
        std::fflush(stdout);

        // The same graph, settings, time and load for the ffmpeg command line.
        lenh = ffmpegDongLenh(tam.filePath(QStringLiteral("lenh.mp4")), giay, khungLenh);
        std::printf("load average after the command line: %s\n", taiHeThong().constData());
        std::printf(
            "memory: base %.0f MB, +store %.0f MB, +open camera %.0f MB, recording median %.0f MB (+%.0f), peak "
            "%.0f MB; reference, ffmpeg command line: median %.0f MB, peak %.0f MB\n",
            coSo, sauKho - coSo, camMo - sauKho, cua.trungVi(), cua.trungVi() - camMo, cua.dinh, lenh.trungVi(),
            lenh.dinh);
    }
    std::printf(
        "frames: %d in the file (%d expected), largest gap %.0f ms; %d reached the engine (the rest came too late "
        "from the source or found the capture queue full), %d written; reference, ffmpeg command line: %d in its "
        "file (%d expected), largest gap %.0f ms, %.1f s to encode %d s of real-time frames\n",
        khungCua.soKhung, giay * 30, khungCua.khoangLonMs, denKhiGhi, daGhi, khungLenh.soKhung, giay * 30,
        khungLenh.khoangLonMs, lenh.giayChay, giay);
    return 0;
}
