#pragma once

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "core/CumDieuPhoi.h"
#include "gia/core/CameraGia.h"
#include "gia/core/HenGioTay.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "core/KhoiDong.h"
#include "gia/core/TiengBaoGhiLai.h"
#include "core/TrangThaiApp.h"
#include "sources/BangMayChu.h"
#include "sources/BoDongBo.h"
#include "shell/KhungChinh.h"
#include "store/DongHo.h"

// The real start-up sequence with the camera refused and its edges faked, and a sync engine that talks to a
// fake platform at `goc`: the whole road from start-up sync to a typed code, without a webcam or a network.
// The sync engine, once built, is left in `dongBo`.
inline KhoiDong::DichVu dichVuKhoiDongThu(CameraGia& camera, TiengBaoGhiLai& tieng, HenGioTay& henGio,
                                          const QString& goc, BoDongBo*& dongBo) {
    KhoiDong::DichVu dv;
    dv.docQuyenCamera = [] { return TrangThaiApp::QuyenCamera::biTuChoi; };
    dv.in = [](const QString&) {};
    dv.taoDieuPhoi = [&camera, &tieng, &henGio](KhoDuLieu& kho, CaiDat& cd) {
        BoDieuPhoi::PhuThuoc pt{&camera, &tieng, &DongHo::heThong(), &henGio, [](std::function<void()> f) { f(); }};
        return std::make_shared<CumDieuPhoi>(kho, cd, pt);
    };
    dv.taoDongBo = [&henGio, goc, &dongBo](KhoDuLieu& kho, CaiDat& cd) -> std::shared_ptr<CongDongBo> {
        BoDongBo::CauHinh cauHinh;
        cauHinh.henGio = &henGio;
        cauHinh.mayChu = BangMayChu::tatCaVe(goc);
        cauHinh.thoiGianCho = std::chrono::seconds(5);
        auto db = std::make_shared<BoDongBo>(kho, cd, cauHinh);
        dongBo = db.get();
        return db;
    };
    return dv;
}

// The application on those edges, with its window, in a folder of its own: the test puts the platform's
// credentials into khoKhoa and chooses the platform in caiDat, then starts it against the fake at goc. The
// camera is open before anything is built, as at a desk whose webcam is plugged in.
struct UngDungThu {
    QTemporaryDir tam;
    // Declared before the application state, which holds services that use them until it goes.
    CameraGia camera;
    TiengBaoGhiLai tieng;
    HenGioTay henGio;
    std::shared_ptr<KhoKhoaBoNho> khoKhoa = std::make_shared<KhoKhoaBoNho>();
    CaiDat caiDat{tam.filePath(QStringLiteral("korvane.ini")), khoKhoa};
    TrangThaiApp trangThai;
    BoDongBo* dongBo = nullptr;
    // Built by chay, once the settings are as the test wants them.
    std::unique_ptr<KhungChinh> khung;
    std::unique_ptr<KhoiDong> khoiDong;

    UngDungThu() {
        camera.daMoXong();
        caiDat.setThuMucGoc(tam.filePath(QStringLiteral("goc")));
    }
    void chay(const QString& goc) {
        khung = std::make_unique<KhungChinh>(caiDat, trangThai);
        khoiDong = std::make_unique<KhoiDong>(trangThai, caiDat, dichVuKhoiDongThu(camera, tieng, henGio, goc, dongBo));
        khoiDong->chay();
    }
};
