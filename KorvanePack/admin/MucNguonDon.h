#pragma once

#include <QDialog>
#include <QMap>
#include <QPointer>
#include <QString>
#include <optional>

#include "admin/BieuMauKhoa.h"
#include "admin/TheMuc.h"

class CongDongBo;
class CaiDat;
class NhanMau;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

// The "Nguồn đơn hàng" card: which platform the orders come from, its credential form (BieuMauKhoa, the same
// the first-run wizard draws; written only by "Lưu khoá"), the connection test and the sheet with the platform's
// raw reply. The result of a test lives as long as the card.
class MucNguonDon : public TheMuc {
    Q_OBJECT
public:
    MucNguonDon(CongDongBo* dongBo, CaiDat& caiDat, QWidget* parent = nullptr);

    static inline const QString kChuaCoMauTho = QStringLiteral("Chưa có. Bấm Đồng bộ ngay rồi mở lại.");

    const BieuMauKhoa& bieuMau() const { return bieuMau_; }
    const QMap<QString, QString>& oNhap() const { return bieuMau_.oNhap(); }
    // The stored credentials of the chosen platform are back from the keyring.
    bool daNapKhoa() const { return bieuMau_.daNap(); }
    bool xemTho() const { return xemTho_; }
    const std::optional<QString>& ketQuaToken() const { return bieuMau_.ketQuaToken(); }
    bool dangThu() const { return bieuMau_.dangThu(); }

    void napONhap();
    void luuKhoa();
    void kiemTraKetNoi();
    void moXemTho();
    void chepToanBo();

    QDialog* bangDuLieuTho() const { return sheet_; }

private:
    void dungDongTruong();
    void capNhat();
    void capNhatBangTho();

    QPointer<CongDongBo> dongBo_;
    CaiDat& caiDat_;

    BieuMauKhoa bieuMau_;
    bool xemTho_ = false;

    QComboBox* chonNguon_ = nullptr;
    NhanMau* canhBaoChuaKiem_ = nullptr;
    QVBoxLayout* cotTruong_ = nullptr;
    QMap<QString, QLineEdit*> oTruong_;
    NhanMau* loiKhoa_ = nullptr;
    NhanMau* huongDan_ = nullptr;
    QPushButton* nutKiemTra_ = nullptr;
    QProgressBar* quayThu_ = nullptr;
    QPushButton* nutXemTho_ = nullptr;
    NhanMau* chuKetQuaToken_ = nullptr;

    QPointer<QDialog> sheet_;
    QPlainTextEdit* oTho_ = nullptr;
    QPushButton* nutChep_ = nullptr;
};
