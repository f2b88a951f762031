#pragma once

#include <QTextLayout>

#include "shell/NhanMau.h"

// A themed label that wraps at spaces, and inside a word too long for its line (a path, a device id, a filter
// graph) wherever it must, so a narrow place shows all of it instead of cutting its end or its middle off. Its
// height follows its width: it belongs in a layout that asks for it, or under a parent that places it by it.
class NhanNgatMoiCho : public NhanMau {
    Q_OBJECT
public:
    NhanNgatMoiCho(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int w) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    // Lays the text out in lines `rong` wide; the height they take.
    int xep(QTextLayout& bo, int rong) const;
};
