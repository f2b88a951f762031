#include "LoiNhapXuatGia.h"

#include <dlfcn.h>
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace {

enum Loai { dongTep, dongBoThuMuc, dongBoDuLieu, chamDongBo, sauDongTep, soLoai };

// One flag per kind, so that a call of a kind not armed passes straight through: no stat, no lock.
std::atomic<bool> coBat[soLoai] = {};
std::atomic<int> soLoi{0};
std::atomic<int> soCham{0};
std::atomic<int> soDangCho{0};

// Built on first use and never destroyed: arming from the environment at load time must not meet them
// unconstructed, and a close() in the program's last exit handlers must not meet them destroyed.
struct CacDoan {
    std::mutex khoa;
    std::string doan[soLoai];
    std::chrono::milliseconds cham{0};
    std::condition_variable tha;
    uint64_t lanTha = 0;  // each release ends the waits begun before it
    std::function<void()> sauDong;
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

// Whether a call on fd meets a fault: the armed text for its kind of fault is part of its path, and the fd is
// a folder for a folder's sync and a file otherwise (a delay meets both).
bool trung(int fd, Loai loai) {
    if (!coBat[loai].load(std::memory_order_relaxed)) return false;
    struct stat st;
    const int e = errno;
    const bool laThuMuc = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    errno = e;
    if (loai != chamDongBo && laThuMuc != (loai == dongBoThuMuc)) return false;
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

void thaCacLanCho(CacDoan& c) {
    ++c.lanTha;
    c.tha.notify_all();
}

// The delay of a slow disk: the caller's thread waits, as it would in the kernel.
void choCham() {
    CacDoan& c = cacDoan();
    const int e = errno;
    {
        std::unique_lock g(c.khoa);
        if (c.doan[chamDongBo].empty()) return;  // released since the check
        ++soCham;
        ++soDangCho;
        const uint64_t lan = c.lanTha;
        c.tha.wait_for(g, c.cham, [&] { return c.lanTha != lan; });
        --soDangCho;
    }
    errno = e;
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
    if (const char* v = std::getenv("KORVANE_CHAM_DONG_BO")) {
        char* het = nullptr;
        const double giay = std::strtod(v, &het);
        if (het != v && *het == ':' && het[1] && giay > 0 && giay < 3600)
            LoiNhapXuatGia::chamKhiDongBo(het + 1, std::chrono::milliseconds(int64_t(giay * 1000)));
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

void LoiNhapXuatGia::chamKhiDongBo(const std::string& doanDuongDan, std::chrono::milliseconds cham) {
    CacDoan& c = cacDoan();
    std::lock_guard g(c.khoa);
    c.cham = cham;
    c.doan[chamDongBo] = doanDuongDan;
    coBat[chamDongBo] = !doanDuongDan.empty();
}

void LoiNhapXuatGia::sauKhiDongTep(const std::string& doanDuongDan, std::function<void()> viec) {
    CacDoan& c = cacDoan();
    std::lock_guard g(c.khoa);
    c.sauDong = std::move(viec);
    c.doan[sauDongTep] = doanDuongDan;
    coBat[sauDongTep] = !doanDuongDan.empty();
}

void LoiNhapXuatGia::thaDongBo() {
    CacDoan& c = cacDoan();
    std::lock_guard g(c.khoa);
    coBat[chamDongBo] = false;
    c.doan[chamDongBo].clear();
    thaCacLanCho(c);
}

int LoiNhapXuatGia::soLanDongBoCham() {
    return soCham;
}

int LoiNhapXuatGia::soDongBoDangCho() {
    return soDangCho;
}

void LoiNhapXuatGia::tatHet() {
    CacDoan& c = cacDoan();
    std::lock_guard g(c.khoa);
    for (int i = 0; i < soLoai; ++i) {
        coBat[i] = false;
        c.doan[i].clear();
    }
    c.sauDong = nullptr;
    thaCacLanCho(c);
    soLoi = 0;
    soCham = 0;
}

int LoiNhapXuatGia::soLanDaLoi() {
    return soLoi;
}

extern "C" int close(int fd) {
    static const auto that = hamThat<int (*)(int)>("close");
    const bool loi = trung(fd, dongTep);
    // Whether to run the work armed for after the close; not from inside that work.
    static thread_local bool dangChay = false;
    const bool sau = !dangChay && trung(fd, sauDongTep);
    const int r = that(fd);
    if (sau) {
        std::function<void()> viec;
        {
            CacDoan& c = cacDoan();
            std::lock_guard g(c.khoa);
            viec = c.sauDong;
        }
        if (viec) {
            const int e = errno;
            dangChay = true;
            viec();
            dangChay = false;
            errno = e;
        }
    }
    if (!loi || r != 0) return r;
    ++soLoi;
    errno = EIO;
    return -1;
}

extern "C" int fsync(int fd) {
    static const auto that = hamThat<int (*)(int)>("fsync");
    if (trung(fd, chamDongBo)) choCham();
    if (trung(fd, dongBoThuMuc)) {
        ++soLoi;
        errno = EIO;
        return -1;
    }
    return that(fd);
}

extern "C" int fdatasync(int fd) {
    static const auto that = hamThat<int (*)(int)>("fdatasync");
    if (trung(fd, chamDongBo)) choCham();
    if (trung(fd, dongBoDuLieu)) {
        ++soLoi;
        errno = EIO;
        return -1;
    }
    return that(fd);
}
