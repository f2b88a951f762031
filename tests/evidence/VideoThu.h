#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QThread>
#include <atomic>

#include "core/BoGhiVideoFFmpeg.h"

namespace video_thu {

// Writes a recording of `giay` seconds through the application's own H.264 writer, each frame numbered so
// the picture moves. Returns false when the writer refused or failed.
inline bool ghi(const QString& duongDan, int giay, int fps = 15, QSize co = QSize(640, 360)) {
    auto ghi = BoGhiVideoFFmpeg::tao(duongDan);
    if (!ghi || !ghi->themDauVao(co.width(), co.height(), 600000, fps) || !ghi->batDau()) return false;
    for (int i = 0; i < giay * fps; ++i) {
        QImage anh(co, QImage::Format_RGB32);
        anh.fill(QColor::fromHsv((i * 7) % 360, 160, 200));
        QPainter p(&anh);
        p.setPen(Qt::white);
        p.setFont(QFont(QStringLiteral("DejaVu Sans"), 40));
        p.drawText(anh.rect(), Qt::AlignCenter, QString::number(i));
        p.end();
        const auto pts = std::chrono::microseconds(qint64(i) * 1000000 / fps);
        BoGhiVideo::KetQuaThem kq;
        QElapsedTimer t;
        t.start();
        while ((kq = ghi->themKhung(anh, pts)) == BoGhiVideo::KetQuaThem::chuaSan && t.elapsed() < 5000)
            QThread::msleep(2);
        if (kq != BoGhiVideo::KetQuaThem::daNhan) return false;
    }
    std::atomic<bool> xong{false};
    ghi->ketThuc([&] { xong = true; });
    QElapsedTimer t;
    t.start();
    while (!xong && t.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return xong && ghi->trangThai() == BoGhiVideo::TrangThai::hoanTat;
}

}  // namespace video_thu
