#include "common/TemMau.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/CharacterSet.h>
#include <ZXing/MultiFormatWriter.h>

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <random>

char TemMau::soKiemTraGs1(const std::string& chuSo) {
    int tong = 0;
    const int n = int(chuSo.size());
    // The rightmost data digit weighs 3, then alternately 1 and 3 going left.
    for (int i = 0; i < n; ++i) tong += (chuSo[size_t(n - 1 - i)] - '0') * (i % 2 == 0 ? 3 : 1);
    return char('0' + (10 - tong % 10) % 10);
}

const std::vector<TemMau::Mau>& TemMau::muoiLoai() {
    using F = ZXing::BarcodeFormat;
    static const std::vector<Mau> mau = [] {
        const std::string ean13 = "893612345678";
        const std::string ean8 = "8936123";
        const std::string itf14 = "1893612345678";
        return std::vector<Mau>{
            {"Code128", "Code 128", F::Code128, "SPXVN0123456789"},
            {"Code39", "Code 39", F::Code39, "KVZ-39 A1"},
            {"Code93", "Code 93", F::Code93, "KVZ93-00417"},
            {"EAN13", "EAN-13", F::EAN13, ean13 + soKiemTraGs1(ean13)},
            {"EAN8", "EAN-8", F::EAN8, ean8 + soKiemTraGs1(ean8)},
            {"I2of5", "Interleaved 2/5", F::ITF, "1234567890"},
            {"ITF14", "ITF-14", F::ITF, itf14 + soKiemTraGs1(itf14)},
            {"QR", "QR", F::QRCode, "GHN-DH2026-000417"},
            {"PDF417", "PDF417", F::PDF417, "VNPOST EE123456789VN"},
            {"DataMatrix", "Data Matrix", F::DataMatrix, "DM-KVZ-000417"},
        };
    }();
    return mau;
}

QImage TemMau::taoNhan(ZXing::BarcodeFormat dinhDang, const std::string& noiDung, int module, int caoVach) {
    const bool tuyenTinh = ZXing::BarcodeFormats(ZXing::BarcodeFormat::LinearCodes).testFlag(dinhDang);
    ZXing::MultiFormatWriter viet(dinhDang);
    viet.setMargin(0);
    // 2D codes carry text beyond Latin-1 (Vietnamese) as UTF-8; the writer refuses it otherwise.
    const bool ascii = std::all_of(noiDung.begin(), noiDung.end(), [](char c) { return uchar(c) < 0x80; });
    if (!tuyenTinh && !ascii) viet.setEncoding(ZXing::CharacterSet::UTF8);
    const ZXing::BitMatrix m = viet.encode(noiDung, 0, 0);
    const int vungLang = tuyenTinh ? 10 : 4;
    const int rongMo = m.width();
    // The writer gives a linear code as one row (or a few identical ones); it is stretched into bars.
    const int caoMo = tuyenTinh ? 1 : m.height();
    const int rong = (rongMo + 2 * vungLang) * module;
    const int cao = tuyenTinh ? caoVach + 2 * vungLang * module : (caoMo + 2 * vungLang) * module;
    QImage nhan(rong, cao, QImage::Format_RGB32);
    nhan.fill(Qt::white);
    const QRgb den = qRgb(0, 0, 0);
    for (int my = 0; my < caoMo; ++my) {
        for (int mx = 0; mx < rongMo; ++mx) {
            if (!m.get(mx, my)) continue;
            const int x0 = (mx + vungLang) * module;
            const int y0 = tuyenTinh ? vungLang * module : (my + vungLang) * module;
            const int h = tuyenTinh ? caoVach : module;
            for (int y = y0; y < y0 + h; ++y) {
                auto* dong = reinterpret_cast<QRgb*>(nhan.scanLine(y));
                std::fill(dong + x0, dong + x0 + module, den);
            }
        }
    }
    return nhan;
}

QImage TemMau::taoNhan(const Mau& mau, int module, int caoVach) {
    return taoNhan(mau.dinhDang, mau.noiDung, module, caoVach);
}

QImage TemMau::khungNen(int rong, int cao, int xam) {
    QImage khung(rong, cao, QImage::Format_RGB32);
    khung.fill(qRgb(xam, xam, xam + 8 > 255 ? 255 : xam + 8));
    return khung;
}

QRectF TemMau::ve(QImage& khung, const QImage& nhan, QPointF tam, double tiLe, double goc) {
    QTransform t;
    t.translate(tam.x(), tam.y());
    t.rotate(goc);
    t.scale(tiLe, tiLe);
    t.translate(-nhan.width() / 2.0, -nhan.height() / 2.0);
    {
        QPainter p(&khung);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.setTransform(t);
        p.drawImage(0, 0, nhan);
    }
    const QRectF hop = t.mapRect(QRectF(0, 0, nhan.width(), nhan.height()));
    return QRectF(hop.x() / khung.width(), hop.y() / khung.height(), hop.width() / khung.width(),
                  hop.height() / khung.height());
}

void TemMau::themNhieu(QImage& khung, int bienDo, uint32_t hatGiong) {
    std::mt19937 sinh(hatGiong);
    std::uniform_int_distribution<int> lech(-bienDo, bienDo);
    auto kep = [](int v) { return std::clamp(v, 0, 255); };
    for (int y = 0; y < khung.height(); ++y) {
        auto* dong = reinterpret_cast<QRgb*>(khung.scanLine(y));
        for (int x = 0; x < khung.width(); ++x) {
            const QRgb p = dong[x];
            dong[x] = qRgb(kep(qRed(p) + lech(sinh)), kep(qGreen(p) + lech(sinh)), kep(qBlue(p) + lech(sinh)));
        }
    }
}
