// The software card's journal check over a year of a busy desk: a "sync" line every minute and a recording's two
// lines ("rec_start", "rec_finish") 400 times a day, 365 days. Printed: the GUI thread's longest stall from the
// button press until the verdict is shown (target: under 50 ms), beside the check's own duration, and beside
// the same check made on the GUI thread, as the card used to make it, whose stall is that whole duration.
// The journal is written here with the store's own serialisation: writing it through NhatKy::ghi would spend
// hours in fsync.
#include <openssl/sha.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "DoDungGui.h"
#include "admin/MucPhanMem.h"
#include "store/KhoDuLieu.h"
#include "store/TienIch.h"

namespace {

std::string bam(const std::string& s) {
    unsigned char md[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(s.data()), s.size(), md);
    return chuoiHex(QByteArrayView(reinterpret_cast<const char*>(md), SHA256_DIGEST_LENGTH)).toStdString();
}

// Writes the year straight to the file in pieces, so the whole text is never held twice. Returns its lines.
qint64 vietNam(const QString& duongDan) {
    QFile ra(duongDan);
    if (!ra.open(QIODevice::WriteOnly)) return -1;
    std::string truoc = "GENESIS", khoi;
    qint64 soDong = 0;
    const auto them = [&](const std::string& ts, const char* suKien, nlohmann::json chiTiet) {
        nlohmann::json j = {{"ts", ts}, {"event", suKien}, {"detail", std::move(chiTiet)}, {"prev", truoc}};
        truoc = bam(NhatKy::tuanTuHoa(j.dump()));
        j["hash"] = truoc;
        khoi += NhatKy::tuanTuHoa(j.dump());
        khoi += '\n';
        ++soDong;
    };
    constexpr int kQuayMoiNgay = 400;
    const QDateTime dau(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC);
    qint64 soQuay = 0;
    for (int ngay = 0; ngay < 365; ++ngay) {
        for (int phut = 0; phut < 1440; ++phut) {
            const std::string ts = dau.addSecs((qint64(ngay) * 1440 + phut) * 60).toString(Qt::ISODate).toStdString();
            them(ts, "sync", {{"orders", std::to_string(phut % 7)}, {"catBot", "0"}});
            if (phut * kQuayMoiNgay / 1440 != (phut + 1) * kQuayMoiNgay / 1440) {
                const std::string ma = "GHN" + std::to_string(100'000'000 + ++soQuay) + "VN";
                them(ts, "rec_start",
                     {{"code", ma}, {"orderId", std::to_string(5'000'000 + soQuay)}, {"kind", "pack"}});
                them(ts, "rec_finish",
                     {{"code", ma},
                      {"sha256", bam(ma)},
                      {"bytes", std::to_string(40'000'000 + soQuay)},
                      {"kind", "pack"}});
            }
        }
        if (ra.write(khoi.data(), qint64(khoi.size())) != qint64(khoi.size())) return -1;
        khoi.clear();
    }
    return ra.flush() ? soDong : -1;
}

// The longest gap between turns of the GUI thread's event loop until the condition holds.
qint64 dungLauNhat(const std::function<bool()>& xong) {
    DoDungGui doDung;
    while (!xong()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    doDung.ghiNhan();
    return doDung.lonNhat();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir tam;
    KhoDuLieu kho(tam.path());
    if (kho.moKho()) {
        std::fprintf(stderr, "the store could not be opened\n");
        return 1;
    }
    const qint64 soDong = vietNam(kho.nhatKy().duongDan());
    if (soDong < 0) {
        std::fprintf(stderr, "the journal could not be written\n");
        return 1;
    }
    MucPhanMem the(kho);
    the.resize(700, 300);
    the.show();
    QCoreApplication::processEvents();

    for (int lan = 0; lan < 2; ++lan) {
        bool xong = false;
        const QMetaObject::Connection c = QObject::connect(&the, &MucPhanMem::daKiemTraXong, [&] { xong = true; });
        QElapsedTimer dongHo;
        dongHo.start();
        QTimer::singleShot(0, &the, [&] { the.kiemTraNhatKy(); });
        const qint64 dung = dungLauNhat([&] { return xong; });
        const qint64 kiem = dongHo.elapsed();
        QObject::disconnect(c);

        dongHo.restart();
        const NhatKy::KetQuaKiemTra tren = kho.nhatKy().kiemTra();
        const qint64 trenGui = dongHo.elapsed();

        std::printf("run %d: journal of %lld lines, %.0f MB; verdict \"%s\"\n", lan + 1, static_cast<long long>(soDong),
                    QFileInfo(kho.nhatKy().duongDan()).size() / 1e6,
                    the.ketQuaNhatKy().value_or("").toUtf8().constData());
        std::printf("  GUI thread's longest stall, check off the GUI thread: %5lld ms (target < 50 ms)\n",
                    static_cast<long long>(dung));
        std::printf("  the check's own duration, press to verdict shown:    %5lld ms\n", static_cast<long long>(kiem));
        std::printf("  reference, the same check on the GUI thread (stall): %5lld ms (ok %s)\n",
                    static_cast<long long>(trenGui), tren.ok ? "true" : "false");
    }
    return 0;
}
