#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <thread>

#include "KhoTam.h"
#include "store/LoiTep.h"

namespace {

// Whether some piece of the map still takes a key without growing.
bool conCho(const BangManh<QByteArray>& bang) {
    for (int m = 0; m < BangManh<QByteArray>::kSoManh; ++m)
        if (bang.choConLai(m) > 0) return true;
    return false;
}

DonHang don(const QString& id, const QStringList& ma = {},
            const QString& dongBoLuc = QStringLiteral("2026-03-15T05:00:00Z")) {
    DonHang d;
    d.id = id;
    d.orderNumber = QStringLiteral("#") + id;
    d.createdAt = QStringLiteral("2026-03-10T01:00:00Z");
    d.updatedAt = QStringLiteral("2026-03-14T01:00:00Z");
    d.customerName = QStringLiteral("Trần Thị Bình");
    for (const QString& m : ma) d.trackings.append(MaVanDon{m, QStringLiteral("GHN")});
    d.syncedAt = dongBoLuc;
    return d;
}

QString tepThang(const QString& thang) {
    return QStringLiteral("data/orders/orders-") + thang + QStringLiteral(".jsonl");
}

// One fetch as the sync engine takes it in: snapshot, append from a worker, then indexing in the smallest
// turns there are (no time, one order), so that every order and every long order is split across calls.
LoDon layVao(KhoDuLieu& kho, const QList<DonHang>& cacDon, const std::function<void()>& giuaLuot = {}) {
    LoDon::AnhKho anh = kho.chupDon();
    LoDon lo;
    std::thread([&] { lo = kho.ghiDonDaDoi(std::move(anh), cacDon); }).join();
    int soLan = 0;
    while (!kho.chiMucLo(lo, std::chrono::nanoseconds(0), 1)) {
        if (soLan++ == 0 && giuaLuot) giuaLuot();
        if (soLan > 100'000) {
            ADD_FAILURE() << "indexing does not come to an end";
            break;
        }
    }
    return lo;
}

qsizetype soDong(const QByteArray& noiDung) {
    return noiDung.count('\n');
}

}  // namespace

// Whether a received order is appended again depends on the line the store holds for its id.
TEST(LoDon, OrderIsAppendedOnlyWhenItsRecordDiffersFromTheStoredLine) {
    const DonHang goc = don(QStringLiteral("A"), {QStringLiteral("VD1")});
    const QByteArray dongGoc = goc.thanhDong();
    DonHang daDoi = goc;
    daDoi.customerName = QStringLiteral("Lê Văn Cường");
    DonHang khongLuc = goc;
    khongLuc.syncedAt.reset();
    struct Ca {
        const char* ten;
        QByteArray daLuu;  // the stored line, in this month's file
        DonHang nhan;      // what the platform sends, at a later sync of the same month
        bool ghi;
    };
    const Ca cacCa[] = {
        {"same record, later sync", dongGoc,
         don(QStringLiteral("A"), {QStringLiteral("VD1")}, QStringLiteral("2026-03-15T05:09:00Z")), false},
        {"same record, same sync", dongGoc, goc, false},
        {"a field changed", dongGoc, daDoi, true},
        {"a tracking number added", dongGoc, don(QStringLiteral("A"), {QStringLiteral("VD1"), QStringLiteral("VD2")}),
         true},
        {"stored line without its sync time", khongLuc.thanhDong(), goc, true},
        {"stored line synced last month",
         don(QStringLiteral("A"), {QStringLiteral("VD1")}, QStringLiteral("2026-02-28T16:00:00Z")).thanhDong(), goc,
         true},
        {"stored line with an unreadable sync time", QByteArray(dongGoc).replace("2026-03-15T05:00:00Z", "hom qua"),
         goc, true},
        // The same record written in another shape is still written again: only what this store writes counts.
        {"stored line in another shape",
         QByteArray(R"({"createdAt":"2026-03-10T01:00:00Z","id":"A","orderNumber":"#A",)"
                    R"("updatedAt":"2026-03-14T01:00:00Z","customerName":"Trần Thị Bình",)"
                    R"("items":[],"trackings":[{"trackingNumber":"VD1","carrier":"GHN"}],)"
                    R"("syncedAt":"2026-03-15T05:00:00Z"})"),
         goc, true},
    };
    for (const Ca& ca : cacCa) {
        SCOPED_TRACE(ca.ten);
        KhoTam t;
        t.datGio(2026, 3, 15, 14);
        t.vietTep(tepThang(QStringLiteral("2026-03")), ca.daLuu + '\n');
        t.kho->napTatCa(8);
        const LoDon lo = layVao(*t.kho, {ca.nhan});
        EXPECT_EQ(lo.soDonGhi(), ca.ghi ? 1 : 0);
        const QByteArray sau = t.docTep(tepThang(QStringLiteral("2026-03")));
        EXPECT_EQ(soDong(sau), ca.ghi ? 2 : 1);
        const QByteArray ky = ca.ghi ? ca.nhan.thanhDong() : ca.daLuu;
        EXPECT_EQ(*t.kho->donTheoId().dong(QStringLiteral("A")), ky) << "the index holds what is on disk";
        t.moLai(true);
        EXPECT_EQ(*t.kho->donTheoId().dong(QStringLiteral("A")), ky) << "and so does a fresh start";
    }
}

