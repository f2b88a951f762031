#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QFile>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <mutex>

#include "MayChuGia.h"
#include "MoiTruongDongBo.h"
#include "sources/LoiNguonDon.h"
#include "store/DinhDangISO.h"

namespace {

QStringList boGio(const QStringList& nhatKy) {
    QStringList ra;
    for (const QString& d : nhatKy) ra << d.section(QStringLiteral(" · "), 1);
    return ra;
}

const std::string kDuongNhanh = "/nhanh/v3.0/order/list";

void luuKhoaNhanh(MoiTruongDongBo& m) {
    m.caiDat->setNguonDon(QStringLiteral("nhanh"));
    m.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.nhanh.appId"), QStringLiteral("app1"));
    m.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.nhanh.businessId"), QStringLiteral("biz1"));
    m.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.nhanh.accessToken"), QStringLiteral("tok-nhanh"));
}

}  // namespace

TEST(BoDongBo, FirstRunFetchesThirtyDaysAndTakesTheCursorBeforeTheFetch) {
    MoiTruongDongBo m;
    m.kichBan = [&](NguonDonKichBan& n) {
        n.khiLayDon = [&](const QString&, const NhanTienDo&) {
            m.dongHo.tienGiay(90);  // a long fetch; orders changed meanwhile must not fall behind the cursor
            return QList<DonHang>{};
        };
    };
    auto& db = m.taoDongBo();
    EXPECT_EQ(db.trangThai(), QStringLiteral("Chưa đồng bộ lần nào."));
    EXPECT_FALSE(db.lanCuoi().isValid());
    m.chayDongBo();
    EXPECT_EQ(m.nguon->cacTuLuc(), QStringList{QStringLiteral("2025-11-10T09:00:00Z")});
    EXPECT_EQ(db.trangThai(), QStringLiteral("Không có đơn nào mới."));
    EXPECT_EQ(m.mocDaLuu(), QStringLiteral("2025-12-10T09:00:00Z"));
    EXPECT_EQ(db.lanCuoi(), *docThoiGianISO(u"2025-12-10T09:00:00Z"));
    EXPECT_TRUE(db.nhatKy().isEmpty());
    const auto sk = m.suKienDongBo();
    ASSERT_EQ(sk.size(), 1u);
    EXPECT_EQ(sk[0].first, "sync");
    EXPECT_EQ(sk[0].second, (nlohmann::json{{"orders", "0"}, {"catBot", "0"}}));
    EXPECT_FALSE(db.dangChay());
    EXPECT_TRUE(db.loi().isNull());

    // The next run starts two minutes before that cursor; the refetch always 30 days back from now.
    m.chayDongBo();
    m.chayDongBo(true);
    EXPECT_EQ(m.nguon->cacTuLuc(),
              (QStringList{QStringLiteral("2025-11-10T09:00:00Z"), QStringLiteral("2025-12-10T08:58:00Z"),
                           QStringLiteral("2025-11-10T09:03:00Z")}));
}

TEST(BoDongBo, StoredCursorIsReadWithOrWithoutFractionsAndIgnoredWhenUnreadable) {
    struct Ca {
        const char* daLuu;
        const char* tuLuc;
    };
    const Ca cacCa[] = {{"2025-12-01T00:00:00Z", "2025-11-30T23:58:00Z"},
                        {"2025-12-01T00:00:00.750Z", "2025-11-30T23:58:00Z"},
                        {"2025-12-01 00:00", "2025-11-10T09:00:00Z"},
                        {"", "2025-11-10T09:00:00Z"}};
    for (const auto& ca : cacCa) {
        MoiTruongDongBo m;
        m.caiDat->ud().setValue(BoDongBo::khoaMoc, QString::fromLatin1(ca.daLuu));
        m.taoDongBo();
        m.chayDongBo();
        ASSERT_NE(m.nguon, nullptr);
        EXPECT_EQ(m.nguon->cacTuLuc(), QStringList{QString::fromLatin1(ca.tuLuc)}) << ca.daLuu;
    }
}

