#pragma once

#include <QtGlobal>
#include <cstdint>
#include <memory>

#include "core/BoNhanDienMa.h"

// The real detector. ZBar reads the linear codes; zxing-cpp reads only the 2D ones (QR, PDF417, Data Matrix),
// because the zxing-cpp shipped with Debian 12 aborts the whole process when its multi-code reader meets
// a linear code. ZBar scans every other line, which reads a linear code as well as every line does at half
// the cost, but loses small QR codes: zxing reads those better from the binarised frame it has anyway.
// An Interleaved 2 of 5 read of 14 digits with a valid GS1 check digit is ITF-14.
// Not thread-safe: the reader calls it from its own serial queue only.
class BoNhanDienMaHeThong final : public BoNhanDienMa {
public:
    BoNhanDienMaHeThong();
    ~BoNhanDienMaHeThong() override;

    std::vector<MaThay> nhanDien(const QImage& khung, const QStringList& loaiMa) override;

    // 14 digits whose last is the GS1 mod-10 check digit of the first 13.
    static bool laItf14(const QString& ma);

    // The grey of one row of 32-bit (A)RGB pixels, 8 bits a pixel: the luma the decoders read when the camera
    // has none of its own to give.
    static void xamMotDong(const uint32_t* dong, uchar* ra, int rong);

private:
    struct NoiBo;
    std::unique_ptr<NoiBo> d_;
};
