#include "sources/MoTaLoi.h"

#include "sources/LoiHaravan.h"
#include "sources/LoiKetNoi.h"
#include "sources/LoiNguonDon.h"
#include "store/DinhDangNgay.h"

namespace {
const QString kKhongCoMang =
    QStringLiteral("Không có kết nối Internet. App vẫn quay video bình thường, sẽ đồng bộ bù khi có mạng.");

QString nguyenVanHoacKhong(const QString& nguyenVan) {
    return nguyenVan.isEmpty() ? QStringLiteral("không có") : nguyenVan;
}
}  // namespace

QString moTaLoiHaravan(const std::exception& loi) {
    if (const auto* h = dynamic_cast<const LoiHaravan*>(&loi)) {
        const int s = h->status;
        if (s == 400 || s == 422) {
            return QStringLiteral("Haravan từ chối yêu cầu (%1). Nguyên văn: ").arg(s) +
                   nguyenVanHoacKhong(h->nguyenVan);
        }
        if (s == 401 || s == 403) {
            return QStringLiteral(
                "Token không hợp lệ hoặc thiếu quyền. Kiểm tra lại token và quyền com.read_orders trong Haravan "
                "admin.");
        }
        if (s == 404) return QStringLiteral("Không tìm thấy dữ liệu (404).");
        if (s == 429) return QStringLiteral("Gọi API quá nhanh, Haravan tạm chặn. App sẽ tự thử lại.");
        if (s >= 500 && s <= 599) return QStringLiteral("Máy chủ Haravan đang lỗi. Thử lại sau ít phút.");
        return h->thongDiep;
    }
    if (dynamic_cast<const LoiKetNoi*>(&loi)) return kKhongCoMang;
    return QString::fromUtf8(loi.what());
}

QString moTaLoiNguonDon(const std::exception& loi, const QString& ten) {
    if (const auto* e = dynamic_cast<const LoiNguonDon*>(&loi)) {
        const int s = e->status;
        if (s == 400 || s == 422) {
            return ten + QStringLiteral(" từ chối yêu cầu (%1). Nguyên văn: ").arg(s) +
                   nguyenVanHoacKhong(e->nguyenVan);
        }
        if (s == 401 || s == 403)
            return ten + QStringLiteral(" từ chối khoá. Kiểm tra lại khoá và quyền đọc đơn hàng.");
        if (s == 404) return QStringLiteral("Không tìm thấy dữ liệu (404). Kiểm tra lại tên cửa hàng.");
        if (s == 429) {
            QString text = QStringLiteral("Gọi quá nhanh, ") + ten + QStringLiteral(" tạm chặn. App sẽ tự thử lại.");
            if (e->chanDen) text += QStringLiteral(" Hết chặn lúc ") + dinhDangNgayGio().dinhDang(*e->chanDen) + u'.';
            return text;
        }
        if (s >= 500 && s <= 599)
            return QStringLiteral("Máy chủ ") + ten + QStringLiteral(" đang lỗi. Thử lại sau ít phút.");
        return e->thongDiep;
    }
    if (dynamic_cast<const LoiHaravan*>(&loi)) return moTaLoiHaravan(loi);
    if (dynamic_cast<const LoiKetNoi*>(&loi)) return kKhongCoMang;
    return QString::fromUtf8(loi.what());
}

QString chiTietLoi(const std::exception& loi) {
    if (const auto* e = dynamic_cast<const LoiNenTang*>(&loi)) return e->chiTiet();
    return QString();
}

std::optional<std::chrono::system_clock::time_point> chanDenCuaLoi(const std::exception& loi) {
    if (const auto* e = dynamic_cast<const LoiNenTang*>(&loi)) return e->chanDen;
    return std::nullopt;
}

QString moTaDangChan(const QString& ten, std::chrono::system_clock::time_point den) {
    return ten + QStringLiteral(" đang tạm chặn đến ") + dinhDangNgayGio().dinhDang(den) +
           QStringLiteral(" — chưa gọi lại, vì mỗi lần gọi trong lúc bị chặn làm thời gian chặn dài thêm.");
}
