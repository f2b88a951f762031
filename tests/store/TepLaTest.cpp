#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSet>
#include <chrono>
#include <cstring>
#include <future>
#include <nlohmann/json.hpp>

#include "ChupTep.h"
#include "KhoTam.h"
#include "KiemNhatKyDocLap.h"
#include "common/NgauNhienThu.h"
#include "store/LoiTep.h"
#include "store/TepDongJson.h"

// Data folders that came from elsewhere: a copy restored from a backup, a file saved by a text editor,
// a damaged disk. Starting on them and appending to them must lose no byte that was on disk.

namespace {

const QByteArray bom = "\xEF\xBB\xBF";

// The ids an independent reading of a month file finds: a leading byte-order mark ignored, split on
// line feeds, every piece that is a JSON object with a text "id".
QSet<QString> idDocLap(QByteArray b) {
    if (b.startsWith(bom)) b.remove(0, 3);
    QSet<QString> ra;
    for (const QByteArray& dong : b.split('\n')) {
        const auto j = nlohmann::json::parse(dong.toStdString(), nullptr, false);
        if (j.is_object() && j.contains("id") && j["id"].is_string() && !j["id"].get<std::string>().empty())
            ra.insert(QString::fromStdString(j["id"]));
    }
    return ra;
}

QByteArray dongDon(const QString& id) {
    DonHang d;
    d.id = id;
    d.createdAt = QStringLiteral("2026-04-15T08:00:00Z");
    d.trackings = {{QStringLiteral("VD-") + id, QStringLiteral("GHN")}};
    return d.thanhDong();
}

QByteArray dongVideo(const QString& id) {
    BanGhiVideo v;
    v.id = id;
    v.code = QStringLiteral("VD-") + id;
    v.filePath = QStringLiteral("/kho/videos/2026/04/15/VD-%1.mp4").arg(id);
    return v.thanhDong();
}

QSet<QString> idTrongKho(const KhoDuLieu& k, bool laDon) {
    QSet<QString> ra;
    if (laDon)
        for (auto it = k.donTheoId().cbegin(); it != k.donTheoId().cend(); ++it) ra.insert(it.key());
    else
        for (auto it = k.videoTheoId().cbegin(); it != k.videoTheoId().cend(); ++it) ra.insert(it.key());
    return ra;
}

int soTepCatRieng(const QMap<QString, QByteArray>& tep) {
    int n = 0;
    for (auto it = tep.cbegin(); it != tep.cend(); ++it) n += it.key().contains(QStringLiteral(".doan-cat-"));
    return n;
}

}  // namespace

TEST(TepLa, ThangLaKhongMatByteNaoVaDongDocDuocVanNap) {
    struct Ca {
        const char* ten;
        std::function<QByteArray(const QByteArray&, const QByteArray&)> noiDung;
        bool catRieng;  // whether start-up must set a tail aside
    };
    const Ca bang[] = {
        {"lone CR line ends", [](auto& a, auto& b) { return a + '\r' + b + '\r'; }, true},
        {"BOM before a single record, no line feed", [](auto& a, auto&) { return bom + a; }, false},
        {"BOM before records", [](auto& a, auto& b) { return bom + a + '\n' + b + '\n'; }, false},
        {"text after the last record", [](auto& a, auto& b) { return a + '\n' + b + "\nxin chào"; }, true},
        {"one bad byte in the last line",
         [](auto& a, auto& b) { return a + '\n' + QByteArray(b).replace("VD-b", "VD-\xff"); }, true},
        {"no line feed and no JSON", [](auto&, auto&) { return QByteArray("khong phai json"); }, true},
        {"CR LF line ends", [](auto& a, auto& b) { return a + "\r\n" + b + "\r\n"; }, false},
        {"white space after the last line", [](auto& a, auto&) { return a + "\n \t\r"; }, true},
        {"torn last record", [](auto& a, auto& b) { return a + '\n' + b.left(25); }, true},
        {"whole last record without its line feed", [](auto& a, auto& b) { return a + '\n' + b; }, false},
        {"a byte-order mark alone", [](auto&, auto&) { return bom; }, true},
        {"broken line in the middle", [](auto& a, auto& b) { return a + "\n{hong\n" + b + '\n'; }, false},
    };
    for (const bool laDon : {true, false}) {
        for (const Ca& c : bang) {
            SCOPED_TRACE(std::string(laDon ? "orders: " : "recordings: ") + c.ten);
            KhoTam t;
            t.datGio(2026, 4, 15);
            const auto dong = laDon ? &dongDon : &dongVideo;
            const QByteArray noiDung = c.noiDung(dong(QStringLiteral("a")), dong(QStringLiteral("b")));
            const QString ten = laDon ? QStringLiteral("data/orders/orders-2026-04.jsonl")
                                      : QStringLiteral("data/recordings/recordings-2026-04.jsonl");
            t.vietTep(ten, noiDung);
            const auto truoc = chupTep(t.goc());
            const QSet<QString> mong = idDocLap(noiDung);

            t.moLai(true);
            EXPECT_TRUE(idTrongKho(*t.kho, laDon).contains(mong));
            if (laDon) {
                DonHang d;
                d.id = QStringLiteral("moi");
                t.kho->ghiDon(d);
            } else {
                BanGhiVideo v;
                v.id = QStringLiteral("moi");
                t.kho->ghiBanGhiVideo(v);
            }
            const auto sau = chupTep(t.goc());
            EXPECT_EQ(byteDaMat(truoc, sau), QStringList());
            EXPECT_EQ(soTepCatRieng(sau), c.catRieng ? 1 : 0);

            // The side file is no month file: a restart loads what it loaded before, plus the new line.
            t.moLai(true);
            const QSet<QString> coDuoc = idTrongKho(*t.kho, laDon);
            EXPECT_TRUE(coDuoc.contains(mong));
            EXPECT_TRUE(coDuoc.contains(QStringLiteral("moi"))) << "the append after the repair is readable";
            EXPECT_EQ(chupTep(t.goc()), sau) << "a second start changes nothing";
        }
    }
}

