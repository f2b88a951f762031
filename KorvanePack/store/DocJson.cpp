#include "store/DocJson.h"

#include <cmath>

using namespace simdjson;

std::optional<QString> DocJson::chuTuyChon(const dom::object& o, std::string_view khoa) {
    std::string_view s;
    if (o.at_key(khoa).get_string().get(s) != SUCCESS) return std::nullopt;
    return chuoi(s);
}

QString DocJson::chu(const dom::object& o, std::string_view khoa, const QString& macDinh) {
    std::string_view s;
    if (o.at_key(khoa).get_string().get(s) != SUCCESS) return macDinh;
    return chuoi(s);
}

std::optional<qint64> DocJson::soNguyen(const dom::object& o, std::string_view khoa) {
    dom::element e;
    if (o.at_key(khoa).get(e) != SUCCESS) return std::nullopt;
    // A whole number counts even when written 3.0 or 1e3; 2.5, "3" and 2^63 fall back to the default.
    if (e.type() == dom::element_type::INT64) return static_cast<qint64>(int64_t(e));
    if (e.type() == dom::element_type::DOUBLE) {
        const double d = double(e);
        if (d >= -9.2233720368547758e18 && d < 9.2233720368547758e18 && d == std::trunc(d)) return qint64(d);
    }
    return std::nullopt;
}

std::optional<bool> DocJson::dungSai(const dom::object& o, std::string_view khoa) {
    bool b;
    if (o.at_key(khoa).get_bool().get(b) != SUCCESS) return std::nullopt;
    return b;
}

std::optional<QStringList> DocJson::dsChu(const dom::object& o, std::string_view khoa) {
    dom::array a;
    if (o.at_key(khoa).get_array().get(a) != SUCCESS) return std::nullopt;
    QStringList ra;
    ra.reserve(static_cast<qsizetype>(a.size()));
    for (dom::element e : a) {
        std::string_view s;
        if (e.get_string().get(s) != SUCCESS) return std::nullopt;
        ra.append(chuoi(s));
    }
    return ra;
}

std::optional<dom::array> DocJson::mang(const dom::object& o, std::string_view khoa) {
    dom::array a;
    if (o.at_key(khoa).get_array().get(a) != SUCCESS) return std::nullopt;
    return a;
}

std::optional<dom::object> DocJson::doiTuong(const dom::object& o, std::string_view khoa) {
    dom::object d;
    if (o.at_key(khoa).get_object().get(d) != SUCCESS) return std::nullopt;
    return d;
}

dom::parser& DocJson::boPhanTich() {
    thread_local dom::parser p;
    return p;
}

std::optional<dom::object> DocJson::docDoiTuong(std::string_view dong) {
    return docDong(boPhanTich(), dong, false);
}

std::optional<dom::object> DocJson::docDong(dom::parser& p, std::string_view dong, bool coDemSau) {
    dom::object o;
    const error_code loi = p.parse(dong.data(), dong.size(), !coDemSau).get_object().get(o);
    if (loi == SUCCESS) return o;
    if (loi != NUMBER_ERROR) return std::nullopt;
    // Each number is tried alone by simdjson itself, so exactly the numbers it refuses are put aside.
    thread_local dom::parser thu;
    bool doi = false;
    const std::string lai = thayTungSo(dong, [&](std::string_view so, std::string& ra) {
        if (laSoJson(so) && thu.parse(so.data(), so.size(), true).error() == NUMBER_ERROR) {
            ra += "null";
            doi = true;
        } else {
            ra += so;
        }
    });
    // The tree lives in the parser's own memory, not in the text parsed.
    if (!doi || p.parse(lai.data(), lai.size(), true).get_object().get(o) != SUCCESS) return std::nullopt;
    return o;
}

bool DocJson::laSoJson(std::string_view so) {
    const auto laSo = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = so.starts_with('-') ? 1 : 0;
    const auto chuSo = [&] {
        const size_t dau = i;
        while (i < so.size() && laSo(so[i])) ++i;
        return i > dau;
    };
    if (i < so.size() && so[i] == '0') {
        ++i;
    } else if (!chuSo()) {
        return false;
    }
    if (i < so.size() && so[i] == '.') {
        ++i;
        if (!chuSo()) return false;
    }
    if (i < so.size() && (so[i] == 'e' || so[i] == 'E')) {
        ++i;
        if (i < so.size() && (so[i] == '+' || so[i] == '-')) ++i;
        if (!chuSo()) return false;
    }
    return i == so.size();
}

bool DocJson::trongDoSau(const char* dau, const char* cuoi, int doSau) {
    int sau = 0;
    bool trongChuoi = false;
    for (const char* p = dau; p < cuoi; ++p) {
        const char c = *p;
        if (trongChuoi) {
            if (c == '\\') {
                ++p;
            } else if (c == '"') {
                trongChuoi = false;
            }
        } else if (c == '"') {
            trongChuoi = true;
        } else if (c == '[' || c == '{') {
            if (++sau > doSau) return false;
        } else if (c == ']' || c == '}') {
            --sau;
        }
    }
    return true;
}

nlohmann::json DocJson::docCoGioiHan(const char* dau, const char* cuoi) {
    if (!trongDoSau(dau, cuoi, kDoSauToiDa)) return nlohmann::json(nlohmann::json::value_t::discarded);
    return nlohmann::json::parse(dau, cuoi, nullptr, false);
}
