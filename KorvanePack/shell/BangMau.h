#pragma once

#include "shell/MauDong.h"

// The one palette every screen draws from (dark triple, light triple). It lives beside the window
// because the sidebar and the stations share it, and the window cannot reach the stations' library.
struct BangMau {
    static const MauDong mauNen;        // page background
    static const MauDong mauThe;        // card, panel, field and sidebar fill
    static const MauDong mauVienThe;    // card and box border
    static const MauDong mauChuChinh;   // primary text
    static const MauDong mauChuPhu;     // secondary text
    static const MauDong mauXanhLa;     // success, camera ready
    static const MauDong mauDo;         // recording, warnings, NutDo
    static const MauDong mauHoPhach;    // returns accents, NutVang
    static const MauDong mauXanhDuong;  // aiming frame, codes, selection
};
