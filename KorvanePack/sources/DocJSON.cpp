#include "sources/DocJSON.h"

#include <cmath>
#include <limits>

using nlohmann::json;

const json* layKhoa(const json* doiTuong, const char* khoa) {
    if (!doiTuong || !doiTuong->is_object()) return nullptr;
    const auto it = doiTuong->find(khoa);
    return it == doiTuong->end() ? nullptr : &*it;
}

std::optional<QString> chuoiJSON(const json* giaTri) {
    if (!giaTri || giaTri->is_null()) return std::nullopt;
    if (giaTri->is_string()) {
        const QString s = QString::fromStdString(giaTri->get_ref<const std::string&>()).trimmed();
        if (s.isEmpty()) return std::nullopt;
        return s;
    }
    const QString s = QString::fromStdString(giaTri->dump(-1, ' ', false, json::error_handler_t::replace));
    if (s.isEmpty()) return std::nullopt;
    return s;
}

std::optional<QString> chuoiDauTien(const json& doiTuong, std::initializer_list<const char*> cacKhoa) {
    for (const char* k : cacKhoa) {
        if (auto s = chuoiJSON(layKhoa(&doiTuong, k))) return s;
    }
    return std::nullopt;
}

std::optional<qint64> docSoNguyenChat(const QString& text) {
    qsizetype i = 0;
    bool am = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        am = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i >= text.size()) return std::nullopt;
    // Accumulated as a negative number so the most negative value fits too.
    qint64 giaTri = 0;
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        const int so = c.unicode() - '0';
        if (giaTri < (kMin + so) / 10) return std::nullopt;
        giaTri = giaTri * 10 - so;
    }
    if (!am) {
        if (giaTri == kMin) return std::nullopt;
        return -giaTri;
    }
    return giaTri;
}

qint64 soNguyenJSON(const json* giaTri) {
    if (!giaTri) return 0;
    if (giaTri->is_number_integer() && !giaTri->is_number_unsigned()) return giaTri->get<qint64>();
    if (giaTri->is_number_unsigned()) {
        const auto u = giaTri->get<std::uint64_t>();
        // Beyond the signed range counts like an overflowing text: no usable number.
        return u > static_cast<std::uint64_t>(std::numeric_limits<qint64>::max()) ? 0 : static_cast<qint64>(u);
    }
    if (giaTri->is_number_float()) {
        const double d = std::trunc(giaTri->get<double>());
        if (!std::isfinite(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0) return 0;
        return static_cast<qint64>(d);
    }
    if (giaTri->is_string()) {
        return docSoNguyenChat(QString::fromStdString(giaTri->get_ref<const std::string&>())).value_or(0);
    }
    return 0;
}

const json* layTheoDuong(const json& doiTuong, std::initializer_list<const char*> cacKhoa) {
    const json* hienTai = &doiTuong;
    for (const char* k : cacKhoa) {
        hienTai = layKhoa(hienTai, k);
        if (!hienTai) return nullptr;
    }
    return hienTai;
}
