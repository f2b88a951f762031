#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <functional>
#include <nlohmann/json.hpp>

#include "KhoTam.h"
#include "KiemNhatKyDocLap.h"

namespace {

QByteArray sha256Hex(const QByteArray& b) {
    return QCryptographicHash::hash(b, QCryptographicHash::Sha256).toHex();
}

QList<QByteArray> cacDong(const QByteArray& b) {
    QList<QByteArray> ra = b.split('\n');
    if (!ra.isEmpty() && ra.last().isEmpty()) ra.removeLast();
    return ra;
}

void ghiBa(KhoDuLieu& k) {
    k.ghiNhatKy(QStringLiteral("app_start"), {{QStringLiteral("don"), QStringLiteral("0")}});
    k.ghiNhatKy(QStringLiteral("rec_start"), {{QStringLiteral("code"), QStringLiteral("GHN1")}});
    k.ghiNhatKy(QStringLiteral("rec_finish"), {{QStringLiteral("code"), QStringLiteral("GHN1")}});
}

}  // namespace

TEST(NhatKy, DongDauTinhLaiTuQuyTac) {
    KhoTam t;
    t.dongHo.datGiayThuc(1'700'000'000);
    t.kho->ghiNhatKy(QStringLiteral("rec_finish"), {{QStringLiteral("file"), QStringLiteral("/v/a b.mp4")},
                                                    {QStringLiteral("code"), QStringLiteral("Mã\"1")},
                                                    {QStringLiteral("vi"), QStringLiteral("C:\\x\n\ty")}});
    // Sorted keys, compact, plain UTF-8, the quotation mark, reverse solidus and control characters
    // escaped, and every "/" written as "\/".
    const QByteArray chiTiet = R"({"code":"Mã\"1","file":"\/v\/a b.mp4","vi":"C:\\x\n\ty"})";
    const QByteArray khongBam =
        R"({"detail":)" + chiTiet + R"(,"event":"rec_finish","prev":"GENESIS","ts":"2023-11-14T22:13:20Z"})";
    const QByteArray bam = sha256Hex(khongBam);
    const QByteArray mong = R"({"detail":)" + chiTiet + R"(,"event":"rec_finish","hash":")" + bam +
                            R"(","prev":"GENESIS","ts":"2023-11-14T22:13:20Z"})" + "\n";
    EXPECT_EQ(t.docTep(QStringLiteral("data/app.log.jsonl")), mong);
    EXPECT_EQ(t.kho->vanTayDongTruoc().toLatin1(), bam);
    EXPECT_FALSE(t.kho->loiGhiNhatKy());

    t.kho->ghiNhatKy(QStringLiteral("sync"));
    const auto dong = cacDong(t.docTep(QStringLiteral("data/app.log.jsonl")));
    ASSERT_EQ(dong.size(), 2);
    EXPECT_TRUE(dong[1].startsWith(R"({"detail":{},"event":"sync","hash":")"));
    EXPECT_TRUE(dong[1].contains("\"prev\":\"" + bam + "\""));
    const auto kq = t.kho->kiemTraNhatKy();
    EXPECT_TRUE(kq.ok);
    EXPECT_EQ(kq.soDong, 2);
    EXPECT_FALSE(kq.dongGay);
}

