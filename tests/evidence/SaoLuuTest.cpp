#include <gtest/gtest.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "common/ChoDen.h"
#include "common/LoiNhapXuatGia.h"
#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "gia/core/CameraGia.h"
#include "core/CongTiengBao.h"
#include "core/CumDieuPhoi.h"
#include "gia/core/HenGioTay.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "core/KhoiDong.h"
#include "core/TrangThaiApp.h"
#include "evidence/SaoLuu.h"
#include "gia/store/DongHoGia.h"
#include "store/KhoDuLieu.h"
#include "store/TienIch.h"

namespace {

void ghi(const QString& p, const QByteArray& b) {
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
}

QByteArray doc(const QString& p) {
    QFile f(p);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<không có>");
}

QString sha(const QByteArray& b) {
    return QString::fromLatin1(QCryptographicHash::hash(b, QCryptographicHash::Sha256).toHex());
}

QStringList tepTrong(const QString& thuMuc) {
    return QDir(thuMuc).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Every file below a folder, by path relative to it, one a line; the journal only when asked for.
std::string moiTep(const QString& thuMuc, bool caNhatKy = true) {
    QStringList ds;
    QDirIterator it(thuMuc, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        if (caNhatKy || !p.endsWith("/app.log.jsonl")) ds << QDir(thuMuc).relativeFilePath(p);
    }
    ds.sort();
    return ds.join(u'\n').toStdString();
}

struct Moi {
    QTemporaryDir tmp;
    QString goc = tmp.filePath("Kho");
    QString sao = tmp.filePath("SaoLuu");
    DongHoGia dongHo;
    KhoDuLieu kho{goc, &dongHo};
    CaiDat caiDat{tmp.filePath("korvane.ini"), std::make_shared<KhoKhoaBoNho>()};
    SaoLuu saoLuu{kho, caiDat};
    int dem = 0;

    Moi() {
        QDir().mkpath(goc);
        QDir().mkpath(sao);
        EXPECT_FALSE(kho.moKho());
        // What choosing the folder in the settings does.
        EXPECT_TRUE(SaoLuu::danhDauThuMuc(sao));
        caiDat.setThuMucSaoLuu(sao);
    }
    BanGhiVideo video(const QString& tuongDoi, const QByteArray& noiDung, bool taoTep = true) {
        const QString p = goc + "/" + tuongDoi;
        if (taoTep) ghi(p, noiDung);
        BanGhiVideo bg;
        bg.id = "V" + QString::number(++dem);
        bg.code = bg.id;
        bg.filePath = p;
        bg.fileName = QFileInfo(p).fileName();
        bg.bytes = noiDung.size();
        bg.sha256 = sha(noiDung);
        bg.startedAt = "2024-05-01T02:00:00Z";
        kho.datVideo(bg);
        return bg;
    }
    QStringList chayBu() {
        QStringList trangThai;
        QObject::connect(&saoLuu, &SaoLuu::trangThaiChanged, [&] { trangThai << saoLuu.trangThai(); });
        QSignalSpy xong(&saoLuu, &SaoLuu::xongBuToanBo);
        saoLuu.saoLuuBuToanBo();
        if (saoLuu.dangChay()) {
            EXPECT_TRUE(xong.wait(20000));
        }
        QObject::disconnect(&saoLuu, &SaoLuu::trangThaiChanged, nullptr, nullptr);
        return trangThai;
    }
    QJsonObject suKienCuoi() {
        const QList<QByteArray> dong = doc(kho.nhatKy().duongDan()).trimmed().split('\n');
        return QJsonDocument::fromJson(dong.last()).object();
    }
};

}  // namespace

TEST(SaoLuu, DuongDanBanSaoTheoThanhPhan) {
    struct Ca {
        const char *goc, *sao, *tep, *mong;  // mong nullptr: no destination
    };
    const Ca cac[] = {
        {"/d/Kho", "/b", "/d/Kho/videos/2025/03/14/X.mp4", "/b/videos/2025/03/14/X.mp4"},
        {"/d/Kho/", "/b/", "/d/Kho/videos/X.mp4", "/b/videos/X.mp4"},
        {"/d/Kho", "/b", "/d/Kho//videos///X.mp4", "/b/videos/X.mp4"},
        {"/d/Kho", "/b", "/d/Kho2/x.mp4", nullptr},
        {"/d/Kho", "/b", "/d/Kho.mp4", nullptr},
        {"/d/Kho", "/b", "/d/Kho/../etc/passwd", nullptr},
        {"/d/Kho", "/b", "/d/Kho/videos/../../../b/x.mp4", nullptr},
        {"/d/Kho", "/b", "/d/Kho/videos/../a.mp4", "/b/a.mp4"},
        {"/d/Kho", "/b", "/d/Kho", nullptr},
        {"/d/Kho", "/b", "/d/Kho/", nullptr},
        {"/d/Kho", "/b", "videos/x.mp4", nullptr},
        {"/d/Kho", "", "/d/Kho/videos/x.mp4", nullptr},
        {"/d/Kho", "b", "/d/Kho/videos/x.mp4", nullptr},
        {"/", "/b", "/x.mp4", "/b/x.mp4"},
    };
    for (const Ca& ca : cac) {
        const auto d = SaoLuu::duongDanBanSao(ca.goc, ca.sao, ca.tep);
        if (ca.mong) {
            EXPECT_EQ(d.value_or("<none>"), QString(ca.mong)) << ca.goc << " " << ca.tep;
        } else {
            EXPECT_FALSE(d) << ca.goc << " " << ca.tep << " -> " << d->toStdString();
        }
    }
}

TEST(SaoLuu, ChepNeuCan) {
    QTemporaryDir tmp;
    const QString nguon = tmp.filePath("nguon.mp4");
    const QString dich = tmp.filePath("sao/a/b/nguon.mp4");
    const QByteArray noiDung(3 << 20, 'n');
    ghi(nguon, noiDung);

    EXPECT_FALSE(SaoLuu::chepNeuCan(tmp.filePath("khong-co.mp4"), dich, sha(noiDung)));
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("sao")));

    // New destination: parents made, bytes equal, nothing else left in the folder.
    EXPECT_TRUE(SaoLuu::chepNeuCan(nguon, dich, sha(noiDung)));
    EXPECT_EQ(doc(dich), noiDung);
    EXPECT_EQ(tepTrong(tmp.filePath("sao/a/b")), QStringList({"nguon.mp4"}));
    EXPECT_EQ(QFileInfo(dich).permissions(), QFileInfo(nguon).permissions()) << "not left private like a temp file";

    // Same size counts as a copy and is not read again, even when its bytes differ.
    ghi(dich, QByteArray(noiDung.size(), 'k'));
    EXPECT_TRUE(SaoLuu::chepNeuCan(nguon, dich, sha(noiDung)));
    EXPECT_EQ(doc(dich), QByteArray(noiDung.size(), 'k'));

    // A different size is replaced by a source that still matches the record.
    ghi(dich, "cu");
    EXPECT_TRUE(SaoLuu::chepNeuCan(nguon, dich, sha(noiDung)));
    EXPECT_EQ(doc(dich), noiDung);

    // A blocked parent folder.
    ghi(tmp.filePath("chan"), "x");
    EXPECT_FALSE(SaoLuu::chepNeuCan(nguon, tmp.filePath("chan/x.mp4"), sha(noiDung)));
}