TEST(BoDongBo, OrdersAreWrittenInOneAppendAndIndexedByTheirCodes) {
    MoiTruongDongBo m;
    m.kichBan = [](NguonDonKichBan& n) {
        n.tho = QStringLiteral("{\n  \"id\": 1\n}");
        n.khiLayDon = [](const QString&, const NhanTienDo& tienDo) {
            tienDo(QStringLiteral("Dùng được kiểu tham số \"day-du\""));
            return QList<DonHang>{donMau("1"), donMau("2"), donMau("3")};
        };
    };
    auto& db = m.taoDongBo();
    m.chayDongBo();
    EXPECT_EQ(db.soDonLanCuoi(), 3);
    EXPECT_EQ(db.trangThai(), QStringLiteral("Đã cập nhật 3 đơn."));
    EXPECT_EQ(db.mauTho(), QStringLiteral("{\n  \"id\": 1\n}"));
    EXPECT_TRUE(choDen([&] { return db.nhatKy().size() == 2; }));
    EXPECT_TRUE(boGio(db.nhatKy()).contains(QStringLiteral("Cập nhật 3 đơn.")));
    EXPECT_EQ(db.nhatKy().last(), QStringLiteral("10/12/2025 16:00:00 · Cập nhật 3 đơn."));
    ASSERT_TRUE(m.kho->donTheoMa(QStringLiteral("vd-2")));
    EXPECT_EQ(m.kho->donTheoMa(QStringLiteral("vd-2"))->id, QStringLiteral("2"));

    QFile f(m.kho->tepDonThangNay());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count('\n'), 3);
    // What was written is what a fresh start loads.
    m.dongBo.reset();
    m.kho.reset();
    KhoDuLieu lai(m.tam.path() + QStringLiteral("/goc"), &m.dongHo);
    lai.napTatCa(8);
    EXPECT_EQ(lai.donTheoId().size(), 3);
}

