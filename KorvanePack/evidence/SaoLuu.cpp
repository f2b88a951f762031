#include "evidence/SaoLuu.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <cstdio>
#include <memory>

#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "store/KhoDuLieu.h"

SaoLuu::SaoLuu(KhoDuLieu& kho, CaiDat& caiDat, QObject* parent) : QObject(parent), kho_(kho), caiDat_(caiDat) {
    tho_.setMaxThreadCount(1);
    tho_.setThreadPriority(QThread::LowPriority);
}

SaoLuu::~SaoLuu() {
    tho_.waitForDone();
}

void SaoLuu::choHetViec() {
    tho_.waitForDone();
}

bool SaoLuu::coThuMuc() const {
    return !caiDat_.thuMucSaoLuu().isEmpty();
}

std::optional<QString> SaoLuu::duongDanBanSao(const QString& filePath) const {
    return duongDanBanSao(kho_.thuMucGoc(), caiDat_.thuMucSaoLuu(), filePath);
}

std::optional<QString> SaoLuu::duongDanBanSao(const QString& thuMucGoc, const QString& thuMucSaoLuu,
                                              const QString& filePath) {
    if (thuMucSaoLuu.isEmpty() || thuMucGoc.isEmpty() || filePath.isEmpty()) return std::nullopt;
    if (!QDir::isAbsolutePath(filePath) || !QDir::isAbsolutePath(thuMucSaoLuu)) return std::nullopt;
    const QString goc = QDir::cleanPath(thuMucGoc);
    const QString tep = QDir::cleanPath(filePath);
    const QString tuongDoi = QDir(goc).relativeFilePath(tep);
    if (tuongDoi.isEmpty() || tuongDoi == QStringLiteral(".") || tuongDoi == QStringLiteral("..") ||
        tuongDoi.startsWith(QStringLiteral("../")) || QDir::isAbsolutePath(tuongDoi))
        return std::nullopt;
    const QString sao = QDir::cleanPath(thuMucSaoLuu);
    const QString dich = QDir::cleanPath(sao + u'/' + tuongDoi);
    // The backup folder itself, or anything the relative part could climb out to, is never a destination.
    const QString tienTo = sao.endsWith(u'/') ? sao : sao + u'/';
    if (!dich.startsWith(tienTo) || dich.size() == tienTo.size()) return std::nullopt;
    return dich;
}

namespace {

bool dongBoThuMuc(const QString& thuMuc) {
    const int fd = ::open(QFile::encodeName(thuMuc).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Thread priorities mean nothing under Linux's default scheduler, so the worker lowers its own CPU nice value
// and its I/O class instead: the encoder and the store's appends keep the disk first.
void nhuongUuTien() {
    thread_local bool daHa = false;
    if (daHa) return;
    daHa = true;
    const pid_t tid = static_cast<pid_t>(::syscall(SYS_gettid));
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), 10);
    constexpr int ioprioWhoProcess = 1, ioprioClassBe = 2, ioprioClassShift = 13;
    ::syscall(SYS_ioprio_set, ioprioWhoProcess, tid, (ioprioClassBe << ioprioClassShift) | 7);
}

QString hex(const unsigned char* d, unsigned n) {
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(d), int(n)).toHex());
}

}  // namespace

