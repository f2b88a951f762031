#pragma once

#include <QMetaObject>
#include <QString>
#include <functional>

class QObject;

// What start-up and the window need of the sync engine, which lives in a library above this one.
class CongDongBo {
public:
    virtual ~CongDongBo() = default;

    // Starts the loop unless it runs already.
    virtual void batDau() = 0;
    // The one-line status the window's status bar shows.
    virtual QString trangThai() const = 0;
    // Calls khiDoi on nhan's thread whenever the status line changes, for as long as both exist.
    virtual QMetaObject::Connection theoDoiTrangThai(QObject* nhan, std::function<void()> khiDoi) = 0;
};
