#include <dlfcn.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <stdio.h>

#include <QDir>
#include <atomic>

#include "KhoTam.h"
#include "store/TepDongJson.h"

namespace {

// While set, renameat2 refuses every flag as NFS, 9p and libfuse2 mounts do, and link refuses hard
// links as FAT-like filesystems do.
std::atomic<bool> tuChoiCoDoiTen{false};
std::atomic<bool> tuChoiLienKetCung{false};

template <class Ham>
Ham hamThat(const char* ten) {
    return reinterpret_cast<Ham>(dlsym(RTLD_NEXT, ten));
}

}  // namespace

// Stands in for the C library's renameat2 in this test program, so a filesystem without the
// no-replace rename can be played on any disk; with the switch off it passes straight through.
extern "C" int renameat2(int tuFd, const char* tu, int denFd, const char* den, unsigned int co) noexcept {
    if (tuChoiCoDoiTen && co != 0) {
        errno = EINVAL;
        return -1;
    }
    static const auto that = hamThat<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2");
    if (!that) {
        errno = ENOSYS;
        return -1;
    }
    return that(tuFd, tu, denFd, den, co);
}

extern "C" int link(const char* tu, const char* den) noexcept {
    if (tuChoiLienKetCung) {
        errno = EPERM;
        return -1;
    }
    static const auto that = hamThat<int (*)(const char*, const char*)>("link");
    if (!that) {
        errno = ENOSYS;
        return -1;
    }
    return that(tu, den);
}

static void kiemTraTaoTepMoi() {
    KhoTam t;
    t.datGio(2026, 4, 2);
    DonHang d;
    d.id = QStringLiteral("o1");
    // The first line of a month creates the file; the journal's first line creates the journal.
    t.kho->ghiDon(d);
    t.kho->nhatKy().ghi(QStringLiteral("app_start"));
    EXPECT_FALSE(t.kho->nhatKy().loiGhi()) << t.kho->nhatKy().loiGhi().value_or(QString()).toStdString();
    EXPECT_EQ(t.docTep(QStringLiteral("data/orders/orders-2026-04.jsonl")), d.thanhDong() + '\n');
    EXPECT_TRUE(t.kho->nhatKy().kiemTra().ok);

    // Creating only when absent still never replaces a file that appeared meanwhile.
    const QString tep = t.duongDan(QStringLiteral("data/co-san.jsonl"));
    t.vietTep(QStringLiteral("data/co-san.jsonl"), "{\"id\":\"cu\"}\n");
    EXPECT_FALSE(TepDongJson::ghiNguyenTu(tep, QByteArrayView("{\"id\":\"moi\"}\n"), true));
    EXPECT_EQ(t.docTep(QStringLiteral("data/co-san.jsonl")), QByteArray("{\"id\":\"cu\"}\n"));
    for (const QString& ten : QDir(t.duongDan(QStringLiteral("data"))).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(ten.contains(QStringLiteral(".tam-"))) << ten.toStdString();
}

TEST(DoiTenKhongDe, TepMoiVanTaoDuocKhiHeTepKhongCoCoDoiTen) {
    for (const bool coLienKetCung : {true, false}) {
        SCOPED_TRACE(coLienKetCung ? "hard links offered" : "no hard links either");
        struct TatKhiXong {
            explicit TatKhiXong(bool lienKet) {
                tuChoiCoDoiTen = true;
                tuChoiLienKetCung = !lienKet;
            }
            ~TatKhiXong() { tuChoiCoDoiTen = tuChoiLienKetCung = false; }
        } bat(coLienKetCung);
        kiemTraTaoTepMoi();
    }
}
