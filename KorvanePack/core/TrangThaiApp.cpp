#include "core/TrangThaiApp.h"

#include "core/BoDieuPhoi.h"
#include "core/BoSuaBanGhi.h"
#include "core/CongDongBo.h"
#include "core/CongSaoLuu.h"
#include "core/CumDieuPhoi.h"
#include "store/KhoDuLieu.h"

TrangThaiApp::TrangThaiApp(QObject* parent) : QObject(parent) {}

TrangThaiApp::~TrangThaiApp() {
    // The backup and the sync engine use the coordinator's store; the coordinator its camera: newest first.
    saoLuu_.reset();
    dongBo_.reset();
    suaBanGhi_.reset();
    dieuPhoi_.reset();
    kho_.reset();
}

bool TrangThaiApp::datKho(std::shared_ptr<KhoDuLieu> kho) {
    if (kho_ || !kho) return false;
    kho_ = std::move(kho);
    emit khoDoi();
    return true;
}

BoDieuPhoi* TrangThaiApp::dieuPhoi() const {
    return dieuPhoi_ ? &dieuPhoi_->dieuPhoi() : nullptr;
}

QObject* TrangThaiApp::dieuPhoiObj() const {
    return dieuPhoi();
}

CongCameraManHinh* TrangThaiApp::camera() const {
    return dieuPhoi_ ? &dieuPhoi_->camera() : nullptr;
}

bool TrangThaiApp::datDieuPhoi(std::shared_ptr<CumDieuPhoi> dieuPhoi) {
    if (dieuPhoi_ || !dieuPhoi) return false;
    dieuPhoi_ = std::move(dieuPhoi);
    emit dieuPhoiDoi();
    return true;
}

bool TrangThaiApp::datSuaBanGhi(std::shared_ptr<BoSuaBanGhi> suaBanGhi) {
    if (suaBanGhi_ || !suaBanGhi) return false;
    suaBanGhi_ = std::move(suaBanGhi);
    return true;
}

bool TrangThaiApp::datDongBo(std::shared_ptr<CongDongBo> dongBo) {
    if (dongBo_ || !dongBo) return false;
    dongBo_ = std::move(dongBo);
    emit dongBoDoi();
    return true;
}

bool TrangThaiApp::datSaoLuu(std::shared_ptr<CongSaoLuu> saoLuu) {
    if (saoLuu_ || !saoLuu) return false;
    saoLuu_ = std::move(saoLuu);
    emit saoLuuDoi();
    return true;
}

void TrangThaiApp::datQuyenCamera(QuyenCamera q) {
    if (q == quyenCamera_) return;
    quyenCamera_ = q;
    emit quyenCameraDoi();
}

void TrangThaiApp::datSoDon(int n) {
    if (n == soDon_) return;
    soDon_ = n;
    emit soDonDoi();
}

void TrangThaiApp::datSoVideo(int n) {
    if (n == soVideo_) return;
    soVideo_ = n;
    emit soVideoDoi();
}
