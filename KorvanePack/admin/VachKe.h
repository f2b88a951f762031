#pragma once

#include <QWidget>

struct MauDong;

// A thin rule filled edge to edge with a themed colour. A rounded frame one pixel high draws nothing: its path,
// inset by half a pixel on each side for a crisp outline, has no height left to fill.
class VachKe : public QWidget {
    Q_OBJECT
public:
    VachKe(const MauDong& mau, int rong, int cao, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    const MauDong& mau_;
};
