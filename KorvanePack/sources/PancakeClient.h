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

// Reads one Pancake POS shop's orders, the API key travelling as a query item. When the platform
// refuses the date filter, the client reads only the newest few pages without it and keeps the cursor.
class PancakeClient final : public NguonDon {
public:
    PancakeClient(const QString& apiKey, const QString& shopId, const MoiTruongNguon& moiTruong);

    YeuCauHTTP taoYeuCau(const CapThamSo& thamSo) const;
    QString thuKetNoi() override;
    using NguonDon::layDon;
    QList<DonHang> layDon(const QString& tuLuc, const QString& denLuc, const NhanTienDo& tienDo) override;
    std::optional<QString> thoGanNhat() override;
    bool daCatBot() override;
    bool daTangDanCapNhat() override;

    QString shopId() const { return shopId_; }
    // Absent for an order without an id.
    std::optional<DonHang> chuyenDon(const nlohmann::json& don) const;
    static MatHang chuyenMatHang(const nlohmann::json& matHang);

    static constexpr int kCoTrang = 100;
    static constexpr int kTranTrangLoc = 30;
    static constexpr int kTranTrangKhongLoc = 3;

private:
    const QString apiKey_;
    const QString shopId_;
    const MoiTruongNguon mt_;
    const BoAnKhoa anKhoa_;

    mutable std::mutex khoa_;  // guards the fields below; never held across a request or a wait
    std::optional<QString> thoGanNhat_;
    bool daCatBot_ = false;
    bool tangDan_ = false;
};
