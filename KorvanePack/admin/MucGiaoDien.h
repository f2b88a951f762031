#pragma once

#include "admin/TheMuc.h"

class CaiDat;
class QButtonGroup;

// The "Giao diện" card: the dark, light or follow-the-desktop appearance, applied the moment it is chosen.
class MucGiaoDien : public TheMuc {
    Q_OBJECT
public:
    explicit MucGiaoDien(CaiDat& caiDat, QWidget* parent = nullptr);

private:
    void capNhat();

    CaiDat& caiDat_;
    QButtonGroup* nhomNen_ = nullptr;
};
