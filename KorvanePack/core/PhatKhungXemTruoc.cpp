#include "core/PhatKhungXemTruoc.h"

#include <QPointer>
#include <cstdint>

#include "core/CameraEngine.h"

namespace {

// 2x2 means per channel, two channels at a time in the spare bits of a 32-bit word.
QImage nuaKhung(const QImage& vao) {
    const int rong = vao.width() / 2, cao = vao.height() / 2;
    QImage ra(rong, cao, vao.format());
    if (ra.isNull()) return {};
    for (int y = 0; y < cao; ++y) {
        const auto* a = reinterpret_cast<const uint32_t*>(vao.constScanLine(2 * y));
        const auto* b = reinterpret_cast<const uint32_t*>(vao.constScanLine(2 * y + 1));
        auto* o = reinterpret_cast<uint32_t*>(ra.scanLine(y));
        for (int x = 0; x < rong; ++x) {
            const uint32_t p0 = a[2 * x], p1 = a[2 * x + 1], p2 = b[2 * x], p3 = b[2 * x + 1];
            const uint32_t le = (p0 & 0x00ff00ffu) + (p1 & 0x00ff00ffu) + (p2 & 0x00ff00ffu) + (p3 & 0x00ff00ffu);
            const uint32_t chan = ((p0 >> 8) & 0x00ff00ffu) + ((p1 >> 8) & 0x00ff00ffu) + ((p2 >> 8) & 0x00ff00ffu) +
                                  ((p3 >> 8) & 0x00ff00ffu);
            o[x] = (((le + 0x00020002u) >> 2) & 0x00ff00ffu) | ((((chan + 0x00020002u) >> 2) & 0x00ff00ffu) << 8);
        }
    }
    return ra;
}

}  // namespace

PhatKhungXemTruoc::PhatKhungXemTruoc(CameraEngine* camera) : QObject(camera) {
    setObjectName(QStringLiteral("khungXemTruoc"));
    QPointer<PhatKhungXemTruoc> toi = this;
    camera->datNhanKhungXemTruoc([toi](const QImage& khung) {
        if (toi) toi->nhan(khung);
    });
}

void PhatKhungXemTruoc::datKichThuocXem(QSize o) {
    rongXem_ = o.width();
    caoXem_ = o.height();
}

QImage PhatKhungXemTruoc::thuNhoChoO(const QImage& khung, QSize o) {
    const QImage::Format f = khung.format();
    if (o.width() <= 0 || o.height() <= 0 ||
        (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied))
        return khung;
    QImage anh = khung;
    while (anh.width() / 2 >= o.width() || anh.height() / 2 >= o.height()) {
        if (anh.width() < 2 || anh.height() < 2) break;
        QImage nua = nuaKhung(anh);
        if (nua.isNull()) break;
        anh = std::move(nua);
    }
    return anh;
}

void PhatKhungXemTruoc::nhan(const QImage& khung) {
    if (dangCho_.exchange(true)) return;
    // Made here, before the caption is drawn into the frame: a preview that is its own smaller image leaves the
    // frame unshared, so the caption goes into it in place instead of into an 8 MB copy, and the GUI thread
    // filters a quarter of the pixels or none.
    QImage xem = thuNhoChoO(khung, QSize(rongXem_.load(), caoXem_.load()));
    QMetaObject::invokeMethod(
        this,
        [this, xem = std::move(xem)] {
            dangCho_ = false;
            emit khungMoi(xem);
        },
        Qt::QueuedConnection);
}
