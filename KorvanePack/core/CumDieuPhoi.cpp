#include "core/CumDieuPhoi.h"

#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "core/DauRaAmThanh.h"
#include "core/TiengBao.h"
#include "core/TiengBaoQuaCong.h"

namespace {
struct Cum {
    std::unique_ptr<CameraEngine> camera;
    std::unique_ptr<TiengBao> tieng;
    std::unique_ptr<TiengBaoQuaCong> congTieng;
    std::unique_ptr<BoDieuPhoi> dieuPhoi;

    ~Cum() {
        dieuPhoi.reset();
        congTieng.reset();
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
    // The volume is copied only here; the on/off switch is followed below.
    cum->tieng->setBat(caiDat.batTieng());
    cum->tieng->setAmLuong(static_cast<float>(caiDat.amLuong()));
    cum->camera->datBitrateChoSan(caiDat.bitrateKbps());
    cum->camera->batXemTruoc();
    cum->congTieng = std::make_unique<TiengBaoQuaCong>(*cum->tieng);
    BoDieuPhoi::PhuThuoc pt;
    pt.camera = cum->camera.get();
    pt.cameraManHinh = cum->camera.get();
    pt.tieng = cum->congTieng.get();
    pt.dongHo = dongHo;
    pt.henGio = henGio;
    cum->dieuPhoi = std::make_unique<BoDieuPhoi>(kho, caiDat, std::move(pt));
    BoDieuPhoi* dp = cum->dieuPhoi.get();
    // The sound switch is followed at once, so the very next cue obeys it; the player outlives the coordinator.
    QObject::connect(&caiDat, &CaiDat::batTiengChanged, dp,
                     [t = cum->tieng.get(), &caiDat] { t->setBat(caiDat.batTieng()); });
    cum->camera->datNhan(caiDat.tenShop(), QString());
    CameraEngine* cam = cum->camera.get();
    QObject::connect(&caiDat, &CaiDat::bitrateKbpsChanged, dp,
                     [cam, &caiDat] { cam->datBitrateChoSan(caiDat.bitrateKbps()); });
    return std::shared_ptr<BoDieuPhoi>(std::move(cum), dp);
}
