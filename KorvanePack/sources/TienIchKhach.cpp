#include "sources/TienIchKhach.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <limits>

#include "sources/KiemTraKhoa.h"
#include "sources/LoiNguonDon.h"
#include "store/DinhDangISO.h"
#include "store/DocJson.h"

using nlohmann::json;

namespace {
const json kRong = json::object();

struct QuaKichCo {};

// Collects the serialiser's output and gives up once it passes the size bound.
class DauRaGioiHan final : public nlohmann::detail::output_adapter_protocol<char> {
public:
    explicit DauRaGioiHan(std::string& ra) : ra_(ra) {}
    void write_character(char c) override {
        if (ra_.size() + 1 > kKichCoMauTho) throw QuaKichCo{};
        ra_.push_back(c);
    }
    void write_characters(const char* s, std::size_t n) override {
        if (ra_.size() + n > kKichCoMauTho) throw QuaKichCo{};
        ra_.append(s, n);
    }

private:
    std::string& ra_;
};

// Walked without recursion and with one entry per level, so neither the stack nor the memory of the check
// itself is sized by the data.
bool nongHon(const json& goc, int doSau) {
    if (!goc.is_structured()) return true;
    std::vector<std::pair<const json*, json::const_iterator>> cho;
    cho.emplace_back(&goc, goc.cbegin());
    while (!cho.empty()) {
        auto& [v, it] = cho.back();
        if (it == v->cend()) {
            cho.pop_back();
            continue;
        }
        const json& con = *it;
        ++it;
        if (!con.is_structured()) continue;
        if (static_cast<int>(cho.size()) + 1 > doSau) return false;
        cho.emplace_back(&con, con.cbegin());
    }
    return true;
}

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
    json v = DocJson::docCoGioiHan(than.constData(), than.constData() + than.size());
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

qint64 giayUnix(std::chrono::system_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

qint64 giayKetThuc(const QString& denLuc, const DongHo& dongHo, qint64 quaHienTai) {
    const std::optional<QDateTime> den = denLuc.isEmpty() ? std::nullopt : docThoiGianISO(denLuc);
    return den ? den->toSecsSinceEpoch() : giayUnix(dongHo.gioThuc()) + quaHienTai;
}

QString boPhanNghinGiay(QString iso) {
    static const QRegularExpression kPhanNghin(QStringLiteral("\\.\\d{3}Z$"));
    return iso.replace(kPhanNghin, QStringLiteral("Z"));
}

QString gioDiaPhuong(const QDateTime& t, const QString& mau) {
    // QDateTime's own pattern formatting uses the C locale, so the digits and separators never follow
    // the desktop's language.
    return t.toLocalTime().toString(mau);
}

std::optional<QString> mauTho(const json& don, json::error_handler_t xuLy) {
    if (!nongHon(don, kDoSauMauTho)) return std::nullopt;
    std::string ra;
    try {
        nlohmann::detail::serializer<json> viet(std::make_shared<DauRaGioiHan>(ra), ' ', xuLy);
        viet.dump(don, true, false, 2);
    } catch (const json::exception&) {
        return std::nullopt;
    } catch (const QuaKichCo&) {
        return std::nullopt;
    }
    return QString::fromStdString(ra);
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
