#pragma once

#include "core/CongCamera.h"

class CameraEngine;

// The real camera engine seen through the coordinator's seam. Plain fields of the caption and the
// writer belong to the engine's capture queue, so they are set there, synchronously; the capture
// queue never waits on the GUI thread, so this cannot deadlock.
class CameraEngineCong final : public CongCamera {
    Q_OBJECT
public:
    explicit CameraEngineCong(CameraEngine& engine);

    bool dangChay() const override;
    bool dangGhi() const override;
    int giayDaGhi() const override;
    std::optional<QString> loiCamera() const override;
    QString tenCamera() const override;
    QString doPhanGiai() const override;
    void datNhan(const QString& tenShop, const QString& tienToNhan) override;
    void chuanBiGhi(std::chrono::system_clock::time_point batDau, const QString& duongDan, int bitrateKbps,
                    const QString& ma, LoaiVideo loai) override;
    void baoDaBatDauGhi() override;
    void dungGhi(KhiDungXong xong) override;
    bool themSerial(const QString& serial) override;
    QStringList danhSachSerial() override;

    CameraEngine& engine() const { return engine_; }

private:
    CameraEngine& engine_;
};
