#pragma once

#include "shell/NhanMau.h"

// A one-line themed label that ends in "…" when its place is too narrow, instead of being cut off or pushing
// its row wider than the screen.
class NhanCatCuoi : public NhanMau {
    Q_OBJECT
public:
    using NhanMau::NhanMau;
    QSize minimumSizeHint() const override;
    // Whether the text is now shown cut short.
    bool biCat() const;

protected:
    void paintEvent(QPaintEvent* e) override;
};
