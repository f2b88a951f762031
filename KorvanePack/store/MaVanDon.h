#pragma once

#include <QString>
#include <nlohmann/json_fwd.hpp>
#include <optional>

namespace simdjson::dom {
class object;
}

// A shipping-label code with its carrier.
struct MaVanDon {
    QString trackingNumber;
    std::optional<QString> company;

    bool operator==(const MaVanDon&) const = default;

    nlohmann::ordered_json thanhJson() const;
    static MaVanDon tuJson(const simdjson::dom::object& o);
};

size_t qHash(const MaVanDon& m, size_t seed = 0);
