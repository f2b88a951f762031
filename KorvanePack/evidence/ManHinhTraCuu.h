#pragma once

#include <QList>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "shell/KhungBo.h"
#include "shell/NhanMau.h"
#include "evidence/TrinhPhatVideo.h"
#include "store/BanGhiVideo.h"

class KhoDuLieu;
class MoTep;
class QLineEdit;
class QListWidget;
class QScrollArea;
class QStackedWidget;
class QVBoxLayout;

// Finds any saved video by code, phone or customer name, plays it, checks the file against the fingerprint
// taken when it was recorded, and starts the evidence dossier. It writes nothing itself: the dossier export
// writes its own folder. Everything here runs on the GUI thread; only the export works in the background.
class ManHinhTraCuu : public QWidget {
    Q_OBJECT
public:
    struct KetQuaKiemTra {
        bool ok = false;
        QString chu;
    };
    // This machine's identifier, asked for at the moment an export starts.
    using LayMaMay = std::function<QString()>;

    static inline const QString kKhongConFile = QStringLiteral("File video không còn trên ổ cứng.");
    static inline const QString kKhongDocDuoc = QStringLiteral("Không đọc được file.");
    static inline const QString kNguyenVen = QStringLiteral("Nguyên vẹn — dấu vân tay khớp với lúc quay.");
    static inline const QString kKhongKhop = QStringLiteral("KHÔNG khớp: file đã bị thay đổi sau khi quay.");
    // %1: where the file is.
    static inline const QString kKhongMoDuocVideo =
        QStringLiteral("Máy chưa có chương trình mở file .mp4. File nằm ở: %1");

    // `moTep` is not owned and must outlive the screen.
    ManHinhTraCuu(KhoDuLieu& kho, QString tenShop, LayMaMay layMaMay, MoTep& moTep, QWidget* parent = nullptr);
    // The desktop's own opener.
    ManHinhTraCuu(KhoDuLieu& kho, QString tenShop, LayMaMay layMaMay, QWidget* parent = nullptr);
    ~ManHinhTraCuu() override;

    const QString& tuKhoa() const { return tuKhoa_; }
    void datTuKhoa(const QString& tuKhoa);
    void tim();
    static bool khop(const BanGhiVideo& bg, const QString& tuKhoaChuan, const QString& tuKhoa);
    static void sapXepKetQua(QList<BanGhiVideo>& ds);
    const QList<BanGhiVideo>& ketQua() const { return ketQua_; }

    std::optional<QString> idDangChon() const;
    void chonTheoId(const std::optional<QString>& id);
    const std::optional<BanGhiVideo>& dangChon() const { return dangChon_; }

    void kiemTraNguyenVen();
    const std::optional<KetQuaKiemTra>& ketQuaKiemTra() const { return ketQuaKiemTra_; }

    void xuatHoSo();
    bool dangXuat() const { return dangXuat_; }
    // The message of the last export, kept for the record it was made for until another record is selected.
    const std::optional<QString>& ketQuaXuat() const { return ketQuaXuat_; }
    // %1: the folder.
    static inline const QString kKhongMoDuocThuMuc =
        QStringLiteral("Máy chưa có trình quản lý tệp để mở thư mục. Thư mục nằm ở: %1");
    // What "Mở video", "Mở thư mục" or the reveal after an export said when the desktop could not open it.
    const std::optional<QString>& loiMoVideo() const { return loiMoVideo_; }

    void moVideo();
    void moThuMuc();

    // The pieces tests and screenshots look at.
    QListWidget* danhSach() const { return danhSach_; }
    QLineEdit* oTim() const { return oTim_; }
    TrinhPhatVideo* trinhPhat() const { return trinhPhat_; }
    QWidget* chiTiet() const { return chiTiet_; }
    QPushButton* nutXuat() const { return nutXuat_; }
    QPushButton* nutMoVideo() const { return nutMoVideo_; }

    // One label/value row of the detail pane.
    static QWidget* dongThongTin(const QString& nhan, const QString& giaTri, bool donCach);

signals:
    void daXuatXong();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void lamMoiDanhSach();
    void lamMoiChiTiet();
    void lamMoiKetQua();
    QWidget* taoChiTiet(const BanGhiVideo& bg);
    bool coFile() const;
    void hienThuMuc(const QString& duongDan, const QString& thuMuc, const QString& id);

    KhoDuLieu& kho_;
    QString tenShop_;
    LayMaMay layMaMay_;
    std::unique_ptr<MoTep> moTepRieng_;
    MoTep& moTep_;

    QString tuKhoa_;
    QList<BanGhiVideo> ketQua_;
    std::optional<BanGhiVideo> dangChon_;
    std::optional<KetQuaKiemTra> ketQuaKiemTra_;
    bool dangXuat_ = false;
    std::optional<QString> ketQuaXuat_;
    QString idKetQuaXuat_;
    std::optional<QString> loiMoVideo_;

    QLineEdit* oTim_ = nullptr;
    QStackedWidget* trai_ = nullptr;
    QListWidget* danhSach_ = nullptr;
    QStackedWidget* phai_ = nullptr;
    QScrollArea* cuon_ = nullptr;
    QWidget* chiTiet_ = nullptr;
    QPointer<TrinhPhatVideo> trinhPhat_;
    QPointer<QPushButton> nutXuat_;
    QPointer<QPushButton> nutMoVideo_;
    QPointer<QProgressBar> dangChay_;
    QPointer<NhanMau> chuXuat_;
    QPointer<NhanMau> chuMoVideo_;
    QPointer<NhanMau> chuKiemTra_;
    QPointer<KhungBo> hopKiemTra_;
    bool dangDienDanhSach_ = false;
};
