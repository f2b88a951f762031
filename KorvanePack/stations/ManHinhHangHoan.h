#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>
#include <utility>

#include "core/BoDieuPhoi.h"
#include "shell/KhungBo.h"
#include "stations/MoHinhHangHoan.h"
#include "store/BanGhiVideo.h"
#include "store/DonHang.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class BoDieuPhoi;
class BoSuaBanGhi;
class CongCameraManHinh;
class DongHo;
class HopCamera;
class KhoDuLieu;
class KhungCamera;
class NhanMau;
class NutDo;
class NutVang;

// The returns station: the packer finds the order a parcel was sent under, films it from the sealed box to
// the last item, and then declares what was found. The form's state and rules live in its model; this view
// shows the model and the camera and hands every control's input to the model.
class ManHinhHangHoan : public QWidget {
    Q_OBJECT
public:
    ManHinhHangHoan(BoDieuPhoi* dieuPhoi, CongCameraManHinh* camera, const KhoDuLieu& kho, BoSuaBanGhi* suaBanGhi,
                    DongHo& dongHo, QWidget* parent = nullptr);
    ManHinhHangHoan(BoDieuPhoi* dieuPhoi, CongCameraManHinh* camera, const KhoDuLieu& kho, BoSuaBanGhi* suaBanGhi,
                    QWidget* parent = nullptr);

    MoHinhHangHoan& moHinh() const { return *moHinh_; }

    // Pieces shown now, for tests and screenshots.
    KhungCamera* khungCamera() const { return xemTruoc_; }
    HopCamera* hopCamera() const { return hop_; }
    QLineEdit* oTuKhoa() const { return oTuKhoa_; }
    QPushButton* nutTim() const { return nutTim_; }
    NutVang* nutBatDau() const { return nutBatDau_; }
    NutDo* nutDung() const { return nutDung_; }
    QWidget* bangTim() const { return bangTim_; }
    QWidget* toKhai() const { return toKhai_; }
    QList<QPushButton*> dongKetQua() const { return dongKetQua_; }
    NhanMau* chuKhongThay() const { return chuKhongThay_; }
    QWidget* hopDonChon() const { return hopDonChon_; }
    QStringList cacDongDonChon() const;
    bool hienGoiYSeal() const;
    bool hienHuyHieu() const;
    QString chuHuyHieu() const;
    std::optional<QString> chuThongBao() const;
    QStringList cacDongBuoc() const;
    QComboBox* chonLyDo() const { return chonLyDo_; }
    QComboBox* chonXuLy() const { return chonXuLy_; }
    QCheckBox* oTinhTrang(const QString& id) const;
    QLineEdit* oSerial() const { return oSerial_; }
    QLineEdit* oGhiChu() const { return oGhiChu_; }
    NhanMau* dongDoiChieu() const { return dongDoiChieu_; }
    QPushButton* nutLuu() const { return nutLuu_; }
    QPushButton* nutKienTiep() const { return nutKienTiep_; }
    NhanMau* chuDaLuu() const { return chuDaLuu_; }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void taoCotTrai(QVBoxLayout* cot);
    QWidget* taoBangTim();
    QWidget* taoToKhai();
    void noiKhungHinh();
    void xayDongKetQua();
    void lamMoi();
    void lamMoiBangTim();
    void veHopDonChon();
    void lamMoiToKhai();
    void lamMoiDoiChieu();
    void apMau();
    void traBanPhim();

    QPointer<BoDieuPhoi> dieuPhoi_;
    QPointer<CongCameraManHinh> camera_;
    MoHinhHangHoan* moHinh_ = nullptr;

    KhungCamera* xemTruoc_ = nullptr;
    HopCamera* hop_ = nullptr;
    KhungBo* goiYSeal_ = nullptr;
    QLabel* hinhSeal_ = nullptr;
    KhungBo* huyHieu_ = nullptr;
    NhanMau* chuHuyHieu_ = nullptr;
    NutVang* nutBatDau_ = nullptr;
    NutDo* nutDung_ = nullptr;
    NhanMau* chuThongBao_ = nullptr;
    QList<NhanMau*> dongBuoc_;

    QWidget* bangTim_ = nullptr;
    QVBoxLayout* lopBangTim_ = nullptr;
    QLineEdit* oTuKhoa_ = nullptr;
    QPushButton* nutTim_ = nullptr;
    KhungBo* hopDonChon_ = nullptr;
    NhanMau* chuDaChon_ = nullptr;
    NhanMau* chuMaDon_ = nullptr;
    QList<NhanMau*> dongMatHang_;
    QVBoxLayout* lopDonChon_ = nullptr;
    QList<QPushButton*> dongKetQua_;
    NhanMau* chuKhongThay_ = nullptr;

    QWidget* toKhai_ = nullptr;
    QComboBox* chonLyDo_ = nullptr;
    QList<std::pair<QString, QCheckBox*>> oTinhTrang_;
    QLineEdit* oSerial_ = nullptr;
    NhanMau* dongDoiChieu_ = nullptr;
    QComboBox* chonXuLy_ = nullptr;
    QLineEdit* oGhiChu_ = nullptr;
    QPushButton* nutLuu_ = nullptr;
    QPushButton* nutKienTiep_ = nullptr;
    NhanMau* chuDaLuu_ = nullptr;
};
