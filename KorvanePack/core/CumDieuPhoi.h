#pragma once

#include <memory>

class BoDieuPhoi;
class CaiDat;
class CameraEngine;
class DongHo;
class HenGio;
class KhoDuLieu;
class TiengBao;

// Builds the coordinator around the camera engine and sound player it is given, with the relay that carries
// the engine's raw frames to the previews, and starts both from the settings (caption, bitrate, sound switch
// and volume). The returned pointer keeps them alive behind the coordinator's seams and releases the
// coordinator first, the engine last.
class CumDieuPhoi {
public:
    // No clock or timer given means the system ones.
    static std::shared_ptr<BoDieuPhoi> tao(KhoDuLieu& kho, CaiDat& caiDat, std::unique_ptr<CameraEngine> camera,
                                           std::unique_ptr<TiengBao> tieng, DongHo* dongHo = nullptr,
                                           HenGio* henGio = nullptr);
};
