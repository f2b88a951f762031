#pragma once

#include <QDateTime>
#include <QString>
#include <chrono>

// A fixed-pattern date formatter: POSIX digits, Gregorian calendar, the machine's local time zone.
// Its output goes into file names and folder names, so it must never depend on the user's locale.
class DinhDangNgay {
public:
    explicit DinhDangNgay(QString mau);

    QString dinhDang(const QDateTime& t) const;
    QString dinhDang(std::chrono::system_clock::time_point t) const;
    const QString& mau() const { return mau_; }

private:
    QString mau_;
};

DinhDangNgay taoDinhDangNgay(const QString& mau);

// The shared formatters, each built once on first use.
const DinhDangNgay& dinhDangNgay();         // "yyyy-MM-dd"
const DinhDangNgay& dinhDangThuMucNgay();   // "yyyy/MM/dd"
const DinhDangNgay& dinhDangTenTep();       // "yyyy-MM-dd_HH-mm-ss"
const DinhDangNgay& dinhDangNgayGio();      // "dd/MM/yyyy HH:mm:ss"
const DinhDangNgay& dinhDangNgayGioNgan();  // "dd/MM/yyyy HH:mm"

// Local time of a wall-clock instant, for callers that hold a std::chrono time.
QDateTime thoiDiemQt(std::chrono::system_clock::time_point t);
