#include "core/CameraManHinhGia.h"

#include <QPointer>

CameraManHinhGia::CameraManHinhGia(QObject* parent) : CongCameraManHinh(parent) {}

void CameraManHinhGia::lamMoiThietBi() {
    ++soLanLamMoi;
    QPointer<CameraManHinhGia> toi(this);
    QMetaObject::invokeMethod(
        this,
        [toi] {
            if (toi) toi->datDanhSachThietBi(toi->thietBiSeThay_);
        },
        Qt::QueuedConnection);
}

void CameraManHinhGia::moCamera(const std::optional<QString>& cameraId, const QString& doPhanGiai) {
    cacLanMo.push_back({cameraId, doPhanGiai});
}

void CameraManHinhGia::datDangChay(bool v) {
    if (dangChay_ == v) return;
    dangChay_ = v;
    emit dangChayDoi(v);
}

void CameraManHinhGia::datDangGhi(bool v) {
    if (dangGhi_ == v) return;
    dangGhi_ = v;
    emit dangGhiDoi(v);
}

void CameraManHinhGia::datGiayDaGhi(int v) {
    if (giayDaGhi_ == v) return;
    giayDaGhi_ = v;
    emit giayDaGhiDoi(v);
}

void CameraManHinhGia::datTenCamera(const QString& v) {
    if (tenCamera_ == v) return;
    tenCamera_ = v;
    emit tenCameraDoi(v);
}

void CameraManHinhGia::datDoPhanGiai(const QString& v) {
    if (doPhanGiai_ == v) return;
    doPhanGiai_ = v;
    emit doPhanGiaiDoi(v);
}

void CameraManHinhGia::datLoiCamera(const QString& v) {
    if (loiCamera_ == v && loiCamera_.isNull() == v.isNull()) return;
    loiCamera_ = v;
    emit loiCameraDoi(v);
}

void CameraManHinhGia::datDanhSachThietBi(const QList<ThietBiCamera>& v) {
    if (danhSachThietBi_ == v) return;
    danhSachThietBi_ = v;
    emit danhSachThietBiDoi();
}
