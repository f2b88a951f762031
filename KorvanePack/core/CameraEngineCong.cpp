#include "core/CameraEngineCong.h"

#include "core/CameraEngine.h"

CameraEngineCong::CameraEngineCong(CameraEngine& engine) : engine_(engine) {
    connect(&engine_, &CameraEngine::daDocDuocMa, this, &CongCamera::daDocDuocMa);
}

bool CameraEngineCong::dangChay() const {
    return engine_.dangChay();
}
bool CameraEngineCong::dangGhi() const {
    return engine_.dangGhi();
}
int CameraEngineCong::giayDaGhi() const {
    return engine_.giayDaGhi();
}

std::optional<QString> CameraEngineCong::loiCamera() const {
    const QString loi = engine_.loiCamera();
    if (loi.isEmpty()) return std::nullopt;
    return loi;
}

QString CameraEngineCong::tenCamera() const {
    return engine_.tenCamera();
}
QString CameraEngineCong::doPhanGiai() const {
    return engine_.doPhanGiai();
}

void CameraEngineCong::datNhan(const QString& tenShop, const QString& tienToNhan) {
    engine_.hangDoi().chayDongBo([&] {
        engine_.datTenShop(tenShop);
        engine_.datTienToNhan(tienToNhan);
    });
}

void CameraEngineCong::chuanBiGhi(std::chrono::system_clock::time_point batDau, const QString& duongDan,
                                  int bitrateKbps, const QString& ma, LoaiVideo loai) {
    engine_.hangDoi().chayDongBo([&] { engine_.chuanBiGhi(batDau, duongDan, bitrateKbps, ma, loai); });
}

void CameraEngineCong::baoDaBatDauGhi() {
    engine_.baoDaBatDauGhi();
}

void CameraEngineCong::dungGhi(KhiDungXong xong) {
    engine_.dungGhi(std::move(xong));
}

bool CameraEngineCong::themSerial(const QString& serial) {
    return engine_.themSerial(serial);
}

QStringList CameraEngineCong::danhSachSerial() {
    return engine_.hangDoi().chayDongBo([&] { return engine_.docDanhSachSerial(); });
}
