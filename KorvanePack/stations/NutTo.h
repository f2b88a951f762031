#pragma once

#include <QPushButton>

#include "shell/MauDong.h"

// The filled button shape shared by the stations' two styles: semibold 15 px label, 22/14 padding,
// radius 10, the fill dimmed to 80 % while held. The enabled state does not change the look.
class NutTo : public QPushButton {
    Q_OBJECT
public:
    NutTo(const QString& chu, const MauDong& nen, const QColor& mauChu, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    QColor mauNenHienTai() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    MauDong nen_;
    QColor mauChu_;
};
