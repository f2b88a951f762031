#include "sources/TaoNguonDon.h"

#include "sources/HaravanClient.h"
#include "sources/KiotVietClient.h"
#include "sources/NhanhClient.h"
#include "sources/PancakeClient.h"
#include "sources/SapoClient.h"
#include "nentang/BangNenTang.h"

namespace {
// A shop id copied from the address bar often keeps the slashes around it.
QString catDauCuoi(QString s) {
    const auto bo = [](QChar c) { return c == u'/' || c == u' '; };
    while (!s.isEmpty() && bo(s.front())) s.remove(0, 1);
    while (!s.isEmpty() && bo(s.back())) s.chop(1);
    return s;
}
}  // namespace

QString docKhoaNguon(const QString& khoa, const QString& nguon, const DocKhoa& doc) {
    const std::optional<QString> v = doc ? doc(dichVuKhoaNguon(nguon, khoa)) : std::nullopt;
    return v.value_or(QString()).trimmed();
}

std::unique_ptr<NguonDon> taoNguonDon(const QString& nguon, const DocKhoa& doc, const MoiTruongNguon& moiTruong) {
    for (const TruongKhaiBao& truong : cacTruongKhaiBao(nguon)) {
        if (docKhoaNguon(truong.khoa, nguon, doc).isEmpty()) return nullptr;
    }
    const auto khoa = [&](const char* k) { return docKhoaNguon(QString::fromLatin1(k), nguon, doc); };
    if (nguon == QLatin1String("kiotviet")) {
        return std::make_unique<KiotVietClient>(khoa("clientId"), khoa("clientSecret"), khoa("retailer"), moiTruong);
    }
    if (nguon == QLatin1String("pancake")) {
        return std::make_unique<PancakeClient>(khoa("apiKey"), catDauCuoi(khoa("shopId")), moiTruong);
    }
    if (nguon == QLatin1String("sapo")) {
        return std::make_unique<SapoClient>(khoa("store"), khoa("apiKey"), khoa("apiSecret"), moiTruong);
    }
    if (nguon == QLatin1String("nhanh")) {
        return std::make_unique<NhanhClient>(khoa("appId"), khoa("businessId"), khoa("accessToken"), moiTruong);
    }
    return std::make_unique<HaravanClient>(khoa("token"), moiTruong);
}
