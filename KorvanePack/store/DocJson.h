#pragma once

#include <simdjson.h>

#include <QString>
#include <QStringList>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

// The tolerant reading shared by every record type: a key that is missing, null or of the wrong type
// yields its default and never rejects the record.
class DocJson {
public:
    static QString chuoi(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
    static std::string utf8(const QString& s) { return s.toStdString(); }

    static std::optional<QString> chuTuyChon(const simdjson::dom::object& o, std::string_view khoa);
    static QString chu(const simdjson::dom::object& o, std::string_view khoa, const QString& macDinh = {});
    static std::optional<qint64> soNguyen(const simdjson::dom::object& o, std::string_view khoa);
    static std::optional<bool> dungSai(const simdjson::dom::object& o, std::string_view khoa);
    // A list of texts is read whole: one element that is not text discards it.
    static std::optional<QStringList> dsChu(const simdjson::dom::object& o, std::string_view khoa);
    static std::optional<simdjson::dom::array> mang(const simdjson::dom::object& o, std::string_view khoa);
    static std::optional<simdjson::dom::object> doiTuong(const simdjson::dom::object& o, std::string_view khoa);

    // The parser of the calling thread; one line is parsed at a time.
    static simdjson::dom::parser& boPhanTich();
    // Parses one record line as a JSON object; the bytes are copied into padded memory.
    static std::optional<simdjson::dom::object> docDoiTuong(std::string_view dong);
    // Parses one record line as a JSON object with p; coDemSau says that readable memory follows the bytes, so
    // they are parsed in place. simdjson refuses a whole text for one number it cannot hold (an integer past 64
    // bits, a number past the double's range), and a record never rejects itself for one key: such a line is
    // parsed again with each of those numbers read as null, which gives its field, and that field only, the
    // default.
    static std::optional<simdjson::dom::object> docDong(simdjson::dom::parser& p, std::string_view dong, bool coDemSau);

    // Copies chu, handing every number outside the strings (the longest run of the characters a JSON number is
    // made of, from a minus sign or a digit; not checked) to thay(so, ra), which appends what stands in its place.
    template <class F>
    static std::string thayTungSo(std::string_view chu, F&& thay) {
        const auto laSo = [](char c) { return c >= '0' && c <= '9'; };
        std::string ra;
        ra.reserve(chu.size());
        bool trongChuoi = false;
        for (size_t i = 0; i < chu.size();) {
            const char c = chu[i];
            if (trongChuoi) {
                ra += c;
                if (c == '\\' && i + 1 < chu.size()) {
                    ra += chu[i + 1];
                    i += 2;
                    continue;
                }
                if (c == '"') trongChuoi = false;
                ++i;
            } else if (c == '-' || laSo(c)) {
                size_t j = i;
                while (j < chu.size() && (laSo(chu[j]) || chu[j] == '-' || chu[j] == '+' || chu[j] == '.' ||
                                          chu[j] == 'e' || chu[j] == 'E'))
                    ++j;
                thay(chu.substr(i, j - i), ra);
                i = j;
            } else {
                trongChuoi = c == '"';
                ra += c;
                ++i;
            }
        }
        return ra;
    }
    // True when so is one number as JSON writes it.
    static bool laSoJson(std::string_view so);

    // How deep outside JSON may nest. Real replies and journal lines stay within a dozen levels; nlohmann
    // copies and serialises a value by recursion, so a deeper value would let the data size the stack.
    static constexpr int kDoSauToiDa = 256;
    // Parses outside JSON with nlohmann, refusing anything nested deeper than kDoSauToiDa before a value is
    // built. A refused or malformed text gives a discarded value, never an exception.
    static nlohmann::json docCoGioiHan(const char* dau, const char* cuoi);
    // True when the text nests arrays and objects no deeper than doSau (strings are skipped correctly).
    static bool trongDoSau(const char* dau, const char* cuoi, int doSau);

    static void datTuyChon(nlohmann::ordered_json& j, const char* khoa, const std::optional<QString>& v) {
        if (v) j[khoa] = utf8(*v);
    }
};
