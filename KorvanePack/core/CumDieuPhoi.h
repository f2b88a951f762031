#pragma once

#include <memory>

#include "core/BoDieuPhoi.h"

class CaiDat;
class CameraEngine;
class DongHo;
class HenGio;
class KhoDuLieu;
class TiengBao;
class TiengBaoQuaCong;

// The recording coordinator together with the camera and the sound player it works with. What it owns it
// releases in one order, the coordinator first, the sound player next, the camera engine last, so nothing the
// coordinator holds goes before it.
class CumDieuPhoi {
public:
    // The program's: the coordinator around the camera engine and sound player it is given, with the relay that
    // carries the engine's raw frames to the previews, both started from the settings (caption, bitrate, sound
    // switch and volume). No clock or timer given means the system ones.
    CumDieuPhoi(KhoDuLieu& kho, CaiDat& caiDat, std::unique_ptr<CameraEngine> camera, std::unique_ptr<TiengBao> tieng,
                DongHo* dongHo = nullptr, HenGio* henGio = nullptr);
    // A coordinator over edges that its caller owns and keeps alive longer than this.
    CumDieuPhoi(KhoDuLieu& kho, CaiDat& caiDat, BoDieuPhoi::PhuThuoc phuThuoc);
    ~CumDieuPhoi();
    CumDieuPhoi(const CumDieuPhoi&) = delete;
    CumDieuPhoi& operator=(const CumDieuPhoi&) = delete;

    BoDieuPhoi& dieuPhoi() const { return *dieuPhoi_; }
    // The camera the coordinator records from, the one the screens show and open.
    CongCamera& camera() const { return *camera_; }

private:
    // Released in the reverse of this order: the coordinator first, the engine last.
    std::unique_ptr<CameraEngine> engine_;
    std::unique_ptr<TiengBao> tieng_;
    std::unique_ptr<TiengBaoQuaCong> congTieng_;
    CongCamera* camera_ = nullptr;
    std::unique_ptr<BoDieuPhoi> dieuPhoi_;
};
