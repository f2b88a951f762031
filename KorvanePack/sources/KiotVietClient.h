#pragma once

#include <QDateTime>
#include <QString>
#include <chrono>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>

#include "sources/AnBiMat.h"
#include "sources/GuiYeuCau.h"
#include "sources/MaHoaURL.h"
#include "sources/MoiTruongNguon.h"
#include "sources/NguonDon.h"

// Reads a KiotViet shop's invoices. Every call carries a client-credentials access token, fetched from
// the platform's token host and kept until five minutes before it runs out; a token the platform has
// revoked in the meantime is dropped at its first 401 and replaced once.
class KiotVietClient final : public NguonDon {
public:
    KiotVietClient(const QString& clientId, const QString& clientSecret, const QString& retailer,
                   const MoiTruongNguon& moiTruong);

    QString layVeTruyCap();
    // A GET of the API with the token and the shop's name; tuBoNho says whether the token was a cached one.
    YeuCauHTTP taoYeuCau(const QString& duongDan, const CapThamSo& thamSo, bool* tuBoNho = nullptr);
    QString thuKetNoi() override;
    using NguonDon::layDon;
    QList<DonHang> layDon(const QString& tuLuc, const QString& denLuc, const NhanTienDo& tienDo) override;
    std::optional<QString> thoGanNhat() override;
    bool daCatBot() override;
    bool daTangDanCapNhat() override;

    QString cuaHang() const { return cuaHang_; }
    // Absent for an invoice without an id.
    std::optional<DonHang> chuyenHoaDon(const nlohmann::json& hoaDon) const;
    static MatHang chuyenMatHang(const nlohmann::json& dong);
    static QString dinhDangMoc(const QDateTime& t, bool chiNgay);

    static constexpr int kCoTrang = 100;
    static constexpr int kTranYeuCau = 40;
    static constexpr std::chrono::seconds kTuoiVeMacDinh{86'400};
    static constexpr std::chrono::seconds kLeAnToan{300};

private:
    void kiemTraKhoa() const;
    BoAnKhoa boAnKhoa() const;
    KetQuaGui guiVe(const QByteArray& tenPhamVi, int nganSach);
    // One API request; a 401 on a cached token drops the token and asks once more with a fresh one.
    KetQuaGui guiApi(const QString& duongDan, const CapThamSo& thamSo, int nganSach, bool* loiOVe = nullptr);

    const QString clientId_;
    const QString clientSecret_;
    const QString cuaHang_;
    const MoiTruongNguon mt_;

    mutable std::mutex khoa_;  // guards the fields below; never held across a request or a wait
    std::optional<QString> token_;
    std::chrono::steady_clock::time_point tokenHetHan_ = std::chrono::steady_clock::time_point::min();
    std::optional<QString> thoGanNhat_;
    bool daCatBot_ = false;
    bool tangDan_ = true;
};
