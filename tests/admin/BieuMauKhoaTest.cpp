#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

#include "admin/BieuMauKhoa.h"
#include "common/ChoDen.h"
#include "core/CaiDat.h"
#include "gia/core/KhoKhoaBoNho.h"
#include "sources/BoDongBo.h"
#include "gia/sources/NguonDonKichBan.h"
#include "nentang/BangNenTang.h"
#include "store/KhoDuLieu.h"

namespace {

QString dv(const char* nguon, const char* khoa) {
    return dichVuKhoaNguon(QString::fromUtf8(nguon), QString::fromUtf8(khoa));
}

// The form over a real settings object and sync engine, an in-memory keyring that the test can hold shut, and a
// scripted platform client that exists only when every credential is stored and answers the connection test
// with `traLoi` once `moThu` lets it.
struct CumBieuMau {
    QTemporaryDir thuMuc;
    std::shared_ptr<KhoKhoaBoNho> khoKhoa = std::make_shared<KhoKhoaBoNho>();
    std::unique_ptr<CaiDat> caiDat;
    std::unique_ptr<KhoDuLieu> kho;
    std::unique_ptr<BoDongBo> dongBo;
    std::unique_ptr<BieuMauKhoa> bieuMau;
    std::shared_ptr<std::atomic<bool>> moThu = std::make_shared<std::atomic<bool>>(true);
    std::shared_ptr<std::atomic<int>> soLanThu = std::make_shared<std::atomic<int>>(0);
    QString traLoi = QStringLiteral("Kết nối được Haravan. Cửa hàng đang có 3 đơn.");
    // Every value the form put into a field from the keyring, as "khoa=giaTri".
    QStringList tuKhoa;
    int soLanDoiTruong = 0;

    explicit CumBieuMau(const QString& nguon = QStringLiteral("haravan")) {
        caiDat = std::make_unique<CaiDat>(thuMuc.filePath(QStringLiteral("caidat.ini")), khoKhoa);
        caiDat->setNguonDon(nguon);
        kho = std::make_unique<KhoDuLieu>(thuMuc.filePath(QStringLiteral("goc")));
        kho->moKho();
        BoDongBo::CauHinh ch;
        ch.taoNguon = [this](const QString& id, const DocKhoa& doc,
                             const MoiTruongNguon&) -> std::unique_ptr<NguonDon> {
            for (const auto& t : cacTruongKhaiBao(id))
                if (docKhoaNguon(t.khoa, id, doc).isEmpty()) return nullptr;
            auto n = std::make_unique<NguonDonKichBan>();
            n->khiThuKetNoi = [tl = traLoi, mo = moThu, so = soLanThu] {
                ++*so;
                while (!*mo) std::this_thread::sleep_for(std::chrono::milliseconds(2));
                return tl;
            };
            return n;
        };
        dongBo = std::make_unique<BoDongBo>(*kho, *caiDat, std::move(ch));
        // The engine's start-up migration reads the keyring too; it is done before any test holds it shut.
        choTrong();
        bieuMau = std::make_unique<BieuMauKhoa>(*caiDat, dongBo.get());
        QObject::connect(bieuMau.get(), &BieuMauKhoa::giaTriDoi,
                         [this](const QString& khoa) { tuKhoa << khoa + QLatin1Char('=') + bieuMau->giaTri(khoa); });
        QObject::connect(bieuMau.get(), &BieuMauKhoa::cacTruongDoi, [this] { ++soLanDoiTruong; });
    }
    ~CumBieuMau() {
        khoKhoa->moCua();
        *moThu = true;
        bieuMau.reset();
        dongBo.reset();
    }
    // Every keyring call sent so far has been answered and its answer delivered.
    void choTrong() {
        bool xong = false;
        QObject nhan;
        caiDat->docKhoaNen({}, &nhan, [&xong](const CaiDat::KetQuaDocKhoa&) { xong = true; });
        ASSERT_TRUE(choDen([&] { return xong; }));
    }
    bool choNap() {
        return choDen([this] { return bieuMau->daNap(); });
    }
    bool choLuu() {
        return choDen([this] { return !bieuMau->dangLuu(); });
    }
};

}  // namespace

