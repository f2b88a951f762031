#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <functional>
#include <nlohmann/json.hpp>
#include <thread>

#include "KhoTam.h"
#include "LoiNhapXuatGia.h"
#include "common/NgauNhienThu.h"
#include "store/DinhDangISO.h"
#include "store/LoiTep.h"
#include "store/NhatKy.h"

namespace {

DonHang don(const QString& id, const QStringList& maVanDon = {}, const QString& taoLuc = QStringLiteral("2026-01-01")) {
    DonHang d;
    d.id = id;
    d.createdAt = taoLuc;
    for (const QString& m : maVanDon) d.trackings.append({m, std::nullopt});
    return d;
}

QByteArray dong(const DonHang& d) {
    return d.thanhDong() + '\n';
}

QByteArray dong(const BanGhiVideo& v) {
    return v.thanhDong() + '\n';
}

BanGhiVideo video(const QString& id, const QString& orderId, const QString& batDau) {
    BanGhiVideo v;
    v.id = id;
    v.orderId = orderId;
    v.startedAt = batDau;
    return v;
}

QString tepDon(const QString& thang) {
    return QStringLiteral("data/orders/orders-%1.jsonl").arg(thang);
}

}  // namespace

TEST(NapKho, ThuMucRongTaoBaThuMuc) {
    KhoTam t;
    const auto sl = t.kho->napTatCa(8);
    EXPECT_EQ(sl.soDon, 0);
    EXPECT_EQ(sl.soVideo, 0);
    for (const char* p : {"data/orders", "data/recordings", "videos"})
        EXPECT_TRUE(QFileInfo(t.duongDan(p)).isDir()) << p;
}

TEST(NapKho, ChiDocCacTepThangMoiNhat) {
    KhoTam t;
    for (int m = 1; m <= 9; ++m)
        t.vietTep(tepDon(QStringLiteral("2025-%1").arg(m, 2, 10, QChar(u'0'))), dong(don(QString::number(m))));
    // A lower-case word after the prefix sorts after the dated files and counts as the newest.
    t.vietTep(QStringLiteral("data/orders/orders-khac.jsonl"), dong(don(QStringLiteral("khac"))));
    t.vietTep(QStringLiteral("data/orders/ghichu.jsonl"), dong(don(QStringLiteral("ngoai"))));
    t.vietTep(QStringLiteral("data/orders/orders-2025-12.jsonl.tam"), dong(don(QStringLiteral("tam"))));
    EXPECT_EQ(t.kho->napTatCa(8).soDon, 8);
    for (const char* id : {"1", "2", "ngoai", "tam"}) EXPECT_FALSE(t.kho->donTheoId().contains(id)) << id;
    for (const char* id : {"3", "9", "khac"}) EXPECT_TRUE(t.kho->donTheoId().contains(id)) << id;

    KhoTam ba;
    for (int m = 1; m <= 3; ++m) ba.vietTep(tepDon(QStringLiteral("2025-0%1").arg(m)), dong(don(QString::number(m))));
    EXPECT_EQ(ba.kho->napTatCa(8).soDon, 3);
    ba.moLai();
    ba.kho->napDon(ba.kho->thuMucDon(), KhoDuLieu::tienToDon(), 0);
    EXPECT_TRUE(ba.kho->donTheoId().isEmpty());
}

TEST(NapKho, DongCuoiThangVaDongHongBoQua) {
    KhoTam t;
    BanGhiVideo v = video(QStringLiteral("v1"), QStringLiteral("o1"), QStringLiteral("2026-01-01T00:00:00Z"));
    QByteArray thang1 = dong(don(QStringLiteral("o1"), {QStringLiteral("A")})) + "{khong phai json\n" + "[1,2]\n\n" +
                        "{\"id\":\"x\xff\"}\n" + dong(don(QStringLiteral("o2")));
    t.vietTep(tepDon(QStringLiteral("2026-01")), thang1);
    t.vietTep(tepDon(QStringLiteral("2026-02")), dong(don(QStringLiteral("o1"), {QStringLiteral("B")})));
    BanGhiVideo xoa = v;
    xoa.deleted = true;
    t.vietTep(QStringLiteral("data/recordings/recordings-2026-01.jsonl"),
              dong(v) + dong(video(QString(), QStringLiteral("o1"), QString())) +
                  dong(video(QStringLiteral("v2"), QStringLiteral("o1"), QStringLiteral("2026-01-02T00:00:00Z"))));
    t.vietTep(QStringLiteral("data/recordings/recordings-2026-02.jsonl"), dong(xoa));

    const auto sl = t.kho->napTatCa(8);
    EXPECT_EQ(sl.soDon, 2) << "the line with invalid UTF-8 is skipped alone, not its whole file";
    EXPECT_EQ(t.docTep(tepDon(QStringLiteral("2026-01"))), thang1) << "broken lines before the tail are never touched";
    EXPECT_EQ(sl.soVideo, 2);
    ASSERT_TRUE(t.kho->donTheoMa(QStringLiteral("b")));
    EXPECT_FALSE(t.kho->donTheoMa(QStringLiteral("A"))) << "the re-indexed order gives up its old code";
    EXPECT_TRUE(t.kho->donTheoMa(QStringLiteral("o2")));
    EXPECT_TRUE(t.kho->videoTheoId().value(QStringLiteral("v1")).daXoa());
    const auto ds = t.kho->videoTheoMa(QStringLiteral("o1"));
    ASSERT_EQ(ds.size(), 1);
    EXPECT_EQ(ds[0].id, QStringLiteral("v2"));
    EXPECT_TRUE(t.kho->videoTheoMa(QStringLiteral("O1")).isEmpty()) << "order ids compare exactly";
}

