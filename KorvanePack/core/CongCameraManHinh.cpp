#include "core/CongCameraManHinh.h"

#include <algorithm>
#include <climits>
#include <cmath>

CongCameraManHinh::CongCameraManHinh(QObject* parent) : QObject(parent) {}

CongCameraManHinh::~CongCameraManHinh() = default;

void CongCameraManHinh::datDangChay(bool v) {
    luongCongBo_.kiem("CongCameraManHinh::datDangChay");
    if (dangChay_ == v) return;
    dangChay_ = v;
    emit dangChayDoi(v);
}

void CongCameraManHinh::datDangGhi(bool v) {
    luongCongBo_.kiem("CongCameraManHinh::datDangGhi");
    if (dangGhi_ == v) return;
    dangGhi_ = v;
    emit dangGhiDoi(v);
}

void CongCameraManHinh::datGiayDaGhi(int v) {
    luongCongBo_.kiem("CongCameraManHinh::datGiayDaGhi");
    if (giayDaGhi_ == v) return;
    giayDaGhi_ = v;
    emit giayDaGhiDoi(v);
}

void CongCameraManHinh::datTenCamera(const QString& v) {
    luongCongBo_.kiem("CongCameraManHinh::datTenCamera");
    if (tenCamera_ == v) return;
    tenCamera_ = v;
    emit tenCameraDoi(v);
}

void CongCameraManHinh::datDoPhanGiai(const QString& v) {
    luongCongBo_.kiem("CongCameraManHinh::datDoPhanGiai");
    if (doPhanGiai_ == v) return;
    doPhanGiai_ = v;
    emit doPhanGiaiDoi(v);
}

void CongCameraManHinh::datLoiCamera(const QString& v) {
    luongCongBo_.kiem("CongCameraManHinh::datLoiCamera");
    if (loiCamera_ == v && loiCamera_.isNull() == v.isNull()) return;
    loiCamera_ = v;
    emit loiCameraDoi(v);
}

void CongCameraManHinh::datDanhSachThietBi(const QList<ThietBiCamera>& v) {
    luongCongBo_.kiem("CongCameraManHinh::datDanhSachThietBi");
    if (danhSachThietBi_ == v) return;
    danhSachThietBi_ = v;
    emit danhSachThietBiDoi();
}

void CongCameraManHinh::nhanThu(QObject* nguoi) {
    nguoiThu_.removeAll(QPointer<QObject>(nguoi));
    nguoiThu_.removeAll(QPointer<QObject>());
    nguoiThu_.append(nguoi);
}

bool CongCameraManHinh::traThu(QObject* nguoi) {
    nguoiThu_.removeAll(QPointer<QObject>(nguoi));
    nguoiThu_.removeAll(QPointer<QObject>());
    return nguoiThu_.isEmpty();
}

QObject* CongCameraManHinh::nguoiThuMoiNhat() const {
    for (auto it = nguoiThu_.crbegin(); it != nguoiThu_.crend(); ++it)
        if (*it) return it->data();
    return nullptr;
}

int CongCameraManHinh::bitrateTheoDoPhanGiai(int base, const QString& kichThuoc) {
    // A damaged stored value must not reach x264 as 0 (another rate mode) or overflow the rate in bit/s.
    base = std::clamp(base, 400, 6000);
    QList<double> so;
    for (const QString& manh : kichThuoc.split(QLatin1Char('x'), Qt::SkipEmptyParts)) {
        // QString::toDouble forgives white space around a number; a size text with it is no size.
        if (manh.front().isSpace() || manh.back().isSpace()) continue;
        bool ok = false;
        const double v = manh.toDouble(&ok);
        if (ok && std::isfinite(v)) so.append(v);
    }
    if (so.size() != 2 || so[0] <= 0 || so[1] <= 0) return base;
    const double heSo = std::max(so[0] * so[1] / 921600.0, 1.0);
    return int(std::min(heSo * base, double(INT_MAX / 1000)));
}
