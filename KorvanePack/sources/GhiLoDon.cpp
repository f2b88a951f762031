#include "sources/GhiLoDon.h"

#include <QFileInfo>

#include "store/LoiTep.h"
#include "store/TepDongJson.h"

void ghiLoDon(const QList<DonHang>& cacDon, const QString& duongDanTep) {
    if (cacDon.isEmpty()) return;
    QByteArray lo;
    for (const DonHang& d : cacDon) {
        try {
            lo.append(d.thanhDong());
        } catch (const std::exception& e) {
            throw LoiTep(QStringLiteral("Không mã hoá được đơn hàng ") + d.id + QStringLiteral(": ") +
                         QString::fromUtf8(e.what()));
        }
        lo.append('\n');
    }
    TepDongJson::taoThuMuc(QFileInfo(duongDanTep).path());
    TepDongJson::noiDong(duongDanTep, lo);
}
