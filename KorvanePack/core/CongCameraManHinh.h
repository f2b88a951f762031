#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <optional>

#include "core/DocMaVach.h"
#include "core/ThietBiCamera.h"

// What the screens use of the camera, and nothing more: the published state and its changes, the preview
// frames, the device list, opening a device, and the reader's results with its read interval. The real
// engine implements it; screen tests drive a fake whose state they set by hand. Every call is made, and every
// signal delivered, on the GUI thread.
class CongCameraManHinh : public QObject {
    Q_OBJECT
public:
    explicit CongCameraManHinh(QObject* parent = nullptr);
    ~CongCameraManHinh() override;

    virtual bool dangChay() const = 0;
    virtual bool dangGhi() const = 0;
    virtual int giayDaGhi() const = 0;
    virtual QString tenCamera() const = 0;
    virtual QString doPhanGiai() const = 0;
    // A null text means no error.
    virtual QString loiCamera() const = 0;
    virtual QList<ThietBiCamera> danhSachThietBi() const = 0;

    // Lists the devices again; the answer comes through danhSachThietBiDoi.
    virtual void lamMoiThietBi() = 0;
    // Returns at once; the outcome shows only in the published state.
    virtual void moCamera(const std::optional<QString>& cameraId, const QString& doPhanGiai) = 0;
    // The size of the box a preview is shown in, so frames come no larger than it needs.
    virtual void datKichThuocXem(QSize o) = 0;

    // Least time, in seconds, between the starts of two reads.
    virtual double giuaHaiLanDo() const = 0;
    virtual void datGiuaHaiLanDo(double giay) = 0;

    // The bit-rate a recording at this resolution is made with, kbit/s, from the base setting.
    static int bitrateTheoDoPhanGiai(int base, const QString& kichThuoc);

    // The camera and scan test's claim: each test view on screen holds one while shown. Taking it again moves
    // the holder to the newest place; releasing returns whether it was the last claim left.
    void nhanThu(QObject* nguoi);
    bool traThu(QObject* nguoi);
    // The most recently shown holder, or none.
    QObject* nguoiThuMoiNhat() const;

signals:
    void dangChayDoi(bool);
    void dangGhiDoi(bool);
    void giayDaGhiDoi(int);
    void tenCameraDoi(const QString&);
    void doPhanGiaiDoi(const QString&);
    void loiCameraDoi(const QString&);
    void danhSachThietBiDoi();
    // A raw frame for the previews, before the caption; at most one is in flight.
    void khungMoi(const QImage& khung);
    // Every code the reader found in one frame, largest box first.
    void daDocNhieuMa(const QList<DocMaVach::KetQuaDo>& lo);

private:
    QList<QPointer<QObject>> nguoiThu_;
};
