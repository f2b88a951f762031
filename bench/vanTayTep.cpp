// sha256CuaTep on a 1 GiB file beside `openssl dgst -sha256` on the same file in the same run.
// Target: at least 0.9 of openssl's speed. Both run on a warm page cache, best of three.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <vector>

#include "store/TienIch.h"

namespace {

double giay(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir tam;
    const QString tep = tam.filePath(QStringLiteral("video.bin"));
    constexpr qint64 kichThuoc = qint64(1) << 30;
    {
        QFile f(tep);
        f.open(QIODevice::WriteOnly);
        std::vector<char> khoi(1 << 20);
        for (size_t i = 0; i < khoi.size(); ++i) khoi[i] = char(i * 2654435761u >> 13);
        for (qint64 da = 0; da < kichThuoc; da += qint64(khoi.size())) {
            khoi[0] = char(da >> 20);
            f.write(khoi.data(), qint64(khoi.size()));
        }
    }
    double totNhatOpenssl = 1e9, totNhatCuaTa = 1e9;
    QString bamOpenssl, bamCuaTa;
    for (int lan = 0; lan < 3; ++lan) {
        auto t0 = std::chrono::steady_clock::now();
        QProcess p;
        p.start(QStringLiteral("openssl"),
                {QStringLiteral("dgst"), QStringLiteral("-sha256"), QStringLiteral("-r"), tep});
        p.waitForFinished(-1);
        totNhatOpenssl = std::min(totNhatOpenssl, giay(t0));
        bamOpenssl = QString::fromLatin1(p.readAllStandardOutput().left(64));

        t0 = std::chrono::steady_clock::now();
        const auto v = sha256CuaTep(tep);
        totNhatCuaTa = std::min(totNhatCuaTa, giay(t0));
        bamCuaTa = v ? v->sha256 : QString();
    }
    const double gb = kichThuoc / 1e9;
    std::printf("openssl dgst -sha256, 1 GiB, best of 3: %6.3f s (%.2f GB/s)\n", totNhatOpenssl, gb / totNhatOpenssl);
    std::printf("sha256CuaTep,         1 GiB, best of 3: %6.3f s (%.2f GB/s)\n", totNhatCuaTa, gb / totNhatCuaTa);
    std::printf("speed relative to openssl: %.2f (target >= 0.9); digests %s\n", totNhatOpenssl / totNhatCuaTa,
                bamOpenssl == bamCuaTa ? "agree" : "DIFFER");
    return 0;
}