TEST(SaoLuu, NguonHongKhongThayBanSaoTot) {
    QTemporaryDir tmp;
    const QString nguon = tmp.filePath("nguon.mp4");
    const QString dich = tmp.filePath("sao/nguon.mp4");
    const QByteArray tot(2 << 20, 'g');
    ghi(dich, tot);
    // The source got damaged after recording (a truncated file, a flipped byte): size differs from the copy.
    QByteArray hong = tot.left(tot.size() - 1000);
    hong[5] = 'X';
    ghi(nguon, hong);
    EXPECT_FALSE(SaoLuu::chepNeuCan(nguon, dich, sha(tot)));
    EXPECT_EQ(doc(dich), tot);
    EXPECT_EQ(tepTrong(tmp.filePath("sao")), QStringList({"nguon.mp4"}));
    // Without a fingerprint to check against, a good copy is never given up either.
    EXPECT_FALSE(SaoLuu::chepNeuCan(nguon, dich, QString()));
    EXPECT_EQ(doc(dich), tot);
}

TEST(SaoLuu, BanSaoCuNguyenTrongLucChepVaKhiChepHong) {
    QTemporaryDir tmp;
    const QString nguon = tmp.filePath("nguon.mp4");
    const QString dich = tmp.filePath("sao/nguon.mp4");
    const QByteArray moi(5 << 20, 'm');
    const QByteArray cu(1 << 20, 'c');
    ghi(nguon, moi);
    ghi(dich, cu);

    // While the copy runs, the final name keeps showing the complete old copy.
    int soKhoi = 0;
    EXPECT_TRUE(SaoLuu::chepNeuCan(nguon, dich, sha(moi), [&] {
        ++soKhoi;
        EXPECT_EQ(doc(dich), cu) << "chunk " << soKhoi;
    }));
    EXPECT_GE(soKhoi, 5);
    EXPECT_EQ(doc(dich), moi);

    // The source is replaced mid-copy (a new recording lands under the same name, a disk hiccup): the copy
    // fails and the old copy stays under the final name, with no half-written file beside it.
    ghi(dich, cu);
    soKhoi = 0;
    EXPECT_FALSE(SaoLuu::chepNeuCan(nguon, dich, sha(moi), [&] {
        if (++soKhoi == 2) ghi(nguon, QByteArray(3 << 20, 'z'));
    }));
    EXPECT_EQ(doc(dich), cu);
    EXPECT_EQ(tepTrong(tmp.filePath("sao")), QStringList({"nguon.mp4"}));

    // Same with no earlier copy: nothing at all under the final name.
    ghi(nguon, moi);
    QFile::remove(dich);
    soKhoi = 0;
    EXPECT_FALSE(SaoLuu::chepNeuCan(nguon, dich, sha(moi), [&] {
        if (++soKhoi == 2) ghi(nguon, QByteArray(1 << 20, 'z'));
    }));
    EXPECT_FALSE(QFileInfo::exists(dich));
    EXPECT_TRUE(tepTrong(tmp.filePath("sao")).isEmpty());
}

