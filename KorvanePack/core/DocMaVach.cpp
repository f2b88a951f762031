#include "core/DocMaVach.h"

#include <QHash>
#include <QMetaObject>
#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>

#include "core/BoNhanDienMaHeThong.h"
#include "store/DongHo.h"
#include "store/HangDoiTuanTu.h"

namespace {
const QStringList kLoaiMa = {"Code128", "Code39", "Code93", "EAN13",  "EAN8",
                             "I2of5",   "ITF14",  "QR",     "PDF417", "DataMatrix"};
}

DocMaVach::DocMaVach(QObject* parent) : DocMaVach(std::make_unique<BoNhanDienMaHeThong>(), DongHo::heThong(), parent) {}

DocMaVach::DocMaVach(std::unique_ptr<BoNhanDienMa> boNhanDien, const DongHo& dongHo, QObject* parent)
    : QObject(parent),
      loaiMa(kLoaiMa),
      dongHo_(dongHo),
      boNhanDien_(std::move(boNhanDien)),
      chinhNo_(this),
      hangDoi_(std::make_unique<HangDoiTuanTu>("korvane.pack.docma")) {}

DocMaVach::~DocMaVach() {
    daHuy_ = true;
    // Waits for the read in flight, if any (at most one); reads still queued see daHuy_ and do nothing.
    hangDoi_.reset();
}

void DocMaVach::nhanKhung(const QImage& khung) {
    const auto bayGio = dongHo_.gioDeu();
    {
        std::lock_guard lk(khoa_);
        if (dangBan_) return;
        if (lanDoCuoi_ && std::chrono::duration<double>(bayGio - *lanDoCuoi_).count() < giuaHaiLanDo_) return;
        dangBan_ = true;
        lanDoCuoi_ = bayGio;
    }
    auto banSao = chupXam(khung);
    if (!banSao) {
        std::lock_guard lk(khoa_);
        dangBan_ = false;
        return;
    }
    hangDoi_->guiBatDongBo([this, banSao = std::move(*banSao)] {
        if (daHuy_) return;
        try {
            doMa(banSao);
        } catch (...) {
            // Nothing may leave the busy flag set: the reader would never take another frame.
        }
        std::lock_guard lk(khoa_);
        dangBan_ = false;
    });
}

