#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include "common/NgauNhienThu.h"
#include "store/DinhDangISO.h"
#include "store/DinhDangNgay.h"
#include "store/MucChon.h"
#include "store/TienIch.h"

TEST(ChuanHoaMa, BangCacTruongHop) {
    struct {
        QString vao, ra;
    } const bang[] = {
        {QStringLiteral("  #ab-12_3.4  "), QStringLiteral("AB1234")},
        {QStringLiteral("##12"), QStringLiteral("#12")},
        {QStringLiteral("a b"), QStringLiteral("AB")},
        {QString(), QString()},
        {QStringLiteral(" -_. \t"), QString()},
        {QStringLiteral("#"), QString()},
        // Unicode white space (no-break, ideographic, line separator) counts like a space.
        {QStringLiteral("vn\u00A0123\u3000x\u2028y"), QStringLiteral("VN123XY")},
        // Upper-casing is Unicode's and locale-free: a Turkish dotless rule must not apply.
        {QStringLiteral("đơn-iß"), QStringLiteral("ĐƠNISS")},
        // A decomposed letter meets its composed twin.
        {QStringLiteral("e\u0301"), QStringLiteral("\u00C9")},
    };
    for (const auto& c : bang) EXPECT_EQ(chuanHoaMa(c.vao), c.ra) << c.vao.toStdString();
}

TEST(ChuanHoaMa, TuUtf8GiongTuQString) {
    // Loading normalises codes straight from the file's UTF-8, byte by byte for ASCII: it must give what
    // chuanHoaMa gives the decoded text, for every ASCII byte and for the texts that leave the fast path.
    QStringList vao = {QStringLiteral("  #ab-12_3.4  "), QStringLiteral("##12"),
                       QStringLiteral(" -_. \t"),        QStringLiteral("#"),
                       QStringLiteral("\v#x\f"),         QStringLiteral("-#x"),
                       QStringLiteral("vn\u00A0123"),    QStringLiteral("đơn-iß"),
                       QStringLiteral("e\u0301"),        QStringLiteral("ab\u0085c"),
                       QString(QChar(u'\0')) + u'a',     QString()};
    for (char16_t c = 0; c < 0x80; ++c) vao << QStringLiteral("a%1b").arg(QChar(c)) << QString(QChar(c));
    NgauNhienThu ngauNhien;
    const QString chu = QStringLiteral(" \t\r#-_.azAZ09\u00e9\u0301\u00A0");
    for (int i = 0; i < 2000; ++i) {
        QString s;
        for (int k = ngauNhien->bounded(8); k > 0; --k) s += chu[ngauNhien->bounded(chu.size())];
        vao << s;
    }
    // One text for every code, as loading reuses it; a copy taken from it keeps its value.
    QString ra, banSao, truoc;
    for (const QString& s : vao) {
        const QByteArray u = s.toUtf8();
        chuanHoaMaVao(ra, std::string_view(u.constData(), size_t(u.size())));
        ASSERT_EQ(ra, chuanHoaMa(s)) << u.toHex().toStdString();
        EXPECT_EQ(banSao, chuanHoaMa(truoc));
        banSao = ra;
        truoc = s;
    }
}

TEST(TenTepAnToan, BangCacTruongHop) {
    const QString bay = QStringLiteral("ệ");  // three UTF-8 bytes in composed form
    struct {
        QString vao, ra;
    } const bang[] = {
        {QStringLiteral("a/b:c"), QStringLiteral("abc")},
        {QStringLiteral("..x"), QStringLiteral("x")},
        {QStringLiteral(" . x"), QStringLiteral("x")},
        {QStringLiteral("/\\:*?\"<>|"), QStringLiteral("DU-PHONG")},
        {QString(), QStringLiteral("DU-PHONG")},
        {QStringLiteral("a\tb\u007Fc\nd"), QStringLiteral("abcd")},
        {bay.repeated(30), bay.repeated(26)},
        // Decomposed input is composed first, so 30 letters of base + two marks still cut to 26.
        {QStringLiteral("e\u0302\u0323").repeated(30), bay.repeated(26)},
        // A combining mark riding on "/" takes the whole character with it.
        {QStringLiteral("a/\u0301b"), QStringLiteral("ab")},
        // A dot carrying a combining mark is a character of its own, not a leading dot.
        {QStringLiteral(".\u0301x"), QStringLiteral(".\u0301x")},
        {QStringLiteral("..\u0301x"), QStringLiteral(".\u0301x")},
        {QStringLiteral(". .\u0301x"), QStringLiteral(".\u0301x")},
        {QStringLiteral("x").repeated(81), QStringLiteral("x").repeated(80)},
        {QStringLiteral("ĐH 1001"), QStringLiteral("ĐH 1001")},
    };
    for (const auto& c : bang) EXPECT_EQ(tenTepAnToan(c.vao, QStringLiteral("DU-PHONG")), c.ra) << c.vao.toStdString();
    EXPECT_EQ(tenTepAnToan(bay.repeated(30), QString()).toUtf8().size(), 78);
}

TEST(TenMucChon, TimNhanTheoId) {
    EXPECT_EQ(tenMucChon(danhSachXuLy(), QStringLiteral("chap-nhan")),
              QStringLiteral("Chấp nhận hoàn tiền / đổi hàng"));
    EXPECT_EQ(tenMucChon(danhSachXuLy(), QStringLiteral("khong-co")), QStringLiteral("khong-co"));
    EXPECT_EQ(tenMucChon(danhSachXuLy(), std::nullopt), QStringLiteral("—"));
    EXPECT_EQ(danhSachLyDo().size(), 6);
    EXPECT_EQ(danhSachTinhTrang().size(), 5);
    EXPECT_EQ(cacBuocMoKien().size(), 5);
}

