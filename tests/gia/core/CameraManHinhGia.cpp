#include "gia/core/CameraManHinhGia.h"

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
