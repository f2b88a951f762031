#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "core/BoDieuPhoi.h"
#include "gia/core/BoGhiVideoGia.h"
#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "core/CumDieuPhoi.h"
#include "gia/core/DauRaAmThanhGia.h"
#include "core/DocMaVach.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "gia/core/NenTangCameraGia.h"
#include "core/TiengBao.h"
#include "store/DongHo.h"
#include "store/KhoDuLieu.h"

// A real coordinator and camera engine (with its real barcode reader) over a temporary data folder, an
// in-memory keychain and a camera whose frames the test hands in, so the owner's screens can be driven with
// generated labels instead of a webcam.
namespace cum_man_hinh {

inline bool choDen(const std::function<bool()>& dk, int ms = 8000) {
    QElapsedTimer t;
    t.start();
    while (!dk()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

inline void chay(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct Cum {
    QTemporaryDir thuMuc;
    std::shared_ptr<KhoKhoaBoNho> khoKhoa = std::make_shared<KhoKhoaBoNho>();
    std::unique_ptr<CaiDat> caiDat;
    std::shared_ptr<KhoDuLieu> kho;
    std::shared_ptr<NenTangCameraGia> nenTang = std::make_shared<NenTangCameraGia>();
    std::shared_ptr<CumDieuPhoi> cumDieuPhoi;
    BoDieuPhoi* dieuPhoi = nullptr;
    CameraEngine* camera = nullptr;

    Cum() {
        caiDat = std::make_unique<CaiDat>(thuMuc.filePath(QStringLiteral("caidat.ini")), khoKhoa);
        caiDat->setThuMucGoc(thuMuc.filePath(QStringLiteral("goc")));
        kho = std::make_shared<KhoDuLieu>(caiDat->thuMucGoc());
        kho->moKho();
        kho->napTatCa(8);
        nenTang->datThietBi({thietBi(QStringLiteral("usb-mot"), QStringLiteral("Webcam Một")),
                             thietBi(QStringLiteral("usb-hai"), QStringLiteral("Webcam Hai"))});
        auto cam = std::make_unique<CameraEngine>(
            nenTang, BoGhiVideoGia::taoVoi(std::make_shared<BoGhiVideoGia::DieuKhien>()), DongHo::heThong());
        camera = cam.get();
        cumDieuPhoi = std::make_shared<CumDieuPhoi>(*kho, *caiDat, std::move(cam),
                                                    std::make_unique<TiengBao>(std::make_unique<DauRaAmThanhGia>()));
        dieuPhoi = &cumDieuPhoi->dieuPhoi();
    }
    ~Cum() {
        cumDieuPhoi.reset();
        kho.reset();
    }

    static ThietBiCamera thietBi(const QString& id, const QString& ten) {
        ThietBiCamera tb;
        tb.id = id;
        tb.ten = ten;
        tb.duongDan = QStringLiteral("/dev/gia-") + id;
        tb.dinhDang = {DinhDangCamera{QStringLiteral("MJPG"), 1280, 720}};
        return tb;
    }

    bool moCamera() {
        camera->moCamera(std::nullopt, QStringLiteral("1280x720"));
        return choDen([this] { return camera->dangChay(); });
    }

    // Holds the frame in front of the camera at about 30 frames a second, then lets the last read land.
    void chiaVao(const QImage& khung, std::chrono::milliseconds thoiGian) {
        const auto het = std::chrono::steady_clock::now() + thoiGian;
        while (std::chrono::steady_clock::now() < het) {
            nenTang->guiKhung(khung, std::chrono::steady_clock::now());
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(33));
        }
        choXongDoc();
    }
    // One frame: exactly one read when the reader is idle and its interval has passed.
    void motKhung(const QImage& khung) {
        choDen([this] { return !camera->docMa()->dangBan(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        nenTang->guiKhung(khung, std::chrono::steady_clock::now());
        choXongDoc();
    }
    void choXongDoc() {
        // The frame reaches the reader through the capture queue, so the read may not have begun yet.
        choDen([this] { return camera->docMa()->dangBan(); }, 300);
        choDen([this] { return !camera->docMa()->dangBan(); });
        // Delivery and the screen's fold are two queued hops on the GUI thread.
        chay(60);
    }
};

}  // namespace cum_man_hinh
