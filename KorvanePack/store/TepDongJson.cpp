#include "store/TepDongJson.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

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

void dongBoThuMuc(const QString& thuMuc) {
    const int fd = ::open(ten(thuMuc).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Repairs the tail of an open file; returns the length the file has afterwards, or -1.
off_t suaDuoiFd(int fd) {
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
    if (DocJson::docDoiTuong(std::string_view(manh.constData(), static_cast<size_t>(manh.size())))) {
        if (::pwrite(fd, "\n", 1, co) != 1 || ::fsync(fd) != 0) {
            if (::ftruncate(fd, co) != 0) return -1;
            return -1;
        }
        return co + 1;
    }
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

void TepDongJson::donTepTam(const QString& thuMuc) {
    static const QRegularExpression mau(QStringLiteral("^\\..+\\.tam-[0-9a-z]+$"));
    const QDir d(thuMuc);
    for (const QString& ten : d.entryList(QDir::Files | QDir::Hidden))
        if (mau.match(ten).hasMatch()) QFile::remove(d.filePath(ten));
}

bool TepDongJson::laDongTrong(QByteArrayView dong) {
    for (const char c : dong)
        if (c != ' ' && c != '\t' && c != '\r') return false;
    return true;
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
        dongBoThuMuc(d);
        if (d == moiNhat || QFileInfo(d).absolutePath() == d) {
            dongBoThuMuc(QFileInfo(d).absolutePath());
            break;
        }
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
    dongBoThuMuc(thuMuc);
    return true;
}

void TepDongJson::noiDong(const QString& duongDan, QByteArrayView dong) {
    for (int lan = 0; lan < 2; ++lan) {
        const int fd = ::open(ten(duongDan).constData(), O_RDWR | O_APPEND | O_CLOEXEC);
        if (fd < 0) {
            if (errno != ENOENT) throw LoiTep(moTaLoiHeThong(QStringLiteral("Không mở được tệp ") + duongDan, errno));
            // Another writer may have created the file since; then append to it instead.
            if (ghiNguyenTu(duongDan, dong, true)) return;
            continue;
        }
        const off_t truoc = suaDuoiFd(fd);
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
        if (::close(fd) != 0 && errno != EINTR) {
            throw LoiTep(moTaLoiHeThong(QStringLiteral("Không đóng được tệp ") + duongDan, errno));
        }
        return;
    }
    throw LoiTep(QStringLiteral("Không ghi được tệp ") + duongDan);
}

bool TepDongJson::suaDuoi(const QString& duongDan) {
    const int fd = ::open(ten(duongDan).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = suaDuoiFd(fd) >= 0;
    ::close(fd);
    return ok;
}

std::optional<QByteArray> TepDongJson::docToanBo(const QString& duongDan) {
    const int fd = ::open(ten(duongDan).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
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
