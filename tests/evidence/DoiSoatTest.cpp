#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "evidence/DoiSoat.h"
#include "store/DinhDangISO.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"

namespace {

// 2024-03-20T05:00:00Z, noon in Asia/Ho_Chi_Minh.
constexpr qint64 bayGio = 1710910800;

QString luc(qint64 giay) {
    return dinhDangISO().dinhDang(QDateTime::fromSecsSinceEpoch(giay, Qt::UTC));
}

struct Moi {
    QTemporaryDir tmp;
    DongHoGia dongHo;
    KhoDuLieu kho{tmp.path(), &dongHo};
    Moi() { dongHo.datGiayThuc(bayGio); }

    void video(const QString& id, const QString& batDau, std::optional<QString> donId = std::nullopt,
               std::optional<QString> loai = std::nullopt, std::optional<bool> xoa = std::nullopt) {
        BanGhiVideo bg;
        bg.id = id;
        bg.code = id;
        bg.startedAt = batDau;
        bg.orderId = donId;
        bg.kind = loai;
        bg.deleted = xoa;
        kho.datVideo(bg);
    }
    void don(const QString& id, const QString& taoLuc, std::optional<QString> huy = std::nullopt) {
        DonHang d;
        d.id = id;
        d.createdAt = taoLuc;
        d.updatedAt = taoLuc;
        d.cancelledAt = huy;
        kho.capNhatDon(d);
    }
    DoiSoat tinh(const QString& ngayIso) {
        DoiSoat ds(dongHo);
        ds.ngay = *docThoiGianISO(ngayIso);
        ds.tinhLai(kho);
        return ds;
    }
};

QStringList ids(const std::vector<DonHang>& ds) {
    QStringList r;
    for (const auto& d : ds) r << d.id;
    return r;
}
QStringList ids(const std::vector<BanGhiVideo>& ds) {
    QStringList r;
    for (const auto& d : ds) r << d.id;
    return r;
}

}  // namespace

TEST(DoiSoat, KhongCoGiThiRong) {
    Moi m;
    DoiSoat ds(m.dongHo);
    EXPECT_EQ(ds.ngay.toSecsSinceEpoch(), bayGio);
    ds.tinhLai(m.kho);
    EXPECT_EQ(ds.daQuay, 0);
    EXPECT_TRUE(ds.chuaQuay.empty());
    EXPECT_TRUE(ds.moCoi.empty());
    EXPECT_TRUE(ds.thongKe.empty());
}

TEST(DoiSoat, DonChuaQuayTrongNgay) {
    Moi m;
    // Chosen day: 2 March local.
    m.don("D-utc-muon", "2024-03-01T23:30:00Z");     // 06:30 on 2 March local
    m.don("D-truoc", "2024-03-01T16:59:59Z");        // 23:59:59 on 1 March local
    m.don("D-offset", "2024-03-02T08:00:00+09:00");  // 06:00 local
    m.don("D-khong-mui", "2024-03-02 09:15:00");     // zone-less: local time
    m.don("D-khong-mui-t", "2024-03-02T21:00:00.250");
    m.don("D-huy-rong", "2024-03-02T03:00:00Z", QString());
    m.don("D-huy", "2024-03-02T03:00:00Z", QStringLiteral("2024-03-02T04:00:00Z"));
    m.don("D-hoan", "2024-03-02T02:00:00Z");
    m.don("D-xoa", "2024-03-02T02:00:01Z");
    m.don("D-da-quay-ngay-khac", "2024-03-02T02:00:02Z");
    m.don("D-loai-la", "2024-03-02T02:00:03Z");
    m.don("D-rac", "hôm nay");
    m.don("D-rong", "");
    m.video("V-hoan", "2024-03-02T05:00:00Z", "D-hoan", "return");
    m.video("V-xoa", "2024-03-02T05:00:01Z", "D-xoa", std::nullopt, true);
    m.video("V-ngay-khac", "2024-02-10T05:00:00Z", "D-da-quay-ngay-khac");
    m.video("V-loai-la", "2024-03-02T05:00:02Z", "D-loai-la", "unboxing");

    const DoiSoat ds = m.tinh("2024-03-02T05:00:00Z");
    // Sorted by the createdAt text as plain text, greatest first, even where the shapes differ.
    EXPECT_EQ(ids(ds.chuaQuay),
              QStringList({"D-khong-mui-t", "D-offset", "D-xoa", "D-hoan", "D-khong-mui", "D-utc-muon"}));
    // Packing videos started on 2 March: the deleted and the returns video do not count; the odd kind does.
    EXPECT_EQ(ds.daQuay, 1);
    EXPECT_EQ(ds.soDonTrongNgay(), 7);
    EXPECT_EQ(ds.soDonChuaQuay(), 6);

    const DoiSoat truoc = m.tinh("2024-03-01T05:00:00Z");
    EXPECT_EQ(ids(truoc.chuaQuay), QStringList({"D-truoc"}));
    EXPECT_EQ(truoc.daQuay, 0);
}