// A fetch running across midnight at a month's end writes into the month in which the lines are written.
TEST(BoDongBo, FetchAcrossMonthEndWritesIntoTheNewMonth) {
    MoiTruongDongBo m;
    m.dongHo.datGiayThuc(1'767'200'370);  // 2025-12-31 23:59:30 in Ho Chi Minh City
    m.kichBan = [&](NguonDonKichBan& n) {
        n.khiLayDon = [&](const QString&, const NhanTienDo&) {
            m.dongHo.tienGiay(60);
            return QList<DonHang>{donMau("1"), donMau("2")};
        };
    };
    m.taoDongBo();
    m.chayDongBo();
    const QString thuMuc = m.kho->thuMucDon() + u'/';
    EXPECT_FALSE(QFile::exists(thuMuc + QStringLiteral("orders-2025-12.jsonl")));
    QFile f(thuMuc + QStringLiteral("orders-2026-01.jsonl"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count('\n'), 2);
}

TEST(BoDongBo, CappedFetchMovesTheCursorOnlyToTheNewestOrderReceived) {
    struct Ca {
        QList<DonHang> cacDon;
        QString moc;
        QString dong;
    };
    const Ca cacCa[] = {
        {{donMau("1", QStringLiteral("2025-12-05T01:00:00Z")), donMau("2", QStringLiteral("2025-12-06T02:30:00.250Z")),
          donMau("3", QStringLiteral("khong doc duoc"))},
         QStringLiteral("2025-12-06T02:30:00Z"),
         QStringLiteral("Chưa lấy hết — mốc dừng ở 06/12/2025 09:30, lượt sau lấy tiếp.")},
        // Without a readable update time nothing proves what the fetch covered: the cursor stays where the
        // fetch started (30 days back on a first run) and the window is asked for in parts.
        {{donMau("1", QString()), donMau("2", QStringLiteral("x"))},
         QStringLiteral("2025-11-10T09:02:00Z"),
         QStringLiteral("Chưa lấy hết — mốc giữ ở 10/11/2025 16:02, lượt sau lấy tiếp từng khoảng ngắn hơn.")},
        // Platforms that send their times without a zone mean local time; skipping them would move the cursor
        // past orders the capped fetch never reached.
        {{donMau("1", QStringLiteral("2025-12-05T08:00:00.123")), donMau("2", QStringLiteral("2025-12-04 10:00:00"))},
         QStringLiteral("2025-12-05T01:00:00Z"),
         QStringLiteral("Chưa lấy hết — mốc dừng ở 05/12/2025 08:00, lượt sau lấy tiếp.")},
    };
    for (const auto& ca : cacCa) {
        MoiTruongDongBo m;
        m.kichBan = [&](NguonDonKichBan& n) {
            n.catBot = true;
            n.khiLayDon = [&](const QString&, const NhanTienDo&) {
                m.dongHo.tienGiay(30);
                return ca.cacDon;
            };
        };
        auto& db = m.taoDongBo();
        m.chayDongBo();
        EXPECT_EQ(m.mocDaLuu(), ca.moc);
        const QStringList dong = boGio(db.nhatKy());
        EXPECT_EQ(dong.contains(ca.dong), !ca.dong.isEmpty());
        EXPECT_EQ(dong.filter(QStringLiteral("Chưa lấy hết")).size(), ca.dong.isEmpty() ? 0 : 1);
        EXPECT_EQ(m.suKienDongBo().back().second,
                  (nlohmann::json{{"orders", std::to_string(ca.cacDon.size())}, {"catBot", "1"}}));
        m.chayDongBo();
        EXPECT_EQ(m.nguon->cacTuLuc().last(), dinhDangISO().dinhDang(docThoiGianISO(ca.moc)->addSecs(-120)));
    }
}

TEST(BoDongBo, WriteFailureKeepsTheCursorAndCountAndIndexesNothing) {
    MoiTruongDongBo m;
    m.caiDat->ud().setValue(BoDongBo::khoaMoc, QStringLiteral("2025-12-01T00:00:00Z"));
    int luot = 0;
    m.kichBan = [&](NguonDonKichBan& n) {
        n.tho = QStringLiteral("{}");
        n.khiLayDon = [&](const QString&, const NhanTienDo&) {
            ++luot;
            QList<DonHang> ds;
            for (int i = 0; i < 10; ++i) ds << donMau(QStringLiteral("L%1-%2").arg(luot).arg(i));
            return ds;
        };
    };
    auto& db = m.taoDongBo();
    m.chayDongBo();
    ASSERT_EQ(db.soDonLanCuoi(), 10);
    const QString mocTruoc = m.mocDaLuu();
    m.dongHo.tienGiay(600);

    // The orders folder turns into a regular file: no append can succeed.
    const QString thuMuc = m.kho->thuMucDon();
    ASSERT_TRUE(QDir(thuMuc).removeRecursively());
    QFile chan(thuMuc);
    ASSERT_TRUE(chan.open(QIODevice::WriteOnly));
    chan.close();

    m.chayDongBo();
    EXPECT_TRUE(db.loi().startsWith(QStringLiteral("Không ghi được đơn xuống ổ cứng: "))) << db.loi().toStdString();
    EXPECT_TRUE(db.loi().endsWith(QStringLiteral(". Mốc đồng bộ giữ nguyên.")));
    EXPECT_EQ(db.trangThai(), QStringLiteral("Kho dữ liệu không ghi được."));
    EXPECT_EQ(boGio(db.nhatKy()).last(), db.loi());
    EXPECT_EQ(db.soDonLanCuoi(), 10);
    EXPECT_EQ(m.mocDaLuu(), mocTruoc);
    EXPECT_FALSE(m.kho->donTheoMa(QStringLiteral("VDL2-0")));
    EXPECT_EQ(db.mauTho(), QStringLiteral("{}"));
    const auto sk = m.suKienDongBo().back();
    EXPECT_EQ(sk.first, "sync_write_error");
    EXPECT_EQ(sk.second.at("daLuu"), "0");
    EXPECT_FALSE(QString::fromStdString(sk.second.at("msg").get<std::string>()).isEmpty());
    EXPECT_FALSE(db.dangChay());
}

// A disk that fills up part-way through the append: the lines already out are cut off again, so the file holds
// nothing of the failed fetch (no half line for the next start to trip on), and the next run writes it whole.
TEST(BoDongBo, WriteCutShortPartWayLeavesTheFileAsItWasAndTheNextRunWritesItWhole) {
    MoiTruongDongBo m;
    int luot = 0;
    m.kichBan = [&](NguonDonKichBan& n) {
        n.khiLayDon = [&](const QString&, const NhanTienDo&) {
            ++luot;
            QList<DonHang> ds;
            for (int i = 0; i < 10; ++i) ds << donMau(QStringLiteral("P%1-%2").arg(luot).arg(i));
            return ds;
        };
    };
    auto& db = m.taoDongBo();
    m.chayDongBo();
    ASSERT_EQ(db.soDonLanCuoi(), 10);
    const QString tep = m.kho->tepDonThangNay();
    const auto docTep = [&] {
        QFile f(tep);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray truoc = docTep();
    const QString mocTruoc = m.mocDaLuu();
    m.dongHo.tienGiay(600);

    // A file-size limit a few hundred bytes past the end: the first orders of the batch get out, the rest not.
    const auto tinHieuCu = std::signal(SIGXFSZ, SIG_IGN);
    rlimit cu{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &cu), 0);
    rlimit moi = cu;
    moi.rlim_cur = static_cast<rlim_t>(truoc.size() + 300);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &moi), 0);
    m.chayDongBo();
    setrlimit(RLIMIT_FSIZE, &cu);
    std::signal(SIGXFSZ, tinHieuCu);

    EXPECT_TRUE(db.loi().startsWith(QStringLiteral("Không ghi được đơn xuống ổ cứng: "))) << db.loi().toStdString();
    EXPECT_EQ(db.trangThai(), QStringLiteral("Kho dữ liệu không ghi được."));
    EXPECT_EQ(docTep(), truoc) << "the part of the batch that got out is cut off again";
    EXPECT_EQ(m.mocDaLuu(), mocTruoc);
    EXPECT_EQ(db.soDonLanCuoi(), 10);
    EXPECT_FALSE(m.kho->donTheoMa(QStringLiteral("VDP2-0")));
    const auto sk = m.suKienDongBo().back();
    EXPECT_EQ(sk.first, "sync_write_error");
    EXPECT_EQ(sk.second.at("daLuu"), "0");

    // With room again the next run fetches from the unchanged cursor and writes its whole batch.
    m.chayDongBo();
    EXPECT_EQ(m.nguon->cacTuLuc().last(), dinhDangISO().dinhDang(docThoiGianISO(mocTruoc)->addSecs(-120)));
    EXPECT_TRUE(db.loi().isNull());
    EXPECT_EQ(m.mocDaLuu(), QStringLiteral("2025-12-10T09:10:00Z"));
    EXPECT_EQ(docTep().count('\n'), 20);
    EXPECT_TRUE(m.kho->donTheoMa(QStringLiteral("VDP3-9")));
    m.dongBo.reset();
    m.kho.reset();
    KhoDuLieu lai(m.tam.path() + QStringLiteral("/goc"), &m.dongHo);
    lai.napTatCa(8);
    EXPECT_EQ(lai.donTheoId().size(), 20);
}

