// How long the desk's GUI thread is held while the sync engine takes in the largest batch one fetch may bring,
// into a store already holding a shop's months of orders. The GUI thread's stalls are the longest gaps
// between ticks of a 1 ms timer on it, over the whole run from the fetch to the run's end. Beside each, in the
// same run: the same batch indexed in one go on the GUI thread, and the longest gap of the same timer left
// idle for as long as the run took (on a shared or virtual machine, the GUI thread is sometimes held by
// nothing the program does).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <type_traits>

#include "DonThuong.h"
#include "core/CaiDat.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "sources/BoDongBo.h"
#include "sources/HaravanClient.h"
#include "sources/KiotVietClient.h"
#include "gia/sources/NguonDonKichBan.h"
#include "sources/NhanhClient.h"
#include "sources/PancakeClient.h"
#include "sources/SapoClient.h"
#include "nentang/BangNenTang.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"

namespace {

// The most orders one fetch of any client may bring: its pages times its page size.
constexpr int kLoLonNhat =
    std::max({HaravanClient::kTranTrang * HaravanClient::kCoTrang,
              KiotVietClient::kTranYeuCau* KiotVietClient::kCoTrang, NhanhClient::kTranTrang* NhanhClient::kCoTrang,
              PancakeClient::kTranTrangLoc* PancakeClient::kCoTrang, SapoClient::kTranTrang* SapoClient::kCoTrang});
constexpr int kDonTrongKho = 100'000;

DonHang donThuong(const QString& id, int i) {
    return ::donThuong(id, i, QStringLiteral("GHN") + id);
}

// What a reply of bare ids maps to: nothing but the id and the mapping's times.
DonHang donNho(int i) {
    DonHang d;
    d.id = QString::number(i);
    d.createdAt = QStringLiteral("2026-12-10T09:00:00Z");
    d.updatedAt = d.createdAt;
    d.syncedAt = d.createdAt;
    return d;
}

// One order filling a reply at the cap with tracking numbers.
DonHang donNhieuMa(int lo) {
    DonHang d = donThuong(QStringLiteral("nhieu-ma-%1").arg(lo), lo);
    constexpr int kSoMa = 16 * 1024 * 1024 / 40;
    d.trackings.reserve(kSoMa);
    for (int i = 0; i < kSoMa; ++i) d.trackings.append(MaVanDon{QStringLiteral("M%1-%2").arg(lo).arg(i), std::nullopt});
    return d;
}

struct DoGiu {
    QElapsedTimer dongHo;
    qint64 truoc = 0;
    qint64 lauNhat = 0;
    QTimer nhip;
    DoGiu() {
        nhip.setInterval(1);
        nhip.setTimerType(Qt::PreciseTimer);
        QObject::connect(&nhip, &QTimer::timeout, [this] {
            const qint64 bayGio = dongHo.nsecsElapsed();
            lauNhat = std::max(lauNhat, bayGio - truoc);
            truoc = bayGio;
        });
        dongHo.start();
        nhip.start();
    }
    // A few more ticks, so a hold at the very end is seen too.
    double xong() {
        QElapsedTimer duoi;
        duoi.start();
        while (duoi.elapsed() < 30) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        nhip.stop();
        return lauNhat / 1e6;
    }
};

struct Kho {
    QTemporaryDir tam;
    DongHoGia dongHo;
    std::unique_ptr<KhoDuLieu> kho;
    std::unique_ptr<CaiDat> caiDat;
    // oDiemLon: topped up until the batch's new orders make the map of orders by id outgrow its table.
    explicit Kho(bool oDiemLon) {
        dongHo.datGiayThuc(1'765'357'200);
        const QString goc = tam.path() + QStringLiteral("/goc");
        {
            KhoDuLieu ghi(goc, &dongHo);
            ghi.napTatCa(8);
            QList<DonHang> ds;
            for (int i = 0; i < kDonTrongKho; ++i) ds << donThuong(QStringLiteral("cu-%1").arg(i), i);
            ghi.moKho();
            ghi.ghiLoDon(ds);
        }
        kho = std::make_unique<KhoDuLieu>(goc, &dongHo);
        kho->napTatCa(8);
        // Every piece of the id table brought to within its share of half a batch of growing.
        const auto& bang = kho->donTheoId().cacDong();
        using Bang = std::decay_t<decltype(bang)>;
        const qsizetype bien = kLoLonNhat / 2 / Bang::kSoManh;
        const auto conCho = [&] {
            for (int m = 0; m < Bang::kSoManh; ++m)
                if (bang.choConLai(m) > bien) return true;
            return false;
        };
        for (int i = 0; oDiemLon && conCho(); ++i) {
            const QString id = QStringLiteral("them-%1").arg(i);
            if (bang.choConLai(Bang::manhCua(id)) > bien) kho->capNhatDon(donThuong(id, i));
        }
        auto khoKhoa = std::make_shared<KhoKhoaBoNho>();
        khoKhoa->muc.insert(dichVuKhoaNguon(QStringLiteral("haravan"), QStringLiteral("token")), QStringLiteral("t"));
        caiDat = std::make_unique<CaiDat>(tam.path() + QStringLiteral("/korvane.ini"), khoKhoa);
    }
};

void doMotLo(const char* ten, const std::function<QList<DonHang>()>& taoLo, bool oDiemLon = false) {
    double giuDongBo = 0, giuMotLan = 0, giuNhanRoi = 0, giayTong = 0;
    qsizetype soDon = 0;
    QString trangThai;
    {
        Kho k(oDiemLon);
        const qsizetype soTruoc = k.kho->donTheoId().size();
        BoDongBo::CauHinh ch;
        ch.dongHo = &k.dongHo;
        ch.taoNguon = [&](const QString&, const DocKhoa&, const MoiTruongNguon&) {
            auto n = std::make_unique<NguonDonKichBan>();
            n->khiLayDon = [&](const QString&, const NhanTienDo&) { return taoLo(); };
            return n;
        };
        BoDongBo dongBo(*k.kho, *k.caiDat, ch);
        DoGiu giu;
        QElapsedTimer tong;
        tong.start();
        bool xong = false;
        dongBo.dongBo(false, [&] { xong = true; });
        while (!xong) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        giuDongBo = giu.xong();
        giayTong = tong.nsecsElapsed() / 1e9;
        soDon = k.kho->donTheoId().size() - soTruoc;
        trangThai = dongBo.trangThai();
        // The machine's own noise: the same timer with nothing to do, for as long as the run took.
        DoGiu nhanRoi;
        QElapsedTimer cho;
        cho.start();
        while (cho.elapsed() < std::min(qint64(giayTong * 1000), qint64(10'000)))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        giuNhanRoi = nhanRoi.xong();
    }
    {
        // Reference: the same batch indexed in one go, where the GUI thread holds it whole.
        Kho k(oDiemLon);
        const QList<DonHang> lo = taoLo();
        QElapsedTimer motLan;
        motLan.start();
        for (const DonHang& d : lo) k.kho->capNhatDon(d);
        giuMotLan = motLan.nsecsElapsed() / 1e6;
    }
    std::printf("%-44s %8.1f ms longest stall | reference: indexed in one go %8.1f ms, idle timer %5.1f ms\n", ten,
                giuDongBo, giuMotLan, giuNhanRoi);
    std::printf("    (%lld new orders indexed, whole run %.2f s, %s)\n", static_cast<long long>(soDon), giayTong,
                qUtf8Printable(trangThai));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::printf("store holding %d orders; the largest batch a fetch may bring: %d orders\n", kDonTrongKho, kLoLonNhat);
    const QByteArray chon = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    const auto loThuong = [] {
        QList<DonHang> ds;
        for (int i = 0; i < kLoLonNhat; ++i) ds << donThuong(QStringLiteral("moi-%1").arg(i), i);
        return ds;
    };
    if (chon.isEmpty() || chon == "thuong") doMotLo("largest batch of ordinary orders", loThuong);
    if (chon.isEmpty() || chon == "diemlon") doMotLo("largest batch, store where its id table grows", loThuong, true);
    if (chon.isEmpty() || chon == "nhieuma")
        doMotLo("orders each filling a reply with codes", [] {
            QList<DonHang> ds;
            for (int lo = 0; lo < 3; ++lo) ds << donNhieuMa(lo);
            return ds;
        });
    if (chon.isEmpty() || chon == "trieu")
        doMotLo("a million tiny orders (past the bound)", [] {
            QList<DonHang> ds;
            ds.reserve(1'000'000);
            for (int i = 0; i < 1'000'000; ++i) ds << donNho(i);
            return ds;
        });
    std::printf("target: longest stall under 50 ms\n");
    return 0;
}
