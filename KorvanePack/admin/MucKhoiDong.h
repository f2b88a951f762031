#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "admin/TheMuc.h"

class NhanMau;
class QCheckBox;
class TuKhoiDongXdg;

// The "Khởi động" card: whether the desktop starts the program at login. The switch shows the entry on disk as
// last read, not what was asked for; a failed write's reason lives as long as the card.
class MucKhoiDong : public TheMuc {
    Q_OBJECT
public:
    explicit MucKhoiDong(std::shared_ptr<TuKhoiDongXdg> tuKhoiDong, QWidget* parent = nullptr);

    static QString chuLoiTuKhoiDong(const QString& moTa, const QString& thuMucTuKhoiDong);

    bool tuKhoiDong() const { return tuKhoiDong_; }
    const std::optional<QString>& loiTuKhoiDong() const { return loiTuKhoiDong_; }

    // Reads the entry on disk again: someone else may have written or removed it.
    void khiHienRa();
    void datTuKhoiDong(bool bat);

private:
    void capNhat();

    std::shared_ptr<TuKhoiDongXdg> dangKy_;
    bool tuKhoiDong_ = false;
    std::optional<QString> loiTuKhoiDong_;
    QCheckBox* hopTuKhoiDong_ = nullptr;
    NhanMau* chuLoiTuKhoiDong_ = nullptr;
};
