#pragma once

#include "core/LoaiTieng.h"

// What the coordinator needs of the sound player: one cue per outcome. Tests record the cues.
class CongTiengBao {
public:
    virtual ~CongTiengBao() = default;
    virtual void phat(LoaiTieng loai) = 0;
};
