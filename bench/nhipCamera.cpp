// The camera at the desk, on a 1080p30 lavfi graph opened the way the program opens a camera:
// - the frame intervals of a 15 s recording as ffprobe reads them from the file, beside the source's own
//   intervals (ffprobe on the same graph) and the stream's frame rate;
// - the same recording while every sync of the video takes 0.2, 0.5 and 1.0 s (a busy USB drive, an SD card),
//   beside the recording without delay;
// - label shown -> first recorded frame, as the packer sees it: from the first frame that shows a label to the
//   first frame of its recording, through the reader and the coordinator, for the first recording after the
//   camera opens and for later ones, split by stage;
// - the next parcel's label typed while a recording runs, on a data folder whose every sync takes 0, 0.2, 0.5 and
//   1.0 s: label -> the next recording's first frame, and the GUI thread's longest stall until the old recording
//   is saved, each beside the run without delay;
// - the processor time of an idle packing screen (preview and reader) split by stage, beside the source's own
//   cost (the same graph demuxed and decoded with nothing done to the frames).
#include <sys/resource.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "DoDungGui.h"
#include "LoiNhapXuatGia.h"
#include "common/CumThu.h"
#include "common/TemMau.h"
#include "core/BoGhiVideoFFmpeg.h"
#include "core/CameraEngine.h"
#include "core/DocMaVach.h"
#include "core/GiuThuVienC.h"
#include "core/NenTangCameraV4l2.h"
#include "core/NguonKhungFFmpeg.h"
#include "core/PhatKhungXemTruoc.h"
#include "stations/KhungCamera.h"
#include "stations/ManHinhDongGoi.h"
#include "store/DongHo.h"

using namespace std::chrono;

namespace {

// The graph stands in for the camera; KORVANE_DO_THI picks another (a webcam's MJPEG decodes to yuvj422p:
// "testsrc=size=1920x1080:rate=30,format=yuvj422p").
const QString kDoThi = qEnvironmentVariableIsEmpty("KORVANE_DO_THI") ? QStringLiteral("testsrc=size=1920x1080:rate=30")
                                                                     : qEnvironmentVariable("KORVANE_DO_THI");

double cpuGiay() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_utime.tv_sec + r.ru_utime.tv_usec / 1e6 + r.ru_stime.tv_sec + r.ru_stime.tv_usec / 1e6;
}

// Runs the GUI thread's events for that long without spinning, as the program's own event loop would.
void cho(double giay) {
    QEventLoop vong;
    QTimer::singleShot(std::max(1, int(giay * 1000)), Qt::PreciseTimer, &vong, &QEventLoop::quit);
    vong.exec();
}

// Processor time of the whole process over `giay` seconds of wall time, in % of one core.
double doCpu(double giay) {
    const double c0 = cpuGiay();
    const auto t0 = steady_clock::now();
    cho(giay);
    return 100.0 * (cpuGiay() - c0) / duration<double>(steady_clock::now() - t0).count();
}

QString taiTai(const char* s) {
    return QString::fromUtf8(s);
}