TEST(SaoLuu, ChayBuBaVideoMotThieu) {
    Moi m;
    m.video("videos/2024/05/01/a.mp4", "aaaa");
    m.video("videos/2024/05/01/b.mp4", "bbbbbb");
    m.video("videos/2024/05/01/thieu.mp4", "x", false);
    BanGhiVideo xoa = m.video("videos/2024/05/01/xoa.mp4", "d");
    xoa.deleted = true;
    m.kho.datVideo(xoa);
    BanGhiVideo ngoai = m.video("x", "e", false);
    ngoai.filePath = m.tmp.filePath("Kho2/ngoai.mp4");
    ghi(ngoai.filePath, "e");
    m.kho.datVideo(ngoai);

    const QStringList tt = m.chayBu();
    ASSERT_GE(tt.size(), 5);
    EXPECT_EQ(tt.first(), "Đang kiểm tra…");
    EXPECT_EQ(tt.mid(1, 3), QStringList({"Đã xử lý 1/3…", "Đã xử lý 2/3…", "Đã xử lý 3/3…"}));
    EXPECT_EQ(m.saoLuu.trangThai(), "Xong 2/3. 1 file không chép được (ổ đã rút ra, hoặc hết chỗ).");
    EXPECT_FALSE(m.saoLuu.dangChay());
    EXPECT_EQ(doc(m.sao + "/videos/2024/05/01/a.mp4"), "aaaa");
    EXPECT_EQ(doc(m.sao + "/videos/2024/05/01/b.mp4"), "bbbbbb");
    EXPECT_EQ(tepTrong(m.sao + "/videos/2024/05/01"), QStringList({"a.mp4", "b.mp4"}));
    EXPECT_FALSE(QFileInfo::exists(m.tmp.filePath("SaoLuu/Kho2")));
    const QJsonObject sk = m.suKienCuoi();
    EXPECT_EQ(sk["event"].toString(), "backup") << QJsonDocument(sk).toJson().toStdString();
    EXPECT_EQ(sk["detail"].toObject(), QJsonObject({{"tong", "3"}, {"loi", "1"}}));

    // A second run copies nothing new and reports every file as backed up.
    QFile::remove(m.goc + "/videos/2024/05/01/thieu.mp4");
    m.kho.datVideo([&] {
        BanGhiVideo b = m.kho.videoTheoId().value("V3");
        b.deleted = true;
        return b;
    }());
    m.chayBu();
    EXPECT_EQ(m.saoLuu.trangThai(), "Xong — 2 video đã có bản sao.");
    EXPECT_EQ(m.suKienCuoi()["detail"].toObject(), QJsonObject({{"tong", "2"}, {"loi", "0"}}));
}

// A copy renamed into place whose folder then fails to sync may not survive a power cut: it counts as failed and is
// not left behind for the next run to take for a copy by its size.
TEST(SaoLuu, DongBoThuMucLoiLaChepLoi) {
    Moi m;
    for (const char* ten : {"a", "b", "c", "d"})
        m.video(QStringLiteral("videos/2024/05/01/%1.mp4").arg(ten), QByteArray(100, *ten));
    {
        LoiNhapXuatGia::TrongPhamVi pv;
        LoiNhapXuatGia::loiKhiDongBoThuMuc("/SaoLuu/videos/");
        m.chayBu();
        EXPECT_GE(LoiNhapXuatGia::soLanDaLoi(), 4);
        EXPECT_EQ(m.saoLuu.trangThai(), "Xong 0/4. 4 file không chép được (ổ đã rút ra, hoặc hết chỗ).");
        EXPECT_EQ(m.suKienCuoi()["detail"].toObject(), QJsonObject({{"tong", "4"}, {"loi", "4"}}));
        EXPECT_EQ(tepTrong(m.sao + "/videos/2024/05/01"), QStringList());

        const BanGhiVideo e = m.video("videos/2024/05/01/e.mp4", "e");
        m.saoLuu.saoLuuMot(e);
        m.saoLuu.choHetViec();
        EXPECT_EQ(tepTrong(m.sao + "/videos/2024/05/01"), QStringList());
    }
    m.chayBu();
    EXPECT_EQ(m.saoLuu.trangThai(), "Xong — 5 video đã có bản sao.");
    EXPECT_EQ(tepTrong(m.sao + "/videos/2024/05/01"), QStringList({"a.mp4", "b.mp4", "c.mp4", "d.mp4", "e.mp4"}));
}

// A copy cut short by a crash leaves its hidden temporary file; the next copy of that file, per save or in a
// catch-up, removes it, and nothing else that only looks like one.
TEST(SaoLuu, ChepSauDonTepTamDoDangCuaChinhNo) {
    Moi m;
    const QString ngay = m.sao + "/videos/2024/05/01";
    QDir().mkpath(ngay);
    const QStringList cuaNo{".a.mp4.Q1w2E3", ".a.mp4.000000", ".b.mp4.zZ9yY8"};
    const QStringList khongPhai{".a.mp4.Q1w2E",  ".a.mp4.Q1w2E34", ".a.mp4.Q1-2E3",  "a.mp4.Q1w2E3",
                                ".a.mp4Q1w2E3x", ".c.mp4.Q1w2E3",  ".a.mp4.tam-abc", ".bashrc.backup"};
    for (const QString& t : cuaNo + khongPhai) ghi(ngay + "/" + t, "do dang");
    const BanGhiVideo a = m.video("videos/2024/05/01/a.mp4", "aaaa");
    // Only regular files: a folder or a link of the same pattern is someone else's.
    ASSERT_TRUE(QDir().mkpath(ngay + "/.a.mp4.D1R2C3"));
    ASSERT_TRUE(QFile::link(a.filePath, ngay + "/.a.mp4.L1N2K3"));
    m.saoLuu.saoLuuMot(a);
    m.saoLuu.choHetViec();
    QStringList conLai = khongPhai + QStringList{".b.mp4.zZ9yY8", "a.mp4", ".a.mp4.L1N2K3"};
    conLai.sort();
    EXPECT_EQ(tepTrong(ngay), conLai);
    EXPECT_TRUE(QFileInfo(ngay + "/.a.mp4.D1R2C3").isDir());
    EXPECT_TRUE(QFileInfo(ngay + "/.a.mp4.L1N2K3").isSymLink());

    m.video("videos/2024/05/01/b.mp4", "bb");
    m.chayBu();
    EXPECT_EQ(m.saoLuu.trangThai(), "Xong — 2 video đã có bản sao.");
    conLai = khongPhai + QStringList{"a.mp4", "b.mp4", ".a.mp4.L1N2K3"};
    conLai.sort();
    EXPECT_EQ(tepTrong(ngay), conLai);
}

