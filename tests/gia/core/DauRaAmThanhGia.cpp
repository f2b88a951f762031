#include "gia/core/DauRaAmThanhGia.h"

bool DauRaAmThanhGia::damBaoChay(BoTronAm& nguon) {
    ++soLanHoi;
    nguonCuoi = &nguon;
    return chay;
}
