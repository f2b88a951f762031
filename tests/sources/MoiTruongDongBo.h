#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <nlohmann/json.hpp>

#include "common/ChoDen.h"
#include "core/CaiDat.h"
#include "gia/core/HenGioTay.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "sources/BangMayChu.h"
#include "sources/BoDongBo.h"
#include "sources/KenhHTTPCurl.h"
#include "gia/sources/NguonDonKichBan.h"
#include "nentang/BangNenTang.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"

// A sync engine over a temporary data folder and settings file, an in-memory keychain, a hand-stepped
// clock and timer, and (unless a test builds real clients) a scripted source made by the factory.
struct MoiTruongDongBo {
    QTemporaryDir tam;
    DongHoGia dongHo;
    HenGioTay henGio{&dongHo};
    std::shared_ptr<KhoKhoaBoNho> khoKhoa = std::make_shared<KhoKhoaBoNho>();
    std::unique_ptr<KhoDuLieu> kho;
    std::unique_ptr<CaiDat> caiDat;
    std::unique_ptr<BoDongBo> dongBo;

    // Applied to every scripted source the factory builds.
    std::function<void(NguonDonKichBan&)> kichBan;
    NguonDonKichBan* nguon = nullptr;
    QStringList cacLanTao;

    MoiTruongDongBo() {
        dongHo.datGiayThuc(1'765'357'200);  // 2025-12-10T09:00:00Z, 16:00 in Ho Chi Minh City
        kho = std::make_unique<KhoDuLieu>(tam.path() + QStringLiteral("/goc"), &dongHo);
        kho->napTatCa(8);
        caiDat = std::make_unique<CaiDat>(tam.path() + QStringLiteral("/korvane.ini"), khoKhoa);
        khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.haravan.token"), QStringLiteral("tok-1"));
    }

    BoDongBo::CauHinh cauHinhKichBan() {
        BoDongBo::CauHinh ch;
        ch.dongHo = &dongHo;
        ch.henGio = &henGio;
        ch.taoNguon = [this](const QString& id, const DocKhoa& doc,
                             const MoiTruongNguon&) -> std::unique_ptr<NguonDon> {
            for (const auto& truong : cacTruongKhaiBao(id)) {
                if (docKhoaNguon(truong.khoa, id, doc).isEmpty()) return nullptr;
            }
            auto n = std::make_unique<NguonDonKichBan>();
            if (kichBan) kichBan(*n);
            nguon = n.get();
            cacLanTao << id;
            return n;
        };
        return ch;
    }

    // The real clients over libcurl, every platform's host pointed at one fake on loopback.
    BoDongBo::CauHinh cauHinhThat(const QString& goc) {
        BoDongBo::CauHinh ch;
        ch.dongHo = &dongHo;
        ch.henGio = &henGio;
        ch.kenh = std::make_shared<KenhHTTPCurl>();
        ch.mayChu = BangMayChu::tatCaVe(goc);
        ch.thoiGianCho = std::chrono::seconds(5);
        return ch;
    }

    BoDongBo& taoDongBo() { return taoDongBo(cauHinhKichBan()); }
    BoDongBo& taoDongBo(BoDongBo::CauHinh ch) {
        dongBo = std::make_unique<BoDongBo>(*kho, *caiDat, std::move(ch));
        return *dongBo;
    }

    // Spins the event loop until the condition holds; bounded so a broken run fails instead of hanging.
    void chayDongBo(bool lay30Ngay = false) {
        bool xong = false;
        dongBo->dongBo(lay30Ngay, [&] { xong = true; });
        ASSERT_TRUE(choDen([&] { return xong; }));
        // Progress lines travel in their own queued calls; let them land.
        QCoreApplication::processEvents();
    }

    QString thuKetNoi() {
        std::optional<QString> kq;
        dongBo->thuKetNoi([&](const QString& s) { kq = s; });
        EXPECT_TRUE(choDen([&] { return kq.has_value(); }));
        return kq.value_or(QString());
    }

    // The journal's events in order, each with its detail map.
    std::vector<std::pair<std::string, nlohmann::json>> suKien() const {
        std::vector<std::pair<std::string, nlohmann::json>> ra;
        QFile f(kho->nhatKy().duongDan());
        if (!f.open(QIODevice::ReadOnly)) return ra;
        for (const QByteArray& dong : f.readAll().split('\n')) {
            if (dong.trimmed().isEmpty()) continue;
            const auto j = nlohmann::json::parse(dong.toStdString());
            ra.emplace_back(j.at("event").get<std::string>(), j.at("detail"));
        }
        return ra;
    }
    std::vector<std::pair<std::string, nlohmann::json>> suKienDongBo() const {
        std::vector<std::pair<std::string, nlohmann::json>> ra;
        for (auto& sk : suKien()) {
            if (sk.first.rfind("sync", 0) == 0) ra.push_back(sk);
        }
        return ra;
    }

    QString mocDaLuu() const { return caiDat->ud().value(BoDongBo::khoaMoc).toString(); }
};

inline DonHang donMau(const QString& id, const QString& updatedAt = QStringLiteral("2025-12-09T00:00:00Z")) {
    DonHang d;
    d.id = id;
    d.orderNumber = QStringLiteral("#") + id;
    d.createdAt = updatedAt;
    d.updatedAt = updatedAt;
    d.trackings = {MaVanDon{QStringLiteral("VD") + id, std::nullopt}};
    d.itemCount = 0;
    return d;
}
