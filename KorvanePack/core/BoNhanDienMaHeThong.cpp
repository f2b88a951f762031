#include "core/BoNhanDienMaHeThong.h"

#include "core/GiuThuVienC.h"

// ZBar first: zxing's Error.h defines macros (FormatError and the like) that break ZBar's C++ headers.
#include <zbar.h>
// (kept apart so include sorting cannot swap them)
#include <ZXing/ReadBarcode.h>

#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <future>
#include <limits>

// zbar.h declares its C interface inside namespace zbar when compiled as C++.
using namespace zbar;

namespace {

struct ZBarLoai {
    const char* dinhDanh;
    zbar_symbol_type_t loai;
};

// I2of5 and ITF14 share ZBar's one Interleaved 2 of 5 decoder; the name is settled per read.
constexpr ZBarLoai kZBar[] = {
    {"Code128", ZBAR_CODE128}, {"Code39", ZBAR_CODE39}, {"Code93", ZBAR_CODE93}, {"EAN13", ZBAR_EAN13},
    {"EAN8", ZBAR_EAN8},       {"I2of5", ZBAR_I25},     {"ITF14", ZBAR_I25},
};

// Scan lines (two pixels apart) that must agree on a code without a check digit. Two were tried: reads of
// turned, cut-off Interleaved 2 of 5 codes then came back shorter and wrong now and then.
constexpr int kLanQuetToiThieu = 3;
constexpr double kLe = 2.0;
constexpr int kNhieuToiThieu = 3;
// Grain so heavy (a dark room) that bars thinner than two pixels drown in it anyway: smoothed across the bars
// too, as the grain left along the scan lines would otherwise double the time of ZBar's scans. At 8 that pass
// already blurred away the thin bars of an ITF-14 that ZBar read on the raw frame.
constexpr int kNhieuNang = 9;
// No frame halved smaller than this a side is read again (Data Matrix held close, QR by ZBar).
constexpr int kCapNhoNhat = 96;

std::optional<QString> vanBanUtf8(const char* du, size_t dai) {
    if (!du) return std::nullopt;
    QStringDecoder giai(QStringDecoder::Utf8);
    QString vanBan = giai(QByteArrayView(du, static_cast<qsizetype>(dai)));
    // A payload that is not text (binary QR content) has no text to hand to the packer.
    if (giai.hasError()) return std::nullopt;
    return vanBan;
}

QRectF hopChuan(double x0, double y0, double x1, double y1, int rong, int cao) {
    x0 = std::clamp(x0, 0.0, double(rong));
    x1 = std::clamp(x1, 0.0, double(rong));
    y0 = std::clamp(y0, 0.0, double(cao));
    y1 = std::clamp(y1, 0.0, double(cao));
    return QRectF(x0 / rong, y0 / cao, (x1 - x0) / rong, (y1 - y0) / cao);
}

// Row kernels of the binarisation, over whole chunks of pixels so that the compiler makes vector code of them
// (the arguments never overlap); the rest of a row goes pixel by pixel.
constexpr int kKhuc = 32;

// Adds one row into the running sum, least and greatest of each column.
void gopDong(const uchar* __restrict d, uint16_t* __restrict tong, uchar* __restrict nho, uchar* __restrict lon,
             int rong) {
    int x = 0;
    for (; x + kKhuc <= rong; x += kKhuc)
        for (int k = 0; k < kKhuc; ++k) {
            const uchar v = d[x + k];
            tong[x + k] = uint16_t(tong[x + k] + v);
            nho[x + k] = std::min(nho[x + k], v);
            lon[x + k] = std::max(lon[x + k], v);
        }
    for (; x < rong; ++x) {
        tong[x] = uint16_t(tong[x] + d[x]);
        nho[x] = std::min(nho[x], d[x]);
        lon[x] = std::max(lon[x], d[x]);
    }
}

// Adds one row, weighted, into the running sums of a smoothing.
void congTrongSo(const uchar* __restrict d, uint16_t* __restrict tong, int trongSo, int rong) {
    int x = 0;
    for (; x + kKhuc <= rong; x += kKhuc)
        for (int k = 0; k < kKhuc; ++k) tong[x + k] = uint16_t(tong[x + k] + trongSo * d[x + k]);
    for (; x < rong; ++x) tong[x] = uint16_t(tong[x] + trongSo * d[x]);
}

// The taps of the one-way smoothing of grainy frames, and their sum.
constexpr int kTrongSoMin[] = {1, 1, 1, 1, 1};
constexpr int kTongTrongSo = 5;

// Weighted sums back to grey, rounded.
void chiaTrongSo(const uint16_t* __restrict tong, uchar* __restrict ra, int rong) {
    for (int x = 0; x < rong; ++x) ra[x] = uchar((tong[x] + kTongTrongSo / 2) / kTongTrongSo);
}

// Black (0) at or below each pixel's threshold, white (255) above it.
void nguongDong(const uchar* __restrict d, const uchar* __restrict nguong, uchar* __restrict ra, int rong) {
    int x = 0;
    for (; x + kKhuc <= rong; x += kKhuc)
        for (int k = 0; k < kKhuc; ++k) ra[x + k] = d[x + k] <= nguong[x + k] ? 0 : 255;
    for (; x < rong; ++x) ra[x] = d[x] <= nguong[x] ? 0 : 255;
}

}  // namespace

