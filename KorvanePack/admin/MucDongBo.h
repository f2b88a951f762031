#pragma once

#include <QPointer>
#include <QStringList>

#include "admin/TheMuc.h"

class CongDongBo;
class NhanMau;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

// The "Đồng bộ đơn hàng" card: the two manual runs, the sync engine's status and error, and the last lines of
// its log.
class MucDongBo : public TheMuc {
    Q_OBJECT
public:
    explicit MucDongBo(CongDongBo* dongBo, QWidget* parent = nullptr);

private:
    void capNhat();
    void capNhatNhatKy();

    QPointer<CongDongBo> dongBo_;
    QPushButton* nutDongBoNgay_ = nullptr;
    QPushButton* nutLay30Ngay_ = nullptr;
    QProgressBar* quayDongBo_ = nullptr;
    NhanMau* chuTrangThaiDongBo_ = nullptr;
    NhanMau* chuLoiDongBo_ = nullptr;
    QWidget* khungNhatKy_ = nullptr;
    QVBoxLayout* cotNhatKy_ = nullptr;
    QStringList nhatKyDaVe_;
};
