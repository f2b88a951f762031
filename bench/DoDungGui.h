#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

// The GUI thread's longest stall from the moment this is built: a timer due every millisecond notes how long
// each turn of the event loop kept it waiting.
class DoDungGui {
public:
    DoDungGui() {
        dong_.start();
        nhip_.setInterval(1);
        QObject::connect(&nhip_, &QTimer::timeout, [this] { ghiNhan(); });
        nhip_.start();
    }

    // Counts the gap up to now, for a stretch that ends without the timer firing again.
    void ghiNhan() {
        lonNhat_ = std::max(lonNhat_, dong_.elapsed() - truoc_);
        truoc_ = dong_.elapsed();
    }
    void dung() { nhip_.stop(); }
    qint64 lonNhat() const { return lonNhat_; }

private:
    QElapsedTimer dong_;
    QTimer nhip_;
    qint64 truoc_ = 0, lonNhat_ = 0;
};
