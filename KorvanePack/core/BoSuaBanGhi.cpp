#include "core/BoSuaBanGhi.h"

#include <exception>

#include "core/CongTiengBao.h"
#include "store/BanGhiVideo.h"
#include "store/KhoDuLieu.h"
#include "store/TienIch.h"

BoSuaBanGhi::BoSuaBanGhi(KhoDuLieu& kho, CongTiengBao& tieng, QObject* parent)
    : QObject(parent), kho_(kho), tieng_(tieng) {}

void BoSuaBanGhi::baoLoi(const QString& vanBan) {
    tieng_.phat(LoaiTieng::coLoi);
    emit loiMoi(vanBan);
}

void BoSuaBanGhi::ganDon(const QString& id, const DonHang& don) {
    const auto it = kho_.videoTheoId().constFind(id);
    if (it == kho_.videoTheoId().constEnd()) return;
    BanGhiVideo bg = it.value();
    bg.ganDon(don);
    try {
        kho_.ghiBanGhiVideo(bg);
    } catch (const std::exception& e) {
        baoLoi(QStringLiteral("Không gắn được đơn: ") + moTaLoi(e));
        return;
    }
    kho_.datVideo(bg);
    kho_.nhatKy().ghi(QStringLiteral("relink"), {{QStringLiteral("id"), bg.id}, {QStringLiteral("orderId"), don.id}});
    tieng_.phat(LoaiTieng::daLuu);
    emit thongBaoMoi(QStringLiteral("Đã gắn video vào đơn của ") + don.customerName.value_or(don.id) +
                     QStringLiteral("."));
}

bool BoSuaBanGhi::luuToKhaiHangHoan(const QString& id, const KhaiBaoHoan& khai) {
    const auto it = kho_.videoTheoId().constFind(id);
    if (it == kho_.videoTheoId().constEnd()) return false;
    BanGhiVideo bg = it.value();
    bg.kind = QStringLiteral("return");
    bg.returnInfo = khai;
    const bool coVanDe = khai.coVanDe();
    if (coVanDe) bg.keepForever = true;
    try {
        kho_.ghiBanGhiVideo(bg);
    } catch (const std::exception& e) {
        baoLoi(QStringLiteral("Không lưu được tờ khai mở kiện: ") + moTaLoi(e));
        return false;
    }
    kho_.datVideo(bg);
    kho_.nhatKy().ghi(QStringLiteral("return_info"), {{QStringLiteral("id"), bg.id},
                                                      {QStringLiteral("decision"), khai.decision.value_or(QString())},
                                                      {QStringLiteral("conditions"), khai.conditions.join(',')}});
    tieng_.phat(coVanDe ? LoaiTieng::coLoi : LoaiTieng::daLuu);
    return true;
}

BoSuaBanGhi::DoiChieuSerial BoSuaBanGhi::doiChieuSerial(const std::optional<QString>& orderId,
                                                        const QString& serial) const {
    if (!orderId) return {KetLuanSerial::khongDoiChieu, {}};
    QStringList daGui;
    for (const auto& bg : kho_.videoTheoMa(*orderId)) {
        if (bg.kind && *bg.kind == QStringLiteral("return")) continue;
        if (bg.serials) daGui += *bg.serials;
    }
    if (daGui.isEmpty()) return {KetLuanSerial::khongDoiChieu, daGui};
    const QString nhan = chuanHoaMa(serial);
    if (nhan.isEmpty()) return {KetLuanSerial::khongDoiChieu, daGui};
    for (const auto& s : daGui)
        if (chuanHoaMa(s) == nhan) return {KetLuanSerial::khop, daGui};
    return {KetLuanSerial::khac, daGui};
}
