#pragma once

#include <memory>

class BoDieuPhoi;
class CaiDat;
class CameraEngine;
class DongHo;
class HenGio;
class KhoDuLieu;
class TiengBao;

// Builds the coordinator with the relay that carries its engine's raw frames to the previews. With an engine
// and sound player of the caller's choosing, the returned pointer keeps them alive behind the coordinator's
// seams and releases the coordinator first, the engine last.
class CumDieuPhoi {
public:
    // Webcams, the system audio output, the system clock and timer.
    static std::shared_ptr<BoDieuPhoi> tao(KhoDuLieu& kho, CaiDat& caiDat);
    // Another engine and sound player (tests: a camera on handed-in frames, a silent output).
    static std::shared_ptr<BoDieuPhoi> tao(KhoDuLieu& kho, CaiDat& caiDat, std::unique_ptr<CameraEngine> camera,
                                           std::unique_ptr<TiengBao> tieng, DongHo* dongHo = nullptr,
                                           HenGio* henGio = nullptr);
};