TEST(BoDongBo, FetchFailureIsShownLoggedAndJournalledWithItsDetail) {
    MoiTruongDongBo m;
    m.kichBan = [](NguonDonKichBan& n) {
        n.khiLayDon = [](const QString&, const NhanTienDo&) -> QList<DonHang> {
            throw LoiNguonDon(404, QStringLiteral("not found"), QStringLiteral("https://h/x"), QStringLiteral("m"));
        };
    };
    auto& db = m.taoDongBo();
    m.chayDongBo();
    const QString text = QStringLiteral("Không tìm thấy dữ liệu (404). Kiểm tra lại tên cửa hàng.");
    EXPECT_EQ(db.loi(), text);
    EXPECT_EQ(db.trangThai(), QStringLiteral("Đồng bộ lỗi."));
    EXPECT_EQ(boGio(db.nhatKy()), (QStringList{text, QStringLiteral("HTTP 404 | not found | https://h/x")}));
    EXPECT_TRUE(m.mocDaLuu().isEmpty());
    EXPECT_EQ(m.suKienDongBo().back().first, "sync_error");
    EXPECT_EQ(m.suKienDongBo().back().second, (nlohmann::json{{"msg", text.toStdString()}}));
    EXPECT_TRUE(db.mauTho().isNull());
}

TEST(BoDongBo, ActivityListKeepsTheNewestSixtyLines) {
    MoiTruongDongBo m;
    m.kichBan = [](NguonDonKichBan& n) {
        n.khiLayDon = [](const QString&, const NhanTienDo& tienDo) {
            for (int i = 1; i <= 61; ++i) tienDo(QStringLiteral("dòng %1").arg(i));
            return QList<DonHang>{};
        };
    };
    auto& db = m.taoDongBo();
    m.chayDongBo();
    ASSERT_TRUE(choDen([&] { return boGio(db.nhatKy()).contains(QStringLiteral("dòng 61")); }));
    EXPECT_EQ(db.nhatKy().size(), 60);
    EXPECT_EQ(boGio(db.nhatKy()).first(), QStringLiteral("dòng 2"));
}

