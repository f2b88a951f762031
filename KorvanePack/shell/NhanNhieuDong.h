#pragma once

#include "shell/NhanMau.h"

// A word-wrapped themed label that always has room for all its lines. Box layouts size a wrapped label by its
// unwrapped hint when it is placed with an alignment or sits in a widget that takes its height from its
// layout's minimum; it then draws more lines than it was given and loses its first and last ones. This label
// keeps its minimum height at what its text needs at the width it was given.
class NhanNhieuDong : public NhanMau {
    Q_OBJECT
public:
    NhanNhieuDong(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent = nullptr);

    void datChu(const QString& chu);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void khopChieuCao();
};
