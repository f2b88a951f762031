#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

#include "common/CumGia.h"
#include "common/CumThu.h"
#include "core/BoSuaBanGhi.h"
#include "store/BanGhiVideo.h"
#include "store/DonHang.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"
#include "store/MucChon.h"

// What the returns station's model and view tests share: orders and records as the store holds them, and a real
// coordinator with its record editor wired as at start-up, over the real camera engine or over the fakes.
namespace mau_hang_hoan {

using json = nlohmann::json;

// A short video made once by the ffmpeg tool, an independent writer, for the fake recorder to hand back as
// what it filmed: the coordinator checks and fingerprints it like a real recording.
inline QString videoMau() {
    static QTemporaryDir* thuMuc = new QTemporaryDir();
    const QString tep = thuMuc->filePath(QStringLiteral("mau.mp4"));
    if (!QFile::exists(tep)) {
        QProcess p;
        p.start("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                           "testsrc=size=160x120:rate=15", "-t", "1", "-c:v", "libx264", tep});
        p.waitForFinished(60000);
    }
    return tep;
}

inline DonHang taoDon(const QString& id, const QString& ten, const QString& dienThoai, const QString& ngay,
                      std::optional<QString> soDon = std::nullopt, QStringList vanDon = {}) {
    DonHang d;
    d.id = id;
    d.orderNumber = soDon;
    d.customerName = ten;
    d.customerPhone = dienThoai;
    d.createdAt = ngay;
    d.updatedAt = ngay;
    for (const QString& v : vanDon) d.trackings.append(MaVanDon{v, QString("GHN")});
    return d;
}

// A record as the coordinator leaves it in the store, without a video behind it.
inline BanGhiVideo taoBanGhi(const QString& id, const QString& kind, std::optional<QString> orderId,
                             QStringList serials, const QString& batDau) {
    BanGhiVideo bg;
    bg.id = id;
    bg.kind = kind;
    bg.code = "MA-" + id;
    bg.orderId = orderId;
    bg.serials = serials;
    bg.filePath = "/khong/co/" + id + ".mp4";
    bg.fileName = id + ".mp4";
    bg.bytes = 1000;
    bg.sha256 = QString(64, 'a');
    bg.startedAt = batDau;
    bg.endedAt = batDau;
    bg.durationSec = 5;
    bg.keepForever = false;
    bg.deleted = false;
    bg.invalid = false;
    return bg;
}

inline QSet<QString> tapTu(const json& ds) {
    QSet<QString> kq;
    for (const auto& s : ds) kq.insert(QString::fromStdString(s.get<std::string>()));
    return kq;
}

// The coordinator over the real camera engine, not yet opened.
struct CumThuCoDieuPhoi : cum_thu::Cum {
    CumThuCoDieuPhoi() { taoDieuPhoi(); }
};

template <class Goc>
struct CumHangHoanTren : Goc {
    using Goc::dieuPhoi;
    using Goc::kho;
    // The form's own clock, which stamps declarations: stepping a recording's time does not move it.
    DongHoGia dongHoToKhai;
    std::unique_ptr<BoSuaBanGhi> sua;
    CumHangHoanTren() {
        dongHoToKhai.datGiayThuc(1740794645.0);  // 2025-03-01T02:04:05Z
        sua = std::make_unique<BoSuaBanGhi>(*kho, dieuPhoi->congTieng());
        dieuPhoi->hienThongBaoCua(*sua);
    }
    void themDon(const DonHang& d) { kho->capNhatDon(d); }
    void luuBanGhi(const BanGhiVideo& bg) {
        kho->ghiBanGhiVideo(bg);
        kho->datVideo(bg);
    }
    // The form opened as the coordinator's announcement of a saved returns record opens it.
    void moFormCho(const BanGhiVideo& bg) {
        luuBanGhi(bg);
        emit dieuPhoi->daLuuVideo(bg);
    }
    // Turns the recordings folder into a regular file, so the next record cannot be written.
    bool chanThuMucBanGhi() {
        if (!QDir(kho->thuMucBanGhiVideo()).removeRecursively()) return false;
        QFile chan(kho->thuMucBanGhiVideo());
        return chan.open(QIODevice::WriteOnly);
    }
    // The last line stored for a record id.
    json dongCuoi(const QString& id) const {
        json kq;
        QDir thuMuc(kho->thuMucBanGhiVideo());
        for (const QString& ten : thuMuc.entryList({"*.jsonl"}, QDir::Files, QDir::Name)) {
            QFile f(thuMuc.filePath(ten));
            if (!f.open(QIODevice::ReadOnly)) continue;
            for (const QByteArray& dong : f.readAll().split('\n')) {
                if (dong.isEmpty()) continue;
                json j = json::parse(dong.toStdString(), nullptr, false);
                if (j.is_object() && j.value("id", "") == id.toStdString()) kq = j;
            }
        }
        return kq;
    }
    json nhatKyCuoi() const {
        QFile f(kho->nhatKy().duongDan());
        if (!f.open(QIODevice::ReadOnly)) return {};
        const QList<QByteArray> dong = f.readAll().trimmed().split('\n');
        return json::parse(dong.last().toStdString(), nullptr, false);
    }
    // The stored line of a record declared with the third reason, a missing accessory, the serial
    // "  sn ab12 \n", the second decision and a blank note, saved at the fixture's clock.
    void kiemToKhaiMauDaLuu(const QString& id) const {
        const json dong = dongCuoi(id);
        EXPECT_EQ(dong["kind"], "return");
        EXPECT_EQ(dong["keepForever"], true);
        const json& ri = dong["returnInfo"];
        EXPECT_EQ(ri["reason"], danhSachLyDo()[2].id.toStdString());
        EXPECT_EQ(tapTu(ri["conditions"]), QSet<QString>{"thieu-phu-kien"});
        EXPECT_EQ(ri["serial"], "sn ab12");
        EXPECT_EQ(ri["note"], "");
        EXPECT_EQ(ri["decision"], danhSachXuLy()[1].id.toStdString());
        EXPECT_EQ(ri["savedAt"], "2025-03-01T02:04:05Z");
        EXPECT_EQ(kho->videoTheoId().value(id).returnInfo->serial, "sn ab12");
    }
};

using CumHangHoan = CumHangHoanTren<CumThuCoDieuPhoi>;

// Over the fakes: the recorder starts at once and its stops complete with the sample video; time moves
// only when the test steps it.
struct CumHangHoanGia : CumHangHoanTren<cum_gia::Cum> {
    CumHangHoanGia() {
        EXPECT_TRUE(QFile::exists(videoMau())) << "the ffmpeg tool makes the sample video";
        camera.daMoXong();
        camera.tuHoanTatVoiTep(videoMau(), 5);
    }
    // Steps the coordinator's time in slices, running what each tick hands back to the GUI thread.
    void tien(std::chrono::milliseconds d) {
        while (d > std::chrono::milliseconds(0)) {
            const auto buoc = std::min(d, std::chrono::milliseconds(100));
            henGio.tien(buoc);
            xuLySuKien();
            d -= buoc;
        }
    }
    bool dangNghi() const { return dieuPhoi->trangThai() == BoDieuPhoi::TrangThai::nghi && !camera.dangGhi(); }
};

}  // namespace mau_hang_hoan