TEST(SaoLuu, ChayBuKhongThuMucKhongVideoVaDangChay) {
    Moi m;
    m.caiDat.setThuMucSaoLuu(QString());
    EXPECT_FALSE(m.saoLuu.coThuMuc());
    EXPECT_EQ(m.chayBu(), QStringList({"Chưa chọn thư mục sao lưu."}));
    EXPECT_FALSE(m.saoLuu.dangChay());
    EXPECT_FALSE(QFileInfo::exists(m.kho.nhatKy().duongDan()));

    m.caiDat.setThuMucSaoLuu(m.sao);
    EXPECT_EQ(m.chayBu(), QStringList({"Đang kiểm tra…", "Xong — 0 video đã có bản sao."}));
    EXPECT_EQ(m.suKienCuoi()["detail"].toObject(), QJsonObject({{"tong", "0"}, {"loi", "0"}}));

    m.video("videos/a.mp4", QByteArray(1 << 20, 'a'));
    QSignalSpy xong(&m.saoLuu, &SaoLuu::xongBuToanBo);
    m.saoLuu.saoLuuBuToanBo();
    ASSERT_TRUE(m.saoLuu.dangChay());
    const QString dangChay = m.saoLuu.trangThai();
    m.saoLuu.saoLuuBuToanBo();  // ignored while the first run is going
    EXPECT_EQ(m.saoLuu.trangThai(), dangChay);
    ASSERT_TRUE(xong.wait(20000));
    EXPECT_EQ(xong.count(), 1);
    EXPECT_EQ(m.saoLuu.trangThai(), "Xong — 1 video đã có bản sao.");
}

TEST(SaoLuu, OSaoLuuDaRutRaKhongTaoLaiThuMuc) {
    Moi m;
    m.video("videos/a.mp4", "aa");
    m.video("videos/b.mp4", "bbb");
    QDir(m.sao).removeRecursively();  // the drive was unplugged: its mount point is gone
    m.chayBu();
    EXPECT_EQ(m.saoLuu.trangThai(), "Xong 0/2. 2 file không chép được (ổ đã rút ra, hoặc hết chỗ).");
    m.saoLuu.saoLuuMot(m.kho.videoTheoId().value("V1"));
    m.saoLuu.choHetViec();
    EXPECT_FALSE(QFileInfo::exists(m.sao)) << "the backup folder must not reappear on the internal disk";
}

TEST(SaoLuu, SaoLuuMotSauMoiLanLuu) {
    Moi m;
    const BanGhiVideo a = m.video("videos/2024/05/01/a.mp4", QByteArray(1 << 20, 'a'));
    m.saoLuu.saoLuuMot(a);
    m.saoLuu.choHetViec();
    EXPECT_EQ(doc(m.sao + "/videos/2024/05/01/a.mp4"), QByteArray(1 << 20, 'a'));
    EXPECT_EQ(m.saoLuu.trangThai(), QString()) << "a per-video copy reports nothing";
    EXPECT_FALSE(QFileInfo::exists(m.kho.nhatKy().duongDan()));

    m.caiDat.setThuMucSaoLuu(QString());
    const BanGhiVideo b = m.video("videos/2024/05/01/b.mp4", "b");
    m.saoLuu.saoLuuMot(b);
    m.saoLuu.choHetViec();
    EXPECT_FALSE(QFileInfo::exists(m.sao + "/videos/2024/05/01/b.mp4"));
}

namespace {
class TiengIm final : public CongTiengBao {
public:
    void phat(LoaiTieng) override {}
};
}  // namespace

// The start-up wiring hands every record the coordinator saves to the backup.
TEST(SaoLuu, KhoiDongNoiSaoLuuVaoSauMoiLanLuu) {
    QTemporaryDir tmp;
    const QString goc = tmp.filePath("Kho");
    const QString sao = tmp.filePath("SaoLuu");
    ASSERT_TRUE(QDir().mkpath(sao));
    ASSERT_TRUE(SaoLuu::danhDauThuMuc(sao));
    CaiDat caiDat{tmp.filePath("korvane.ini"), std::make_shared<KhoKhoaBoNho>()};
    caiDat.setThuMucGoc(goc);
    caiDat.setThuMucSaoLuu(sao);
    CameraGia camera;
    camera.daMoXong();
    TiengIm tieng;
    HenGioTay henGio;
    TrangThaiApp trangThai;
    SaoLuu* saoLuu = nullptr;
    KhoiDong::DichVu dv;
    dv.docQuyenCamera = [] { return TrangThaiApp::QuyenCamera::biTuChoi; };
    dv.in = [](const QString&) {};
    dv.taoDieuPhoi = [&](KhoDuLieu& kho, CaiDat& cd) {
        return std::make_shared<CumDieuPhoi>(
            kho, cd, BoDieuPhoi::PhuThuoc{&camera, &tieng, nullptr, &henGio, [](std::function<void()> f) { f(); }});
    };
    dv.taoSaoLuu = [&](KhoDuLieu& kho, CaiDat& cd) {
        auto s = std::make_shared<SaoLuu>(kho, cd);
        saoLuu = s.get();
        return s;
    };
    KhoiDong khoiDong(trangThai, caiDat, dv);
    bool xong = false;
    QObject::connect(&khoiDong, &KhoiDong::daXong, [&] { xong = true; });
    khoiDong.chay();
    ASSERT_TRUE(choDen([&] { return xong; }));
    ASSERT_NE(saoLuu, nullptr);
    BoDieuPhoi* dp = trangThai.dieuPhoi();
    ASSERT_NE(dp, nullptr);

    ghi(goc + "/videos/2024/05/01/a.mp4", "aaa");
    BanGhiVideo a;
    a.id = "V1";
    a.filePath = goc + "/videos/2024/05/01/a.mp4";
    a.fileName = "a.mp4";
    a.bytes = 3;
    a.sha256 = sha("aaa");
    emit dp->daLuuVideo(a);
    saoLuu->choHetViec();
    EXPECT_EQ(doc(sao + "/videos/2024/05/01/a.mp4"), "aaa");
}

