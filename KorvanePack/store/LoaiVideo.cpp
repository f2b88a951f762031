#include "store/LoaiVideo.h"

QString giaTriLoaiVideo(LoaiVideo loai) {
    return loai == LoaiVideo::hangHoan ? QStringLiteral("return") : QStringLiteral("pack");
}

std::optional<LoaiVideo> loaiVideoTuGiaTri(const QString& giaTri) {
    if (giaTri == u"pack") return LoaiVideo::dongGoi;
    if (giaTri == u"return") return LoaiVideo::hangHoan;
    return std::nullopt;
}
