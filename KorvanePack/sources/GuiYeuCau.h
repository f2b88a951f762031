#pragma once

#include <QString>
#include <optional>

#include "sources/AnBiMat.h"
#include "sources/BoNgu.h"
#include "sources/KenhHTTP.h"

// The shared sender. Transport failures, replies that are not HTTP and 5xx are retried after
// min(2^n, 30) s, 429 after the server's Retry-After capped at 60 s (2^n without one), while the
// attempt number n is below the budget. Every other status becomes a LoiNguonDon whose excerpt and
// URL are cleaned of secrets. A cancelled sleeper ends the request with LoiDaHuy, never another send.
struct KetQuaGui {
    QByteArray than;
    PhanHoiHTTP phanHoi;
};

KetQuaGui guiYeuCau(const YeuCauHTTP& yeuCau, const QString& tenHienThi, int nganSach, int lan, KenhHTTP& kenh,
                    BoNgu& ngu, const BoAnKhoa& anKhoa = BoAnKhoa());

// "Retry-After" read strictly: the whole text a decimal number in the C locale. Infinity and NaN read
// as the 60 s cap; a negative value or anything else counts as absent.
std::optional<double> docRetryAfter(const std::optional<QByteArray>& tieuDe);
// The wait before retrying a 429: the server's value or 2^lan, at most 60 s, never negative.
double choSauGioiHan(const std::optional<QByteArray>& retryAfter, int lan);
// min(2^lan, 30) s, the wait after a transport or server failure.
double choSauLoi(int lan);
// The first 500 bytes as UTF-8, cut back to the start of a character that byte 500 would split; "" when they
// are not valid UTF-8.
QString trichNguyenVan(const QByteArray& than);
inline constexpr qsizetype kByteNguyenVan = 500;
// The excerpt of a refused reply as it may be kept and shown: the whole reply is cleaned first (its
// credentials masked, the marker rule applied to all of it), and only then cut, so a key the server
// echoes across the cut cannot survive as an unmasked prefix.
QString trichNguyenVanSach(const QByteArray& than, const BoAnKhoa& anKhoa);
// Waits through the sleeper; throws LoiDaHuy when the wait was cut short by cancellation.
void choHoacDung(BoNgu& ngu, double giay);
