#pragma once

#include <QString>
#include <optional>

#include "admin/TheMuc.h"

class CaiDat;
class NhanMau;
class QLineEdit;
class QPushButton;

// The "Khoá màn hình Cài đặt" card: setting, changing or removing the PIN that guards the settings screen. The
// message after an action lives as long as the card.
class MucKhoaCaiDat : public TheMuc {
    Q_OBJECT
public:
    explicit MucKhoaCaiDat(CaiDat& caiDat, QWidget* parent = nullptr);

    static inline const QString kChuaKhoa =
        QStringLiteral("Chưa khoá. Nhân viên ở bàn đóng gói đổi được thư mục lưu và tắt được tiếng báo.");
    static inline const QString kDangKhoa = QStringLiteral("Đang khoá. Mở màn hình Cài đặt phải nhập đúng mã PIN.");

    const QString& pinMoi() const { return pinMoi_; }
    const std::optional<QString>& thongBaoPin() const { return thongBaoPin_; }

    void datMaPin();
    void boKhoa();

private:
    void capNhat();

    CaiDat& caiDat_;
    QString pinMoi_;
    std::optional<QString> thongBaoPin_;

    NhanMau* chuTrangThaiPin_ = nullptr;
    QLineEdit* oPin_ = nullptr;
    QPushButton* nutDatPin_ = nullptr;
    QPushButton* nutBoKhoa_ = nullptr;
    NhanMau* chuThongBaoPin_ = nullptr;
};
