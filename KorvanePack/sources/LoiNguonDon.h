#pragma once

#include "sources/LoiNenTang.h"

// The failure of a request sent through guiYeuCau (every client but Haravan's).
class LoiNguonDon : public LoiNenTang {
public:
    using LoiNenTang::LoiNenTang;
};
