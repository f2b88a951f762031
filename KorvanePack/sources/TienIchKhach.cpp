#include "sources/TienIchKhach.h"

#include <QTimeZone>
#include <limits>

#include "sources/KiemTraKhoa.h"
#include "sources/LoiNguonDon.h"
#include "store/DinhDangISO.h"

using nlohmann::json;

namespace {
const json kRong = json::object();

}  // namespace

QString chuanHoaTenCuaHang(const QString& nhap) {
    QString s = nhap;
    s.remove(QStringLiteral("https://"), Qt::CaseSensitive);
    s.remove(QStringLiteral("http://"), Qt::CaseSensitive);
    s = s.section(QLatin1Char('/'), 0, 0);
    return s.section(QLatin1Char('.'), 0, 0);
}

void nemTenCuaHangSai(const QString& tenNguon, const QString& tenMien) {
    throw LoiNguonDon(0, QString(), QString(),
                      QStringLiteral("Tên cửa hàng ") + tenNguon +
                          QStringLiteral(" không hợp lệ: chỉ được có chữ không dấu, chữ số và dấu gạch ngang, đúng "
                                         "phần trước .") +
                          tenMien + QStringLiteral(" trên thanh địa chỉ. Chưa gửi yêu cầu nào."));
}

void kiemTraTieuDe(const QString& giaTri, const QString& nhan, const QString& tenNguon) {
    if (laKhoaGuiDuoc(giaTri)) return;
    throw LoiNguonDon(
        0, QString(), QString(),
        nhan + QStringLiteral(" của ") + tenNguon +
            QStringLiteral(" có dấu cách, ký tự xuống dòng hoặc chữ có dấu. Chép lại khoá rồi lưu; chưa gửi "
                           "yêu cầu nào."));
}

std::optional<json> docDoiTuong(const QByteArray& than) {
    json v = json::parse(than.constData(), than.constData() + than.size(), nullptr, false);
    if (v.is_discarded() || !v.is_object()) return std::nullopt;
    return v;
}

void nemDuLieuKhongDoc(const QString& tenNguon) {
    throw LoiNguonDon(0, QString(), QString(), tenNguon + QStringLiteral(" trả về dữ liệu không đọc được."));
}

const json& doiTuongCon(const json& cha, const char* khoa) {
    if (!cha.is_object()) return kRong;
    const auto it = cha.find(khoa);
    return (it != cha.end() && it->is_object()) ? *it : kRong;
}

std::vector<const json*> danhSachDoiTuong(const json* giaTri) {
    std::vector<const json*> ra;
    if (!giaTri || !giaTri->is_array()) return ra;
    ra.reserve(giaTri->size());
    for (const json& e : *giaTri) {
        if (!e.is_object()) return {};
        ra.push_back(&e);
    }
    return ra;
}

QDateTime mocBatDau(const QString& moc, const DongHo& dongHo) {
    if (!moc.isEmpty()) {
        if (auto t = docThoiGianISO(moc)) return *t;
    }
    const auto bayGio = dongHo.gioThuc() - std::chrono::seconds(2'592'000);
    return QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(bayGio.time_since_epoch()).count(), QTimeZone::utc());
}

QString gioDiaPhuong(const QDateTime& t, const QString& mau) {
    // QDateTime's own pattern formatting uses the C locale, so the digits and separators never follow
    // the desktop's language.
    return t.toLocalTime().toString(mau);
}

std::optional<QString> mauTho(const json& don) {
    try {
        return QString::fromStdString(don.dump(2, ' ', false, json::error_handler_t::strict));
    } catch (const json::exception&) {
        return std::nullopt;
    }
}

qint64 tongSoLuong(const QList<MatHang>& cacMatHang) {
    qint64 tong = 0;
    for (const MatHang& m : cacMatHang) {
        if (__builtin_add_overflow(tong, m.quantity, &tong)) {
            tong = m.quantity > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
        }
    }
    return tong;
}