struct BoNhanDienMaHeThong::NoiBo {
    GiuQuetZBar quet;
    // QR alone, for the frame halved (see docQrZBar); a scanner of its own, as it runs beside `quet`.
    GiuQuetZBar quetQr;
    QStringList loaiDaDat;
    bool coI2of5 = false;
    bool coItf14 = false;
    bool coQr = false;
    bool coPdf417 = false;
    bool coDataMatrix = false;
    bool coZBar = false;
    // The grain of the frame being read (doNhieu), measured once for every decoder.
    int nhieu = 0;
    std::vector<uchar> xam;
    std::vector<uchar> nhiPhan;
    // The grey halved and quartered, and the binarisation of one of them, for Data Matrix symbols held close.
    std::vector<uchar> xamNho, xamNho2, nhiPhanNho;
    std::vector<uchar> min;
    std::vector<uint16_t> minTong;
    std::vector<uchar> minTruoc, minNay;
    std::vector<int> trungBinhKhoi;
    std::vector<uint16_t> cotTong;
    std::vector<uchar> cotNho, cotLon, nguongHang;
    // Which 8x8 blocks hold an edge (enough contrast to be part of a symbol).
    std::vector<uchar> coCanh;
    int soKhoiNgang = 0, soKhoiDoc = 0;

    // The stretches [dau, cuoi) of blocks with an edge along one block row (doc false) or column (doc true),
    // split where at least two flat blocks (a quiet zone) lie between them.
    std::vector<std::pair<int, int>> khoangCoCanh(bool doc, int chiSo) const {
        std::vector<std::pair<int, int>> ra;
        const int dai = doc ? soKhoiDoc : soKhoiNgang;
        for (int i = 0; i < dai; ++i) {
            const bool c = doc ? coCanh[size_t(i) * soKhoiNgang + chiSo] : coCanh[size_t(chiSo) * soKhoiNgang + i];
            if (!c) continue;
            if (!ra.empty() && i - ra.back().second < 2)
                ra.back().second = i + 1;
            else
                ra.emplace_back(i, i + 1);
        }
        return ra;
    }

    void datLoai(const QStringList& loaiMa) {
        if (loaiMa == loaiDaDat && quet) return;
        quet.reset(zbar_image_scanner_create());
        // Only what was asked for: every other decoder off, so ZBar never reports a symbology outside the list.
        zbar_image_scanner_set_config(quet.get(), ZBAR_NONE, ZBAR_CFG_ENABLE, 0);
        coZBar = false;
        for (const auto& z : kZBar) {
            if (!loaiMa.contains(QLatin1String(z.dinhDanh))) continue;
            zbar_image_scanner_set_config(quet.get(), z.loai, ZBAR_CFG_ENABLE, 1);
            coZBar = true;
        }
        coI2of5 = loaiMa.contains(QStringLiteral("I2of5"));
        coItf14 = loaiMa.contains(QStringLiteral("ITF14"));
        coQr = loaiMa.contains(QStringLiteral("QR"));
        quetQr.reset();
        if (coQr) {
            quetQr.reset(zbar_image_scanner_create());
            zbar_image_scanner_set_config(quetQr.get(), ZBAR_NONE, ZBAR_CFG_ENABLE, 0);
            zbar_image_scanner_set_config(quetQr.get(), ZBAR_QRCODE, ZBAR_CFG_ENABLE, 1);
        }
        coPdf417 = loaiMa.contains(QStringLiteral("PDF417"));
        coDataMatrix = loaiMa.contains(QStringLiteral("DataMatrix"));
        loaiDaDat = loaiMa;
    }

