#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QMap>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

#include "admin/BieuMauKhoa.h"
#include "admin/ManHinhThuMay.h"
#include "shell/NhanNgatMoiCho.h"
#include "core/BoDieuPhoi.h"
#include "shell/NhanMau.h"

class QVBoxLayout;
class BoDieuPhoi;
class CongDongBo;
class CaiDat;
class CongCameraManHinh;

// The first-run wizard: shop name, data folder, webcam with a live scan test, sales platform with its
// credentials. Every choice is stored as it is made; only the shop name is required to go on, and finishing
// merely records that the first run is done. Steps, typed credentials and the test result live only as long
// as the wizard.
class ManHinhCaiDatLanDau : public QWidget {
    Q_OBJECT
public:
    static const QStringList tenCacBuoc;

    // Asks the owner for a folder, starting at the one set now, and hands back its path, or none when
    // cancelled. It must not block: the answer comes later through the callback.
    using ChonThuMuc =
        std::function<void(QWidget* cha, const QString& hienTai, std::function<void(std::optional<QString>)> xong)>;

    ManHinhCaiDatLanDau(BoDieuPhoi* dieuPhoi, CaiDat& caiDat, CongDongBo* dongBo, CongCameraManHinh* camera,
                        std::function<void()> xongRoi, QWidget* parent = nullptr);
    ~ManHinhCaiDatLanDau() override;

    // Moves the open data store onto the chosen folder, so that the first recording lands there. Absent on
    // success; otherwise why it could not, and the folder setting is left as it was.
    using DoiKho = std::function<std::optional<QString>(const QString& thuMuc)>;

    // The desktop's folder chooser; tests put their own.
    void datChonThuMuc(ChonThuMuc chon) { chonThuMuc_ = std::move(chon); }
    void datDoiKho(DoiKho doiKho) { doiKho_ = std::move(doiKho); }
    // Why the last chosen folder could not be used, while the storage step shows it.
    std::optional<QString> loiThuMuc() const;
    static void chonThuMucHeThong(QWidget* cha, const QString& hienTai,
                                  std::function<void(std::optional<QString>)> xong);

    int buoc() const { return buoc_; }
    // The credential form of the platform step, the same the settings card draws.
    const BieuMauKhoa& bieuMau() const { return bieuMau_; }
    const QMap<QString, QString>& oNhap() const { return bieuMau_.oNhap(); }
    const std::optional<QString>& ketQuaToken() const { return bieuMau_.ketQuaToken(); }
    bool dangThu() const { return bieuMau_.dangThu(); }

    void khiHienRa();
    void napONhap();
    void chonThuMuc();
    void doiCamera(const QString& cameraId);
    QString docONhap(const QString& khoa) const;
    void ghiONhap(const QString& khoa, const QString& giaTri);
    bool duNhap() const;
    void luuVaKiemTra();
    void buocTruoc();
    void buocSau();
    void hoanTat();

    // Pieces shown now, for tests and screenshots.
    QPushButton* nutTiepTuc() const { return nutTiep_; }
    QPushButton* nutQuayLai() const { return nutLui_; }
    QPushButton* nutLuuVaKiemTra() const { return nutLuu_; }
    QLineEdit* oTenShop() const { return oTenShop_; }
    QComboBox* chonWebcam() const { return chonWebcam_; }
    QComboBox* chonNguon() const { return chonNguon_; }
    QList<QLineEdit*> cacOKhoa() const { return cacOKhoa_; }
    ManHinhThuMay* thuMay() const { return thuMay_; }
    QString chuKetQua() const;
    QColor mauKetQua() const;
    QString chuThuMuc() const;
    QStringList cacNhanBuoc() const;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void giuCheDoThu();
    void thaCheDoThu();
    void datBuoc(int b);
    void lamMoiChiBao();
    void lamMoiBuoc();
    void lamMoiDieuHuong();
    void lamMoiNutLuu();
    void lamMoiONhap(const QString& khoa);
    void lamMoiWebcam();
    QWidget* taoTieuDe(const QString& tieuDe, const QString& phu, QWidget* cha);
    QWidget* buocChaoMung();
    QWidget* buocLuuTru();
    QWidget* buocWebcam();
    QWidget* buocNguonDon();

    QPointer<BoDieuPhoi> dieuPhoi_;
    CaiDat& caiDat_;
    QPointer<CongDongBo> dongBo_;
    QPointer<CongCameraManHinh> camera_;
    std::function<void()> xongRoi_;
    ChonThuMuc chonThuMuc_ = chonThuMucHeThong;
    DoiKho doiKho_;

    int buoc_ = 0;
    BieuMauKhoa bieuMau_;
    // Whether this wizard put the coordinator into test mode, and the mode it found.
    bool giuCheDo_ = false;
    BoDieuPhoi::CheDo cheDoTruoc_ = BoDieuPhoi::CheDo::dongGoi;

    QWidget* chiBao_ = nullptr;
    QVBoxLayout* cotChiBao_ = nullptr;
    QVBoxLayout* cotBuoc_ = nullptr;
    QWidget* buocHienTai_ = nullptr;
    QPushButton* nutLui_ = nullptr;
    QPushButton* nutTiep_ = nullptr;

    // Controls of the step on show; null when another step is shown.
    QPointer<QLineEdit> oTenShop_;
    QPointer<NhanNgatMoiCho> chuThuMuc_;
    QPointer<NhanMau> chuLoiThuMuc_;
    QPointer<QComboBox> chonWebcam_;
    QPointer<ManHinhThuMay> thuMay_;
    QPointer<QComboBox> chonNguon_;
    QList<QLineEdit*> cacOKhoa_;
    QPointer<QPushButton> nutLuu_;
    QPointer<QProgressBar> quay_;
    QPointer<NhanMau> ketQua_;
    QPointer<NhanMau> loiKhoa_;
};
