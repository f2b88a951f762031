#pragma once

#include <QDialog>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QString>
#include <optional>

#include "admin/TheMuc.h"

class BoDongBo;
class CaiDat;
class NhanMau;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

// The "Nguồn đơn hàng" card: which platform the orders come from, its credential fields (read back from the
// keyring on a worker, written only by "Lưu khoá"), the connection test and the sheet with the platform's raw
// reply. The result of a test lives as long as the card.
class MucNguonDon : public TheMuc {
    Q_OBJECT
public:
    MucNguonDon(BoDongBo* dongBo, CaiDat& caiDat, QWidget* parent = nullptr);

    static inline const QString kChuaCoMauTho = QStringLiteral("Chưa có. Bấm Đồng bộ ngay rồi mở lại.");

    const QMap<QString, QString>& oNhap() const { return oNhap_; }
    // The stored credentials of the chosen platform are back from the keyring.
    bool daNapKhoa() const;
    bool xemTho() const { return xemTho_; }
    const std::optional<QString>& ketQuaToken() const { return ketQuaToken_; }
    bool dangThu() const { return dangThu_; }

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

    QPointer<BoDongBo> dongBo_;
    CaiDat& caiDat_;

    QMap<QString, QString> oNhap_;
    QString nguonDaNapKhoa_;   // the platform whose credentials the fields show, once read
    QSet<QString> daSuaKhoa_;  // fields typed into since the last read was asked
    quint64 lanNapKhoa_ = 0;   // the read whose answer the fields wait for
    bool xemTho_ = false;
    std::optional<QString> ketQuaToken_;
    bool dangThu_ = false;

    QComboBox* chonNguon_ = nullptr;
    NhanMau* canhBaoChuaKiem_ = nullptr;
    QVBoxLayout* cotTruong_ = nullptr;
    QMap<QString, QLineEdit*> oTruong_;
    NhanMau* huongDan_ = nullptr;
    QPushButton* nutKiemTra_ = nullptr;
    QProgressBar* quayThu_ = nullptr;
    QPushButton* nutXemTho_ = nullptr;
    NhanMau* chuKetQuaToken_ = nullptr;

    QPointer<QDialog> sheet_;
    QPlainTextEdit* oTho_ = nullptr;
    QPushButton* nutChep_ = nullptr;
};
