#pragma once

#include <QMap>
#include <QString>
#include <functional>

// One way of asking Haravan for changed orders. Shops differ in what their API accepts, so the client
// tries these in a fixed order and remembers the one that worked.
struct KieuThamSo {
    QString ten;
    // (from-time, page size, page) to query items; a map, so the items come out sorted by name.
    std::function<QMap<QString, QString>(const QString&, int, int)> dung;
};
