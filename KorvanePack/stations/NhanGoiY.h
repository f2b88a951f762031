#pragma once

#include "shell/NhanMau.h"

// A hint laid over the camera picture: one line wherever the box is wide enough, wrapped onto more lines
// where it is not. The box places its overlay at the overlay's preferred size, so the preferred width is
// the whole line; a plain wrapping label would prefer a narrower, two-line shape even in a wide box.
class NhanGoiY : public NhanMau {
    Q_OBJECT
public:
    NhanGoiY(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent = nullptr);

    QSize sizeHint() const override;
};