TEST(NhatKy, KiemTraPhatHienSuaXoaChen) {
    struct {
        const char* ten;
        std::function<QByteArray(QList<QByteArray>)> sua;
        bool ok;
        qint64 soDong;
        std::optional<qint64> dongGay;
    } const bang[] = {
        {"nguyen ven", [](QList<QByteArray> d) { return d.join('\n') + '\n'; }, true, 3, std::nullopt},
        {"sua mot ky tu dong 1",
         [](QList<QByteArray> d) {
             d[0].replace("\"0\"", "\"1\"");
             return d.join('\n') + '\n';
         },
         false, 1, 1},
        {"xoa dong giua",
         [](QList<QByteArray> d) {
             d.removeAt(1);
             return d.join('\n') + '\n';
         },
         false, 2, 2},
        {"empty pieces are no lines", [](QList<QByteArray> d) { return "\n" + d.join("\n\n\n") + "\n\n"; }, true, 3,
         std::nullopt},
        // A piece of white space is a line like any other, and not a journal line.
        {"spaces between lines", [](QList<QByteArray> d) { return d.join("\n  \n") + '\n'; }, false, 2, 2},
        {"a tab line", [](QList<QByteArray> d) { return d[0] + "\n\t\n" + d[1] + '\n' + d[2] + '\n'; }, false, 2, 2},
        {"a carriage-return-only line", [](QList<QByteArray> d) { return d[0] + '\n' + d[1] + "\n\r\n" + d[2] + '\n'; },
         false, 3, 3},
        {"white space after the last line", [](QList<QByteArray> d) { return d.join('\n') + "\n \r\n"; }, false, 4, 4},
        {"CR LF", [](QList<QByteArray> d) { return d.join("\r\n") + "\r\n"; }, true, 3, std::nullopt},
        {"edited line 3",
         [](QList<QByteArray> d) {
             d[2].replace("rec_finish", "rec_finisH");
             return d.join('\n') + '\n';
         },
         false, 3, 3},
        // Not UTF-8 text as a whole: unreadable, not broken at a line.
        {"UTF-8 hong o dong 2",
         [](QList<QByteArray> d) {
             d[1].replace("GHN1", "GHN\xff");
             return d.join('\n') + '\n';
         },
         false, 0, std::nullopt},
        {"dong khong phai doi tuong",
         [](QList<QByteArray> d) {
             d.insert(1, "[1]");
             return d.join('\n') + '\n';
         },
         false, 2, 2},
        {"rong", [](QList<QByteArray>) { return QByteArray(); }, true, 0, std::nullopt},
    };
    for (const auto& c : bang) {
        KhoTam t;
        ghiBa(*t.kho);
        const auto dong = cacDong(t.docTep(QStringLiteral("data/app.log.jsonl")));
        t.vietTep(QStringLiteral("data/app.log.jsonl"), c.sua(dong));
        const auto kq = t.kho->kiemTraNhatKy();
        EXPECT_EQ(kq.ok, c.ok) << c.ten;
        EXPECT_EQ(kq.soDong, c.soDong) << c.ten;
        EXPECT_EQ(kq.dongGay, c.dongGay) << c.ten;
        // Any other reader of the same rule gives the same verdict.
        EXPECT_EQ(kiemNhatKyDocLap(t.docTep(QStringLiteral("data/app.log.jsonl"))),
                  (KetQuaDocLap{c.ok, c.soDong, c.dongGay}))
            << c.ten;
    }
    KhoTam thieu;
    const auto kq = thieu.kho->kiemTraNhatKy();
    EXPECT_FALSE(kq.ok);
    EXPECT_EQ(kq.soDong, 0);
    EXPECT_FALSE(kq.dongGay) << "a missing journal is unreadable, not broken";
}

TEST(NhatKy, GhiLoiRoiGhiDuocVanLienMach) {
    KhoTam t;
    t.kho->ghiNhatKy(QStringLiteral("app_start"));
    const QString van = t.kho->vanTayDongTruoc();
    // The data folder becomes a regular file for a while: the write fails and the chain does not move.
    QDir().rename(t.duongDan(QStringLiteral("data")), t.duongDan(QStringLiteral("data.cat")));
    t.vietTep(QStringLiteral("data"), "khong phai thu muc");
    t.kho->ghiNhatKy(QStringLiteral("rec_start"));
    ASSERT_TRUE(t.kho->loiGhiNhatKy());
    EXPECT_EQ(t.kho->vanTayDongTruoc(), van);
    QFile::remove(t.duongDan(QStringLiteral("data")));
    QDir().rename(t.duongDan(QStringLiteral("data.cat")), t.duongDan(QStringLiteral("data")));
    t.kho->ghiNhatKy(QStringLiteral("rec_finish"));
    EXPECT_FALSE(t.kho->loiGhiNhatKy());
    const auto kq = t.kho->kiemTraNhatKy();
    EXPECT_TRUE(kq.ok);
    EXPECT_EQ(kq.soDong, 2);
}

