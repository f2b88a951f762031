#pragma once

#include <QDateTime>
#include <QString>
#include <vector>

#include "store/BanGhiVideo.h"
#include "store/DonHang.h"

class DongHo;
class KhoDuLieu;

struct NgayThongKe {
    QString ngay;  // "yyyy-MM-dd" in local time
    int so = 0;
};

// A chosen day's orders against the packing videos: what is still unfilmed, which recent videos wait for an
// order, and the daily counts. Reads only the store's in-memory maps; the reconciliation screen owns one.
class DoiSoat {
public:
    static constexpr qint64 cuaSoMoCoi = 1209600;    // 14 days, back from the moment of computing
    static constexpr qint64 cuaSoThongKe = 2592000;  // 30 days

    QDateTime ngay;
    int daQuay = 0;
    std::vector<DonHang> chuaQuay;
    std::vector<BanGhiVideo> moCoi;
    std::vector<NgayThongKe> thongKe;

    explicit DoiSoat(const DongHo& dongHo);

    void tinhLai(const KhoDuLieu& kho);

    static bool videoTrongNgay(const BanGhiVideo& bg, const QString& khoaNgay);

    // The four cards of the screen.
    int soDonTrongNgay() const { return daQuay + static_cast<int>(chuaQuay.size()); }
    int soVideoDaQuay() const { return daQuay; }
    int soDonChuaQuay() const { return static_cast<int>(chuaQuay.size()); }
    int soVideoMoCoi() const { return static_cast<int>(moCoi.size()); }

private:
    const DongHo& dongHo_;
};