TEST(SaoLuu, ThuMucTrungTrongHoacChuaThuMucDuLieuKhongPhaiBanSao) {
    using VT = SaoLuu::ViTri;
    struct Ca {
        const char* ten;
        QString sao;
        VT mong;
    };
    Moi m;
    const QString tmp = m.tmp.path();
    ASSERT_TRUE(QDir().mkpath(m.goc + "/videos"));
    ASSERT_TRUE(QFile::link(m.goc, tmp + "/lienKetKho"));
    ASSERT_TRUE(QFile::link(m.goc + "/videos", tmp + "/lienKetVideos"));
    const Ca cac[] = {
        {"the data folder", m.goc, VT::trung},
        {"with a trailing slash", m.goc + "/", VT::trung},
        {"its videos folder", m.goc + "/videos", VT::namTrong},
        {"a folder not made yet inside it", m.goc + "/chua-co/SaoLuu", VT::namTrong},
        {"the folder holding it", tmp, VT::chuaGoc},
        {"the root", "/", VT::chuaGoc},
        {"a link to it", tmp + "/lienKetKho", VT::trung},
        {"below a link to it", tmp + "/lienKetKho/videos", VT::namTrong},
        {"back up through ..", m.goc + "/videos/..", VT::trung},
        {"across through ..", m.sao + "/../Kho", VT::trung},
        // A link's ".." is the parent of where it points, not of the link: textual tidying would say tmp.
        {"a link's ..", tmp + "/lienKetVideos/..", VT::trung},
        {"a sibling sharing its name's start", tmp + "/Kho2", VT::rieng},
        {"a sibling sharing its name's start, with a dash", tmp + "/Kho-SaoLuu", VT::rieng},
        {"a folder of its own", m.sao, VT::rieng},
    };
    const BanGhiVideo a = m.video("videos/2024/05/01/a.mp4", "aaaa");
    for (const Ca& ca : cac) {
        SCOPED_TRACE(ca.ten);
        EXPECT_EQ(SaoLuu::soVoiThuMucGoc(m.goc, ca.sao), ca.mong) << ca.sao.toStdString();
        EXPECT_EQ(SaoLuu::lyDo(ca.mong).isEmpty(), ca.mong == VT::rieng);
        if (ca.sao == "/") continue;

        // A folder that holds the marker is refused all the same, and nothing is written anywhere.
        QDir().mkpath(ca.sao);
        SaoLuu::danhDauThuMuc(ca.sao);
        QFile::remove(m.sao + "/videos/2024/05/01/a.mp4");
        const std::string truoc = moiTep(tmp, false);
        m.caiDat.setThuMucSaoLuu(ca.sao);
        m.chayBu();
        const QJsonObject sk = m.suKienCuoi();
        EXPECT_EQ(sk["event"].toString(), "backup");
        if (ca.mong == VT::rieng) {
            EXPECT_EQ(m.saoLuu.trangThai(), "Xong — 1 video đã có bản sao.");
            EXPECT_EQ(sk["detail"].toObject(), QJsonObject({{"tong", "1"}, {"loi", "0"}}));
            EXPECT_EQ(doc(QDir(ca.sao).filePath("videos/2024/05/01/a.mp4")), "aaaa");
        } else {
            EXPECT_EQ(m.saoLuu.trangThai(), "Không chép gì. " + SaoLuu::lyDo(ca.mong));
            EXPECT_EQ(sk["detail"].toObject(), QJsonObject({{"tong", "1"}, {"loi", "1"}}));
            EXPECT_EQ(moiTep(tmp, false), truoc);
            m.saoLuu.saoLuuMot(a);
            m.saoLuu.choHetViec();
            EXPECT_EQ(moiTep(tmp, false), truoc) << "a per-video copy is refused too";
        }
    }
    EXPECT_EQ(doc(a.filePath), "aaaa");
}

TEST(SaoLuu, KhongBaoGioTinhChinhTepGocLaBanSao) {
    QTemporaryDir tmp;
    const QString nguon = tmp.filePath("Kho/videos/a.mp4");
    ghi(nguon, "aaaa");
    // The same file by its own name, through a link to its folder, and by a hard link: same device and inode.
    ASSERT_TRUE(QFile::link(tmp.filePath("Kho"), tmp.filePath("lienKet")));
    ASSERT_EQ(::link(QFile::encodeName(nguon).constData(), QFile::encodeName(tmp.filePath("cung.mp4")).constData()), 0);
    for (const QString& dich : {nguon, tmp.filePath("lienKet/videos/a.mp4"), tmp.filePath("cung.mp4")}) {
        EXPECT_FALSE(SaoLuu::chepNeuCan(nguon, dich, sha("aaaa"))) << dich.toStdString();
        EXPECT_EQ(doc(nguon), "aaaa");
    }
    // A real copy beside it still counts.
    EXPECT_TRUE(SaoLuu::chepNeuCan(nguon, tmp.filePath("sao/a.mp4"), sha("aaaa")));
    EXPECT_TRUE(SaoLuu::chepNeuCan(nguon, tmp.filePath("sao/a.mp4"), sha("aaaa")));
}

