#include "evidence/DoiSoat.h"

#include <algorithm>
#include <map>
#include <set>

#include "store/DocGio.h"
#include "store/DinhDangNgay.h"
#include "store/DongHo.h"
#include "store/KhoDuLieu.h"

namespace {

bool conSong(const BanGhiVideo& bg) {
    return !(bg.deleted && *bg.deleted);
}
bool laVideoHoan(const BanGhiVideo& bg) {
    return bg.kind && *bg.kind == QStringLiteral("return");
}

std::optional<QDateTime> docGioVideo(const QString& s) {
    if (s.isEmpty()) return std::nullopt;
    return DocGio::docGioLuu(s);
}

QDateTime tuDongHo(const DongHo& d) {
    return thoiDiemQt(d.gioThuc());
}

}  // namespace

DoiSoat::DoiSoat(const DongHo& dongHo) : ngay(tuDongHo(dongHo)), dongHo_(dongHo) {}

bool DoiSoat::videoTrongNgay(const BanGhiVideo& bg, const QString& khoaNgay) {
    if (!conSong(bg) || laVideoHoan(bg)) return false;
    const auto luc = docGioVideo(bg.startedAt);
    return luc && dinhDangNgay().dinhDang(*luc) == khoaNgay;
}

void DoiSoat::tinhLai(const KhoDuLieu& kho) {
    const QString khoa = dinhDangNgay().dinhDang(ngay);
    const QDateTime bayGio = tuDongHo(dongHo_);

    daQuay = 0;
    std::set<QString> daQuayDon;
    for (const BanGhiVideo& bg : kho.videoTheoId()) {
        if (videoTrongNgay(bg, khoa)) ++daQuay;
        if (conSong(bg) && !laVideoHoan(bg) && bg.orderId) daQuayDon.insert(*bg.orderId);
    }

    chuaQuay.clear();
    for (const DonHang& don : kho.donTheoId()) {
        if (don.cancelledAt || daQuayDon.count(don.id)) continue;
        const auto luc = don.createdAt.isEmpty() ? std::nullopt : DocGio::docGioDon(don.createdAt);
        if (luc && dinhDangNgay().dinhDang(*luc) == khoa) chuaQuay.push_back(don);
    }
    std::stable_sort(chuaQuay.begin(), chuaQuay.end(),
                     [](const DonHang& a, const DonHang& b) { return a.createdAt > b.createdAt; });

    const QDateTime moc14 = bayGio.addSecs(-cuaSoMoCoi);
    const QDateTime moc30 = bayGio.addSecs(-cuaSoThongKe);
    moCoi.clear();
    std::map<QString, int, std::greater<>> dem;
    for (const BanGhiVideo& bg : kho.videoTheoId()) {
        if (!conSong(bg)) continue;
        const auto luc = docGioVideo(bg.startedAt);
        if (!luc) continue;
        if ((!bg.orderId || bg.orderId->isEmpty()) && *luc > moc14) moCoi.push_back(bg);
        if (*luc > moc30) ++dem[dinhDangNgay().dinhDang(*luc)];
    }
    std::stable_sort(moCoi.begin(), moCoi.end(),
                     [](const BanGhiVideo& a, const BanGhiVideo& b) { return a.startedAt > b.startedAt; });

    thongKe.clear();
    for (const auto& [k, so] : dem) thongKe.push_back({k, so});
}