QString chayFfprobe(const QStringList& doiSo) {
    QProcess p;
    p.start(QStringLiteral("ffprobe"), doiSo);
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct ThongKeKhoang {
    int soGoi = 0;
    double nho = 0, trungVi = 0, lon = 0, lechLon = 0;  // ms; lechLon: the largest distance from the nominal
    QString rFrameRate, avgFrameRate, timeBase;
};

ThongKeKhoang thongKe(const QStringList& doiSoVao, double danhNghiaMs) {
    QStringList a = {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                     QStringLiteral("v:0")};
    a << doiSoVao;
    ThongKeKhoang tk;
    const QString luong = chayFfprobe(a + QStringList{QStringLiteral("-show_entries"),
                                                      QStringLiteral("stream=r_frame_rate,avg_frame_rate,time_base"),
                                                      QStringLiteral("-of"), QStringLiteral("default=nw=1")});
    for (const QString& d : luong.split(QLatin1Char('\n'))) {
        if (d.startsWith(QLatin1String("r_frame_rate="))) tk.rFrameRate = d.mid(13);
        if (d.startsWith(QLatin1String("avg_frame_rate="))) tk.avgFrameRate = d.mid(15);
        if (d.startsWith(QLatin1String("time_base="))) tk.timeBase = d.mid(10);
    }
    const QString goi = chayFfprobe(a + QStringList{QStringLiteral("-show_entries"), QStringLiteral("packet=pts_time"),
                                                    QStringLiteral("-of"), QStringLiteral("csv=p=0")});
    std::vector<double> pts;
    for (const QString& d : goi.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const double v = d.trimmed().toDouble(&ok);
        if (ok) pts.push_back(v);
    }
    std::sort(pts.begin(), pts.end());
    tk.soGoi = int(pts.size());
    std::vector<double> kh;
    for (size_t i = 1; i < pts.size(); ++i) kh.push_back((pts[i] - pts[i - 1]) * 1000);
    if (kh.empty()) return tk;
    for (double k : kh) tk.lechLon = std::max(tk.lechLon, std::abs(k - danhNghiaMs));
    std::sort(kh.begin(), kh.end());
    tk.nho = kh.front();
    tk.trungVi = kh[kh.size() / 2];
    tk.lon = kh.back();
    return tk;
}

void inKhoang(const char* ten, const ThongKeKhoang& t) {
    std::printf(
        "  %-38s %5d packets; interval min %.1f / median %.1f / max %.1f ms, farthest from 33.3: %.1f ms; "
        "r_frame_rate %s, avg_frame_rate %s, time_base %s\n",
        ten, t.soGoi, t.nho, t.trungVi, t.lon, t.lechLon, qPrintable(t.rFrameRate), qPrintable(t.avgFrameRate),
        qPrintable(t.timeBase));
}

// A writer that hands each frame's outcome to the bench, so it sees the moment a recording really begins.
class BoGhiTheoDoi final : public BoGhiVideo {
public:
    using SauKhung = std::function<void(KetQuaThem)>;
    BoGhiTheoDoi(std::unique_ptr<BoGhiVideo> that, SauKhung sauKhung)
        : that_(std::move(that)), sauKhung_(std::move(sauKhung)) {}
    bool themDauVao(int rong, int cao, int64_t bitrate, double tocDo) override {
        return that_->themDauVao(rong, cao, bitrate, tocDo);
    }
    bool moFile(const QString& duongDan) override { return that_->moFile(duongDan); }
    bool batDau() override { return that_->batDau(); }
    TrangThai trangThai() const override { return that_->trangThai(); }
    QString loi() const override { return that_->loi(); }
    KetQuaThem themKhung(const QImage& anh, microseconds pts) override {
        const auto kq = that_->themKhung(anh, pts);
        sauKhung_(kq);
        return kq;
    }
    void ketThuc(std::function<void()> xong) override { that_->ketThuc(std::move(xong)); }


private:
    std::unique_ptr<BoGhiVideo> that_;
    SauKhung sauKhung_;
};

// The engine on the real camera platform and writers, as the program builds it, with the encoder of the next
// recording made ahead; both its writers, the one made for a file and the one made ahead, report each frame.
std::unique_ptr<CameraEngine> taoCameraTheoDoi(const BoGhiTheoDoi::SauKhung& sauKhung) {
    auto cam = std::make_unique<CameraEngine>(
        std::make_shared<NenTangCameraV4l2>(),
        [sauKhung](const QString& p) -> std::unique_ptr<BoGhiVideo> {
            auto w = BoGhiVideoFFmpeg::tao(p);
            if (!w) return nullptr;
            return std::make_unique<BoGhiTheoDoi>(std::move(w), sauKhung);
        },
        DongHo::heThong());
    cam->datTaoBoGhiSan([sauKhung]() -> std::unique_ptr<BoGhiVideo> {
        return std::make_unique<BoGhiTheoDoi>(BoGhiVideoFFmpeg::taoChuaCoFile(), sauKhung);
    });
    return cam;
}

struct CameraDo {
    std::atomic<bool> daCoKhung{false};
    // Frames a recording was not yet ready for.
    std::atomic<int> soChuaSan{0};
    std::unique_ptr<CameraEngine> cam;

    CameraDo() {
        cam = taoCameraTheoDoi([this](BoGhiVideo::KetQuaThem kq) {
            if (kq == BoGhiVideo::KetQuaThem::chuaSan) ++soChuaSan;
            if (kq == BoGhiVideo::KetQuaThem::daNhan) daCoKhung = true;
        });
        cam->moCamera(QString(CameraEngine::kTienToDoThi) + kDoThi, QStringLiteral("1920x1080"));
        while (cam->doPhanGiai().isEmpty()) cho(0.01);
    }

    // Arms a recording and returns once the writer has accepted its first frame.
    void batDau(const QString& tep) {
        daCoKhung = false;
        cam->chuanBiGhi(system_clock::now(), tep, 1500, QStringLiteral("SPX1"), LoaiVideo::dongGoi);
        cam->baoDaBatDauGhi();
        while (!daCoKhung.load()) cho(0.001);
    }

    std::optional<CameraEngine::KetQuaGhi> dung() {
        bool xong = false;
        std::optional<CameraEngine::KetQuaGhi> kq;
        cam->dungGhi([&](auto r) {
            kq = r;
            xong = true;
        });
        while (!xong) cho(0.01);
        return kq;
    }
};

struct GhiMuoiLamGiay {
    ThongKeKhoang tk;
    int denEngine = 0, daGhi = 0, chuaSan = 0;
};

// A 15 s recording with the reader on, judged by ffprobe.
GhiMuoiLamGiay ghiMuoiLamGiay(const QString& tep) {
    CameraDo c;
    std::atomic<int> denEngine{0};
    DocMaVach* doc = c.cam->docMa();
    c.cam->datNhanKhungDocMa([&, doc](const QImage& k) {
        ++denEngine;
        doc->nhanKhung(k);
    });
    cho(1.0);
    c.batDau(tep);
    c.soChuaSan = 0;
    const int truoc = denEngine.load();
    cho(15.0);
    const int sau = denEngine.load();
    const auto kq = c.dung();
    return {thongKe({tep}, 1000.0 / 30), sau - truoc, kq ? kq->khung : -1, c.soChuaSan.load()};
}

void inGhi(const char* ten, const GhiMuoiLamGiay& g) {
    inKhoang(ten, g.tk);
    std::printf(
        "  %-38s frames reaching the engine while recording %d (of 15 s at 30 fps), written %d, dropped by a busy "
        "writer %d\n",
        "", g.denEngine, g.daGhi, g.chuaSan);
}

void khoangKhung(const QTemporaryDir& thuMuc) {
    std::printf("frame intervals of a 15 s recording at 1920x1080 30 fps, reader on:\n");
    inGhi("recorded file (ours):", ghiMuoiLamGiay(thuMuc.filePath(QStringLiteral("15s.mp4"))));
    inKhoang("reference, the source's own (ffprobe):",
             thongKe({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), kDoThi,
                      QStringLiteral("-read_intervals"), QStringLiteral("%+15")},
                     1000.0 / 30));
}

