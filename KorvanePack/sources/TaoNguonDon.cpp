#include "sources/TaoNguonDon.h"

#include "sources/HaravanClient.h"
#include "sources/nentang/BangNenTang.h"

QString docKhoaNguon(const QString& khoa, const QString& nguon, const DocKhoa& doc) {
    const std::optional<QString> v = doc ? doc(dichVuKhoaNguon(nguon, khoa)) : std::nullopt;
    return v.value_or(QString()).trimmed();
}

std::unique_ptr<NguonDon> taoNguonDon(const QString& nguon, const DocKhoa& doc, const MoiTruongNguon& moiTruong) {
    for (const TruongKhaiBao& truong : cacTruongKhaiBao(nguon)) {
        if (docKhoaNguon(truong.khoa, nguon, doc).isEmpty()) return nullptr;
    }
    const auto khoa = [&](const char* k) { return docKhoaNguon(QString::fromLatin1(k), nguon, doc); };
    if (nguon == QLatin1String("kiotviet") || nguon == QLatin1String("pancake") || nguon == QLatin1String("sapo") ||
        nguon == QLatin1String("nhanh")) {
        // These four clients are not part of this build yet; without one the engine reports the source
        // as not connectable rather than talking to the wrong platform.
        return nullptr;
    }
    return std::make_unique<HaravanClient>(khoa("token"), moiTruong);
}