    // Luma of the frame, 8 bits a pixel, the input both decoders want.
    void lamXam(const QImage& khung) {
        const int rong = khung.width();
        const int cao = khung.height();
        xam.resize(size_t(rong) * size_t(cao));
        if (khung.format() == QImage::Format_RGB32 || khung.format() == QImage::Format_ARGB32 ||
            khung.format() == QImage::Format_ARGB32_Premultiplied) {
            for (int y = 0; y < cao; ++y)
                xamMotDong(reinterpret_cast<const uint32_t*>(khung.constScanLine(y)),
                           xam.data() + size_t(y) * size_t(rong), rong);
            return;
        }
        const QImage x = khung.convertToFormat(QImage::Format_Grayscale8);
        for (int y = 0; y < cao; ++y)
            std::memcpy(xam.data() + size_t(y) * size_t(rong), x.constScanLine(y), size_t(rong));
    }

    // Sensor grain makes ZBar see an edge at nearly every pixel and try its decoders on each, which at
    // 1080p turns a 25 ms scan into a quarter of a second. The grain shows as small differences between
    // neighbouring pixels where a clean picture has none: the median of them, sampled, tells the two apart.
    // Returns that median.
    int doNhieu(int rong, int cao) const {
        int dem[256] = {};
        int tong = 0;
        for (int y = 1; y < cao; y += 7) {
            const uchar* d = xam.data() + size_t(y) * size_t(rong);
            for (int x = 1; x < rong; x += 3) {
                ++dem[std::abs(int(d[x]) - int(d[x - 1]))];
                ++tong;
            }
        }
        int daDem = 0;
        for (int v = 0; v < 256; ++v) {
            daDem += dem[v];
            if (2 * daDem >= tong) return v;
        }
        return 0;
    }

    // Grain smoothed away along one direction only: down the columns (doc true) for the scan along the rows,
    // across the rows for the scan down the columns. A bar the scan line crosses runs along the smoothing, so
    // even a bar a pixel and a half wide keeps its contrast, where a smoothing both ways (3x3) wiped out the
    // thin bars of Code 39. Five equal taps cut the grain to 0.45 of it (the 3x3 binomial to 0.375); nine
    // (1 2 3 4 5 4 3 2 1)/25 cut it a little more but reached past the bars of a blurred EAN-8 turned a few
    // degrees, which was then lost.
    void lamMinMotHuong(bool doc, bool caNgang, int rong, int cao) {
        constexpr int kNua = sizeof(kTrongSoMin) / sizeof(kTrongSoMin[0]) / 2;
        min.resize(xam.size());
        minTong.resize(size_t(rong));
        uint16_t* tong = minTong.data();
        for (int y = 0; y < cao; ++y) {
            std::fill(minTong.begin(), minTong.end(), uint16_t(0));
            if (doc) {
                for (int k = -kNua; k <= kNua; ++k)
                    congTrongSo(xam.data() + size_t(std::clamp(y + k, 0, cao - 1)) * size_t(rong), tong,
                                kTrongSoMin[k + kNua], rong);
            } else {
                // The middle of the row tap by tap, so that it becomes vector code; the ends clamped.
                const uchar* d = xam.data() + size_t(y) * size_t(rong);
                if (rong > 2 * kNua)
                    for (int k = -kNua; k <= kNua; ++k)
                        congTrongSo(d + kNua + k, tong + kNua, kTrongSoMin[k + kNua], rong - 2 * kNua);
                for (int x = 0; x < rong; ++x) {
                    if (x == kNua && rong > 2 * kNua) x = rong - kNua;
                    int t = 0;
                    for (int k = -kNua; k <= kNua; ++k) t += kTrongSoMin[k + kNua] * d[std::clamp(x + k, 0, rong - 1)];
                    tong[x] = uint16_t(t);
                }
            }
            chiaTrongSo(tong, min.data() + size_t(y) * size_t(rong), rong);
        }
        if (caNgang) lamMin121(!doc, rong, cao);
    }

    // A (1 2 1)/4 smoothing of `min` down the columns (doc true) or along the rows, in place.
    void lamMin121(bool doc, int rong, int cao) {
        minTruoc.resize(size_t(rong));
        minNay.resize(size_t(rong));
        if (doc) {
            std::copy_n(min.data(), rong, minTruoc.data());
            for (int y = 0; y < cao; ++y) {
                uchar* o = min.data() + size_t(y) * size_t(rong);
                const uchar* sau = min.data() + size_t(std::min(cao - 1, y + 1)) * size_t(rong);
                std::copy_n(o, rong, minNay.data());
                for (int x = 0; x < rong; ++x) o[x] = uchar((minTruoc[x] + 2 * minNay[x] + sau[x] + 2) >> 2);
                std::swap(minTruoc, minNay);
            }
            return;
        }
        for (int y = 0; y < cao; ++y) {
            uchar* o = min.data() + size_t(y) * size_t(rong);
            std::copy_n(o, rong, minNay.data());
            for (int x = 0; x < rong; ++x)
                o[x] = uchar((minNay[std::max(0, x - 1)] + 2 * minNay[x] + minNay[std::min(rong - 1, x + 1)] + 2) >> 2);
        }
    }

