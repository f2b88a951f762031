#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>
#include <optional>

#include "admin/MaDaBat.h"
#include "core/DocMaVach.h"

class QLabel;
class QPushButton;
class QVBoxLayout;
class BoDieuPhoi;
class CongCameraManHinh;
class DongHo;
class HopCameraThu;
class KhungBo;
class NhanMau;

// The camera and scan test: the live preview, the camera's state, and every code the reader decodes while
// the screen is on view, folded by code with its read count and mean read time, under a verdict. While it is
// shown the coordinator is in test mode, so nothing it reads starts a recording.
//
// Two of these can be on screen at once (the wizard's compact one over the window's test screen). Each holds
// the camera's test claim while shown: the most recently shown one folds the reads, and the reader and the
// coordinator go back to normal only when the last one leaves, and only in what that view set.
class ManHinhThuMay : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSoDongToiDa = 8;
    static constexpr qint64 kSoLanDat = 3;
    static constexpr double kGiuaHaiLanKhiThu = 0.05;
    static constexpr double kGiuaHaiLanThuong = 0.12;

    static inline const QString kDat = QStringLiteral("ĐẠT — webcam này đọc được phiếu");
    static inline const QString kChapChon = QStringLiteral("Chập chờn — mới bắt được vài lần");
    static inline const QString kChuaDoc = QStringLiteral("Chưa đọc được mã nào");

    ManHinhThuMay(BoDieuPhoi* dieuPhoi, CongCameraManHinh* camera, bool gonGang, QWidget* parent = nullptr);
    ManHinhThuMay(BoDieuPhoi* dieuPhoi, CongCameraManHinh* camera, bool gonGang, const DongHo& dongHo,
                  QWidget* parent = nullptr);
    ~ManHinhThuMay() override;

    // Folds one batch into the list: counts and running means by exact code, most-read first (stable),
    // at most eight rows kept.
    static void ghiNhan(QList<MaDaBat>& daBat, const QList<DocMaVach::KetQuaDo>& lo,
                        std::chrono::system_clock::time_point bayGio);
    // The first row with the highest count of at least three.
    static std::optional<MaDaBat> maDat(const QList<MaDaBat>& daBat);
    static QString chuCamera(bool dangChay, const QString& tenCamera, const QString& doPhanGiai);

    const QList<MaDaBat>& daBat() const { return daBat_; }
    bool gonGang() const { return gonGang_; }
    // Whether this view holds the reader now (it is the most recently shown of the views on screen).
    bool dangGiuDauDoc() const;
    void xoaKetQua();

    // Pieces shown now, for tests and screenshots.
    QString chuKetLuan() const;
    QColor mauKetLuan() const;
    QString chuDongCamera() const;
    bool hienGoiY() const;
    HopCameraThu* hopCamera() const { return hop_; }
    KhungBo* theKetQua() const { return the_; }
    QPushButton* nutXoa() const { return nutXoa_; }
    QWidget* tieuDe() const { return tieuDe_; }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void batDauThu();
    void ketThucThu();
    void nhanKetQuaDoc(const QList<DocMaVach::KetQuaDo>& lo);
    void lamMoiKetQua();
    void lamMoiCamera();
    void noiKhungHinh();

    QPointer<BoDieuPhoi> dieuPhoi_;
    QPointer<CongCameraManHinh> camera_;
    const bool gonGang_;
    const DongHo& dongHo_;
    QList<MaDaBat> daBat_;
    bool dangThu_ = false;

    QWidget* tieuDe_ = nullptr;
    HopCameraThu* hop_;
    NhanMau* dongCamera_;
    KhungBo* the_;
    QVBoxLayout* cotThe_;
    KhungBo* hopKetLuan_;
    KhungBo* cham_;
    NhanMau* chuKetLuan_;
    QWidget* noiDungKetQua_ = nullptr;
    QPushButton* nutXoa_;
};
