#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QStringDecoder>
#include <nlohmann/json.hpp>
#include <optional>

// The journal rule read afresh, apart from the store's code: the file must be UTF-8 text; it is split
// on line feeds with only empty pieces dropped; each line must be an object whose "prev" is the hash
// before it and whose "hash" is the SHA-256 of the rest, serialised with sorted keys and "/" escaped.
struct KetQuaDocLap {
    bool ok = false;
    qint64 soDong = 0;
    std::optional<qint64> dongGay;
    bool operator==(const KetQuaDocLap&) const = default;
};

inline KetQuaDocLap kiemNhatKyDocLap(const QByteArray& noiDung) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)utf8.decode(noiDung).operator QString();
    if (utf8.hasError()) return {false, 0, std::nullopt};
    std::string truoc = "GENESIS";
    qint64 so = 0;
    for (const QByteArray& dong : noiDung.split('\n')) {
        if (dong.isEmpty()) continue;
        ++so;
        auto j = nlohmann::json::parse(dong.toStdString(), nullptr, false);
        const bool dung = [&] {
            if (!j.is_object() || !j.contains("hash") || !j.contains("prev")) return false;
            if (!j["hash"].is_string() || !j["prev"].is_string() || j["prev"] != truoc) return false;
            const std::string bam = j["hash"];
            j.erase("hash");
            QByteArray tuanTu = QByteArray::fromStdString(j.dump());
            tuanTu.replace("/", "\\/");
            if (QCryptographicHash::hash(tuanTu, QCryptographicHash::Sha256).toHex().toStdString() != bam) return false;
            truoc = bam;
            return true;
        }();
        if (!dung) return {false, so, so};
    }
    return {true, so, std::nullopt};
}
