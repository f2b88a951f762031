#include "gia/sources/NguonDonKichBan.h"

QString NguonDonKichBan::thuKetNoi() {
    return khiThuKetNoi ? khiThuKetNoi() : QStringLiteral("Kết nối được.");
}

QList<DonHang> NguonDonKichBan::layDon(const QString& tuLuc, const QString& denLuc, const NhanTienDo& tienDo) {
    {
        std::lock_guard lk(khoa_);
        tuLuc_ << tuLuc;
        denLuc_ << denLuc;
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

bool NguonDonKichBan::daTangDanCapNhat() {
    std::lock_guard lk(khoa_);
    return tangDan;
}

QStringList NguonDonKichBan::cacDenLuc() const {
    std::lock_guard lk(khoa_);
    return denLuc_;
}

QStringList NguonDonKichBan::cacTuLuc() const {
    std::lock_guard lk(khoa_);
    return tuLuc_;
}
