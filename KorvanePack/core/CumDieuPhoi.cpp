#include "core/CumDieuPhoi.h"

#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "core/DauRaAmThanh.h"
#include "core/TiengBao.h"
#include "core/TiengBaoQuaCong.h"

CumDieuPhoi::CumDieuPhoi(KhoDuLieu& kho, CaiDat& caiDat, std::unique_ptr<CameraEngine> camera,
                         std::unique_ptr<TiengBao> tieng, DongHo* dongHo, HenGio* henGio)
    : engine_(std::move(camera)), tieng_(std::move(tieng)), camera_(engine_.get()) {
    // The volume is copied only here; the on/off switch is followed below.
    tieng_->setBat(caiDat.batTieng());
    tieng_->setAmLuong(static_cast<float>(caiDat.amLuong()));
    engine_->datBitrateChoSan(caiDat.bitrateKbps());
    engine_->batXemTruoc();
    congTieng_ = std::make_unique<TiengBaoQuaCong>(*tieng_);
    BoDieuPhoi::PhuThuoc pt;
    pt.camera = engine_.get();
    pt.tieng = congTieng_.get();
    pt.dongHo = dongHo;
    pt.henGio = henGio;
    dieuPhoi_ = std::make_unique<BoDieuPhoi>(kho, caiDat, std::move(pt));
    BoDieuPhoi* dp = dieuPhoi_.get();
    // The sound switch is followed at once, so the very next cue obeys it; the player outlives the coordinator.
    QObject::connect(&caiDat, &CaiDat::batTiengChanged, dp,
                     [t = tieng_.get(), &caiDat] { t->setBat(caiDat.batTieng()); });
    engine_->datNhan(caiDat.tenShop(), QString());
    QObject::connect(&caiDat, &CaiDat::bitrateKbpsChanged, dp,
                     [cam = engine_.get(), &caiDat] { cam->datBitrateChoSan(caiDat.bitrateKbps()); });
}

CumDieuPhoi::CumDieuPhoi(KhoDuLieu& kho, CaiDat& caiDat, BoDieuPhoi::PhuThuoc phuThuoc)
    : camera_(phuThuoc.camera), dieuPhoi_(std::make_unique<BoDieuPhoi>(kho, caiDat, std::move(phuThuoc))) {}

CumDieuPhoi::~CumDieuPhoi() = default;