// The fault library holds every fdatasync of a file in the folder for the delay, then lets it do its work.
void dongBoCham(const QTemporaryDir& thuMuc) {
    std::printf("a 15 s recording at 1920x1080 30 fps, reader on, while every sync of the video is slow:\n");
    const std::string doan = QFileInfo(thuMuc.path()).canonicalFilePath().toStdString() + "/cham";
    inGhi("reference, no delay:", ghiMuoiLamGiay(thuMuc.filePath(QStringLiteral("cham-0.mp4"))));
    for (const double giay : {0.2, 0.5, 1.0}) {
        LoiNhapXuatGia::tatHet();
        LoiNhapXuatGia::chamKhiDongBo(doan, milliseconds(int64_t(giay * 1000)));
        const auto g = ghiMuoiLamGiay(thuMuc.filePath(QStringLiteral("cham-%1.mp4").arg(giay)));
        const int soCham = LoiNhapXuatGia::soLanDongBoCham();
        LoiNhapXuatGia::thaDongBo();
        char ten[64];
        std::snprintf(ten, sizeof ten, "syncs of %.1f s (%d delayed):", giay, soCham);
        inGhi(ten, g);
    }
    LoiNhapXuatGia::tatHet();
}

// The label's place in the frame and the moments of its way to the file, stamped where each happens.
struct DuongNhan {
    static constexpr int kX = 660, kY = 380;  // top-left corner of the label in the 1920x1080 frame
    int rong = 0, cao = 0;                    // the label's size

