#include "store/DonHang.h"

#include <QSet>

#include "store/DocJson.h"
#include "store/TienIch.h"

namespace {

// With chiMa, the carriers are left out: the code index needs the numbers only, and an order may
// carry a great many of them.
QList<MaVanDon> docTrackings(const simdjson::dom::object& o, bool chiMa = false) {
    QList<MaVanDon> ra;
    if (auto a = DocJson::mang(o, "trackings")) {
        ra.reserve(qsizetype(a->size()));
        for (simdjson::dom::element e : *a) {
            simdjson::dom::object mo;
            if (e.get_object().get(mo) != simdjson::SUCCESS) return {};
            if (chiMa)
                ra.append(MaVanDon{DocJson::chu(mo, "trackingNumber"), std::nullopt});
            else
                ra.append(MaVanDon::tuJson(mo));
        }
    }
    return ra;
}

}  // namespace

QStringList DonHang::tatCaMa() const {
    QStringList ra;
    // A set beside the list: an order may carry 100,000 tracking numbers, and a search of the list
    // for each would cost their square at every start.
    QSet<QString> daCo;
    daCo.reserve(trackings.size() + 3);
    auto them = [&](const QString& ma) {
        QString m = chuanHoaMa(ma);
        if (m.isEmpty() || daCo.contains(m)) return;
        daCo.insert(m);
        ra.append(std::move(m));
    };
    if (orderNumber) them(*orderNumber);
    if (name) them(*name);
    them(id);
    for (const MaVanDon& t : trackings) them(t.trackingNumber);
    return ra;
}

void DonHang::choTungMa(const simdjson::dom::object& o, QString& ma, const std::function<void(const QString&)>& moiMa) {
    const auto them = [&](std::string_view chu) {
        chuanHoaMaVao(ma, chu);
        if (!ma.isEmpty()) moiMa(ma);
    };
    std::string_view chu;
    if (o.at_key("orderNumber").get_string().get(chu) == simdjson::SUCCESS) them(chu);
    if (o.at_key("name").get_string().get(chu) == simdjson::SUCCESS) them(chu);
    them(o.at_key("id").get_string().get(chu) == simdjson::SUCCESS ? chu : std::string_view());
    const auto a = DocJson::mang(o, "trackings");
    if (!a) return;
    // One element that is not an object drops every tracking number, as docTrackings does.
    for (simdjson::dom::element e : *a)
        if (!e.is_object()) return;
    for (simdjson::dom::element e : *a) {
        if (e.get_object().at_key("trackingNumber").get_string().get(chu) != simdjson::SUCCESS) chu = {};
        them(chu);
    }
}

nlohmann::ordered_json DonHang::thanhJson() const {
    nlohmann::ordered_json j = nlohmann::ordered_json::object();
    j["id"] = DocJson::utf8(id);
    DocJson::datTuyChon(j, "orderNumber", orderNumber);
    DocJson::datTuyChon(j, "name", name);
    j["createdAt"] = DocJson::utf8(createdAt);
    j["updatedAt"] = DocJson::utf8(updatedAt);
    DocJson::datTuyChon(j, "customerName", customerName);
    DocJson::datTuyChon(j, "customerPhone", customerPhone);
    DocJson::datTuyChon(j, "shippingAddress", shippingAddress);
    auto dsItems = nlohmann::ordered_json::array();
    for (const MatHang& m : items) dsItems.push_back(m.thanhJson());
    j["items"] = std::move(dsItems);
    auto dsTrackings = nlohmann::ordered_json::array();
    for (const MaVanDon& t : trackings) dsTrackings.push_back(t.thanhJson());
    j["trackings"] = std::move(dsTrackings);
    if (itemCount) j["itemCount"] = *itemCount;
    DocJson::datTuyChon(j, "cancelledAt", cancelledAt);
    DocJson::datTuyChon(j, "syncedAt", syncedAt);
    return j;
}

QByteArray DonHang::thanhDong() const {
    return QByteArray::fromStdString(thanhJson().dump());
}

DonHang DonHang::tuJson(const simdjson::dom::object& o) {
    DonHang d;
    d.id = DocJson::chu(o, "id");
    d.orderNumber = DocJson::chuTuyChon(o, "orderNumber");
    d.name = DocJson::chuTuyChon(o, "name");
    d.createdAt = DocJson::chu(o, "createdAt");
    d.updatedAt = DocJson::chu(o, "updatedAt", d.createdAt);
    d.customerName = DocJson::chuTuyChon(o, "customerName");
    d.customerPhone = DocJson::chuTuyChon(o, "customerPhone");
    d.shippingAddress = DocJson::chuTuyChon(o, "shippingAddress");
    if (auto a = DocJson::mang(o, "items")) {
        for (simdjson::dom::element e : *a) {
            simdjson::dom::object mo;
            if (e.get_object().get(mo) != simdjson::SUCCESS) {
                d.items.clear();
                break;
            }
            d.items.append(MatHang::tuJson(mo));
        }
    }
    d.trackings = docTrackings(o);
    d.itemCount = DocJson::soNguyen(o, "itemCount");
    d.cancelledAt = DocJson::chuTuyChon(o, "cancelledAt");
    d.syncedAt = DocJson::chuTuyChon(o, "syncedAt");
    return d;
}

DonHang DonHang::maTuJson(const simdjson::dom::object& o) {
    DonHang d;
    d.id = DocJson::chu(o, "id");
    d.orderNumber = DocJson::chuTuyChon(o, "orderNumber");
    d.name = DocJson::chuTuyChon(o, "name");
    d.trackings = docTrackings(o, true);
    return d;
}

std::optional<DonHang> DonHang::docDong(std::string_view dong) {
    const auto o = DocJson::docDoiTuong(dong);
    if (!o) return std::nullopt;
    return tuJson(*o);
}