TEST(DoiSoat, VideoTrongNgay) {
    struct Ca {
        const char* ten;
        BanGhiVideo bg;
        bool mong;
    };
    auto v = [](QString bd, std::optional<QString> loai = {}, std::optional<bool> xoa = {}) {
        BanGhiVideo b;
        b.startedAt = bd;
        b.kind = loai;
        b.deleted = xoa;
        return b;
    };
    const Ca cac[] = {
        {"dong goi", v("2024-03-02T00:00:00Z"), true},
        {"pack", v("2024-03-02T00:00:00Z", QString("pack")), true},
        {"loai la", v("2024-03-02T00:00:00Z", QString("khac")), true},
        {"hoan", v("2024-03-02T00:00:00Z", QString("return")), false},
        {"da xoa", v("2024-03-02T00:00:00Z", {}, true), false},
        {"deleted false", v("2024-03-02T00:00:00Z", {}, false), true},
        {"ngay khac (16:59Z la 23:59 hom truoc)", v("2024-03-01T16:59:59Z"), false},
        {"17:00Z la 00:00 dia phuong", v("2024-03-01T17:00:00Z"), true},
        {"khong doc duoc", v("2024-03-02 10:00:00"), false},
        {"rong", v(""), false},
    };
    for (const Ca& ca : cac) EXPECT_EQ(DoiSoat::videoTrongNgay(ca.bg, "2024-03-02"), ca.mong) << ca.ten;
}

TEST(DoiSoat, VideoMoCoiVaThongKeTheoGioTinh) {
    Moi m;
    const qint64 ngay = 86400;
    m.video("V-bien", luc(bayGio - DoiSoat::cuaSoMoCoi));
    m.video("V-bien+1", luc(bayGio - DoiSoat::cuaSoMoCoi + 1));
    m.video("V-moi", luc(bayGio - 60), QString());
    m.video("V-hoan", luc(bayGio - 120), std::nullopt, "return");
    m.video("V-co-don", luc(bayGio - 180), "D1");
    m.video("V-xoa", luc(bayGio - 240), std::nullopt, std::nullopt, true);
    m.video("V-rac", "không rõ");
    m.video("V-30-bien", luc(bayGio - DoiSoat::cuaSoThongKe), "D2");
    m.video("V-30-bien+1", luc(bayGio - DoiSoat::cuaSoThongKe + 1), "D2");
    m.video("V-29", luc(bayGio - 29 * ngay), "D3");

    const DoiSoat ds = m.tinh("2023-01-01T00:00:00Z");  // windows run back from now, not from the chosen day
    EXPECT_EQ(ids(ds.moCoi), QStringList({"V-moi", "V-hoan", "V-bien+1"}));
    EXPECT_EQ(ds.soVideoMoCoi(), 3);

    std::vector<std::pair<QString, int>> tk;
    for (const auto& n : ds.thongKe) tk.emplace_back(n.ngay, n.so);
    // now = 2024-03-20 12:00 local; 14 days back = 6 March 12:00, 30 days back = 19 Feb 12:00.
    const std::vector<std::pair<QString, int>> mong{
        {"2024-03-20", 3}, {"2024-03-06", 2}, {"2024-02-20", 1}, {"2024-02-19", 1}};
    EXPECT_EQ(tk, mong);

    const DoiSoat khacNgay = m.tinh("2024-03-20T05:00:00Z");
    EXPECT_EQ(ids(khacNgay.moCoi), ids(ds.moCoi));
    EXPECT_EQ(khacNgay.thongKe.size(), ds.thongKe.size());
    EXPECT_EQ(khacNgay.daQuay, 2);  // V-moi and V-co-don; returns and deleted videos are not packing videos
}
