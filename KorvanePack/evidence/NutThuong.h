#pragma once

#include <QPushButton>

#include "shell/PhongChu.h"

// The plain push button of these screens: the screens' own type size, tall enough for Vietnamese marks
// above and below the line, never taking Return from the search fields.
inline QPushButton* nutThuong(const QString& chu) {
    auto* n = new QPushButton(chu);
    n->setFont(phongChu(13));
    n->setMinimumHeight(30);
    n->setAutoDefault(false);
    return n;
}