// A keyring that takes its time (here: as long as the test holds it shut) leaves the GUI thread's event loop
// turning: the load returns at once, a timer fires while every read waits, typing goes on meanwhile, and each
// read ran on a worker. When the answers land, the typed field keeps what was typed and the others fill in.
TEST(BieuMauKhoa, KhoaChamKhongGiuLuongGiaoDien) {
    CumBieuMau c(QStringLiteral("kiotviet"));
    c.khoKhoa->muc.insert(dv("kiotviet", "retailer"), QStringLiteral("cuahang"));
    c.khoKhoa->muc.insert(dv("kiotviet", "clientId"), QStringLiteral("id-cu"));
    c.khoKhoa->muc.insert(dv("kiotviet", "clientSecret"), QStringLiteral("bimat"));
    c.khoKhoa->dongCua();
    auto& f = *c.bieuMau;
    f.napLai();
    EXPECT_FALSE(f.daNap());
    ASSERT_TRUE(choDen([&] { return c.khoKhoa->soDangCho() == 1; })) << "the first read waits at the keyring";

    int soLanNhip = 0;
    QTimer nhip;
    QObject::connect(&nhip, &QTimer::timeout, [&] { ++soLanNhip; });
    nhip.start(5);
    ASSERT_TRUE(choDen([&] { return soLanNhip >= 5; }));
    EXPECT_EQ(c.khoKhoa->soDangCho(), 1) << "the timer fired while the read was still pending";
    EXPECT_FALSE(f.daNap());
    EXPECT_FALSE(f.duKhoaDaLuu()) << "nothing is known to be stored before the keyring answers";

    f.sua(QStringLiteral("clientId"), QStringLiteral("id-moi"));
    c.khoKhoa->moCua();
    ASSERT_TRUE(c.choNap());
    const QMap<QString, QString> mongDoi{{QStringLiteral("retailer"), QStringLiteral("cuahang")},
                                         {QStringLiteral("clientId"), QStringLiteral("id-moi")},
                                         {QStringLiteral("clientSecret"), QStringLiteral("bimat")}};
    EXPECT_EQ(f.oNhap(), mongDoi);
    EXPECT_FALSE(c.tuKhoa.contains(QStringLiteral("clientId=id-cu")))
        << "the stored value never replaced the typed one";
    EXPECT_TRUE(f.duKhoaDaLuu());
    EXPECT_FALSE(f.loiKhoa().has_value());

    const QList<QThread*> cacLuong = c.khoKhoa->cacLuongDoc();
    ASSERT_GE(cacLuong.size(), 3);
    for (QThread* l : cacLuong) EXPECT_NE(l, QCoreApplication::instance()->thread());
}

