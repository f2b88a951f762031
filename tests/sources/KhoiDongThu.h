#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "core/BoDieuPhoi.h"
#include "core/CumDieuPhoi.h"
#include "gia/core/CameraGia.h"
#include "gia/core/HenGioTay.h"
#include "core/KhoiDong.h"
#include "gia/core/TiengBaoGhiLai.h"
#include "core/TrangThaiApp.h"
#include "sources/BangMayChu.h"
#include "sources/BoDongBo.h"
#include "store/DongHo.h"

// The real start-up sequence with the camera refused and its edges faked, and a sync engine that talks to a
// fake platform at `goc`: the whole road from start-up sync to a typed code, without a webcam or a network.
// The sync engine, once built, is left in `dongBo`.
inline KhoiDong::DichVu dichVuKhoiDongThu(CameraGia& camera, TiengBaoGhiLai& tieng, HenGioTay& henGio,
                                          const QString& goc, BoDongBo*& dongBo) {
    KhoiDong::DichVu dv;
    dv.docQuyenCamera = [] { return TrangThaiApp::biTuChoi; };
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
