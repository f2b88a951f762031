#pragma once

#include <QWidget>

#include "shell/MauDong.h"

// One line of text in a themed colour that, when it does not fit, drops characters from its middle: for
// paths, whose start (the drive) and end (the folder) matter most.
class NhanCatGiua : public QWidget {
    Q_OBJECT
public:
    NhanCatGiua(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent = nullptr);
    void setText(const QString& chu);
    QString text() const { return chu_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString chu_;
    MauDong mau_;
};