// What a save writes depends on what the form knows: a field neither read back nor typed into is left as stored,
// whether its read has not come back yet or the keyring could not give it; a field typed into is written trimmed,
// an emptied one deleted.
TEST(BieuMauKhoa, LuuChiGhiTruongDaBiet) {
    struct Ca {
        const char* ten;
        bool luuTruocKhiNap;  // saved while the reads are still held
        QSet<QString> khongDoc;
        QList<QPair<QString, QString>> go;
        QMap<QString, QString> conLai;  // the kiotviet items after the save, by field
        const char* loi;                // a part of the error text, or none
    };
    const Ca cacCa[] = {
        {"luu som: chi truong da go",
         true,
         {},
         {{QStringLiteral("clientId"), QStringLiteral("  id-moi \n")}},
         {{QStringLiteral("retailer"), QStringLiteral("cuahang")},
          {QStringLiteral("clientId"), QStringLiteral("id-moi")},
          {QStringLiteral("clientSecret"), QStringLiteral("bimat")}},
         nullptr},
        {"luu som: o xoa trang thi xoa khoa",
         true,
         {},
         {{QStringLiteral("clientSecret"), QString()}},
         {{QStringLiteral("retailer"), QStringLiteral("cuahang")},
          {QStringLiteral("clientId"), QStringLiteral("id-cu")}},
         nullptr},
        {"mot truong khong doc duoc",
         false,
         {dv("kiotviet", "clientSecret")},
         {{QStringLiteral("retailer"), QStringLiteral("cuahang-2")}},
         {{QStringLiteral("retailer"), QStringLiteral("cuahang-2")},
          {QStringLiteral("clientId"), QStringLiteral("id-cu")},
          {QStringLiteral("clientSecret"), QStringLiteral("bimat")}},
         "Không đọc được Client Secret đã lưu"},
        {"truong khong doc duoc nhung da go lai",
         false,
         {dv("kiotviet", "clientSecret")},
         {{QStringLiteral("clientSecret"), QStringLiteral("bimat-2")}},
         {{QStringLiteral("retailer"), QStringLiteral("cuahang")},
          {QStringLiteral("clientId"), QStringLiteral("id-cu")},
          {QStringLiteral("clientSecret"), QStringLiteral("bimat-2")}},
         "Không đọc được Client Secret đã lưu"},
        {"da nap: ghi lai dung nhu da luu",
         false,
         {},
         {},
         {{QStringLiteral("retailer"), QStringLiteral("cuahang")},
          {QStringLiteral("clientId"), QStringLiteral("id-cu")},
          {QStringLiteral("clientSecret"), QStringLiteral("bimat")}},
         nullptr},
    };
    for (const Ca& ca : cacCa) {
        SCOPED_TRACE(ca.ten);
        CumBieuMau c(QStringLiteral("kiotviet"));
        c.khoKhoa->muc.insert(dv("kiotviet", "retailer"), QStringLiteral("cuahang"));
        c.khoKhoa->muc.insert(dv("kiotviet", "clientId"), QStringLiteral("id-cu"));
        c.khoKhoa->muc.insert(dv("kiotviet", "clientSecret"), QStringLiteral("bimat"));
        c.khoKhoa->hongDoc = ca.khongDoc;
        auto& f = *c.bieuMau;
        if (ca.luuTruocKhiNap) c.khoKhoa->dongCua();
        f.napLai();
        if (!ca.luuTruocKhiNap) {
            ASSERT_TRUE(c.choNap());
        }
        for (const auto& [khoa, giaTri] : ca.go) f.sua(khoa, giaTri);
        f.luu();
        EXPECT_TRUE(f.dangLuu());
        c.khoKhoa->moCua();
        ASSERT_TRUE(c.choNap());
        ASSERT_TRUE(c.choLuu());
        QMap<QString, QString> conLai;
        for (const auto& t : cacTruongKhaiBao(QStringLiteral("kiotviet"))) {
            const QString k = dichVuKhoaNguon(QStringLiteral("kiotviet"), t.khoa);
            if (c.khoKhoa->muc.contains(k)) conLai.insert(t.khoa, c.khoKhoa->muc.value(k));
        }
        EXPECT_EQ(conLai, ca.conLai);
        for (const auto& [khoa, giaTri] : ca.go) EXPECT_EQ(f.giaTri(khoa), giaTri) << "the field keeps what was typed";
        if (ca.loi) {
            ASSERT_TRUE(f.loiKhoa().has_value());
            EXPECT_TRUE(f.loiKhoa()->contains(QString::fromUtf8(ca.loi))) << f.loiKhoa()->toStdString();
        } else {
            EXPECT_FALSE(f.loiKhoa().has_value()) << f.loiKhoa().value_or(QString()).toStdString();
        }
    }
}

