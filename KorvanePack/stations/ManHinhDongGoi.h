#pragma once

#include <QDateTime>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "stations/BangDon.h"
#include "stations/ONhapMa.h"

class QLineEdit;
class QPushButton;
class QShortcut;
class QStackedWidget;
class BoDieuPhoi;
class CaiDat;
class CongCameraManHinh;
class DongHo;
class HangTrangThai;
class HopCamera;
class KhungBo;
class KhungCamera;
class KhungNham;
class NhanMau;
class NutDo;

// The packing screen: the live camera with what is being recorded over it, a typed-code field with one
// button, the status line, and the order panel. It owns no recording logic: every action goes to the
// coordinator, and everything it shows follows the coordinator's and the camera engine's published fields.
class ManHinhDongGoi : public QWidget {
    Q_OBJECT
public:
    // The camera is the one the coordinator records from.
    ManHinhDongGoi(BoDieuPhoi* dieuPhoi, CongCameraManHinh* camera, const CaiDat& caiDat, DongHo& dongHo,
                   QWidget* parent = nullptr);
    ManHinhDongGoi(BoDieuPhoi* dieuPhoi, CongCameraManHinh* camera, const CaiDat& caiDat, QWidget* parent = nullptr);

    // The caption's code line and serial line.
    static QString dongMaChuThich(const QString& maHienTai);
    static QString dongSerialChuThich(const QStringList& serials);

    // Pieces shown now, for tests and screenshots.
    KhungCamera* khungCamera() const { return xemTruoc_; }
    HopCamera* hopCamera() const { return hop_; }
    ONhapMa* oNhapMa() const { return oNhap_; }
    QPushButton* nutQuayKhongMa() const { return nutKhongMa_; }
    NutDo* nutDungQuay() const { return nutDung_; }
    BangDon* bangDon() const { return bang_; }
    bool hienKhungNham() const;
    bool hienLoiWebcam() const;
    bool hienLopDangQuay() const;
    QString chuHuyHieu() const;
    QStringList cacDongChuThich() const;
    QString chuLoiWebcam() const;
    QString tieuDeLoiWebcam() const;
    QString chuCamera() const;
    std::optional<QString> chuThongBao() const;
    QColor mauThongBao() const;

    // What a tick does: the clock read afresh, and the coordinator's limit check.
    void moiGiay();

protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void khiHienRa();
    void guiMaGoTay();
    void lamMoi();
    void lamMoiChuThich();
    void noiKhungHinh();
    // Runs one coordinator operation as its own main-thread task; the screen never waits on it.
    void giaoViec(std::function<void(BoDieuPhoi&)> viec);

    QPointer<BoDieuPhoi> dieuPhoi_;
    QPointer<CongCameraManHinh> camera_;
    DongHo& dongHo_;
    const CaiDat& caiDat_;
    QDateTime gio_;
    QTimer nhip_;

    KhungCamera* xemTruoc_;
    KhungNham* nham_;
    KhungBo* loi_;
    NhanMau* tieuDeLoi_ = nullptr;
    NhanMau* chuLoi_;
    KhungBo* huyHieu_;
    NhanMau* chuHuyHieu_;
    KhungBo* chuThich_;
    NhanMau* dongMa_;
    NhanMau* dongShop_;
    NhanMau* dongSerial_;
    HopCamera* hop_;
    ONhapMa* oNhap_;
    QPushButton* nutKhongMa_;
    NutDo* nutDung_;
    QShortcut* phimEsc_;
    NhanMau* chuCamera_;
    NhanMau* chuThongBao_;
    HangTrangThai* hangTrangThai_;
    BangDon* bang_;
};
