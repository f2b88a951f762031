#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QStringDecoder>
#include <nlohmann/json.hpp>
#include <optional>

// The journal rule read afresh, apart from the store's code: the file must be UTF-8 text; a byte-order mark is
// taken off the start of the file only; it is split on line feeds with only empty pieces dropped; each line must be
// an object as written, to its last byte (one starting with a byte-order mark or holding a NUL byte is not), whose
// "prev" is the hash before it and whose "hash" is the SHA-256 of the rest, serialised with sorted keys and "/"
// escaped, an integer too long for 64 bits written with its own digits; of two keys of one name the last counts.
struct KetQuaDocLap {
    bool ok = false;
    qint64 soDong = 0;
    std::optional<qint64> dongGay;
    bool operator==(const KetQuaDocLap&) const = default;
};

namespace kiem_doc_lap {

using json = nlohmann::json;

// nlohmann's own tree builder, except that a number it could only read as a double although written as an integer
// keeps its digits, in a binary value (which no JSON text yields). It sees the digits as nlohmann's lexer read them,
// so an integer past the double's range (over 308 digits) still fails to parse here.
struct CaySoNguyenDai : nlohmann::detail::json_sax_dom_parser<json> {
    using nlohmann::detail::json_sax_dom_parser<json>::json_sax_dom_parser;
    bool number_float(json::number_float_t v, const json::string_t& chu) {
        if (chu.find_first_of(".eE") != std::string::npos)
            return nlohmann::detail::json_sax_dom_parser<json>::number_float(v, chu);
        json::binary_t so(std::vector<std::uint8_t>(chu.begin(), chu.end()));
        return binary(so);
    }
};

inline void viet(const json& v, QByteArray& ra) {
    if (v.is_binary()) {
        for (const std::uint8_t c : v.get_binary()) ra += char(c);
    } else if (v.is_object()) {
        ra += '{';
        for (auto it = v.begin(); it != v.end(); ++it) {
            if (it != v.begin()) ra += ',';
            ra += QByteArray::fromStdString(json(it.key()).dump()) + ':';
            viet(*it, ra);
        }
        ra += '}';
    } else if (v.is_array()) {
        ra += '[';
        for (size_t i = 0; i < v.size(); ++i) {
            if (i) ra += ',';
            viet(v[i], ra);
        }
        ra += ']';
    } else {
        ra += QByteArray::fromStdString(v.dump());
    }
}

}  // namespace kiem_doc_lap

inline KetQuaDocLap kiemNhatKyDocLap(QByteArray noiDung) {
    using kiem_doc_lap::json;
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)utf8.decode(noiDung).operator QString();
    if (utf8.hasError()) return {false, 0, std::nullopt};
    const QByteArray bom = "\xEF\xBB\xBF";
    if (noiDung.startsWith(bom)) noiDung.remove(0, 3);
    std::string truoc = "GENESIS";
    qint64 so = 0;
    for (const QByteArray& dong : noiDung.split('\n')) {
        if (dong.isEmpty()) continue;
        ++so;
        json j;
        kiem_doc_lap::CaySoNguyenDai cay(j, false);
        // nlohmann's lexer ends its input at a NUL byte, so a line holding one is refused before it is parsed.
        const bool doc = !dong.startsWith(bom) && !dong.contains('\0') && json::sax_parse(dong.toStdString(), &cay);
        const bool dung = [&] {
            if (!doc || !j.is_object() || !j.contains("hash") || !j.contains("prev")) return false;
            if (!j["hash"].is_string() || !j["prev"].is_string() || j["prev"] != truoc) return false;
            const std::string bam = j["hash"];
            j.erase("hash");
            QByteArray tuanTu;
            kiem_doc_lap::viet(j, tuanTu);
            tuanTu.replace("/", "\\/");
            if (QCryptographicHash::hash(tuanTu, QCryptographicHash::Sha256).toHex().toStdString() != bam) return false;
            truoc = bam;
            return true;
        }();
        if (!dung) return {false, so, so};
    }
    return {true, so, std::nullopt};
}