// A keyring that gives nothing, or takes nothing, is said so in Vietnamese, naming the fields; nothing stored is
// lost, the test button's condition stays on what is really stored, and the next load clears the message.
TEST(BieuMauKhoa, LoiKhoKhoaBangTiengViet) {
    CumBieuMau c(QStringLiteral("pancake"));
    c.khoKhoa->muc.insert(dv("pancake", "shopId"), QStringLiteral("42"));
    c.khoKhoa->muc.insert(dv("pancake", "apiKey"), QStringLiteral("khoa-cu"));
    auto& f = *c.bieuMau;

    c.khoKhoa->hong = true;
    f.napLai();
    ASSERT_TRUE(c.choNap());
    EXPECT_EQ(f.loiKhoa().value_or(QString()).toStdString(),
              "Không đọc được Shop ID, API Key đã lưu: kho khoá của máy không trả lời hoặc đang khoá. Ô đó để trống, "
              "nhưng khoá đã lưu vẫn giữ nguyên trừ khi gõ giá trị mới.");
    EXPECT_EQ(f.giaTri(QStringLiteral("apiKey")), QString());
    EXPECT_FALSE(f.duKhoaDaLuu());
    f.sua(QStringLiteral("apiKey"), QStringLiteral("khoa-moi"));
    f.luu();
    ASSERT_TRUE(c.choLuu());
    EXPECT_TRUE(f.loiKhoa().value_or(QString()).endsWith(
        QStringLiteral("Không lưu được API Key vào kho khoá của máy: khoá cũ vẫn còn nguyên. Mở khoá kho khoá rồi "
                       "lưu lại.")))
        << f.loiKhoa().value_or(QString()).toStdString();
    EXPECT_EQ(c.khoKhoa->muc.value(dv("pancake", "apiKey")), QStringLiteral("khoa-cu"));
    EXPECT_EQ(c.khoKhoa->muc.value(dv("pancake", "shopId")), QStringLiteral("42")) << "an unread field is not written";

    // Readable again but refusing writes: the stored values show, and a refused write leaves them standing.
    c.khoKhoa->hong = false;
    c.khoKhoa->hongGhi = true;
    f.napLai();
    ASSERT_TRUE(c.choNap());
    EXPECT_FALSE(f.loiKhoa().has_value());
    EXPECT_TRUE(f.duKhoaDaLuu());
    f.sua(QStringLiteral("apiKey"), QString());
    f.luu();
    ASSERT_TRUE(c.choLuu());
    // Every known field is written again, the unchanged shop id too, and both are refused.
    EXPECT_EQ(f.loiKhoa().value_or(QString()).toStdString(),
              "Không lưu được Shop ID, API Key vào kho khoá của máy: khoá cũ vẫn còn nguyên. Mở khoá kho khoá rồi lưu "
              "lại.");
    EXPECT_EQ(c.khoKhoa->muc.value(dv("pancake", "apiKey")), QStringLiteral("khoa-cu"));
    EXPECT_TRUE(f.duKhoaDaLuu()) << "what is stored did not change";

    c.khoKhoa->hongGhi = false;
    f.luu();
    ASSERT_TRUE(c.choLuu());
    EXPECT_FALSE(f.loiKhoa().has_value());
    EXPECT_FALSE(c.khoKhoa->muc.contains(dv("pancake", "apiKey")));
    EXPECT_FALSE(f.duKhoaDaLuu());
}

