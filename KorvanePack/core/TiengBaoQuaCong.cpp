#include "core/TiengBaoQuaCong.h"

#include "core/TiengBao.h"

void TiengBaoQuaCong::phat(LoaiTieng loai) {
    tieng_.phat(loai);
}
