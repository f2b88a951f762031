#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The barcode detector the reader relies on. The reader uses exactly four things of each code found:
// its payload text (absent when the payload is not text), its symbology identifier and its box as a
// fraction of the frame. Keeping the detector behind this seam lets the reader's throttling, sorting and
// delivery be tested with scripted codes, and the real decoders be tested on real frames.
class BoNhanDienMa {
public:
    struct MaThay {
        std::optional<QString> ma;
        QString loai;  // symbology identifier, one of DocMaVach's loaiMa
        QRectF hop;    // normalised to the frame: 0..1 on both axes
    };

    virtual ~BoNhanDienMa() = default;

    // Codes in the order the detector found them. May throw; the reader treats a throw as "nothing read".
    virtual std::vector<MaThay> nhanDien(const QImage& khung, const QStringList& loaiMa) = 0;
};
