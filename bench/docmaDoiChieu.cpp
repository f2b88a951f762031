// How many labels the barcode reader's detector reads, beside ZBar's own command line (zbarimg) and zxing-cpp's own
// reader (ZXingReader) on the very same frames. Labels come from bwip-js (bench/nhanBwip.js), a generator none of
// the three shares code with, and are shown as a desk webcam shows them: upright and centred, turned, tilted,
// blurred, in low light, under glare, through JPEG, grainy (and all but the clean ones with a webcam's faint grain),
// with a smaller second code beside them, far away, all of a webcam's faults at once, and held close; half the frames
// 1920x1080, half 1280x720.
//
//   NODE_PATH=<folder with bwip-js>/node_modules node bench/nhanBwip.js <label folder>
//   bench_docmaDoiChieu <label folder> [frames per condition, default 6]
//
// Without the label folder the bench says so and falls back to zxing's writer, which makes the comparison with
// ZXingReader less fair (one library's writer and reader). Each reference runs in its own process per frame:
// ZXingReader aborts on many linear codes (an assertion left on in Debian's zxing-cpp 1.4). A read counts when the
// label's payload comes back; a wrong read is any payload that is on neither code in the frame; "chosen" counts
// the frames where the reader's first (largest) code is the label's own, among those with a second code in which
// the label's was read. For looking closer: KORVANE_LOAI=<identifier> runs one symbology, KORVANE_MODULE=<pixels>
// fixes the module size, KORVANE_DIEU_KIEN=<n,n,...> runs only those conditions (counted from 0 in the table's
// order), KORVANE_CHI_TA=1 leaves the references out (the frames are the same from run to run, so their counts
// from a full run still hold), KORVANE_GIU_KHUNG=<folder> keeps the frames there. Every frame whose label a reference read and the
// program did not is listed under the table.
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <random>
#include <set>

#include "common/TemMau.h"
#include "core/BoNhanDienMaHeThong.h"
#include "core/DocMaVach.h"

