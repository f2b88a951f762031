#pragma once

#include <QList>
#include <QString>
#include <memory>

#include "core/NguonKhung.h"
#include "core/ThietBiCamera.h"

// The platform edge for cameras: discovery and opening. The engine decides which device and
// which format; this only finds devices and opens what it is told.
class NenTangCamera {
public:
    virtual ~NenTangCamera() = default;

    virtual QList<ThietBiCamera> timThietBi() = 0;
    // Opens the device at the given format (an empty coding lets the driver choose). On failure returns null and sets
    // `loi` to the platform's text, or leaves it empty when the device opened but gave no usable video stream.
    virtual std::unique_ptr<NguonKhung> moThietBi(const ThietBiCamera& tb, const DinhDangCamera& dd, QString& loi) = 0;
    // Opens a libavfilter graph as if it were a camera (tests and demonstrations without a webcam).
    virtual std::unique_ptr<NguonKhung> moDoThi(const QString& doThi, QString& loi) = 0;
};
