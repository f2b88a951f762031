#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "store/DonHang.h"

// What every platform client offers the sync engine. The operations block on the network, so the
// engine calls them on its worker thread; each client guards its own state with a lock of its own,
// which lets a connection test run while a sync is paging. Failures are thrown as LoiNguonDon or
// LoiHaravan (HTTP), LoiKetNoi (transport) or LoiDaHuy (the application is closing).
using NhanTienDo = std::function<void(const QString&)>;

class NguonDon {
public:
    virtual ~NguonDon() = default;
    // A sentence beginning "Kết nối được" on success.
    virtual QString thuKetNoi() = 0;
    // Every order the platform reports as changed since tuLuc (ISO 8601, UTC), mapped. A non-empty denLuc
    // (ISO 8601, UTC) closes the window there: the engine narrows a window that a platform without an
    // order by last update could not page whole, so the cursor never passes an order not yet received.
    virtual QList<DonHang> layDon(const QString& tuLuc, const QString& denLuc, const NhanTienDo& tienDo) = 0;
    QList<DonHang> layDon(const QString& tuLuc, const NhanTienDo& tienDo) { return layDon(tuLuc, QString(), tienDo); }
    // The first raw order a fetch received, pretty-printed with sorted keys.
    virtual std::optional<QString> thoGanNhat() = 0;
    // The last fetch stopped at its page cap with more pages left.
    virtual bool daCatBot() = 0;
    // The last fetch asked for its pages oldest update first, so a capped fetch holds every change up to
    // the newest update it received and the cursor may stop there.
    virtual bool daTangDanCapNhat() = 0;
};
