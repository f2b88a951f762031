#pragma once

#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>

#include "core/BoDieuPhoi.h"
#include "core/KhungBo.h"
#include "store/BanGhiVideo.h"
#include "store/DonHang.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class BoDieuPhoi;
class CongCameraManHinh;
class DongHo;
class HopCamera;
class KhungCamera;
class NhanMau;
class NutDo;
class NutVang;

// The returns station: the packer finds the order a parcel was sent under, films it from the sealed box to
// the last item, and then declares what was found. The screen holds only what is being typed and chosen;
// recording, the serial comparison and storing the declaration belong to the coordinator.
class ManHinhHangHoan : public QWidget {
    Q_OBJECT
public:
    ManHinhHangHoan(BoDieuPhoi* dieuPhoi, DongHo& dongHo, QWidget* parent = nullptr);
    explicit ManHinhHangHoan(BoDieuPhoi* dieuPhoi, QWidget* parent = nullptr);

    using KetQuaDoiChieu = BoDieuPhoi::DoiChieuSerial;

    // The code a returns recording is filmed under, first that applies: the chosen order's first tracking
    // number, its order number, the keyword as typed, or "KHONG-DON".
    static QString maDeQuay(const std::optional<DonHang>& donChon, const QString& tuKhoa);
    // The code shown for a chosen order: first tracking number, else order number, else id.
    static QString maHienThiDon(const DonHang& don);

    // Operations the controls run; public so the flows can be driven without clicking.
    void khiQuetMa(const std::optional<QString>& ma);
    void timDon();
    void chonDon(const DonHang& don);
    void tacVuBatDauQuay();
    void tacVuDungQuay();
    KetQuaDoiChieu ketQuaDoiChieu() const;
    void luuToKhai();
    void kienTiepTheo();

    // View state.
    const QString& tuKhoa() const { return tuKhoa_; }
    const QList<DonHang>& ketQuaTim() const { return ketQuaTim_; }
    const std::optional<DonHang>& donChon() const { return donChon_; }
    const std::optional<BanGhiVideo>& banGhiVuaQuay() const { return banGhiVuaQuay_; }
    const QString& lyDo() const { return lyDo_; }
    const QSet<QString>& tinhTrang() const { return tinhTrang_; }
    const QString& serialNhanVe() const { return serialNhanVe_; }
    const QString& ghiChu() const { return ghiChu_; }
    const QString& xuLy() const { return xuLy_; }
    bool daLuuKhai() const { return daLuuKhai_; }

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
    void moForm(const BanGhiVideo& banGhi);
    void xayDongKetQua();
    void lamMoi();
    void lamMoiBangTim();
    void veHopDonChon();
    void lamMoiToKhai();
    void lamMoiDoiChieu();
    void danhDauSaiSerial(bool khop);
    void apMau();
    // Runs one coordinator operation as its own main-thread task; the screen never waits on it.
    void giaoViec(std::function<void(BoDieuPhoi&)> viec);

    QPointer<BoDieuPhoi> dieuPhoi_;
    QPointer<CongCameraManHinh> camera_;
    DongHo& dongHo_;

    QString tuKhoa_;
    QList<DonHang> ketQuaTim_;
    std::optional<DonHang> donChon_;
    std::optional<BanGhiVideo> banGhiVuaQuay_;
    QString lyDo_;
    QSet<QString> tinhTrang_;
    QString serialNhanVe_;
    QString ghiChu_;
    QString xuLy_;
    bool daLuuKhai_ = false;
    // The match flag of the comparison line while it shows a match or a mismatch; none while it shows
    // that nothing can be compared, so the line's next appearance is not taken for a change.
    std::optional<bool> khopTruoc_;

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
