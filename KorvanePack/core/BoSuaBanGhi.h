#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

#include "store/DonHang.h"
#include "store/KhaiBaoHoan.h"

class CongTiengBao;
class KhoDuLieu;

// Changes to records already saved: linking a video to its order afterwards, storing a returns declaration, and
// the serial comparison the declaration is judged by. Each change is appended as a new line and then replaces the
// record in memory, so a failed write leaves both the files and the map as they were. What the desk should read
// about a change goes out as a notice; the coordinator's notice line shows it.
class BoSuaBanGhi final : public QObject {
    Q_OBJECT
public:
    // How a returned item's serial compares with the serials captured when its order was packed. The
    // numbers are the ones the verdict is known by.
    enum class KetLuanSerial : quint8 {
        khac = 0,          // the received serial is none of those sent
        khop = 1,          // it is one of them
        khongDoiChieu = 2  // nothing to compare: no order, no serial sent, or none received
    };
    struct DoiChieuSerial {
        KetLuanSerial ketLuan;
        QStringList daGui;  // the sent serials as they were recorded
    };

    BoSuaBanGhi(KhoDuLieu& kho, CongTiengBao& tieng, QObject* parent = nullptr);

    void ganDon(const QString& id, const DonHang& don);
    bool luuToKhaiHangHoan(const QString& id, const KhaiBaoHoan& khai);
    DoiChieuSerial doiChieuSerial(const std::optional<QString>& orderId, const QString& serial) const;

signals:
    // A change went through and has something to say.
    void thongBaoMoi(const QString& vanBan);
    // A change could not be stored: a warning as well as a notice.
    void loiMoi(const QString& vanBan);

private:
    void baoLoi(const QString& vanBan);

    KhoDuLieu& kho_;
    CongTiengBao& tieng_;
};
