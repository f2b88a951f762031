#pragma once

#include "admin/TheMuc.h"

class BoDieuPhoi;
class CaiDat;
class QCheckBox;

// The "Tiếng báo" card: the sound cues on or off, obeyed by the running player from the next cue on.
class MucTiengBao : public TheMuc {
    Q_OBJECT
public:
    MucTiengBao(BoDieuPhoi* dieuPhoi, CaiDat& caiDat, QWidget* parent = nullptr);

    void datBatTieng(bool bat);

private:
    void capNhat();

    BoDieuPhoi* dieuPhoi_;
    CaiDat& caiDat_;
    QCheckBox* hopTieng_ = nullptr;
};