TEST(BoDongBo, ClientIsRebuiltOnlyWhenThePlatformOrACredentialChanges) {
    MoiTruongDongBo m;
    m.kichBan = [](NguonDonKichBan& n) {
        n.tho = QStringLiteral("mau");
        n.khiLayDon = [](const QString&, const NhanTienDo&) { return QList<DonHang>{donMau("1")}; };
    };
    auto& db = m.taoDongBo();
    m.chayDongBo();
    m.chayDongBo();
    EXPECT_EQ(m.thuKetNoi(), QStringLiteral("Kết nối được."));
    EXPECT_EQ(m.cacLanTao.size(), 1);
    EXPECT_EQ(db.mauTho(), QStringLiteral("mau"));

    m.caiDat->ganKhoa(QStringLiteral("haravan"), QStringLiteral("token"), QStringLiteral("tok-2"));
    m.thuKetNoi();
    EXPECT_EQ(m.cacLanTao.size(), 2);
    EXPECT_TRUE(db.mauTho().isNull());  // the new client has fetched nothing yet

    // An unknown platform id reads its own token item; none is stored, so there is no client.
    m.caiDat->setNguonDon(QStringLiteral("khac"));
    const size_t soSuKien = m.suKien().size();
    m.chayDongBo();
    EXPECT_EQ(db.trangThai(), QStringLiteral("Chưa điền đủ khoá kết nối Haravan."));
    EXPECT_EQ(m.thuKetNoi(), QStringLiteral("Chưa điền đủ khoá kết nối Haravan."));
    EXPECT_EQ(m.suKien().size(), soSuKien);
    EXPECT_FALSE(db.dangChay());

    m.caiDat->setNguonDon(QStringLiteral("haravan"));
    m.chayDongBo();
    EXPECT_EQ(m.cacLanTao.size(), 3);
}

TEST(BoDongBo, RunRequestedWhileOneIsInProgressDoesNothing) {
    MoiTruongDongBo m;
    std::mutex mu;
    std::condition_variable cv;
    bool choPhep = false;
    std::atomic<int> soLan = 0;
    m.kichBan = [&](NguonDonKichBan& n) {
        n.khiLayDon = [&](const QString&, const NhanTienDo&) {
            ++soLan;
            std::unique_lock lk(mu);
            cv.wait(lk, [&] { return choPhep; });
            return QList<DonHang>{};
        };
    };
    auto& db = m.taoDongBo();
    bool xongDau = false;
    db.dongBo(false, [&] { xongDau = true; });
    // The run is under way once its credentials are back from the keyring's worker.
    ASSERT_TRUE(choDen([&] { return db.dangChay(); }));
    bool xongHai = false;
    db.dongBo(true, [&] { xongHai = true; });
    EXPECT_TRUE(xongHai);
    EXPECT_FALSE(xongDau);
    // A connection test may run meanwhile.
    EXPECT_EQ(m.thuKetNoi(), QStringLiteral("Kết nối được."));
    {
        std::lock_guard lk(mu);
        choPhep = true;
    }
    cv.notify_all();
    ASSERT_TRUE(choDen([&] { return xongDau; }));
    EXPECT_EQ(soLan, 1);
}

TEST(BoDongBo, LoopRunsAtOnceThenOneIntervalAfterEachRun) {
    MoiTruongDongBo m;
    auto& db = m.taoDongBo();
    db.batDau();
    db.batDau();
    ASSERT_TRUE(choDen([&] { return m.henGio.soDangCho() == 1; }));
    EXPECT_EQ(m.nguon->cacTuLuc().size(), 1);
    m.henGio.tien(std::chrono::seconds(59));
    EXPECT_EQ(m.nguon->cacTuLuc().size(), 1);
    m.henGio.tien(std::chrono::seconds(1));
    ASSERT_TRUE(choDen([&] { return m.nguon->cacTuLuc().size() == 2 && m.henGio.soDangCho() == 1; }));
    m.dongBo.reset();
    EXPECT_EQ(m.henGio.soDangCho(), 0);
}

TEST(BoDongBo, ConnectionTestTextsAndFailures) {
    MoiTruongDongBo m;
    m.kichBan = [](NguonDonKichBan& n) {
        n.khiThuKetNoi = []() -> QString { throw LoiNguonDon(401, QString(), QString(), QStringLiteral("x")); };
    };
    m.taoDongBo();
    EXPECT_EQ(m.thuKetNoi(), QStringLiteral("Haravan từ chối khoá. Kiểm tra lại khoá và quyền đọc đơn hàng."));
    m.khoKhoa->muc.clear();
    EXPECT_EQ(m.thuKetNoi(), QStringLiteral("Chưa điền đủ khoá kết nối Haravan."));
}

TEST(BoDongBo, OldTokenIsMigratedWhenTheEngineIsBuilt) {
    MoiTruongDongBo m;
    m.khoKhoa->muc.clear();
    m.khoKhoa->muc.insert(CaiDat::khoaTokenCu, QStringLiteral("cu"));
    // Done on the keyring's worker, before the first run reads the token; the settings say when it is.
    bool daDoi = false;
    QObject::connect(m.caiDat.get(), &CaiDat::thayDoi, [&] { daDoi = true; });
    m.taoDongBo();
    EXPECT_TRUE(choDen([&] { return daDoi; }));
    EXPECT_EQ(m.khoKhoa->muc.value(QStringLiteral("com.korvane.pack.haravan.token")), QStringLiteral("cu"));
}

