#include <gtest/gtest.h>

#include <QFont>
#include <QTextLayout>

#include "store/HuongChu.h"

namespace {

constexpr char16_t LRE = 0x202A, RLE = 0x202B, PDF = 0x202C, LRO = 0x202D, RLO = 0x202E;
constexpr char16_t RLI = 0x2067, FSI = 0x2068, PDI = 0x2069, LRM = 0x200E, RLM = 0x200F;

QString s(std::initializer_list<char16_t> cs) {
    QString r;
    for (const char16_t c : cs) r += QChar(c);
    return r;
}

// Where a widget draws the cursor before each character of text[tu, den) on a line of that text.
std::vector<qreal> viTri(const QString& text, qsizetype tu, qsizetype den) {
    QTextLayout layout(text, QFont());
    QTextOption o;
    o.setTextDirection(Qt::LeftToRight);
    layout.setTextOption(o);
    layout.beginLayout();
    QTextLine dong = layout.createLine();
    layout.endLayout();
    std::vector<qreal> ra;
    for (qsizetype i = tu; i < den; ++i) ra.push_back(dong.cursorToX(int(i)));
    return ra;
}

bool tangDan(const std::vector<qreal>& x) {
    for (size_t i = 1; i < x.size(); ++i)
        if (!(x[i] > x[i - 1])) return false;
    return true;
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

// On a widget's line, the program's own text after an outside value reads left to right whatever the value
// holds; written raw, the same value reverses it.
TEST(HuongChu, GiaTriCoLapKhongDaoChuPhiaSau) {
    const QString sau = QStringLiteral(" — số lượng 12");
    const QString giaTriXau[] = {s({u'A', u'o', RLO}), s({u'A', RLE}),      s({u'A', RLI}),
                                 s({u'A', PDI, RLO}),  s({u'A', FSI, RLO}), s({RLO, u'A', PDF, PDF, RLO})};
    for (const QString& v : giaTriXau) {
        const QString dong = QStringLiteral("Áo: ") + coLapHuong(v) + sau;
        const auto x = viTri(dong, dong.size() - sau.size() + 1, dong.size());
        EXPECT_TRUE(tangDan(x)) << "value " << v.toStdString();
    }
    const QString tho = QStringLiteral("Áo: ") + s({u'A', RLO}) + sau;
    EXPECT_FALSE(tangDan(viTri(tho, tho.size() - sau.size() + 1, tho.size())))
        << "the fixture no longer shows the fault it guards against";
}
