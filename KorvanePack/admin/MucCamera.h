#pragma once

#include <QPointer>
#include <QString>

#include "admin/TheMuc.h"

class CaiDat;
class CongCameraManHinh;
class NhanMau;
class QComboBox;
class QPushButton;
class QSpinBox;

// The "Camera và chất lượng" card: which webcam, at which resolution and bitrate, stored at once and applied to
// the camera only when the owner asks, never while it records.
class MucCamera : public TheMuc {
    Q_OBJECT
public:
    MucCamera(CongCameraManHinh* camera, CaiDat& caiDat, QWidget* parent = nullptr);

    // The entry of a stored webcam that discovery does not list.
    static inline const QString kKhongThayWebcam = QStringLiteral("Không thấy webcam đã chọn");

    static QString uocTinhDungLuong(const QString& doPhanGiai, int bitrateKbps);
    // Gives a picker an entry for a stored webcam it does not list, so it never shows blank as if none was chosen;
    // the first-run wizard's picker shows it the same way.
    static void themMucDaLuu(QComboBox* chon, const QString& id);

    void khiHienRa();
    void apDungCamera();

private:
    void napDanhSachCamera();
    void capNhat();

    QPointer<CongCameraManHinh> camera_;
    CaiDat& caiDat_;
    QComboBox* chonWebcam_ = nullptr;
    QComboBox* chonDoPhanGiai_ = nullptr;
    QSpinBox* oBitrate_ = nullptr;
    NhanMau* chuUocTinh_ = nullptr;
    QPushButton* nutApDungCamera_ = nullptr;
};
