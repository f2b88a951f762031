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
#include "store/DocJson.h"
#include "store/DongNhatKy.h"

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
    k.nhatKy().ghi(QStringLiteral("app_start"), {{QStringLiteral("don"), QStringLiteral("0")}});
    k.nhatKy().ghi(QStringLiteral("rec_start"), {{QStringLiteral("code"), QStringLiteral("GHN1")}});
    k.nhatKy().ghi(QStringLiteral("rec_finish"), {{QStringLiteral("code"), QStringLiteral("GHN1")}});
}

const QByteArray kBom = "\xEF\xBB\xBF";

// After the store is opened again as at start-up and writes one line, the check and the independent reader still
// agree, and a journal the check called intact is still intact, one line longer: the program's own write never
// breaks a chain it has just vouched for.
void kiemSauMotLanGhi(KhoTam& t, const NhatKy::KetQuaKiemTra& truoc, const std::string& ten) {
    t.moLai(true);
    t.kho->nhatKy().ghi(QStringLiteral("sync"));
    ASSERT_FALSE(t.kho->nhatKy().loiGhi()) << ten;
    const auto sau = t.kho->nhatKy().kiemTra();
    EXPECT_EQ(kiemNhatKyDocLap(t.docTep(QStringLiteral("data/app.log.jsonl"))),
              (KetQuaDocLap{sau.ok, sau.soDong, sau.dongGay}))
        << ten << ": after one append";
    if (truoc.ok) {
        EXPECT_TRUE(sau.ok) << ten << ": an intact journal broken by the program's own append";
        EXPECT_EQ(sau.soDong, truoc.soDong + 1) << ten;
    }
}

// A line as a serialiser that keeps every digit would write it around chiTiet (already sorted and compact), with
// its correct hash: the bytes hashed are written out here by hand, not produced by any JSON library.
QByteArray dongTay(const QByteArray& truoc, const QByteArray& chiTiet) {
    const QByteArray dau = R"({"detail":)" + chiTiet + R"(,"event":"x",)";
    const QByteArray cuoi = R"("prev":")" + truoc + R"(","ts":"2025-12-10T09:00:00Z"})";
    return dau + R"("hash":")" + sha256Hex(dau + cuoi) + R"(",)" + cuoi;
}

// A correctly hashed line of exactly doDai bytes, padded in a detail text.
QByteArray dongDoDai(const QByteArray& truoc, qsizetype doDai) {
    const qsizetype ngan = dongTay(truoc, R"({"t":""})").size();
    return dongTay(truoc, R"({"t":")" + QByteArray(doDai - ngan, 'x') + R"("})");
}

// The "hash" of a line, read as plain text.
QByteArray bamCua(const QByteArray& dong) {
    const qsizetype i = dong.indexOf(R"("hash":")");
    return i < 0 ? QByteArray() : dong.mid(i + 8, 64);
}

QByteArray soDaiChu() {
    return "-123456789012345678901234567890";
}

// A rec_start line of exactly doDai bytes.
QByteArray dongSuKienDai(const QByteArray& ma, qsizetype doDai) {
    const QByteArray dau = R"({"detail":{"code":")" + ma + R"(","x":")";
    const QByteArray cuoi = R"("},"event":"rec_start"})";
    return dau + QByteArray(doDai - dau.size() - cuoi.size(), 'x') + cuoi;
}

// What docSuKien handed over, one "event code" text per event ("-" for an event without a detail object).
QStringList suKienDoc(const NhatKy& nk, std::initializer_list<std::string_view> cacTen) {
    QStringList ra;
    nk.docSuKien(cacTen, [&](const NhatKy::SuKienDoc& sk) {
        ra << sk.ten() + u' ' + (sk.coChiTiet() ? sk.chiTiet("code") : QStringLiteral("-"));
    });
    return ra;
}

}  // namespace