    std::atomic<int64_t> soKhung{0};     // frames handed to the reader so far
    std::atomic<int64_t> khungThay{-1};  // the first frame showing the label
    std::atomic<int64_t> khungNhan{-1};  // the frame the reader took
    std::atomic<int64_t> khungGhi{-1};   // the first frame recorded
    std::atomic<int64_t> thay{0}, nhan{0}, doXong{0}, dieuPhoi{0}, daArm{0}, ghi{0};  // steady_clock ticks
    std::atomic<int64_t> miliDoc{0};  // the read time the reader reports

    static int64_t bayGio() { return steady_clock::now().time_since_epoch().count(); }
    void datLai() {
        khungThay = khungNhan = khungGhi = -1;
        thay = nhan = doXong = dieuPhoi = daArm = ghi = 0;
        miliDoc = 0;
    }
    // The label's quiet zone is white on both sides; the test pattern under it is not.
    bool coNhan(const QImage& k) const {
        const auto trang = [&](int x, int y) {
            if (k.format() == QImage::Format_Grayscale8) return k.constScanLine(y)[x] > 230;
            const QRgb p = k.pixel(x, y);
            return qRed(p) > 240 && qGreen(p) > 240 && qBlue(p) > 240;
        };
        const int y = kY + cao / 2;
        return k.width() >= kX + rong && trang(kX + 8, y) && trang(kX + rong - 8, y) && trang(kX + rong / 2, kY + 3);
    }
    static double giay(int64_t tu, int64_t den) { return duration<double>(steady_clock::duration(den - tu)).count(); }
};

