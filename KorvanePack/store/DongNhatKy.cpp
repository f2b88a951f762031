#include "store/DongNhatKy.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

#include "store/DocJson.h"
#include "store/NhatKy.h"

namespace {

using json = nlohmann::json;

// The integers of a line in the order they appear, each with its digits when they do not fit 64 bits. nlohmann
// would read such an integer as a double (and refuse one past the double's range), so the line is parsed with each
// of them written as 0 and the digits are put back by position: its parser reports numbers in the order they stand.
struct SoLon {
    std::string chu;                    // a line with every long integer replaced by 0
    std::vector<std::string> soNguyen;  // per number token in order: its digits when long, else empty
    bool coSoLon = false;
};

bool laSo(char c) {
    return c >= '0' && c <= '9';
}

// A number token as JSON writes one; only a valid integer is ever replaced, so a malformed line stays malformed.
bool laSoNguyenJson(std::string_view t) {
    size_t i = t.starts_with('-') ? 1 : 0;
    if (i == t.size()) return false;
    if (t[i] == '0') return t.size() == i + 1;
    for (; i < t.size(); ++i)
        if (!laSo(t[i])) return false;
    return true;
}

bool vuot64Bit(std::string_view t) {
    const char* dau = t.data();
    const char* cuoi = t.data() + t.size();
    if (t.starts_with('-')) {
        int64_t v;
        return std::from_chars(dau, cuoi, v).ec == std::errc::result_out_of_range;
    }
    uint64_t v;
    return std::from_chars(dau, cuoi, v).ec == std::errc::result_out_of_range;
}

SoLon tachSoLon(std::string_view dong) {
    SoLon kq;
    kq.chu = DocJson::thayTungSo(dong, [&](std::string_view so, std::string& ra) {
        if (laSoNguyenJson(so) && vuot64Bit(so)) {
            kq.soNguyen.emplace_back(so);
            ra += '0';
            kq.coSoLon = true;
        } else {
            kq.soNguyen.emplace_back();
            ra += so;
        }
    });
    return kq;
}

// Builds the value as nlohmann's own parser would (a later duplicate key wins), except that a long integer becomes
// a binary value holding its digits: no JSON text yields a binary value, so it cannot be confused with anything.
class DungCay {
public:
    explicit DungCay(const std::vector<std::string>& soNguyen) : soNguyen_(soNguyen) {}
    json goc;

    bool null() { return dat(json(nullptr)); }
    bool boolean(bool b) { return dat(json(b)); }
    bool number_integer(json::number_integer_t v) { return so(json(v)); }
    bool number_unsigned(json::number_unsigned_t v) { return so(json(v)); }
    bool number_float(json::number_float_t v, const json::string_t&) { return so(json(v)); }
    bool string(json::string_t& s) { return dat(json(std::move(s))); }
    bool binary(json::binary_t&) { return false; }
    bool start_object(std::size_t) { return moRong(json::object()); }
    bool key(json::string_t& k) {
        khoa_ = &(*ngan_.back())[k];
        return true;
    }
    bool end_object() {
        ngan_.pop_back();
        return true;
    }
    bool start_array(std::size_t) { return moRong(json::array()); }
    bool end_array() {
        ngan_.pop_back();
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const json::exception&) { return false; }

private:
    json* them(json v) {
        if (ngan_.empty()) {
            goc = std::move(v);
            return &goc;
        }
        json& cha = *ngan_.back();
        if (cha.is_array()) {
            cha.push_back(std::move(v));
            return &cha.back();
        }
        *khoa_ = std::move(v);
        return khoa_;
    }
    bool dat(json v) {
        them(std::move(v));
        return true;
    }
    bool so(json v) {
        if (dem_ < soNguyen_.size() && !soNguyen_[dem_].empty()) {
            const std::string& t = soNguyen_[dem_];
            v = json::binary(std::vector<std::uint8_t>(t.begin(), t.end()));
        }
        ++dem_;
        return dat(std::move(v));
    }
    bool moRong(json v) {
        ngan_.push_back(them(std::move(v)));
        return true;
    }

    const std::vector<std::string>& soNguyen_;
    size_t dem_ = 0;
    std::vector<json*> ngan_;
    json* khoa_ = nullptr;
};

// nlohmann's compact dump, key order and escapes included, with a long integer written as its digits. The depth
// was bounded before the value was built.
void viet(const json& v, std::string& ra) {
    switch (v.type()) {
        case json::value_t::object: {
            ra += '{';
            bool dau = true;
            for (auto it = v.begin(); it != v.end(); ++it) {
                if (!dau) ra += ',';
                dau = false;
                ra += json(it.key()).dump();
                ra += ':';
                viet(it.value(), ra);
            }
            ra += '}';
            break;
        }
        case json::value_t::array: {
            ra += '[';
            bool dau = true;
            for (const json& x : v) {
                if (!dau) ra += ',';
                dau = false;
                viet(x, ra);
            }
            ra += ']';
            break;
        }
        case json::value_t::binary: {
            const auto& b = v.get_binary();
            ra.append(b.begin(), b.end());
            break;
        }
        default:
            ra += v.dump();
    }
}

}  // namespace

std::optional<DongNhatKy> DongNhatKy::doc(QByteArrayView dong) {
    // nlohmann skips a byte-order mark before any text it parses, and takes a NUL byte for the end of its input
    // (whatever follows would go unseen, by the hash too); a line is taken as written, to its last byte.
    if (TepDongJson::coBom(dong) || dong.contains('\0')) return std::nullopt;
    const char* dau = dong.data();
    const char* cuoi = dong.data() + dong.size();
    if (!DocJson::trongDoSau(dau, cuoi, DocJson::kDoSauToiDa)) return std::nullopt;
    const std::string_view chu(dau, size_t(dong.size()));
    // Fewer than 19 digits in a row anywhere, and no integer can be past 64 bits: the line is parsed as it stands.
    const bool coTheDai =
        std::search_n(chu.begin(), chu.end(), 19, 0, [](char c, int) { return laSo(c); }) != chu.end();
    const SoLon s = coTheDai ? tachSoLon(chu) : SoLon{};
    DungCay cay(s.soNguyen);
    bool ok = false;
    try {
        ok = s.coSoLon ? json::sax_parse(s.chu, &cay) : json::sax_parse(chu.begin(), chu.end(), &cay);
    } catch (const json::exception&) {
        ok = false;
    }
    if (!ok || !cay.goc.is_object()) return std::nullopt;
    return DongNhatKy(std::move(cay.goc), s.coSoLon);
}

const std::string* DongNhatKy::chu(const char* khoa) const {
    const auto it = j_.find(khoa);
    if (it == j_.end() || !it->is_string()) return nullptr;
    return &it->get_ref<const std::string&>();
}

std::optional<std::string> DongNhatKy::tuanTuKhongBam() {
    std::string ra;
    try {
        j_.erase("hash");
        // nlohmann's own dump is what the walk reproduces; it is kept for the lines every journal is made of.
        if (coSoLon_)
            viet(j_, ra);
        else
            ra = j_.dump();
    } catch (const json::exception&) {
        return std::nullopt;
    }
    return NhatKy::tuanTuHoa(ra);
}
