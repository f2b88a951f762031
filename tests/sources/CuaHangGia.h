#pragma once

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "MayChuGia.h"
#include "store/DinhDangISO.h"

// A big shop behind each platform's order list, paging the way that platform documents it: its time filter
// on the last update (bounds included), its page or offset or continuation paging, and its default order,
// newest created first, unless the request asks for oldest update first in the platform's own words
// (Pancake POS "option_sort=last_updated_order_asc", KiotViet "orderBy=modifiedDate&orderDirection=Asc",
// Haravan "order=updated_at asc").
// Orders can be changed and added between runs, as a shop does.
class CuaHangGia {
public:
    struct Don {
        int id;
        qint64 tao;  // Unix seconds
        qint64 doi;
    };

    void them(Don d) {
        std::lock_guard lk(khoa_);
        don_.push_back(d);
    }
    void doi(int id, qint64 luc) {
        std::lock_guard lk(khoa_);
        for (Don& d : don_) {
            if (d.id == id) d.doi = luc;
        }
    }
    // Called on the server's thread after each order-list page has been answered, with the count so far.
    std::function<void(int)> sauTrang;
    // Serves the default order whatever the request asks, as a platform that ignores its sort parameter.
    std::atomic<bool> boQuaSapXep = false;

    std::vector<Don> tatCa() const {
        std::lock_guard lk(khoa_);
        return don_;
    }

