#pragma once

#include <QString>
#include <nlohmann/json_fwd.hpp>
#include <optional>

namespace simdjson::dom {
class object;
}

// One order line.
struct MatHang {
    QString title;
    std::optional<QString> variantTitle;
    std::optional<QString> sku;
    qint64 quantity = 0;

    // sku + title + variantTitle with no separator; two different lines may share it.
    QString id() const;

    bool operator==(const MatHang&) const = default;

    nlohmann::ordered_json thanhJson() const;
    static MatHang tuJson(const simdjson::dom::object& o);
};

size_t qHash(const MatHang& m, size_t seed = 0);
