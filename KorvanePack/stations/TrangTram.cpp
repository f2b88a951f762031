#include "stations/TrangTram.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

#include "core/BoDieuPhoi.h"
#include "shell/KhungBo.h"

TrangTram dungTrangTram(QWidget* man) {
    auto* nen = KhungBo::phuNenTrang(man);
    auto* hang = new QHBoxLayout(nen);
    hang->setContentsMargins(20, 20, 20, 20);
    hang->setSpacing(18);
    auto* cotCamera = new QVBoxLayout;
    cotCamera->setSpacing(12);
    hang->addLayout(cotCamera, 1);
    return {hang, cotCamera};
}

void giaoViecDieuPhoi(QObject* chu, BoDieuPhoi* dieuPhoi, std::function<void(BoDieuPhoi&)> viec) {
    QPointer<BoDieuPhoi> dp = dieuPhoi;
    QMetaObject::invokeMethod(
        chu,
        [dp, viec = std::move(viec)] {
            if (dp) viec(*dp);
        },
        Qt::QueuedConnection);
}
