#include "core/LopPhuKhung.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

#include "store/HuongChu.h"
#include "store/TienIch.h"

namespace {

const QString kChuaQuet = QStringLiteral("CHƯA QUÉT MÃ");
const QString kCham = QStringLiteral(" \u00B7 ");
const QString kChamSerial = QStringLiteral("  \u00B7  ");

QColor srgb(double r, double g, double b, double a = 1.0) {
    return QColor::fromRgbF(r, g, b, a);
}

// The caption's sizes are in frame pixels; Qt sizes fonts in points at the device's resolution.
QFont taoFont(double px, QFont::Weight w, qreal dpi) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(px * 72.0 / dpi);
    f.setWeight(w);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

}  // namespace

LopPhuKhung::KichThuoc LopPhuKhung::kichThuoc(int cao) {
    const double h = cao;
    return {std::max(0.038 * h, 14.0), 0.022 * h, std::max(0.012 * h, 6.0)};
}

QString LopPhuKhung::dongMa(const QString& ma, const QString& tienTo) {
    // The scanned code and the shop's name come from outside: burnt into every frame, a direction control in
    // them must not reverse the time or the prefix beside them.
    const QString m = ma.isEmpty() ? kChuaQuet : coLapHuong(ma);
    return tienTo.isEmpty() ? m : tienTo + kCham + m;
}

QString LopPhuKhung::dongShop(const QString& tenShop, const QString& ngayGio) {
    return coLapHuong(tenShop) + kCham + ngayGio;
}

QString LopPhuKhung::dongSerial(const QStringList& serial) {
    return serial.isEmpty() ? QString() : QStringLiteral("SERIAL: ") + noiCoLapHuong(serial, kChamSerial);
}

QString LopPhuKhung::chuHuyHieu(qint64 giay) {
    return QStringLiteral("REC ") + hienThiPhutGiay(giay);
}

void LopPhuKhung::chuanBiFont(const QImage& anh) {
    const qreal dpi = anh.logicalDpiY() > 0 ? anh.logicalDpiY() : 96;
    if (anh.height() == caoFont_ && dpi == dpiFont_) return;
    caoFont_ = anh.height();
    dpiFont_ = dpi;
    const KichThuoc k = kichThuoc(anh.height());
    fontMa_ = taoFont(k.s, QFont::DemiBold, dpi);
    fontShop_ = taoFont(0.8 * k.s, QFont::Normal, dpi);
    fontSerial_ = taoFont(0.8 * k.s, QFont::DemiBold, dpi);
    fontHuyHieu_ = taoFont(0.72 * k.s, QFont::DemiBold, dpi);
}

QList<LopPhuKhung::Dong> LopPhuKhung::cacDong(const NoiDungLopPhu& nd) const {
    QList<Dong> ds{{dongMa(nd.ma, nd.tienTo), fontMa_, srgb(1, 1, 1)},
                   {dongShop(nd.tenShop, nd.ngayGio), fontShop_, srgb(1, 1, 1, 0.86)}};
    if (!nd.serial.isEmpty()) ds.append({dongSerial(nd.serial), fontSerial_, srgb(0.5, 0.89, 0.69)});
    return ds;
}

// The layout is worked out with the origin at the bottom-left and y growing upward; `lat` turns
// such a y into the image's top-down one.
bool LopPhuKhung::ve(QImage& anh, const NoiDungLopPhu& nd) {
    hopChu_ = hopHuyHieu_ = chamDo_ = QRectF();
    if (anh.isNull() || anh.height() <= 0) return false;
    chuanBiFont(anh);
    QPainter p;
    if (!p.begin(&anh)) return false;
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double H = anh.height();
    auto lat = [H](double yLen) { return H - yLen; };
    const KichThuoc k = kichThuoc(anh.height());
    const QList<Dong> dong = cacDong(nd);

    double w = 0;
    for (const Dong& d : dong) w = std::max(w, QFontMetricsF(d.font, &anh).horizontalAdvance(d.chu));
    const double caoHop = 1.2 * k.m + 1.32 * k.s * dong.size();
    hopChu_ = QRectF(k.m, lat(k.m + caoHop), 2 * k.m + w, caoHop);
    p.fillRect(hopChu_, srgb(0, 0, 0, 0.68));
    for (int i = 0; i < dong.size(); ++i) {
        const double yGoc = 1.6 * k.m + 1.32 * k.s * (dong.size() - 1 - i);
        p.setFont(dong[i].font);
        p.setPen(dong[i].mau);
        p.drawText(QPointF(2 * k.m, lat(yGoc)), dong[i].chu);
    }

    if (nd.dangGhi) {
        const QString chu = chuHuyHieu(nd.giayDaQua);
        const double t = QFontMetricsF(fontHuyHieu_, &anh).horizontalAdvance(chu);
        hopHuyHieu_ = QRectF(k.m, lat(H - k.m - 2.4 * k.u + 3.1 * k.u), 4.2 * k.u + t, 3.1 * k.u);
        p.fillRect(hopHuyHieu_, srgb(0, 0, 0, 0.55));
        chamDo_ = QRectF(k.m + 0.7 * k.u, lat(H - k.m - 1.9 * k.u + 1.5 * k.u), 1.5 * k.u, 1.5 * k.u);
        p.setPen(Qt::NoPen);
        p.setBrush(srgb(0.88, 0.11, 0.05));
        p.drawEllipse(chamDo_);
        p.setFont(fontHuyHieu_);
        p.setPen(srgb(1, 1, 1));
        p.drawText(QPointF(k.m + 3.4 * k.u, lat(H - k.m - 1.65 * k.u)), chu);
    }
    p.end();
    return true;
}