TEST(BoDongBo, LargeFetchIsIndexedWholeBeforeTheRunEnds) {
    MoiTruongDongBo m;
    const int soDon = 2 * BoDongBo::kLoChiMuc + 1;
    m.kichBan = [&](NguonDonKichBan& n) {
        n.khiLayDon = [&](const QString&, const NhanTienDo&) {
            QList<DonHang> ds;
            for (int i = 0; i < soDon; ++i) ds << donMau(QString::number(i));
            return ds;
        };
    };
    auto& db = m.taoDongBo();
    int soLanDoi = 0;
    QObject::connect(&db, &BoDongBo::dangChayChanged, [&] {
        // When the run is reported over, every order is already findable.
        if (!db.dangChay()) {
            EXPECT_EQ(m.kho->donTheoId().size(), soDon);
        }
        ++soLanDoi;
    });
    m.chayDongBo();
    EXPECT_EQ(soLanDoi, 2);
    EXPECT_EQ(db.trangThai(), QStringLiteral("Đã cập nhật %1 đơn.").arg(soDon));
    EXPECT_TRUE(m.kho->donTheoMa(QStringLiteral("VD%1").arg(soDon - 1)));
}

// A source that named the end of its lock is not called again before it, neither by a run asked for by hand nor
// by a connection test; the activity list says why, once. Another platform is not held back, and a rate limit
// that names no end holds nothing.
TEST(BoDongBo, LockedSourceIsNotCalledBeforeItsLockEnds) {
    MoiTruongDongBo m;
    m.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.sapo.store"), QStringLiteral("shop1"));
    m.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.sapo.apiKey"), QStringLiteral("k"));
    m.khoKhoa->muc.insert(QStringLiteral("com.korvane.pack.sapo.apiSecret"), QStringLiteral("s"));
    enum class TraLoi { khoa, gioiHanKhongHan, duoc };
    std::atomic<TraLoi> traLoi = TraLoi::khoa;
    std::atomic<int> soLan = 0;
    m.kichBan = [&](NguonDonKichBan& n) {
        n.khiLayDon = [&](const QString&, const NhanTienDo&) -> QList<DonHang> {
            ++soLan;
            if (traLoi == TraLoi::duoc) return {};
            LoiNguonDon e(429, QString(), QString(), QStringLiteral("x"));
            if (traLoi == TraLoi::khoa) e.chanDen = m.dongHo.gioThuc() + std::chrono::seconds(300);
            throw e;
        };
        n.khiThuKetNoi = [&] {
            ++soLan;
            return QStringLiteral("Kết nối được.");
        };
    };
    auto& db = m.taoDongBo();
    m.chayDongBo();
    EXPECT_EQ(soLan, 1);
    EXPECT_EQ(db.trangThai(), QStringLiteral("Đồng bộ lỗi."));
    EXPECT_EQ(db.loi(),
              QStringLiteral("Gọi quá nhanh, Haravan tạm chặn. App sẽ tự thử lại. Hết chặn lúc 10/12/2025 16:05:00."));
    const size_t soSuKien = m.suKienDongBo().size();

    traLoi = TraLoi::duoc;
    m.dongHo.tienGiay(120);
    const QString lyDo = QStringLiteral(
        "Haravan đang tạm chặn đến 10/12/2025 16:05:00 — chưa gọi lại, vì mỗi lần gọi trong lúc bị chặn làm thời "
        "gian chặn dài thêm.");
    m.chayDongBo();
    m.chayDongBo(true);
    EXPECT_EQ(m.thuKetNoi(), lyDo);
    EXPECT_EQ(soLan, 1);
    EXPECT_EQ(boGio(db.nhatKy()).count(lyDo), 1);
    EXPECT_EQ(boGio(db.nhatKy()).last(), lyDo);
    EXPECT_EQ(m.suKienDongBo().size(), soSuKien);
    EXPECT_FALSE(db.dangChay());
    EXPECT_EQ(db.loi(),
              QStringLiteral("Gọi quá nhanh, Haravan tạm chặn. App sẽ tự thử lại. Hết chặn lúc 10/12/2025 16:05:00."));

    // The lock is the platform's: another one is called meanwhile, and coming back finds the lock still there.
    m.caiDat->setNguonDon(QStringLiteral("sapo"));
    m.chayDongBo();
    EXPECT_EQ(soLan, 2);
    EXPECT_EQ(db.trangThai(), QStringLiteral("Không có đơn nào mới."));
    m.caiDat->setNguonDon(QStringLiteral("haravan"));
    m.chayDongBo();
    EXPECT_EQ(soLan, 2);

    // At the moment the lock ends the source is called again.
    m.dongHo.tienGiay(180);
    m.chayDongBo();
    EXPECT_EQ(soLan, 3);
    EXPECT_EQ(db.trangThai(), QStringLiteral("Không có đơn nào mới."));
    EXPECT_EQ(m.thuKetNoi(), QStringLiteral("Kết nối được."));
    EXPECT_EQ(soLan, 4);

    traLoi = TraLoi::gioiHanKhongHan;
    m.chayDongBo();
    EXPECT_EQ(db.loi(), QStringLiteral("Gọi quá nhanh, Haravan tạm chặn. App sẽ tự thử lại."));
    m.chayDongBo();
    EXPECT_EQ(soLan, 6);
}

