#pragma once

#include <QDBusConnection>
#include <QString>
#include <functional>

#include "evidence/MoTep.h"

// The desktop's own way: the default application through the desktop services, and the freedesktop file
// manager interface over the session bus for showing a file selected. A desktop without that interface (or
// without a session bus) gets the containing folder opened instead, so the user still lands next to the file.
class MoTepHeThong : public MoTep {
public:
    using MoDiaChi = std::function<bool(const QString& duongDan)>;

    MoTepHeThong();
    // `moDiaChi` replaces the desktop services' opener, `bus` the session bus.
    explicit MoTepHeThong(MoDiaChi moDiaChi, QDBusConnection bus = QDBusConnection::sessionBus());

    void moTep(const QString& duongDan) override;
    void hienTrongThuMuc(const QString& duongDan) override;

    // The folder opened when the file manager cannot select the item: the file's own folder, or the path
    // itself when it names a folder.
    static QString thuMucChua(const QString& duongDan);

private:
    MoDiaChi moDiaChi_;
    QDBusConnection bus_;
};
