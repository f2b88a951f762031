#pragma once

#include <QString>
#include <optional>

#include "store/DonHang.h"

// An ordinary order of the benches' shops: two lines of goods, a customer, an address and one tracking number.
inline DonHang donThuong(const QString& id, int i, const QString& vanDon) {
    DonHang d;
    d.id = id;
    d.orderNumber = QStringLiteral("#%1").arg(100000 + i);
    d.name = d.orderNumber;
    d.createdAt = QStringLiteral("2026-12-01T08:00:00Z");
    d.updatedAt = QStringLiteral("2026-12-02T08:00:00Z");
    d.customerName = QStringLiteral("Nguyễn Văn An");
    d.customerPhone = QStringLiteral("09%1").arg(10000000 + i);
    d.shippingAddress = QStringLiteral("12 Lê Lợi, Phường Bến Nghé, Quận 1, Hồ Chí Minh");
    d.items = {MatHang{QStringLiteral("Áo thun"), QStringLiteral("L / Trắng"), QStringLiteral("AT-L-W"), 2},
               MatHang{QStringLiteral("Quần jean"), std::nullopt, QStringLiteral("QJ-32"), 1}};
    d.trackings = {MaVanDon{vanDon, QStringLiteral("GHN")}};
    d.itemCount = 3;
    d.syncedAt = QStringLiteral("2026-12-10T09:00:00Z");
    return d;
}
