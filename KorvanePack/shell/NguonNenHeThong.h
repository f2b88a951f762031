#pragma once

#include <QObject>
#include <optional>

#include "shell/MauDong.h"

// Where the desktop's own light/dark preference comes from. The real one asks the freedesktop
// settings portal; tests hand in a fixed answer and change it by hand.
class NguonNenHeThong : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // The desktop's preference once known; none while no answer came or when it states no preference.
    virtual std::optional<CheDoNen> nen() const = 0;

signals:
    void daDoi();
};