// A fake Nhanh.vn that locks the app out for 15 minutes at its first call and lengthens the lock by as much at
// every call made during it, answering each refused call with traLoiKhoa(the lock's end, now); after the lock,
// one order.
struct NhanhKhoa {
    std::atomic<qint64> khoaDen = 0;
    std::atomic<int> soLan = 0, trongKhoa = 0;

    void phucVu(MayChuGia& may, const DongHoGia& dongHo,
                std::function<nlohmann::json(qint64 khoaDen, qint64 bayGio)> traLoiKhoa) {
        may.post(kDuongNhanh, [this, &dongHo, traLoiKhoa](const httplib::Request&, httplib::Response& res) {
            const qint64 bayGio = std::llround(dongHo.giayThuc());
            if (soLan++ == 0) {
                khoaDen = bayGio + 900;
            } else if (bayGio < khoaDen) {
                ++trongKhoa;
                khoaDen += 900;
            }
            if (bayGio < khoaDen) {
                res.set_content(traLoiKhoa(khoaDen, bayGio).dump(), "application/json");
                return;
            }
            res.set_content(R"({"code":1,"data":[{"info":{"id":7},"carrier":{"code":"VD-N7"}}]})",
                            "application/json");
        });
        may.chay();
    }
};

// A fake Nhanh.vn that locks the app out for 15 minutes at its first call and lengthens the lock at every call
// made during it, as the platform documents. Over the lock's length, with the loop running every minute, a
// sync and a refetch asked for by hand and a connection test in between, it receives no call; the first pass of
// the loop after the lock ends fetches the orders.
TEST(BoDongBoKhoaNhanh, NoCallReachesNhanhWhileItsLockLasts) {
    MoiTruongDongBo m;
    MayChuGia may;
    NhanhKhoa nhanh;
    nhanh.phucVu(may, m.dongHo, [](qint64 khoaDen, qint64 bayGio) {
        return nlohmann::json{{"code", 0},
                              {"errorCode", "ERR_429"},
                              {"message", "Your app exceeded the API Rate Limit"},
                              {"data", {{"lockedSeconds", khoaDen - bayGio}, {"unlockedAt", khoaDen}}}};
    });
    std::atomic<int>& soLan = nhanh.soLan;
    std::atomic<int>& trongKhoa = nhanh.trongKhoa;
    luuKhoaNhanh(m);
    auto& db = m.taoDongBo(m.cauHinhThat(may.goc()));

    db.batDau();
    ASSERT_TRUE(choDen([&] { return m.henGio.soDangCho() == 1; }));
    EXPECT_EQ(soLan, 1);
    EXPECT_EQ(db.trangThai(), QStringLiteral("Đồng bộ lỗi."));
    EXPECT_EQ(db.loi(),
              QStringLiteral("Gọi quá nhanh, Nhanh.vn tạm chặn. App sẽ tự thử lại. Hết chặn lúc 10/12/2025 16:15:00."));
    const QString lyDo = QStringLiteral(
        "Nhanh.vn đang tạm chặn đến 10/12/2025 16:15:00 — chưa gọi lại, vì mỗi lần gọi trong lúc bị chặn làm thời "
        "gian chặn dài thêm.");
    for (int phut = 1; phut < 15; ++phut) {
        m.henGio.tien(std::chrono::seconds(60));
        ASSERT_TRUE(choDen([&] { return m.henGio.soDangCho() == 1; })) << phut;
        if (phut == 7) {
            m.chayDongBo();
            m.chayDongBo(true);
            EXPECT_EQ(m.thuKetNoi(), lyDo);
        }
    }
    EXPECT_EQ(soLan, 1);
    EXPECT_EQ(trongKhoa, 0);
    EXPECT_EQ(boGio(db.nhatKy()).count(lyDo), 1);
    EXPECT_FALSE(m.kho->donTheoMa(QStringLiteral("VD-N7")));

    m.henGio.tien(std::chrono::seconds(60));  // 16:15:00, the lock's end
    ASSERT_TRUE(choDen([&] { return m.henGio.soDangCho() == 1; }));
    EXPECT_EQ(soLan, 2);
    EXPECT_EQ(trongKhoa, 0);
    EXPECT_EQ(db.trangThai(), QStringLiteral("Đã cập nhật 1 đơn."));
    EXPECT_TRUE(db.loi().isNull());
    EXPECT_TRUE(m.kho->donTheoMa(QStringLiteral("VD-N7")));
    m.dongBo.reset();
}