// A number simdjson cannot hold (an integer past 64 bits, a number past the double's range), in any key, known or
// not, nested or not, costs its own field its default and nothing more: the record is loaded, found by its codes
// and read back whole wherever the store parses its line again. A line broken otherwise stays unreadable.
TEST(NapKho, SoQuaTamChiLayMacDinhTruongCuaNo) {
    const QByteArray soDai = "123456789012345678901234567890";
    const struct {
        const char* ten;
        QByteArray dong;
        std::optional<qint64> itemCount;
        qint64 soLuong;  // of the first item; -1 when the order has no items
        qsizetype soVanDon;
    } bangDon[] = {
        {"an unknown key",
         R"({"id":"o1","createdAt":"c","items":[{"title":"T","quantity":2}],"trackings":[{"trackingNumber":"VD1"}],)"
         R"("itemCount":3,"khac":)" +
             soDai + "}",
         3, 2, 1},
        {"itemCount past 64 bits",
         R"({"id":"o1","createdAt":"c","items":[{"title":"T","quantity":2}],"trackings":[{"trackingNumber":"VD1"}],)"
         R"("itemCount":18446744073709551616})",
         std::nullopt, 2, 1},
        {"itemCount past the double's range",
         R"({"id":"o1","createdAt":"c","items":[{"title":"T","quantity":2}],"trackings":[{"trackingNumber":"VD1"}],)"
         R"("itemCount":-1.5e309})",
         std::nullopt, 2, 1},
        {"a quantity inside items",
         R"({"id":"o1","createdAt":"c","items":[{"title":"T","quantity":1e400}],"trackings":[{"trackingNumber":"VD1"}],)"
         R"("itemCount":3})",
         3, 0, 1},
        {"an unknown key inside a tracking, negative",
         R"({"id":"o1","createdAt":"c","items":[],"trackings":[{"trackingNumber":"VD1","x":-)" + soDai +
             R"(}],)"
             R"("itemCount":3})",
         3, -1, 1},
        {"deep in an unknown list, beside a text of digits",
         R"({"id":"o1","createdAt":"c","customerName":")" + soDai + R"(","x":[[)" + QByteArray(400, '9') +
             R"(]],)"
             R"("trackings":[{"trackingNumber":"VD1"}],"itemCount":3})",
         3, -1, 1},
    };
    for (const auto& c : bangDon) {
        SCOPED_TRACE(c.ten);
        KhoTam t;
        // Last in its file and without its line feed, too: kept whole, not cut aside as torn.
        const QByteArray noiDung = dong(don(QStringLiteral("o0"), {QStringLiteral("VD0")})) + c.dong;
        t.vietTep(tepDon(QStringLiteral("2026-01")), noiDung);
        EXPECT_EQ(t.kho->napTatCa(8).soDon, 2);
        const auto d = t.kho->donTheoMa(QStringLiteral("VD1"));
        ASSERT_TRUE(d);
        EXPECT_EQ(d->id, QStringLiteral("o1"));
        EXPECT_EQ(d->itemCount, c.itemCount);
        EXPECT_EQ(d->items.isEmpty() ? -1 : d->items[0].quantity, c.soLuong);
        EXPECT_EQ(d->trackings.size(), c.soVanDon);
        EXPECT_EQ(t.kho->timDon(QStringLiteral("o1"), 20).size(), 1);
        EXPECT_TRUE(t.docTep(tepDon(QStringLiteral("2026-01"))).startsWith(noiDung)) << "the last line was cut aside";
    }

    const struct {
        const char* ten;
        QByteArray dong;
        qint64 bytes, durationSec;
        bool coKhaiBao, coSerial;
    } bangVideo[] = {
        {"bytes past 64 bits",
         R"({"id":"v1","orderId":"o1","sha256":"ab","bytes":18446744073709551616,"durationSec":4})", 0, 4, false,
         false},
        {"durationSec past the double's range",
         R"({"id":"v1","orderId":"o1","sha256":"ab","bytes":9,"durationSec":1e309})", 9, 0, false, false},
        {"an unknown key inside returnInfo",
         R"({"id":"v1","orderId":"o1","sha256":"ab","bytes":9,"durationSec":4,)"
         R"("returnInfo":{"reason":"khac","savedAt":"s","x":)" +
             soDai + "}}",
         9, 4, true, false},
        {"a serial that is a long number: the list alone takes its default",
         R"({"id":"v1","orderId":"o1","sha256":"ab","bytes":9,"durationSec":4,"serials":["S1",)" + soDai + "]}", 9, 4,
         false, false},
        {"several, among normal numbers",
         R"({"a":[1,-)" + soDai +
             R"(,2.5e3,1e999,0],"id":"v1","orderId":"o1","sha256":"ab","bytes":9,"durationSec":4,)"
             R"("serials":["S1"]})",
         9, 4, false, true},
    };
    for (const auto& c : bangVideo) {
        SCOPED_TRACE(c.ten);
        KhoTam t;
        t.vietTep(QStringLiteral("data/recordings/recordings-2026-01.jsonl"), c.dong + '\n');
        EXPECT_EQ(t.kho->napTatCa(8).soVideo, 1);
        const auto ds = t.kho->videoTheoMa(QStringLiteral("o1"));
        ASSERT_EQ(ds.size(), 1);
        EXPECT_EQ(ds[0].sha256, QStringLiteral("ab"));
        EXPECT_EQ(ds[0].bytes, c.bytes);
        EXPECT_EQ(ds[0].durationSec, c.durationSec);
        EXPECT_EQ(ds[0].returnInfo.has_value(), c.coKhaiBao);
        if (c.coKhaiBao) {
            EXPECT_EQ(ds[0].returnInfo->reason, QStringLiteral("khac"));
        }
        EXPECT_EQ(ds[0].serials.has_value(), c.coSerial);
        ASSERT_TRUE(BanGhiVideo::docDong(std::string_view(c.dong.constData(), size_t(c.dong.size()))));
    }

    // Put aside only where simdjson refuses the number: a malformed number, or a line broken elsewhere, stays so.
    for (const QByteArray& hong :
         QList<QByteArray>{R"({"id":"x","bytes":)" + soDai + "x}", R"({"id":"x","bytes":)" + soDai + "-1}",
                           R"({"id":"x","bytes":0)" + soDai + "}", R"({"id":"x","bytes":)" + soDai + ",}",
                           R"({"id":"x","bytes":)" + soDai + "} x", QByteArray(R"({"id":"x","bytes":1e400)"),
                           R"({"id":"x","bytes":)" + soDai + "]}"})
        EXPECT_FALSE(BanGhiVideo::docDong(std::string_view(hong.constData(), size_t(hong.size())))) << hong.data();
}