// The program's own path from a label to its recording: the coordinator and its store, the engine with the
// writer made ahead and the reader, on a 1080p30 graph in which a label of its own appears at 1 s, 6 s, 11 s and
// 16 s, each for two seconds. Each is its own order's label, so each starts a recording; the bench stops it once
// the label is gone.
void batDauGhi(const QTemporaryDir& thuMuc) {
    std::printf(
        "label shown -> first recorded frame at 1920x1080 30 fps, through the reader and the coordinator\n"
        "  (from the first frame that shows the label; the reader takes a frame at most every %.2f s):\n",
        0.12);
    constexpr int kSoNhan = 4;
    DuongNhan d;
    QStringList tep;
    for (int i = 0; i < kSoNhan; ++i) {
        const QImage nhan = TemMau::taoNhan(ZXing::BarcodeFormat::Code128, "SPXVN0" + std::to_string(4711 + i), 3, 120);
        d.rong = nhan.width();
        d.cao = nhan.height();
        tep << thuMuc.filePath(QStringLiteral("nhan%1.png").arg(i));
        nhan.save(tep.last());
    }
    QString doThi = kDoThi + QStringLiteral("[n0]");
    for (int i = 0; i < kSoNhan; ++i) doThi += QStringLiteral(";movie=%1[l%2]").arg(tep[i]).arg(i);
    for (int i = 0; i < kSoNhan; ++i)
        doThi += QStringLiteral(";[n%1][l%1]overlay=x=%2:y=%3:enable='between(t,%4,%5)'%6")
                     .arg(i)
                     .arg(DuongNhan::kX)
                     .arg(DuongNhan::kY)
                     .arg(1 + 5 * i)
                     .arg(2.999 + 5 * i)
                     .arg(i + 1 < kSoNhan ? QStringLiteral("[n%1]").arg(i + 1) : QStringLiteral("[out0]"));

    struct Lan {
        double tong, choDoc, doc, chuyen, batDau, ghi;
        int64_t khung;
        int64_t mili;
    };
    // The last opening runs on a disk whose every sync takes 0.2 s (the store's and the video's alike).
    constexpr int kSoLanMo = 4;
    std::vector<Lan> tatCa[2];  // on the plain disk, on the slow one
    for (int lan = 0; lan < kSoLanMo; ++lan) {
        const bool cham = lan == kSoLanMo - 1;
        cum_thu::Cum c;
        if (cham) LoiNhapXuatGia::chamKhiDongBo(QFileInfo(c.thuMuc.path()).canonicalFilePath().toStdString(), 200ms);
        auto cam = taoCameraTheoDoi([&d](BoGhiVideo::KetQuaThem kq) {
            int64_t khong = 0;
            if (kq == BoGhiVideo::KetQuaThem::daNhan && d.ghi.compare_exchange_strong(khong, DuongNhan::bayGio()))
                d.khungGhi = d.soKhung.load() - 1;
        });
        CameraEngine* e = cam.get();
        c.taoDieuPhoi(std::move(cam));
        DocMaVach* doc = e->docMa();
        e->datNhanKhungDocMa([&d, doc](const QImage& k) {
            const int64_t so = d.soKhung++;
            const bool doi = d.khungNhan.load() < 0 && d.coNhan(k);  // the label shows and has not been taken yet
            if (doi && d.thay.load() == 0) {
                d.thay = DuongNhan::bayGio();
                d.khungThay = so;
            }
            const bool truoc = doc->dangBan();
            doc->nhanKhung(k);
            if (doi && !truoc && doc->dangBan()) {
                d.nhan = DuongNhan::bayGio();
                d.khungNhan = so;
            }
        });
        QObject::connect(e, &CongCameraManHinh::daDocNhieuMa, e, [&d](const QList<DocMaVach::KetQuaDo>& ds) {
            int64_t khong = 0;
            if (d.nhan.load() && d.doXong.compare_exchange_strong(khong, DuongNhan::bayGio()))
                d.miliDoc = ds.first().mili;
        });
        QObject::connect(e, &CongCameraManHinh::dangGhiDoi, e, [&d](bool v) {
            if (v) d.daArm = DuongNhan::bayGio();
        });
        // The coordinator's first change of a published field: the code has reached it and the start begins.
        QObject::connect(c.dieuPhoi, &BoDieuPhoi::maHienTaiChanged, e, [&d] {
            int64_t khong = 0;
            if (d.doXong.load()) d.dieuPhoi.compare_exchange_strong(khong, DuongNhan::bayGio());
        });
        // The packing screen, as at the desk: it follows the coordinator's fields and shows the preview.
        ManHinhDongGoi manHinh(c.dieuPhoi, e, *c.caiDat);
        manHinh.resize(1280, 800);
        manHinh.show();
        d.datLai();
        e->moCamera(QString(CameraEngine::kTienToDoThi) + doThi, QStringLiteral("1920x1080"));
        if (!choDen([&] { return e->dangChay() && !e->doPhanGiai().isEmpty(); }, 60000)) {
            std::printf("  the label graph does not open: %s\n", qPrintable(e->loiCamera()));
            return;
        }
        std::vector<Lan> ds;
        for (int i = 0; i < kSoNhan; ++i) {
            d.datLai();
            if (!choDen([&] { return d.ghi.load() != 0; }, 8000)) {
                std::printf("  camera opening %d, label %d: no recording started (%s)\n", lan + 1, i + 1,
                            qPrintable(c.dieuPhoi->thongBao().value_or(e->loiCamera())));
                break;
            }
            Lan l{};
            l.tong = DuongNhan::giay(d.thay, d.ghi);
            l.choDoc = DuongNhan::giay(d.thay, d.nhan);
            l.doc = DuongNhan::giay(d.nhan, d.doXong);
            l.chuyen = DuongNhan::giay(d.doXong, d.dieuPhoi);
            l.batDau = DuongNhan::giay(d.dieuPhoi, d.daArm);
            l.ghi = DuongNhan::giay(d.daArm, d.ghi);
            l.mili = d.miliDoc;
            l.khung = d.khungGhi - d.khungThay;
            ds.push_back(l);
            // let the label go out of sight, then stop and save as the packer's next step would
            choDen([&] { return false; }, 2600);
            bool xong = false;
            c.dieuPhoi->ketThucQuay([&](std::optional<BanGhiVideo>) { xong = true; });
            choDen([&] { return xong; }, 30000);
        }
        tatCa[cham].insert(tatCa[cham].end(), ds.begin(), ds.end());
        std::printf("  camera opening %d%s:\n", lan + 1, cham ? ", every sync of the data folder taking 0.2 s" : "");
        LoiNhapXuatGia::tatHet();
        for (size_t i = 0; i < ds.size(); ++i) {
            const Lan& l = ds[i];
            std::printf(
                "    %s %.3f s (%+lld frames after the label's first frame): waiting for the reader %.3f, reading "
                "%.3f (decode %lld ms), to the coordinator %.3f, its start to armed %.3f, armed to first frame "
                "%.3f\n",
                i == 0 ? "first recording" : "later recording", l.tong, (long long)(l.khung), l.choDoc, l.doc,
                (long long)l.mili, l.chuyen, l.batDau, l.ghi);
        }
    }
    for (int cham = 0; cham < 2; ++cham) {
        const auto& ds = tatCa[cham];
        if (ds.empty()) continue;
        double tong = 0, lon = 0, cho = 0, conLai = 0;
        for (const Lan& l : ds) {
            tong += l.tong;
            lon = std::max(lon, l.tong);
            cho += l.choDoc;
            conLai += l.tong - l.choDoc;
        }
        const double n = double(ds.size());
        std::printf(
            "  %s, %zu recordings: label to first recorded frame mean %.3f s, worst %.3f s; of it waiting for the "
            "reader's next read %.3f s, the rest (read, coordinator, next frame) %.3f s\n",
            cham ? "slow disk" : "plain disk", ds.size(), tong / n, lon, cho / n, conLai / n);
    }
    std::printf(
        "  reference: the reader's own interval 0.120 s (at 30 fps every 4th frame: waits of 0 to 0.133 s, "
        "0.067 s on average); a frame interval 0.033 s\n");
}

