#pragma once

#include <QObject>
#include <functional>

// A receiver with one parameterless slot, so a change signal of any signature found through the
// meta-object can reach a plain function. It lives as a child of whoever listens.
class BoChuyenTin final : public QObject {
    Q_OBJECT
public:
    BoChuyenTin(QObject* cha, std::function<void()> f) : QObject(cha), f_(std::move(f)) {}

public slots:
    void phat() {
        if (f_) f_();
    }

private:
    std::function<void()> f_;
};
