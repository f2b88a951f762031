#pragma once

#include <QString>
#include <optional>

// The secure store of the platform credentials, one generic-password item per service text. Everything here may
// block the caller briefly; no implementation may spin an event loop on the calling thread.
class KhoKhoa {
public:
    // What one read found. A screen must tell "nothing stored" from "the store did not answer": only the first
    // may be shown as an empty field that a save then writes back.
    struct KetQuaDoc {
        enum class TrangThai { co, khongCo, hong };
        TrangThai trangThai = TrangThai::hong;
        QString giaTri;  // the item's text when there is one

        std::optional<QString> giaTriNeuCo() const {
            return trangThai == TrangThai::co ? std::optional<QString>(giaTri) : std::nullopt;
        }
    };

    virtual ~KhoKhoa() = default;

    // None when there is no item, or the store cannot be asked at all (no Secret Service, locked, no answer).
    virtual std::optional<QString> doc(const QString& dichVu) = 0;
    // The same read, telling a missing item from a store that could not be asked. A store that cannot tell the
    // two apart reports every missing value as no item.
    virtual KetQuaDoc docKetQua(const QString& dichVu) {
        const std::optional<QString> giaTri = doc(dichVu);
        if (!giaTri) return {KetQuaDoc::TrangThai::khongCo, {}};
        return {KetQuaDoc::TrangThai::co, *giaTri};
    }
    // Replaces the item's value in place, so a failed write leaves the previous value standing. True on success.
    virtual bool ghi(const QString& dichVu, const QString& giaTri) = 0;
    // True when no item is left under the service (also when there was none).
    virtual bool xoa(const QString& dichVu) = 0;
};