TEST(NapKho, DongThuDichKhongCanDongQuanhNo) {
    // Lines nobody would write, as a damaged disk or a hand edit leaves them, between two good orders: each bad
    // one is skipped alone and both neighbours load, whether it is nested deep, cut short or wrongly typed; a
    // huge line that is a whole order loads like any other.
    const std::string sau(100'000, '[');
    const struct {
        QByteArray dong;
        int soDon;
    } bang[] = {
        {QByteArray::fromStdString(R"({"id":"n","trackings":)" + sau + std::string(100'000, ']') + "}"), 2},
        {QByteArray::fromStdString(R"({"id":"n","trackings":[{"trackingNumber":)" + sau), 2},
        {QByteArray(R"({"id":"t","trackings":[{"trackingNumber":"VD-T)"), 2},
        {QByteArray(R"({"id":{"id":"o"},"trackings":[{"trackingNumber":["VD-S"]}],"items":"x"})"), 2},
        {QByteArray(R"({"id":"z")") + '\0' + R"(,"trackings":[]})", 2},
        {QByteArray(R"({"id":"h","customerName":")") + QByteArray(3'000'000, 'x') + R"("})", 3},
    };
    for (const auto& c : bang) {
        SCOPED_TRACE(c.dong.left(60).toStdString());
        KhoTam t;
        t.vietTep(tepDon(QStringLiteral("2026-01")), dong(don(QStringLiteral("truoc"), {QStringLiteral("VD-1")})) +
                                                         c.dong + '\n' +
                                                         dong(don(QStringLiteral("sau"), {QStringLiteral("VD-2")})));
        const auto sl = t.kho->napTatCa(8);
        EXPECT_EQ(sl.soDon, c.soDon);
        EXPECT_TRUE(t.kho->donTheoMa(QStringLiteral("VD-1")));
        EXPECT_TRUE(t.kho->donTheoMa(QStringLiteral("VD-2")));
    }
}

TEST(NapKho, DongKetThucCRLFNapNhuLF) {
    KhoTam t;
    QByteArray crlf =
        dong(don(QStringLiteral("1"))).replace("\n", "\r\n") + dong(don(QStringLiteral("2"))).replace("\n", "\r\n");
    t.vietTep(tepDon(QStringLiteral("2026-01")), crlf);
    EXPECT_EQ(t.kho->napTatCa(8).soDon, 2);
}

TEST(NapKho, DuoiRachBiCatDuoiDuDuocGiu) {
    KhoTam t;
    const QByteArray mot = dong(don(QStringLiteral("1")));
    const QByteArray hai = don(QStringLiteral("2")).thanhDong();
    t.vietTep(tepDon(QStringLiteral("2026-01")), mot + hai.left(hai.size() - 5));
    t.vietTep(tepDon(QStringLiteral("2026-02")), mot + hai);
    EXPECT_EQ(t.kho->napTatCa(8).soDon, 2);
    EXPECT_EQ(t.docTep(tepDon(QStringLiteral("2026-01"))), mot) << "a torn tail is cut on open";
    EXPECT_EQ(t.docTep(tepDon(QStringLiteral("2026-02"))), mot + hai + '\n') << "a whole last line gets its line feed";

    // An atomic write killed before its rename leaves a temporary file; it is swept on the next start.
    KhoTam u;
    u.vietTep(QStringLiteral("data/orders/.orders-2026-03.jsonl.tam-1x9"), mot);
    u.vietTep(QStringLiteral("data/.app.log.jsonl.tam-a0"), mot);
    u.vietTep(QStringLiteral("data/orders/.ghi-chu"), mot);
    u.kho->napTatCa(8);
    EXPECT_FALSE(QFileInfo::exists(u.duongDan(QStringLiteral("data/orders/.orders-2026-03.jsonl.tam-1x9"))));
    EXPECT_FALSE(QFileInfo::exists(u.duongDan(QStringLiteral("data/.app.log.jsonl.tam-a0"))));
    EXPECT_TRUE(QFileInfo::exists(u.duongDan(QStringLiteral("data/orders/.ghi-chu"))));
}

TEST(ChiMuc, MaChungThuocDonDanhSauCung) {
    KhoTam t;
    KhoDuLieu& k = *t.kho;
    k.capNhatDon(don(QStringLiteral("a"), {QStringLiteral("CHUNG")}));
    k.capNhatDon(don(QStringLiteral("b"), {QStringLiteral("CHUNG")}));
    EXPECT_EQ(k.donTheoMa(QStringLiteral("chung"))->id, QStringLiteral("b"));
    // Re-indexing the first order leaves the code with the second.
    k.capNhatDon(don(QStringLiteral("a"), {QStringLiteral("KHAC")}));
    EXPECT_EQ(k.donTheoMa(QStringLiteral("CHUNG"))->id, QStringLiteral("b"));
    k.capNhatDon(don(QString(), {QStringLiteral("RONG")}));
    EXPECT_FALSE(k.donTheoMa(QStringLiteral("RONG")));
    EXPECT_FALSE(k.donTheoId().contains(QString()));

    DonHang d = don(QStringLiteral("c"), {QStringLiteral("GHN12.34")});
    k.capNhatDon(d);
    EXPECT_EQ(k.donTheoMa(QStringLiteral("  #ghn-12.34 "))->id, QStringLiteral("c"));
}

TEST(GhiBanGhi, TepThangTheoNgayGhiVaNoiThem) {
    KhoTam t;
    t.datGio(2026, 3, 1, 0, 5);  // first minutes of March, local time
    BanGhiVideo v = video(QStringLiteral("v1"), QStringLiteral("o1"), QStringLiteral("2026-02-28T16:59:00Z"));
    v.filePath = QStringLiteral("/a/b.mp4");
    t.kho->ghiBanGhiVideo(v);
    v.invalid = true;
    t.kho->ghiBanGhiVideo(v);
    EXPECT_TRUE(t.kho->videoTheoId().isEmpty()) << "the caller updates the map after a good write";
    const QByteArray noiDung = t.docTep(QStringLiteral("data/recordings/recordings-2026-03.jsonl"));
    EXPECT_EQ(noiDung.count('\n'), 2);
    EXPECT_TRUE(noiDung.contains("\"filePath\":\"/a/b.mp4\""));
    EXPECT_EQ(QDir(t.kho->thuMucBanGhiVideo()).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary file left";

    t.moLai(true);
    EXPECT_EQ(t.kho->videoTheoId().value(QStringLiteral("v1")).invalid, true);

    t.kho->ghiDon(don(QStringLiteral("o9")));
    EXPECT_TRUE(t.docTep(tepDon(QStringLiteral("2026-03"))).startsWith("{\"id\":\"o9\""));
}

TEST(GhiBanGhi, LoiGhiNemVaKhongDoiBoNho) {
    KhoTam t;
    t.vietTep(QStringLiteral("data/orders"), "x");
    try {
        t.kho->ghiDon(don(QStringLiteral("o1")));
        FAIL() << "the orders folder cannot be created where a regular file stands";
    } catch (const LoiTep& e) {
        EXPECT_FALSE(e.moTa().isEmpty());
    }
    EXPECT_TRUE(t.kho->donTheoId().isEmpty());
}

TEST(GhiBanGhi, GhiDoDangBiCatVeDoDaiCuVaNem) {
    KhoTam t;
    t.datGio(2026, 5, 20);
    t.kho->ghiDon(don(QStringLiteral("1")));
    const QByteArray truoc = t.docTep(tepDon(QStringLiteral("2026-05")));
    // A file-size limit a few bytes past the end stops the write part-way, as a full disk would.
    DonHang lon = don(QStringLiteral("2"));
    lon.shippingAddress = QStringLiteral("x").repeated(4000);
    signal(SIGXFSZ, SIG_IGN);
    rlimit cu;
    getrlimit(RLIMIT_FSIZE, &cu);
    rlimit moi = cu;
    moi.rlim_cur = static_cast<rlim_t>(truoc.size() + 100);
    setrlimit(RLIMIT_FSIZE, &moi);
    bool nem = false;
    try {
        t.kho->ghiDon(lon);
    } catch (const LoiTep&) {
        nem = true;
    }
    setrlimit(RLIMIT_FSIZE, &cu);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_TRUE(nem);
    EXPECT_EQ(t.docTep(tepDon(QStringLiteral("2026-05"))), truoc) << "the partial line is cut off";
    t.kho->ghiDon(don(QStringLiteral("3")));
    t.moLai(true);
    EXPECT_EQ(t.kho->donTheoId().size(), 2);
    EXPECT_TRUE(t.kho->donTheoId().contains(QStringLiteral("3")));
}

TEST(DuongDanVideo, TenTheoGioDiaPhuongVaKhongTrung) {
    KhoTam t;
    const QDateTime batDau(QDate(2026, 3, 1), QTime(18, 4, 5), Qt::UTC);  // 2 March 01:04:05 local
    const QString ngay = t.duongDan(QStringLiteral("videos/2026/03/02/"));
    struct {
        QString ma;
        bool hoan;
        QString ten;
    } const bang[] = {
        {QStringLiteral("GHN:123"), false, QStringLiteral("GHN123__2026-03-02_01-04-05.mp4")},
        {QString(), false, QStringLiteral("KHONG-MA__2026-03-02_01-04-05.mp4")},
        {QStringLiteral("/?*"), true, QStringLiteral("HOAN__KHONG-MA__2026-03-02_01-04-05.mp4")},
    };
    for (const auto& c : bang) EXPECT_EQ(t.kho->duongDanVideoMoi(c.ma, batDau, c.hoan), ngay + c.ten);
    EXPECT_TRUE(QFileInfo(ngay).isDir());

    // A second recording in the same second, or a code with the same safe name, gets its own path.
    t.vietTep(QStringLiteral("videos/2026/03/02/GHN123__2026-03-02_01-04-05.mp4"), "video");
    t.vietTep(QStringLiteral("videos/2026/03/02/GHN123__2026-03-02_01-04-05-2.mp4"), "video");
    EXPECT_EQ(t.kho->duongDanVideoMoi(QStringLiteral("GHN/123"), batDau, false),
              ngay + QStringLiteral("GHN123__2026-03-02_01-04-05-3.mp4"));
}

TEST(DoKho, DungLuongVaThuGhi) {
    KhoTam t;
    t.dungLuong->dat(1'572'864);
    EXPECT_EQ(t.kho->dungLuongTrongMB(), 1);
    EXPECT_EQ(t.dungLuong->cacDuongDanDaHoi().value(0), t.kho->thuMucVideo());
    t.dungLuong->dat(std::nullopt);
    EXPECT_FALSE(t.kho->dungLuongTrongMB());

    KhoDuLieu that(t.goc());
    QDir().mkpath(that.thuMucVideo());
    EXPECT_GT(that.dungLuongTrongMB().value_or(-1), 0);
    EXPECT_FALSE(KhoDuLieu(t.duongDan(QStringLiteral("khong-co"))).dungLuongTrongMB());

    EXPECT_FALSE(t.kho->thuGhi());
    EXPECT_FALSE(QFileInfo::exists(t.duongDan(QStringLiteral("data/.thu-ghi"))));
    t.vietTep(QStringLiteral("tep-thuong"), "x");
    const auto loi = KhoDuLieu(t.duongDan(QStringLiteral("tep-thuong"))).thuGhi();
    ASSERT_TRUE(loi);
    EXPECT_FALSE(loi->isEmpty());
}

TEST(TimDon, TuKhoaVaGioiHan) {
    KhoTam t;
    KhoDuLieu& k = *t.kho;
    for (int i = 0; i < 25; ++i) {
        DonHang d = don(QStringLiteral("o%1").arg(i), {QStringLiteral("VD%1X").arg(i, 2, 10, QChar(u'0'))},
                        QStringLiteral("2026-01-%1").arg(i + 1, 2, 10, QChar(u'0')));
        d.customerPhone = QStringLiteral("090 111 %1").arg(i, 4, 10, QChar(u'0'));
        d.customerName = i == 3 ? QStringLiteral("Nguyễn Văn Ánh") : QStringLiteral("Khách %1").arg(i);
        d.orderNumber = QStringLiteral("#10%1").arg(i, 2, 10, QChar(u'0'));
        k.capNhatDon(d);
    }
    DonHang chua = don(QStringLiteral("chua"), {QStringLiteral("XVD07XY")}, QStringLiteral("2027-01-01"));
    k.capNhatDon(chua);
    const auto ids = [](const QList<DonHang>& ds) {
        QStringList ra;
        for (const DonHang& d : ds) ra.append(d.id);
        return ra;
    };
    const auto hai = k.timDon(QStringLiteral("VD"), 20);
    ASSERT_EQ(hai.size(), 20);
    EXPECT_EQ(hai.first().id, QStringLiteral("chua"));
    EXPECT_EQ(hai[1].id, QStringLiteral("o24"));
    EXPECT_EQ(hai.last().id, QStringLiteral("o6"));
    EXPECT_EQ(ids(k.timDon(QStringLiteral(" vd07x\n"), 20)), QStringList{QStringLiteral("o7")}) << "an exact code wins";
    EXPECT_EQ(ids(k.timDon(QStringLiteral("1110003"), 20)), QStringList{QStringLiteral("o3")});
    EXPECT_EQ(ids(k.timDon(QStringLiteral("VĂN ÁNH"), 20)), QStringList{QStringLiteral("o3")});
    EXPECT_EQ(ids(k.timDon(QStringLiteral("Va\u0306n A\u0301nh"), 20)), QStringList{QStringLiteral("o3")})
        << "a decomposed keyword meets the composed name";
    EXPECT_TRUE(k.timDon(QStringLiteral("Van Anh"), 20).isEmpty()) << "no diacritic folding";
    EXPECT_EQ(k.timDon(QStringLiteral("1003"), 20).size(), 1);
    EXPECT_TRUE(k.timDon(QStringLiteral(" #-_. "), 20).isEmpty());
    EXPECT_TRUE(k.timDon(QStringLiteral("  "), 20).isEmpty());
    EXPECT_TRUE(k.timDon(QStringLiteral("VD"), 0).isEmpty());
}

namespace {

struct DonDepTam : KhoTam {
    QString videos;

    DonDepTam() {
        datGio(2026, 3, 31, 12);
        kho->napTatCa(8);
        videos = kho->thuMucVideo();
    }

    // A record with a real file under videos/ (or at the given path), started giayTruoc seconds ago.
    BanGhiVideo them(const QString& id, qint64 giayTruoc, const QString& duongDanTep = {}) {
        BanGhiVideo v;
        v.id = id;
        v.bytes = 1000;
        const auto bd = dongHo.gioThuc() - std::chrono::seconds(giayTruoc);
        v.startedAt = dinhDangISO().dinhDang(bd);
        v.filePath =
            duongDanTep.isEmpty() ? videos + QStringLiteral("/2026/01/01/") + id + QStringLiteral(".mp4") : duongDanTep;
        QDir().mkpath(QFileInfo(v.filePath).absolutePath());
        QFile f(v.filePath);
        if (f.open(QIODevice::WriteOnly)) f.write("mp4");
        kho->datVideo(v);
        return v;
    }
};

}  // namespace

TEST(DonDepVideo, MocCatVaCacTruongHopBoQua) {
    DonDepTam t;
    const qint64 ngay30 = 30 * 86400;
    const auto cu = t.them(QStringLiteral("cu"), ngay30 + 1);
    const auto moc = t.them(QStringLiteral("moc"), ngay30);
    auto giu = t.them(QStringLiteral("giu"), ngay30 * 2);
    giu.keepForever = true;
    t.kho->datVideo(giu);
    auto daXoa = t.them(QStringLiteral("daxoa"), ngay30 * 2);
    daXoa.deleted = true;
    t.kho->datVideo(daXoa);
    auto mat = t.them(QStringLiteral("mat"), ngay30 * 2);
    QFile::remove(mat.filePath);
    auto phanGiay = t.them(QStringLiteral("phangiay"), ngay30 * 2);
    phanGiay.startedAt = QStringLiteral("2026-01-01T00:00:00.250Z");
    t.kho->datVideo(phanGiay);
    auto khongGio = t.them(QStringLiteral("khonggio"), ngay30 * 2);
    khongGio.startedAt = QStringLiteral("2026-01-01T00:00:00");
    t.kho->datVideo(khongGio);
    // Outside videos/: a sibling folder, ".." components, a symbolic link out, and the folder itself.
    const auto ngoai = t.them(QStringLiteral("ngoai"), ngay30 * 2, t.duongDan(QStringLiteral("khac/ngoai.mp4")));
    const auto chamCham = t.them(QStringLiteral("chamcham"), ngay30 * 2, t.videos + QStringLiteral("/../khac/cc.mp4"));
    const auto dich = t.them(QStringLiteral("dich"), ngay30 * 2, t.duongDan(QStringLiteral("khac/dich.mp4")));
    QFile::link(dich.filePath, t.videos + QStringLiteral("/lien-ket.mp4"));
    auto lienKet = dich;
    lienKet.id = QStringLiteral("lienket");
    lienKet.filePath = t.videos + QStringLiteral("/lien-ket.mp4");
    t.kho->datVideo(lienKet);
    auto chinhNo = t.them(QStringLiteral("chinhno"), ngay30 * 2, t.videos);
    QDir(t.videos).mkpath(".");

    const auto kq = t.kho->donDepVideoCu(30);
    EXPECT_EQ(kq.soFile, 2);
    EXPECT_EQ(kq.soByte, 2000);
    const auto& v = t.kho->videoTheoId();
    for (const char* id : {"cu", "phangiay"}) {
        EXPECT_TRUE(v.value(id).daXoa()) << id;
        EXPECT_FALSE(QFileInfo::exists(v.value(id).filePath)) << id;
    }
    for (const char* id : {"moc", "giu", "khonggio", "ngoai", "chamcham", "dich", "lienket"})
        EXPECT_TRUE(QFileInfo::exists(v.value(id).filePath)) << id;
    EXPECT_FALSE(v.value("mat").deleted) << "a record whose file is already gone is left unmarked";
    EXPECT_FALSE(v.value("moc").deleted);
    EXPECT_TRUE(QFileInfo(t.videos).isDir());

    // The deletions were appended: a reload sees them, and the journal has one cleanup line.
    t.moLai(true);
    EXPECT_TRUE(t.kho->videoTheoId().value("cu").daXoa());
    const QByteArray nk = t.docTep(QStringLiteral("data/app.log.jsonl"));
    EXPECT_EQ(nk.count('\n'), 1);
    const auto dongNk = nlohmann::json::parse(nk.toStdString());
    EXPECT_EQ(dongNk["event"], "cleanup");
    EXPECT_EQ(dongNk["detail"]["soByte"], "2000");
    EXPECT_EQ(dongNk["detail"]["soFile"], "2");
    EXPECT_EQ(dongNk["detail"]["lan"].get<std::string>().size(), 36u) << "the run's id";
    EXPECT_FALSE(QFileInfo::exists(t.kho->tepDanhSachDonDep())) << "the run's list goes once it is journalled";
    (void)cu;
    (void)moc;
    (void)ngoai;
    (void)chamCham;
    (void)chinhNo;
}

namespace {

// Every file removed by cleanup, counted over all the journal's "cleanup" events, and the runs they name.
std::pair<qint64, QStringList> demDonDep(KhoDuLieu& kho) {
    qint64 soFile = 0;
    QStringList lan;
    kho.nhatKy().docSuKien({"cleanup"}, [&](const NhatKy::SuKienDoc& sk) {
        soFile += sk.chiTiet("soFile").toLongLong();
        lan << sk.chiTiet("lan");
    });
    return {soFile, lan};
}

QByteArray mucDanhSach(const QString& lan, const BanGhiVideo& v) {
    return QByteArray::fromStdString(nlohmann::ordered_json{
               {"lan", lan.toStdString()},
               {"id", v.id.toStdString()},
               {"filePath", v.filePath.toStdString()},
               {"bytes", v.bytes}}.dump()) +
           '\n';
}

}  // namespace

// A cleanup run cut short by a crash at any point: the next run journals each file the first one removed exactly
// once, under the first run's id, marks its record, and then goes on with the rest.
TEST(DonDepVideo, ChetGiuaChungMoiTepGhiMotLan) {
    const QString lan = QStringLiteral("11111111-2222-3333-4444-555555555555");
    const struct {
        const char* ten;
        int daDat;       // files named in the list before the crash
        int daXoa;       // of those, removed
        int daDanhDau;   // of those, with their record marked
        bool daGhiNk;    // the run's event written
        qint64 soTruoc;  // files the next run journals under the first run's id
    } cac[] = {
        {"after naming the first file", 1, 0, 0, false, 0},
        {"after removing the first file", 1, 1, 0, false, 1},
        {"after removing the second file, the first marked", 2, 2, 1, false, 2},
        {"with its list torn after the second file's entry", 2, 2, 2, false, 2},
        {"after its event, before its list went", 3, 3, 3, true, 3},
    };
    for (const auto& c : cac) {
        SCOPED_TRACE(c.ten);
        DonDepTam t;
        const QList<BanGhiVideo> v{t.them("a", 400 * 86400), t.them("b", 300 * 86400), t.them("c", 200 * 86400)};
        for (const BanGhiVideo& x : v) t.kho->ghiBanGhiVideo(x);
        QByteArray danhSach;
        for (int i = 0; i < c.daDat; ++i) danhSach += mucDanhSach(lan, v[i]);
        if (QByteArray(c.ten).contains("torn")) danhSach += mucDanhSach(lan, v[2]).left(20);
        t.vietTep(QStringLiteral("data/.don-dep.jsonl"), danhSach);
        for (int i = 0; i < c.daXoa; ++i) ASSERT_TRUE(QFile::remove(v[i].filePath));
        for (int i = 0; i < c.daDanhDau; ++i) {
            BanGhiVideo x = v[i];
            x.deleted = true;
            t.kho->ghiBanGhiVideo(x);
        }
        if (c.daGhiNk)
            t.kho->nhatKy().ghi(QStringLiteral("cleanup"), {{"soFile", "3"}, {"soByte", "3000"}, {"lan", lan}});

        // Started again, as after the crash.
        t.moLai(true);
        t.kho->donDepVideoCu(30);
        const auto [soFile, cacLan] = demDonDep(*t.kho);
        EXPECT_EQ(soFile, 3) << "every removed file journalled once";
        EXPECT_EQ(cacLan.count(lan), c.soTruoc > 0 ? 1 : 0);
        for (const BanGhiVideo& x : v) {
            EXPECT_FALSE(QFileInfo::exists(x.filePath)) << x.id.toStdString();
            EXPECT_TRUE(t.kho->videoTheoId().value(x.id).daXoa()) << x.id.toStdString();
        }
        EXPECT_FALSE(QFileInfo::exists(t.kho->tepDanhSachDonDep()));
        EXPECT_TRUE(t.kho->nhatKy().kiemTra().ok);
        // The events say how many of the first run's files were gone: the counts split as they happened.
        qint64 soCuaLanTruoc = 0;
        t.kho->nhatKy().docSuKien({"cleanup"}, [&](const NhatKy::SuKienDoc& sk) {
            if (sk.chiTiet("lan") == lan) soCuaLanTruoc = sk.chiTiet("soFile").toLongLong();
        });
        EXPECT_EQ(soCuaLanTruoc, c.soTruoc);

        // Loaded again, the marks hold, and a run finds nothing more to journal.
        t.moLai(true);
        EXPECT_EQ(t.kho->donDepVideoCu(30).soFile, 0);
        EXPECT_EQ(demDonDep(*t.kho).first, 3);
    }
}

// A run whose event cannot be written keeps its list, and the next run journals its files from it.
TEST(DonDepVideo, NhatKyKhongGhiDuocGiuDanhSach) {
    DonDepTam t;
    const auto a = t.them("a", 400 * 86400);
    const auto b = t.them("b", 300 * 86400);
    t.kho->ghiBanGhiVideo(a);
    t.kho->ghiBanGhiVideo(b);
    // Something that is no file where the journal belongs: every append fails.
    ASSERT_TRUE(QDir().mkpath(t.kho->nhatKy().duongDan()));
    EXPECT_EQ(t.kho->donDepVideoCu(30).soFile, 2);
    EXPECT_TRUE(t.kho->nhatKy().loiGhi());
    EXPECT_TRUE(QFileInfo::exists(t.kho->tepDanhSachDonDep()));
    EXPECT_FALSE(QFileInfo::exists(a.filePath));

    ASSERT_TRUE(QDir(t.kho->nhatKy().duongDan()).removeRecursively());
    t.moLai(true);
    t.kho->ghiBanGhiVideo(t.them("c", 200 * 86400));
    EXPECT_EQ(t.kho->donDepVideoCu(30).soFile, 1);
    EXPECT_EQ(demDonDep(*t.kho).first, 3);
    EXPECT_EQ(demDonDep(*t.kho).second.size(), 2) << "the cut-short run's event, then this run's";
    EXPECT_FALSE(QFileInfo::exists(t.kho->tepDanhSachDonDep()));
    EXPECT_TRUE(t.kho->videoTheoId().value("b").daXoa());
    (void)b;
}

TEST(DonDepVideo, KhongXoaGiKhiGiuQuaNganHoacKhongCoGiDeXoa) {
    for (int soNgay : {0, -5, 6}) {
        DonDepTam t;
        const auto v = t.them(QStringLiteral("v"), 400 * 86400);
        const auto kq = t.kho->donDepVideoCu(soNgay);
        EXPECT_EQ(kq.soFile, 0) << soNgay;
        EXPECT_TRUE(QFileInfo::exists(v.filePath)) << soNgay;
        EXPECT_FALSE(QFileInfo::exists(t.kho->nhatKy().duongDan())) << soNgay;
    }
    DonDepTam t;
    t.them(QStringLiteral("moi"), 86400);
    EXPECT_EQ(t.kho->donDepVideoCu(7).soFile, 0);
    EXPECT_FALSE(QFileInfo::exists(t.kho->nhatKy().duongDan())) << "a cleanup that removes nothing journals nothing";
    // The shortest retention the settings offer still cleans up.
    const auto cu = t.them(QStringLiteral("cu"), 7 * 86400 + 1);
    EXPECT_EQ(t.kho->donDepVideoCu(7).soFile, 1);
    EXPECT_FALSE(QFileInfo::exists(cu.filePath));
    EXPECT_TRUE(QFileInfo::exists(t.kho->nhatKy().duongDan()));
}

TEST(NapKho, GiuLauHonTamThangNapDuTepVideo) {
    KhoTam t;
    t.datGio(2026, 12, 15);
    for (int m = 1; m <= 12; ++m)
        t.vietTep(
            QStringLiteral("data/recordings/recordings-2026-%1.jsonl").arg(m, 2, 10, QChar(u'0')),
            dong(video(QStringLiteral("v%1").arg(m), QStringLiteral("o"), QStringLiteral("2026-01-01T00:00:00Z"))));
    EXPECT_EQ(t.kho->napTatCa(8, 30).soVideo, 8);
    EXPECT_EQ(t.moLai().napTatCa(8, 300).soVideo, 11) << "300 days back from 15 Dec reaches February";
    EXPECT_EQ(t.moLai().napTatCa(8, 3650).soVideo, 12);
}

TEST(NapKho, NapSongSongGiongDanhChiMucTungDong) {
    // Orders re-written many times with codes moving between them, spread over three month files:
    // loading must leave exactly the indexes that indexing every line in turn leaves, both into an
    // empty store and into one that indexed some of the same orders before. The codes expected are
    // also replayed here by the plain rule, apart from the store.
    for (const bool daCoDon : {false, true}) {
        KhoTam t;
        KhoDuLieu tungDong(t.duongDan(QStringLiteral("khac")));
        QHash<QString, QStringList> maCua;
        QHash<QString, QString> maMongDoi;
        auto danh = [&](const DonHang& d) {
            for (const QString& m : maCua.value(d.id))
                if (maMongDoi.value(m) == d.id) maMongDoi.remove(m);
            maCua.insert(d.id, d.tatCaMa());
            for (const QString& m : d.tatCaMa()) maMongDoi.insert(m, d.id);
            tungDong.capNhatDon(d);
        };
        NgauNhienThu ngauNhien;
        // One code written in the forms it may come in: lower case, "#", separators, composed or not.
        auto dang = [&](const QString& ma) {
            switch (ngauNhien->bounded(4)) {
                case 0:
                    return ma;
                case 1:
                    return QStringLiteral(" #") + ma.toLower();
                case 2:
                    return ma.left(1) + QStringLiteral("-_.") + ma.mid(1);
                default:
                    return (ngauNhien->bounded(2) ? QStringLiteral("e\u0301") : QStringLiteral("\u00e9")) + ma;
            }
        };
        // The orders indexed before the load also hold codes that no line of the files mentions.
        auto donNgauNhien = [&](int i, QChar tienTo = u'M') {
            DonHang d = don(QStringLiteral("o%1").arg(ngauNhien->bounded(12)));
            for (int k = ngauNhien->bounded(3); k > 0; --k)
                d.trackings.append({dang(tienTo + QString::number(ngauNhien->bounded(15))), std::nullopt});
            if (ngauNhien->bounded(4) == 0) d.orderNumber = dang(QStringLiteral("M%1").arg(ngauNhien->bounded(15)));
            d.updatedAt = QString::number(i);
            return d;
        };
        if (daCoDon)
            for (int i = 0; i < 30; ++i) {
                const DonHang d = donNgauNhien(-i, u'P');
                danh(d);
                t.kho->capNhatDon(d);
            }
        for (int thang = 1; thang <= 3; ++thang) {
            QByteArray noiDung;
            for (int i = 0; i < 400; ++i) {
                DonHang d = donNgauNhien(i);
                // A line longer than the blocks the files are read in, holding codes of its own.
                if (thang == 2 && i == 200)
                    for (int k = 0; k < 20'000; ++k) d.trackings.append({dang(QStringLiteral("B%1").arg(k)), {}});
                noiDung += dong(d);
                danh(d);
            }
            t.vietTep(tepDon(QStringLiteral("2026-0%1").arg(thang)), noiDung);
        }
        t.kho->napTatCa(8);
        EXPECT_EQ(tungDong.maToiId(), maMongDoi) << daCoDon;
        EXPECT_EQ(t.kho->maToiId(), maMongDoi) << daCoDon;
        ASSERT_EQ(t.kho->donTheoId().size(), tungDong.donTheoId().size());
        for (const DonHang& d : tungDong.donTheoId()) {
            EXPECT_EQ(t.kho->donTheoId().value(d.id).thanhDong(), d.thanhDong());
            EXPECT_EQ(t.kho->donTheoMa(d.id)->thanhDong(), d.thanhDong());
        }
    }
}

TEST(NapKho, MoiTepTrenMotLoiGiongDocTungDongKeCaDongHong) {
    // Eight months of orders and of recordings, decoded on every core at once and merged piece by piece:
    // the store must come out exactly as reading every line in turn, oldest file first, leaves it, with
    // the same ids and codes repeated across and within files, lines that are not records, a line longer
    // than a read block, a byte-order mark, CR LF endings, and a torn last line that the load cuts off.
    KhoTam t;
    KhoDuLieu tungDong(t.duongDan(QStringLiteral("khac")));
    QHash<QString, QByteArray> videoMongDoi;
    NgauNhienThu ngauNhien;
    const QList<QByteArray> hong = {"{hỏng", "[1,2]", "\"chu\"", "{\"id\":\"\"}", "{\"id\":5}", "\xff\xfe{}", "   "};
    // What reading the file in turn takes from each piece between line feeds.
    auto docTungDong = [&](const QByteArray& noiDung, bool laDon) {
        qsizetype dau = noiDung.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        for (const QByteArray& manh : noiDung.mid(dau).split('\n')) {
            const std::string_view sv(manh.constData(), size_t(manh.size()));
            if (laDon) {
                if (const auto d = DonHang::docDong(sv); d && !d->id.isEmpty()) tungDong.capNhatDon(*d);
            } else if (const auto v = BanGhiVideo::docDong(sv); v && !v->id.isEmpty()) {
                videoMongDoi.insert(v->id, v->thanhDong());
            }
        }
    };
    for (int thang = 1; thang <= 8; ++thang) {
        QByteArray donTep = thang == 4 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
        QByteArray videoTep;
        for (int i = 0; i < 300; ++i) {
            // Ids of one to twelve characters, either side of the hash's short-text path.
            DonHang d =
                don(QStringLiteral("o%1").arg(ngauNhien->bounded(60)).leftJustified(1 + ngauNhien->bounded(12), u'x'));
            for (int k = ngauNhien->bounded(3); k > 0; --k)
                d.trackings.append({QStringLiteral("M%1").arg(ngauNhien->bounded(80)), std::nullopt});
            if (ngauNhien->bounded(3) == 0) d.orderNumber = QStringLiteral("#%1").arg(ngauNhien->bounded(80));
            if (thang == 6 && i == 150) {
                d.id = QStringLiteral("dai");
                for (int k = 0; k < 20'000; ++k) d.trackings.append({QStringLiteral("DAI%1").arg(k), {}});
            }
            d.updatedAt = QString::number(thang * 1000 + i);
            QByteArray dongDon = dong(d);
            if (ngauNhien->bounded(10) == 0) dongDon.insert(dongDon.size() - 1, '\r');
            donTep += dongDon;
            if (ngauNhien->bounded(15) == 0) donTep += hong[ngauNhien->bounded(int(hong.size()))] + '\n';
            BanGhiVideo v = video(QStringLiteral("v%1").arg(ngauNhien->bounded(90)), d.id, d.updatedAt);
            v.deleted = ngauNhien->bounded(4) == 0;
            videoTep += dong(v);
            if (ngauNhien->bounded(15) == 0) videoTep += hong[ngauNhien->bounded(int(hong.size()))] + '\n';
        }
        const QString ten = QStringLiteral("2026-%1").arg(thang, 2, 10, QChar(u'0'));
        if (thang == 8) {
            // Torn in the middle of a record that would otherwise take over code M1 and order o1.
            t.vietTep(tepDon(ten), donTep + R"({"id":"o1","trackings":[{"trackingNumber":"M1"})");
            t.vietTep(QStringLiteral("data/recordings/recordings-%1.jsonl").arg(ten), videoTep + R"({"id":"v1","dele)");
        } else {
            t.vietTep(tepDon(ten), donTep);
            t.vietTep(QStringLiteral("data/recordings/recordings-%1.jsonl").arg(ten), videoTep);
        }
        docTungDong(donTep, true);
        docTungDong(videoTep, false);
    }
    const KhoDuLieu::SoLuong sl = t.kho->napTatCa(8);
    EXPECT_EQ(sl.soDon, tungDong.donTheoId().size());
    EXPECT_EQ(t.kho->maToiId(), tungDong.maToiId());
    EXPECT_EQ(t.kho->maToiId().value(QStringLiteral("DAI19999")), QStringLiteral("dai"));
    ASSERT_EQ(t.kho->donTheoId().size(), tungDong.donTheoId().size());
    for (const DonHang& d : tungDong.donTheoId()) {
        EXPECT_EQ(t.kho->donTheoId().value(d.id).thanhDong(), d.thanhDong()) << d.id.toStdString();
        // Every code's entry is compared above with the whole index; a lookup by code parses the order's
        // line anew, so the long order's twenty thousand codes are looked up at a spread of them, ends
        // included, rather than parsing its line twenty thousand times.
        const QStringList ma = d.tatCaMa();
        const qsizetype buoc = std::max<qsizetype>(1, ma.size() / 100);
        QList<qsizetype> chon;
        for (qsizetype i = 0; i < ma.size(); i += buoc) chon.append(i);
        if (!ma.isEmpty() && chon.last() != ma.size() - 1) chon.append(ma.size() - 1);
        for (const qsizetype i : chon) {
            const QString& m = ma[i];
            if (tungDong.maToiId().value(m) != d.id) continue;
            const std::optional<DonHang> theoMa = t.kho->donTheoMa(m);
            ASSERT_TRUE(theoMa.has_value()) << m.toStdString();
            EXPECT_EQ(theoMa->id, d.id) << m.toStdString();
        }
    }
    ASSERT_EQ(t.kho->videoTheoId().size(), videoMongDoi.size());
    for (auto it = videoMongDoi.cbegin(); it != videoMongDoi.cend(); ++it)
        EXPECT_EQ(t.kho->videoTheoId().value(it.key()).thanhDong(), *it) << it.key().toStdString();
    // Every entry of the pieces is met once going through them, and found where it is met.
    qsizetype soMa = 0;
    for (auto it = t.kho->maToiId().cbegin(); it != t.kho->maToiId().cend(); ++it, ++soMa)
        EXPECT_EQ(t.kho->maToiId().constFind(it.key()), it);
    EXPECT_EQ(soMa, t.kho->maToiId().size());
}

TEST(NapKho, TepDoiGiuaHaiLanDocKhongDuaDongSaiVao) {
    // Loading reads a month file twice: once for where each order's last line lies, once for the lines that
    // are kept. A file whose bytes change between the two (an editor saving over it, a restore) must never put
    // the other version's bytes, or a mix, under an order: the load starts again, and an order whose line
    // never reads the same twice is left out. Here the file switches between two versions of one order, of the
    // same length and so at the same offsets, each time it is closed, for a few closes or for every one.
    const QByteArray a = dong(don(QStringLiteral("d1"), {QStringLiteral("AAAA1")}));
    const QByteArray b = dong(don(QStringLiteral("d1"), {QStringLiteral("BBBB1")}));
    ASSERT_EQ(a.size(), b.size());
    const QByteArray khac = dong(don(QStringLiteral("d2"), {QStringLiteral("CCCC2")}));
    for (const int soLanDoi : {0, 1, 2, 3, 4, 1000}) {
        SCOPED_TRACE(soLanDoi);
        KhoTam t;
        const QString tep = tepDon(QStringLiteral("2026-03"));
        t.vietTep(tep, khac + a);
        std::atomic<int> conLai{soLanDoi};
        std::atomic<bool> laA{true};
        LoiNhapXuatGia::TrongPhamVi phamVi;
        LoiNhapXuatGia::sauKhiDongTep(QFileInfo(t.duongDan(tep)).canonicalFilePath().toStdString(), [&] {
            if (conLai.fetch_sub(1) <= 0) return;
            laA = !laA;
            t.vietTep(tep, khac + (laA ? a : b));
        });
        t.kho->napTatCa(8);
        LoiNhapXuatGia::tatHet();
        EXPECT_EQ(t.kho->donTheoId().value(QStringLiteral("d2")).thanhDong() + '\n', khac);
        const BangDonDaNap& bang = t.kho->donTheoId();
        if (soLanDoi < 1000) {
            // A version read the same twice in one of the tries: the file as it is now.
            ASSERT_TRUE(bang.contains(QStringLiteral("d1")));
            EXPECT_EQ(bang.value(QStringLiteral("d1")).thanhDong() + '\n', laA ? a : b);
            EXPECT_EQ(t.kho->donTheoMa(laA ? QStringLiteral("AAAA1") : QStringLiteral("BBBB1"))->id, QStringLiteral("d1"));
        } else {
            EXPECT_FALSE(bang.contains(QStringLiteral("d1")));
        }
    }
}

TEST(GhiBanGhi, NoiThemSauDuoiRachKhongNuotDongMoi) {
    // The writer meets a file whose last piece has no line feed (a crash of an earlier run, with no
    // reload in between): a torn fragment is cut, a whole line gets its line feed, then the new line.
    const QByteArray mot = dong(don(QStringLiteral("1")));
    const QByteArray hai = don(QStringLiteral("2")).thanhDong();
    struct {
        const char* ten;
        QByteArray truoc, sau;
    } const bang[] = {
        {"manh rach", mot + hai.left(hai.size() / 2), mot},
        {"dong du thieu LF", mot + hai, mot + hai + '\n'},
        {"chi co manh rach", hai.left(9), QByteArray()},
        {"CR LF du", mot + hai + '\r', mot + hai + "\r\n"},
    };
    for (const auto& c : bang) {
        KhoTam t;
        t.datGio(2026, 5, 20);
        t.vietTep(tepDon(QStringLiteral("2026-05")), c.truoc);
        t.kho->ghiDon(don(QStringLiteral("3")));
        EXPECT_EQ(t.docTep(tepDon(QStringLiteral("2026-05"))), c.sau + dong(don(QStringLiteral("3")))) << c.ten;
    }
}

// The sync engine's batch, handed over from a worker thread onto a month file left torn by a crash: the
// same repair as a single append (the cut piece kept whole in the side file), then the whole batch.
TEST(GhiLoDon, TuLuongKhacSuaDuoiRachRoiNoiCaLo) {
    const QByteArray mot = dong(don(QStringLiteral("1")));
    const QByteArray hai = don(QStringLiteral("2")).thanhDong();
    struct {
        const char* ten;
        QByteArray truoc, sau, cat;
    } const bang[] = {
        {"manh rach", mot + hai.left(hai.size() / 2), mot, hai.left(hai.size() / 2)},
        {"dong du thieu LF", mot + hai, mot + hai + '\n', QByteArray()},
        {"chi co manh rach", hai.left(9), QByteArray(), hai.left(9)},
        {"khong co tep", QByteArray(), QByteArray(), QByteArray()},
    };
    const QList<DonHang> lo{don(QStringLiteral("3")), don(QStringLiteral("4"), {QStringLiteral("VD-4")})};
    for (const auto& c : bang) {
        KhoTam t;
        t.datGio(2026, 5, 31, 23, 59, 59);
        if (!c.truoc.isEmpty()) t.vietTep(tepDon(QStringLiteral("2026-05")), c.truoc);
        ASSERT_FALSE(t.kho->moKho()) << c.ten;
        std::optional<QString> loi;
        std::thread([&] {
            try {
                t.kho->ghiLoDon(lo);
            } catch (const LoiTep& e) {
                loi = e.moTa();
            }
        }).join();
        EXPECT_FALSE(loi) << c.ten << ": " << loi.value_or(QString()).toStdString();
        EXPECT_EQ(t.docTep(tepDon(QStringLiteral("2026-05"))), c.sau + dong(lo[0]) + dong(lo[1])) << c.ten;
        const QStringList rieng = QDir(t.duongDan(QStringLiteral("data/orders")))
                                      .entryList({QStringLiteral("orders-2026-05.jsonl.doan-cat-*")}, QDir::Files);
        if (c.cat.isEmpty()) {
            EXPECT_TRUE(rieng.isEmpty()) << c.ten;
        } else {
            ASSERT_EQ(rieng.size(), 1) << c.ten;
            EXPECT_EQ(t.docTep(QStringLiteral("data/orders/") + rieng[0]), c.cat) << c.ten;
        }
        t.moLai(true);
        EXPECT_EQ(t.kho->donTheoMa(QStringLiteral("VD-4")).value_or(DonHang()).id, QStringLiteral("4")) << c.ten;
    }
    // An empty fetch touches nothing.
    KhoTam t;
    t.kho->ghiLoDon({});
    EXPECT_FALSE(QFileInfo::exists(t.duongDan(QStringLiteral("data/orders"))));
}

// The store has no lock of its own: whatever changes its maps, its folder lock or its journal from a thread
// other than the one that built it stops the program, naming the call; the workers' ways in (the batch
// append, the free-space measure) run from any thread.
TEST(LuongKho, DoiKhoTuLuongKhacDungChuongTrinh) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    KhoTam t;
    ASSERT_FALSE(t.kho->moKho());
    const auto tuLuongKhac = [&](const std::function<void(KhoDuLieu&)>& goi) {
        std::thread([&] { goi(*t.kho); }).join();
    };
    const struct {
        const char* noi;
        std::function<void(KhoDuLieu&)> goi;
    } bang[] = {
        {"KhoDuLieu::moKho", [](KhoDuLieu& k) { k.moKho(); }},
        {"KhoDuLieu::doiThuMucGoc", [](KhoDuLieu& k) { k.doiThuMucGoc(QDir::tempPath(), 0); }},
        {"KhoDuLieu::napTatCa", [](KhoDuLieu& k) { k.napTatCa(8); }},
        {"KhoDuLieu::napDon", [](KhoDuLieu& k) { k.napDon(k.thuMucDon(), KhoDuLieu::tienToDon(), 1); }},
        {"KhoDuLieu::capNhatDon", [](KhoDuLieu& k) { k.capNhatDon(don(QStringLiteral("1"))); }},
        {"KhoDuLieu::datVideo", [](KhoDuLieu& k) { k.datVideo(video(QStringLiteral("v"), {}, {})); }},
        {"KhoDuLieu::ghiDon", [](KhoDuLieu& k) { k.ghiDon(don(QStringLiteral("1"))); }},
        {"KhoDuLieu::ghiBanGhiVideo", [](KhoDuLieu& k) { k.ghiBanGhiVideo(video(QStringLiteral("v"), {}, {})); }},
        {"NhatKy::ghi", [](KhoDuLieu& k) { k.nhatKy().ghi(QStringLiteral("app_start")); }},
        {"NhatKy::napVanTayCuoi", [](KhoDuLieu& k) { k.nhatKy().napVanTayCuoi(); }},
        {"NhatKy::doiThuMuc", [](KhoDuLieu& k) { k.nhatKy().doiThuMuc(k.thuMucGoc()); }},
        {"NhatKy::chupDeKiemTra", [](KhoDuLieu& k) { k.nhatKy().chupDeKiemTra(); }},
        {"KhoDuLieu::chupDon", [](KhoDuLieu& k) { k.chupDon(); }},
        {"KhoDuLieu::chiMucLo",
         [](KhoDuLieu& k) {
             LoDon lo;
             k.chiMucLo(lo, std::chrono::nanoseconds(0), 1);
         }},
        {"KhoDuLieu::donDepVideoCu", [](KhoDuLieu& k) { k.donDepVideoCu(30); }},
    };
    for (const auto& c : bang) {
        EXPECT_DEATH(tuLuongKhac(c.goi), std::string(c.noi) + " was called from a thread it does not belong to")
            << c.noi;
    }

    std::optional<qint64> mb;
    tuLuongKhac([&](KhoDuLieu& k) {
        mb = k.dungLuongTrongMB();
        k.ghiLoDon({don(QStringLiteral("2"))});
    });
    EXPECT_TRUE(mb);
    t.moLai(true);
    EXPECT_TRUE(t.kho->donTheoId().contains(QStringLiteral("2")));
}

// The first run's folder change: the store moves its lock, its journal and the orders synced so far onto the new
// folder and reads what that folder already holds; a folder another process holds, or a store that already
// holds a video, leaves everything where it was.
TEST(DoiThuMucGoc, ChuyenKhoaNhatKyVaDonSangThuMucMoi) {
    KhoTam cu;
    cu.datGio(2026, 3, 14);
    cu.kho->napTatCa(8);
    cu.kho->ghiDon(don("D1", {"VD1"}));
    cu.kho->capNhatDon(don("D1", {"VD1"}));
    cu.kho->nhatKy().ghi(QStringLiteral("app_start"));

    KhoTam moi;  // a folder of an earlier install, with one order of its own
    moi.vietTep(tepDon("2026-02"), dong(don("D0", {"VD0"})));
    moi.kho.reset();

    // Held by another process: refused, and the store keeps its folder and its lock.
    {
        KhoDuLieu khac(moi.goc());
        ASSERT_FALSE(khac.moKho().has_value());
        const auto loi = cu.kho->doiThuMucGoc(moi.goc(), 30);
        ASSERT_TRUE(loi.has_value());
        EXPECT_TRUE(loi->contains(QStringLiteral("phiên Korvane Zize khác"))) << loi->toStdString();
        EXPECT_EQ(cu.kho->thuMucGoc(), cu.goc());
        KhoDuLieu thu(cu.goc());
        EXPECT_TRUE(thu.moKho().has_value());  // still ours
    }

    ASSERT_EQ(cu.kho->doiThuMucGoc(moi.goc(), 30), std::nullopt);
    EXPECT_EQ(cu.kho->thuMucGoc(), moi.goc());
    EXPECT_TRUE(cu.kho->donTheoId().contains("D0"));
    EXPECT_TRUE(cu.kho->donTheoId().contains("D1"));
    EXPECT_EQ(cu.kho->donTheoMa("VD1")->id, "D1");
    EXPECT_TRUE(moi.docTep(tepDon("2026-03")).contains("\"D1\""));
    cu.kho->nhatKy().ghi(QStringLiteral("rec_start"));
    EXPECT_TRUE(moi.docTep("data/app.log.jsonl").contains("rec_start"));
    EXPECT_FALSE(cu.docTep("data/app.log.jsonl").contains("rec_start"));
    EXPECT_TRUE(cu.kho->nhatKy().kiemTra().ok);
    {
        KhoDuLieu thu(cu.goc());
        EXPECT_FALSE(thu.moKho().has_value());  // the old folder is free again
        KhoDuLieu thuMoi(moi.goc());
        EXPECT_TRUE(thuMoi.moKho().has_value());
    }

    // With a video held, the store stays: that video's folder is this one.
    cu.kho->datVideo(video("V1", "D1", "2026-03-14T05:00:00Z"));
    EXPECT_EQ(cu.kho->doiThuMucGoc(cu.goc(), 30), KhoDuLieu::kDaCoVideo);
    EXPECT_EQ(cu.kho->thuMucGoc(), moi.goc());
}