// A line that loading skipped or cut off is not a stored order: the resent order is written again, and only it.
TEST(LoDon, TornOrUnreadableLinesDoNotCountAsStored) {
    KhoTam t;
    t.datGio(2026, 3, 15, 14);
    const DonHang x = don(QStringLiteral("x")), y = don(QStringLiteral("y")), z = don(QStringLiteral("z"));
    const QByteArray dongX = x.thanhDong(), dongY = y.thanhDong(), dongZ = z.thanhDong();
    // y's line lost a byte in the middle, z's line was torn by a crash before its line feed.
    const QByteArray hongY = dongY.left(10) + dongY.mid(11);
    t.vietTep(tepThang(QStringLiteral("2026-03")), dongX + '\n' + hongY + '\n' + dongZ.left(dongZ.size() - 7));
    EXPECT_EQ(t.kho->napTatCa(8).soDon, 1);

    const LoDon lo = layVao(*t.kho, {x, y, z});
    EXPECT_EQ(lo.soDonGhi(), 2);
    EXPECT_EQ(t.docTep(tepThang(QStringLiteral("2026-03"))), dongX + '\n' + hongY + '\n' + dongY + '\n' + dongZ + '\n');
    t.moLai(true);
    EXPECT_EQ(t.kho->donTheoId().size(), 3);
    for (const DonHang& d : {x, y, z}) EXPECT_EQ(*t.kho->donTheoId().dong(d.id), d.thanhDong()) << d.id.toStdString();

    // A second resend of all three finds them all on disk now.
    EXPECT_EQ(layVao(*t.kho, {x, y, z}).soDonGhi(), 0);
    EXPECT_EQ(soDong(t.docTep(tepThang(QStringLiteral("2026-03")))), 4);
}

// The same order twice in one fetch (a page that shifted while it was read): an unchanged repeat is left out,
// a change after it is written and wins.
TEST(LoDon, RepeatsWithinOneFetchAreComparedWithTheEarlierLine) {
    KhoTam t;
    t.datGio(2026, 3, 15, 14);
    t.kho->napTatCa(8);
    const DonHang a1 = don(QStringLiteral("a"), {QStringLiteral("M1")});
    const DonHang a1LanNua = don(QStringLiteral("a"), {QStringLiteral("M1")}, QStringLiteral("2026-03-15T05:01:00Z"));
    const DonHang a2 = don(QStringLiteral("a"), {QStringLiteral("M2")});
    const DonHang b = don(QStringLiteral("b"));
    const LoDon lo = layVao(*t.kho, {a1, a1LanNua, b, a2});
    EXPECT_EQ(lo.soDonGhi(), 3);
    EXPECT_EQ(t.docTep(tepThang(QStringLiteral("2026-03"))),
              a1.thanhDong() + '\n' + b.thanhDong() + '\n' + a2.thanhDong() + '\n');
    EXPECT_FALSE(t.kho->donTheoMa(QStringLiteral("M1")));
    EXPECT_EQ(t.kho->donTheoMa(QStringLiteral("M2"))->id, QStringLiteral("a"));
    t.moLai(true);
    EXPECT_EQ(*t.kho->donTheoId().dong(QStringLiteral("a")), a2.thanhDong());
}

