#pragma once

#include <ZXing/BarcodeFormat.h>

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

// Shipping labels for tests, made with zxing's writer and drawn into camera-sized frames, so every test
// that needs a label in front of the camera builds it the same way instead of carrying binary fixtures.
class TemMau {
public:
    struct Mau {
        QString dinhDanh;  // the reader's symbology identifier
        QString loai;      // the display name the reader gives it
        ZXing::BarcodeFormat dinhDang;
        std::string noiDung;
    };

    // One valid sample of each of the ten symbologies the reader asks for, in the reader's order.
    static const std::vector<Mau>& muoiLoai();

    // Black modules on white with a quiet zone of ten modules (four for 2D codes); `module` pixels a module,
    // linear codes get bars `caoVach` pixels tall. Throws, as zxing's writer does, on content the
    // symbology cannot hold (a bad EAN check digit, letters in ITF). Format_RGB32.
    static QImage taoNhan(ZXing::BarcodeFormat dinhDang, const std::string& noiDung, int module = 3, int caoVach = 100);
    static QImage taoNhan(const Mau& mau, int module = 3, int caoVach = 100);

    // A plain desk-grey frame in the camera's pixel layout (Format_RGB32, BGRA bytes in memory).
    static QImage khungNen(int rong = 1280, int cao = 720, int xam = 96);

    // Draws the label centred at `tam` (pixels of the frame), scaled by `tiLe` and turned by `goc` degrees
    // clockwise; returns the label's bounding box in the frame as fractions of the frame (it may stick out).
    static QRectF ve(QImage& khung, const QImage& nhan, QPointF tam, double tiLe = 1.0, double goc = 0.0);

    // Adds uniform noise of +-`bienDo` to every channel, reproducibly for one seed.
    static void themNhieu(QImage& khung, int bienDo, uint32_t hatGiong);

    // The GS1 mod-10 check digit of a string of digits (EAN, ITF-14).
    static char soKiemTraGs1(const std::string& chuSo);
};
