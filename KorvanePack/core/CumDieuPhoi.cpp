#include "core/CumDieuPhoi.h"

#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "core/CameraEngineCong.h"
#include "core/DauRaAmThanh.h"
#include "core/PhatKhungXemTruoc.h"
#include "core/TiengBao.h"
#include "core/TiengBaoQuaCong.h"

namespace {
struct Cum {
    std::unique_ptr<CameraEngine> camera;
    std::unique_ptr<TiengBao> tieng;
    std::unique_ptr<CameraEngineCong> congCamera;
    std::unique_ptr<TiengBaoQuaCong> congTieng;
    std::unique_ptr<BoDieuPhoi> dieuPhoi;

    ~Cum() {
        dieuPhoi.reset();
        congTieng.reset();
        congCamera.reset();
        tieng.reset();
        camera.reset();
    }
};
}  // namespace

std::shared_ptr<BoDieuPhoi> CumDieuPhoi::tao(KhoDuLieu& kho, CaiDat& caiDat, std::unique_ptr<CameraEngine> camera,
                                             std::unique_ptr<TiengBao> tieng, DongHo* dongHo, HenGio* henGio) {
    auto cum = std::make_shared<Cum>();
    cum->camera = std::move(camera);
    cum->tieng = std::move(tieng);
    // The volume is copied only here; the settings screen switches the sound on and off directly.
    cum->tieng->setBat(caiDat.batTieng());
    cum->tieng->setAmLuong(static_cast<float>(caiDat.amLuong()));
    cum->camera->datBitrateChoSan(caiDat.bitrateKbps());
    new PhatKhungXemTruoc(cum->camera.get());
    cum->congCamera = std::make_unique<CameraEngineCong>(*cum->camera);
    cum->congTieng = std::make_unique<TiengBaoQuaCong>(*cum->tieng);
    BoDieuPhoi::PhuThuoc pt;
    pt.camera = cum->congCamera.get();
    pt.tieng = cum->congTieng.get();
    pt.dongHo = dongHo;
    pt.henGio = henGio;
    cum->dieuPhoi = std::make_unique<BoDieuPhoi>(kho, caiDat, std::move(pt));
    BoDieuPhoi* dp = cum->dieuPhoi.get();
    cum->congCamera->datNhan(caiDat.tenShop(), QString());
    CameraEngine* cam = cum->camera.get();
    QObject::connect(&caiDat, &CaiDat::bitrateKbpsChanged, dp,
                     [cam, &caiDat] { cam->datBitrateChoSan(caiDat.bitrateKbps()); });
    return std::shared_ptr<BoDieuPhoi>(std::move(cum), dp);
}

CameraEngine* CumDieuPhoi::cameraCua(const BoDieuPhoi* dieuPhoi) {
    if (!dieuPhoi) return nullptr;
    auto* cong = dynamic_cast<CameraEngineCong*>(&dieuPhoi->congCamera());
    return cong ? &cong->engine() : nullptr;
}

TiengBao* CumDieuPhoi::tiengCua(const BoDieuPhoi* dieuPhoi) {
    if (!dieuPhoi) return nullptr;
    auto* cong = dynamic_cast<TiengBaoQuaCong*>(&dieuPhoi->congTieng());
    return cong ? &cong->tieng() : nullptr;
}
