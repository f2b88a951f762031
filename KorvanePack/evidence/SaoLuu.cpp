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
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/CaiDat.h"
#include "store/KhoDuLieu.h"
#include "store/TepDongJson.h"

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

// The path as the file system reaches it: the part that exists goes through realpath, so links and ".." after
// a link land where the kernel would; a missing tail cannot hold a link and is only tidied.
QString duongDanThat(const QString& duongDan) {
    if (duongDan.isEmpty()) return {};
    QString con = QDir::isAbsolutePath(duongDan) ? duongDan : QFileInfo(duongDan).absoluteFilePath();
    QStringList duoi;
    for (;;) {
        if (char* r = ::realpath(QFile::encodeName(con).constData(), nullptr)) {
            QString that = QFile::decodeName(r);
            std::free(r);
            if (!duoi.isEmpty()) that += u'/' + duoi.join(u'/');
            return QDir::cleanPath(that);
        }
        const qsizetype i = con.lastIndexOf(u'/');
        if (i < 0) return QDir::cleanPath(duongDan);
        duoi.prepend(con.mid(i + 1));
        con = i == 0 ? QStringLiteral("/") : con.left(i);
    }
}

bool namDuoi(const QString& con, const QString& cha) {
    const QString tienTo = cha.endsWith(u'/') ? cha : cha + u'/';
    return con.startsWith(tienTo);
}

std::optional<dev_t> thietBi(const QString& duongDan) {
    struct stat st {};
    if (::stat(QFile::encodeName(duongDan).constData(), &st) != 0) return std::nullopt;
    return st.st_dev;
}

QString hex(const unsigned char* d, unsigned n) {
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(d), int(n)).toHex());
}

}  // namespace

SaoLuu::ViTri SaoLuu::soVoiThuMucGoc(const QString& thuMucGoc, const QString& thuMucSaoLuu) {
    const QString goc = duongDanThat(thuMucGoc);
    const QString sao = duongDanThat(thuMucSaoLuu);
    if (goc.isEmpty() || sao.isEmpty()) return ViTri::rieng;
    if (goc == sao) return ViTri::trung;
    if (namDuoi(sao, goc)) return ViTri::namTrong;
    if (namDuoi(goc, sao)) return ViTri::chuaGoc;
    return ViTri::rieng;
}

QString SaoLuu::lyDo(ViTri viTri) {
    switch (viTri) {
        case ViTri::trung:
            return QStringLiteral(
                "Thư mục sao lưu trùng với thư mục dữ liệu, nên không có bản sao thứ hai nào. "
                "Hãy chọn thư mục khác, tốt nhất ở ổ ngoài.");
        case ViTri::namTrong:
            return QStringLiteral(
                "Thư mục sao lưu nằm trong thư mục dữ liệu: bản sao ở chung ổ với bản gốc và "
                "không bao giờ được dọn. Hãy chọn thư mục ở ngoài thư mục dữ liệu.");
        case ViTri::chuaGoc:
            return QStringLiteral(
                "Thư mục sao lưu chứa cả thư mục dữ liệu, nên sao lưu sẽ chép vào chính nó. "
                "Hãy chọn thư mục ở ngoài thư mục dữ liệu.");
        case ViTri::rieng:
            break;
    }
    return {};
}

bool SaoLuu::danhDauThuMuc(const QString& thuMucSaoLuu) {
    if (thuMucSaoLuu.isEmpty() || !QFileInfo(thuMucSaoLuu).isDir()) return false;
    const QByteArray noiDung =
        QStringLiteral(
            "Korvane Zize: thư mục sao lưu video.\n"
            "Đừng xoá tệp này. Thiếu nó, phần mềm coi như ổ sao lưu đã rút ra và không chép vào đây "
            "nữa; muốn dùng lại thì chọn lại thư mục trong Cài đặt, mục Sao lưu.\n")
            .toUtf8();
    try {
        TepDongJson::ghiNguyenTu(thuMucSaoLuu + u'/' + kTepDanhDau, noiDung);
    } catch (const std::exception&) {
        return false;
    }
    return QFileInfo(thuMucSaoLuu + u'/' + kTepDanhDau).isFile();
}

