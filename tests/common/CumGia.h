#pragma once

#include <QCoreApplication>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "gia/core/CameraGia.h"
#include "core/CongTiengBao.h"
#include "core/CumDieuPhoi.h"
#include "gia/core/HenGioTay.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"

// A real coordinator and store on a temporary folder over fakes: one scriptable camera that the coordinator
// records from and the screens show, cues that go nowhere, and a clock and timer that move only when the test steps
// them. For screens whose camera side is what they show, not the real capture pipeline.
namespace cum_gia {

struct TiengIm final : CongTiengBao {
    void phat(LoaiTieng) override {}
};

struct Cum {
    QTemporaryDir thuMuc;
    std::unique_ptr<CaiDat> caiDat;
    std::shared_ptr<KhoDuLieu> kho;
    DongHoGia dongHo;
    HenGioTay henGio{&dongHo};
    CameraGia camera;
    TiengIm tieng;
    std::shared_ptr<CumDieuPhoi> cumDieuPhoi;
    BoDieuPhoi* dieuPhoi = nullptr;

    Cum() {
        caiDat =
            std::make_unique<CaiDat>(thuMuc.filePath(QStringLiteral("caidat.ini")), std::make_shared<KhoKhoaBoNho>());
        caiDat->setThuMucGoc(thuMuc.filePath(QStringLiteral("goc")));
        caiDat->setTenShop(QStringLiteral("Shop Thử"));
        caiDat->setDaCaiDatLanDau(true);
        kho = std::make_shared<KhoDuLieu>(caiDat->thuMucGoc());
        kho->moKho();
        kho->napTatCa(8);
        BoDieuPhoi::PhuThuoc pt{&camera, &tieng, &dongHo, &henGio, [](std::function<void()> f) { f(); }};
        cumDieuPhoi = std::make_shared<CumDieuPhoi>(*kho, *caiDat, pt);
        dieuPhoi = &cumDieuPhoi->dieuPhoi();
    }
    // The coordinator goes before the fakes it holds, the store last.
    ~Cum() {
        dieuPhoi = nullptr;
        cumDieuPhoi.reset();
        kho.reset();
    }

    // Runs what the screens and the coordinator have queued on the GUI thread.
    static void xuLySuKien() {
        for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
    }
};

}  // namespace cum_gia
