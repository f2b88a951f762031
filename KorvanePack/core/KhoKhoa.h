#pragma once

#include <QString>
#include <optional>

// The secure store of the platform credentials, one generic-password item per service text. Everything here may
// block the caller briefly; no implementation may spin an event loop on the calling thread.
class KhoKhoa {
public:
    virtual ~KhoKhoa() = default;

    // None when there is no item, or the store cannot be asked at all (no Secret Service, locked, no answer).
    virtual std::optional<QString> doc(const QString& dichVu) = 0;
    // Replaces the item's value in place, so a failed write leaves the previous value standing. True on success.
    virtual bool ghi(const QString& dichVu, const QString& giaTri) = 0;
    // True when no item is left under the service (also when there was none).
    virtual bool xoa(const QString& dichVu) = 0;
};
