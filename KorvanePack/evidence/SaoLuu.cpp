#include "evidence/SaoLuu.h"

#include <dirent.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include "core/CaiDat.h"
#include "store/KhoDuLieu.h"
#include "store/TepDongJson.h"

SaoLuu::SaoLuu(KhoDuLieu& kho, CaiDat& caiDat, QObject* parent) : CongSaoLuu(parent), kho_(kho), caiDat_(caiDat) {
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

namespace {

// A descriptor closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int v = -1) : v_(v) {}
    Fd(Fd&& o) noexcept : v_(std::exchange(o.v_, -1)) {}
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) {
            dong();
            v_ = std::exchange(o.v_, -1);
        }
        return *this;
    }
    ~Fd() { dong(); }
    int get() const { return v_; }
    bool mo() const { return v_ >= 0; }
    // Closes now and says whether the close succeeded.
    bool dong() {
        const int v = std::exchange(v_, -1);
        return v < 0 || ::close(v) == 0;
    }

private:
    int v_;
};

struct DinhDanh {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const DinhDanh&) const = default;
};

DinhDanh dinhDanh(const struct stat& st) {
    return {st.st_dev, st.st_ino};
}

std::optional<DinhDanh> dinhDanhFd(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return dinhDanh(st);
}

// Whether the folder held open as fd is one of cam or lies below one of them, found by walking ".." up to the root
// and comparing each folder's device and inode. A path resolved earlier proves nothing once a link on it can be
// changed; the folder held open stays the folder it is. None when the walk could not be finished.
std::optional<bool> namTrongCam(int fd, const std::vector<DinhDanh>& cam) {
    Fd con(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!con.mo()) return std::nullopt;
    auto id = dinhDanhFd(con.get());
    // No real tree is this deep; a loop in it is not followed for ever.
    for (int muc = 0; id && muc < 4096; ++muc) {
        if (std::find(cam.begin(), cam.end(), *id) != cam.end()) return true;
        Fd cha(::openat(con.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!cha.mo()) return std::nullopt;
        const auto idCha = dinhDanhFd(cha.get());
        if (!idCha) return std::nullopt;
        if (*idCha == *id) return false;  // the root is its own parent
        con = std::move(cha);
        id = idCha;
    }
    return std::nullopt;
}

struct ThuMucMo {
    Fd fd;
    SaoLuu::LoiChep loi = SaoLuu::LoiChep::khong;
};

// Opens the folder reached from the backup folder by the components in cacTang, one at a time, following links
// as the kernel would. A level is checked against the data folder before anything is made inside it, and the last
// one always: nothing is ever made inside the data folder, and a run over folders that all exist already costs one
// walk up per file. With tao, a missing level is made (never the backup folder itself).
ThuMucMo moTungTang(const QString& thuMucSaoLuu, const QStringList& cacTang, const std::vector<DinhDanh>& cam,
                    bool tao) {
    using L = SaoLuu::LoiChep;
    ThuMucMo kq;
    bool daKiem = false;
    const auto kiem = [&]() -> L {
        if (daKiem) return L::khong;
        daKiem = true;
        const auto trong = namTrongCam(kq.fd.get(), cam);
        if (!trong) return L::khac;
        return *trong ? L::vaoThuMucDuLieu : L::khong;
    };
    kq.fd = Fd(::open(QFile::encodeName(thuMucSaoLuu).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!kq.fd.mo()) {
        kq.loi = L::khac;
        return kq;
    }
    for (const QString& tang : cacTang) {
        const QByteArray ten = QFile::encodeName(tang);
        if (ten.isEmpty() || ten == "." || ten == ".." || ten.contains('/')) {
            kq.loi = L::biChan;
            return kq;
        }
        const int cha = kq.fd.get();
        Fd con(::openat(cha, ten.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!con.mo() && errno == ENOENT && tao) {
            if ((kq.loi = kiem()) != L::khong) return kq;
            // mkdirat never follows a link: one to nowhere stays and is reported as in the way.
            if (::mkdirat(cha, ten.constData(), 0777) != 0 && errno != EEXIST) {
                kq.loi = L::khac;
                return kq;
            }
            con = Fd(::openat(cha, ten.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        }
        if (!con.mo()) {
            kq.loi = errno == ENOTDIR || errno == ENOENT || errno == ELOOP ? L::biChan : L::khac;
            return kq;
        }
        kq.fd = std::move(con);
        daKiem = false;
    }
    kq.loi = kiem();
    return kq;
}

ThuMucMo moThuMucDich(const QString& thuMucSaoLuu, const QStringList& cacTang, const std::vector<DinhDanh>& cam,
                      bool tao) {
    ThuMucMo kq = moTungTang(thuMucSaoLuu, cacTang, cam, tao);
    // A refused walk hands over no folder at all, not the last one it passed.
    if (kq.loi != SaoLuu::LoiChep::khong) kq.fd = Fd();
    return kq;
}

constexpr int kDuoiTam = 6;

QByteArray tenTam(const QByteArray& ten) {
    static constexpr char kyTu[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray ra = '.' + ten + '.';
    for (int i = 0; i < kDuoiTam; ++i) ra += kyTu[QRandomGenerator::global()->bounded(int(sizeof kyTu - 1))];
    return ra;
}

bool laTenTamCua(std::string_view tam, const QByteArray& ten) {
    if (tam.size() != size_t(ten.size()) + 2 + kDuoiTam || tam[0] != '.' || tam[size_t(ten.size()) + 1] != '.' ||
        tam.substr(1, size_t(ten.size())) != std::string_view(ten.constData(), size_t(ten.size())))
        return false;
    const std::string_view duoi = tam.substr(tam.size() - kDuoiTam);
    return std::all_of(duoi.begin(), duoi.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
}

// Removes the temporary files that copies to ten cut short by a crash left in the folder held open as thuMuc:
// only names of tenTam's exact pattern for ten, only regular files of this user. Copies run one at a time, so
// none of them is being written now.
void donTamCu(int thuMuc, const QByteArray& ten) {
    const int fd = ::openat(thuMuc, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return;
    }
    std::vector<std::string> bo;
    while (const dirent* e = ::readdir(d))
        if (laTenTamCua(e->d_name, ten)) bo.emplace_back(e->d_name);
    for (const std::string& tam : bo) {
        struct stat st {};
        if (::fstatat(thuMuc, tam.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid())
            ::unlinkat(thuMuc, tam.c_str(), 0);
    }
    ::closedir(d);
}

// Copies nguon to the name ten inside the folder held open as thuMuc, through a temporary file in that folder that
// is renamed over the name once whole and synced. conDung, when given, is asked right before the rename whether
// the folder may still receive the copy, and says why not.
SaoLuu::LoiChep chepVaoFd(int thuMuc, const QByteArray& ten, const QString& nguon, const QString& sha256,
                          const SaoLuu::KhiChep& khiChep, const std::function<SaoLuu::LoiChep()>& conDung) {
    using L = SaoLuu::LoiChep;
    // Non-blocking, so a named pipe put in the source's place cannot hang the worker; a regular file ignores it.
    Fd vao(::open(QFile::encodeName(nguon).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat sn {};
    if (!vao.mo() || ::fstat(vao.get(), &sn) != 0 || !S_ISREG(sn.st_mode)) return L::khac;

    // The data folder reached again through the backup path: the only copy would count as its own backup.
    struct stat sd {};
    if (::fstatat(thuMuc, ten.constData(), &sd, 0) == 0 && dinhDanh(sd) == dinhDanh(sn)) return L::chinhTepGoc;
    bool daCo = false;
    if (::fstatat(thuMuc, ten.constData(), &sd, AT_SYMLINK_NOFOLLOW) == 0) {
        // A link is no copy: the file it names lies elsewhere, so it is replaced like a stale copy.
        if (S_ISREG(sd.st_mode) && sd.st_size == sn.st_size) return L::khong;
        // A directory or anything else squatting on the destination is never removed.
        if (!S_ISREG(sd.st_mode) && !S_ISLNK(sd.st_mode)) return L::biChan;
        daCo = true;
    } else if (errno != ENOENT) {
        return L::khac;
    }

    donTamCu(thuMuc, ten);
    QByteArray tam;
    Fd ra;
    for (int lan = 0; lan < 100 && !ra.mo(); ++lan) {
        tam = tenTam(ten);
        ra = Fd(::openat(thuMuc, tam.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!ra.mo() && errno != EEXIST) return L::khac;
    }
    if (!ra.mo()) return L::khac;
    const auto boDi = [&](L loi) {
        ra.dong();
        ::unlinkat(thuMuc, tam.constData(), 0);
        return loi;
    };

    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> bam(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!bam || EVP_DigestInit_ex(bam.get(), EVP_sha256(), nullptr) != 1) return boDi(L::khac);
    QByteArray khoi(1 << 20, Qt::Uninitialized);
    qint64 daChep = 0;
    for (;;) {
        const ssize_t n = ::read(vao.get(), khoi.data(), size_t(khoi.size()));
        if (n < 0) {
            if (errno == EINTR) continue;
            return boDi(L::khac);
        }
        if (n == 0) break;
        // Only a replacement needs the fingerprint; a first copy destroys nothing.
        if (daCo) EVP_DigestUpdate(bam.get(), khoi.constData(), size_t(n));
        for (ssize_t viet = 0; viet < n;) {
            const ssize_t w = ::write(ra.get(), khoi.constData() + viet, size_t(n - viet));
            if (w < 0) {
                if (errno == EINTR) continue;
                return boDi(L::khac);
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
    if (daChep != qint64(sn.st_size)) return boDi(L::khac);
    // A good copy is only ever given up for a source that still is the recorded file.
    if (daCo && !khopVanTay) return boDi(L::khac);
    // The temporary file is made private; the copy takes the recording's own permissions.
    ::fchmod(ra.get(), sn.st_mode & 07777 & ~mode_t(S_ISUID | S_ISGID));
    if (::fsync(ra.get()) != 0) return boDi(L::khac);
    if (!ra.dong()) return boDi(L::khac);
    if (conDung) {
        if (const L loi = conDung(); loi != L::khong) return boDi(loi);
    }
    if (::renameat(thuMuc, tam.constData(), thuMuc, ten.constData()) != 0) return boDi(L::khac);
    // Until the folder is synced the new name may not survive a power cut: no copy to count, and none left to be
    // taken for one (by its size) by the next run.
    if (!TepDongJson::dongBoThuMucMo(thuMuc)) {
        ::unlinkat(thuMuc, ten.constData(), 0);
        return L::khac;
    }
    return L::khong;
}

}  // namespace

bool SaoLuu::chepNeuCan(const QString& nguon, const QString& dich, const QString& sha256, const KhiChep& khiChep) {
    if (!QFileInfo(nguon).isFile()) return false;
    const QFileInfo tinDich(dich);
    const QString thuMuc = tinDich.absolutePath();
    // Not made yet when the source is the file itself, reached through a link above a missing folder.
    struct stat sn {
    }, sd{};
    if (::stat(QFile::encodeName(nguon).constData(), &sn) == 0 &&
        ::stat(QFile::encodeName(dich).constData(), &sd) == 0 && dinhDanh(sn) == dinhDanh(sd))
        return false;
    if (!QDir().mkpath(thuMuc)) return false;
    Fd fd(::open(QFile::encodeName(thuMuc).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.mo()) return false;
    return chepVaoFd(fd.get(), QFile::encodeName(tinDich.fileName()), nguon, sha256, khiChep, {}) == LoiChep::khong;
}

SaoLuu::KetQuaChep SaoLuu::chepVaoThuMuc(const QString& thuMucGoc, const QString& thuMucSaoLuu, const QString& nguon,
                                         const QString& dich, const QString& sha256, const KhiChep& khiChep) {
    KetQuaChep kq;
    kq.viTri = soVoiThuMucGoc(thuMucGoc, thuMucSaoLuu);
    if (kq.viTri != ViTri::rieng || !sanSang(thuMucGoc, thuMucSaoLuu)) {
        kq.loi = LoiChep::khac;
        return kq;
    }
    const auto xong = [&](LoiChep loi) {
        kq.loi = loi;
        return kq;
    };
    // The destination as a relative path below the backup folder, as duongDanBanSao made it.
    const QString sao = QDir::cleanPath(thuMucSaoLuu);
    const QString sach = QDir::cleanPath(dich);
    if (!namDuoi(sach, sao)) return xong(LoiChep::khac);
    QStringList cacTang = sach.mid(sao.size()).split(u'/', Qt::SkipEmptyParts);
    if (cacTang.isEmpty()) return xong(LoiChep::khac);
    const QByteArray ten = QFile::encodeName(cacTang.takeLast());

    // Read only, so it may look through links into the data folder: the destination named is the source itself.
    struct stat sn {
    }, sd{}, sg{};
    if (::stat(QFile::encodeName(nguon).constData(), &sn) != 0) return xong(LoiChep::khac);
    if (::stat(QFile::encodeName(sach).constData(), &sd) == 0 && dinhDanh(sn) == dinhDanh(sd))
        return xong(LoiChep::chinhTepGoc);
    // The source's own folder as well as the data folder: a bind mount of the day folder is caught by it.
    if (::stat(QFile::encodeName(thuMucGoc).constData(), &sg) != 0) return xong(LoiChep::khac);
    std::vector<DinhDanh> cam{dinhDanh(sg)};
    if (::stat(QFile::encodeName(QFileInfo(nguon).absolutePath()).constData(), &sd) == 0) cam.push_back(dinhDanh(sd));

    ThuMucMo mo = moThuMucDich(sao, cacTang, cam, true);
    if (mo.loi != LoiChep::khong) return xong(mo.loi);
    const int fd = mo.fd.get();
    // Right before the rename: the folder held open may have been moved since it was checked, or a link on the
    // path swapped so that the path no longer leads to it; either way the copy would not be where it is counted.
    const auto conDung = [&]() -> LoiChep {
        const auto trong = namTrongCam(fd, cam);
        if (!trong) return LoiChep::khac;
        if (*trong) return LoiChep::vaoThuMucDuLieu;
        const ThuMucMo lai = moThuMucDich(sao, cacTang, cam, false);
        if (lai.loi == LoiChep::vaoThuMucDuLieu) return lai.loi;
        if (lai.loi != LoiChep::khong) return LoiChep::khac;
        return dinhDanhFd(lai.fd.get()) == dinhDanhFd(fd) ? LoiChep::khong : LoiChep::khac;
    };
    return xong(chepVaoFd(fd, ten, nguon, sha256, khiChep, conDung));
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
    QPointer<SaoLuu> ban(this);
    tho_.start(
        [ban, goc = kho_.thuMucGoc(), sao = caiDat_.thuMucSaoLuu(), nguon = bg.filePath, d = *dich, sha = bg.sha256] {
            nhuongUuTien();
            chepVaoThuMuc(goc, sao, nguon, d, sha);
            QMetaObject::invokeMethod(
                ban.data(),
                [ban] {
                    if (ban) emit ban->xongMotLanChep();
                },
                Qt::QueuedConnection);
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
                    ban->ketThuc(tong, Dem{.loi = tong}, viTri);
                else if (ds->empty())
                    ban->ketThuc(0, Dem{});
                else
                    ban->chayTiep(ds, 0, Dem{});
            },
            Qt::QueuedConnection);
    });
}

void SaoLuu::chayTiep(std::shared_ptr<std::vector<Viec>> ds, size_t i, Dem dem) {
    const int tong = static_cast<int>(ds->size());
    if (i == ds->size()) {
        ketThuc(tong, dem);
        return;
    }
    const Viec v = (*ds)[i];
    QPointer<SaoLuu> ban(this);
    tho_.start([v, ban, ds, i, dem, tong] {
        nhuongUuTien();
        const KetQuaChep kq = chepVaoThuMuc(v.thuMucGoc, v.thuMucSaoLuu, v.nguon, v.dich, v.sha256);
        QMetaObject::invokeMethod(
            ban.data(),
            [ban, ds, i, kq, dem, tong] {
                if (!ban) return;
                // The folder is no backup at all: nothing is tried, and every file stays without a copy.
                if (kq.viTri != ViTri::rieng) {
                    ban->ketThuc(tong, Dem{.loi = tong}, kq.viTri);
                    return;
                }
                Dem moi = dem;
                if (!kq.daChep()) {
                    ++moi.loi;
                    if (kq.loi == LoiChep::vaoThuMucDuLieu) ++moi.vaoThuMucDuLieu;
                    if (kq.loi == LoiChep::chinhTepGoc) ++moi.chinhTepGoc;
                    if (kq.loi == LoiChep::biChan) ++moi.biChan;
                }
                ban->datTrangThai(QStringLiteral("Đã xử lý %1/%2…").arg(i + 1).arg(tong));
                ban->chayTiep(ds, i + 1, moi);
            },
            Qt::QueuedConnection);
    });
}

void SaoLuu::ketThuc(int tong, const Dem& dem, ViTri viTri) {
    const int loi = dem.loi;
    const int xong = tong - loi;
    const int khac = loi - dem.vaoThuMucDuLieu - dem.chinhTepGoc - dem.biChan;
    if (viTri != ViTri::rieng) {
        datTrangThai(QStringLiteral("Không chép gì. ") + lyDo(viTri));
    } else if (loi > 0 && khac == loi) {
        datTrangThai(QStringLiteral("Xong %1/%2. %3 file không chép được (ổ đã rút ra, hoặc hết chỗ).")
                         .arg(xong)
                         .arg(tong)
                         .arg(loi));
    } else if (loi > 0) {
        // A link in the backup folder is the owner's to remove; the drive's hint would send them the wrong way.
        QStringList vi;
        if (dem.vaoThuMucDuLieu > 0)
            vi << QStringLiteral("%1 file vì một liên kết trong thư mục sao lưu dẫn vào thư mục dữ liệu")
                      .arg(dem.vaoThuMucDuLieu);
        if (dem.chinhTepGoc > 0)
            vi << QStringLiteral("%1 file vì chỗ của bản sao dẫn về chính tệp gốc").arg(dem.chinhTepGoc);
        if (dem.biChan > 0)
            vi << QStringLiteral("%1 file vì một tệp hoặc một liên kết hỏng chắn đường trong thư mục sao lưu")
                      .arg(dem.biChan);
        if (khac > 0) vi << QStringLiteral("%1 file (ổ đã rút ra, hoặc hết chỗ)").arg(khac);
        datTrangThai(QStringLiteral("Xong %1/%2. %3 file không chép được: %4.")
                         .arg(xong)
                         .arg(tong)
                         .arg(loi)
                         .arg(vi.join(QStringLiteral("; "))));
    } else {
        datTrangThai(QStringLiteral("Xong — %1 video đã có bản sao.").arg(tong));
    }
    QMap<QString, QString> chiTiet{{QStringLiteral("tong"), QString::number(tong)},
                                   {QStringLiteral("loi"), QString::number(loi)}};
    if (dem.vaoThuMucDuLieu > 0)
        chiTiet.insert(QStringLiteral("loiVaoThuMucDuLieu"), QString::number(dem.vaoThuMucDuLieu));
    if (dem.chinhTepGoc > 0) chiTiet.insert(QStringLiteral("loiChinhTepGoc"), QString::number(dem.chinhTepGoc));
    if (dem.biChan > 0) chiTiet.insert(QStringLiteral("loiBiChan"), QString::number(dem.biChan));
    kho_.nhatKy().ghi(QStringLiteral("backup"), chiTiet);
    datDangChay(false);
    emit xongBuToanBo();
    emit xongMotLanChep();
}
