#include "store/BangDonDaNap.h"

DonHang BangDonDaNap::value(const QString& id) const {
    const auto it = dong_.constFind(id);
    return it == dong_.cend() ? DonHang() : giai(*it);
}

const QByteArray* BangDonDaNap::dong(const QString& id) const {
    const auto it = dong_.constFind(id);
    return it == dong_.cend() ? nullptr : &*it;
}

DonHang BangDonDaNap::giai(const QByteArray& dong) {
    return DonHang::docDong(std::string_view(dong.constData(), size_t(dong.size()))).value_or(DonHang());
}
