#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <cmath>
#include <cstdlib>
#include <functional>

// Checks the edge of a camera picture drawn inside a 1 px rounded border. The border's line runs half a pixel
// in from the box, so its outer edge is the box rounded by radius + 0.5 and its inner edge the box one pixel
// in, rounded by radius - 0.5: both corner arcs share a centre radius + 0.5 in from the two sides.
// `chup` draws the box with a picture of one plain colour. A pixel whose centre lies outside the outer edge
// must look the same whatever the picture (nothing of it pokes out past a rounded corner), and one wholly
// inside the inner edge must show the picture (no dark or page-coloured hairline between picture and line).
// Returns the first pixel that breaks this, described, or an empty text.
namespace goc_hop_camera {

inline bool gan(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2;
}

inline QString kiem(const std::function<QImage(const QColor&)>& chup, const QRect& hop, double banKinh) {
    const QColor xanh(0, 200, 0);
    const QColor vang(250, 220, 40);
    const QImage anhXanh = chup(xanh);
    const QImage anhVang = chup(vang);
    const double tam = banKinh + 0.5;
    auto moTa = [](const char* loi, int x, int y, const QColor& c) {
        return QString::asprintf("%s at (%d, %d): %s", loi, x, y, qPrintable(c.name()));
    };
    // Each corner seen as the top left one: x and y count inwards from its two sides, and only the corner's
    // own square is looked at, where the edges are arcs.
    for (int goc = 0; goc < 4; ++goc) {
        for (int y = 0; y + 1 <= tam; ++y) {
            for (int x = 0; x + 1 <= tam; ++x) {
                const int px = (goc & 1) ? hop.right() - x : hop.left() + x;
                const int py = (goc & 2) ? hop.bottom() - y : hop.top() + y;
                const QColor c = anhXanh.pixelColor(px, py);
                const double giua = std::hypot(tam - (x + 0.5), tam - (y + 0.5));
                const double xaNhat = std::hypot(tam - x, tam - y);
                if (giua > banKinh + 0.5 && !gan(c, anhVang.pixelColor(px, py)))
                    return moTa("picture outside the border", px, py, c);
                if (xaNhat < banKinh - 0.5 && !gan(c, xanh)) return moTa("no picture inside the border", px, py, c);
                // Half under the line, the picture must still be what shows through it, not the page.
                if (giua < banKinh - 0.5 && gan(c, anhVang.pixelColor(px, py)))
                    return moTa("page inside the border", px, py, c);
            }
        }
    }
    // Along the straight sides the first pixel in from the border line is already picture.
    const QPoint giua = hop.center();
    for (const QPoint p : {QPoint(hop.left() + 1, giua.y()), QPoint(hop.right() - 1, giua.y()),
                           QPoint(giua.x(), hop.top() + 1), QPoint(giua.x(), hop.bottom() - 1)}) {
        const QColor c = anhXanh.pixelColor(p);
        if (!gan(c, xanh)) return moTa("no picture next to the border", p.x(), p.y(), c);
    }
    return {};
}

}  // namespace goc_hop_camera
