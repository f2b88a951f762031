#include "LoiNhapXuatGia.h"

#include <dlfcn.h>
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace {

enum Loai { dongTep, dongBoThuMuc, dongBoDuLieu, soLoai };

// One flag per kind, so that a call of a kind not armed passes straight through: no stat, no lock.
std::atomic<bool> coBat[soLoai] = {};
std::atomic<int> soLoi{0};

// Built on first use and never destroyed: arming from the environment at load time must not meet them
// unconstructed, and a close() in the program's last exit handlers must not meet them destroyed.
struct CacDoan {
    std::mutex khoa;
    std::string doan[soLoai];
};
CacDoan& cacDoan() {
    static CacDoan* const c = new CacDoan;
    return *c;
}

template <class Ham>
Ham hamThat(const char* ten) {
    return reinterpret_cast<Ham>(dlsym(RTLD_NEXT, ten));
}

std::string duongDanCua(int fd) {
    char ten[64];
    std::snprintf(ten, sizeof ten, "/proc/self/fd/%d", fd);
    char dich[4096];
    const int e = errno;
    const ssize_t n = ::readlink(ten, dich, sizeof dich);
    errno = e;
    return n > 0 ? std::string(dich, size_t(n)) : std::string();
}

// Whether a call on fd is to fail: the armed text for its kind of fault is part of its path, and the fd is
// a folder for a folder's sync and a file otherwise.
bool trung(int fd, Loai loai) {
    if (!coBat[loai].load(std::memory_order_relaxed)) return false;
    struct stat st;
    const int e = errno;
    const bool laThuMuc = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    errno = e;
    if (laThuMuc != (loai == dongBoThuMuc)) return false;
    const std::string p = duongDanCua(fd);
    CacDoan& c = cacDoan();
    std::lock_guard g(c.khoa);
    const std::string& doan = c.doan[loai];
    return !doan.empty() && p.find(doan) != std::string::npos;
}

void bat(Loai loai, const std::string& duongDan) {
    CacDoan& c = cacDoan();
    std::lock_guard g(c.khoa);
    c.doan[loai] = duongDan;
    coBat[loai] = !duongDan.empty();
}

// Arms what the environment names, for a program that has the faults preloaded rather than linked.
__attribute__((constructor)) void batTheoMoiTruong() {
    const std::pair<const char*, Loai> cac[] = {{"KORVANE_LOI_DONG_TEP", dongTep},
                                                {"KORVANE_LOI_DONG_BO_THU_MUC", dongBoThuMuc},
                                                {"KORVANE_LOI_DONG_BO_DU_LIEU", dongBoDuLieu}};
    for (const auto& [ten, loai] : cac) {
        const char* v = std::getenv(ten);
        if (v && *v) bat(loai, v);
    }
}

}  // namespace

void LoiNhapXuatGia::loiKhiDongTep(const std::string& doanDuongDan) {
    bat(dongTep, doanDuongDan);
}

void LoiNhapXuatGia::loiKhiDongBoThuMuc(const std::string& doanDuongDan) {
    bat(dongBoThuMuc, doanDuongDan);
}

void LoiNhapXuatGia::loiKhiDongBoDuLieu(const std::string& doanDuongDan) {
    bat(dongBoDuLieu, doanDuongDan);
}

void LoiNhapXuatGia::tatHet() {
    CacDoan& c = cacDoan();
    std::lock_guard g(c.khoa);
    for (int i = 0; i < soLoai; ++i) {
        coBat[i] = false;
        c.doan[i].clear();
    }
    soLoi = 0;
}

int LoiNhapXuatGia::soLanDaLoi() {
    return soLoi;
}

extern "C" int close(int fd) {
    static const auto that = hamThat<int (*)(int)>("close");
    const bool loi = trung(fd, dongTep);
    const int r = that(fd);
    if (!loi || r != 0) return r;
    ++soLoi;
    errno = EIO;
    return -1;
}

extern "C" int fsync(int fd) {
    static const auto that = hamThat<int (*)(int)>("fsync");
    if (trung(fd, dongBoThuMuc)) {
        ++soLoi;
        errno = EIO;
        return -1;
    }
    return that(fd);
}

extern "C" int fdatasync(int fd) {
    static const auto that = hamThat<int (*)(int)>("fdatasync");
    if (trung(fd, dongBoDuLieu)) {
        ++soLoi;
        errno = EIO;
        return -1;
    }
    return that(fd);
}
