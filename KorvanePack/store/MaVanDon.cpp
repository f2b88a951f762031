#include "store/MaVanDon.h"

#include "store/DocJson.h"

nlohmann::ordered_json MaVanDon::thanhJson() const {
    nlohmann::ordered_json j = nlohmann::ordered_json::object();
    j["trackingNumber"] = DocJson::utf8(trackingNumber);
    DocJson::datTuyChon(j, "company", company);
    return j;
}

MaVanDon MaVanDon::tuJson(const simdjson::dom::object& o) {
    MaVanDon m;
    m.trackingNumber = DocJson::chu(o, "trackingNumber");
    m.company = DocJson::chuTuyChon(o, "company");
    return m;
}

size_t qHash(const MaVanDon& m, size_t seed) {
    return qHashMulti(seed, m.trackingNumber, m.company.value_or(QString()), m.company.has_value());
}