TEST(TepLa, NhatKyLaKhongMatByteVaVanKiemDuoc) {
    // Three good lines made by the store, then a tail of each kind.
    KhoTam mau;
    for (const char* e : {"app_start", "rec_start", "rec_finish"}) mau.kho->nhatKy().ghi(QString::fromLatin1(e));
    const QList<QByteArray> d = mau.docTep(QStringLiteral("data/app.log.jsonl")).split('\n');
    const QByteArray hai = d[0] + '\n' + d[1] + '\n';
    const struct {
        const char* ten;
        QByteArray noiDung;
        bool catRieng;
        qint64 soDongSau;  // lines after one more event
    } bang[] = {
        {"torn last line", hai + d[2].left(40), true, 3},
        {"text after the last line", hai + d[2] + "\nrac", true, 4},
        {"whole last line without its line feed", hai + d[2], false, 4},
        {"lone CR line ends", d[0] + '\r' + d[1] + '\r' + d[2] + '\r', true, 1},
        {"no line feed and no JSON", "khong phai nhat ky", true, 1},
    };
    for (const auto& c : bang) {
        SCOPED_TRACE(c.ten);
        KhoTam t;
        t.vietTep(QStringLiteral("data/app.log.jsonl"), c.noiDung);
        const auto truoc = chupTep(t.goc());
        t.moLai(true);
        t.kho->nhatKy().ghi(QStringLiteral("app_start"));
        ASSERT_FALSE(t.kho->nhatKy().loiGhi());
        const auto sau = chupTep(t.goc());
        EXPECT_EQ(byteDaMat(truoc, sau), QStringList());
        EXPECT_EQ(soTepCatRieng(sau), c.catRieng ? 1 : 0);
        const auto kq = t.kho->nhatKy().kiemTra();
        EXPECT_TRUE(kq.ok) << "broken at " << kq.dongGay.value_or(0);
        EXPECT_EQ(kq.soDong, c.soDongSau);
        EXPECT_EQ(kiemNhatKyDocLap(t.docTep(QStringLiteral("data/app.log.jsonl"))),
                  (KetQuaDocLap{true, c.soDongSau, std::nullopt}));
    }
}