    // One ZBar scan of `vao` by `may`: along the rows every `hang` lines and down the columns every `cot` (0: none).
    // A code read before, in the other direction's scan, is not reported twice.
    void quetZBar(zbar_image_scanner_t* may, const uchar* vao, int hang, int cot, int rong, int cao,
                  std::vector<MaThay>& ra) {
        const GiuAnhZBar giuAnh(zbar_image_create());
        zbar_image_t* anh = giuAnh.get();
        zbar_image_set_format(anh, zbar_fourcc('Y', '8', '0', '0'));
        zbar_image_set_size(anh, unsigned(rong), unsigned(cao));
        // ZBar's Y density spaces the scan lines along the rows, its X density those down the columns.
        zbar_image_scanner_set_config(may, ZBAR_NONE, ZBAR_CFG_Y_DENSITY, hang);
        zbar_image_scanner_set_config(may, ZBAR_NONE, ZBAR_CFG_X_DENSITY, cot);
        zbar_image_set_data(anh, vao, size_t(rong) * size_t(cao), nullptr);
        const size_t daCo = ra.size();
        if (zbar_scan_image(may, anh) > 0) {
            for (auto* s = zbar_image_first_symbol(anh); s; s = zbar_symbol_next(s)) {
                MaThay m;
                m.ma = vanBanUtf8(zbar_symbol_get_data(s), zbar_symbol_get_data_length(s));
                switch (zbar_symbol_get_type(s)) {
                    case ZBAR_CODE128:
                        m.loai = QStringLiteral("Code128");
                        break;
                    case ZBAR_CODE39:
                        m.loai = QStringLiteral("Code39");
                        break;
                    case ZBAR_CODE93:
                        m.loai = QStringLiteral("Code93");
                        break;
                    case ZBAR_EAN13:
                        m.loai = QStringLiteral("EAN13");
                        break;
                    case ZBAR_EAN8:
                        m.loai = QStringLiteral("EAN8");
                        break;
                    case ZBAR_QRCODE:
                        m.loai = QStringLiteral("QR");
                        break;
                    case ZBAR_I25: {
                        const bool itf14 = m.ma && laItf14(*m.ma);
                        if (itf14 && coItf14)
                            m.loai = QStringLiteral("ITF14");
                        else if (coI2of5)
                            m.loai = QStringLiteral("I2of5");
                        else
                            continue;
                        break;
                    }
                    default:
                        continue;
                }
                const unsigned soDiem = zbar_symbol_get_loc_size(s);
                if (soDiem == 0) continue;
                double x0 = std::numeric_limits<double>::max(), y0 = x0;
                double x1 = std::numeric_limits<double>::lowest(), y1 = x1;
                for (unsigned i = 0; i < soDiem; ++i) {
                    const double x = zbar_symbol_get_loc_x(s, i), y = zbar_symbol_get_loc_y(s, i);
                    x0 = std::min(x0, x), x1 = std::max(x1, x);
                    y0 = std::min(y0, y), y1 = std::max(y1, y);
                }
                // Interleaved 2 of 5 and Code 39 carry no check digit, so a scan line that crosses only part
                // of such a code (turned, or cut off by the frame's edge) can decode as a shorter, wrong code.
                // A read seen on too few scan lines or running into the edge is not trusted; the packer's label
                // is in view for many frames, and a wrong code would start a recording for another parcel.
                if ((m.loai == QLatin1String("I2of5") || m.loai == QLatin1String("Code39")) &&
                    (zbar_symbol_get_quality(s) < kLanQuetToiThieu || x0 < kLe || y0 < kLe || x1 > rong - 1 - kLe ||
                     y1 > cao - 1 - kLe))
                    continue;
                m.hop = hopChuan(x0, y0, x1, y1, rong, cao);
                const auto trung = std::find_if(ra.begin(), ra.begin() + qsizetype(daCo), [&](const MaThay& k) {
                    return k.loai == m.loai && k.ma == m.ma && k.hop.intersects(m.hop);
                });
                if (trung != ra.begin() + qsizetype(daCo))
                    trung->hop = trung->hop.united(m.hop);
                else
                    ra.push_back(std::move(m));
            }
        }
    }

