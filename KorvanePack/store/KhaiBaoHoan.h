#pragma once

#include <QString>
#include <QStringList>
#include <nlohmann/json_fwd.hpp>
#include <optional>

namespace simdjson::dom {
class object;
}

// What the packer declared while unboxing a returned parcel.
struct KhaiBaoHoan {
    std::optional<QString> reason;
    QStringList conditions;
    std::optional<QString> serial;
    std::optional<QString> note;
    std::optional<QString> decision;
    QString savedAt;

    // True when a condition is one of the problem ids (exact comparison).
    bool coVanDe() const;

    bool operator==(const KhaiBaoHoan&) const = default;

    nlohmann::ordered_json thanhJson() const;
    static KhaiBaoHoan tuJson(const simdjson::dom::object& o);
};

size_t qHash(const KhaiBaoHoan& k, size_t seed = 0);
