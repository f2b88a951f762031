#pragma once

#include <QMap>
#include <QString>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>

#include "sources/AnBiMat.h"
#include "sources/KieuThamSo.h"
#include "sources/MoiTruongNguon.h"
#include "sources/NguonDon.h"

// The client of the default platform. It has a sender of its own: it brakes when the call-limit header
// shows the shop's quota filling up, and reads orders through five parameter styles, trying the next
// one when the platform refuses a style and remembering the one that worked.
class HaravanClient final : public NguonDon {
public:
    HaravanClient(const QString& token, const MoiTruongNguon& moiTruong, int soLanThuLai = 4, double nguongPhanh = 0.7);

    QString thuKetNoi() override;
    using NguonDon::layDon;
    QList<DonHang> layDon(const QString& tuLuc, const QString& denLuc, const NhanTienDo& tienDo) override;
    std::optional<QString> thoGanNhat() override;
    bool daCatBot() override;
    bool daTangDanCapNhat() override;

    std::optional<QString> hanMucLanCuoi();
    std::optional<QString> kieuChayDuoc();

    // One API request: the reply's JSON object, or a throw.
    nlohmann::json goi(const QString& duongDan, const QMap<QString, QString>& thamSo, int lan);
    // The orders of a paged fetch over the styles, each page mapped as it arrives so that no raw page
    // outlives its reading; denLuc (may be empty) closes the window of the styles that filter by time.
    QList<DonHang> layTheoTrang(const QString& tuLuc, const QString& denLuc, const NhanTienDo& tienDo, int coTrang,
                                int tranTrang);
    // Absent for an order without an id.
    std::optional<DonHang> chuyenDon(const nlohmann::json& don) const;
    static MatHang chuyenMatHang(const nlohmann::json& matHang);

    static const QList<KieuThamSo>& cacKieuThamSo();
    static constexpr int kCoTrang = 50;
    static constexpr int kTranTrang = 40;

private:
    bool canPhanh();

    const QString token_;
    const MoiTruongNguon mt_;
    const int soLanThuLai_;
    const double nguongPhanh_;
    const BoAnKhoa anKhoa_;

    std::mutex khoa_;  // guards the fields below; never held across a request or a wait
    std::optional<QString> thoGanNhat_;
    std::optional<QString> hanMucLanCuoi_;
    std::optional<QString> kieuChayDuoc_;
    bool daCatBot_ = false;
    bool tangDan_ = false;
};
