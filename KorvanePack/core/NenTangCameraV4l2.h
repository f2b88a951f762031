#pragma once

#include "core/NenTangCamera.h"

// Webcams on Linux: discovery and formats through V4L2 ioctls on /dev/video*, capture through
// libavdevice; filter graphs through libavdevice's lavfi input.
class NenTangCameraV4l2 final : public NenTangCamera {
public:
    QList<ThietBiCamera> timThietBi() override;
    std::unique_ptr<NguonKhung> moThietBi(const ThietBiCamera& tb, const DinhDangCamera& dd, QString& loi) override;
    std::unique_ptr<NguonKhung> moDoThi(const QString& doThi, QString& loi) override;
};
