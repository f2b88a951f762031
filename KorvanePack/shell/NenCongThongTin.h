#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "shell/NguonNenHeThong.h"

// The desktop's colour scheme read from org.freedesktop.appearance color-scheme through the settings
// portal (1 prefers dark, 2 prefers light, 0 no preference). The first reading is asynchronous so the
// window never waits on the session bus; later changes arrive through the portal's SettingChanged.
class NenCongThongTin final : public NguonNenHeThong {
    Q_OBJECT
public:
    explicit NenCongThongTin(QObject* parent = nullptr);
    // On another bus than the session's, for a portal of the test's own.
    NenCongThongTin(const QDBusConnection& bus, QObject* parent = nullptr);
    std::optional<CheDoNen> nen() const override { return nen_; }

private slots:
    void khiCaiDatDoi(const QDBusMessage& tin);

private:
    void nhanGiaTri(const QVariant& giaTri);
    std::optional<CheDoNen> nen_;
};
