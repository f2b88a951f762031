// The whole-journal check away from the journal's own thread: it reads the bytes the journal had when asked,
// by path, and its verdict comes back on the GUI thread only while its receiver lives.
#include <gtest/gtest.h>

#include <QObject>
#include <QThread>
#include <QThreadPool>
#include <memory>
#include <thread>

#include "KhoTam.h"
#include "KiemNhatKyDocLap.h"
#include "common/ChoDen.h"

namespace {

void ghiSo(KhoDuLieu& k, int so) {
    for (int i = 0; i < so; ++i) k.nhatKy().ghi(QStringLiteral("sync"), {{QStringLiteral("so"), QString::number(i)}});
}

}  // namespace

// Lines written after the snapshot, whole or torn, are not part of its verdict; the bytes it covers are checked
// as the independent reader checks them.
TEST(NhatKyKiemNen, ChiKiemPhanDaChup) {
    struct Ca {
        const char* ten;
        QByteArray themSau;  // appended raw after the snapshot, or nothing: the journal writes two more lines
    };
    const Ca cac[] = {{"two lines of its own", {}},
                      {"a torn piece", R"({"ts":"2026)"},
                      {"garbage", QByteArrayLiteral("\0\xff\n{}\n")}};
    for (const Ca& ca : cac) {
        KhoTam t;
        t.kho->moKho();
        ghiSo(*t.kho, 3);
        const NhatKy::AnhKiemTra anh = t.kho->nhatKy().chupDeKiemTra();
        const QByteArray luc = t.docTep(QStringLiteral("data/app.log.jsonl"));
        EXPECT_EQ(anh.soByte, luc.size()) << ca.ten;
        if (ca.themSau.isNull()) {
            ghiSo(*t.kho, 2);
        } else {
            QFile f(anh.duongDan);
            ASSERT_TRUE(f.open(QIODevice::Append));
            f.write(ca.themSau);
        }
        const auto kq = NhatKy::kiemTra(anh);
        EXPECT_EQ((KetQuaDocLap{kq.ok, kq.soDong, kq.dongGay}), kiemNhatKyDocLap(luc)) << ca.ten;
        EXPECT_TRUE(kq.ok) << ca.ten;
        EXPECT_EQ(kq.soDong, 3) << ca.ten;
        // The journal as it now stands is another matter, for the next check.
        if (!ca.themSau.isNull()) EXPECT_FALSE(t.kho->nhatKy().kiemTra().ok) << ca.ten;
    }

    // A break inside the snapshot is found; a journal missing when asked cannot be vouched for.
    KhoTam t;
    t.kho->moKho();
    ghiSo(*t.kho, 3);
    QByteArray b = t.docTep(QStringLiteral("data/app.log.jsonl"));
    b.replace("\"so\":\"1\"", "\"so\":\"7\"");
    t.vietTep(QStringLiteral("data/app.log.jsonl"), b);
    const auto gay = NhatKy::kiemTra(t.kho->nhatKy().chupDeKiemTra());
    EXPECT_FALSE(gay.ok);
    EXPECT_EQ(gay.dongGay, 2);
    ASSERT_TRUE(QFile::remove(t.duongDan(QStringLiteral("data/app.log.jsonl"))));
    const NhatKy::AnhKiemTra mat = t.kho->nhatKy().chupDeKiemTra();
    EXPECT_EQ(mat.soByte, -1);
    const auto khongDoc = NhatKy::kiemTra(mat);
    EXPECT_FALSE(khongDoc.ok);
    EXPECT_FALSE(khongDoc.dongGay);
}

// The check runs on another thread; its verdict is handed over on the GUI thread, and not at all once the
// receiver is gone.
TEST(NhatKyKiemNen, KetQuaVeLuongGiaoDienKhiNguoiNhanConSong) {
    KhoTam t;
    t.kho->moKho();
    ghiSo(*t.kho, 5);
    const NhatKy::AnhKiemTra anh = t.kho->nhatKy().chupDeKiemTra();

    auto nhan = std::make_unique<QObject>();
    std::optional<NhatKy::KetQuaKiemTra> kq;
    QThread* luongNhan = nullptr;
    NhatKy::kiemTraNen(anh, nhan.get(), [&](NhatKy::KetQuaKiemTra k) {
        kq = k;
        luongNhan = QThread::currentThread();
    });
    EXPECT_FALSE(kq) << "handed over only through the GUI thread's events";
    ASSERT_TRUE(choDen([&] { return kq.has_value(); }));
    EXPECT_TRUE(kq->ok);
    EXPECT_EQ(kq->soDong, 5);
    EXPECT_EQ(luongNhan, QCoreApplication::instance()->thread());

    bool goiSauKhiXoa = false;
    auto mat = std::make_unique<QObject>();
    NhatKy::kiemTraNen(anh, mat.get(), [&](NhatKy::KetQuaKiemTra) { goiSauKhiXoa = true; });
    mat.reset();
    // Once the worker is done its answer is queued; running the queue gives it its chance to land.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(goiSauKhiXoa);
}

// Taking the snapshot belongs to the journal's thread, where no line is ever half written.
TEST(NhatKyKiemNenDeathTest, ChupTuLuongKhacDungChuongTrinh) {
    KhoTam t;
    EXPECT_DEATH(
        {
            std::thread l([&] { (void)t.kho->nhatKy().chupDeKiemTra(); });
            l.join();
        },
        "NhatKy::chupDeKiemTra was called from a thread");
}
