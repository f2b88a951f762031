// The dossier as a receiving party sees it: Debian's Chromium opens ho-so.html from disk with networking off.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <functional>

#include "evidence/HoSoBangChung.h"
#include "evidence/NguonKhungHinhVideo.h"
#include "gia/store/DongHoGia.h"
#include "store/TienIch.h"

namespace {

const QString doc = QStringLiteral("<img src=x onerror=\"document.title='pwn'\">");

QString chromium() {
    for (const char* ten : {"chromium", "chromium-browser", "google-chrome"})
        if (const QString p = QStandardPaths::findExecutable(QString::fromLatin1(ten)); !p.isEmpty()) return p;
    return {};
}

QString docDom(const QString& trinh, const QString& tep, const QString& thuMucNguoiDung) {
    QProcess p;
    p.start(trinh, {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                    "--disable-background-networking", "--disable-component-update", "--disable-sync",
                    "--proxy-server=127.0.0.1:9", "--user-data-dir=" + thuMucNguoiDung, "--virtual-time-budget=5000",
                    "--dump-dom", QUrl::fromLocalFile(tep).toString()});
    if (!p.waitForFinished(90000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Reads the page back from the live document: this script is added to a test-only copy, never to the page.
const char* const kichBanDoc = R"js(
<script>
window.addEventListener('load', function () {
  var r = {anh: [], hang: {}, shop: '', ok: [], xau: [], soPhanTu: {}, title: document.title, h1: ''};
  document.querySelectorAll('img').forEach(function (i) { r.anh.push([i.naturalWidth, i.naturalHeight, i.alt]); });
  document.querySelectorAll('tr').forEach(function (tr) {
    var td = tr.querySelectorAll('td');
    if (td.length === 2) r.hang[td[0].textContent] = td[1].textContent;
  });
  r.shop = document.querySelector('.shop').textContent;
  r.h1 = document.querySelector('h1').textContent;
  document.querySelectorAll('p.ok').forEach(function (p) { r.ok.push(p.textContent); });
  document.querySelectorAll('.xau').forEach(function (p) { r.xau.push(p.textContent); });
  ['img', 'script', 'iframe', 'a', 'link', 'b'].forEach(function (t) {
    r.soPhanTu[t] = document.getElementsByTagName(t).length; });
  r.soOnerror = document.querySelectorAll('[onerror]').length;
  r.lang = document.documentElement.lang; r.charset = document.characterSet;
  var kieu = function (sel, thuoc) { var e = document.querySelector(sel); return e ? getComputedStyle(e)[thuoc] : null; };
  r.kieu = {
    bodyMax: kieu('body', 'maxWidth'), h1Mau: kieu('h1', 'color'),
    h1Co: kieu('h1', 'fontSize'), h2Hoa: kieu('h2', 'textTransform'),
    bang: kieu('table', 'borderCollapse'), monoNgat: kieu('.mono', 'wordBreak'), monoFont: kieu('.mono', 'fontFamily'),
    anh: kieu('.anh', 'display') + ' ' + kieu('.anh', 'flexWrap'), hinh: kieu('figure', 'flexBasis'),
    okMau: kieu('.ok', 'color'), okDam: kieu('.ok', 'fontWeight'), kiemNen: kieu('.kiem', 'backgroundColor'),
    chanVien: kieu('footer', 'borderTopColor'), header: kieu('header', 'borderBottomWidth')
  };
  var pre = document.createElement('pre'); pre.id = 'ketqua'; pre.textContent = JSON.stringify(r);
  document.body.appendChild(pre);
});
</script>
)js";

}  // namespace

TEST(HoSoTrinhDuyet, TrangMoTuDiaHienDungNoiDung) {
    const QString trinh = chromium();
    if (trinh.isEmpty()) GTEST_SKIP() << "no Chromium on this machine";
    QTemporaryDir tmp;
    const QString goc = tmp.filePath("Kho");
    ASSERT_TRUE(QDir().mkpath(goc + "/videos"));
    const QString video = goc + "/videos/a.mp4";
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty()) GTEST_SKIP() << "ffmpeg is needed to make the fixture";
    {
        QProcess ff;
        ff.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=1280x720:rate=30", "-t", "10",
                            "-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "30", video});
        ASSERT_TRUE(ff.waitForFinished(60000));
        ASSERT_EQ(ff.exitCode(), 0);
    }
    const auto vanTay = sha256CuaTep(video);
    ASSERT_TRUE(vanTay);

    BanGhiVideo bg;
    bg.id = "V1";
    bg.code = doc + " & \"SPX\"";
    bg.filePath = video;
    bg.fileName = "a.mp4";
    bg.bytes = vanTay->bytes;
    bg.sha256 = vanTay->sha256;
    bg.startedAt = "2024-05-01T02:00:00Z";
    bg.endedAt = "2024-05-01T02:00:10Z";
    bg.durationSec = 10;
    bg.customerName = "Khách " + doc;
    bg.kind = "return";
    KhaiBaoHoan kb;
    kb.note = "Ghi chú " + doc + " 'a' & b";
    kb.savedAt = "2024-05-01T02:05:00Z";
    bg.returnInfo = kb;
    const QString tenShop = "Shop " + doc + " & Co";

    NguonKhungHinhVideo nguon;
    DongHoGia dh;
    dh.datGiayThuc(1714532645);
    const HoSoBangChung::KetQua kq =
        HoSoBangChung::xuat(bg, std::nullopt, tenShop, goc, true, HoSoBangChung::KetQuaNhatKy{true, 12, std::nullopt},
                            "AB12-CD34-EF56", nguon, dh);
    ASSERT_EQ(kq.soKhungHinh, 6);
    ASSERT_TRUE(kq.coVideo);
    const QString trang = kq.thuMuc + "/ho-so.html";

    // The copy is the recorded file, as sha256sum on the receiving side sees it.
    QProcess sum;
    sum.start("sha256sum", {kq.thuMuc + "/video.mp4"});
    ASSERT_TRUE(sum.waitForFinished());
    EXPECT_EQ(QString::fromLatin1(sum.readAllStandardOutput()).left(64), bg.sha256);

    QFile f(trang);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray html = f.readAll();
    EXPECT_FALSE(html.contains("<script")) << "the page itself must stay script-free";
    EXPECT_FALSE(html.contains("http:")) << "the page must not reach the network";
    EXPECT_FALSE(html.contains("https:"));

    // The page as it stands parses into the expected number of images; decode them ourselves too.
    const QString dom = docDom(trinh, trang, tmp.filePath("ud1"));
    ASSERT_FALSE(dom.isEmpty());
    const QRegularExpression reAnh(QStringLiteral("<img src=\"data:image/jpeg;base64,([A-Za-z0-9+/=]+)\""));
    int soAnh = 0;
    for (auto it = reAnh.globalMatch(dom); it.hasNext(); ++soAnh) {
        const QImage anh = QImage::fromData(QByteArray::fromBase64(it.next().captured(1).toLatin1()), "JPEG");
        EXPECT_FALSE(anh.isNull());
        EXPECT_LE(std::max(anh.width(), anh.height()), 720);
    }
    EXPECT_EQ(soAnh, 6);
    EXPECT_EQ(dom.count(QStringLiteral("<img")), 6) << "hostile text must not become an element";

    // A test-only copy with a reader script appended.
    const QString banDoc = kq.thuMuc + "/doc-thu.html";
    {
        QFile ra(banDoc);
        ASSERT_TRUE(ra.open(QIODevice::WriteOnly));
        QByteArray h = html;
        h.replace("</body>", QByteArray(kichBanDoc) + "</body>");
        ra.write(h);
    }
    const QString dom2 = docDom(trinh, banDoc, tmp.filePath("ud2"));
    QFile::remove(banDoc);
    const QRegularExpression reKq(QStringLiteral("<pre id=\"ketqua\">(.*?)</pre>"),
                                  QRegularExpression::DotMatchesEverythingOption);
    const auto m = reKq.match(dom2);
    ASSERT_TRUE(m.hasMatch()) << dom2.left(500).toStdString();
    QString json = m.captured(1);
    json.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&amp;", "&");
    const QJsonObject r = QJsonDocument::fromJson(json.toUtf8()).object();
    ASSERT_FALSE(r.isEmpty()) << json.toStdString();

    const QJsonArray anh = r["anh"].toArray();
    ASSERT_EQ(anh.size(), 6);
    const QStringList chuThich{"Bắt đầu · 00:00", "Phút 00:02", "Phút 00:04",
                               "Phút 00:06",      "Phút 00:08", "Kết thúc · 00:10"};
    for (int i = 0; i < 6; ++i) {
        const QJsonArray a = anh[i].toArray();
        EXPECT_GT(a[0].toInt(), 0) << i;
        EXPECT_LE(std::max(a[0].toInt(), a[1].toInt()), 720) << i;
        EXPECT_EQ(a[2].toString(), chuThich[i]);
    }
    const QJsonObject hang = r["hang"].toObject();
    EXPECT_EQ(hang["Mã quét"].toString(), bg.code);
    EXPECT_EQ(hang["Khách hàng"].toString(), *bg.customerName);
    EXPECT_EQ(hang["Ghi chú"].toString(), *kb.note);
    EXPECT_EQ(hang["SHA-256 lúc quay"].toString(), bg.sha256);
    EXPECT_EQ(hang["SHA-256 lúc xuất hồ sơ"].toString(), bg.sha256);
    EXPECT_EQ(hang["Nhật ký kho dữ liệu"].toString(), "12 dòng · chuỗi băm liền mạch — NGUYÊN VẸN");
    EXPECT_EQ(hang["Máy quay (mã phần cứng)"].toString(), "AB12-CD34-EF56");
    EXPECT_EQ(r["shop"].toString(), tenShop + " · xuất lúc 01/05/2024 10:04:05");
    EXPECT_EQ(r["title"].toString(), "HỒ SƠ MỞ KIỆN HÀNG HOÀN");
    ASSERT_EQ(r["ok"].toArray().size(), 1);
    EXPECT_TRUE(r["ok"].toArray()[0].toString().contains("Hai dấu vân tay TRÙNG NHAU"));
    EXPECT_TRUE(r["xau"].toArray().isEmpty());
    const QJsonObject so = r["soPhanTu"].toObject();
    EXPECT_EQ(so["img"].toInt(), 6);
    EXPECT_EQ(so["script"].toInt(), 1);  // only the reader of this copy
    EXPECT_EQ(so["iframe"].toInt(), 0);
    EXPECT_EQ(so["a"].toInt(), 0);
    EXPECT_EQ(so["link"].toInt(), 0);
    EXPECT_EQ(r["soOnerror"].toInt(), 0);

    // The style sheet parses as written: a typo would silently drop its rule.
    EXPECT_EQ(r["lang"].toString(), "vi");
    EXPECT_EQ(r["charset"].toString(), "UTF-8");
    const QJsonObject k = r["kieu"].toObject();
    const std::pair<const char*, const char*> kieuMong[] = {
        {"bodyMax", "860px"},
        {"h1Mau", "rgb(15, 123, 108)"},
        {"h1Co", "21px"},
        {"h2Hoa", "uppercase"},
        {"bang", "collapse"},
        {"monoNgat", "break-all"},
        {"anh", "flex wrap"},
        {"hinh", "240px"},
        {"okMau", "rgb(15, 123, 108)"},
        {"okDam", "600"},
        {"kiemNen", "rgb(243, 247, 246)"},
        {"chanVien", "rgb(227, 232, 234)"},
        {"header", "3px"},
    };
    for (const auto& [ten, mong] : kieuMong) EXPECT_EQ(k[ten].toString(), QString::fromUtf8(mong)) << ten;
    EXPECT_TRUE(k["monoFont"].toString().startsWith("ui-monospace, \"SF Mono\""))
        << k["monoFont"].toString().toStdString();
}

namespace {

// Where Chromium draws each character of the page's own text: every text node outside an isolated value, one
// [node, offset, left, top] per character that is not white space.
const char* const kichBanViTri = R"js(
<script>
window.addEventListener('load', function () {
  var ra = [], so = 0, n;
  var w = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  while ((n = w.nextNode())) {
    if (n.parentElement.closest('bdi, script, pre')) continue;
    ++so;
    for (var i = 0; i < n.data.length; ++i) {
      if (/\s/.test(n.data[i])) continue;
      var r = document.createRange(); r.setStart(n, i); r.setEnd(n, i + 1);
      var b = r.getBoundingClientRect();
      ra.push([so, i, Math.round(b.left * 10) / 10, Math.round(b.top * 10) / 10]);
    }
  }
  var pre = document.createElement('pre'); pre.id = 'ketqua'; pre.textContent = JSON.stringify(ra);
  document.body.appendChild(pre);
});
</script>
)js";

// Each outside value of a packing and a return dossier, with suffix() after every one of them.
QString trangNgoai(const std::function<QString(int)>& them) {
    int so = 0;
    const auto v = [&](const QString& s) { return s + them(so++); };
    BanGhiVideo bg;
    bg.id = "V1";
    bg.kind = "return";
    bg.code = v("SPX123");
    bg.trackingNumber = v("VD1");
    bg.orderNumber = v("1001");
    bg.customerName = v("Chị Lan");
    bg.customerPhone = v("0901");
    bg.resolution = v("1280x720");
    bg.cameraLabel = v("Cam A");
    bg.serials = QStringList{v("SN1"), v("SN2")};
    bg.sha256 = v(QString(64, u'a'));
    bg.bytes = 5347737;
    bg.startedAt = "2024-05-01T02:00:00Z";
    bg.endedAt = "2024-05-01T02:01:02Z";
    bg.durationSec = 62;
    KhaiBaoHoan kb;
    kb.reason = v("ly-do-la");
    kb.decision = v("xu-ly-la");
    kb.serial = v("SN9");
    kb.note = v("Hộp móp 12 chỗ");
    kb.conditions = {v("tinh-trang-la"), "seal_intact"};
    kb.savedAt = "2024-05-01T02:05:00Z";
    bg.returnInfo = kb;
    DonHang don;
    don.id = "D1";
    don.name = v("#A-7");
    don.shippingAddress = v("12 Lê Lợi, Quận 1");
    don.items = {{v("Áo thun"), v("Đỏ"), v("SKU-1"), 12}, {v("Quần"), std::nullopt, v("Q"), 3}};
    DongHoGia dh;
    dh.datGiayThuc(1714532645);
    return HoSoBangChung::taoHtml(bg, don, v("Shop A"), {}, QString(64, u'a'), true, true,
                                  HoSoBangChung::KetQuaNhatKy{true, 12, std::nullopt}, "AB12-CD34-EF56",
                                  "01/05/2024 09:00", dh);
}

QJsonArray viTriChuCuaTa(const QString& trinh, const QString& html, const QString& tep,
                         const QString& thuMucNguoiDung) {
    QFile ra(tep);
    if (!ra.open(QIODevice::WriteOnly)) return {};
    QString h = html;
    h.replace("</body>", QString::fromUtf8(kichBanViTri) + "</body>");
    ra.write(h.toUtf8());
    ra.close();
    const QString dom = docDom(trinh, tep, thuMucNguoiDung);
    const auto m = QRegularExpression(QStringLiteral("<pre id=\"ketqua\">(.*?)</pre>"),
                                      QRegularExpression::DotMatchesEverythingOption)
                       .match(dom);
    return m.hasMatch() ? QJsonDocument::fromJson(m.captured(1).toUtf8()).array() : QJsonArray();
}

}  // namespace

