#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string_view>

#include "store/MaVanDon.h"
#include "store/MatHang.h"

// A synced order, one JSON object per line of the monthly orders file.
struct DonHang {
    QString id;
    std::optional<QString> orderNumber;
    std::optional<QString> name;
    QString createdAt;
    QString updatedAt;
    std::optional<QString> customerName;
    std::optional<QString> customerPhone;
    std::optional<QString> shippingAddress;
    QList<MatHang> items;
    QList<MaVanDon> trackings;
    std::optional<qint64> itemCount;
    std::optional<QString> cancelledAt;
    std::optional<QString> syncedAt;

    // Every normalised code the order can be found by, without duplicates or the empty code.
    QStringList tatCaMa() const;
    // The number of the first tracking entry, as a video's record keeps it; none without entries.
    std::optional<QString> maVanDonDau() const {
        if (trackings.empty()) return std::nullopt;
        return trackings.front().trackingNumber;
    }
    // The first tracking number that is not empty: platforms send an entry before the carrier has given it a
    // number, and such an entry names nothing. What screens show and film an order under; none without one.
    std::optional<QString> maVanDonCoSo() const {
        for (const MaVanDon& v : trackings)
            if (!v.trackingNumber.isEmpty()) return v.trackingNumber;
        return std::nullopt;
    }
    // The codes tatCaMa gives for the order o holds, read straight from the JSON in the same order, but
    // with any duplicates left in: each one is normalised into ma (the caller's, reused from one code to
    // the next) and handed to moiMa. Loading uses it, as an order may carry 100,000 tracking numbers.
    static void choTungMa(const simdjson::dom::object& o, QString& ma,
                          const std::function<void(const QString&)>& moiMa);

    nlohmann::ordered_json thanhJson() const;
    // The compact record line, without its line feed.
    QByteArray thanhDong() const;
    static DonHang tuJson(const simdjson::dom::object& o);
    // Only the fields the codes come from (id, orderNumber, name, trackings), read by the same rules.
    static DonHang maTuJson(const simdjson::dom::object& o);
    // Absent when the line is not a JSON object.
    static std::optional<DonHang> docDong(std::string_view dong);
};
