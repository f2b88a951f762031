#pragma once

// What a store put on disk, read back straight from its files rather than through its memory, so a test
// sees what a restart would load.
#include <QDirIterator>
#include <QFile>
#include <QStringList>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "store/BanGhiVideo.h"
#include "store/KhoDuLieu.h"

namespace kho_tren_dia {

// Every recording line of every month file, oldest month first.
inline std::vector<BanGhiVideo> banGhi(const KhoDuLieu& kho) {
    std::vector<BanGhiVideo> ds;
    QDirIterator it(kho.thuMucBanGhiVideo(), {QStringLiteral("*.jsonl")});
    QStringList tep;
    while (it.hasNext()) tep << it.next();
    tep.sort();
    for (const auto& t : tep) {
        QFile f(t);
        if (!f.open(QIODevice::ReadOnly)) continue;
        for (const auto& dong : f.readAll().split('\n'))
            if (auto bg = BanGhiVideo::docDong(std::string_view(dong.constData(), dong.size()))) ds.push_back(*bg);
    }
    return ds;
}

// The journal's lines of one event, in order.
inline std::vector<nlohmann::json> suKien(const KhoDuLieu& kho, const std::string& ten) {
    std::vector<nlohmann::json> ds;
    QFile f(kho.nhatKy().duongDan());
    if (!f.open(QIODevice::ReadOnly)) return ds;
    for (const auto& dong : f.readAll().split('\n')) {
        if (dong.isEmpty()) continue;
        auto j = nlohmann::json::parse(dong.toStdString());
        if (j["event"] == ten) ds.push_back(j);
    }
    return ds;
}

}  // namespace kho_tren_dia
