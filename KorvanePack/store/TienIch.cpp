#include "store/TienIch.h"

#include <errno.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <string.h>
#include <unistd.h>

#include <QFile>
#include <QTextBoundaryFinder>
#include <memory>
#include <vector>

#include "store/DinhDangISO.h"
#include "store/DinhDangNgay.h"
#include "store/DocGio.h"
#include "store/LoiTep.h"

namespace {

bool laAscii(const QString& s) {
    for (const QChar c : s)
        if (c.unicode() >= 0x80) return false;
    return true;
}

// Plain ASCII with nothing to trim, drop, delete or upper-case: most tracking numbers, as carriers
// print them in capitals and digits.
bool daChuan(const QString& s) {
    if (s.startsWith(u'#')) return false;
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        if (u >= 0x80 || c.isSpace() || u == u'-' || u == u'_' || u == u'.' || (u >= u'a' && u <= u'z')) return false;
    }
    return true;
}

}  // namespace

QString chuanHoaMa(const QString& ma) {
    // A code already in normal form is handed back sharing its text, with no copy made.
    if (daChuan(ma)) return ma;
    // Canonically equal texts must give the same key, whatever form the scanner or the platform used.
    // Most codes are plain ASCII, which is already composed; start-up normalises hundreds of thousands.
    QString s = (laAscii(ma) ? ma : ma.normalized(QString::NormalizationForm_C)).trimmed();
    if (s.startsWith(u'#')) s.remove(0, 1);
    QString ra;
    ra.reserve(s.size());
    for (const QChar c : std::as_const(s)) {
        if (c.isSpace() || c == u'-' || c == u'_' || c == u'.') continue;
        ra.append(c);
    }
    return ra.toUpper();
}

void chuanHoaMaVao(QString& ra, std::string_view utf8) {
    // ASCII is normalised byte by byte, by the same rules: QChar::isSpace of an ASCII character is a space
    // or \t..\r, and ASCII is already composed and upper-cases alone.
    const auto laKhoangTrang = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const size_t n = utf8.size();
    size_t i = 0;
    while (i < n && laKhoangTrang(utf8[i])) ++i;
    if (i < n && utf8[i] == '#') ++i;
    ra.resize(qsizetype(n - i));
    char16_t* dich = reinterpret_cast<char16_t*>(ra.data());
    qsizetype k = 0;
    for (; i < n; ++i) {
        const char c = utf8[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            ra = chuanHoaMa(QString::fromUtf8(utf8.data(), qsizetype(n)));
            return;
        }
        if (laKhoangTrang(c) || c == '-' || c == '_' || c == '.') continue;
        dich[k++] = char16_t(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
    }
    ra.truncate(k);
}

QString hienThiNgay(const std::optional<QString>& iso) {
    if (!iso || iso->isEmpty()) return kyHieuTrong;
    // Order times are shown as the platform sent them; some platforms send them without a zone.
    const auto t = DocGio::docGioDon(*iso);
    if (!t) return kyHieuTrong;
    return dinhDangNgayGioNgan().dinhDang(*t);
}

QString hienThiPhutGiay(qint64 giay) {
    // A damaged record or a clock step can give a negative length; it shows as nothing recorded, not "00:-5".
    if (giay < 0) giay = 0;
    return QString::asprintf("%02lld:%02lld", giay / 60, giay % 60);
}

QString tenMucChon(const QList<MucChon>& danhSach, const std::optional<QString>& id) {
    if (!id) return kyHieuTrong;
    for (const MucChon& m : danhSach)
        if (m.id == *id) return m.ten;
    return *id;
}

namespace {

bool kyTuCam(QStringView cum) {
    static const QString cam = QStringLiteral("/\\:*?\"<>|");
    for (const char32_t u : cum.toUcs4()) {
        if (u < 0x20 || u == 0x7F) return true;
        if (u < 0x80 && cam.contains(QChar(static_cast<char16_t>(u)))) return true;
    }
    return false;
}

// Splits into user-perceived characters, so a combining mark is dropped or kept with its base letter.
QStringList cacKyTu(const QString& s) {
    QStringList ra;
    QTextBoundaryFinder f(QTextBoundaryFinder::Grapheme, s);
    qsizetype dau = 0;
    while (f.toNextBoundary() != -1) {
        const qsizetype cuoi = f.position();
        if (cuoi > dau) ra.append(s.mid(dau, cuoi - dau));
        dau = cuoi;
    }
    return ra;
}

}  // namespace

QString tenTepAnToan(const QString& ten, const QString& duPhong) {
    QString s;
    for (const QString& c : cacKyTu(ten.normalized(QString::NormalizationForm_C)))
        if (!kyTuCam(c)) s += c;
    s = s.trimmed();
    // Whole characters here too: a dot carrying a combining mark is not a leading dot.
    QStringList kyTu = cacKyTu(s);
    qsizetype i = 0;
    while (i < kyTu.size() && kyTu[i] == QStringLiteral(".")) ++i;
    s = QStringList(kyTu.mid(i)).join(QString()).trimmed();
    kyTu = cacKyTu(s);
    qsizetype soByte = s.toUtf8().size();
    while (soByte > 80 && !kyTu.isEmpty()) {
        soByte -= kyTu.takeLast().toUtf8().size();
    }
    s = kyTu.join(QString());
    return s.isEmpty() ? duPhong : s;
}

QString chuoiHex(QByteArrayView bytes) {
    static const char so[] = "0123456789abcdef";
    QString ra(bytes.size() * 2, Qt::Uninitialized);
    QChar* p = ra.data();
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *p++ = QLatin1Char(so[u >> 4]);
        *p++ = QLatin1Char(so[u & 0xF]);
    }
    return ra;
}

