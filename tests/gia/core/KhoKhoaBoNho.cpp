#include "core/KhoKhoaBoNho.h"

std::optional<QString> KhoKhoaBoNho::doc(const QString& dichVu) {
    ++soLanDoc;
    if (hong) return std::nullopt;
    const auto it = muc.constFind(dichVu);
    if (it == muc.cend()) return std::nullopt;
    return *it;
}

bool KhoKhoaBoNho::ghi(const QString& dichVu, const QString& giaTri) {
    if (hong) return false;
    muc.insert(dichVu, giaTri);
    return true;
}

bool KhoKhoaBoNho::xoa(const QString& dichVu) {
    if (hong) return false;
    muc.remove(dichVu);
    return true;
}
