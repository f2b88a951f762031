#pragma once

#include <QWidget>

#include "shell/MauDong.h"

// A closed padlock drawn in one themed colour, re-resolved on every paint so it follows the appearance.
class BieuTuongKhoa : public QWidget {
    Q_OBJECT
public:
    BieuTuongKhoa(int coPx, const MauDong& mau, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    MauDong mau_;
};
