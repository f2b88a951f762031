#include "sources/BangMayChu.h"

#include <QUrl>

#include "sources/DiaChiLoopback.h"
#include "nentang/BangNenTang.h"

BangMayChu BangMayChu::macDinh() {
    BangMayChu b;
    b.haravanGoc = QStringLiteral("https://apis.haravan.com/com");
    b.kiotVietToken = QStringLiteral("https://id.kiotviet.vn/connect/token");
    b.kiotVietApi = QStringLiteral("https://public.kiotapi.com");
    b.sapoMau = QStringLiteral("https://%1.") + tenMienCuaHang(QStringLiteral("sapo")) + QStringLiteral("/admin");
    b.pancakeGoc = QStringLiteral("https://pos.pages.fm");
    b.nhanhGoc = QStringLiteral("https://pos.open.nhanh.vn/v3.0");
    return b;
}

BangMayChu BangMayChu::tatCaVe(const QString& goc) {
    BangMayChu b;
    b.haravanGoc = goc + QStringLiteral("/com");
    b.kiotVietToken = goc + QStringLiteral("/kiotviet/connect/token");
    b.kiotVietApi = goc + QStringLiteral("/kiotviet");
    b.sapoMau = goc + QStringLiteral("/sapo/%1/admin");
    b.pancakeGoc = goc + QStringLiteral("/pancake");
    b.nhanhGoc = goc + QStringLiteral("/nhanh/v3.0");
    return b;
}

BangMayChu BangMayChu::hienHanh() {
    const QString thu = qEnvironmentVariable("KORVANE_MAY_CHU_THU");
    if (!thu.isEmpty()) {
        const QUrl u(thu, QUrl::StrictMode);
        if (u.isValid() && u.scheme() == QLatin1String("http") && laDiaChiLoopback(u.host())) {
            return tatCaVe(thu.endsWith(QLatin1Char('/')) ? thu.chopped(1) : thu);
        }
    }
    return macDinh();
}
