#pragma once

#include <QFont>

// Sizes in the layouts are in device-independent pixels, the same unit the layouts use for spacing,
// so fonts are sized in pixels too. DejaVu covers every Vietnamese letter.
QFont phongChu(double coPx, QFont::Weight dam = QFont::Normal, bool donCach = false);
