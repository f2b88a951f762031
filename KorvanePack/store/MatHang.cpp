#include "store/MatHang.h"

#include "store/DocJson.h"

QString MatHang::id() const {
    return sku.value_or(QString()) + title + variantTitle.value_or(QString());
}

nlohmann::ordered_json MatHang::thanhJson() const {
    nlohmann::ordered_json j = nlohmann::ordered_json::object();
    j["title"] = DocJson::utf8(title);
    DocJson::datTuyChon(j, "variantTitle", variantTitle);
    DocJson::datTuyChon(j, "sku", sku);
    j["quantity"] = quantity;
    return j;
}

MatHang MatHang::tuJson(const simdjson::dom::object& o) {
    MatHang m;
    m.title = DocJson::chu(o, "title", QStringLiteral("Sản phẩm"));
    m.variantTitle = DocJson::chuTuyChon(o, "variantTitle");
    m.sku = DocJson::chuTuyChon(o, "sku");
    m.quantity = DocJson::soNguyen(o, "quantity").value_or(0);
    return m;
}

size_t qHash(const MatHang& m, size_t seed) {
    return qHashMulti(seed, m.title, m.variantTitle.value_or(QString()), m.variantTitle.has_value(),
                      m.sku.value_or(QString()), m.sku.has_value(), m.quantity);
}
