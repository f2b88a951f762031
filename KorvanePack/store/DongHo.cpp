#include "store/DongHo.h"

using namespace std::chrono;

double DongHo::giayThuc() const {
    return duration<double>(gioThuc().time_since_epoch()).count();
}

DongHo& DongHo::heThong() {
    static DongHoHeThong dongHo;
    return dongHo;
}
