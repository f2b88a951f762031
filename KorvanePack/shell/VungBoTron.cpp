#include "shell/VungBoTron.h"

#include <QRect>
#include <algorithm>
#include <cmath>
#include <utility>

QRegion vungBoTron(const QSize& co, int banKinh) {
    const double r = banKinh;
    const int w = co.width();
    const int h = co.height();
    QRegion vung;
    // Rows with the same first and last pixel are added as one rectangle.
    int hangDau = 0;
    std::pair<int, int> nhipTruoc{0, -1};
    auto themNhip = [&](int hangSau) {
        if (nhipTruoc.second >= nhipTruoc.first)
            vung += QRect(nhipTruoc.first, hangDau, nhipTruoc.second - nhipTruoc.first + 1, hangSau - hangDau);
    };
    for (int y = 0; y < h; ++y) {
        // How far the row's centre reaches into a corner's arc, whose centre lies r + 0.5 in from both sides.
        const double cy = y + 0.5;
        const double dy = std::max({0.0, r + 0.5 - cy, cy - (h - r - 0.5)});
        std::pair<int, int> nhip{0, -1};
        if (dy < r) {
            const double dx = std::sqrt(r * r - dy * dy);
            nhip = {int(std::floor(r - dx)) + 1, int(std::ceil(w - r - 1 + dx)) - 1};
        }
        if (nhip != nhipTruoc) {
            themNhip(y);
            hangDau = y;
            nhipTruoc = nhip;
        }
    }
    themNhip(h);
    return vung;
}