// The next parcel's label while a recording runs, the way a packer works through a pile: the code stops the
// running recording and starts its own. Measured from the code handed to the coordinator to the first frame the
// next recording's writer takes, and the GUI thread's longest stall from the code until the old recording's
// record is saved; on a 640x360 graph so the figures are the disk's, not the encoder's.
void tiepTheo() {
    std::printf("next parcel's label while recording, 640x360 15 fps, every sync of the data folder delayed:\n");
    constexpr int kSoDon = 3;
    double goc[2] = {0, 0};
    for (const double giay : {0.0, 0.2, 0.5, 1.0}) {
        cum_thu::Cum c;
        std::atomic<int64_t> khungDau{0};
        auto cam = taoCameraTheoDoi([&](BoGhiVideo::KetQuaThem kq) {
            int64_t khong = 0;
            if (kq == BoGhiVideo::KetQuaThem::daNhan) khungDau.compare_exchange_strong(khong, DuongNhan::bayGio());
        });
        CameraEngine* e = cam.get();
        c.taoDieuPhoi(std::move(cam));
        e->datNhanKhungDocMa(nullptr);
        e->moCamera(QStringLiteral("lavfi:testsrc=size=640x360:rate=15"), QStringLiteral("640x360"));
        if (!choDen([&] { return e->dangChay() && !e->doPhanGiai().isEmpty(); }, 60000)) {
            std::printf("  the graph does not open: %s\n", qPrintable(e->loiCamera()));
            return;
        }
        if (giay > 0)
            LoiNhapXuatGia::chamKhiDongBo(QFileInfo(c.thuMuc.path()).canonicalFilePath().toStdString(),
                                          milliseconds(int64_t(giay * 1000)));
        BoDieuPhoi& dp = *c.dieuPhoi;
        c.caiDat->setGhiSerial(false);  // every label is the next parcel's, never a serial number
        dp.nhapMaTay(QStringLiteral("TIEP-0"));
        choDen([&] { return dp.trangThai() == BoDieuPhoi::TrangThai::dangQuay; }, 30000);
        double tongDau = 0, lonDau = 0;
        qint64 dungLon = 0;
        int n = 0;
        for (int i = 1; i <= kSoDon; ++i) {
            choDen([] { return false; }, 1500);  // past the minimum length
            const auto luuTruoc = dp.banGhiVuaLuu() ? dp.banGhiVuaLuu()->id : QString();
            DoDungGui doDung;
            const int64_t t0 = DuongNhan::bayGio();
            dp.nhapMaTay(QStringLiteral("TIEP-%1").arg(i));
            // What the old writer still takes after the stop began is not the next recording's.
            e->hangDoi().guiDongBo([] {});
            khungDau = 0;
            doDung.ghiNhan();
            const bool coKhung = choDen([&] { return khungDau.load() != 0; }, 30000);
            choDen([&] { return dp.banGhiVuaLuu() && dp.banGhiVuaLuu()->id != luuTruoc; }, 30000);
            choDen([&] { return dp.trangThai() == BoDieuPhoi::TrangThai::dangQuay; }, 30000);
            doDung.dung();
            if (!coKhung) continue;
            const double dau = DuongNhan::giay(t0, khungDau.load());
            tongDau += dau;
            lonDau = std::max(lonDau, dau);
            dungLon = std::max(dungLon, doDung.lonNhat());
            ++n;
        }
        LoiNhapXuatGia::tatHet();
        bool xong = false;
        dp.ketThucQuay([&](std::optional<BanGhiVideo>) { xong = true; });
        choDen([&] { return xong; }, 30000);
        if (n == 0) {
            std::printf("  syncs of %.1f s: no next recording started\n", giay);
            continue;
        }
        if (giay == 0) {
            goc[0] = tongDau / n;
            goc[1] = double(dungLon);
        }
        std::printf("  syncs of %.1f s, %d labels: label to the next recording's first frame mean %.3f s, worst %.3f s "
                    "(without delay %.3f s); GUI thread's longest stall %lld ms (without delay %.0f ms, target < 50)\n",
                    giay, n, tongDau / n, lonDau, goc[0], (long long)dungLon, goc[1]);
    }
}

