#include "admin/NhanBoc.h"

NhanBoc::NhanBoc(const QString& chu, const MauDong& mau, const QFont& phong, int rongToiDa, QWidget* parent)
    : NhanMau(chu, mau, phong, parent) {
    setWordWrap(true);
    if (rongToiDa > 0) setMaximumWidth(rongToiDa);
}

int NhanBoc::heightForWidth(int w) const {
    return NhanMau::heightForWidth(qMin(w, maximumWidth()));
}