TEST(SaoLuu, ThuMucMatDanhDauNhuODaRutRa) {
    Moi m;
    const BanGhiVideo a = m.video("videos/2024/05/01/a.mp4", "aa");
    m.video("videos/2024/05/01/b.mp4", "bbb");
    EXPECT_EQ(doc(m.sao + "/" + SaoLuu::kTepDanhDau).left(12), "Korvane Zize");

    // The drive is unplugged and its mount point stays behind, empty, on the internal disk.
    ASSERT_TRUE(QDir(m.sao).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(m.sao));
    m.chayBu();
    EXPECT_EQ(m.saoLuu.trangThai(), "Xong 0/2. 2 file không chép được (ổ đã rút ra, hoặc hết chỗ).");
    const QJsonObject sk = m.suKienCuoi();
    EXPECT_EQ(sk["event"].toString(), "backup");
    EXPECT_EQ(sk["detail"].toObject(), QJsonObject({{"tong", "2"}, {"loi", "2"}}));
    m.saoLuu.saoLuuMot(a);
    m.saoLuu.choHetViec();
    EXPECT_EQ(moiTep(m.sao), "") << "nothing lands on the internal disk, not even the marker";

    // Choosing the folder again marks it again, and the copies follow.
    ASSERT_TRUE(SaoLuu::danhDauThuMuc(m.sao));
    m.chayBu();
    EXPECT_EQ(m.saoLuu.trangThai(), "Xong — 2 video đã có bản sao.");
    EXPECT_EQ(moiTep(m.sao), ".korvane-saoluu\nvideos/2024/05/01/a.mp4\nvideos/2024/05/01/b.mp4");

    // The marker cannot be written where there is no folder, or where a file stands in its place.
    EXPECT_FALSE(SaoLuu::danhDauThuMuc(m.tmp.filePath("khong-co")));
    EXPECT_FALSE(QFileInfo::exists(m.tmp.filePath("khong-co")));
    EXPECT_FALSE(SaoLuu::danhDauThuMuc(a.filePath));
}

TEST(SaoLuu, ThuMucDatTuTruocKhiCoDanhDau) {
    Moi m;
    m.video("videos/2024/05/01/a.mp4", "aa");
    const BanGhiVideo b = m.video("videos/2024/05/02/b.mp4", "bbb");
    QFile::remove(m.sao + "/" + SaoLuu::kTepDanhDau);

    // A folder that the backup already mirrored into before the marker existed keeps its copies coming,
    // from the first per-video copy after the update as much as from a catch-up run.
    ghi(m.sao + "/videos/2024/05/01/a.mp4", "aa");
    EXPECT_TRUE(SaoLuu::nhanThuMucCu(m.goc, m.sao));
    m.saoLuu.saoLuuMot(b);
    m.saoLuu.choHetViec();
    EXPECT_TRUE(QFileInfo(m.sao + "/" + SaoLuu::kTepDanhDau).isFile());
    EXPECT_EQ(doc(m.sao + "/videos/2024/05/02/b.mp4"), "bbb");

    // One that looks like an emptied mount point is not taken: not empty, but nothing of the mirror in it.
    const QString khac = m.tmp.filePath("Khac");
    ghi(khac + "/ghichu.txt", "x");
    ghi(khac + "/videos/cu.mp4", "x");
    EXPECT_FALSE(SaoLuu::nhanThuMucCu(m.goc, khac));
    m.caiDat.setThuMucSaoLuu(khac);
    m.chayBu();
    EXPECT_EQ(m.saoLuu.trangThai(), "Xong 0/2. 2 file không chép được (ổ đã rút ra, hoặc hết chỗ).");
    EXPECT_EQ(moiTep(khac), "ghichu.txt\nvideos/cu.mp4");

    // A mirror in a place for mount points, on the data folder's own disk, is what an unplugged drive left
    // behind when copies filled its mount point before the update.
    QFile::remove(m.sao + "/" + SaoLuu::kTepDanhDau);
    EXPECT_FALSE(SaoLuu::nhanThuMucCu(m.goc, m.sao, {m.tmp.path()}));
    EXPECT_TRUE(SaoLuu::nhanThuMucCu(m.goc, m.sao, {m.tmp.filePath("Kho2")}));
}

namespace {

// Every entry below a folder (files, folders, links, not followed), by path relative to it, one a line.
std::string moiMuc(const QString& thuMuc) {
    QStringList ds;
    QDirIterator it(thuMuc, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) ds << QDir(thuMuc).relativeFilePath(it.next());
    ds.sort();
    return ds.join(u'\n').toStdString();
}

// A symbolic link at tai naming dich exactly as written (a relative target stays relative).
void lienKet(const QString& dich, const QString& tai) {
    QDir().mkpath(QFileInfo(tai).absolutePath());
    ASSERT_EQ(::symlink(QFile::encodeName(dich).constData(), QFile::encodeName(tai).constData()), 0)
        << tai.toStdString();
}

const QString kVaoDuLieu =
    "Xong 0/1. 1 file không chép được: 1 file vì một liên kết trong thư mục sao lưu dẫn vào "
    "thư mục dữ liệu.";
const QString kChinhTepGoc = "Xong 0/1. 1 file không chép được: 1 file vì chỗ của bản sao dẫn về chính tệp gốc.";
const QString kBiChan =
    "Xong 0/1. 1 file không chép được: 1 file vì một tệp hoặc một liên kết hỏng chắn đường "
    "trong thư mục sao lưu.";
const QString kXong = "Xong — 1 video đã có bản sao.";

}  // namespace

