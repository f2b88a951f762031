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

    QString thuKetNoi() override;
    QList<DonHang> layDon(const QString& tuLuc, const NhanTienDo& tienDo) override;
    std::optional<QString> thoGanNhat() override;
    bool daCatBot() override;

    QStringList cacTuLuc() const;

private:
    mutable std::mutex khoa_;
    QStringList tuLuc_;
};
