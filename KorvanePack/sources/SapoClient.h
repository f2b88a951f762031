#pragma once

#include <QString>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>

#include "sources/AnBiMat.h"
#include "sources/MaHoaURL.h"
#include "sources/MoiTruongNguon.h"
#include "sources/NguonDon.h"
#include "sources/YeuCauHTTP.h"

// Reads a Sapo shop's orders through its own admin address, with the private app's key and secret as
// Basic authorisation.
class SapoClient final : public NguonDon {
public:
    SapoClient(const QString& store, const QString& apiKey, const QString& apiSecret, const MoiTruongNguon& moiTruong);

    YeuCauHTTP taoYeuCau(const QString& duongDan, const CapThamSo& thamSo) const;
    QString thuKetNoi() override;
    using NguonDon::layDon;
    QList<DonHang> layDon(const QString& tuLuc, const QString& denLuc, const NhanTienDo& tienDo) override;
    std::optional<QString> thoGanNhat() override;
    bool daCatBot() override;
    bool daTangDanCapNhat() override;

    QString cuaHang() const { return cuaHang_; }
    // Absent for an order without an id.
    std::optional<DonHang> chuyenDon(const nlohmann::json& don) const;
    static MatHang chuyenMatHang(const nlohmann::json& dong);

    static constexpr int kCoTrang = 250;
    static constexpr int kTranTrang = 20;

private:
    const QString cuaHang_;
    const QString apiKey_;
    const QString apiSecret_;
    const QByteArray xacThuc_;  // the Base64 of key:secret
    const MoiTruongNguon mt_;
    const BoAnKhoa anKhoa_;

    mutable std::mutex khoa_;  // guards the fields below; never held across a request or a wait
    std::optional<QString> thoGanNhat_;
    bool daCatBot_ = false;
};