TEST(NhatKy, DongDauTinhLaiTuQuyTac) {
    KhoTam t;
    t.dongHo.datGiayThuc(1'700'000'000);
    t.kho->nhatKy().ghi(QStringLiteral("rec_finish"), {{QStringLiteral("file"), QStringLiteral("/v/a b.mp4")},
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
    EXPECT_EQ(t.kho->nhatKy().vanTayDongTruoc().toLatin1(), bam);
    EXPECT_FALSE(t.kho->nhatKy().loiGhi());

    t.kho->nhatKy().ghi(QStringLiteral("sync"));
    const auto dong = cacDong(t.docTep(QStringLiteral("data/app.log.jsonl")));
    ASSERT_EQ(dong.size(), 2);
    EXPECT_TRUE(dong[1].startsWith(R"({"detail":{},"event":"sync","hash":")"));
    EXPECT_TRUE(dong[1].contains("\"prev\":\"" + bam + "\""));
    const auto kq = t.kho->nhatKy().kiemTra();
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
        const auto kq = t.kho->nhatKy().kiemTra();
        EXPECT_EQ(kq.ok, c.ok) << c.ten;
        EXPECT_EQ(kq.soDong, c.soDong) << c.ten;
        EXPECT_EQ(kq.dongGay, c.dongGay) << c.ten;
        // Any other reader of the same rule gives the same verdict.
        EXPECT_EQ(kiemNhatKyDocLap(t.docTep(QStringLiteral("data/app.log.jsonl"))),
                  (KetQuaDocLap{c.ok, c.soDong, c.dongGay}))
            << c.ten;
        kiemSauMotLanGhi(t, kq, c.ten);
    }
    KhoTam thieu;
    const auto kq = thieu.kho->nhatKy().kiemTra();
    EXPECT_FALSE(kq.ok);
    EXPECT_EQ(kq.soDong, 0);
    EXPECT_FALSE(kq.dongGay) << "a missing journal is unreadable, not broken";
}

TEST(NhatKy, GhiLoiRoiGhiDuocVanLienMach) {
    KhoTam t;
    t.kho->nhatKy().ghi(QStringLiteral("app_start"));
    const QString van = t.kho->nhatKy().vanTayDongTruoc();
    // The data folder becomes a regular file for a while: the write fails and the chain does not move.
    QDir().rename(t.duongDan(QStringLiteral("data")), t.duongDan(QStringLiteral("data.cat")));
    t.vietTep(QStringLiteral("data"), "khong phai thu muc");
    t.kho->nhatKy().ghi(QStringLiteral("rec_start"));
    ASSERT_TRUE(t.kho->nhatKy().loiGhi());
    EXPECT_EQ(t.kho->nhatKy().vanTayDongTruoc(), van);
    QFile::remove(t.duongDan(QStringLiteral("data")));
    QDir().rename(t.duongDan(QStringLiteral("data.cat")), t.duongDan(QStringLiteral("data")));
    t.kho->nhatKy().ghi(QStringLiteral("rec_finish"));
    EXPECT_FALSE(t.kho->nhatKy().loiGhi());
    const auto kq = t.kho->nhatKy().kiemTra();
    EXPECT_TRUE(kq.ok);
    EXPECT_EQ(kq.soDong, 2);
}

TEST(NhatKy, GhiDoDangBiCatVeDoDaiCu) {
    KhoTam t;
    ghiBa(*t.kho);
    const QByteArray truoc = t.docTep(QStringLiteral("data/app.log.jsonl"));
    const QString van = t.kho->nhatKy().vanTayDongTruoc();
    // A file-size limit a few bytes past the end makes the write stop part-way, as a full disk would.
    signal(SIGXFSZ, SIG_IGN);
    rlimit cu;
    getrlimit(RLIMIT_FSIZE, &cu);
    rlimit moi = cu;
    moi.rlim_cur = static_cast<rlim_t>(truoc.size() + 10);
    setrlimit(RLIMIT_FSIZE, &moi);
    t.kho->nhatKy().ghi(QStringLiteral("rec_hong"), {{QStringLiteral("vi"), QStringLiteral("x").repeated(200)}});
    setrlimit(RLIMIT_FSIZE, &cu);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_TRUE(t.kho->nhatKy().loiGhi());
    EXPECT_EQ(t.kho->nhatKy().vanTayDongTruoc(), van);
    EXPECT_EQ(t.docTep(QStringLiteral("data/app.log.jsonl")), truoc) << "the partial line is cut off";
    t.kho->nhatKy().ghi(QStringLiteral("sync"));
    EXPECT_TRUE(t.kho->nhatKy().kiemTra().ok);
    EXPECT_EQ(t.kho->nhatKy().kiemTra().soDong, 4);
}

TEST(NhatKy, MoLaiSauKhiDuoiRach) {
    KhoTam t;
    ghiBa(*t.kho);
    const QByteArray day = t.docTep(QStringLiteral("data/app.log.jsonl"));
    const auto dong = cacDong(day);
    const QString bamCuoi = t.kho->nhatKy().vanTayDongTruoc();

    // Torn in the middle of a fourth line: the fragment is cut and the next line chains to line 3.
    t.vietTep(QStringLiteral("data/app.log.jsonl"), day + dong[2].left(40));
    t.moLai(true);
    EXPECT_EQ(t.kho->nhatKy().vanTayDongTruoc(), bamCuoi);
    EXPECT_EQ(t.docTep(QStringLiteral("data/app.log.jsonl")), day);
    t.kho->nhatKy().ghi(QStringLiteral("app_start"));
    EXPECT_TRUE(t.kho->nhatKy().kiemTra().ok);

    // A whole last line that only lacks its line feed is kept.
    KhoTam u;
    ghiBa(*u.kho);
    const QByteArray du = u.docTep(QStringLiteral("data/app.log.jsonl"));
    const QString bamU = u.kho->nhatKy().vanTayDongTruoc();
    u.vietTep(QStringLiteral("data/app.log.jsonl"), du.left(du.size() - 1));
    u.moLai(true);
    EXPECT_EQ(u.kho->nhatKy().vanTayDongTruoc(), bamU);
    u.kho->nhatKy().ghi(QStringLiteral("app_start"));
    const auto kq = u.kho->nhatKy().kiemTra();
    EXPECT_TRUE(kq.ok);
    EXPECT_EQ(kq.soDong, 4);
}

TEST(NhatKy, VanTayCuoiBoQuaDongHong) {
    KhoTam t;
    ghiBa(*t.kho);
    const QByteArray day = t.docTep(QStringLiteral("data/app.log.jsonl"));
    const QString bamCuoi = t.kho->nhatKy().vanTayDongTruoc();
    const QByteArray hong = day + "{\"hash\":\"\xff\"}\n{\"hash\":\"\"}\n{khong\n\n";
    t.vietTep(QStringLiteral("data/app.log.jsonl"), hong);
    t.moLai(true);
    EXPECT_EQ(t.docTep(QStringLiteral("data/app.log.jsonl")), hong)
        << "terminated broken lines are left for the verifier";
    EXPECT_EQ(t.kho->nhatKy().vanTayDongTruoc(), bamCuoi);
    const auto kq = t.kho->nhatKy().kiemTra();
    EXPECT_FALSE(kq.ok);
    EXPECT_FALSE(kq.dongGay) << "with a byte that is not UTF-8 the journal is not text as a whole: unreadable";
    t.moLai();
    EXPECT_EQ(t.kho->nhatKy().vanTayDongTruoc(), QStringLiteral("GENESIS")) << "nothing is read before napTatCa";
}

TEST(NhatKy, ChiTietKhongHopLeDatLoi) {
    KhoTam t;
    t.kho->nhatKy().ghi(QStringLiteral("app_start"));
    const QString van = t.kho->nhatKy().vanTayDongTruoc();
    const QChar doc = QChar(char16_t(0xD800));  // a lone surrogate, not a Unicode text
    t.kho->nhatKy().ghi(QStringLiteral("sync_error"), {{QStringLiteral("loi"), QString(doc)}});
    EXPECT_TRUE(t.kho->nhatKy().loiGhi());
    EXPECT_EQ(t.kho->nhatKy().vanTayDongTruoc(), van);
    EXPECT_EQ(cacDong(t.docTep(QStringLiteral("data/app.log.jsonl"))).size(), 1);
    t.kho->nhatKy().ghi(QStringLiteral("sync"));
    EXPECT_FALSE(t.kho->nhatKy().loiGhi()) << "a good write clears the error";
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
        const auto kq = t.kho->nhatKy().kiemTra();
        EXPECT_EQ(kq.ok, c.ok) << c.ten;
        EXPECT_EQ(kq.soDong, 4) << c.ten;
        EXPECT_EQ(kq.dongGay, c.ok ? std::nullopt : std::optional<qint64>(4)) << c.ten;
    }
}

// Byte-order marks and long integers: the check, the load of the last hash behind the next append, and the
// independent reader all take each journal the same way, before one append and after it.
TEST(NhatKy, DauBomVaSoNguyenDaiDocNhuNhau) {
    using Dong = QList<QByteArray>;
    const QByteArray soDai = "123456789012345678901234567890";
    // The journal with one of its lines edited in place.
    const auto suaDong = [](Dong d, int i, const QByteArray& tu, const QByteArray& thanh) {
        d[i].replace(tu, thanh);
        return d.join('\n') + '\n';
    };
    struct {
        const char* ten;
        std::function<QByteArray(const Dong&)> lam;
        KetQuaDocLap truoc, sau;
    } const bang[] = {
        {"BOM at the start", [&](const Dong& d) { return kBom + d.join('\n') + '\n'; }, {true, 3, {}}, {true, 4, {}}},
        {"BOM alone on the first piece",
         [&](const Dong& d) { return kBom + '\n' + d.join('\n') + '\n'; },
         {true, 3, {}},
         {true, 4, {}}},
        {"BOM at the start of a one-line journal without its line feed",
         [&](const Dong& d) { return kBom + d[0]; },
         {true, 1, {}},
         {true, 2, {}}},
        {"two BOMs at the start",
         [&](const Dong& d) { return kBom + kBom + d.join('\n') + '\n'; },
         {false, 1, 1},
         {false, 1, 1}},
        {"BOM after a blank first piece",
         [&](const Dong& d) { return '\n' + kBom + d.join('\n') + '\n'; },
         {false, 1, 1},
         {false, 1, 1}},
        {"BOM before line 2",
         [&](const Dong& d) { return d[0] + '\n' + kBom + d[1] + '\n' + d[2] + '\n'; },
         {false, 2, 2},
         {false, 2, 2}},
        // The load passes over it as the check does: the next line chains to line 2, and the break stays at 3.
        {"BOM before the last line",
         [&](const Dong& d) { return d[0] + '\n' + d[1] + '\n' + kBom + d[2] + '\n'; },
         {false, 3, 3},
         {false, 3, 3}},
        // Not a whole line: cut aside at start-up like any torn tail, and the chain goes on from line 2.
        {"BOM before the last line, without its line feed",
         [&](const Dong& d) { return d[0] + '\n' + d[1] + '\n' + kBom + d[2]; },
         {false, 3, 3},
         {true, 3, {}}},
        {"a long integer",
         [&](const Dong& d) { return d.join('\n') + '\n' + dongTay(bamCua(d[2]), R"({"n":)" + soDai + "}") + '\n'; },
         {true, 4, {}},
         {true, 5, {}}},
        {"long integers of both signs among others",
         [&](const Dong& d) {
             return d.join('\n') + '\n' +
                    dongTay(bamCua(d[2]), R"({"a":[-92233720368547758090,1,18446744073709551616,2.5,-7],"b":{"c":)" +
                                              soDai + R"(,"d":"\/x"}})") +
                    '\n';
         },
         {true, 4, {}},
         {true, 5, {}}},
        {"the 64-bit limits",
         [&](const Dong& d) {
             return d.join('\n') + '\n' +
                    dongTay(bamCua(d[2]), R"({"a":18446744073709551615,"b":-9223372036854775808})") + '\n';
         },
         {true, 4, {}},
         {true, 5, {}}},
        {"just past the 64-bit limits",
         [&](const Dong& d) {
             return d.join('\n') + '\n' +
                    dongTay(bamCua(d[2]), R"({"a":18446744073709551616,"b":-9223372036854775809})") + '\n';
         },
         {true, 4, {}},
         {true, 5, {}}},
        {"a 300-digit integer",
         [&](const Dong& d) {
             return d.join('\n') + '\n' + dongTay(bamCua(d[2]), R"({"n":)" + QByteArray(300, '7') + "}") + '\n';
         },
         {true, 4, {}},
         {true, 5, {}}},
        // The last line, whole but for its line feed, is kept and chained to.
        {"a long integer in the last line, without its line feed",
         [&](const Dong& d) { return d.join('\n') + '\n' + dongTay(bamCua(d[2]), R"({"n":)" + soDai + "}"); },
         {true, 4, {}},
         {true, 5, {}}},
        // Hashed over the integer turned into a double: not what the line says.
        {"a long integer hashed as a double",
         [&](const Dong& d) {
             QByteArray dong = dongTay(bamCua(d[2]), R"({"n":1.2345678901234568e+29})");
             dong.replace("1.2345678901234568e+29", soDai);
             return d.join('\n') + '\n' + dong + '\n';
         },
         {false, 4, 4},
         {false, 4, 4}},
        // nlohmann takes a NUL byte for the end of its input: what follows one must not slip past the check.
        {"a NUL byte and more after the last line's object",
         [&](const Dong& d) { return d[0] + '\n' + d[1] + '\n' + d[2] + '\0' + R"({"sua":1})" + '\n'; },
         {false, 3, 3},
         {false, 3, 3}},
        {"a NUL byte closing line 2",
         [&](const Dong& d) { return d[0] + '\n' + d[1] + '\0' + '\n' + d[2] + '\n'; },
         {false, 2, 2},
         {false, 2, 2}},
        {"a NUL byte alone on a last line",
         [&](const Dong& d) { return d.join('\n') + '\n' + '\0' + '\n'; },
         {false, 4, 4},
         {false, 4, 4}},
        {"a NUL byte inside a text of line 1",
         [&](const Dong& d) { return suaDong(d, 0, R"("don":"0")", QByteArray(R"("don":"0)") + '\0' + '"'); },
         {false, 1, 1},
         {false, 1, 1}},
        // Not a whole line: cut aside at start-up, and the chain goes on from line 3.
        {"a NUL byte after the last line, without its line feed",
         [&](const Dong& d) { return d.join('\n') + '\0'; },
         {false, 3, 3},
         {true, 3, {}}},
        // Of two keys of one name the last is hashed: a key put before it changes nothing the hash covers...
        {"a duplicate key before the hashed one",
         [&](const Dong& d) {
             return suaDong(d, 2, R"("event":"rec_finish")", R"("event":"sua","event":"rec_finish")");
         },
         {true, 3, {}},
         {true, 4, {}}},
        {"a duplicate detail key before the hashed one",
         [&](const Dong& d) { return suaDong(d, 1, R"("code":"GHN1")", R"("code":"SUA","code":"GHN1")"); },
         {true, 3, {}},
         {true, 4, {}}},
        // ...and one put after it replaces what was hashed.
        {"a duplicate key after the hashed one",
         [&](const Dong& d) { return suaDong(d, 1, R"("code":"GHN1")", R"("code":"GHN1","code":"SUA")"); },
         {false, 2, 2},
         {false, 2, 2}},
        {"a duplicate hash, the right one first",
         [&](const Dong& d) {
             return suaDong(d, 2, R"("prev":)", R"("hash":")" + QByteArray(64, '0') + R"(","prev":)");
         },
         {false, 3, 3},
         {false, 3, 3}},
        // The check has no length bound of its own: a line as long as the event reader reads, and one byte
        // longer, both correctly hashed.
        {"a last line of the event reader's length bound",
         [&](const Dong& d) { return d.join('\n') + '\n' + dongDoDai(bamCua(d[2]), NhatKy::kDongToiDa) + '\n'; },
         {true, 4, {}},
         {true, 5, {}}},
        {"a last line one byte past the event reader's length bound",
         [&](const Dong& d) { return d.join('\n') + '\n' + dongDoDai(bamCua(d[2]), NhatKy::kDongToiDa + 1) + '\n'; },
         {true, 4, {}},
         {true, 5, {}}},
        {"a long integer changed by one digit",
         [&](const Dong& d) {
             QByteArray dong = dongTay(bamCua(d[2]), R"({"n":)" + soDai + "}");
             dong.replace(soDai, soDai.left(soDai.size() - 1) + '1');
             return d.join('\n') + '\n' + dong + '\n';
         },
         {false, 4, 4},
         {false, 4, 4}},
    };
    for (const auto& c : bang) {
        KhoTam t;
        ghiBa(*t.kho);
        const auto dong = cacDong(t.docTep(QStringLiteral("data/app.log.jsonl")));
        t.vietTep(QStringLiteral("data/app.log.jsonl"), c.lam(dong));
        const auto kq = t.kho->nhatKy().kiemTra();
        EXPECT_EQ((KetQuaDocLap{kq.ok, kq.soDong, kq.dongGay}), c.truoc) << c.ten;
        EXPECT_EQ(kiemNhatKyDocLap(t.docTep(QStringLiteral("data/app.log.jsonl"))), c.truoc) << c.ten;
        kiemSauMotLanGhi(t, kq, c.ten);
        const auto sau = t.kho->nhatKy().kiemTra();
        EXPECT_EQ((KetQuaDocLap{sau.ok, sau.soDong, sau.dongGay}), c.sau) << c.ten << ": after one append";
    }
}

// A whole last line without its line feed that only the journal's own rule calls whole (a long integer) was
// left as it was by a load that could not take the folder's lock; the first append, once the lock is free, must
// end it by that same rule, not cut it aside and chain the new line to a line no longer there.
TEST(NhatKy, GhiSauKhiKhoaDuocTraGiuDongCuoiSoDai) {
    KhoTam t;
    ghiBa(*t.kho);
    const auto dong = cacDong(t.docTep(QStringLiteral("data/app.log.jsonl")));
    const QByteArray cuoi = dongTay(bamCua(dong[2]), R"({"n":123456789012345678901234567890})");
    t.vietTep(QStringLiteral("data/app.log.jsonl"), dong.join('\n') + '\n' + cuoi);
    t.kho.reset();
    std::optional<KhoDuLieu> giu;
    giu.emplace(t.goc(), &t.dongHo, t.dungLuong);
    ASSERT_FALSE(giu->moKho());
    t.moLai(true);
    ASSERT_TRUE(t.kho->moKho()) << "another store holds the folder's lock";
    EXPECT_EQ(t.kho->nhatKy().vanTayDongTruoc().toLatin1(), bamCua(cuoi));

    giu.reset();
    t.kho->nhatKy().ghi(QStringLiteral("app_start"));
    ASSERT_FALSE(t.kho->nhatKy().loiGhi());
    const QByteArray sau = t.docTep(QStringLiteral("data/app.log.jsonl"));
    EXPECT_TRUE(sau.startsWith(dong.join('\n') + '\n' + cuoi + '\n')) << sau.toStdString();
    const auto kq = t.kho->nhatKy().kiemTra();
    EXPECT_TRUE(kq.ok);
    EXPECT_EQ(kq.soDong, 5);
}

// An integer past even a double's range is kept by its digits too; the independent reader, which sees numbers
// through nlohmann's lexer, cannot follow there, so the line is checked against its hand-written bytes alone.
TEST(NhatKy, SoNguyenQuaTamSoThuc) {
    KhoTam t;
    ghiBa(*t.kho);
    const QByteArray cu = t.docTep(QStringLiteral("data/app.log.jsonl"));
    const QByteArray dong = dongTay(bamCua(cacDong(cu).back()), R"({"n":[-)" + QByteArray(5000, '9') + "]}");
    t.vietTep(QStringLiteral("data/app.log.jsonl"), cu + dong + '\n');
    const auto kq = t.kho->nhatKy().kiemTra();
    EXPECT_TRUE(kq.ok);
    EXPECT_EQ(kq.soDong, 4);
    t.moLai(true);
    EXPECT_EQ(t.kho->nhatKy().vanTayDongTruoc().toLatin1(), bamCua(dong));
}

// The line reader on hostile lines: never a crash, an object only for an object as written, and the serialisation
// it hashes is, for a line already in the journal's form, exactly the bytes before the hash was put in.
TEST(NhatKy, DocDongHongLonSauVaCut) {
    const struct {
        QByteArray dong;
        bool doiTuong;
    } bang[] = {
        {"{}", true},
        {"  {}\r", true},
        {kBom + "{}", false},
        {" " + kBom + "{}", false},
        {QByteArray("{}\0", 3), false},
        {QByteArray("{}\0{\"a\":1}", 10), false},
        {QByteArray("{\"a\":1}\0 ", 9), false},
        {QByteArray("{\"a\":\"x\0y\"}", 11), false},
        {QByteArray("\0{}", 3), false},
        {R"({"a":1,"a":2})", true},
        {"{", false},
        {"}", false},
        {"[]", false},
        {R"("x")", false},
        {"1", false},
        {"null", false},
        {"", false},
        {R"({"a":})", false},
        {R"({"a":1,})", false},
        {R"({"a" 1})", false},
        {R"({"a":1}{"b":2})", false},
        {R"({"a":1} x)", false},
        {R"({"a":01})", false},
        {R"({"a":-})", false},
        {R"({"a":1.})", false},
        {R"({"a":-01234567890123456789012345})", false},
        {R"({"a":123456789012345678901234567890x})", false},
        {R"({"a":123456789012345678901234567890-1})", false},
        {R"({"a":1e400})", false},
        {R"({"a":"\ud800"})", false},
        {"{\"a\":\"t\tb\"}", false},
        {R"({"a":"12345678901234567890123456789"})", true},
        {R"({"a":"\"123456789012345678901234567890"})", true},
        {R"({"a":123456789012345678901234567890e2})", true},
        {R"({"a":-0})", true},
    };
    for (const auto& c : bang) EXPECT_EQ(DongNhatKy::doc(c.dong).has_value(), c.doiTuong) << c.dong.toStdString();

    // Numbers of every kind, in order, with strings that look like numbers between them: put back where they were.
    const QByteArray chiTiet =
        R"({"a":[1,-2,123456789012345678901234567890,2.5,"-98765432109876543210987",-123456789012345678901234567890,)"
        R"({"b":18446744073709551616,"c":[true,false,null,"x\"1234567890123456789012345"]},1e+30,0],)"
        R"("d":"\/duong\/dan","e":{}})";
    const QByteArray dong = dongTay("GENESIS", chiTiet);
    auto d = DongNhatKy::doc(dong);
    ASSERT_TRUE(d.has_value());
    const auto tuanTu = d->tuanTuKhongBam();
    ASSERT_TRUE(tuanTu.has_value());
    EXPECT_EQ(QByteArray::fromStdString(*tuanTu),
              dong.left(dong.indexOf(R"("hash":")")) + dong.mid(dong.indexOf(R"("prev":)")));
    EXPECT_EQ(sha256Hex(QByteArray::fromStdString(*tuanTu)), bamCua(dong));

    // Cut anywhere, the line is no object, and as the journal's last line it is the broken one.
    KhoTam t;
    ghiBa(*t.kho);
    const QByteArray cu = t.docTep(QStringLiteral("data/app.log.jsonl"));
    for (qsizetype n = 1; n < dong.size(); ++n) {
        EXPECT_FALSE(DongNhatKy::doc(dong.left(n)).has_value()) << n;
        t.vietTep(QStringLiteral("data/app.log.jsonl"), cu + dong.left(n) + '\n');
        const auto kq = t.kho->nhatKy().kiemTra();
        EXPECT_EQ((KetQuaDocLap{kq.ok, kq.soDong, kq.dongGay}), (KetQuaDocLap{false, 4, 4})) << n;
    }

    // Huge: a 16 MiB text and 100,000 long integers in one line, both correctly hashed.
    const QByteArray truoc = bamCua(cacDong(cu).back());
    QByteArray nhieu = R"({"n":[)";
    for (int i = 0; i < 100000; ++i) nhieu += (i ? "," : "") + QByteArray::number(i + 1) + "123456789012345678901";
    nhieu += "]}";
    const QByteArray lon = dongTay(truoc, R"({"t":")" + QByteArray(16 << 20, 'x') + R"("})");
    const QByteArray dongNhieu = dongTay(bamCua(lon), nhieu);
    t.vietTep(QStringLiteral("data/app.log.jsonl"), cu + lon + '\n' + dongNhieu + '\n');
    const auto kq = t.kho->nhatKy().kiemTra();
    EXPECT_TRUE(kq.ok);
    EXPECT_EQ(kq.soDong, 5);

    // Deep: nested to the limit, long integers at the bottom, is read; one level more is not, and far deeper
    // neither, without recursing into it.
    const auto longNhau = [](int sau, const QByteArray& giua) {
        return QByteArray(sau, '[') + giua + QByteArray(sau, ']');
    };
    const int gioiHan = DocJson::kDoSauToiDa - 2;  // the line's object and its detail take two levels
    EXPECT_TRUE(DongNhatKy::doc(dongTay("GENESIS", R"({"d":)" + longNhau(gioiHan, soDaiChu()) + "}")));
    EXPECT_FALSE(DongNhatKy::doc(dongTay("GENESIS", R"({"d":)" + longNhau(gioiHan + 1, soDaiChu()) + "}")));
    EXPECT_FALSE(DongNhatKy::doc(dongTay("GENESIS", R"({"d":)" + longNhau(300000, soDaiChu()) + "}")));
}

// Events come back as they were written: only the names asked for, in order, with their time and the texts of
// their detail unescaped.
TEST(NhatKy, DocSuKienTheoTenDungThuTu) {
    KhoTam t;
    t.dongHo.datGiayThuc(1'700'000'000);
    NhatKy& nk = t.kho->nhatKy();
    nk.ghi(QStringLiteral("app_start"), {{QStringLiteral("don"), QStringLiteral("0")}});
    nk.ghi(QStringLiteral("rec_start"), {{QStringLiteral("code"), QStringLiteral("GHN1")},
                                         {QStringLiteral("orderId"), QStringLiteral("7001")},
                                         {QStringLiteral("kind"), QStringLiteral("pack")}});
    nk.ghi(QStringLiteral("sync"), {{QStringLiteral("code"), QStringLiteral("KHONGHOI")}});
    nk.ghi(QStringLiteral("rec_hong"), {{QStringLiteral("code"), QStringLiteral("Mã \"2\"")},
                                        {QStringLiteral("file"), QStringLiteral("/v/2026/a b.mp4")}});
    nk.ghi(QStringLiteral("rec_start_khac"), {{QStringLiteral("code"), QStringLiteral("TIENTO")}});
    nk.ghi(QStringLiteral("rec_finish"), {{QStringLiteral("code"), QStringLiteral("GHN1")}});

    EXPECT_EQ(suKienDoc(nk, {"rec_start", "rec_hong", "rec_finish"}),
              (QStringList{"rec_start GHN1", QStringLiteral("rec_hong Mã \"2\""), "rec_finish GHN1"}));
    EXPECT_EQ(suKienDoc(nk, {"app_start"}), QStringList{"app_start "});
    EXPECT_EQ(suKienDoc(nk, {}), QStringList());

    QList<std::optional<QDateTime>> luc;
    QStringList chiTiet;
    nk.docSuKien({"rec_start", "rec_hong"}, [&](const NhatKy::SuKienDoc& sk) {
        luc << sk.luc();
        chiTiet << sk.chiTiet("orderId") + u'|' + sk.chiTiet("kind") + u'|' + sk.chiTiet("file") + u'|' +
                       sk.chiTiet("khongco");
    });
    const QDateTime mong = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    EXPECT_EQ(luc, (QList<std::optional<QDateTime>>{mong, mong}));
    EXPECT_EQ(chiTiet, (QStringList{"7001|pack||", "||/v/2026/a b.mp4|"}));
}

// Lines the program never writes, among its own: each is passed over and the reading goes on with the next line.
TEST(NhatKy, DocSuKienBoQuaDongLa) {
    KhoTam t;
    NhatKy& nk = t.kho->nhatKy();
    nk.ghi(QStringLiteral("rec_start"), {{QStringLiteral("code"), QStringLiteral("DAU")}});
    const QByteArray dau = t.docTep(QStringLiteral("data/app.log.jsonl"));
    const QByteArray tot = R"({"detail":{"code":"SAU"},"event":"rec_start","ts":"2026-01-01T00:00:00Z"})";
    const struct {
        const char* ten;
        QByteArray dong;
        QStringList docDuoc;  // what the line itself yields
    } bang[] = {
        {"longer than a line may be",
         R"({"event":"rec_start","detail":{"code":")" + QByteArray(4 * NhatKy::kDongToiDa, 'A') + R"("}})",
         {}},
        {"a line of ours past the length limit, not read from its middle",
         QByteArray(NhatKy::kDongToiDa, ' ') + R"({"detail":{"code":"GIUA"},"event":"rec_start"})",
         {}},
        {"nested deeper than the parser goes",
         R"({"event":"rec_start","detail":{"code":"SAU1","x":)" + QByteArray(5000, '[') + QByteArray(5000, ']') + "}}",
         {}},
        {"torn", R"({"event":"rec_start","detail":{"code":"RACH","kind":"pa)", {}},
        {"byte-order mark", kBom + R"({"detail":{"code":"BOM"},"event":"rec_start"})", {}},
        {"integer past 64 bits", R"({"detail":{"code":"SOLON","n":123456789012345678901234},"event":"rec_start"})", {}},
        {"space after the key", R"({"detail":{"code":"CACH"},"event": "rec_start"})", {}},
        {"the name only inside the detail", R"({"detail":{"code":"TRONG","event":"rec_start"},"event":"sync"})", {}},
        {"event not text", R"({"detail":{"code":"SO","event":"rec_start"},"event":1})", {}},
        {"not an object", R"([{"detail":{"code":"MANG"},"event":"rec_start"}])", {}},
        {"detail not an object", R"({"detail":"x","event":"rec_start"})", {"rec_start -"}},
        {"a NUL byte after the object",
         R"({"detail":{"code":"NUL"},"event":"rec_start"})" + QByteArray(1, '\0') + "x",
         {}},
        {"nested exactly as deep as the check allows",
         R"({"event":"rec_start","detail":{"code":"SAU256","x":)" + QByteArray(DocJson::kDoSauToiDa - 2, '[') +
             QByteArray(DocJson::kDoSauToiDa - 2, ']') + "}}",
         {"rec_start SAU256"}},
        {"nested one level deeper than the check allows",
         R"({"event":"rec_start","detail":{"code":"SAU257","x":)" + QByteArray(DocJson::kDoSauToiDa - 1, '[') +
             QByteArray(DocJson::kDoSauToiDa - 1, ']') + "}}",
         {}},
        {"nested deeper than the check allows",
         R"({"event":"rec_start","detail":{"code":"SAU2","x":)" + QByteArray(300, '[') + QByteArray(300, ']') + "}}",
         {}},
        // Of two keys of one name the last is read, as the check hashes the line.
        {"the event named twice, ours first", R"({"detail":{"code":"TRUNG1"},"event":"rec_start","event":"sync"})", {}},
        {"the event named twice, ours last",
         R"({"detail":{"code":"TRUNG2"},"event":"sync","event":"rec_start"})",
         {"rec_start TRUNG2"}},
        {"a detail key twice", R"({"detail":{"code":"DAU","code":"CUOI"},"event":"rec_start"})", {"rec_start CUOI"}},
        {"the detail twice",
         R"({"detail":{"code":"D1"},"event":"rec_start","detail":{"code":"D2"}})",
         {"rec_start D2"}},
        {"the time twice",
         R"({"detail":{"code":"GIO2"},"event":"rec_start","ts":"2026-01-01T00:00:00Z","ts":5})",
         {"rec_start GIO2"}},
        {"exactly as long as a line may be", dongSuKienDai("BIEN", NhatKy::kDongToiDa), {"rec_start BIEN"}},
        {"one byte longer than a line may be", dongSuKienDai("QUA", NhatKy::kDongToiDa + 1), {}},
        {"unreadable time", R"({"detail":{"code":"GIO"},"event":"rec_start","ts":5})", {"rec_start GIO"}},
    };
    for (const auto& c : bang) {
        SCOPED_TRACE(c.ten);
        t.vietTep(QStringLiteral("data/app.log.jsonl"), dau + c.dong + '\n' + tot + '\n');
        EXPECT_EQ(suKienDoc(nk, {"rec_start"}),
                  QStringList{"rec_start DAU"} + c.docDuoc + QStringList{"rec_start SAU"});
        // Torn at the end of the journal, as a crash leaves it: read up to it.
        t.vietTep(QStringLiteral("data/app.log.jsonl"), dau + c.dong);
        EXPECT_EQ(suKienDoc(nk, {"rec_start"}), QStringList{"rec_start DAU"} + c.docDuoc);
    }
    bool coGio = true;
    nk.docSuKien({"rec_start"}, [&](const NhatKy::SuKienDoc& sk) { coGio = sk.luc().has_value(); });
    EXPECT_FALSE(coGio) << "a time that is not text is no time";
    t.vietTep(QStringLiteral("data/app.log.jsonl"),
              R"({"detail":{"code":"GIO2"},"event":"rec_start","ts":"2026-01-01T00:00:00Z","ts":5})");
    nk.docSuKien({"rec_start"}, [&](const NhatKy::SuKienDoc& sk) { coGio = sk.luc().has_value(); });
    EXPECT_FALSE(coGio) << "the time read is the last one, as the check hashes it";
}
