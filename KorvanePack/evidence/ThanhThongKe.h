#pragma once

#include <QWidget>

// One bar of the 30-day list: a teal bar from the leading edge, as long as the day's count against the
// busiest day, never so short that a day with a video disappears.
class ThanhThongKe : public QWidget {
    Q_OBJECT
public:
    ThanhThongKe(int so, int thang, QWidget* parent = nullptr);

    // The scale a list is drawn against: its greatest count, or 1 when that is below 2.
    static int thangCua(int lonNhat);
    static double doRong(double rongCo, int so, int thang);
    double doRongHienTai() const { return doRong(width(), so_, thang_); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    int so_;
    int thang_;
};
