#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>

#include "core/TrangThaiApp.h"
class QLabel;
class QListWidget;
class QStackedLayout;
class QTimer;
class QVBoxLayout;
class CaiDat;
class CongCameraManHinh;
class CongDongBo;
class BatMaLac;
class KhungBo;
class NhanMau;

// The content of the application's only window: the sidebar with the brand mark, the six screens and the
// status strip, and the detail column with the chosen screen. It decides what may be shown: the
// camera-blocked notice while access is refused, a progress text until the coordinator exists, the settings
// only behind the owner's PIN, and no change of screen while a recording runs.
//
// The screens live in libraries above this one, so the application entry registers a builder for each;
// a screen without a builder shows an empty page with its title.
class KhungChinh : public QWidget {
    Q_OBJECT
public:
    enum class ManHinh { dongGoi, hangHoan, traCuu, doiSoat, thuMay, caiDat };
    static const QList<ManHinh>& tatCa();
    static QString tieuDe(ManHinh m);
    static std::optional<ManHinh> tuTieuDe(const QString& tieuDe);

    // %1: the code, %2: the screen's title.
    static inline const QString kMaLac =
        QStringLiteral("Mã vừa quét “%1” không dùng ở màn hình %2. Sang “Đóng gói” để quay đơn, hoặc “Tra cứu” để "
                       "tìm video.");
    static inline const QString kBaoDangQuay =
        QStringLiteral("Đang quay — bấm Dừng quay trước khi sang màn hình khác.");

    // A builder makes a fresh screen from the current objects each time the detail is rebuilt.
    using TaoManHinh = std::function<QWidget*(TrangThaiApp& trangThai, CaiDat& caiDat)>;
    using TaoManHinhCoGoiLai =
        std::function<QWidget*(TrangThaiApp& trangThai, CaiDat& caiDat, std::function<void()> xong)>;

    KhungChinh(CaiDat& caiDat, TrangThaiApp& trangThai, QWidget* parent = nullptr);
    ~KhungChinh() override;

    void dangKyManHinh(ManHinh m, TaoManHinh tao);
    void dangKyNhapPin(TaoManHinhCoGoiLai tao);
    void dangKyCaiDatLanDau(TaoManHinhCoGoiLai tao);

    ManHinh manHinh() const { return manHinh_; }
    bool daMoKhoa() const { return daMoKhoa_; }

    // The sidebar selection's setter: none is ignored, and another screen is refused while recording.
    void chonManHinh(std::optional<ManHinh> moi);
    // Handed to the PIN screen: unlocks the settings for the life of this window.
    void moKhoa();
    // Handed to the first-run wizard.
    void xongCaiDatLanDau();
    bool canHienCaiDatLanDau() const;
    void datHienCaiDatLanDau(bool hien);

    // Installed on the application's window: a close asked for while a recording runs stops and saves the
    // recording first, and the window closes once the record is written.
    bool eventFilter(QObject* doiTuong, QEvent* suKien) override;

    // What the detail column holds now, and the pieces of the sidebar, for tests and screenshots.
    QWidget* noiDungChiTiet() const { return chiTiet_; }
    QString tenNoiDung() const { return khoaNoiDung_; }
    QListWidget* danhSach() const { return danhSach_; }
    QDialog* sheetCaiDatLanDau() const { return sheet_; }
    NhanMau* nhanCamera() const { return chuCamera_; }
    KhungBo* chamCamera() const { return chamCamera_; }
    NhanMau* nhanDongBo() const { return chuDongBo_; }
    NhanMau* nhanCanhBaoOCung() const { return chuOCung_; }
    NhanMau* nhanSoLuong() const { return chuSoLuong_; }
    // What the window said about the last scan that no field took, while it shows.
    std::optional<QString> chuMaLac() const;

private:
    QWidget* taoThanhBen();
    QWidget* taoNoiDung();
    QWidget* taoTrangCho(const QString& chu, bool coNen);
    QWidget* taoTrangTrong(ManHinh m);
    QWidget* taoThongBaoCameraBiChan();
    QString tinhKhoaNoiDung() const;
    void lamMoiChiTiet();
    void lamMoiTrangThai();
    static QString chuTrangThaiCamera(TrangThaiApp::QuyenCamera quyen, const CongCameraManHinh* cam);
    void lamMoiSheet();
    void lamMoiBieuTuong();
    void noiDichVu();
    void khiDangGhiDoi();
    void chonLaiDongHienTai();
    bool duocDong(QWidget* cuaSo);
    CongCameraManHinh* camera() const;
    bool dangGhi() const;

    CaiDat& caiDat_;
    TrangThaiApp& trangThai_;
    ManHinh manHinh_ = ManHinh::dongGoi;
    bool daMoKhoa_ = false;
    bool dangGhiTruoc_ = false;
    bool choLuuDeDong_ = false;
    std::map<ManHinh, TaoManHinh> tao_;
    TaoManHinhCoGoiLai taoNhapPin_;
    TaoManHinhCoGoiLai taoCaiDatLanDau_;

    QListWidget* danhSach_ = nullptr;
    QVBoxLayout* cotChiTiet_ = nullptr;
    QWidget* chiTiet_ = nullptr;
    QString khoaNoiDung_;
    QPointer<QDialog> sheet_;
    KhungBo* chamCamera_ = nullptr;
    NhanMau* chuCamera_ = nullptr;
    NhanMau* chuDongBo_ = nullptr;
    NhanMau* chuOCung_ = nullptr;
    NhanMau* chuSoLuong_ = nullptr;
    BatMaLac* batMaLac_ = nullptr;
    KhungBo* hopMaLac_ = nullptr;
    NhanMau* chuMaLac_ = nullptr;
    QTimer* anMaLac_ = nullptr;
    QPointer<QObject> dieuPhoiDaNoi_;
    QPointer<QObject> cameraDaNoi_;
    const CongDongBo* dongBoDaNoi_ = nullptr;
};