// A named pipe under a month file's or the journal's name: opening it for reading would wait for a
// writer that never comes. Start-up must finish, skip it, and refuse to append to it.
TEST(TepLa, OngDanTenTepThangKhongChanKhoiDong) {
    KhoTam t;
    t.datGio(2026, 4, 15);
    t.vietTep(QStringLiteral("data/orders/orders-2026-03.jsonl"), dongDon(QStringLiteral("cu")) + '\n');
    const QStringList ong = {t.duongDan(QStringLiteral("data/orders/orders-2026-04.jsonl")),
                             t.duongDan(QStringLiteral("data/recordings/recordings-2026-04.jsonl")),
                             t.duongDan(QStringLiteral("data/app.log.jsonl"))};
    QDir().mkpath(t.duongDan(QStringLiteral("data/recordings")));
    for (const QString& p : ong) ASSERT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0644), 0) << p.toStdString();

    auto khoiDong = std::async(std::launch::async, [&] {
        KhoDuLieu& k = t.moLai(true);
        // The scan for unfinished recordings reads the journal's events next.
        k.nhatKy().docSuKien({"app_start"}, [](const NhatKy::SuKienDoc&) { ADD_FAILURE() << "an event from a pipe"; });
        return k.donTheoId().contains(QStringLiteral("cu"));
    });
    if (khoiDong.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        // Let a blocked reader go, so the failure is reported instead of the test hanging.
        for (const QString& p : ong) ::close(::open(QFile::encodeName(p).constData(), O_WRONLY | O_NONBLOCK));
        khoiDong.wait();
        FAIL() << "start-up waited on a named pipe";
    }
    EXPECT_TRUE(khoiDong.get()) << "the other month files still load";
    // Built and loaded on the thread above, the store is this thread's from here on.
    t.kho->ganVaoLuongNay();
    EXPECT_EQ(t.kho->nhatKy().vanTayDongTruoc(), QStringLiteral("GENESIS"));

    DonHang d;
    d.id = QStringLiteral("moi");
    try {
        t.kho->ghiDon(d);
        ADD_FAILURE() << "an append to a named pipe reported success";
    } catch (const LoiTep& e) {
        EXPECT_TRUE(e.moTa().contains(QStringLiteral("không phải tệp thường"))) << e.moTa().toStdString();
    }
    t.kho->nhatKy().ghi(QStringLiteral("app_start"));
    EXPECT_TRUE(t.kho->nhatKy().loiGhi());
    const auto kq = t.kho->nhatKy().kiemTra();
    EXPECT_FALSE(kq.ok);
    EXPECT_FALSE(kq.dongGay) << "a journal that is no file is unreadable";
    for (const QString& p : ong) {
        struct stat st;
        ASSERT_EQ(::lstat(QFile::encodeName(p).constData(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "left as it was: " << p.toStdString();
    }
}

// The reader of month files and of the journal's end reads backwards in blocks of its own size. Lines
// of every length across block boundaries, some longer than several blocks, with a byte-order mark, CR
// LF ends, blank pieces and no final line feed, come back whole, last first, each followed by readable
// memory (the loader parses them in place; the sanitizer build catches a read past the memory).
TEST(TepLa, DocNguocTungDongQuaRanhGioiKhoi) {
    NgauNhienThu ngauNhien;
    QByteArray nhieu;
    for (int i = 0; i < 3000; ++i) {
        const int dai = i % 500 == 7 ? 300'000 + ngauNhien->bounded(400'000) : ngauNhien->bounded(3000);
        nhieu += QByteArray::number(i) + ':' + QByteArray(dai, char('a' + i % 26)) + (i % 3 ? "\n" : "\r\n");
        if (i % 97 == 0) nhieu += "\n \n";
    }
    const QByteArray bang[] = {nhieu,        bom + nhieu, nhieu + "cuoi", bom,         bom + "\n",
                               QByteArray(), "\n\n",      "mot",          bom + "mot", "a\nb"};
    KhoTam t;
    const QString tep = t.duongDan(QStringLiteral("tep.jsonl"));
    TepDongJson::DemDoc dem;  // handed from one file to the next, as loading does
    for (const QByteArray& noiDung : bang) {
        SCOPED_TRACE(noiDung.left(20).toStdString());
        t.vietTep(QStringLiteral("tep.jsonl"), noiDung);
        QList<QByteArray> mong;
        for (const QByteArray& d : (noiDung.startsWith(bom) ? noiDung.mid(3) : noiDung).split('\n'))
            if (!d.isEmpty()) mong.prepend(d);
        QList<QByteArray> coDuoc;
        EXPECT_TRUE(TepDongJson::docNguocTungDong(tep, dem, [&](QByteArrayView dong) {
            char sau[TepDongJson::kDemSau];
            std::memcpy(sau, dong.data() + dong.size(), sizeof sau);
            coDuoc.append(dong.toByteArray());
            return true;
        }));
        EXPECT_EQ(coDuoc, mong);
        // Each line's offset is where it lies in the file: read there again, the same bytes come back, and
        // reading past the file's end fails.
        const int fd = TepDongJson::moDeDoc(tep);
        ASSERT_GE(fd, 0);
        QList<QByteArray> docLai;
        EXPECT_TRUE(TepDongJson::docNguocTungDong(tep, dem, [&](QByteArrayView dong, qint64 viTri) {
            QByteArray lai(dong.size(), '\0');
            EXPECT_TRUE(TepDongJson::docTai(fd, viTri, lai.data(), size_t(lai.size())));
            docLai.append(lai);
            return true;
        }));
        EXPECT_EQ(docLai, mong);
        char thua[2];
        EXPECT_FALSE(TepDongJson::docTai(fd, noiDung.size() - 1, thua, 2));
        ::close(fd);
        // Stopping early hands over nothing more.
        int soLan = 0;
        EXPECT_TRUE(TepDongJson::docNguocTungDong(tep, dem, [&](QByteArrayView) { return ++soLan < 3; }));
        EXPECT_EQ(soLan, std::min<qsizetype>(3, mong.size()));
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(t.duongDan(QStringLiteral("ong.jsonl"))).constData(), 0644), 0);
    for (const QString& p : {t.duongDan(QStringLiteral("ong.jsonl")), t.duongDan(QStringLiteral("khong-co")), t.goc()})
        EXPECT_FALSE(TepDongJson::docNguocTungDong(p, dem, [](QByteArrayView) {
            ADD_FAILURE();
            return true;
        })) << p.toStdString();
}