    // Every other line in each direction: a linear code's bars run the whole height of the symbol, so the
    // lines between only read it again, and the scan costs half. (ZBar's QR finder needs every line, which
    // is why QR goes to zxing.) A grainy frame is scanned along the rows and down the columns apart, each on
    // the frame smoothed along its bars, the way its scan lines do not look.
    void docZBar(int rong, int cao, std::vector<MaThay>& ra) {
        const int matDo = 2;
        if (nhieu < kNhieuToiThieu) {
            quetZBar(quet.get(), xam.data(), matDo, matDo, rong, cao, ra);
            return;
        }
        const bool nang = nhieu >= kNhieuNang;
        lamMinMotHuong(true, nang, rong, cao);
        quetZBar(quet.get(), min.data(), matDo, 0, rong, cao, ra);
        lamMinMotHuong(false, nang, rong, cao);
        quetZBar(quet.get(), min.data(), 0, matDo, rong, cao, ra);
    }

    // Black (0) or white (255), binarised once per frame and handed to zxing as is, so the many views
    // below are not each binarised again. The threshold of each 8x8 block is the mean of the 5x5 blocks
    // around it; a flat block (inside a wide bar, blank paper) takes its cue from its neighbours, since its
    // own mean says nothing about which side of the edge it is on.
    void lamNhiPhan(const uchar* nguon, int rong, int cao, std::vector<uchar>& ra) {
        constexpr int K = 8;
        constexpr int kDaiToiThieu = 24;
        const int bw = (rong + K - 1) / K, bh = (cao + K - 1) / K;
        trungBinhKhoi.assign(size_t(bw) * size_t(bh), 0);
        coCanh.assign(size_t(bw) * size_t(bh), 0);
        soKhoiNgang = bw;
        soKhoiDoc = bh;
        // Per column of one block row: the sum, least and greatest of its (up to) eight pixels.
        cotTong.resize(size_t(rong));
        cotNho.resize(size_t(rong));
        cotLon.resize(size_t(rong));
        for (int by = 0; by < bh; ++by) {
            const int y0 = by * K, y1 = std::min(cao, y0 + K);
            {
                const uchar* d = nguon + size_t(y0) * size_t(rong);
                for (int x = 0; x < rong; ++x) cotTong[x] = cotNho[x] = cotLon[x] = d[x];
            }
            for (int y = y0 + 1; y < y1; ++y) {
                gopDong(nguon + size_t(y) * size_t(rong), cotTong.data(), cotNho.data(), cotLon.data(), rong);
            }
            for (int bx = 0; bx < bw; ++bx) {
                const int x0 = bx * K, x1 = std::min(rong, x0 + K);
                int tong = 0, nho = 255, lon = 0;
                for (int x = x0; x < x1; ++x) {
                    tong += cotTong[x];
                    nho = std::min<int>(nho, cotNho[x]);
                    lon = std::max<int>(lon, cotLon[x]);
                }
                int tb = tong / ((x1 - x0) * (y1 - y0));
                coCanh[size_t(by) * bw + bx] = lon - nho > kDaiToiThieu;
                if (lon - nho <= kDaiToiThieu) {
                    tb = nho / 2;
                    if (bx > 0 && by > 0) {
                        const int* t = trungBinhKhoi.data();
                        const int lang = (t[size_t(by - 1) * bw + bx] + 2 * t[size_t(by) * bw + bx - 1] +
                                          t[size_t(by - 1) * bw + bx - 1]) /
                                         4;
                        if (nho < lang) tb = lang;
                    }
                }
                trungBinhKhoi[size_t(by) * bw + bx] = tb;
            }
        }
        ra.resize(size_t(rong) * size_t(cao));
        // The threshold of every pixel of one block row, spread out from its blocks'.
        nguongHang.resize(size_t(rong));
        for (int by = 0; by < bh; ++by) {
            const int cy = std::clamp(by, 2, std::max(2, bh - 3));
            for (int bx = 0; bx < bw; ++bx) {
                const int cx = std::clamp(bx, 2, std::max(2, bw - 3));
                int tong = 0, dem = 0;
                for (int j = cy - 2; j <= cy + 2; ++j) {
                    if (j < 0 || j >= bh) continue;
                    for (int i = cx - 2; i <= cx + 2; ++i) {
                        if (i < 0 || i >= bw) continue;
                        tong += trungBinhKhoi[size_t(j) * bw + i];
                        ++dem;
                    }
                }
                // Means of pixels lie in 0..255, so the threshold does too.
                const uchar nguong = uchar(tong / dem);
                const int x0 = bx * K, x1 = std::min(rong, x0 + K);
                std::fill(nguongHang.begin() + x0, nguongHang.begin() + x1, nguong);
            }
            const int y0 = by * K, y1 = std::min(cao, y0 + K);
            for (int y = y0; y < y1; ++y)
                nguongDong(nguon + size_t(y) * size_t(rong), nguongHang.data(), ra.data() + size_t(y) * size_t(rong),
                           rong);
        }
    }

