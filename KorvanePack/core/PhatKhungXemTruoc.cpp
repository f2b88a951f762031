#include "core/PhatKhungXemTruoc.h"

#include <QPointer>

#include "core/CameraEngine.h"

PhatKhungXemTruoc::PhatKhungXemTruoc(CameraEngine* camera) : QObject(camera) {
    setObjectName(QStringLiteral("khungXemTruoc"));
    QPointer<PhatKhungXemTruoc> toi = this;
    camera->datNhanKhungXemTruoc([toi](const QImage& khung) {
        if (toi) toi->nhan(khung);
    });
}

void PhatKhungXemTruoc::nhan(const QImage& khung) {
    if (dangCho_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this, khung] {
            dangCho_ = false;
            emit khungMoi(khung);
        },
        Qt::QueuedConnection);
}
