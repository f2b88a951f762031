#pragma once

#include "core/CongTiengBao.h"

class TiengBao;

// The coordinator's cues played by the real sound player.
class TiengBaoQuaCong final : public CongTiengBao {
public:
    explicit TiengBaoQuaCong(TiengBao& tieng) : tieng_(tieng) {}
    void phat(LoaiTieng loai) override;
    TiengBao& tieng() const { return tieng_; }

private:
    TiengBao& tieng_;
};