    void themKetQuaZXing(const ZXing::Results& kq, int lechX, int lechY, int rong, int cao, std::vector<MaThay>& ra) {
        for (const auto& r : kq) {
            if (!r.isValid()) continue;
            MaThay m;
            if (r.format() == ZXing::BarcodeFormat::QRCode)
                m.loai = QStringLiteral("QR");
            else if (r.format() == ZXing::BarcodeFormat::PDF417)
                m.loai = QStringLiteral("PDF417");
            else if (r.format() == ZXing::BarcodeFormat::DataMatrix)
                m.loai = QStringLiteral("DataMatrix");
            else
                continue;
            const std::string text = r.text();
            m.ma = vanBanUtf8(text.data(), text.size());
            const auto& p = r.position();
            double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
            for (int i = 1; i < 4; ++i) {
                x0 = std::min<double>(x0, p[i].x), x1 = std::max<double>(x1, p[i].x);
                y0 = std::min<double>(y0, p[i].y), y1 = std::max<double>(y1, p[i].y);
            }
            m.hop = hopChuan(x0 + lechX, y0 + lechY, x1 + 1 + lechX, y1 + 1 + lechY, rong, cao);
            // Overlapping bands find the same symbol more than once.
            const bool trung = std::any_of(ra.begin(), ra.end(), [&](const MaThay& k) {
                return k.loai == m.loai && k.ma == m.ma && k.hop.intersects(m.hop);
            });
            if (!trung) ra.push_back(std::move(m));
        }
    }

    ZXing::DecodeHints goiYZXing(ZXing::BarcodeFormats dinhDang) const {
        ZXing::DecodeHints goiY;
        // The format is always named: an empty set means "every format" to zxing, linear readers included.
        goiY.setFormats(dinhDang).setBinarizer(ZXing::Binarizer::BoolCast).setTryHarder(true).setTryDownscale(false);
        return goiY;
    }

    // QR and PDF417 over the whole frame in one call, which turns the binarised frame into zxing's bit matrix
    // once for both. (Only 2D formats are ever named: Debian's zxing aborts on linear codes.)
    void docToanKhung(int rong, int cao, std::vector<MaThay>& ra) {
        const ZXing::ImageView anh(nhiPhan.data(), rong, cao, ZXing::ImageFormat::Lum);
        ZXing::BarcodeFormats dinhDang;
        if (coQr) dinhDang |= ZXing::BarcodeFormat::QRCode;
        if (coPdf417) dinhDang |= ZXing::BarcodeFormat::PDF417;
        auto goiY = goiYZXing(dinhDang);
        // A QR code is found at any angle without it; PDF417 needs the frame read turned.
        goiY.setTryRotate(coPdf417);
        themKetQuaZXing(ZXing::ReadBarcodes(anh, goiY), 0, 0, rong, cao, ra);
        const auto coLoai = [&](const char* loai) {
            return std::any_of(ra.begin(), ra.end(), [&](const MaThay& m) { return m.loai == QLatin1String(loai); });
        };
        // In grain (low light above all) the 8x8 block thresholds break a PDF417's narrow rows into specks;
        // one threshold per row of the grey, as zxing's global histogram sets it, keeps them whole.
        if (coPdf417 && nhieu >= kNhieuToiThieu && !coLoai("PDF417")) {
            auto toanCuc = goiYZXing(ZXing::BarcodeFormat::PDF417);
            // Not turned nor tried harder: this pass is paid on every grainy frame, and either doubles it.
            toanCuc.setBinarizer(ZXing::Binarizer::GlobalHistogram).setTryRotate(false).setTryHarder(false);
            themKetQuaZXing(ZXing::ReadBarcodes(ZXing::ImageView(xam.data(), rong, cao, ZXing::ImageFormat::Lum),
                                                toanCuc),
                            0, 0, rong, cao, ra);
        }
        if (coQr && !coLoai("QR")) docQrZBar(rong, cao, ra);
    }

    // zxing's QR detector loses a code tilted far back (its finder patterns no longer square), where ZBar's,
    // which samples the code along lines through its finders, still reads it. ZBar's QR finder wants every
    // line, which on the whole frame costs as much as the linear scan; on the frame halved (the mean of four
    // pixels, which also quiets the grain) it costs a quarter, and the labels' QR modules of three pixels and
    // more still have one and a half there. A code zxing read already is not reported twice.
    void docQrZBar(int rong, int cao, std::vector<MaThay>& ra) {
        if (xamNho.empty()) return;
        std::vector<MaThay> qr;
        quetZBar(quetQr.get(), xamNho.data(), 1, 1, rong / 2, cao / 2, qr);
        for (auto& m : qr) {
            const bool trung = std::any_of(ra.begin(), ra.end(), [&](const MaThay& k) {
                return k.loai == m.loai && k.ma == m.ma && k.hop.intersects(m.hop);
            });
            if (!trung) ra.push_back(std::move(m));
        }
    }