// The documented refusals of a key read as the wrong-key text in a sync and in the connection test, so the
// owner knows to renew the token; the platform's own words stay in the activity list's detail line.
TEST(BoDongBoKhoaNhanh, RefusedKeyGivesTheWrongKeyTextInTheSyncAndTheTest) {
    const QString kSaiKhoa = QStringLiteral("Nhanh.vn từ chối khoá. Kiểm tra lại khoá và quyền đọc đơn hàng.");
    const struct {
        const char* maLoi;
        const char* chiTiet;
    } cacCa[] = {{"ERR_INVALID_ACCESS_TOKEN", "HTTP 401 | Invalid access token"},
                 {"ERR_403", "HTTP 403 | Invalid access token"}};
    for (const auto& ca : cacCa) {
        MoiTruongDongBo m;
        MayChuGia may;
        may.post(kDuongNhanh, [&](const httplib::Request&, httplib::Response& res) {
            res.set_content(
                nlohmann::json{{"code", 0}, {"errorCode", ca.maLoi}, {"messages", "Invalid access token"}}.dump(),
                "application/json");
        });
        may.chay();
        luuKhoaNhanh(m);
        auto& db = m.taoDongBo(m.cauHinhThat(may.goc()));
        m.chayDongBo();
        EXPECT_EQ(db.loi(), kSaiKhoa) << ca.maLoi;
        EXPECT_EQ(boGio(db.nhatKy()), (QStringList{kSaiKhoa, QString::fromLatin1(ca.chiTiet)}));
        EXPECT_EQ(m.thuKetNoi(), kSaiKhoa);
        EXPECT_EQ(may.daNhan().size(), 2u);
        m.dongBo.reset();
    }
}

// The program restarted during a Nhanh.vn lock, as an owner does when the screen says "tạm chặn": the lock's
// end is kept with the platform in the settings, so neither the restarted loop nor a connection test calls
// before it ends, and the first run after it fetches the orders.
TEST(BoDongBoKhoaNhanh, ALockOutlivesARestartOfTheEngine) {
    MoiTruongDongBo m;
    MayChuGia may;
    NhanhKhoa nhanh;
    nhanh.phucVu(may, m.dongHo, [](qint64 khoaDen, qint64 bayGio) {
        return nlohmann::json{
            {"code", 0}, {"errorCode", "ERR_EXCEEDED_RATE_LIMIT"}, {"data", {{"lockedSeconds", khoaDen - bayGio}}}};
    });
    std::atomic<int>& soLan = nhanh.soLan;
    std::atomic<int>& trongKhoa = nhanh.trongKhoa;
    luuKhoaNhanh(m);
    m.taoDongBo(m.cauHinhThat(may.goc()));
    m.chayDongBo();
    ASSERT_EQ(soLan, 1);

    for (int phut = 3; phut < 15; phut += 3) {
        m.dongBo.reset();
        m.dongHo.tienGiay(180);
        auto& db = m.taoDongBo(m.cauHinhThat(may.goc()));
        db.batDau();
        ASSERT_TRUE(choDen([&] { return m.henGio.soDangCho() == 1; })) << phut;
        EXPECT_TRUE(m.thuKetNoi().startsWith(QStringLiteral("Nhanh.vn đang tạm chặn đến 10/12/2025 16:15:00")));
    }
    EXPECT_EQ(soLan, 1);
    EXPECT_EQ(trongKhoa, 0);

    m.dongBo.reset();
    m.dongHo.tienGiay(180);  // 16:15:00, the lock's end
    auto& db = m.taoDongBo(m.cauHinhThat(may.goc()));
    m.chayDongBo();
    EXPECT_EQ(soLan, 2);
    EXPECT_EQ(trongKhoa, 0);
    EXPECT_EQ(db.trangThai(), QStringLiteral("Đã cập nhật 1 đơn."));
    m.dongBo.reset();
}
