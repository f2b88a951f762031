#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

// Waits for a condition while the GUI thread's events run, so results that worker threads post back land.
// The deadline only bounds a failing test: a passing one returns as soon as the condition holds, so it is
// generous for machines that are busy. The short sleep keeps the wait from starving the threads it waits for.
inline bool choDen(const std::function<bool()>& dieuKien, int miliToiDa = 30000) {
    QElapsedTimer t;
    t.start();
    while (!dieuKien()) {
        if (t.elapsed() > miliToiDa) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}