TEST(HienThiPhutGiay, PhutKhongBiChanVaSoAmLaKhong) {
    const std::pair<qint64, const char*> cac[] = {{0, "00:00"},    {59, "00:59"},    {60, "01:00"}, {3599, "59:59"},
                                                  {3600, "60:00"}, {6000, "100:00"}, {-5, "00:00"}, {-3600, "00:00"}};
    for (auto [giay, chu] : cac) EXPECT_EQ(hienThiPhutGiay(giay), chu) << giay;
}

TEST(HienThiNgay, GioDiaPhuong) {
    // Tests run in Asia/Ho_Chi_Minh (UTC+7).
    struct {
        std::optional<QString> vao;
        QString ra;
    } const bang[] = {
        {QStringLiteral("2026-03-01T17:30:00Z"), QStringLiteral("02/03/2026 00:30")},
        {QStringLiteral("2026-03-01T17:30:59.987Z"), QStringLiteral("02/03/2026 00:30")},
        {QStringLiteral("2026-03-01T10:30:00+03:00"), QStringLiteral("01/03/2026 14:30")},
        {QStringLiteral("khong phai ngay"), QStringLiteral("—")},
        // Platforms that send order times without a zone mean the shop's local time; other zone-less
        // shapes are still refused.
        {QStringLiteral("2026-03-01T17:30:00"), QStringLiteral("01/03/2026 17:30")},
        {QStringLiteral("2026-03-01 17:30:00.123"), QStringLiteral("01/03/2026 17:30")},
        {QStringLiteral("2026-03-01T17:30"), QStringLiteral("—")},
        {QStringLiteral("2026/03/01 17:30:00"), QStringLiteral("—")},
        {QStringLiteral("2026-02-30T10:00:00Z"), QStringLiteral("—")},
        {QString(), QStringLiteral("—")},
        {std::nullopt, QStringLiteral("—")},
    };
    for (const auto& c : bang) EXPECT_EQ(hienThiNgay(c.vao), c.ra) << c.vao.value_or("(absent)").toStdString();
}

TEST(DinhDangNgay, MauCoDinhVaISO) {
    const QDateTime t(QDate(2026, 1, 31), QTime(20, 5, 9), Qt::UTC);  // 1 Feb 03:05:09 local
    EXPECT_EQ(dinhDangISO().dinhDang(t), QStringLiteral("2026-01-31T20:05:09Z"));
    EXPECT_EQ(dinhDangNgay().dinhDang(t), QStringLiteral("2026-02-01"));
    EXPECT_EQ(dinhDangThuMucNgay().dinhDang(t), QStringLiteral("2026/02/01"));
    EXPECT_EQ(dinhDangTenTep().dinhDang(t), QStringLiteral("2026-02-01_03-05-09"));
    EXPECT_EQ(dinhDangNgayGio().dinhDang(t), QStringLiteral("01/02/2026 03:05:09"));
    EXPECT_EQ(dinhDangNgayGioNgan().dinhDang(t), QStringLiteral("01/02/2026 03:05"));

    // The strict reader refuses fractions; the second reading requires them.
    EXPECT_FALSE(dinhDangISO().doc(u"2026-01-31T20:05:09.5Z"));
    EXPECT_FALSE(DinhDangISO::docCoPhanGiay(u"2026-01-31T20:05:09Z"));
    EXPECT_EQ(DinhDangISO::docCoPhanGiay(u"2026-01-31T20:05:09.5Z")->toMSecsSinceEpoch(), t.toMSecsSinceEpoch() + 500);
    EXPECT_EQ(docThoiGianISO(u"2026-01-31T20:05:09Z"), t);
    for (const char16_t* xau : {u"2026-01-31 20:05:09Z", u"2026-01-31T20:05:09z", u"2026-01-31T20:05:09+0700",
                                u"2026-01-31T24:00:00Z", u"2026-01-31T20:05:09Z ", u"2026-1-31T20:05:09Z"})
        EXPECT_FALSE(docThoiGianISO(xau)) << QString::fromUtf16(xau).toStdString();
}

TEST(Sha256CuaTep, RongMotKhoiVaLe) {
    QTemporaryDir tam;
    auto viet = [&](const QString& ten, const QByteArray& b) {
        QFile f(tam.filePath(ten));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b);
        return f.fileName();
    };
    QByteArray motMiB(1 << 20, '\0');
    for (int i = 0; i < motMiB.size(); ++i) motMiB[i] = static_cast<char>(i * 7 + i / 251);
    const QByteArray le = motMiB + QByteArray("ket thuc", 8);
    for (const QByteArray& b : {QByteArray(), motMiB, le}) {
        const QString p = viet(QString::number(b.size()), b);
        const auto v = sha256CuaTep(p);
        ASSERT_TRUE(v);
        EXPECT_EQ(v->bytes, b.size());
        EXPECT_EQ(v->sha256, QString::fromLatin1(QCryptographicHash::hash(b, QCryptographicHash::Sha256).toHex()));
    }
    EXPECT_FALSE(sha256CuaTep(tam.filePath("khong-co")));
    // A folder opens but fails at the first read: no digest of what was read so far.
    EXPECT_FALSE(sha256CuaTep(tam.path()));
}
