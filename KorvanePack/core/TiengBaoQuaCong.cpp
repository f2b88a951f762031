#include "core/TiengBaoQuaCong.h"

#include "core/TiengBao.h"

void TiengBaoQuaCong::phat(int loai) {
    tieng_.phat(loai);
}
