#pragma once

#include "store/DongHo.h"

class KhungChinh;

// Hands the window the builders of this library's screens: the lookup from the store and the current shop
// name, and the reconciliation from the store and the editor of saved records on the given clock, each built
// anew whenever its entry is chosen.
class DangKyManHinh {
public:
    static void dangKy(KhungChinh& khung, const DongHo& dongHo = DongHo::heThong());
};
