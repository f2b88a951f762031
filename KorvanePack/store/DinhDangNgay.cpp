#include "store/DinhDangNgay.h"

#include <QLocale>

DinhDangNgay::DinhDangNgay(QString mau) : mau_(std::move(mau)) {}

QString DinhDangNgay::dinhDang(const QDateTime& t) const {
    return QLocale::c().toString(t.toLocalTime(), mau_);
}

QString DinhDangNgay::dinhDang(std::chrono::system_clock::time_point t) const {
    return dinhDang(thoiDiemQt(t));
}

DinhDangNgay taoDinhDangNgay(const QString& mau) {
    return DinhDangNgay(mau);
}

QDateTime thoiDiemQt(std::chrono::system_clock::time_point t) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
}

const DinhDangNgay& dinhDangNgay() {
    static const DinhDangNgay d = taoDinhDangNgay(QStringLiteral("yyyy-MM-dd"));
    return d;
}

const DinhDangNgay& dinhDangThuMucNgay() {
    static const DinhDangNgay d = taoDinhDangNgay(QStringLiteral("yyyy/MM/dd"));
    return d;
}

const DinhDangNgay& dinhDangTenTep() {
    static const DinhDangNgay d = taoDinhDangNgay(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    return d;
}

const DinhDangNgay& dinhDangNgayGio() {
    static const DinhDangNgay d = taoDinhDangNgay(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    return d;
}

const DinhDangNgay& dinhDangNgayGioNgan() {
    static const DinhDangNgay d = taoDinhDangNgay(QStringLiteral("dd/MM/yyyy HH:mm"));
    return d;
}
