#include <gtest/gtest.h>

#include <QComboBox>
#include <QSignalSpy>

#include "shell/DongLuaChon.h"
#include "nentang/BangNenTang.h"
#include "store/MucChon.h"

namespace {

// Rows show the label and carry the id; a bound text selects a row only by exact, case-sensitive equality.
TEST(DongLuaChon, HangMangIdVaChonDungNguyenVan) {
    QComboBox hop;
    for (const MucNguon& m : bangNenTang()) dongLuaChon(&hop, m);
    ASSERT_EQ(hop.count(), bangNenTang().size());
    for (int i = 0; i < hop.count(); ++i) {
        EXPECT_EQ(hop.itemText(i), bangNenTang()[i].ten);
        EXPECT_EQ(hop.itemData(i).toString(), bangNenTang()[i].id);
    }
    const int pancake = hangCuaId(&hop, "pancake");
    ASSERT_GE(pancake, 0);
    EXPECT_EQ(hop.itemText(pancake), tenNguon("pancake"));
    struct Ca {
        const char* id;
        bool co;
    };
    for (const Ca& x :
         {Ca{"pancake", true}, Ca{"Pancake", false}, Ca{" pancake", false}, Ca{"Pancake POS", false}, Ca{"", false}}) {
        EXPECT_EQ(hangCuaId(&hop, x.id) >= 0, x.co) << x.id;
    }

    QSignalSpy doi(&hop, &QComboBox::currentIndexChanged);
    chonTheoId(&hop, "nhanh");
    EXPECT_EQ(idDangChon(&hop), "nhanh");
    chonTheoId(&hop, "NHANH");
    EXPECT_EQ(hop.currentIndex(), -1);
    EXPECT_EQ(idDangChon(&hop), "");
    EXPECT_EQ(doi.count(), 0);  // selecting from the bound text is not a user's choice

    QComboBox lyDo;
    for (const MucChon& m : danhSachLyDo()) dongLuaChon(&lyDo, m);
    chonTheoId(&lyDo, danhSachLyDo().last().id);
    EXPECT_EQ(lyDo.currentText(), danhSachLyDo().last().ten);
}
}  // namespace