// The graph demuxed and decoded at its own pace, nothing done with the frames: what producing them costs.
double chiPhiNguon(double giay) {
    avdevice_register_all();
    AVFormatContext* mo = nullptr;
    if (avformat_open_input(&mo, kDoThi.toUtf8().constData(), av_find_input_format("lavfi"), nullptr) < 0) return -1;
    const GiuDauVao giuFmt(mo);
    AVFormatContext* fmt = giuFmt.get();
    avformat_find_stream_info(fmt, nullptr);
    const AVCodec* codec = nullptr;
    const int luong = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    const GiuMaHoa giuDec(avcodec_alloc_context3(codec));
    AVCodecContext* dec = giuDec.get();
    avcodec_parameters_to_context(dec, fmt->streams[luong]->codecpar);
    avcodec_open2(dec, codec, nullptr);
    const GiuGoi giuGoi(av_packet_alloc());
    const GiuKhung giuKhung(av_frame_alloc());
    AVPacket* pkt = giuGoi.get();
    AVFrame* fr = giuKhung.get();
    const double c0 = cpuGiay();
    const auto t0 = steady_clock::now();
    int n = 0;
    while (steady_clock::now() - t0 < duration<double>(giay)) {
        if (av_read_frame(fmt, pkt) < 0) break;
        avcodec_send_packet(dec, pkt);
        av_packet_unref(pkt);
        while (avcodec_receive_frame(dec, fr) == 0) {
            av_frame_unref(fr);
            ++n;
            std::this_thread::sleep_until(t0 + microseconds(int64_t(n) * 1000000 / 30));
        }
    }
    return 100.0 * (cpuGiay() - c0) / duration<double>(steady_clock::now() - t0).count();
}

