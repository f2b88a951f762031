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
    using MoBangChuongTrinh = std::function<void(const QString& duongDan, KetQuaMo xong)>;

    MoTepHeThong();
    // `moDiaChi` replaces the desktop services' opener, `bus` the session bus; `moTep` the opener of files, which
    // without it is `moDiaChi` answering at once.
    explicit MoTepHeThong(MoDiaChi moDiaChi, QDBusConnection bus = QDBusConnection::sessionBus(),
                          MoBangChuongTrinh moTep = {});

    // Opens a file by running `chuongTrinh` (the desktop's "xdg-open") on its path, without waiting for it. It
    // answers false when the program cannot start or soon ends in failure, as it does when no installed
    // program takes the file's type.
    static MoBangChuongTrinh quaLenh(const QString& chuongTrinh);

    void moTep(const QString& duongDan, KetQuaMo xong) override;
    void hienTrongThuMuc(const QString& duongDan, KetQuaMo xong = {}) override;

    // The folder opened when the file manager cannot select the item: the file's own folder, or the path
    // itself when it names a folder.
    static QString thuMucChua(const QString& duongDan);

private:
    MoDiaChi moDiaChi_;
    QDBusConnection bus_;
    MoBangChuongTrinh moTep_;
};
