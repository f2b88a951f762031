#pragma once

#include <QStringList>
#include <mutex>

#include "sources/NguonDon.h"

// The scripted order source for tests of the sync engine: each operation runs a function the test set,
// and every from-time asked for is recorded. Safe to call from the engine's worker thread.
class NguonDonKichBan final : public NguonDon {
public:
    std::function<QList<DonHang>(const QString& tuLuc, const NhanTienDo& tienDo)> khiLayDon;
    std::function<QString()> khiThuKetNoi;
    std::optional<QString> tho;
    bool catBot = false;
    bool tangDan = true;

    QString thuKetNoi() override;
    using NguonDon::layDon;
    QList<DonHang> layDon(const QString& tuLuc, const QString& denLuc, const NhanTienDo& tienDo) override;
    std::optional<QString> thoGanNhat() override;
    bool daCatBot() override;
    bool daTangDanCapNhat() override;

    QStringList cacTuLuc() const;
    // The window end of each fetch, "" for one open to now.
    QStringList cacDenLuc() const;

private:
    mutable std::mutex khoa_;
    QStringList tuLuc_;
    QStringList denLuc_;
};
