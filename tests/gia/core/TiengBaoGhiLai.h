#pragma once

#include <vector>

#include "core/CongTiengBao.h"

// Remembers the cues instead of playing them.
class TiengBaoGhiLai final : public CongTiengBao {
public:
    void phat(LoaiTieng loai) override { cacTieng.push_back(loai); }
    std::vector<LoaiTieng> cacTieng;
};