void chiPhiRanh() {
    constexpr double kGiay = 8.0;
    std::printf("processor time, idle at 1920x1080 30 fps, %% of one core over %.0f s each:\n", kGiay);
    const double nguon = chiPhiNguon(kGiay);
    double chuyenDoi = 0;
    {
        QString loi;
        auto n = NguonKhungFFmpeg::mo(QStringLiteral("lavfi"), kDoThi, {}, true, QStringLiteral("bench"), loi);
        n->batDau([](QImage, QImage, steady_clock::time_point) {});
        chuyenDoi = doCpu(kGiay);
    }
    CameraDo c;
    DocMaVach* doc = c.cam->docMa();
    c.cam->datNhanKhungDocMa(nullptr);
    cho(0.5);
    const double engine = doCpu(kGiay);
    c.cam->datNhanKhungDocMa([doc](const QImage& k) { doc->nhanKhung(k); });
    cho(0.5);
    const double docMa = doCpu(kGiay);
    auto* phat = new PhatKhungXemTruoc(c.cam.get());
    KhungCamera xem;
    xem.resize(960, 540);
    QObject::connect(phat, &PhatKhungXemTruoc::khungMoi, &xem, &KhungCamera::hienKhung);
    QObject::connect(&xem, &KhungCamera::kichThuocXemDoi, phat, &PhatKhungXemTruoc::datKichThuocXem);
    xem.show();
    cho(0.5);
    const double xemTruoc = doCpu(kGiay);
    std::printf("  reference, the source's own (demux and decode only)   %5.1f %%\n", nguon);
    std::printf("  source with its conversion                            %5.1f %%  (conversion %+.1f)\n", chuyenDoi,
                chuyenDoi - nguon);
    std::printf("  engine: + capture queue (caption, hand-offs)          %5.1f %%  (%+.1f)\n", engine,
                engine - chuyenDoi);
    std::printf("  + barcode reader                                      %5.1f %%  (%+.1f)\n", docMa, docMa - engine);
    std::printf("  + preview shown at 960x540                            %5.1f %%  (%+.1f)\n", xemTruoc,
                xemTruoc - docMa);
    std::printf("  idle packing screen above the source's own cost:      %5.1f %%  (target <= 30 %%)\n",
                xemTruoc - nguon);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform says this at every layout of the packing screen; it would bury the figures.
    static QtMessageHandler truoc = nullptr;
    truoc = qInstallMessageHandler([](QtMsgType t, const QMessageLogContext& k, const QString& m) {
        if (!m.contains(QLatin1String("propagateSizeHints")) && truoc) truoc(t, k, m);
    });
    QApplication app(argc, argv);
    QTemporaryDir thuMuc;
    QProcess up;
    up.start(QStringLiteral("uptime"), {});
    up.waitForFinished();
    std::printf("machine load: %s", up.readAllStandardOutput().constData());
    std::printf("camera: lavfi %s\n", qPrintable(kDoThi));
    const QString phan = argc > 1 ? taiTai(argv[1]) : QStringLiteral("all");
    if (phan == QLatin1String("all") || phan == QLatin1String("khoang")) khoangKhung(thuMuc);
    if (phan == QLatin1String("all") || phan == QLatin1String("dongbo")) dongBoCham(thuMuc);
    if (phan == QLatin1String("all") || phan == QLatin1String("batdau")) batDauGhi(thuMuc);
    if (phan == QLatin1String("all") || phan == QLatin1String("tiep")) tiepTheo();
    if (phan == QLatin1String("all") || phan == QLatin1String("cpu")) chiPhiRanh();
    return 0;
}
