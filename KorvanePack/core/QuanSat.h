#pragma once

#include <QObject>
#include <QString>
#include <functional>

// The sync engine and the backup live in libraries above the window's, so the window reads their published
// fields (Qt properties with a change signal) through the meta-object instead of their headers.
class QuanSat {
public:
    static QString docChu(const QObject* nguon, const char* truong);
    // Calls khiDoi whenever that field changes, for as long as nhan lives.
    static void theoDoi(QObject* nguon, const char* truong, QObject* nhan, std::function<void()> khiDoi);
};