// Links placed at every level of a backup tree, leading into the data folder, back to the source, to a folder
// beside both, or to nowhere. Whatever they do, nothing appears in the data folder (not even an empty folder), a
// copy counts only where it really lies outside it, and the status and the journal say why a copy was refused.
TEST(SaoLuu, LienKetTrongThuMucSaoLuuKhongDanVaoThuMucDuLieu) {
    struct Ca {
        const char* ten;
        const char* tai;  // the link, relative to the backup folder
        QString dich;     // its target: "@" stands for the data folder, "~" for the folder holding both
        QString trangThai;
        QJsonObject chiTiet;
        const char* banSao;  // where the copy must be readable afterwards, relative to "~"; nullptr for none
    };
    const QJsonObject vaoDuLieu{{"tong", "1"}, {"loi", "1"}, {"loiVaoThuMucDuLieu", "1"}};
    const QJsonObject tepGoc{{"tong", "1"}, {"loi", "1"}, {"loiChinhTepGoc", "1"}};
    const QJsonObject chan{{"tong", "1"}, {"loi", "1"}, {"loiBiChan", "1"}};
    const QJsonObject xong{{"tong", "1"}, {"loi", "0"}};
    const Ca cac[] = {
        // Into the data folder, somewhere other than the source.
        {"videos to the data folder", "videos", "@", kVaoDuLieu, vaoDuLieu, nullptr},
        {"year to the month files' folder", "videos/2024", "@/data", kVaoDuLieu, vaoDuLieu, nullptr},
        {"month to a year, whose day folder is missing", "videos/2024/05", "@/videos/2024", kVaoDuLieu, vaoDuLieu,
         nullptr},
        {"day to another day's folder", "videos/2024/05/01", "@/videos/2024/05/02", kVaoDuLieu, vaoDuLieu, nullptr},
        {"relative, to another day's folder", "videos/2024/05/01", "../../../../Kho/videos/2024/05/02", kVaoDuLieu,
         vaoDuLieu, nullptr},
        // Back to the source file itself.
        {"videos to the source's videos", "videos", "@/videos", kChinhTepGoc, tepGoc, nullptr},
        {"year to the source's year", "videos/2024", "@/videos/2024", kChinhTepGoc, tepGoc, nullptr},
        {"month to the source's month", "videos/2024/05", "@/videos/2024/05", kChinhTepGoc, tepGoc, nullptr},
        {"day to the source's day", "videos/2024/05/01", "@/videos/2024/05/01", kChinhTepGoc, tepGoc, nullptr},
        {"relative, videos to the source's videos", "videos", "../Kho/videos", kChinhTepGoc, tepGoc, nullptr},
        {"the file to the source", "videos/2024/05/01/a.mp4", "@/videos/2024/05/01/a.mp4", kChinhTepGoc, tepGoc,
         nullptr},
        // The file to another recording of the same size: no copy of a, and b is left alone.
        {"the file to another recording", "videos/2024/05/01/a.mp4", "@/videos/2024/05/02/b.mp4", kXong, xong,
         "SaoLuu/videos/2024/05/01/a.mp4"},
        // To a folder beside both: the copy lands there, outside the data folder, and counts.
        {"videos to a sibling", "videos", "~/Khac/videos", kXong, xong, "Khac/videos/2024/05/01/a.mp4"},
        {"month to a sibling", "videos/2024/05", "~/Khac/thang", kXong, xong, "Khac/thang/01/a.mp4"},
        {"day to a sibling", "videos/2024/05/01", "~/Khac/ngay", kXong, xong, "Khac/ngay/a.mp4"},
        {"the file to a sibling file of the same size", "videos/2024/05/01/a.mp4", "~/Khac/x.mp4", kXong, xong,
         "SaoLuu/videos/2024/05/01/a.mp4"},
        // To nowhere.
        {"videos to nowhere", "videos", "~/khong-co", kBiChan, chan, nullptr},
        {"day to nowhere", "videos/2024/05/01", "~/khong-co/ngay", kBiChan, chan, nullptr},
        {"year to itself", "videos/2024", "2024", kBiChan, chan, nullptr},
        {"the file to nowhere", "videos/2024/05/01/a.mp4", "~/khong-co.mp4", kXong, xong,
         "SaoLuu/videos/2024/05/01/a.mp4"},
    };
    for (const Ca& ca : cac) {
        SCOPED_TRACE(ca.ten);
        Moi m;
        const QString tmp = m.tmp.path();
        const BanGhiVideo a = m.video("videos/2024/05/01/a.mp4", "aaaa");
        // Another recording's file, which has no record here so that the run has one file to copy.
        ghi(m.goc + "/videos/2024/05/02/b.mp4", "bbbb");
        m.kho.nhatKy().ghi("app_start");
        ghi(tmp + "/Khac/x.mp4", "xxxx");
        QDir().mkpath(tmp + "/Khac/videos");
        QDir().mkpath(tmp + "/Khac/thang");
        QDir().mkpath(tmp + "/Khac/ngay");
        QString dich = ca.dich;
        if (dich.startsWith('@')) dich = m.goc + dich.mid(1);
        if (dich.startsWith('~')) dich = tmp + dich.mid(1);
        lienKet(dich, m.sao + "/" + ca.tai);
        // The catch-up's own journal line aside, the data folder is compared entry by entry.
        const std::string truoc = moiMuc(m.goc);
        const QByteArray nhatKy = doc(m.kho.nhatKy().duongDan());

        m.chayBu();
        EXPECT_EQ(m.saoLuu.trangThai().toStdString(), ca.trangThai.toStdString());
        const QJsonObject sk = m.suKienCuoi();
        EXPECT_EQ(sk["event"].toString(), "backup");
        EXPECT_EQ(sk["detail"].toObject(), ca.chiTiet) << QJsonDocument(sk).toJson().toStdString();
        if (ca.banSao) {
            EXPECT_EQ(doc(tmp + "/" + ca.banSao), "aaaa");
            EXPECT_FALSE(QFileInfo(tmp + "/" + ca.banSao).isSymLink());
        }
        // A per-video copy goes the same way, and a second run finds the same.
        m.saoLuu.saoLuuMot(a);
        m.saoLuu.choHetViec();
        m.chayBu();
        EXPECT_EQ(m.saoLuu.trangThai().toStdString(), ca.trangThai.toStdString()) << "second run";

        EXPECT_EQ(moiMuc(m.goc), truoc);
        EXPECT_EQ(doc(a.filePath), "aaaa");
        EXPECT_EQ(doc(m.goc + "/videos/2024/05/02/b.mp4"), "bbbb");
        EXPECT_EQ(doc(tmp + "/Khac/x.mp4"), "xxxx");
        EXPECT_TRUE(doc(m.kho.nhatKy().duongDan()).startsWith(nhatKy)) << "the journal only grows";
        EXPECT_TRUE(m.kho.nhatKy().kiemTra().ok);
    }
}

