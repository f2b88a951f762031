#pragma once

#include <QString>
#include <optional>

// The application's launch-at-login registration on a Linux desktop: a desktop entry in the user's autostart
// folder, which every XDG session starts at login. The entry on disk is the only truth; nothing is cached.
class TuKhoiDongXdg {
public:
    static inline const QString kTenTep = QStringLiteral("korvane-zize.desktop");

    // The autostart folder of this user ($XDG_CONFIG_HOME/autostart, else ~/.config/autostart) and this program.
    TuKhoiDongXdg();
    TuKhoiDongXdg(QString thuMuc, QString duongDanChuongTrinh);

    static QString thuMucMacDinh();

    QString duongDanTep() const;
    const QString& thuMuc() const { return thuMuc_; }

    // Writes the entry atomically; the system's reason when it could not, none on success.
    std::optional<QString> dangKy() const;
    // Removes the entry; a missing entry is already unregistered.
    std::optional<QString> boDangKy() const;
    // An entry of ours exists and is not switched off (Hidden=true or X-GNOME-Autostart-enabled=false).
    bool daBat() const;

    // The whole entry for a program at that path.
    static QByteArray noiDungTep(const QString& duongDanChuongTrinh);
    // One Exec argument: always quoted, with the characters the desktop entry format reserves escaped, so a
    // path with spaces, quotes, dollars or percent signs starts exactly that program.
    static QString tronTrongExec(const QString& doiSo);

private:
    QString thuMuc_;
    QString chuongTrinh_;
};
