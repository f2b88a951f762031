// The backup copy (read, fsync, rename; SHA-256 on the fly when it replaces a copy) against `cp` of the same file,
// and the dossier's six key frames against ffmpeg decoding the same six frames, all measured in this run.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

#include "evidence/HoSoBangChung.h"
#include "evidence/NguonKhungHinhVideo.h"
#include "evidence/SaoLuu.h"
#include "store/TienIch.h"

namespace {

double giay(QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e9;
}

bool chay(const QString& lenh, const QStringList& ts) {
    QProcess p;
    p.start(lenh, ts);
    return p.waitForFinished(-1) && p.exitCode() == 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp(QStringLiteral("/var/tmp/korvane-bench-XXXXXX"));
    const qint64 mb = argc > 1 ? QByteArray(argv[1]).toLongLong() : 512;

    const QString nguon = tmp.filePath("nguon.mp4");
    {
        QFile f(nguon);
        f.open(QIODevice::WriteOnly);
        QByteArray khoi(1 << 20, Qt::Uninitialized);
        for (qint64 i = 0; i < mb; ++i) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(khoi.data()), khoi.size() / 4);
            f.write(khoi);
        }
    }
    QElapsedTimer t;
    t.start();
    chay("cp", {"--reflink=never", nguon, tmp.filePath("cp.mp4")});
    chay("sync", {tmp.filePath("cp.mp4")});
    const double cp = giay(t);
    t.restart();
    const bool ok = SaoLuu::chepNeuCan(nguon, tmp.filePath("sao/nguon.mp4"), QString());
    const double sao = giay(t);
    std::printf(
        "backup copy of %lld MiB: chepNeuCan %.2f s (%.0f MiB/s, ok=%d) | cp + sync %.2f s (%.0f MiB/s) | "
        "ratio %.2f\n",
        mb, sao, mb / sao, ok, cp, mb / cp, sao / cp);

    // Replacing a stale copy of another size: the source is fingerprinted while it is copied.
    const auto vanTay = sha256CuaTep(nguon);
    {
        QFile cu(tmp.filePath("sao/thay.mp4"));
        cu.open(QIODevice::WriteOnly);
        cu.write("cu");
    }
    t.restart();
    const bool okThay = vanTay && SaoLuu::chepNeuCan(nguon, tmp.filePath("sao/thay.mp4"), vanTay->sha256);
    const double thay = giay(t);
    std::printf("replacing a stale copy (SHA-256 checked): %.2f s (%.0f MiB/s, ok=%d) | ratio to cp + sync %.2f\n",
                thay, mb / thay, okThay, thay / cp);

    const QString video = tmp.filePath("v.mp4");
    if (!chay("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=1920x1080:rate=30", "-t", "60", "-c:v",
                         "libx264", "-preset", "veryfast", "-g", "30", "-pix_fmt", "yuv420p", video})) {
        std::printf("ffmpeg missing: key-frame figure skipped\n");
        return 0;
    }
    t.restart();
    NguonKhungHinhVideo nv;
    const auto khung = HoSoBangChung::trichKhungHinh(video, nv);
    const double ta = giay(t);
    t.restart();
    for (double moc : HoSoBangChung::cacMoc)
        chay("ffmpeg", {"-v", "error", "-y", "-ss", QString::number(60 * moc), "-i", video, "-frames:v", "1", "-vf",
                        "scale=720:-2", "-q:v", "4", tmp.filePath("f.jpg")});
    const double ff = giay(t);
    std::printf("six key frames of a 60 s 1080p file: ours %.2f s (%zu frames) | ffmpeg CLI %.2f s | ratio %.2f\n", ta,
                khung.size(), ff, ta / ff);
    return 0;
}
