#pragma once

#include <QDialog>
#include <QMap>
#include <QPointer>
#include <QScrollArea>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class BoDieuPhoi;
class BoDongBo;
class CaiDat;
class CongCameraManHinh;
class MucPhanMem;
class NhanMau;
class NhanRutGon;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QVBoxLayout;
class SaoLuu;
class TheMuc;
class TuKhoiDongXdg;

// The owner's settings: one scrolling column of section cards. Each control writes its setting the moment it
// changes; only the platform credentials and the PIN wait for their buttons. The screen keeps nothing durable
// itself: results of a connection test, a PIN message or a launch-at-login error live as long as the screen.
class ManHinhCaiDat : public QScrollArea {
    Q_OBJECT
public:
    // What the screen asks of the desktop; tests put their own in.
    struct NenTang {
        // The folder the owner picked, none when they cancelled; it opens at the folder set now.
        std::function<std::optional<QString>(QWidget* cha, const QString& hienTai)> chonThuMuc;
        std::function<void(const QString& duongDan)> moThuMuc;
        std::shared_ptr<TuKhoiDongXdg> tuKhoiDong;
    };

    ManHinhCaiDat(BoDieuPhoi* dieuPhoi, BoDongBo* dongBo, SaoLuu* saoLuu, CaiDat& caiDat, NenTang nenTang = {},
                  QWidget* parent = nullptr);
    ~ManHinhCaiDat() override;

    static QString uocTinhDungLuong(const QString& doPhanGiai, int bitrateKbps);
    static QString chuLoiTuKhoiDong(const QString& moTa, const QString& thuMucTuKhoiDong);
    // The platform-independent notes, in one place because the screenshots and tests compare them.
    static inline const QString kChuaKhoa =
        QStringLiteral("Chưa khoá. Nhân viên ở bàn đóng gói đổi được thư mục lưu và tắt được tiếng báo.");
    static inline const QString kDangKhoa = QStringLiteral("Đang khoá. Mở màn hình Cài đặt phải nhập đúng mã PIN.");
    static inline const QString kChuaCoMauTho = QStringLiteral("Chưa có. Bấm Đồng bộ ngay rồi mở lại.");
    static inline const QString kKhongThayOSaoLuu = QStringLiteral(
        "Không thấy ổ sao lưu ở thư mục này (thiếu tệp đánh dấu .korvane-saoluu), nên video mới chưa "
        "được chép. Cắm lại ổ rồi mở lại Cài đặt, hoặc bấm Chọn… để chọn lại thư mục.");

    // The view state.
    const QMap<QString, QString>& oNhap() const { return oNhap_; }
    // The stored credentials of the chosen platform are back from the keyring.
    bool daNapKhoa() const;
    bool xemTho() const { return xemTho_; }
    const std::optional<QString>& ketQuaToken() const { return ketQuaToken_; }
    bool dangThu() const { return dangThu_; }
    bool tuKhoiDong() const { return tuKhoiDong_; }
    const std::optional<QString>& loiTuKhoiDong() const { return loiTuKhoiDong_; }
    const QString& pinMoi() const { return pinMoi_; }
    const std::optional<QString>& thongBaoPin() const { return thongBaoPin_; }
    const std::optional<QString>& loiSaoLuu() const { return loiSaoLuu_; }

    // The actions behind the controls.
    void khiHienRa();
    void napONhap();
    void luuKhoa();
    void kiemTraKetNoi();
    void moXemTho();
    void chepToanBo();
    void apDungCamera();
    void datBatTieng(bool bat);
    void chonThuMuc(const char* truong);
    // Refuses a folder that overlaps the data folder or cannot take the marker; the card says why.
    void chonThuMucSaoLuu(const QString& duongDan);
    void tatSaoLuu();
    void saoLuuBu();
    void datMaPin();
    void boKhoa();
    void datTuKhoiDong(bool bat);

