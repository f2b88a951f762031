#include "store/KhaiBaoHoan.h"

#include "store/DocJson.h"
#include "store/MucChon.h"

bool KhaiBaoHoan::coVanDe() const {
    for (const QString& c : conditions)
        if (tinhTrangCoVanDe().contains(c)) return true;
    return false;
}

nlohmann::ordered_json KhaiBaoHoan::thanhJson() const {
    nlohmann::ordered_json j = nlohmann::ordered_json::object();
    DocJson::datTuyChon(j, "reason", reason);
    auto ds = nlohmann::ordered_json::array();
    for (const QString& c : conditions) ds.push_back(DocJson::utf8(c));
    j["conditions"] = std::move(ds);
    DocJson::datTuyChon(j, "serial", serial);
    DocJson::datTuyChon(j, "note", note);
    DocJson::datTuyChon(j, "decision", decision);
    j["savedAt"] = DocJson::utf8(savedAt);
    return j;
}

KhaiBaoHoan KhaiBaoHoan::tuJson(const simdjson::dom::object& o) {
    KhaiBaoHoan k;
    k.reason = DocJson::chuTuyChon(o, "reason");
    k.conditions = DocJson::dsChu(o, "conditions").value_or(QStringList());
    k.serial = DocJson::chuTuyChon(o, "serial");
    k.note = DocJson::chuTuyChon(o, "note");
    k.decision = DocJson::chuTuyChon(o, "decision");
    k.savedAt = DocJson::chu(o, "savedAt");
    return k;
}

size_t qHash(const KhaiBaoHoan& k, size_t seed) {
    return qHashMulti(seed, k.reason.value_or(QString()), k.reason.has_value(), k.conditions,
                      k.serial.value_or(QString()), k.serial.has_value(), k.note.value_or(QString()),
                      k.note.has_value(), k.decision.value_or(QString()), k.decision.has_value(), k.savedAt);
}