    // Serves nguon's order list (and KiotViet's token) on may.
    void phucVu(MayChuGia& may, const std::string& nguon) {
        using nlohmann::json;
        if (nguon == "haravan") {
            traTheoTrang(may, "/com/orders.json", "updated_at", "created_at", true);
        } else if (nguon == "kiotviet") {
            may.post("/kiotviet/connect/token", [](const httplib::Request&, httplib::Response& r) {
                r.set_content(R"({"access_token":"AT1","expires_in":86400})", "application/json");
            });
            may.get("/kiotviet/invoices", [this](const httplib::Request& q, httplib::Response& r) {
                const QDateTime tu =
                    QDateTime::fromString(QString::fromStdString(q.get_param_value("lastModifiedFrom")),
                                          QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                if (!tu.isValid()) return tuChoi(r);
                const bool tangDan = q.get_param_value("orderBy") == "modifiedDate" &&
                                     q.get_param_value("orderDirection") == "Asc" && !boQuaSapXep;
                const int coTrang = so(q, "pageSize", 20);
                json ds = json::array();
                for (const Don& d : lat(tu.toSecsSinceEpoch(), kVoCung, tangDan, so(q, "currentItem", 0), coTrang))
                    ds.push_back({{"id", d.id},
                                  {"code", "HD" + std::to_string(d.id)},
                                  {"purchaseDate", diaPhuong(d.tao)},
                                  {"modifiedDate", diaPhuong(d.doi)}});
                r.set_content(json{{"total", tatCa().size()}, {"data", ds}}.dump(), "application/json");
                if (sauTrang) sauTrang(++soTrang_);
            });
        } else if (nguon == "sapo") {
            traTheoTrang(may, "/sapo/shop1/admin/orders.json", "modified_on", "created_on");
        } else if (nguon == "pancake") {
            may.get("/pancake/api/v1/shops/123/orders", [this](const httplib::Request& q, httplib::Response& r) {
                if (q.get_param_value("updateStatus") != "updated_at") return tuChoi(r);
                const qint64 tu = so(q, "startDateTime", -1);
                const qint64 den = so(q, "endDateTime", -1);
                if (tu < 0 || den < 0) return tuChoi(r);
                const bool tangDan = q.get_param_value("option_sort") == "last_updated_order_asc" && !boQuaSapXep;
                json ds = json::array();
                for (const Don& d : trang(tu, den, tangDan, so(q, "page_number", 1) - 1, so(q, "page_size", 30)))
                    ds.push_back(
                        {{"id", d.id}, {"inserted_at", utcKhongVung(d.tao)}, {"updated_at", utcKhongVung(d.doi)}});
                r.set_content(json{{"data", ds}}.dump(), "application/json");
                if (sauTrang) sauTrang(++soTrang_);
            });
        } else if (nguon == "nhanh") {
            may.post("/nhanh/v3.0/order/list", [this](const httplib::Request& q, httplib::Response& r) {
                const json than = json::parse(q.body, nullptr, false);
                const json loc = than.value("filters", json::object());
                if (!loc.contains("updatedAtFrom") || !loc.contains("updatedAtTo")) return tuChoi(r);
                const json phan = than.value("paginator", json::object());
                const int coTrang = phan.value("size", 50);
                // The continuation is opaque to the client; here the key of the last order sent (its creation,
                // then its id), the next page starting after it whatever left the list meanwhile.
                std::vector<Don> ds;
                for (const Don& d :
                     lat(loc["updatedAtFrom"].get<qint64>(), loc["updatedAtTo"].get<qint64>(), false, 0, kVoCung)) {
                    if (phan.contains("next") && !phan["next"].is_null()) {
                        const qint64 tao = phan["next"].at(0).get<qint64>(), id = phan["next"].at(1).get<qint64>();
                        if (d.tao > tao || (d.tao == tao && d.id >= id)) continue;
                    }
                    ds.push_back(d);
                    if (int(ds.size()) > coTrang) break;
                }
                json data = json::array();
                for (size_t i = 0; i < ds.size() && int(i) < coTrang; ++i)
                    data.push_back({{"info", {{"id", ds[i].id}, {"createdAt", ds[i].tao}, {"updatedAt", ds[i].doi}}}});
                const json tiep = int(ds.size()) > coTrang
                                      ? json::array({ds[size_t(coTrang) - 1].tao, ds[size_t(coTrang) - 1].id})
                                      : json();
                r.set_content(json{{"code", 1}, {"paginator", {{"next", tiep}}}, {"data", data}}.dump(),
                              "application/json");
                if (sauTrang) sauTrang(++soTrang_);
            });
        }
    }

    static std::string iso(qint64 t) { return dinhDangISO().dinhDang(QDateTime::fromSecsSinceEpoch(t)).toStdString(); }

private:
    // A Shopify-style list at duong, paged by page and limit, filtered by "<doi>_min" and "<doi>_max"; each order
    // carries its creation under tao and its last change under doi.
    // With coSapXep, "order=<doi> asc" asks for oldest change first.
    void traTheoTrang(MayChuGia& may, const std::string& duong, const std::string& doi, const std::string& tao,
                      bool coSapXep = false) {
        may.get(duong, [this, doi, tao, coSapXep](const httplib::Request& q, httplib::Response& r) {
            using nlohmann::json;
            const auto tu = giayISO(q.get_param_value(doi + "_min"));
            if (!tu) return tuChoi(r);
            const auto den = giayISO(q.get_param_value(doi + "_max"));
            json ds = json::array();
            const bool tangDan = coSapXep && q.get_param_value("order") == doi + " asc" && !boQuaSapXep;
            for (const Don& d : trang(*tu, den.value_or(kVoCung), tangDan, so(q, "page", 1) - 1, so(q, "limit", 50)))
                ds.push_back({{"id", d.id}, {tao, iso(d.tao)}, {doi, iso(d.doi)}});
            r.set_content(json{{"orders", ds}}.dump(), "application/json");
            if (sauTrang) sauTrang(++soTrang_);
        });
    }

    static constexpr qint64 kVoCung = std::numeric_limits<qint64>::max();

    static void tuChoi(httplib::Response& r) {
        r.status = 400;
        r.set_content(R"({"error":"bad filter"})", "application/json");
    }
    static qint64 so(const httplib::Request& q, const char* ten, qint64 macDinh) {
        return q.has_param(ten) ? std::stoll(q.get_param_value(ten)) : macDinh;
    }
    static std::optional<qint64> giayISO(const std::string& s) {
        if (s.empty()) return std::nullopt;
        const auto t = docThoiGianISO(QString::fromStdString(s));
        if (!t) return std::nullopt;
        return t->toSecsSinceEpoch();
    }
    static std::string diaPhuong(qint64 t) {
        return QDateTime::fromSecsSinceEpoch(t)
            .toLocalTime()
            .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
            .toStdString();
    }
    static std::string utcKhongVung(qint64 t) {
        return QDateTime::fromSecsSinceEpoch(t, QTimeZone::utc())
            .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
            .toStdString();
    }

    // The orders changed within [tu, den], in the asked order, from entry tu of the list on.
    std::vector<Don> lat(qint64 tu, qint64 den, bool tangDan, qint64 batDau, qint64 soLuong) const {
        std::vector<Don> ds;
        for (const Don& d : tatCa()) {
            if (d.doi >= tu && d.doi <= den) ds.push_back(d);
        }
        std::sort(ds.begin(), ds.end(), [tangDan](const Don& a, const Don& b) {
            if (tangDan) return a.doi != b.doi ? a.doi < b.doi : a.id < b.id;
            return a.tao != b.tao ? a.tao > b.tao : a.id > b.id;
        });
        if (batDau >= qint64(ds.size()) || soLuong <= 0) return {};
        const auto dau = ds.begin() + batDau;
        return std::vector<Don>(dau, ds.begin() + std::min<qint64>(batDau + soLuong, qint64(ds.size())));
    }
    std::vector<Don> trang(qint64 tu, qint64 den, bool tangDan, qint64 trangSo, qint64 coTrang) const {
        return lat(tu, den, tangDan, trangSo * coTrang, coTrang);
    }

    mutable std::mutex khoa_;
    std::vector<Don> don_;
    int soTrang_ = 0;  // only the server's thread touches it
};
