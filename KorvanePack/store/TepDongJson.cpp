#include "store/TepDongJson.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>

#include "store/DocJson.h"
#include "store/LoiTep.h"
#include "store/TienIch.h"

namespace {

QByteArray ten(const QString& p) {
    return QFile::encodeName(p);
}

bool ghiHet(int fd, const char* p, size_t n) {
    while (n > 0) {
        const ssize_t k = ::write(fd, p, n);
        if (k < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += k;
        n -= static_cast<size_t>(k);
    }
    return true;
}

// False when the folder's entries may not have reached the disk; errno then says why. A filesystem
// that cannot sync a folder at all (EINVAL, EBADF, EROFS, ENOTSUP, ENOSYS on some network and FUSE
// mounts) or a folder that may not be read (EACCES) offers nothing better, so those count as done.
bool dongBoThuMuc(const QString& thuMuc) {
    const int fd = ::open(ten(thuMuc).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno == EACCES;
    const bool ok = TepDongJson::dongBoThuMucMo(fd);
    const int e = errno;
    ::close(fd);
    errno = e;
    return ok;
}

constexpr int khongPhaiTepThuong = -2;

// Opens a regular file only: a named pipe or a device under a data file's name would block the open
// or the read for ever, so it is refused without waiting (khongPhaiTepThuong).
int moTepThuong(const QString& duongDan, int co) {
    const int fd = ::open(ten(duongDan).constData(), co | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        errno = e;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return khongPhaiTepThuong;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Keeps a piece about to be cut from duongDan in a side file of its own, whole and synced, before
// anything is cut: "<name>.doan-cat-<UTC time>", a name no loader reads as a month file or a journal.
bool catRieng(const QString& duongDan, QByteArrayView manh) {
    const QString goc = duongDan + QStringLiteral(".doan-cat-") +
                        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    for (int i = 1; i < 1000; ++i) {
        const QString rieng = i == 1 ? goc : goc + u'-' + QString::number(i);
        const int fd = ::open(ten(rieng).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        if (!ghiHet(fd, manh.data(), size_t(manh.size())) || ::fsync(fd) != 0 ||
            !dongBoThuMuc(QFileInfo(duongDan).absolutePath())) {
            const int e = errno;
            ::close(fd);
            ::unlink(ten(rieng).constData());
            errno = e;
            return false;
        }
        ::close(fd);
        return true;
    }
    errno = EEXIST;
    return false;
}

// Repairs the tail of an open file; returns the length the file has afterwards, or -1.
off_t suaDuoiFd(int fd, const QString& duongDan, const std::function<bool(QByteArrayView)>& laDongTron = {}) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return -1;
    const off_t co = st.st_size;
    if (co == 0) return 0;
    char cuoi;
    if (::pread(fd, &cuoi, 1, co - 1) != 1) return -1;
    if (cuoi == '\n') return co;
    // Find the start of the unterminated piece, reading backwards in blocks.
    off_t dau = 0;
    constexpr off_t khoi = 65536;
    QByteArray dem;
    for (off_t ket = co; ket > 0;) {
        const off_t tu = ket > khoi ? ket - khoi : 0;
        dem.resize(static_cast<qsizetype>(ket - tu));
        if (::pread(fd, dem.data(), static_cast<size_t>(dem.size()), tu) != dem.size()) return -1;
        const qsizetype i = dem.lastIndexOf('\n');
        if (i >= 0) {
            dau = tu + i + 1;
            break;
        }
        ket = tu;
    }
    QByteArray manh(static_cast<qsizetype>(co - dau), Qt::Uninitialized);
    if (::pread(fd, manh.data(), static_cast<size_t>(manh.size()), dau) != manh.size()) return -1;
    // A text editor may have put a byte-order mark before the first line; the loader skips it.
    const qsizetype bom = dau == 0 && TepDongJson::coBom(manh) ? 3 : 0;
    const QByteArrayView dong(manh.constData() + bom, manh.size() - bom);
    if (laDongTron ? laDongTron(dong)
                   : DocJson::docDoiTuong(std::string_view(dong.data(), size_t(dong.size()))).has_value()) {
        if (::pwrite(fd, "\n", 1, co) != 1 || ::fsync(fd) != 0) {
            if (::ftruncate(fd, co) != 0) return -1;
            return -1;
        }
        return co + 1;
    }
    // Whatever is cut may be someone's only copy (a file restored from elsewhere, a damaged disk).
    if (!catRieng(duongDan, manh)) return -1;
    if (::ftruncate(fd, dau) != 0 || ::fsync(fd) != 0) return -1;
    return dau;
}

// Moves tam to dich only when nothing is at dich yet; -1 with errno EEXIST when something is.
// NFS, 9p and libfuse2 mounts refuse the no-replace flag of renameat2, and a data folder on a NAS
// must still get its month files: there a hard link gives the same atomic "only if absent".
int datVaoChoTrong(const QByteArray& tam, const QByteArray& dich) {
    if (::renameat2(AT_FDCWD, tam.constData(), AT_FDCWD, dich.constData(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return -1;
    if (::link(tam.constData(), dich.constData()) == 0) {
        ::unlink(tam.constData());
        return 0;
    }
    if (errno == EEXIST) return -1;
    // Neither is offered (FAT-like filesystems through FUSE): check, then rename. Only a writer in
    // this same process could slip in between, as the data folder's lock keeps other processes out.
    struct stat st;
    if (::lstat(dich.constData(), &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(tam.constData(), dich.constData());
}

}  // namespace

bool TepDongJson::dongBoThuMucMo(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL || errno == EBADF || errno == EROFS || errno == ENOTSUP ||
           errno == ENOSYS;
}

void TepDongJson::donTepTam(const QString& thuMuc) {
    static const QRegularExpression mau(QStringLiteral("^\\..+\\.tam-[0-9a-z]+$"));
    const QDir d(thuMuc);
    for (const QString& ten : d.entryList(QDir::Files | QDir::Hidden))
        if (mau.match(ten).hasMatch()) QFile::remove(d.filePath(ten));
}

void TepDongJson::taoThuMuc(const QString& duongDan) {
    if (QFileInfo(duongDan).isDir()) return;
    // The highest folder that is missing now: its parent must learn of it durably, or a crash could
    // take the new folder, and the first file renamed into it, away again.
    QString moiNhat = QDir::cleanPath(QFileInfo(duongDan).absoluteFilePath());
    while (true) {
        const QString cha = QFileInfo(moiNhat).absolutePath();
        if (cha == moiNhat || QFileInfo(cha).exists()) break;
        moiNhat = cha;
    }
    if (!QDir().mkpath(duongDan)) {
        throw LoiTep(QStringLiteral("Không tạo được thư mục ") + duongDan);
    }
    for (QString d = QDir::cleanPath(QFileInfo(duongDan).absoluteFilePath());; d = QFileInfo(d).absolutePath()) {
        const bool cuoi = d == moiNhat || QFileInfo(d).absolutePath() == d;
        for (const QString& dongBo : cuoi ? QStringList{d, QFileInfo(d).absolutePath()} : QStringList{d})
            if (!dongBoThuMuc(dongBo))
                throw LoiTep(moTaLoiHeThong(QStringLiteral("Không đồng bộ được thư mục ") + dongBo, errno));
        if (cuoi) break;
    }
}

bool TepDongJson::ghiNguyenTu(const QString& duongDan, QByteArrayView noiDung, bool khongDe) {
    const QFileInfo fi(duongDan);
    const QString thuMuc = fi.absolutePath();
    // The temporary name never ends in ".jsonl", so a loader never mistakes it for a month file.
    const QString tam = thuMuc + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".tam-") +
                        QString::number(QRandomGenerator::global()->generate64(), 36);
    const int fd = ::open(ten(tam).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) throw LoiTep(moTaLoiHeThong(QStringLiteral("Không tạo được tệp ") + duongDan, errno));
    if (!ghiHet(fd, noiDung.data(), static_cast<size_t>(noiDung.size())) || ::fsync(fd) != 0) {
        const int e = errno;
        ::close(fd);
        ::unlink(ten(tam).constData());
        throw LoiTep(moTaLoiHeThong(QStringLiteral("Không ghi được tệp ") + duongDan, e));
    }
    ::close(fd);
    const int r =
        khongDe ? datVaoChoTrong(ten(tam), ten(duongDan)) : ::rename(ten(tam).constData(), ten(duongDan).constData());
    if (r != 0) {
        const int e = errno;
        ::unlink(ten(tam).constData());
        if (khongDe && e == EEXIST) return false;
        throw LoiTep(moTaLoiHeThong(QStringLiteral("Không ghi được tệp ") + duongDan, e));
    }
    if (!dongBoThuMuc(thuMuc)) {
        const int e = errno;
        // Without the folder synced the new file may vanish in a power cut, so its line is reported
        // as not written; a new file is then taken away again rather than left behind as a line
        // that may or may not turn up. A replaced file cannot be given back, so it stays.
        if (khongDe && ::unlink(ten(duongDan).constData()) == 0) dongBoThuMuc(thuMuc);
        throw LoiTep(moTaLoiHeThong(QStringLiteral("Không đồng bộ được thư mục ") + thuMuc, e));
    }
    return true;
}

void TepDongJson::noiDong(const QString& duongDan, QByteArrayView dong,
                          const std::function<bool(QByteArrayView)>& laDongTron) {
    for (int lan = 0; lan < 2; ++lan) {
        const int fd = moTepThuong(duongDan, O_RDWR | O_APPEND);
        if (fd < 0) {
            if (fd == khongPhaiTepThuong)
                throw LoiTep(QStringLiteral("Không ghi được vào ") + duongDan +
                             QStringLiteral(": không phải tệp thường."));
            if (errno != ENOENT) throw LoiTep(moTaLoiHeThong(QStringLiteral("Không mở được tệp ") + duongDan, errno));
            // Another writer may have created the file since; then append to it instead.
            if (ghiNguyenTu(duongDan, dong, true)) return;
            continue;
        }
        const off_t truoc = suaDuoiFd(fd, duongDan, laDongTron);
        if (truoc < 0) {
            const int e = errno;
            ::close(fd);
            throw LoiTep(moTaLoiHeThong(QStringLiteral("Không sửa được dòng cuối của tệp ") + duongDan, e));
        }
        if (!ghiHet(fd, dong.data(), static_cast<size_t>(dong.size())) || ::fsync(fd) != 0) {
            const int e = errno;
            // A half-written line would be taken for a record by nobody and break the next append.
            if (::ftruncate(fd, truoc) == 0) ::fsync(fd);
            ::close(fd);
            throw LoiTep(moTaLoiHeThong(QStringLiteral("Không ghi được tệp ") + duongDan, e));
        }
        // The line is on disk once fsync has returned; what close() says after that (NFS reporting a
        // late error, EINTR) cannot take it back, and calling the append failed would keep a record
        // out of memory and leave the journal chaining to a line before it.
        ::close(fd);
        return;
    }
    throw LoiTep(QStringLiteral("Không ghi được tệp ") + duongDan);
}

bool TepDongJson::suaDuoi(const QString& duongDan, const std::function<bool(QByteArrayView)>& laDongTron) {
    const int fd = moTepThuong(duongDan, O_RDWR);
    if (fd < 0) return false;
    const bool ok = suaDuoiFd(fd, duongDan, laDongTron) >= 0;
    ::close(fd);
    return ok;
}

int TepDongJson::moDeDoc(const QString& duongDan) {
    const int fd = moTepThuong(duongDan, O_RDONLY);
    return fd < 0 ? -1 : fd;
}

std::optional<QByteArray> TepDongJson::docToanBo(const QString& duongDan) {
    const int fd = moTepThuong(duongDan, O_RDONLY);
    if (fd < 0) return std::nullopt;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray ra;
    ra.reserve(static_cast<qsizetype>(st.st_size) + 1);
    char dem[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, dem, sizeof dem);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        ra.append(dem, n);
    }
    ::close(fd);
    return ra;
}

bool TepDongJson::docNguocTungDong(const QString& duongDan, DemDoc& dem,
                                   const std::function<bool(QByteArrayView)>& moiDong) {
    return docNguocTungDong(duongDan, dem, [&moiDong](QByteArrayView dong, qint64) { return moiDong(dong); });
}

bool TepDongJson::docTai(int fd, qint64 viTri, char* dich, size_t n) {
    for (size_t da = 0; da < n;) {
        const ssize_t k = ::pread(fd, dich + da, n - da, off_t(viTri) + off_t(da));
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        da += size_t(k);
    }
    return true;
}

bool TepDongJson::docNguocTungDong(const QString& duongDan, DemDoc& dem,
                                   const std::function<bool(QByteArrayView, qint64)>& moiDong) {
    const int fd = moTepThuong(duongDan, O_RDONLY);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    constexpr size_t khoi = size_t(1) << 18;
    if (dem.co < khoi + kDemSau) {
        dem.du.reset(new char[khoi + kDemSau]);
        dem.co = khoi + kDemSau;
    }
    // dem.du[dau, cuoi) holds the bytes from viTri on that are not handed over yet: the end part of a
    // line whose start lies further back.
    off_t viTri = st.st_size;
    size_t cuoi = dem.co - kDemSau, dau = cuoi;
    while (viTri > 0) {
        const size_t can = size_t(std::min<off_t>(viTri, off_t(khoi)));
        if (dau < can) {
            const size_t dai = cuoi - dau;
            if (dai + can + kDemSau > dem.co) {
                // A line longer than the memory so far.
                size_t moi = dem.co * 2;
                while (moi < dai + can + kDemSau) moi *= 2;
                std::unique_ptr<char[]> du(new char[moi]);
                std::memcpy(du.get() + moi - kDemSau - dai, dem.du.get() + dau, dai);
                dem.du = std::move(du);
                dem.co = moi;
            } else {
                std::memmove(dem.du.get() + dem.co - kDemSau - dai, dem.du.get() + dau, dai);
            }
            cuoi = dem.co - kDemSau;
            dau = cuoi - dai;
        }
        char* const goc = dem.du.get();
        if (!docTai(fd, qint64(viTri) - qint64(can), goc + dau - can, can)) {
            ::close(fd);
            return false;
        }
        viTri -= off_t(can);
        dau -= can;
        while (const void* lf = ::memrchr(goc + dau, '\n', cuoi - dau)) {
            const size_t batDau = size_t(static_cast<const char*>(lf) - goc) + 1;
            // goc[dau] is the byte at viTri in the file.
            if (cuoi > batDau && !moiDong(QByteArrayView(goc + batDau, qsizetype(cuoi - batDau)),
                                          qint64(viTri) + qint64(batDau - dau))) {
                ::close(fd);
                return true;
            }
            cuoi = batDau - 1;
        }
    }
    ::close(fd);
    const char* const dong = dem.du.get() + dau;
    const size_t bom = TepDongJson::coBom(QByteArrayView(dong, qsizetype(cuoi - dau))) ? 3 : 0;
    if (cuoi > dau + bom) moiDong(QByteArrayView(dong + bom, qsizetype(cuoi - dau - bom)), qint64(bom));
    return true;
}
