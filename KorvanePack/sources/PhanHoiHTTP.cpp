#include "sources/PhanHoiHTTP.h"

std::optional<QByteArray> PhanHoiHTTP::docTieuDe(const QByteArray& ten) const {
    for (const auto& [k, v] : tieuDe) {
        if (k.compare(ten, Qt::CaseInsensitive) == 0) return v;
    }
    return std::nullopt;
}
