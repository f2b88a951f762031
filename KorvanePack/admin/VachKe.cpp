#include "admin/VachKe.h"

#include <QPainter>

#include "shell/MauDong.h"

VachKe::VachKe(const MauDong& mau, int rong, int cao, QWidget* parent) : QWidget(parent), mau_(mau) {
    // A width of zero means as wide as the layout makes it.
    if (rong > 0) {
        setFixedSize(rong, cao);
    } else {
        setFixedHeight(cao);
    }
}

void VachKe::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), mau_.mau());
}
