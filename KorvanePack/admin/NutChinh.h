#pragma once

#include <QPushButton>

// The screens' prominent action: accent fill with a dark label, faded while disabled so an action that
// cannot run yet reads as such.
class NutChinh : public QPushButton {
    Q_OBJECT
public:
    explicit NutChinh(const QString& chu, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* e) override;
};
