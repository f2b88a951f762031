#include "store/BanGhiVideo.h"

#include <QUuid>
#include <chrono>

#include "store/DocJson.h"
#include "store/DonHang.h"
#include "store/DongHo.h"

nlohmann::ordered_json BanGhiVideo::thanhJson() const {
    nlohmann::ordered_json j = nlohmann::ordered_json::object();
    j["id"] = DocJson::utf8(id);
    DocJson::datTuyChon(j, "kind", kind);
    j["code"] = DocJson::utf8(code);
    DocJson::datTuyChon(j, "orderId", orderId);
    DocJson::datTuyChon(j, "orderNumber", orderNumber);
    DocJson::datTuyChon(j, "trackingNumber", trackingNumber);
    DocJson::datTuyChon(j, "customerName", customerName);
    DocJson::datTuyChon(j, "customerPhone", customerPhone);
    if (serials) {
        auto ds = nlohmann::ordered_json::array();
        for (const QString& s : *serials) ds.push_back(DocJson::utf8(s));
        j["serials"] = std::move(ds);
    }
    j["filePath"] = DocJson::utf8(filePath);
    j["fileName"] = DocJson::utf8(fileName);
    j["bytes"] = bytes;
    j["sha256"] = DocJson::utf8(sha256);
    j["startedAt"] = DocJson::utf8(startedAt);
    j["endedAt"] = DocJson::utf8(endedAt);
    j["durationSec"] = durationSec;
    DocJson::datTuyChon(j, "resolution", resolution);
    DocJson::datTuyChon(j, "cameraLabel", cameraLabel);
    DocJson::datTuyChon(j, "shopName", shopName);
    if (keepForever) j["keepForever"] = *keepForever;
    if (deleted) j["deleted"] = *deleted;
    if (invalid) j["invalid"] = *invalid;
    if (returnInfo) j["returnInfo"] = returnInfo->thanhJson();
    return j;
}

QByteArray BanGhiVideo::thanhDong() const {
    return QByteArray::fromStdString(thanhJson().dump());
}

BanGhiVideo BanGhiVideo::tuJson(const simdjson::dom::object& o) {
    BanGhiVideo v;
    v.id = DocJson::chu(o, "id");
    v.kind = DocJson::chuTuyChon(o, "kind");
    v.code = DocJson::chu(o, "code");
    v.orderId = DocJson::chuTuyChon(o, "orderId");
    v.orderNumber = DocJson::chuTuyChon(o, "orderNumber");
    v.trackingNumber = DocJson::chuTuyChon(o, "trackingNumber");
    v.customerName = DocJson::chuTuyChon(o, "customerName");
    v.customerPhone = DocJson::chuTuyChon(o, "customerPhone");
    v.serials = DocJson::dsChu(o, "serials");
    v.filePath = DocJson::chu(o, "filePath");
    v.fileName = DocJson::chu(o, "fileName");
    v.bytes = DocJson::soNguyen(o, "bytes").value_or(0);
    v.sha256 = DocJson::chu(o, "sha256");
    v.startedAt = DocJson::chu(o, "startedAt");
    v.endedAt = DocJson::chu(o, "endedAt");
    v.durationSec = DocJson::soNguyen(o, "durationSec").value_or(0);
    v.resolution = DocJson::chuTuyChon(o, "resolution");
    v.cameraLabel = DocJson::chuTuyChon(o, "cameraLabel");
    v.shopName = DocJson::chuTuyChon(o, "shopName");
    v.keepForever = DocJson::dungSai(o, "keepForever");
    v.deleted = DocJson::dungSai(o, "deleted");
    v.invalid = DocJson::dungSai(o, "invalid");
    if (auto r = DocJson::doiTuong(o, "returnInfo")) v.returnInfo = KhaiBaoHoan::tuJson(*r);
    return v;
}

std::optional<BanGhiVideo> BanGhiVideo::docDong(std::string_view dong) {
    const auto o = DocJson::docDoiTuong(dong);
    if (!o) return std::nullopt;
    return tuJson(*o);
}

QString BanGhiVideo::taoId(const DongHo& dongHo) {
    using namespace std::chrono;
    return QStringLiteral("r_%1_%2")
        .arg(duration_cast<milliseconds>(dongHo.gioThuc().time_since_epoch()).count())
        .arg(QUuid::createUuid().toString(QUuid::WithoutBraces).left(6).toUpper());
}

void BanGhiVideo::ganDon(const DonHang& don) {
    orderId = don.id;
    orderNumber = don.orderNumber;
    trackingNumber = don.maVanDonDau();
    customerName = don.customerName;
    customerPhone = don.customerPhone;
}
