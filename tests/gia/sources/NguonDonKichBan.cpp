#include "sources/NguonDonKichBan.h"

QString NguonDonKichBan::thuKetNoi() {
    return khiThuKetNoi ? khiThuKetNoi() : QStringLiteral("Kết nối được.");
}

QList<DonHang> NguonDonKichBan::layDon(const QString& tuLuc, const NhanTienDo& tienDo) {
    {
        std::lock_guard lk(khoa_);
        tuLuc_ << tuLuc;
    }
    return khiLayDon ? khiLayDon(tuLuc, tienDo) : QList<DonHang>{};
}

std::optional<QString> NguonDonKichBan::thoGanNhat() {
    std::lock_guard lk(khoa_);
    return tho;
}

bool NguonDonKichBan::daCatBot() {
    std::lock_guard lk(khoa_);
    return catBot;
}

QStringList NguonDonKichBan::cacTuLuc() const {
    std::lock_guard lk(khoa_);
    return tuLuc_;
}
