#include "shell/NhanNhieuDong.h"

#include <QEvent>

NhanNhieuDong::NhanNhieuDong(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent)
    : NhanMau(chu, mau, phong, parent) {
    setWordWrap(true);
}

void NhanNhieuDong::datChu(const QString& chu) {
    setText(chu);
    khopChieuCao();
}

void NhanNhieuDong::resizeEvent(QResizeEvent* e) {
    NhanMau::resizeEvent(e);
    khopChieuCao();
}

void NhanNhieuDong::changeEvent(QEvent* e) {
    NhanMau::changeEvent(e);
    if (e->type() == QEvent::FontChange || e->type() == QEvent::ContentsRectChange) khopChieuCao();
}

void NhanNhieuDong::khopChieuCao() {
    if (width() <= 0) return;
    const int can = heightForWidth(width());
    if (can > 0 && can != minimumHeight()) setMinimumHeight(can);
}
