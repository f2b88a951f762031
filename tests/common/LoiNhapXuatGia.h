#pragma once

#include <chrono>
#include <functional>
#include <string>

// Disk faults and slow syncs played on the C library's close(), fsync() and fdatasync(): they stand in for the real
// functions, and with nothing armed every call passes straight through. Only files whose path contains
// the armed text are hit, so Qt and the test's own files go unharmed.
// A test program links this file and arms faults by call; the shipped program, which links nothing of
// the tests, gets the same file as a preloaded library (LD_PRELOAD) armed by the environment variables
// below, read when it is loaded.
class LoiNhapXuatGia {
public:
    // close() of a matching file really closes it and then reports EIO, as NFS may after a good fsync.
    // Environment: KORVANE_LOI_DONG_TEP.
    static void loiKhiDongTep(const std::string& doanDuongDan);
    // fsync() of a matching folder reports EIO without syncing, as a failing disk would.
    // Environment: KORVANE_LOI_DONG_BO_THU_MUC.
    static void loiKhiDongBoThuMuc(const std::string& doanDuongDan);
    // fdatasync() of a matching file reports EIO without syncing, as a disk that loses writes does.
    // Environment: KORVANE_LOI_DONG_BO_DU_LIEU.
    static void loiKhiDongBoDuLieu(const std::string& doanDuongDan);
    // fsync() and fdatasync() of a matching file or folder first wait that long, as on a busy USB drive or an SD
    // card, then do what they would have done (fail when armed to fail). thaDongBo and tatHet end the waits.
    // Environment: KORVANE_CHAM_DONG_BO, seconds and the text joined by a colon ("0.5:/videos/").
    static void chamKhiDongBo(const std::string& doanDuongDan, std::chrono::milliseconds cham);
    // After close() of a matching regular file has closed it, viec runs on the closing thread; what viec itself
    // closes meanwhile is left alone. For a file changed under a reader between two of its reads. Test programs
    // only; tatHet disarms it.
    static void sauKhiDongTep(const std::string& doanDuongDan, std::function<void()> viec);
    // Disarms the delay and lets every sync that waits for it go on.
    static void thaDongBo();
    // Syncs that met the delay since the last tatHet, and those waiting in it now.
    static int soLanDongBoCham();
    static int soDongBoDangCho();
    static void tatHet();
    // How many calls were failed since the last tatHet.
    static int soLanDaLoi();

    // Arms a fault for one scope.
    struct TrongPhamVi {
        TrongPhamVi() = default;
        TrongPhamVi(const TrongPhamVi&) = delete;
        TrongPhamVi& operator=(const TrongPhamVi&) = delete;
        ~TrongPhamVi() { tatHet(); }
    };
};