std::optional<VanTayTep> sha256CuaTep(const QString& duongDan) {
    int fd;
    try {
        fd = moTepDeDoc(duongDan);
    } catch (const LoiTep&) {
        return std::nullopt;
    }
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) {
        dongTep(fd);
        return std::nullopt;
    }
    constexpr size_t khoi = 1 << 20;
    std::vector<unsigned char> dem(khoi);
    qint64 tong = 0;
    for (;;) {
        const ssize_t n = ::read(fd, dem.data(), khoi);
        if (n < 0) {
            if (errno == EINTR) continue;
            // A digest of the bytes read so far would be a wrong fingerprint, not a partial one.
            dongTep(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        EVP_DigestUpdate(ctx.get(), dem.data(), static_cast<size_t>(n));
        tong += n;
    }
    dongTep(fd);
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_DigestFinal_ex(ctx.get(), md, &len) != 1) return std::nullopt;
    return VanTayTep{chuoiHex(QByteArrayView(reinterpret_cast<const char*>(md), len)), tong};
}

QString moTaLoiHeThong(const QString& viec, int maLoi) {
    return viec + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(maLoi));
}

QString moTaLoi(const std::exception& e) {
    if (const auto* loi = dynamic_cast<const LoiTep*>(&e)) return loi->moTa();
    return QString::fromUtf8(e.what());
}

int moTepDeGhi(const QString& duongDan) {
    const int fd = ::open(QFile::encodeName(duongDan).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) throw LoiTep(moTaLoiHeThong(QStringLiteral("Không mở được tệp để ghi ") + duongDan, errno));
    return fd;
}

int moTepDeDoc(const QString& duongDan) {
    const int fd = ::open(QFile::encodeName(duongDan).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw LoiTep(moTaLoiHeThong(QStringLiteral("Không mở được tệp để đọc ") + duongDan, errno));
    return fd;
}

void dongTep(int fd) {
    if (fd >= 0) ::close(fd);
}

QString boKhoangTrangDau(const QString& s) {
    qsizetype dau = 0, cuoi = s.size();
    auto laTrang = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (dau < cuoi && laTrang(s[dau])) ++dau;
    while (cuoi > dau && laTrang(s[cuoi - 1])) --cuoi;
    return s.mid(dau, cuoi - dau);
}
