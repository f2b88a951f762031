#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "admin/TheMuc.h"

class CaiDat;
class NhanRutGon;
class QLineEdit;
class QSpinBox;

// The "Lưu trữ" card: the shop name burnt into the videos, the data folder (used from the next start on) and how
// many days videos are kept.
class MucLuuTru : public TheMuc {
    Q_OBJECT
public:
    // The folder the owner picked, none when they cancelled; it opens at the folder set now.
    using ChonThuMuc = std::function<std::optional<QString>(QWidget* cha, const QString& hienTai)>;
    using MoThuMuc = std::function<void(const QString& duongDan)>;

    MucLuuTru(CaiDat& caiDat, ChonThuMuc chonThuMuc, MoThuMuc moThuMuc, QWidget* parent = nullptr);

    void chonThuMucGoc();

signals:
    // The owner chose a new data folder here.
    void daChonThuMucGoc(const QString& duongDan);

private:
    void capNhat();

    CaiDat& caiDat_;
    ChonThuMuc chonThuMuc_;
    MoThuMuc moThuMuc_;
    QLineEdit* oTenShop_ = nullptr;
    NhanRutGon* chuThuMucGoc_ = nullptr;
    QSpinBox* oSoNgayGiu_ = nullptr;
};