// A fetch indexed in turns ends with the same maps as its orders indexed one by one with capNhatDon: codes taken
// over and given up, an order with many codes split across turns, maps that must grow, and the maps changed by
// someone else before or between the turns.
TEST(LoDon, IndexingInTurnsEndsAsIndexingOrderByOrder) {
    QStringList nhieuMa;
    for (int i = 0; i < 3000; ++i) nhieuMa << QStringLiteral("NM%1").arg(i);
    const QList<DonHang> cu = {don(QStringLiteral("c1"), {QStringLiteral("CHUNG"), QStringLiteral("BO")}),
                               don(QStringLiteral("c2"), {QStringLiteral("RIENG")}),
                               don(QStringLiteral("c3"), nhieuMa)};
    QStringList nhieuMaMoi = nhieuMa.mid(1500);
    nhieuMaMoi << QStringLiteral("RIENG");
    const QList<DonHang> lo = {don(QStringLiteral("c1"), {QStringLiteral("CHUNG")}),  // gives up BO
                               don(QStringLiteral("n1"), {QStringLiteral("CHUNG")}),  // takes CHUNG over
                               don(QStringLiteral("c3"), nhieuMaMoi),                 // drops half, takes RIENG
                               don(QStringLiteral("n2"), nhieuMa.mid(0, 10))};
    const DonHang ngoai = don(QStringLiteral("ngoai"), {QStringLiteral("CHUNG"), QStringLiteral("NM5")});
    enum class Chen { khong, truocChiMuc, giuaLuot };
    struct Ca {
        const char* ten;
        int soDonThem;  // orders indexed beforehand, to bring the maps to the edge of growing
        Chen chen;
    };
    const Ca cacCa[] = {{"plain", 0, Chen::khong},
                        {"maps that must grow", -1, Chen::khong},
                        {"a change before indexing", -1, Chen::truocChiMuc},
                        {"a change between turns", 0, Chen::giuaLuot}};
    for (const Ca& ca : cacCa) {
        SCOPED_TRACE(ca.ten);
        KhoTam t, mau;
        for (KhoTam* k : {&t, &mau}) {
            k->datGio(2026, 3, 15, 14);
            k->kho->napTatCa(8);
            for (const DonHang& d : cu) k->kho->capNhatDon(d);
            if (ca.soDonThem < 0) {
                // Every piece of the map of lines filled to its edge, so any new id makes one grow.
                const auto& bang = k->kho->donTheoId().cacDong();
                for (int i = 0; conCho(bang); ++i) {
                    const QString id = QStringLiteral("day%1").arg(i);
                    if (bang.choConLai(BangManh<QByteArray>::manhCua(id)) > 0) k->kho->capNhatDon(don(id));
                }
            }
        }
        if (ca.soDonThem < 0) {
            ASSERT_FALSE(conCho(t.kho->donTheoId().cacDong()));
        }
        if (ca.chen == Chen::truocChiMuc) {
            LoDon::AnhKho anh = t.kho->chupDon();
            LoDon b = t.kho->ghiDonDaDoi(std::move(anh), lo);
            t.kho->capNhatDon(ngoai);
            while (!t.kho->chiMucLo(b, std::chrono::nanoseconds(0), 1)) {
            }
            mau.kho->capNhatDon(ngoai);
            for (const DonHang& d : lo) mau.kho->capNhatDon(d);
        } else if (ca.chen == Chen::giuaLuot) {
            layVao(*t.kho, lo, [&] { t.kho->capNhatDon(ngoai); });
            // The first turn indexes exactly the first order.
            mau.kho->capNhatDon(lo[0]);
            mau.kho->capNhatDon(ngoai);
            for (qsizetype i = 1; i < lo.size(); ++i) mau.kho->capNhatDon(lo[i]);
        } else {
            layVao(*t.kho, lo);
            for (const DonHang& d : lo) mau.kho->capNhatDon(d);
        }
        EXPECT_EQ(t.kho->maToiId(), mau.kho->maToiId());
        EXPECT_EQ(t.kho->donTheoId().cacDong(), mau.kho->donTheoId().cacDong());
        EXPECT_EQ(t.kho->donTheoMa(QStringLiteral("CHUNG"))->id, QStringLiteral("n1"));
        EXPECT_FALSE(t.kho->donTheoMa(QStringLiteral("BO")));
        EXPECT_EQ(t.kho->donTheoMa(QStringLiteral("RIENG"))->id, QStringLiteral("c3"));
    }
}

// A batch that cannot be written leaves the file and the maps as they were.
TEST(LoDon, WriteFailureWritesAndIndexesNothing) {
    KhoTam t;
    t.datGio(2026, 3, 15, 14);
    t.kho->napTatCa(8);
    ASSERT_TRUE(QDir(t.kho->thuMucDon()).removeRecursively());
    t.vietTep(QStringLiteral("data/orders"), "not a folder");
    LoDon::AnhKho anh = t.kho->chupDon();
    EXPECT_THROW(t.kho->ghiDonDaDoi(std::move(anh), {don(QStringLiteral("a"))}), LoiTep);
    EXPECT_TRUE(t.kho->donTheoId().isEmpty());
    EXPECT_TRUE(t.kho->maToiId().isEmpty());
}
