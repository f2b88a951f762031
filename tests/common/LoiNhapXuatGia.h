#pragma once

#include <string>

// Disk faults played on the C library's close() and fsync() in the test program that links this file:
// they stand in for the real functions, and with nothing armed every call passes straight through.
// Only files whose path contains the armed text are hit, so Qt and the test's own files go unharmed.
class LoiNhapXuatGia {
public:
    // close() of a matching file really closes it and then reports EIO, as NFS may after a good fsync.
    static void loiKhiDongTep(const std::string& doanDuongDan);
    // fsync() of a matching folder reports EIO without syncing, as a failing disk would.
    static void loiKhiDongBoThuMuc(const std::string& doanDuongDan);
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