// Several reasons in one run are named side by side, with the drive's hint kept for what is left.
TEST(SaoLuu, NhieuLyDoTrongMotLanChay) {
    Moi m;
    m.video("videos/2024/05/01/a.mp4", "aaaa");
    m.video("videos/2024/05/01/thieu.mp4", "x", false);
    m.video("videos/2024/05/02/c.mp4", "cc");
    m.video("videos/2024/05/03/d.mp4", "ddd");
    lienKet(m.goc + "/videos/2024/05/01/a.mp4", m.sao + "/videos/2024/05/01/a.mp4");
    lienKet(m.goc + "/data", m.sao + "/videos/2024/05/03");
    m.kho.nhatKy().ghi("app_start");
    const std::string truoc = moiMuc(m.goc);
    m.chayBu();
    EXPECT_EQ(m.saoLuu.trangThai().toStdString(),
              "Xong 1/4. 3 file không chép được: 1 file vì một liên kết trong thư mục sao lưu dẫn vào thư mục dữ "
              "liệu; 1 file vì chỗ của bản sao dẫn về chính tệp gốc; 1 file (ổ đã rút ra, hoặc hết chỗ).");
    EXPECT_EQ(m.suKienCuoi()["detail"].toObject(),
              QJsonObject({{"tong", "4"}, {"loi", "3"}, {"loiVaoThuMucDuLieu", "1"}, {"loiChinhTepGoc", "1"}}));
    EXPECT_EQ(doc(m.sao + "/videos/2024/05/02/c.mp4"), "cc");
    EXPECT_EQ(moiMuc(m.goc), truoc);
}

// A link swapped, or a folder moved, while a copy is under way: the copy is written through the folder held open,
// and counts only if that folder is still outside the data folder and still where its path leads.
TEST(SaoLuu, LienKetDoiGiuaChungKhongDuaBanSaoVaoThuMucDuLieu) {
    using L = SaoLuu::LoiChep;
    const QByteArray noiDung(3 << 20, 'v');
    struct Ca {
        const char* ten;
        std::function<void(const QString& goc, const QString& sao)> doi;
        L loi;
    };
    const Ca cac[] = {
        {"videos swapped for a link to the source's videos",
         [](const QString& goc, const QString& sao) {
             QDir().rename(sao + "/videos", sao + "/videos-cu");
             lienKet(goc + "/videos", sao + "/videos");
         },
         L::vaoThuMucDuLieu},
        {"the day folder moved into the data folder",
         [](const QString& goc, const QString& sao) {
             QDir().rename(sao + "/videos/2024/05/01", goc + "/videos/2024/05/09");
         },
         L::vaoThuMucDuLieu},
        {"the day folder moved aside",
         [](const QString&, const QString& sao) { QDir().rename(sao + "/videos/2024/05/01", sao + "/cu"); }, L::khac},
        {"nothing changes", [](const QString&, const QString&) {}, L::khong},
    };
    for (const Ca& ca : cac) {
        SCOPED_TRACE(ca.ten);
        Moi m;
        const BanGhiVideo a = m.video("videos/2024/05/01/a.mp4", noiDung);
        const QString dich = *m.saoLuu.duongDanBanSao(a.filePath);
        const std::string truoc = moiMuc(m.goc);
        int soKhoi = 0;
        const SaoLuu::KetQuaChep kq = SaoLuu::chepVaoThuMuc(m.goc, m.sao, a.filePath, dich, a.sha256, [&] {
            if (++soKhoi == 1) ca.doi(m.goc, m.sao);
        });
        EXPECT_EQ(kq.loi, ca.loi);
        EXPECT_EQ(kq.daChep(), ca.loi == L::khong);
        EXPECT_GE(soKhoi, 3);
        if (ca.loi == L::khong) {
            EXPECT_EQ(doc(dich), noiDung);
            continue;
        }
        // The moved folder is the only thing the data folder gained, and it came empty.
        std::string sau = moiMuc(m.goc);
        EXPECT_EQ(sau, truoc + (QString(ca.ten).contains("into") ? "\nvideos/2024/05/09" : ""));
        EXPECT_FALSE(QFileInfo::exists(dich) && !QFileInfo(dich).isSymLink() && doc(dich) == noiDung &&
                     !QFileInfo(dich).canonicalFilePath().startsWith(m.goc + "/videos/2024/05/01"))
            << "no copy at the path it was counted for";
        EXPECT_EQ(moiTep(m.sao), ".korvane-saoluu") << "no temporary file left anywhere in the backup";
        EXPECT_EQ(doc(a.filePath), noiDung);
    }
}
