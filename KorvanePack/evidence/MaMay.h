#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <optional>

// The short code that ties a dossier to the machine that recorded it. The hardware identifier itself never
// leaves the machine: only the first 48 bits of its SHA-256 are shown.
class MaMay {
public:
    static inline const QString khoaDuPhong = QStringLiteral("korvane.maMayDuPhong");

    // Where the identifier is read from, most stable first: the board's DMI UUID (readable by root only on most
    // systems), then the systemd/D-Bus machine id, which survives reboots but not a reinstall.
    static QStringList nguonMacDinh();

    static QString bamMaMay(const QString& vanBan);

    // The first source that holds a usable identifier, trimmed; none when every source is missing or blank.
    static std::optional<QString> docMaPhanCung(const QStringList& duongDan);

    // Falls back to a random UUID stored once under khoaDuPhong when no source gives an identifier.
    static QString maMayNay(const QStringList& duongDan, QSettings& ud);
    // `ud` is the application's own settings store (CaiDat::ud()), where the fallback must persist.
    static QString maMayNay(QSettings& ud);
};
