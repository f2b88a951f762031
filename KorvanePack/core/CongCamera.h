#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

#include "core/KetQuaGhi.h"
#include "store/LoaiVideo.h"

// What the recording coordinator needs of the camera engine, and nothing more: the engine's
// published state, arming and stopping its writer, its serial list and the codes it reads.
// The real engine is adapted to this; tests drive a scriptable camera whose stop completes only
// when the test says so. Every call is made on the GUI thread.
class CongCamera : public QObject {
    Q_OBJECT
public:
    using KetQuaGhi = ::KetQuaGhi;
    using KhiDungXong = std::function<void(std::optional<KetQuaGhi>)>;

    explicit CongCamera(QObject* parent = nullptr) : QObject(parent) {}
    ~CongCamera() override = default;

    virtual bool dangChay() const = 0;
    virtual bool dangGhi() const = 0;
    virtual int giayDaGhi() const = 0;
    virtual std::optional<QString> loiCamera() const = 0;
    virtual QString tenCamera() const = 0;
    virtual QString doPhanGiai() const = 0;

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
