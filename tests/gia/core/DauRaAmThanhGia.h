#pragma once

#include "core/DauRaAmThanh.h"

// An output for tests: reports running or not as told and counts how often it was asked; the test pulls the
// mixed samples from the mixer itself.
class DauRaAmThanhGia final : public DauRaAmThanh {
public:
    bool damBaoChay(BoTronAm& nguon) override;

    bool chay = true;
    int soLanHoi = 0;
    BoTronAm* nguonCuoi = nullptr;
};