// An override, embedding or isolate left open in a value from outside, or a stray closer, moves none of the
// page's own text: each of its characters is drawn where it is drawn when the values carry no controls.
TEST(HoSoTrinhDuyet, DieuKhienHuongTrongGiaTriKhongDaoChuCuaTrang) {
    const QString trinh = chromium();
    if (trinh.isEmpty()) GTEST_SKIP() << "no Chromium on this machine";
    QTemporaryDir tmp;
    const QStringList dieuKhien = {
        QStringLiteral("\u202E"),
        QStringLiteral("\u202B"),
        QStringLiteral("\u202D\u202E"),
        QStringLiteral("\u2067"),
        QStringLiteral("\u2069\u202E"),
        QStringLiteral("\u202C\u2069\u202B"),
        QStringLiteral("\u200F"),
        QStringLiteral("\u2068\u202E"),
        QStringLiteral("\u202E\u2066\u2069"),
        QStringLiteral("\u202A\u202C\u202E"),
    };
    const QString sach = trangNgoai([](int) { return QString(); });
    const QString ban = trangNgoai([&](int i) { return dieuKhien[i % dieuKhien.size()]; });
    ASSERT_NE(sach, ban);
    for (const QChar c : {QChar(0x202E), QChar(0x2067), QChar(0x2069)})
        EXPECT_TRUE(ban.contains(c)) << "the values keep their controls, only balanced";

    const QJsonArray truoc = viTriChuCuaTa(trinh, sach, tmp.filePath("sach.html"), tmp.filePath("ud1"));
    const QJsonArray sau = viTriChuCuaTa(trinh, ban, tmp.filePath("ban.html"), tmp.filePath("ud2"));
    ASSERT_GT(truoc.size(), 1000) << "the page's own text was not measured";
    ASSERT_EQ(truoc.size(), sau.size());
    int khac = 0;
    for (qsizetype i = 0; i < truoc.size(); ++i) {
        const QJsonArray a = truoc[i].toArray(), b = sau[i].toArray();
        if (a[0] != b[0] || a[1] != b[1] || std::abs(a[2].toDouble() - b[2].toDouble()) > 0.5 ||
            std::abs(a[3].toDouble() - b[3].toDouble()) > 0.5) {
            if (++khac <= 5)
                ADD_FAILURE() << "character " << a[1].toInt() << " of text node " << a[0].toInt() << " moved from ("
                              << a[2].toDouble() << ", " << a[3].toDouble() << ") to (" << b[2].toDouble() << ", "
                              << b[3].toDouble() << ")";
        }
    }
    EXPECT_EQ(khac, 0);
}
