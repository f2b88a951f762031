#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

#include "core/CongCameraManHinh.h"
#include "core/KetQuaGhi.h"
#include "store/LoaiVideo.h"

// What the recording coordinator needs of the camera on top of what the screens see: arming and stopping its
// writer, its serial list and the codes it reads. One object offers both faces, so the state the coordinator
// reads is the very state the screens show. The engine implements it; tests drive a scriptable camera whose
// stop completes only when the test says so. Every call is made on the GUI thread.
class CongCamera : public CongCameraManHinh {
    Q_OBJECT
public:
    using KetQuaGhi = ::KetQuaGhi;
    using KhiDungXong = std::function<void(std::optional<KetQuaGhi>)>;

    explicit CongCamera(QObject* parent = nullptr) : CongCameraManHinh(parent) {}
    ~CongCamera() override = default;

    // The published error as the coordinator reports it: an error with no words has nothing to tell the user.
    std::optional<QString> loiCameraNeuCo() const {
        const QString loi = loiCamera();
        if (loi.isEmpty()) return std::nullopt;
        return loi;
    }

    // The shop name and the label put before the code in the caption.
    virtual void datNhan(const QString& tenShop, const QString& tienToNhan) = 0;
    // Arms the writer; complete when it returns, so no frame sees a half-armed recording.
    virtual void chuanBiGhi(std::chrono::system_clock::time_point batDau, const QString& duongDan, int bitrateKbps,
                            const QString& ma, LoaiVideo loai) = 0;
    // Turns the published recording flag on, later, on the GUI thread.
    virtual void baoDaBatDauGhi() = 0;
    // Finishes the file; xong runs on the GUI thread, with none when there is no usable file
    // (the reason, if any, is then in loiCamera).
    virtual void dungGhi(KhiDungXong xong) = 0;
    virtual bool themSerial(const QString& serial) = 0;
    virtual QStringList danhSachSerial() = 0;

signals:
    // The barcode reader's largest code of a frame, on the GUI thread.
    void daDocDuocMa(const QString& ma);
};
