#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <memory>
#include <ostream>

#include "MayChuGia.h"
#include "gia/sources/BoNguGhiLai.h"
#include "sources/KenhHTTPCurl.h"
#include "sources/MoiTruongNguon.h"
#include "sources/NguonDon.h"
#include "gia/store/DongHoGia.h"

// Failures show the text, not its UTF-16 code units.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// What every client test needs: a fake platform on loopback, the real transport, a sleeper that only
// records, a clock stopped at 2025-12-10T09:00:00Z (16:00 on the desk's clock) and the progress lines.
class KhachGia : public ::testing::Test {
protected:
    void SetUp() override {
        dongHo.datGiayThuc(1'765'357'200);
        mt.kenh = &kenh;
        mt.ngu = &ngu;
        mt.dongHo = &dongHo;
        may = std::make_unique<MayChuGia>();
    }
    void chay() {
        may->chay();
        mt.mayChu = BangMayChu::tatCaVe(may->goc());
    }
    // A fresh platform for one case of a table.
    MayChuGia& mayMoi() {
        may = std::make_unique<MayChuGia>();
        dong.clear();
        return *may;
    }
    NhanTienDo ghiDong() {
        return [this](const QString& s) { dong << s; };
    }
    size_t soLanGui() const { return may->daNhan().size(); }

    std::unique_ptr<MayChuGia> may;
    KenhHTTPCurl kenh;
    BoNguGhiLai ngu;
    DongHoGia dongHo;
    MoiTruongNguon mt;
    QStringList dong;
};

// The checkpoint every fetch test starts from, and its text on the desk's clock.
inline const QString kMocThu = QStringLiteral("2026-11-10T09:00:00Z");
