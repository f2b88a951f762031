#pragma once

#include "shell/NhanMau.h"

// A wrapping themed label that may be given a maximum width. Layouts ask a label's height for the width
// they could give it, not the width it will take, so a plain wrapping label with a maximum width is
// given the height of fewer lines than it draws and its last lines are cut off.
class NhanBoc : public NhanMau {
    Q_OBJECT
public:
    NhanBoc(const QString& chu, const MauDong& mau, const QFont& phong, int rongToiDa = 0, QWidget* parent = nullptr);
    int heightForWidth(int w) const override;
};
