#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include "core/DinhDangCamera.h"

// A video capture device found by discovery. `id` stays the same across restarts and re-plugging
// into the same port, so the settings can store it; `duongDan` is the node to open now.
struct ThietBiCamera {
    Q_GADGET
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString ten MEMBER ten)
    Q_PROPERTY(QString duongDan MEMBER duongDan)

public:
    QString id;
    QString ten;  // the device's own name, as the driver reports it
    QString duongDan;
    QList<DinhDangCamera> dinhDang;  // in the order the driver lists them

    bool operator==(const ThietBiCamera&) const = default;
};
Q_DECLARE_METATYPE(ThietBiCamera)
