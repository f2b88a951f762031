#pragma once

#include <QLabel>

#include "shell/MauDong.h"

// A label whose text colour is a themed colour, re-resolved whenever the appearance changes.
class NhanMau : public QLabel {
    Q_OBJECT
public:
    explicit NhanMau(const QString& chu = {}, QWidget* parent = nullptr);
    NhanMau(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent = nullptr);

    void datMau(const MauDong& mau, double doMo = 1.0);
    // A fixed colour (white on the recording badge, for example) that ignores the appearance.
    void datMauCoDinh(const QColor& mau);
    QColor mauChu() const;

private:
    void apMau();
    MauDong mau_;
    double doMo_ = 1.0;
    bool coDinh_ = false;
    QColor mauCoDinh_;
};