// Pancake POS and Sapo both have an "apiKey": a switch while Pancake's reads are pending must show Sapo's values
// only, never one of Pancake's, and what was typed for Pancake goes with it. Choosing the platform already shown
// again changes nothing.
TEST(BieuMauKhoa, DoiNenTangGiuaChungKhongTronTruong) {
    CumBieuMau c(QStringLiteral("pancake"));
    c.khoKhoa->muc.insert(dv("pancake", "shopId"), QStringLiteral("42"));
    c.khoKhoa->muc.insert(dv("pancake", "apiKey"), QStringLiteral("khoa-pancake"));
    c.khoKhoa->muc.insert(dv("sapo", "store"), QStringLiteral("cuahang"));
    c.khoKhoa->muc.insert(dv("sapo", "apiKey"), QStringLiteral("khoa-sapo"));
    auto& f = *c.bieuMau;
    c.khoKhoa->dongCua();
    f.napLai();
    f.sua(QStringLiteral("shopId"), QStringLiteral("go-cho-pancake"));
    c.caiDat->setNguonDon(QStringLiteral("sapo"));
    EXPECT_EQ(f.nguon(), QStringLiteral("sapo"));
    EXPECT_EQ(c.soLanDoiTruong, 1);
    EXPECT_TRUE(f.oNhap().isEmpty()) << "the previous platform's typing is dropped";
    c.khoKhoa->moCua();
    ASSERT_TRUE(c.choNap());
    c.choTrong();
    const QMap<QString, QString> sapo{{QStringLiteral("store"), QStringLiteral("cuahang")},
                                      {QStringLiteral("apiKey"), QStringLiteral("khoa-sapo")},
                                      {QStringLiteral("apiSecret"), QString()}};
    EXPECT_EQ(f.oNhap(), sapo);
    for (const QString& s : c.tuKhoa) EXPECT_FALSE(s.contains(QStringLiteral("pancake"))) << s.toStdString();

    f.sua(QStringLiteral("apiSecret"), QStringLiteral("bi-mat"));
    c.caiDat->setNguonDon(QStringLiteral("sapo"));
    EXPECT_EQ(c.soLanDoiTruong, 1);
    EXPECT_EQ(f.giaTri(QStringLiteral("apiSecret")), QStringLiteral("bi-mat"));
    f.luu();
    ASSERT_TRUE(c.choLuu());
    EXPECT_EQ(c.khoKhoa->muc.value(dv("sapo", "apiSecret")), QStringLiteral("bi-mat"));
    EXPECT_EQ(c.khoKhoa->muc.value(dv("pancake", "apiKey")), QStringLiteral("khoa-pancake"));
    EXPECT_EQ(c.khoKhoa->muc.value(dv("pancake", "shopId")), QStringLiteral("42"));
}

// The test saves first and tests what was saved; a second press while one runs starts nothing; a result that
// comes back after the platform changed is not shown under the new platform's fields, nor handed on.
TEST(BieuMauKhoa, KiemTraSauKhiLuuMotLanMotLuc) {
    CumBieuMau c;
    auto& f = *c.bieuMau;
    f.napLai();
    ASSERT_TRUE(c.choNap());
    f.sua(QStringLiteral("token"), QStringLiteral(" tok \n"));
    *c.moThu = false;
    QStringList traVe;
    f.kiemTra([&traVe](const QString& chu) { traVe << chu; });
    EXPECT_TRUE(f.dangThu());
    f.kiemTra([&traVe](const QString& chu) { traVe << chu; });
    ASSERT_TRUE(choDen([&] { return *c.soLanThu == 1; })) << "the client exists only once the token is stored";
    EXPECT_EQ(c.khoKhoa->muc.value(dv("haravan", "token")), QStringLiteral("tok"));
    *c.moThu = true;
    ASSERT_TRUE(choDen([&] { return !f.dangThu(); }));
    EXPECT_EQ(*c.soLanThu, 1);
    EXPECT_EQ(f.ketQuaToken(), c.traLoi);
    EXPECT_TRUE(f.ketNoiDuoc());
    EXPECT_EQ(traVe, QStringList{c.traLoi});

    *c.moThu = false;
    f.kiemTra([&traVe](const QString& chu) { traVe << chu; });
    ASSERT_TRUE(choDen([&] { return *c.soLanThu == 2; }));
    c.caiDat->setNguonDon(QStringLiteral("kiotviet"));
    EXPECT_FALSE(f.ketQuaToken().has_value());
    *c.moThu = true;
    ASSERT_TRUE(choDen([&] { return !f.dangThu(); }));
    EXPECT_FALSE(f.ketQuaToken().has_value());
    EXPECT_EQ(traVe.size(), 1);
}