    QDialog* bangDuLieuTho() const { return sheet_; }
    MucPhanMem* mucPhanMem() const { return phanMem_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    TheMuc* mucGiaoDien();
    TheMuc* mucNguonDon();
    TheMuc* mucDongBo();
    TheMuc* mucCamera();
    TheMuc* mucSerial();
    TheMuc* mucTiengBao();
    TheMuc* mucLuuTru();
    TheMuc* mucSaoLuu();
    TheMuc* mucKhoaCaiDat();
    TheMuc* mucKhoiDong();

    void dungDongTruong();
    void kiemTraThuMucSaoLuu();
    void napDanhSachCamera();
    void capNhat();
    void capNhatNhatKy();
    void capNhatBangTho();

    BoDieuPhoi* dieuPhoi_;
    QPointer<BoDongBo> dongBo_;
    QPointer<SaoLuu> saoLuu_;
    QPointer<CongCameraManHinh> camera_;
    CaiDat& caiDat_;
    NenTang nenTang_;

    QMap<QString, QString> oNhap_;
    QString nguonDaNapKhoa_;   // the platform whose credentials the fields show, once read
    QSet<QString> daSuaKhoa_;  // fields typed into since the last read was asked
    quint64 lanNapKhoa_ = 0;   // the read whose answer the fields wait for
    bool xemTho_ = false;
    std::optional<QString> ketQuaToken_;
    bool dangThu_ = false;
    bool tuKhoiDong_ = false;
    std::optional<QString> loiTuKhoiDong_;
    QString pinMoi_;
    std::optional<QString> thongBaoPin_;
    std::optional<QString> loiSaoLuu_;

    QButtonGroup* nhomNen_ = nullptr;
    QComboBox* chonNguon_ = nullptr;
    NhanMau* canhBaoChuaKiem_ = nullptr;
    QVBoxLayout* cotTruong_ = nullptr;
    QMap<QString, QLineEdit*> oTruong_;
    NhanMau* huongDan_ = nullptr;
    QPushButton* nutKiemTra_ = nullptr;
    QProgressBar* quayThu_ = nullptr;
    QPushButton* nutXemTho_ = nullptr;
    NhanMau* chuKetQuaToken_ = nullptr;

    QPushButton* nutDongBoNgay_ = nullptr;
    QPushButton* nutLay30Ngay_ = nullptr;
    QProgressBar* quayDongBo_ = nullptr;
    NhanMau* chuTrangThaiDongBo_ = nullptr;
    NhanMau* chuLoiDongBo_ = nullptr;
    QWidget* khungNhatKy_ = nullptr;
    QVBoxLayout* cotNhatKy_ = nullptr;
    QStringList nhatKyDaVe_;

    QComboBox* chonWebcam_ = nullptr;
    QComboBox* chonDoPhanGiai_ = nullptr;
    QSpinBox* oBitrate_ = nullptr;
    NhanMau* chuUocTinh_ = nullptr;
    QPushButton* nutApDungCamera_ = nullptr;
    QCheckBox* hopSerial_ = nullptr;
    QCheckBox* hopTieng_ = nullptr;

    QLineEdit* oTenShop_ = nullptr;
    NhanRutGon* chuThuMucGoc_ = nullptr;
    QSpinBox* oSoNgayGiu_ = nullptr;

    NhanRutGon* chuThuMucSaoLuu_ = nullptr;
    QPushButton* nutTatSaoLuu_ = nullptr;
    NhanMau* chuLoiSaoLuu_ = nullptr;
    QPushButton* nutSaoLuuBu_ = nullptr;
    QProgressBar* quaySaoLuu_ = nullptr;
    NhanMau* chuTrangThaiSaoLuu_ = nullptr;

    NhanMau* chuTrangThaiPin_ = nullptr;
    QLineEdit* oPin_ = nullptr;
    QPushButton* nutDatPin_ = nullptr;
    QPushButton* nutBoKhoa_ = nullptr;
    NhanMau* chuThongBaoPin_ = nullptr;

    QCheckBox* hopTuKhoiDong_ = nullptr;
    NhanMau* chuLoiTuKhoiDong_ = nullptr;

    MucPhanMem* phanMem_ = nullptr;

    QPointer<QDialog> sheet_;
    QPlainTextEdit* oTho_ = nullptr;
    QPushButton* nutChep_ = nullptr;
};
