#pragma once

#include <QString>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>

#include "sources/AnBiMat.h"
#include "sources/MoiTruongNguon.h"
#include "sources/NguonDon.h"
#include "sources/YeuCauHTTP.h"

// Reads a Nhanh shop's orders. Every call is a POST with a JSON body, and the platform answers 200
// with its own result code inside, which is checked before anything else is read. Pages are linked
// by the continuation value each reply carries.
class NhanhClient final : public NguonDon {
public:
    NhanhClient(const QString& appId, const QString& businessId, const QString& accessToken,
                const MoiTruongNguon& moiTruong);

    YeuCauHTTP taoYeuCau(const QString& duongDan, const nlohmann::ordered_json& than) const;
    // Throws the platform's refusal unless its code is 1; a refused key throws as an HTTP 401 or 403 would.
    void kiemTraPhanHoi(const nlohmann::json& phanHoi) const;
    QString thuKetNoi() override;
    using NguonDon::layDon;
    QList<DonHang> layDon(const QString& tuLuc, const QString& denLuc, const NhanTienDo& tienDo) override;
    std::optional<QString> thoGanNhat() override;
    bool daCatBot() override;
    bool daTangDanCapNhat() override;

    // Absent for an order without an id or code.
    std::optional<DonHang> chuyenDon(const nlohmann::json& don) const;
    static MatHang chuyenSanPham(const nlohmann::json& sanPham);
    // Whether a status text means the order was cancelled.
    static bool laTrangThaiHuy(const QString& trangThai);
    // Whether the object's "status" code, a number or its digits, is one of the cancelled statuses.
    static bool laMaHuy(const nlohmann::json& noi);

    static constexpr int kCoTrang = 100;
    static constexpr int kTranTrang = 30;

private:
    nlohmann::json gui(const nlohmann::ordered_json& than);

    const QString appId_;
    const QString businessId_;
    const QString accessToken_;
    const MoiTruongNguon mt_;
    const BoAnKhoa anKhoa_;

    mutable std::mutex khoa_;  // guards the fields below; never held across a request or a wait
    std::optional<QString> thoGanNhat_;
    bool daCatBot_ = false;
};
