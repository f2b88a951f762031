#pragma once

#include <QString>

// One credential input of a platform. `khoa` names both the keychain item
// ("com.korvane.pack." + source id + "." + khoa) and the client's constructor argument.
struct TruongKhaiBao {
    QString khoa;
    QString nhan;
    QString goiY;
    bool biMat = false;

    friend bool operator==(const TruongKhaiBao&, const TruongKhaiBao&) = default;
};
