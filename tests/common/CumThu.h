#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "common/ChoDen.h"
#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "core/CumDieuPhoi.h"
#include "gia/core/DauRaAmThanhGia.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "core/TiengBao.h"
#include "core/TrangThaiApp.h"
#include "store/KhoDuLieu.h"

// A real coordinator on a temporary data folder and settings file, whose camera engine reads a libavfilter
// test pattern through the same capture and writer code as a webcam, and whose tones go nowhere.
namespace cum_thu {

using ::choDen;

inline void chay(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct Cum {
    QTemporaryDir thuMuc;
    std::unique_ptr<CaiDat> caiDat;
    std::shared_ptr<KhoDuLieu> kho;
    std::shared_ptr<CumDieuPhoi> cumDieuPhoi;
    BoDieuPhoi* dieuPhoi = nullptr;  // the cluster's, once taoDieuPhoi has run
    TrangThaiApp trangThai;
    CameraEngine* engine = nullptr;  // the coordinator's, once taoDieuPhoi has run
    TiengBao* tieng = nullptr;

    Cum() {
        caiDat =
            std::make_unique<CaiDat>(thuMuc.filePath(QStringLiteral("caidat.ini")), std::make_shared<KhoKhoaBoNho>());
        caiDat->setThuMucGoc(thuMuc.filePath(QStringLiteral("goc")));
        caiDat->setTenShop(QStringLiteral("Shop Thử"));
        caiDat->setGiayToiThieu(1);
        caiDat->setDaCaiDatLanDau(true);
        kho = std::make_shared<KhoDuLieu>(caiDat->thuMucGoc());
        kho->moKho();
        kho->napTatCa(8);
    }
    ~Cum() {
        dieuPhoi = nullptr;
        cumDieuPhoi.reset();
        kho.reset();
    }

    // On the engine given, or on one of its own.
    BoDieuPhoi& taoDieuPhoi(std::unique_ptr<CameraEngine> cam = std::make_unique<CameraEngine>()) {
        auto tb = std::make_unique<TiengBao>(std::make_unique<DauRaAmThanhGia>());
        engine = cam.get();
        tieng = tb.get();
        cumDieuPhoi = std::make_shared<CumDieuPhoi>(*kho, *caiDat, std::move(cam), std::move(tb));
        dieuPhoi = &cumDieuPhoi->dieuPhoi();
        return *dieuPhoi;
    }
    CameraEngine& camera() const { return *engine; }

    // Opens the test pattern and waits until frames flow.
    bool moCamera(const QString& doPhanGiai = QStringLiteral("640x360")) {
        camera().moCamera(QStringLiteral("lavfi:testsrc=size=%1:rate=15").arg(doPhanGiai), doPhanGiai);
        return choDen([this] { return camera().dangChay() && !camera().doPhanGiai().isEmpty(); });
    }
    bool choDangGhi(bool v) {
        return choDen([this, v] { return camera().dangGhi() == v; });
    }
    bool choNghi() {
        return choDen([this] { return dieuPhoi->trangThai() == BoDieuPhoi::TrangThai::nghi && !camera().dangGhi(); });
    }
};

}  // namespace cum_thu
