#pragma once

#include "admin/TheMuc.h"

class CaiDat;
class QCheckBox;

// The "Ghi serial sản phẩm" card: whether a non-order code scanned while filming is kept as the item's serial.
class MucSerial : public TheMuc {
    Q_OBJECT
public:
    explicit MucSerial(CaiDat& caiDat, QWidget* parent = nullptr);

private:
    void capNhat();

    CaiDat& caiDat_;
    QCheckBox* hopSerial_ = nullptr;
};