std::optional<QImage> DocMaVach::chupBanSao(const QImage& nguon) {
    if (nguon.isNull()) return std::nullopt;
    const int rong = nguon.width();
    const int cao = nguon.height();
    QImage banSao;
    try {
        banSao = QImage(rong, cao, nguon.format());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    // QImage reports a failed allocation as a null image.
    if (banSao.isNull()) return std::nullopt;
    if (nguon.format() == QImage::Format_Indexed8 || nguon.format() == QImage::Format_Mono ||
        nguon.format() == QImage::Format_MonoLSB)
        banSao.setColorTable(nguon.colorTable());
    const uchar* tu = nguon.constBits();
    uchar* den = banSao.bits();
    if (!tu || !den) return std::nullopt;
    const qsizetype dongNguon = nguon.bytesPerLine();
    const qsizetype dongBanSao = banSao.bytesPerLine();
    if (dongNguon == dongBanSao) {
        std::memcpy(den, tu, static_cast<size_t>(dongNguon) * static_cast<size_t>(cao));
    } else {
        const size_t moiDong = static_cast<size_t>(std::min(dongNguon, dongBanSao));
        for (int y = 0; y < cao; ++y) std::memcpy(den + y * dongBanSao, tu + y * dongNguon, moiDong);
    }
    return banSao;
}

std::optional<QImage> DocMaVach::chupXam(const QImage& nguon) {
    const QImage::Format f = nguon.format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied)
        return chupBanSao(nguon);
    const int rong = nguon.width();
    const int cao = nguon.height();
    QImage xam;
    try {
        xam = QImage(rong, cao, QImage::Format_Grayscale8);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (xam.isNull() || !nguon.constBits()) return std::nullopt;
    for (int y = 0; y < cao; ++y)
        BoNhanDienMaHeThong::xamMotDong(reinterpret_cast<const uint32_t*>(nguon.constScanLine(y)), xam.scanLine(y),
                                        rong);
    return xam;
}

void DocMaVach::doMa(const QImage& khung) {
    const auto batDau = dongHo_.gioDeu();
    std::vector<BoNhanDienMa::MaThay> thay;
    try {
        thay = boNhanDien_->nhanDien(khung, loaiMa);
    } catch (...) {
        // A frame the decoders choke on is simply a frame without codes.
        thay.clear();
    }
    const qint64 mili = std::chrono::duration_cast<std::chrono::milliseconds>(dongHo_.gioDeu() - batDau).count();
    if (thay.empty()) return;

    auto dienTich = [](const BoNhanDienMa::MaThay& m) { return m.hop.width() * m.hop.height(); };
    // Equal areas keep the detector's order.
    std::vector<size_t> thuTu(thay.size());
    std::iota(thuTu.begin(), thuTu.end(), size_t{0});
    std::stable_sort(thuTu.begin(), thuTu.end(),
                     [&](size_t a, size_t b) { return dienTich(thay[a]) > dienTich(thay[b]); });

    QList<KetQuaDo> ketQua;
    for (const size_t i : thuTu) {
        const auto& m = thay[i];
        if (!m.ma) continue;
        const QString ma = m.ma->trimmed();
        if (ma.isEmpty()) continue;
        ketQua.append(KetQuaDo{ma, tenLoaiMa(m.loai), dienTich(m), mili});
    }
    if (ketQua.isEmpty()) return;
    giaoKetQua(std::move(ketQua));
}

void DocMaVach::giaoKetQua(QList<KetQuaDo> ketQua) {
    QPointer<DocMaVach> yeu = chinhNo_;
    QMetaObject::invokeMethod(
        this,
        [yeu, ketQua = std::move(ketQua)] {
            if (!yeu) return;
            emit yeu->thayNhieuMa(ketQua);
            // A listener of the list may have closed the screen that owned the reader.
            if (!yeu) return;
            emit yeu->thayMa(ketQua.first().ma);
        },
        Qt::QueuedConnection);
}

QString DocMaVach::tenLoaiMa(const QString& dinhDanh) {
    static const QHash<QString, QString> kTen = {
        {"code128", "Code 128"},
        {"code39", "Code 39"},
        {"code39checksum", "Code 39"},
        {"code39fullascii", "Code 39"},
        {"code39fullasciichecksum", "Code 39"},
        {"code93", "Code 93"},
        {"code93i", "Code 93"},
        {"ean13", "EAN-13"},
        {"ean8", "EAN-8"},
        {"i2of5", "Interleaved 2/5"},
        {"i2of5checksum", "Interleaved 2/5"},
        {"itf14", "ITF-14"},
        {"qr", "QR"},
        {"pdf417", "PDF417"},
        {"datamatrix", "Data Matrix"},
    };
    // Identifiers written in the long form that other detectors use carry this prefix; it names nothing.
    QString gon = dinhDanh;
    gon.remove(QStringLiteral("VNBarcodeSymbology"));
    if (gon.isEmpty()) return QStringLiteral("Không rõ");
    const auto it = kTen.constFind(gon.toLower());
    return it != kTen.constEnd() ? *it : gon;
}

double DocMaVach::giuaHaiLanDo() const {
    std::lock_guard lk(khoa_);
    return giuaHaiLanDo_;
}

void DocMaVach::setGiuaHaiLanDo(double giay) {
    std::lock_guard lk(khoa_);
    giuaHaiLanDo_ = giay;
}

bool DocMaVach::dangBan() const {
    std::lock_guard lk(khoa_);
    return dangBan_;
}