bool SaoLuu::nhanThuMucCu(const QString& thuMucGoc, const QString& thuMucSaoLuu, const QStringList& noiGanO) {
    static const QRegularExpression nam(QStringLiteral("^[0-9]{4}$"));
    const QStringList cacNam =
        QDir(thuMucSaoLuu + QStringLiteral("/videos")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (std::none_of(cacNam.begin(), cacNam.end(), [](const QString& t) { return nam.match(t).hasMatch(); }))
        return false;
    // A drive unplugged before this desk was updated may have left its mount point filled with copies on the
    // internal disk; adopting that would keep filling it.
    const QString sao = duongDanThat(thuMucSaoLuu);
    const bool oNoiGan = std::any_of(noiGanO.begin(), noiGanO.end(), [&](const QString& noi) {
        const QString that = duongDanThat(noi);
        return sao == that || namDuoi(sao, that);
    });
    if (!oNoiGan) return true;
    const auto cua = thietBi(sao);
    if (!cua) return false;
    return cua != thietBi(QStringLiteral("/")) && cua != thietBi(thuMucGoc);
}

bool SaoLuu::chepNeuCan(const QString& nguon, const QString& dich, const QString& sha256, const KhiChep& khiChep) {
    const QFileInfo tin(nguon);
    if (!tin.isFile()) return false;
    const QFileInfo tinDich(dich);
    const bool daCo = tinDich.exists();
    // The data folder reached again through the backup path: the only copy would count as its own backup.
    {
        struct stat sn {
        }, sd{};
        if (daCo && ::stat(QFile::encodeName(nguon).constData(), &sn) == 0 &&
            ::stat(QFile::encodeName(dich).constData(), &sd) == 0 && sn.st_dev == sd.st_dev && sn.st_ino == sd.st_ino)
            return false;
    }
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

SaoLuu::KetQuaChep SaoLuu::chepVaoThuMuc(const QString& thuMucGoc, const QString& thuMucSaoLuu, const QString& nguon,
                                         const QString& dich, const QString& sha256) {
    KetQuaChep kq;
    kq.viTri = soVoiThuMucGoc(thuMucGoc, thuMucSaoLuu);
    if (kq.viTri != ViTri::rieng || !sanSang(thuMucGoc, thuMucSaoLuu)) return kq;
    kq.daChep = chepNeuCan(nguon, dich, sha256);
    return kq;
}

bool SaoLuu::sanSang(const QString& thuMucGoc, const QString& thuMucSaoLuu) {
    if (!QFileInfo(thuMucSaoLuu).isDir()) return false;
    if (QFileInfo(thuMucSaoLuu + u'/' + kTepDanhDau).isFile()) return true;
    return nhanThuMucCu(thuMucGoc, thuMucSaoLuu) && danhDauThuMuc(thuMucSaoLuu);
}

void SaoLuu::kiemTraThuMuc(std::function<void(TinhTrang)> traLoi) {
    QPointer<SaoLuu> ban(this);
    tho_.start([ban, goc = kho_.thuMucGoc(), sao = caiDat_.thuMucSaoLuu(), traLoi = std::move(traLoi)] {
        TinhTrang tt;
        if (!sao.isEmpty()) {
            tt.viTri = soVoiThuMucGoc(goc, sao);
            tt.sanSang = tt.viTri == ViTri::rieng && sanSang(goc, sao);
        }
        QMetaObject::invokeMethod(
            ban.data(),
            [ban, tt, traLoi] {
                if (ban) traLoi(tt);
            },
            Qt::QueuedConnection);
    });
}

void SaoLuu::saoLuuMot(const BanGhiVideo& bg) {
    const auto dich = duongDanBanSao(bg.filePath);
    if (!dich) return;
    tho_.start([goc = kho_.thuMucGoc(), sao = caiDat_.thuMucSaoLuu(), nguon = bg.filePath, d = *dich, sha = bg.sha256] {
        nhuongUuTien();
        chepVaoThuMuc(goc, sao, nguon, d, sha);
    });
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
        ds->push_back({bg.filePath, *dich, bg.sha256, kho_.thuMucGoc(), caiDat_.thuMucSaoLuu()});
    }
    // The folder's place is settled on the worker: resolving links may touch a slow or vanished drive.
    QPointer<SaoLuu> ban(this);
    tho_.start([ban, ds, goc = kho_.thuMucGoc(), sao = caiDat_.thuMucSaoLuu()] {
        const ViTri viTri = soVoiThuMucGoc(goc, sao);
        QMetaObject::invokeMethod(
            ban.data(),
            [ban, ds, viTri] {
                if (!ban) return;
                const int tong = static_cast<int>(ds->size());
                if (viTri != ViTri::rieng)
                    ban->ketThuc(tong, tong, viTri);
                else if (ds->empty())
                    ban->ketThuc(0, 0);
                else
                    ban->chayTiep(ds, 0, 0, 0);
            },
            Qt::QueuedConnection);
    });
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
        const KetQuaChep kq = chepVaoThuMuc(v.thuMucGoc, v.thuMucSaoLuu, v.nguon, v.dich, v.sha256);
        QMetaObject::invokeMethod(
            ban.data(),
            [ban, ds, i, kq, xong, loi, tong] {
                if (!ban) return;
                // The folder is no backup at all: nothing is tried, and every file stays without a copy.
                if (kq.viTri != ViTri::rieng) {
                    ban->ketThuc(tong, tong, kq.viTri);
                    return;
                }
                const bool ok = kq.daChep;
                const int xong2 = xong + (ok ? 1 : 0);
                const int loi2 = loi + (ok ? 0 : 1);
                ban->datTrangThai(QStringLiteral("Đã xử lý %1/%2…").arg(xong2 + loi2).arg(tong));
                ban->chayTiep(ds, i + 1, xong2, loi2);
            },
            Qt::QueuedConnection);
    });
}

void SaoLuu::ketThuc(int tong, int loi, ViTri viTri) {
    const int xong = tong - loi;
    if (viTri != ViTri::rieng)
        datTrangThai(QStringLiteral("Không chép gì. ") + lyDo(viTri));
    else if (loi > 0)
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
