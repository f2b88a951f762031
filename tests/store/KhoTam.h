#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>

#include "gia/store/DoDungLuongGia.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"

// A store over a fresh temporary data folder, with a clock and a free-space probe the test steers.
struct KhoTam {
    QTemporaryDir tam;
    DongHoGia dongHo;
    std::shared_ptr<DoDungLuongGia> dungLuong = std::make_shared<DoDungLuongGia>();
    std::unique_ptr<KhoDuLieu> kho;

    KhoTam() { moLai(); }

    QString goc() const { return tam.path(); }
    QString duongDan(const QString& tuongDoi) const { return tam.path() + u'/' + tuongDoi; }

    // Drops the store (and its lock) and opens a new one on the same folder, loaded as at start-up.
    KhoDuLieu& moLai(bool nap = false) {
        kho.reset();
        kho = std::make_unique<KhoDuLieu>(tam.path(), &dongHo, dungLuong);
        if (nap) kho->napTatCa(8);
        return *kho;
    }

    void vietTep(const QString& tuongDoi, const QByteArray& noiDung) const {
        const QString p = duongDan(tuongDoi);
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        if (f.open(QIODevice::WriteOnly)) f.write(noiDung);
    }

    QByteArray docTep(const QString& tuongDoi) const {
        QFile f(duongDan(tuongDoi));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Local wall time for the fake clock, in the test time zone.
    void datGio(int nam, int thang, int ngay, int gio = 12, int phut = 0, int giay = 0) {
        const QDateTime t(QDate(nam, thang, ngay), QTime(gio, phut, giay), Qt::LocalTime);
        dongHo.datGioThuc(std::chrono::system_clock::time_point(std::chrono::milliseconds(t.toMSecsSinceEpoch())));
    }
};
