#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string_view>

#include "store/KhaiBaoHoan.h"
#include "store/LoaiVideo.h"

// A video record. Every change appends the whole record again; the last line of an id wins.
class DongHo;
struct DonHang;

struct BanGhiVideo {
    QString id;
    std::optional<QString> kind;
    QString code;
    std::optional<QString> orderId;
    std::optional<QString> orderNumber;
    std::optional<QString> trackingNumber;
    std::optional<QString> customerName;
    std::optional<QString> customerPhone;
    std::optional<QStringList> serials;
    QString filePath;
    QString fileName;
    qint64 bytes = 0;
    QString sha256;
    QString startedAt;
    QString endedAt;
    qint64 durationSec = 0;
    std::optional<QString> resolution;
    std::optional<QString> cameraLabel;
    std::optional<QString> shopName;
    std::optional<bool> keepForever;
    std::optional<bool> deleted;
    std::optional<bool> invalid;
    std::optional<KhaiBaoHoan> returnInfo;

    // A record without a kind is a packing video; an unknown text gives no kind.
    std::optional<LoaiVideo> loai() const { return loaiVideoTuGiaTri(kind.value_or(QStringLiteral("pack"))); }
    bool laHoan() const { return kind == QStringLiteral("return"); }
    bool daXoa() const { return deleted.value_or(false); }
    bool giuMai() const { return keepForever.value_or(false); }

    // A new record's id: the wall time in milliseconds on the given clock and a random tail, so two records
    // made in the same millisecond still differ.
    static QString taoId(const DongHo& dongHo);
    // Takes the order's fields a record carries, the same whether the record is made or linked later.
    void ganDon(const DonHang& don);

    nlohmann::ordered_json thanhJson() const;
    // The compact record line, without its line feed.
    QByteArray thanhDong() const;
    static BanGhiVideo tuJson(const simdjson::dom::object& o);
    // Absent when the line is not a JSON object.
    static std::optional<BanGhiVideo> docDong(std::string_view dong);
};
