#pragma once

#include <QString>

// One row of the platform picker.
struct MucNguon {
    QString id;
    QString ten;
    // Only platforms whose connection has been tried against a real shop are marked; the settings screen
    // warns about the others.
    bool daKiemChung = false;

    friend bool operator==(const MucNguon&, const MucNguon&) = default;
};
