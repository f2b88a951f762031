#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include "evidence/MaMay.h"

namespace {

void ghi(const QString& duongDan, const QByteArray& noiDung) {
    QFile f(duongDan);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(noiDung);
}

}  // namespace

TEST(MaMay, BamLaMuoiHaiChuSoHexDauCuaSha256) {
    // SHA-256("abc") = ba7816bf 8f01cfea ...
    EXPECT_EQ(MaMay::bamMaMay(QStringLiteral("abc")), QStringLiteral("BA78-16BF-8F01"));
    // The text is hashed as UTF-8, not Latin-1 or UTF-16.
    EXPECT_EQ(MaMay::bamMaMay(QStringLiteral("đ")), MaMay::bamMaMay(QString::fromUtf8("\xC4\x91")));
    EXPECT_NE(MaMay::bamMaMay(QStringLiteral("đ")), MaMay::bamMaMay(QStringLiteral("d")));
    const QRegularExpression dang(QStringLiteral("^[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}$"));
    for (const char* s : {"", "4C4C4544-0042-3510-8048-B4C04F563132", "x"})
        EXPECT_TRUE(dang.match(MaMay::bamMaMay(QString::fromUtf8(s))).hasMatch()) << s;
}

TEST(MaMay, ThuTuNguonVaMaDuPhong) {
    QTemporaryDir tmp;
    const QString uuid = tmp.filePath("product_uuid");
    const QString machineId = tmp.filePath("machine-id");
    const QString khongCo = tmp.filePath("khong-co");
    const QString chaLaTep = tmp.filePath("tep/con");  // parent is a regular file: unreadable even as root
    ghi(tmp.filePath("tep"), "x");
    ghi(machineId, "0123456789abcdef0123456789abcdef\n");
    QSettings ud(tmp.filePath("ud.ini"), QSettings::IniFormat);

    struct Ca {
        const char* ten;
        QByteArray noiDungUuid;  // empty: the file is absent
        QStringList nguon;
        QString mong;
    };
    const QString tuMachineId = MaMay::bamMaMay(QStringLiteral("0123456789abcdef0123456789abcdef"));
    const Ca cac[] = {
        {"uuid doc duoc thi dung uuid",
         "4c4c4544-0042-3510-8048-b4c04f563132\n",
         {uuid, machineId},
         MaMay::bamMaMay(QStringLiteral("4c4c4544-0042-3510-8048-b4c04f563132"))},
        {"khong co uuid thi machine-id", "", {khongCo, chaLaTep, machineId}, tuMachineId},
        {"uuid trang thi machine-id", " \n", {uuid, machineId}, tuMachineId},
        {"uuid toan so 0 thi machine-id", "00000000-0000-0000-0000-000000000000\n", {uuid, machineId}, tuMachineId},
        {"uuid toan F thi machine-id", "FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF", {uuid, machineId}, tuMachineId},
    };
    for (const Ca& ca : cac) {
        QFile::remove(uuid);
        if (!ca.noiDungUuid.isEmpty()) ghi(uuid, ca.noiDungUuid);
        EXPECT_EQ(MaMay::maMayNay(ca.nguon, ud), ca.mong) << ca.ten;
        EXPECT_FALSE(ud.contains(MaMay::khoaDuPhong)) << ca.ten << ": a hardware id must not create the fallback";
    }

    // No source at all: a random UUID is stored once and reused; removing it gives a new code.
    const QStringList khongNguon{khongCo, chaLaTep};
    const QString lan1 = MaMay::maMayNay(khongNguon, ud);
    const QString duPhong = ud.value(MaMay::khoaDuPhong).toString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
                    .match(duPhong)
                    .hasMatch())
        << duPhong.toStdString();
    EXPECT_EQ(lan1, MaMay::bamMaMay(duPhong));
    {
        QSettings moLai(tmp.filePath("ud.ini"), QSettings::IniFormat);  // as after a restart
        EXPECT_EQ(MaMay::maMayNay(khongNguon, moLai), lan1);
        EXPECT_EQ(moLai.value(MaMay::khoaDuPhong).toString(), duPhong);
    }
    ud.remove(MaMay::khoaDuPhong);
    EXPECT_NE(MaMay::maMayNay(khongNguon, ud), lan1);
}
