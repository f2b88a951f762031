#pragma once

#include "shell/NhanMau.h"

// A one-line label that cuts a long text in the middle, so both the start and the end of a path stay visible.
class NhanRutGon : public NhanMau {
    Q_OBJECT
public:
    NhanRutGon(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent = nullptr);

    void datChu(const QString& chu);
    const QString& chuDayDu() const { return chu_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void rutGon();
    QString chu_;
};