    // zxing 1.4 looks for a Data Matrix only from the middle of what it is given, along its middle row, and
    // from one side only. So the frame is swept with bands across and bands down (handed over turned, so
    // their middle column is read as a row), each read both ways, their middle lines closer together than
    // the smallest symbol is tall: long bands at a coarse step for symbols held close, short ones at a fine
    // step for small ones. Near the edges the bands shrink so their middle lines still reach them.
    // A band whose middle line crosses only flat ground cannot find anything and is skipped, and a band is
    // cut along its length into the stretches of its middle line that have edges, each with a margin: on a
    // frame with one label in view only a few small views are read. A symbol that a middle line clips near
    // a corner is found by a neighbouring band that crosses it fully.
    void docDataMatrix(const uchar* nhiPhanCap, int rong, int cao, std::vector<MaThay>& ra) {
        constexpr int kLeKhoi = 3;
        constexpr int kKhoiToiThieu = 2;  // no Data Matrix a camera can read is narrower than 16 pixels
        const ZXing::ImageView anh(nhiPhanCap, rong, cao, ZXing::ImageFormat::Lum);
        auto goiY = goiYZXing(ZXing::BarcodeFormat::DataMatrix);
        // Trying harder doubles the time of each view and found nothing more in our sweeps.
        goiY.setTryRotate(false).setTryHarder(false);
        for (const bool doc : {false, true}) {
            const int dai = doc ? rong : cao;
            const int ngang = doc ? cao : rong;
            const int soKhoiDai = doc ? soKhoiNgang : soKhoiDoc;
            const int tang[2][2] = {{dai * 2 / 3, std::max(1, dai / 9)}, {dai / 3, std::max(1, dai / 27)}};
            for (const auto& [be, buoc] : tang) {
                for (int giua = buoc / 2; giua < dai; giua += buoc) {
                    const int nua = std::min({be / 2, giua, dai - giua});
                    if (nua < 8) continue;
                    const int dau = giua - nua;
                    for (const auto& [khoiDau, khoiCuoi] : khoangCoCanh(doc, std::min(giua / 8, soKhoiDai - 1))) {
                        if (khoiCuoi - khoiDau < kKhoiToiThieu) continue;
                        const int tu = std::max(0, (khoiDau - kLeKhoi) * 8);
                        const int den = std::min(ngang, (khoiCuoi + kLeKhoi) * 8);
                        const int w = doc ? 2 * nua : den - tu, h = doc ? den - tu : 2 * nua;
                        const ZXing::ImageView bang = doc ? anh.cropped(dau, tu, w, h) : anh.cropped(tu, dau, w, h);
                        for (const int quay : {doc ? 90 : 0, doc ? 270 : 180}) {
                            auto kq = ZXing::ReadBarcodes(bang.rotated(quay), goiY);
                            // Points come back in the turned view's coordinates.
                            for (auto& r : kq) {
                                auto p = r.position();
                                for (int i = 0; i < 4; ++i) {
                                    const int x = p[i].x, y = p[i].y;
                                    if (quay == 90)
                                        p[i] = ZXing::PointI(y, h - 1 - x);
                                    else if (quay == 180)
                                        p[i] = ZXing::PointI(w - 1 - x, h - 1 - y);
                                    else if (quay == 270)
                                        p[i] = ZXing::PointI(w - 1 - y, x);
                                }
                                r.setPosition(p);
                            }
                            themKetQuaZXing(kq, doc ? dau : tu, doc ? tu : dau, rong, cao, ra);
                        }
                    }
                }
            }
        }
    }

    // The grey of a frame half as wide and high: each pixel the mean of four.
    static void thuNhoMotNua(const uchar* nguon, int rong, int cao, std::vector<uchar>& ra) {
        const int r = rong / 2, c = cao / 2;
        ra.resize(size_t(r) * size_t(c));
        for (int y = 0; y < c; ++y) {
            const uchar* a = nguon + size_t(2 * y) * size_t(rong);
            const uchar* b = a + rong;
            uchar* o = ra.data() + size_t(y) * size_t(r);
            for (int x = 0; x < r; ++x) o[x] = uchar((a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + 2) >> 2);
        }
    }

