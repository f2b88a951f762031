#include "sources/GuiYeuCau.h"

#include <QStringDecoder>
#include <charconv>
#include <cmath>

#include "sources/LoiKetNoi.h"
#include "sources/LoiNguonDon.h"

std::optional<double> docRetryAfter(const std::optional<QByteArray>& tieuDe) {
    if (!tieuDe || tieuDe->isEmpty()) return std::nullopt;
    const char* dau = tieuDe->constData();
    const char* cuoi = dau + tieuDe->size();
    if (*dau == '+' && cuoi - dau > 1 && dau[1] != '-' && dau[1] != '+') ++dau;
    double giaTri = 0;
    const auto [p, ec] = std::from_chars(dau, cuoi, giaTri, std::chars_format::general);
    if (ec != std::errc() || p != cuoi) return std::nullopt;
    if (std::isnan(giaTri)) return 60.0;
    if (giaTri < 0) return std::nullopt;
    return giaTri;
}

double choSauLoi(int lan) {
    return std::min(std::ldexp(1.0, std::max(lan, 0)), 30.0);
}

double choSauGioiHan(const std::optional<QByteArray>& retryAfter, int lan) {
    const double cho = docRetryAfter(retryAfter).value_or(std::ldexp(1.0, std::max(lan, 0)));
    return std::clamp(cho, 0.0, 60.0);
}

QString trichNguyenVan(const QByteArray& than) {
    // Masks are longer than what they hide, so one may straddle the cut: the cut backs off to the start of
    // the character it would split instead of throwing the whole excerpt away.
    qsizetype n = std::min(than.size(), kByteNguyenVan);
    if (n < than.size()) {
        while (n > 0 && (static_cast<unsigned char>(than[n]) & 0xC0) == 0x80) --n;
    }
    QStringDecoder giaiMa(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = giaiMa.decode(than.left(n));
    if (giaiMa.hasError()) return QString();
    return s;
}

QString trichNguyenVanSach(const QByteArray& than, const BoAnKhoa& anKhoa) {
    const QByteArray sach = anKhoa.anByte(than);
    if (coDauHieuKhoa(sach)) return kNguyenVanDaAn;
    return trichNguyenVan(sach);
}

void choHoacDung(BoNgu& ngu, double giay) {
    if (!ngu.ngu(std::chrono::duration<double>(giay))) throw LoiDaHuy();
}

KetQuaGui guiYeuCau(const YeuCauHTTP& yeuCau, const QString& tenHienThi, int nganSach, int lan, KenhHTTP& kenh,
                    BoNgu& ngu, const BoAnKhoa& anKhoa) {
    const auto nenDung = [&ngu] { return ngu.daHuy(); };
    for (int n = lan;; ++n) {
        if (ngu.daHuy()) throw LoiDaHuy();
        PhanHoiHTTP ph;
        bool khongPhaiHTTP = false;
        try {
            ph = kenh.gui(yeuCau, nenDung);
            khongPhaiHTTP = ph.status < 100;
        } catch (const LoiKetNoi& e) {
            // Shown as the transport said it, with the URL in the detail line, and never fetched again.
            if (e.loai() == LoiKetNoi::Loai::quaLon) {
                throw LoiNguonDon(0, QString(), anKhoa.an(anKhoaTrongURL(yeuCau.url)), QString::fromUtf8(e.what()));
            }
            if (e.loai() != LoiKetNoi::Loai::khongPhaiHTTP) {
                if (n >= nganSach) throw;
                choHoacDung(ngu, choSauLoi(n));
                continue;
            }
            khongPhaiHTTP = true;
        }
        if (khongPhaiHTTP) {
            if (n >= nganSach) {
                throw LoiNguonDon(0, QString(), QString(), tenHienThi + QStringLiteral(" trả về dữ liệu lạ."));
            }
            choHoacDung(ngu, choSauLoi(n));
            continue;
        }
        if (ph.status == 429) {
            if (n >= nganSach) {
                throw LoiNguonDon(429, QString(), QString(),
                                  QStringLiteral("Vượt giới hạn gọi API của ") + tenHienThi + QLatin1Char('.'));
            }
            choHoacDung(ngu, choSauGioiHan(ph.docTieuDe("Retry-After"), n));
            continue;
        }
        if (ph.status >= 500 && n < nganSach) {
            choHoacDung(ngu, choSauLoi(n));
            continue;
        }
        if (ph.status >= 200 && ph.status <= 299) {
            KetQuaGui kq;
            kq.than = ph.than;
            kq.phanHoi = std::move(ph);
            return kq;
        }
        throw LoiNguonDon(ph.status, trichNguyenVanSach(ph.than, anKhoa), anKhoa.an(anKhoaTrongURL(yeuCau.url)),
                          tenHienThi + QStringLiteral(" trả lỗi ") + QString::number(ph.status));
    }
}
