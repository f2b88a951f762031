#pragma once

#include "admin/TheMuc.h"

class CaiDat;
class QCheckBox;

// The "Tiếng báo" card: the sound cues on or off, obeyed by the running player from the next cue on.
class MucTiengBao : public TheMuc {
    Q_OBJECT
public:
    explicit MucTiengBao(CaiDat& caiDat, QWidget* parent = nullptr);

    void datBatTieng(bool bat);

private:
    void capNhat();

    CaiDat& caiDat_;
    QCheckBox* hopTieng_ = nullptr;
};