namespace {

struct Nhan {
    QString dinhDanh;
    QString noiDung;
    QImage anh;     // Format_RGB32, black on white
    double module;  // pixels a module in `anh`
};

// The narrowest dark run along the rows: the module of a label drawn at a whole number of pixels a module.
double doModule(const QImage& anh) {
    int nho = anh.width();
    for (int y = anh.height() / 4; y < anh.height() * 3 / 4; y += 3) {
        int chay = 0;
        for (int x = 0; x < anh.width(); ++x) {
            if (qGray(anh.pixel(x, y)) < 128) {
                ++chay;
            } else {
                if (chay > 0) nho = std::min(nho, chay);
                chay = 0;
            }
        }
    }
    return std::max(1, nho);
}

bool laTuyenTinh(const QString& d) {
    return d != QLatin1String("QR") && d != QLatin1String("PDF417") && d != QLatin1String("DataMatrix");
}

bool napNhanBwip(const QString& thuMuc, std::vector<Nhan>& nhan, std::vector<Nhan>& phu) {
    QFile tep(thuMuc + "/danhSach.tsv");
    if (!tep.open(QIODevice::ReadOnly)) return false;
    QTextStream in(&tep);
    while (!in.atEnd()) {
        const QStringList cot = in.readLine().split('\t');
        if (cot.size() != 3) continue;
        QImage anh(thuMuc + "/" + cot[0]);
        if (anh.isNull()) continue;
        // Transparent padding becomes the label's white paper.
        QImage trang(anh.size(), QImage::Format_RGB32);
        trang.fill(Qt::white);
        QPainter(&trang).drawImage(0, 0, anh);
        Nhan n{cot[1], cot[2], trang, doModule(trang)};
        (cot[0].startsWith("phu-") ? phu : nhan).push_back(std::move(n));
    }
    return !nhan.empty() && !phu.empty();
}

void napNhanZXing(std::vector<Nhan>& nhan, std::vector<Nhan>& phu) {
    for (const auto& m : TemMau::muoiLoai())
        nhan.push_back({m.dinhDanh, QString::fromStdString(m.noiDung), TemMau::taoNhan(m, 4, 160), 4});
    for (const char* p : {"PHU-0417", "SL 2", "KHO A3"})
        phu.push_back({"Code128", p, TemMau::taoNhan(ZXing::BarcodeFormat::Code128, p, 4, 160), 4});
    phu.push_back({"QR", "PHU-QR-1", TemMau::taoNhan(ZXing::BarcodeFormat::QRCode, "PHU-QR-1", 4), 4});
}

const char* kDieuKien[] = {"clean",       "turned", "tilted",      "blurred", "low light",    "glare",
                           "JPEG q20-40", "grain",  "second code", "far",     "webcam (all)", "close"};
constexpr int kSoDieuKien = int(std::size(kDieuKien));

using Sinh = std::mt19937;
double ngauNhien(Sinh& s, double a, double b) {
    return std::uniform_real_distribution<double>(a, b)(s);
}

// Separable Gaussian blur of every channel.
void lamMo(QImage& anh, double sigma) {
    const int r = std::max(1, int(std::ceil(sigma * 3)));
    std::vector<double> nhan(size_t(2 * r + 1));
    double tong = 0;
    for (int i = -r; i <= r; ++i) tong += nhan[size_t(i + r)] = std::exp(-i * i / (2 * sigma * sigma));
    for (auto& v : nhan) v /= tong;
    const int w = anh.width(), h = anh.height();
    std::vector<float> tam(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        const auto* d = reinterpret_cast<const QRgb*>(anh.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            double c[3] = {};
            for (int i = -r; i <= r; ++i) {
                const QRgb p = d[std::clamp(x + i, 0, w - 1)];
                c[0] += nhan[size_t(i + r)] * qRed(p), c[1] += nhan[size_t(i + r)] * qGreen(p),
                    c[2] += nhan[size_t(i + r)] * qBlue(p);
            }
            for (int k = 0; k < 3; ++k) tam[(size_t(y) * w + x) * 3 + k] = float(c[k]);
        }
    }
    for (int y = 0; y < h; ++y) {
        auto* d = reinterpret_cast<QRgb*>(anh.scanLine(y));
        for (int x = 0; x < w; ++x) {
            double c[3] = {};
            for (int i = -r; i <= r; ++i) {
                const size_t j = (size_t(std::clamp(y + i, 0, h - 1)) * w + x) * 3;
                for (int k = 0; k < 3; ++k) c[k] += nhan[size_t(i + r)] * tam[j + k];
            }
            d[x] = qRgb(int(std::lround(c[0])), int(std::lround(c[1])), int(std::lround(c[2])));
        }
    }
}

// Gain (low light), then Gaussian grain of standard deviation `do_`.
void anhSangVaHat(QImage& anh, double gain, double do_, Sinh& s) {
    std::normal_distribution<double> hat(0, std::max(1e-9, do_));
    for (int y = 0; y < anh.height(); ++y) {
        auto* d = reinterpret_cast<QRgb*>(anh.scanLine(y));
        for (int x = 0; x < anh.width(); ++x) {
            const double n = do_ > 0 ? hat(s) : 0;  // grain of a sensor is mostly luma
            auto kenh = [&](int v) {
                return std::clamp(int(std::lround(v * gain + n + (do_ > 0 ? hat(s) * 0.3 : 0))), 0, 255);
            };
            d[x] = qRgb(kenh(qRed(d[x])), kenh(qGreen(d[x])), kenh(qBlue(d[x])));
        }
    }
}

// A bright, washed-out spot, as a desk lamp on glossy label film.
void loaSang(QImage& anh, QPointF tam, double banKinh, double manh) {
    for (int y = 0; y < anh.height(); ++y) {
        auto* d = reinterpret_cast<QRgb*>(anh.scanLine(y));
        for (int x = 0; x < anh.width(); ++x) {
            const double r2 = ((x - tam.x()) * (x - tam.x()) + (y - tam.y()) * (y - tam.y())) / (banKinh * banKinh);
            if (r2 > 9) continue;
            const double a = manh * std::exp(-r2);
            auto kenh = [&](int v) { return std::clamp(int(std::lround(v + (255 - v) * a)), 0, 255); };
            d[x] = qRgb(kenh(qRed(d[x])), kenh(qGreen(d[x])), kenh(qBlue(d[x])));
        }
    }
}

QImage quaJpeg(const QImage& anh, int chatLuong) {
    QByteArray b;
    {
        QBuffer buf(&b);
        buf.open(QIODevice::WriteOnly);
        anh.save(&buf, "JPEG", chatLuong);
    }
    return QImage::fromData(b, "JPEG").convertToFormat(QImage::Format_RGB32);
}

// The label on its paper, drawn with a camera's projection: turned by `goc`, tilted away by `nghieng` degrees
// about a random axis. Returns where its centre landed.
void veNhan(QImage& khung, const QImage& nhan, QPointF tam, double tiLe, double goc, double nghieng, double truc) {
    QTransform t;
    t.translate(tam.x(), tam.y());
    if (nghieng != 0) {
        // Perspective of a card tilted by `nghieng` about an axis at angle `truc`, seen from ~4 label widths.
        const double f = 4.0 * nhan.width() * tiLe;
        const double a = nghieng * M_PI / 180, c = std::cos(truc * M_PI / 180), s = std::sin(truc * M_PI / 180);
        // Projective terms along the direction perpendicular to the axis.
        const double p = std::sin(a) / f;
        QTransform phoi(std::cos(a) * c * c + s * s, (std::cos(a) - 1) * c * s, p * c, (std::cos(a) - 1) * c * s,
                        std::cos(a) * s * s + c * c, p * s, 0, 0, 1);
        t = phoi * t;
    }
    t.rotate(goc);
    t.scale(tiLe, tiLe);
    t.translate(-nhan.width() / 2.0, -nhan.height() / 2.0);
    QPainter p(&khung);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setTransform(t);
    p.drawImage(0, 0, nhan);
}

struct Khung {
    QImage anh;
    QString ma, maPhu;  // the label's payload, and the second code's ("" when there is none)
};

// The paper a label is printed on: the code with a white margin of a fifth of its size around it.
QImage giay(const QImage& ma) {
    const int le = std::max(ma.width(), ma.height()) / 5;
    QImage g(ma.width() + 2 * le, ma.height() + 2 * le, QImage::Format_RGB32);
    g.fill(qRgb(250, 250, 246));
    QPainter(&g).drawImage(le, le, ma);
    return g;
}

Khung taoKhung(const Nhan& n, const std::vector<Nhan>& phu, int dieuKien, int chiSo, uint32_t hatGiong) {
    Sinh s(hatGiong);
    const bool lon = chiSo % 2 == 0;
    const int w = lon ? 1920 : 1280, h = lon ? 1080 : 720;
    QImage khung(w, h, QImage::Format_RGB32);
    const int nen = int(ngauNhien(s, 80, 150));
    khung.fill(qRgb(nen + 12, nen, nen - 20));  // cardboard
    const bool tt = laTuyenTinh(n.dinhDanh);
    // Pixels a module in the frame: a label held a hand's length from a desk webcam.
    double module = tt ? ngauNhien(s, 2.0, 3.2) : ngauNhien(s, 3.2, 6.0);
    // Held close to the camera: 2D modules of a dozen pixels and more, as many desks see a carrier's Data Matrix.
    if (dieuKien == 11) module = tt ? ngauNhien(s, 3.2, 4.5) : ngauNhien(s, 9, 20);
    if (!lon) module *= 0.75;
    // A 2D code beside a linear one is printed larger than it, as on carriers' labels.
    if (dieuKien == 8 && !tt) module = ngauNhien(s, 4.5, 6.5);
    if (!qEnvironmentVariableIsEmpty("KORVANE_MODULE")) module = qEnvironmentVariable("KORVANE_MODULE").toDouble();
    if (dieuKien == 9) module = tt ? ngauNhien(s, 1.4, 1.9) : ngauNhien(s, 2.0, 2.8);
    const double tiLe = module / n.module;
    QImage nhan = giay(n.anh);
    Khung ra{QImage(), n.noiDung, QString()};
    if (dieuKien == 8) {
        // A smaller code printed beside the label's own, on the same paper: a small QR beside a Code 128 label, a
        // short Code 128 beside every other. Its modules are a little narrower than the label's, and a linear one
        // has its bars cut short so that its box is under half the label's.
        const Nhan* chon = &phu.front();
        for (size_t k = 0; k < phu.size(); ++k) {
            const Nhan& c = phu[(size_t(chiSo) + k) % phu.size()];
            if ((n.dinhDanh == QLatin1String("Code128")) == (c.dinhDanh == QLatin1String("QR"))) {
                chon = &c;
                break;
            }
        }
        const double sx = 0.85 * n.module / chon->module;
        double sy = sx;
        if (laTuyenTinh(chon->dinhDanh)) {
            const double dienTich = double(n.anh.width()) * n.anh.height();
            sy = std::min(sx, 0.45 * dienTich / (chon->anh.width() * sx * chon->anh.height()));
            sy = std::max(sy, 12.0 / tiLe / chon->anh.height());
        }
        const QImage phuAnh = chon->anh.scaled(int(chon->anh.width() * sx), int(chon->anh.height() * sy),
                                               Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const int le = std::max(n.anh.width(), n.anh.height()) / 5;
        QImage hai(n.anh.width() + phuAnh.width() + 3 * le, std::max(n.anh.height(), phuAnh.height()) + 2 * le,
                   QImage::Format_RGB32);
        hai.fill(qRgb(250, 250, 246));
        QPainter p2(&hai);
        p2.drawImage(le, le, n.anh);
        p2.drawImage(2 * le + n.anh.width(), le + (n.anh.height() - phuAnh.height()) / 2, phuAnh);
        p2.end();
        nhan = hai;
        ra.maPhu = chon->noiDung;
    }
    QPointF tam(w / 2.0, h / 2.0);
    if (dieuKien != 0) tam += QPointF(ngauNhien(s, -0.15, 0.15) * w, ngauNhien(s, -0.15, 0.15) * h);
    double goc = dieuKien == 0 ? 0 : ngauNhien(s, -6, 6);
    if (dieuKien == 1) goc = ngauNhien(s, 0, 360);
    double nghieng = 0, truc = 0;
    if (dieuKien == 2 || dieuKien == 10) {
        nghieng = dieuKien == 2 ? ngauNhien(s, 25, 45) : ngauNhien(s, 10, 25);
        truc = ngauNhien(s, 0, 360);
    }
    veNhan(khung, nhan, tam, tiLe, goc, nghieng, truc);
    switch (dieuKien) {
        case 3:
            lamMo(khung, ngauNhien(s, 0.8, 1.5));
            break;
        case 4:
            anhSangVaHat(khung, ngauNhien(s, 0.22, 0.38), ngauNhien(s, 3, 6), s);
            break;
        case 5:
            loaSang(khung, tam + QPointF(ngauNhien(s, -40, 40), ngauNhien(s, -30, 30)), ngauNhien(s, 60, 140),
                    ngauNhien(s, 0.5, 0.8));
            break;
        case 6:
            khung = quaJpeg(khung, int(ngauNhien(s, 20, 40)));
            break;
        case 7:
            anhSangVaHat(khung, 1.0, ngauNhien(s, 6, 12), s);
            break;
        case 10:
            lamMo(khung, ngauNhien(s, 0.6, 1.0));
            anhSangVaHat(khung, ngauNhien(s, 0.6, 0.9), ngauNhien(s, 3, 5), s);
            khung = quaJpeg(khung, int(ngauNhien(s, 50, 75)));
            break;
        default:
            break;
    }
    // Every webcam shows some grain, faint in good light; only the clean frames are free of it.
    if (dieuKien != 0 && dieuKien != 4 && dieuKien != 7) anhSangVaHat(khung, 1.0, ngauNhien(s, 2.0, 4.0), s);
    ra.anh = khung;
    return ra;
}

struct KetQua {
    std::vector<QString> ma;  // payloads, the reader's choice first
    bool chay = true;         // false: the process died (ZXingReader's abort)
};

KetQua chayZbarimg(const QString& tep) {
    QProcess p;
    p.start("zbarimg", {"-q", tep});
    p.waitForFinished(60000);
    KetQua k;
    for (const QByteArray& dong : p.readAllStandardOutput().split('\n')) {
        const int hai = dong.indexOf(':');
        if (hai > 0) k.ma.push_back(QString::fromUtf8(dong.mid(hai + 1)).trimmed());
    }
    return k;
}

KetQua chayZXingReader(const QString& tep) {
    QProcess p;
    p.start("ZXingReader", {"-1", tep});
    p.waitForFinished(60000);
    KetQua k;
    k.chay = p.exitStatus() == QProcess::NormalExit;
    for (const QByteArray& dong : p.readAllStandardOutput().split('\n')) {
        const int dau = dong.indexOf('"'), cuoi = dong.lastIndexOf('"');
        if (dau >= 0 && cuoi > dau) k.ma.push_back(QString::fromUtf8(dong.mid(dau + 1, cuoi - dau - 1)).trimmed());
    }
    return k;
}

struct Dem {
    int khung = 0, doc = 0, sai = 0, chon = 0, coPhu = 0, chet = 0;
    void them(const KetQua& k, const Khung& kh) {
        ++khung;
        if (!k.chay) ++chet;
        const bool duoc = std::find(k.ma.begin(), k.ma.end(), kh.ma) != k.ma.end();
        doc += duoc;
        for (const auto& m : k.ma)
            if (m != kh.ma && (kh.maPhu.isEmpty() || m != kh.maPhu)) ++sai;
        if (!kh.maPhu.isEmpty() && duoc) {
            ++coPhu;
            chon += k.ma.front() == kh.ma;
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString thuMuc = argc > 1 ? QString::fromLocal8Bit(argv[1]) : qEnvironmentVariable("KORVANE_NHAN_BWIP");
    const int moiDieuKien = argc > 2 ? std::max(1, atoi(argv[2])) : 6;
    std::vector<Nhan> nhan, phu;
    bool docLap = !thuMuc.isEmpty() && napNhanBwip(thuMuc, nhan, phu);
    if (!docLap) {
        std::printf(
            "independent labels missing (no danhSach.tsv in '%s'); make them with\n"
            "  NODE_PATH=<folder with bwip-js>/node_modules node bench/nhanBwip.js <folder>\n"
            "falling back to zxing's writer: ZXingReader then reads labels from its own library's writer\n\n",
            qPrintable(thuMuc));
        nhan.clear(), phu.clear();
        napNhanZXing(nhan, phu);
    }
    const bool chiTa = !qEnvironmentVariableIsEmpty("KORVANE_CHI_TA");
    const bool coZbarimg = !chiTa && !QStandardPaths::findExecutable("zbarimg").isEmpty();
    const bool coZXingReader = !chiTa && !QStandardPaths::findExecutable("ZXingReader").isEmpty();
    if (!chiTa && (!coZbarimg || !coZXingReader))
        std::printf("reference missing: %s%s(Debian packages zbar-tools, zxing-cpp-tools)\n\n",
                    coZbarimg ? "" : "zbarimg ", coZXingReader ? "" : "ZXingReader ");

    // Labels per symbology, in the reader's order.
    DocMaVach docMa;
    std::map<QString, std::vector<const Nhan*>> theoLoai;
    for (const auto& n : nhan) theoLoai[n.dinhDanh].push_back(&n);
    QTemporaryDir tam;
    BoNhanDienMaHeThong bo;
    std::map<QString, std::array<Dem, 3>> tong;
    std::map<std::pair<int, QString>, std::array<Dem, 3>> theoDieuKien;
    std::vector<double> ms[kSoDieuKien];
    std::vector<QString> saiGhi, boSot;
    std::set<int> chiDieuKien;
    for (const QString& so : qEnvironmentVariable("KORVANE_DIEU_KIEN").split(',', Qt::SkipEmptyParts))
        chiDieuKien.insert(so.toInt());
    int soKhung = 0;
    for (const QString& loai : docMa.loaiMa) {
        const auto& ds = theoLoai[loai];
        if (ds.empty()) continue;
        if (!qEnvironmentVariableIsEmpty("KORVANE_LOAI") && loai != qEnvironmentVariable("KORVANE_LOAI")) continue;
        for (int dk = 0; dk < kSoDieuKien; ++dk) {
            if (!chiDieuKien.empty() && !chiDieuKien.count(dk)) continue;
            for (int i = 0; i < moiDieuKien; ++i) {
                const Nhan& n = *ds[size_t(i) % ds.size()];
                const Khung kh = taoKhung(
                    n, phu, dk, i, uint32_t(1000003u * uint32_t(dk) + 7919u * uint32_t(i) + uint32_t(qHash(loai))));
                ++soKhung;
                // The reader is handed the grey copy the camera path makes of a BGRA frame.
                const QImage xam = *DocMaVach::chupXam(kh.anh);
                QElapsedTimer dh;
                dh.start();
                const auto thay = bo.nhanDien(xam, docMa.loaiMa);
                ms[dk].push_back(dh.nsecsElapsed() / 1e6);
                // Largest box first, as the reader delivers them.
                std::vector<std::pair<double, QString>> theoDienTich;
                for (const auto& t : thay)
                    if (t.ma && !t.ma->trimmed().isEmpty())
                        theoDienTich.emplace_back(t.hop.width() * t.hop.height(), t.ma->trimmed());
                std::stable_sort(theoDienTich.begin(), theoDienTich.end(),
                                 [](const auto& a, const auto& b) { return a.first > b.first; });
                KetQua ta;
                for (const auto& t : theoDienTich) ta.ma.push_back(t.second);
                const QString tep = tam.filePath(QString("%1-%2-%3.png").arg(loai).arg(dk).arg(i));
                kh.anh.save(tep);
                const KetQua z = coZbarimg ? chayZbarimg(tep) : KetQua{{}, false};
                const KetQua x = coZXingReader ? chayZXingReader(tep) : KetQua{{}, false};
                const KetQua* ba[3] = {&ta, &z, &x};
                for (int r = 0; r < 3; ++r) {
                    tong[loai][size_t(r)].them(*ba[r], kh);
                    theoDieuKien[{dk, loai}][size_t(r)].them(*ba[r], kh);
                }
                auto doc = [&](const KetQua& k) { return std::find(k.ma.begin(), k.ma.end(), kh.ma) != k.ma.end(); };
                if (!doc(ta) && (doc(z) || doc(x)))
                    boSot.push_back(QString("%1 %2 #%3 (%4), read by %5%6")
                                        .arg(loai, kDieuKien[dk])
                                        .arg(i)
                                        .arg(QFileInfo(tep).fileName(), doc(z) ? "zbarimg " : "",
                                             doc(x) ? "ZXingReader" : ""));
                for (const auto& m : ta.ma)
                    if (m != kh.ma && m != kh.maPhu)
                        saiGhi.push_back(QString("%1 %2 #%3: read '%4'").arg(loai, kDieuKien[dk]).arg(i).arg(m));
                if (qEnvironmentVariableIsEmpty("KORVANE_GIU_KHUNG"))
                    QFile::remove(tep);
                else
                    QFile::rename(tep, qEnvironmentVariable("KORVANE_GIU_KHUNG") + "/" + QFileInfo(tep).fileName());
            }
        }
    }
    std::printf("%d frames (%s labels), %d per symbology and condition\n\n", soKhung,
                docLap ? "bwip-js" : "zxing writer", moiDieuKien);
    std::printf("reads of the label's own code: program / zbarimg / ZXingReader (ZXingReader deaths in brackets)\n");
    std::printf("%-12s", "");
    for (int dk = 0; dk < kSoDieuKien; ++dk) std::printf(" %-12.12s", kDieuKien[dk]);
    std::printf(" | %-14s %s\n", "total", "wrong  chosen");
    for (const QString& loai : docMa.loaiMa) {
        if (!tong.count(loai)) continue;
        std::printf("%-12s", qPrintable(loai));
        for (int dk = 0; dk < kSoDieuKien; ++dk) {
            const auto& d = theoDieuKien[{dk, loai}];
            std::printf(" %2d/%2d/%2d    ", d[0].doc, d[1].doc, d[2].doc);
        }
        const auto& t = tong[loai];
        const int tot = std::max(t[1].doc, t[2].doc);
        std::printf(" | %3d/%3d/%3d%s (%d) %d/%d/%d  %d of %d%s\n", t[0].doc, t[1].doc, t[2].doc,
                    t[0].doc >= tot ? " " : "<", t[2].chet, t[0].sai, t[1].sai, t[2].sai, t[0].chon, t[0].coPhu,
                    t[0].chon < t[0].coPhu ? " <" : "");
    }
    for (const auto& s : saiGhi) std::printf("  wrong read: %s\n", qPrintable(s));
    for (const auto& s : boSot) std::printf("  missed: %s\n", qPrintable(s));
    std::printf("\nprogram's detector per frame (ms, median / p90 / max):\n");
    std::vector<double> tatCa;
    for (int dk = 0; dk < kSoDieuKien; ++dk) {
        auto v = ms[dk];
        if (v.empty()) continue;
        tatCa.insert(tatCa.end(), v.begin(), v.end());
        std::sort(v.begin(), v.end());
        std::printf("  %-14s %6.1f %6.1f %6.1f\n", kDieuKien[dk], v[v.size() / 2], v[v.size() * 9 / 10], v.back());
    }
    std::sort(tatCa.begin(), tatCa.end());
    if (!tatCa.empty())
        std::printf("  %-14s %6.1f %6.1f %6.1f\n", "all frames", tatCa[tatCa.size() / 2], tatCa[tatCa.size() * 9 / 10],
                    tatCa.back());
    return 0;
}