bool SaoLuu::chepNeuCan(const QString& nguon, const QString& dich, const QString& sha256, const KhiChep& khiChep) {
    const QFileInfo tin(nguon);
    if (!tin.isFile()) return false;
    const QFileInfo tinDich(dich);
    const bool daCo = tinDich.exists();
    const qint64 coNguon = tin.size();
    if (daCo && tinDich.isFile() && tinDich.size() == coNguon) return true;
    // A directory or anything else squatting on the destination is never removed.
    if (daCo && !tinDich.isFile()) return false;

    const QString thuMuc = tinDich.absolutePath();
    if (!QDir().mkpath(thuMuc)) return false;

    QFile vao(nguon);
    if (!vao.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return false;
    QByteArray mau = QFile::encodeName(thuMuc + QStringLiteral("/.") + tinDich.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(mau.data(), O_CLOEXEC);
    if (fd < 0) return false;
    const QByteArray tam = mau;
    auto boDi = [&] {
        ::close(fd);
        ::unlink(tam.constData());
        return false;
    };

    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> bam(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!bam || EVP_DigestInit_ex(bam.get(), EVP_sha256(), nullptr) != 1) return boDi();
    QByteArray khoi(1 << 20, Qt::Uninitialized);
    qint64 daChep = 0;
    for (;;) {
        const qint64 n = vao.read(khoi.data(), khoi.size());
        if (n < 0) return boDi();
        if (n == 0) break;
        // Only a replacement needs the fingerprint; a first copy destroys nothing.
        if (daCo) EVP_DigestUpdate(bam.get(), khoi.constData(), size_t(n));
        for (qint64 viet = 0; viet < n;) {
            const ssize_t w = ::write(fd, khoi.constData() + viet, size_t(n - viet));
            if (w < 0) {
                if (errno == EINTR) continue;
                return boDi();
            }
            viet += w;
        }
        daChep += n;
        if (khiChep) khiChep();
    }
    unsigned char so[EVP_MAX_MD_SIZE];
    unsigned soLen = 0;
    EVP_DigestFinal_ex(bam.get(), so, &soLen);
    const bool khopVanTay = !sha256.isEmpty() && hex(so, soLen) == sha256;
    // A source that changed while it was read is no copy of anything.
    if (daChep != coNguon) return boDi();
    // A good copy is only ever given up for a source that still is the recorded file.
    if (daCo && !khopVanTay) return boDi();
    // mkostemp makes the file private; the copy takes the recording's own permissions.
    struct stat tt {};
    if (::fstat(vao.handle(), &tt) == 0) ::fchmod(fd, tt.st_mode & 07777 & ~mode_t(S_ISUID | S_ISGID));
    if (::fsync(fd) != 0) return boDi();
    if (::close(fd) != 0) {
        ::unlink(tam.constData());
        return false;
    }
    if (::rename(tam.constData(), QFile::encodeName(dich).constData()) != 0) {
        ::unlink(tam.constData());
        return false;
    }
    dongBoThuMuc(thuMuc);
    return true;
}

bool SaoLuu::chepVaoThuMuc(const QString& thuMucSaoLuu, const QString& nguon, const QString& dich,
                           const QString& sha256) {
    return QFileInfo(thuMucSaoLuu).isDir() && chepNeuCan(nguon, dich, sha256);
}

void SaoLuu::saoLuuMot(const BanGhiVideo& bg) {
    const auto dich = duongDanBanSao(bg.filePath);
    if (!dich) return;
    tho_.start([goc = caiDat_.thuMucSaoLuu(), nguon = bg.filePath, d = *dich, sha = bg.sha256] {
        nhuongUuTien();
        chepVaoThuMuc(goc, nguon, d, sha);
    });
}

void SaoLuu::noiVaoDieuPhoi(SaoLuu* saoLuu, BoDieuPhoi& dieuPhoi) {
    dieuPhoi.khiLuuXong = [yeu = QPointer<SaoLuu>(saoLuu)](const BanGhiVideo& bg) {
        if (yeu) yeu->saoLuuMot(bg);
    };
}

void SaoLuu::datTrangThai(const QString& s) {
    if (s == trangThai_) return;
    trangThai_ = s;
    emit trangThaiChanged();
}

void SaoLuu::datDangChay(bool b) {
    if (b == dangChay_) return;
    dangChay_ = b;
    emit dangChayChanged();
}

void SaoLuu::saoLuuBuToanBo() {
    if (!coThuMuc()) {
        datTrangThai(QStringLiteral("Chưa chọn thư mục sao lưu."));
        return;
    }
    if (dangChay_) return;
    datDangChay(true);
    datTrangThai(QStringLiteral("Đang kiểm tra…"));

    auto ds = std::make_shared<std::vector<Viec>>();
    for (const BanGhiVideo& bg : kho_.videoTheoId()) {
        if (bg.deleted && *bg.deleted) continue;
        const auto dich = duongDanBanSao(bg.filePath);
        if (!dich) continue;
        ds->push_back({bg.filePath, *dich, bg.sha256, caiDat_.thuMucSaoLuu()});
    }
    if (ds->empty()) {
        ketThuc(0, 0);
        return;
    }
    chayTiep(ds, 0, 0, 0);
}

void SaoLuu::chayTiep(std::shared_ptr<std::vector<Viec>> ds, size_t i, int xong, int loi) {
    const int tong = static_cast<int>(ds->size());
    if (i == ds->size()) {
        ketThuc(tong, loi);
        return;
    }
    const Viec v = (*ds)[i];
    QPointer<SaoLuu> ban(this);
    tho_.start([v, ban, ds, i, xong, loi, tong] {
        nhuongUuTien();
        const bool ok = chepVaoThuMuc(v.thuMucSaoLuu, v.nguon, v.dich, v.sha256);
        QMetaObject::invokeMethod(
            ban.data(),
            [ban, ds, i, ok, xong, loi, tong] {
                if (!ban) return;
                const int xong2 = xong + (ok ? 1 : 0);
                const int loi2 = loi + (ok ? 0 : 1);
                ban->datTrangThai(QStringLiteral("Đã xử lý %1/%2…").arg(xong2 + loi2).arg(tong));
                ban->chayTiep(ds, i + 1, xong2, loi2);
            },
            Qt::QueuedConnection);
    });
}

void SaoLuu::ketThuc(int tong, int loi) {
    const int xong = tong - loi;
    if (loi > 0)
        datTrangThai(QStringLiteral("Xong %1/%2. %3 file không chép được (ổ đã rút ra, hoặc hết chỗ).")
                         .arg(xong)
                         .arg(tong)
                         .arg(loi));
    else
        datTrangThai(QStringLiteral("Xong — %1 video đã có bản sao.").arg(tong));
    kho_.ghiNhatKy(QStringLiteral("backup"),
                   {{QStringLiteral("tong"), QString::number(tong)}, {QStringLiteral("loi"), QString::number(loi)}});
    datDangChay(false);
    emit xongBuToanBo();
}
