#pragma once

#include "sources/LoiNenTang.h"

// The Haravan client has its own sender; its failures get their own user texts (moTaLoiHaravan).
class LoiHaravan : public LoiNenTang {
public:
    using LoiNenTang::LoiNenTang;
};
