#pragma once

#include <QHash>

#include "core/KhoKhoa.h"

// The credential store for tests: a map in memory that can be told to fail like an unavailable keyring.
class KhoKhoaBoNho final : public KhoKhoa {
public:
    std::optional<QString> doc(const QString& dichVu) override;
    bool ghi(const QString& dichVu, const QString& giaTri) override;
    bool xoa(const QString& dichVu) override;

    QHash<QString, QString> muc;
    bool hong = false;
    int soLanDoc = 0;
};