TEST(NhatKy, GhiDoDangBiCatVeDoDaiCu) {
    KhoTam t;
    ghiBa(*t.kho);
    const QByteArray truoc = t.docTep(QStringLiteral("data/app.log.jsonl"));
    const QString van = t.kho->vanTayDongTruoc();
    // A file-size limit a few bytes past the end makes the write stop part-way, as a full disk would.
    signal(SIGXFSZ, SIG_IGN);
    rlimit cu;
    getrlimit(RLIMIT_FSIZE, &cu);
    rlimit moi = cu;
    moi.rlim_cur = static_cast<rlim_t>(truoc.size() + 10);
    setrlimit(RLIMIT_FSIZE, &moi);
    t.kho->ghiNhatKy(QStringLiteral("rec_hong"), {{QStringLiteral("vi"), QStringLiteral("x").repeated(200)}});
    setrlimit(RLIMIT_FSIZE, &cu);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_TRUE(t.kho->loiGhiNhatKy());
    EXPECT_EQ(t.kho->vanTayDongTruoc(), van);
    EXPECT_EQ(t.docTep(QStringLiteral("data/app.log.jsonl")), truoc) << "the partial line is cut off";
    t.kho->ghiNhatKy(QStringLiteral("sync"));
    EXPECT_TRUE(t.kho->kiemTraNhatKy().ok);
    EXPECT_EQ(t.kho->kiemTraNhatKy().soDong, 4);
}

TEST(NhatKy, MoLaiSauKhiDuoiRach) {
    KhoTam t;
    ghiBa(*t.kho);
    const QByteArray day = t.docTep(QStringLiteral("data/app.log.jsonl"));
    const auto dong = cacDong(day);
    const QString bamCuoi = t.kho->vanTayDongTruoc();

    // Torn in the middle of a fourth line: the fragment is cut and the next line chains to line 3.
    t.vietTep(QStringLiteral("data/app.log.jsonl"), day + dong[2].left(40));
    t.moLai(true);
    EXPECT_EQ(t.kho->vanTayDongTruoc(), bamCuoi);
    EXPECT_EQ(t.docTep(QStringLiteral("data/app.log.jsonl")), day);
    t.kho->ghiNhatKy(QStringLiteral("app_start"));
    EXPECT_TRUE(t.kho->kiemTraNhatKy().ok);

    // A whole last line that only lacks its line feed is kept.
    KhoTam u;
    ghiBa(*u.kho);
    const QByteArray du = u.docTep(QStringLiteral("data/app.log.jsonl"));
    const QString bamU = u.kho->vanTayDongTruoc();
    u.vietTep(QStringLiteral("data/app.log.jsonl"), du.left(du.size() - 1));
    u.moLai(true);
    EXPECT_EQ(u.kho->vanTayDongTruoc(), bamU);
    u.kho->ghiNhatKy(QStringLiteral("app_start"));
    const auto kq = u.kho->kiemTraNhatKy();
    EXPECT_TRUE(kq.ok);
    EXPECT_EQ(kq.soDong, 4);
}

TEST(NhatKy, VanTayCuoiBoQuaDongHong) {
    KhoTam t;
    ghiBa(*t.kho);
    const QByteArray day = t.docTep(QStringLiteral("data/app.log.jsonl"));
    const QString bamCuoi = t.kho->vanTayDongTruoc();
    const QByteArray hong = day + "{\"hash\":\"\xff\"}\n{\"hash\":\"\"}\n{khong\n\n";
    t.vietTep(QStringLiteral("data/app.log.jsonl"), hong);
    t.moLai(true);
    EXPECT_EQ(t.docTep(QStringLiteral("data/app.log.jsonl")), hong)
        << "terminated broken lines are left for the verifier";
    EXPECT_EQ(t.kho->vanTayDongTruoc(), bamCuoi);
    const auto kq = t.kho->kiemTraNhatKy();
    EXPECT_FALSE(kq.ok);
    EXPECT_FALSE(kq.dongGay) << "with a byte that is not UTF-8 the journal is not text as a whole: unreadable";
    t.moLai();
    EXPECT_EQ(t.kho->vanTayDongTruoc(), QStringLiteral("GENESIS")) << "nothing is read before napTatCa";
}

