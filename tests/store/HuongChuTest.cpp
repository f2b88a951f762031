#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "common/ThuTuVe.h"
#include "store/HuongChu.h"

namespace {

constexpr char16_t LRE = 0x202A, RLE = 0x202B, PDF = 0x202C, LRO = 0x202D, RLO = 0x202E;
constexpr char16_t RLI = 0x2067, FSI = 0x2068, PDI = 0x2069, LRM = 0x200E, RLM = 0x200F;

QString s(std::initializer_list<char16_t> cs) {
    QString r;
    for (const char16_t c : cs) r += QChar(c);
    return r;
}

}  // namespace

TEST(HuongChu, CanBangDongMoiDieuKhienMoVaBoDieuKhienDongLac) {
    struct Ca {
        const char* ten;
        QString vao, ra;
    };
    const Ca cac[] = {
        {"plain text untouched", "Áo thun 12", "Áo thun 12"},
        {"marks kept", s({RLM, u'a', LRM}), s({RLM, u'a', LRM})},
        {"override closed", s({u'a', RLO, u'b'}), s({u'a', RLO, u'b', PDF})},
        {"balanced pair kept", s({RLE, u'a', PDF, u'b'}), s({RLE, u'a', PDF, u'b'})},
        {"stray PDI dropped", s({PDI, u'x', RLO}), s({u'x', RLO, PDF})},
        {"stray PDF dropped", s({PDF, u'x'}), QStringLiteral("x")},
        {"isolate closed, nested last first", s({RLI, u'a', LRO, u'b'}), s({RLI, u'a', LRO, u'b', PDF, PDI})},
        {"PDI closes the embeddings inside it", s({FSI, RLE, u'a', PDI, u'c'}), s({FSI, RLE, u'a', PDI, u'c'})},
        {"PDF inside an isolate closes nothing", s({RLI, u'a', PDF}), s({RLI, u'a', PDI})},
        {"PDF never reaches past an isolate", s({RLE, RLI, PDF, u'a'}), s({RLE, RLI, u'a', PDI, PDF})},
        {"a paragraph break closes what is open", s({RLO, u'a', u'\n', u'b', PDF}), s({RLO, u'a', PDF, u'\n', u'b'})},
        {"empty", QString(), QString()},
    };
    for (const Ca& ca : cac) EXPECT_EQ(canBangHuong(ca.vao), ca.ra) << ca.ten;

    // Nesting is capped well inside the algorithm's own depth, and what is kept stays balanced.
    const QString sau = canBangHuong(QString(500, QChar(RLE)) + u'x');
    EXPECT_EQ(sau.count(QChar(RLE)), 60);
    EXPECT_EQ(sau.count(QChar(PDF)), 60);
    EXPECT_TRUE(sau.endsWith(QString(60, QChar(PDF))));

    EXPECT_EQ(coLapHuong(s({u'a', RLO, PDI})), s({FSI, u'a', RLO, PDF, PDI}));
}

// Only a value that could move something is wrapped: everyday text stays as it was, with no invisible characters.
TEST(HuongChu, CoLapChiKhiGiaTriCoTheDoiHuong) {
    const std::pair<QString, bool> cac[] = {
        {QStringLiteral("Nguyễn Văn A, 12 Lê Lợi"), false},
        {QStringLiteral("#1001 · SKU-1 (2) 50% $3"), false},
        {QString(), false},
        {s({u'A', LRM}), false},
        {QStringLiteral("שלום 12"), true},
        {QStringLiteral("مرحبا"), true},
        {QStringLiteral("x ١٢"), true},    // Arabic-Indic digits
        {QStringLiteral("𞤀 a"), true},  // a right-to-left letter beyond the basic plane
        {s({u'a', RLM}), true},
        {s({u'a', PDF}), true},
        {s({u'a', PDI}), true},
        {s({u'a', LRE}), true},
    };
    for (const auto& [v, boc] : cac) {
        const QString ra = coLapHuong(v);
        if (boc) {
            EXPECT_EQ(ra, QChar(FSI) + canBangHuong(v) + QChar(PDI)) << v.toStdString();
        } else {
            EXPECT_EQ(ra, v) << v.toStdString();
        }
    }
}

// The isolate's own two characters draw nothing: a caption or label with them is as wide and as inked as without
// them (the runs either side are shaped apart, so single anti-aliased pixels may differ).
TEST(HuongChu, KyTuCoLapKhongVeGi) {
    const auto ve = [](const QString& chu) {
        QImage anh(240, 40, QImage::Format_RGB32);
        anh.fill(Qt::white);
        QPainter p(&anh);
        p.setPen(Qt::black);
        p.drawText(QRect(0, 0, 240, 40), Qt::AlignLeft | Qt::AlignVCenter, chu);
        p.end();
        int phai = -1, muc = 0;
        for (int y = 0; y < anh.height(); ++y)
            for (int x = 0; x < anh.width(); ++x)
                if (qGray(anh.pixel(x, y)) < 128) {
                    ++muc;
                    phai = std::max(phai, x);
                }
        return std::pair{phai, muc};
    };
    const auto [phaiTruoc, mucTruoc] = ve(QStringLiteral("SPX 12 · 01/05"));
    const auto [phaiSau, mucSau] = ve(QStringLiteral("SPX ") + s({FSI}) + "12" + s({PDI}) + " · 01/05");
    ASSERT_GT(mucTruoc, 50);
    EXPECT_NEAR(phaiSau, phaiTruoc, 1);
    EXPECT_NEAR(mucSau, mucTruoc, mucTruoc / 30);
}