    // Data Matrix on the frame, then on the frame halved and quartered. The sweep and its binarisation work in
    // 8x8 blocks: a symbol held close to the camera has modules of a dozen pixels and more, its solid patches
    // read as flat ground, and the views cut it apart; halved once or twice its modules are the size the sweep
    // reads best. The smaller levels run even when the full one found a symbol: the one it missed may be the
    // larger, the label's own. Boxes are fractions of their level, hence of the frame.
    void docDataMatrixMoiCo(int rong, int cao, std::vector<MaThay>& ra) {
        docDataMatrix(nhiPhan.data(), rong, cao, ra);
        const uchar* nguon = xam.data();
        for (int cap = 0; cap < 2; ++cap) {
            if (rong / 2 < kCapNhoNhat || cao / 2 < kCapNhoNhat) return;
            // The frame halved is made once, before the threads part (docZXing).
            if (cap > 0) thuNhoMotNua(nguon, rong, cao, xamNho2);
            rong /= 2, cao /= 2;
            nguon = (cap == 0 ? xamNho : xamNho2).data();
            lamNhiPhan(nguon, rong, cao, nhiPhanNho);
            docDataMatrix(nhiPhanNho.data(), rong, cao, ra);
        }
    }

    // QR and PDF417 on one thread, Data Matrix on another, all from one binarised frame.
    void docZXing(int rong, int cao, std::vector<MaThay>& ra) {
        if (!coQr && !coPdf417 && !coDataMatrix) return;
        lamNhiPhan(xam.data(), rong, cao, nhiPhan);
        xamNho.clear();
        if ((coQr || coDataMatrix) && rong / 2 >= kCapNhoNhat && cao / 2 >= kCapNhoNhat)
            thuNhoMotNua(xam.data(), rong, cao, xamNho);
        std::vector<MaThay> toan;
        std::future<void> songSong;
        if (coQr || coPdf417) {
            try {
                songSong = std::async(std::launch::async, [&] { docToanKhung(rong, cao, toan); });
            } catch (const std::system_error&) {
                docToanKhung(rong, cao, toan);
            }
        }
        std::vector<MaThay> dm;
        std::exception_ptr loi;
        try {
            if (coDataMatrix) docDataMatrixMoiCo(rong, cao, dm);
        } catch (...) {
            loi = std::current_exception();
        }
        if (songSong.valid()) {
            try {
                songSong.get();
            } catch (...) {
                toan.clear();
            }
        }
        if (loi) dm.clear();
        for (auto& m : toan) ra.push_back(std::move(m));
        for (auto& m : dm) ra.push_back(std::move(m));
    }
};

BoNhanDienMaHeThong::BoNhanDienMaHeThong() : d_(std::make_unique<NoiBo>()) {}
BoNhanDienMaHeThong::~BoNhanDienMaHeThong() = default;

std::vector<BoNhanDienMa::MaThay> BoNhanDienMaHeThong::nhanDien(const QImage& khung, const QStringList& loaiMa) {
    std::vector<MaThay> ra;
    if (khung.isNull() || khung.width() < 1 || khung.height() < 1) return ra;
    d_->datLoai(loaiMa);
    d_->lamXam(khung);
    const int rong = khung.width(), cao = khung.height();
    d_->nhieu = d_->doNhieu(rong, cao);
    // The two decoders share only the read-only luma, so zxing runs beside ZBar and a read costs the
    // slower of the two rather than their sum. Each is fenced on its own: one that throws must not take
    // the other's codes with it.
    std::vector<MaThay> tuZXing;
    std::future<void> zx;
    try {
        zx = std::async(std::launch::async, [&] { d_->docZXing(rong, cao, tuZXing); });
    } catch (...) {
        // No thread to be had: read in turn.
    }
    if (d_->coZBar) {
        try {
            d_->docZBar(rong, cao, ra);
        } catch (...) {
        }
    }
    try {
        if (zx.valid())
            zx.get();
        else
            d_->docZXing(rong, cao, tuZXing);
    } catch (...) {
        tuZXing.clear();
    }
    for (auto& m : tuZXing) ra.push_back(std::move(m));
    return ra;
}

void BoNhanDienMaHeThong::xamMotDong(const uint32_t* dong, uchar* ra, int rong) {
    for (int x = 0; x < rong; ++x) {
        const uint32_t p = dong[x];
        ra[x] = uchar((((p >> 16) & 0xff) * 77 + ((p >> 8) & 0xff) * 150 + (p & 0xff) * 29) >> 8);
    }
}

bool BoNhanDienMaHeThong::laItf14(const QString& ma) {
    if (ma.size() != 14) return false;
    int tong = 0;
    for (int i = 0; i < 14; ++i) {
        if (!ma[i].isDigit() || ma[i].unicode() > '9') return false;
    }
    // Weights 3,1,3,... from the leftmost of the 13 data digits (14-digit GTIN layout).
    for (int i = 0; i < 13; ++i) tong += (ma[i].unicode() - '0') * (i % 2 == 0 ? 3 : 1);
    return (10 - tong % 10) % 10 == ma[13].unicode() - '0';
}