TEST(NhatKy, ChiTietKhongHopLeDatLoi) {
    KhoTam t;
    t.kho->ghiNhatKy(QStringLiteral("app_start"));
    const QString van = t.kho->vanTayDongTruoc();
    const QChar doc = QChar(char16_t(0xD800));  // a lone surrogate, not a Unicode text
    t.kho->ghiNhatKy(QStringLiteral("sync_error"), {{QStringLiteral("loi"), QString(doc)}});
    EXPECT_TRUE(t.kho->loiGhiNhatKy());
    EXPECT_EQ(t.kho->vanTayDongTruoc(), van);
    EXPECT_EQ(cacDong(t.docTep(QStringLiteral("data/app.log.jsonl"))).size(), 1);
    t.kho->ghiNhatKy(QStringLiteral("sync"));
    EXPECT_FALSE(t.kho->loiGhiNhatKy()) << "a good write clears the error";
}

// A journal line is outside data too: one whose detail nests deeper than any line this program writes is a
// broken line at its number, whether or not its hash would match, and the check itself never recurses into it.
TEST(NhatKy, DongLongQuaSauLaDongGay) {
    const auto longNhau = [](int sau) { return std::string(size_t(sau), '[') + std::string(size_t(sau), ']'); };
    // A line as the writer would make it, with its own correct hash, around a detail nested sau deep.
    const auto dongDung = [&](const std::string& truoc, int sau) {
        nlohmann::json j = {{"ts", "2025-12-10T09:00:00Z"},
                            {"event", "x"},
                            {"detail", {{"d", nlohmann::json::parse(longNhau(sau))}}},
                            {"prev", truoc}};
        j["hash"] =
            QCryptographicHash::hash(QByteArray::fromStdString(NhatKy::tuanTuHoa(j.dump())), QCryptographicHash::Sha256)
                .toHex()
                .toStdString();
        return QByteArray::fromStdString(NhatKy::tuanTuHoa(j.dump()));
    };
    struct {
        const char* ten;
        std::function<QByteArray(const std::string& truoc)> dong;
        bool ok;
    } const bang[] = {
        {"200 tang, hash dung", [&](const std::string& truoc) { return dongDung(truoc, 200); }, true},
        {"1000 tang, hash dung", [&](const std::string& truoc) { return dongDung(truoc, 1000); }, false},
        {"200000 tang",
         [&](const std::string& truoc) {
             return QByteArray::fromStdString(R"({"detail":{"d":)" + longNhau(200000) + R"(},"event":"x","hash":")" +
                                              std::string(64, '0') + R"(","prev":")" + truoc +
                                              R"(","ts":"2025-12-10T09:00:00Z"})");
         },
         false},
    };
    for (const auto& c : bang) {
        KhoTam t;
        ghiBa(*t.kho);
        const QByteArray cu = t.docTep(QStringLiteral("data/app.log.jsonl"));
        const auto dong = cacDong(cu);
        const std::string truoc = nlohmann::json::parse(dong.back().toStdString()).at("hash").get<std::string>();
        t.vietTep(QStringLiteral("data/app.log.jsonl"), cu + c.dong(truoc) + '\n');
        const auto kq = t.kho->kiemTraNhatKy();
        EXPECT_EQ(kq.ok, c.ok) << c.ten;
        EXPECT_EQ(kq.soDong, 4) << c.ten;
        EXPECT_EQ(kq.dongGay, c.ok ? std::nullopt : std::optional<qint64>(4)) << c.ten;
    }
}
