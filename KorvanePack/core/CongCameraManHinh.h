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
#include "store/LuongChay.h"

// What the screens use of the camera, and nothing more: the published state and its changes, the preview
// frames, the device list, opening a device, and the reader's results with its read interval. The coordinator's
// face of the camera (CongCamera) extends this one, so the engine and the tests' fake are each one object for
// both. The published state and its change signals are kept here, so the engine and the fake publish it by the
// same rules. Every call is made, and every signal delivered, on the GUI thread.
class CongCameraManHinh : public QObject {
    Q_OBJECT
public:
    explicit CongCameraManHinh(QObject* parent = nullptr);
    ~CongCameraManHinh() override;

    bool dangChay() const { return dangChay_; }
    bool dangGhi() const { return dangGhi_; }
    int giayDaGhi() const { return giayDaGhi_; }
    QString tenCamera() const { return tenCamera_; }
    QString doPhanGiai() const { return doPhanGiai_; }
    // A null text means no error.
    QString loiCamera() const { return loiCamera_; }
    QList<ThietBiCamera> danhSachThietBi() const { return danhSachThietBi_; }

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

protected:
    // Each changes one published field and signals the change; setting the value it already has does nothing.
    // Only the thread that built the object may publish: the screens read these fields without a lock, and a
    // value written from the capture queue would race their reads and emit its signal on the wrong thread.
    void datDangChay(bool v);
    void datDangGhi(bool v);
    void datGiayDaGhi(int v);
    void datTenCamera(const QString& v);
    void datDoPhanGiai(const QString& v);
    // An empty text is an error with no words, unlike the null text of no error: one replacing the other is a change.
    void datLoiCamera(const QString& v);
    void datDanhSachThietBi(const QList<ThietBiCamera>& v);

private:
    LuongChay luongCongBo_;
    bool dangChay_ = false;
    bool dangGhi_ = false;
    int giayDaGhi_ = 0;
    QString tenCamera_;
    QString doPhanGiai_;
    QString loiCamera_;
    QList<ThietBiCamera> danhSachThietBi_;
    QList<QPointer<QObject>> nguoiThu_;
};
