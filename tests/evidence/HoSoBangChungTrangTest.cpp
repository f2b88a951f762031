#include <gtest/gtest.h>

#include <QRegularExpression>

#include "evidence/HoSoBangChung.h"
#include "gia/store/DongHoGia.h"

namespace {

// 2024-05-01T03:04:05Z, 10:04:05 in Asia/Ho_Chi_Minh.
constexpr double xuatLuc = 1714532645;

BanGhiVideo banGhiMau() {
    BanGhiVideo bg;
    bg.id = QStringLiteral("V1");
    bg.code = QStringLiteral("SPX123");
    bg.filePath = QStringLiteral("/tmp/x.mp4");
    bg.fileName = QStringLiteral("x.mp4");
    bg.bytes = 5347737;
    bg.sha256 = QString(64, u'a');
    bg.startedAt = QStringLiteral("2024-05-01T02:00:00Z");
    bg.endedAt = QStringLiteral("2024-05-01T02:01:02Z");
    bg.durationSec = 3725;
    return bg;
}

QString trang(const BanGhiVideo& bg, const std::optional<DonHang>& don = std::nullopt,
              const std::vector<HoSoBangChung::KhungHinh>& khung = {}, bool trung = true, bool coVideo = true,
              const std::optional<HoSoBangChung::KetQuaNhatKy>& nk = std::nullopt,
              const QString& maMay = "AB12-CD34-EF56", const QString& tenShop = QStringLiteral("Shop A")) {
    DongHoGia dh;
    dh.datGiayThuc(xuatLuc);
    return HoSoBangChung::taoHtml(bg, don, tenShop, khung, QString(64, u'a'), trung, coVideo, nk, maMay,
                                  QStringLiteral("01/05/2024 09:00"), dh);
}

// The value cell of the information row with that label, as written; a value from outside is shown without the
// one isolating element that must hold it whole.
QString o(const QString& html, const QString& nhan) {
    const QRegularExpression re(QStringLiteral("<tr><td>") + QRegularExpression::escape(nhan) +
                                QStringLiteral("</td><td(?: class=\"(\\w+)\")?>(.*?)</td></tr>"));
    const auto m = re.match(html);
    if (!m.hasMatch()) return QStringLiteral("<không có>");
    static const QRegularExpression boc(QStringLiteral("^<bdi>((?:(?!</?bdi>).)*)</bdi>$"));
    const auto mb = boc.match(m.captured(2));
    return mb.hasMatch() ? mb.captured(1) : m.captured(2);
}

}  // namespace

TEST(TrangHoSo, ThoatHtmlTheoThuTu) {
    EXPECT_EQ(HoSoBangChung::thoatHtml(QStringLiteral("a&b<c>\"d'e&lt;")),
              QStringLiteral("a&amp;b&lt;c&gt;&quot;d'e&amp;lt;"));
    EXPECT_EQ(HoSoBangChung::dongBang(QStringLiteral("<n>"), QStringLiteral("v&"), true),
              QStringLiteral("<tr><td>&lt;n&gt;</td><td class=\"mono\">v&amp;</td></tr>"));
    EXPECT_EQ(HoSoBangChung::dongBang(QStringLiteral("n"), QStringLiteral("v"), false),
              QStringLiteral("<tr><td>n</td><td>v</td></tr>"));
}

TEST(TrangHoSo, DongThongTinKhongCoDon) {
    BanGhiVideo bg = banGhiMau();
    const QString h = trang(bg);
    EXPECT_TRUE(h.startsWith(QStringLiteral("<!doctype html>\n<html lang=\"vi\">")));
    EXPECT_TRUE(h.contains(QStringLiteral("<title>HỒ SƠ ĐÓNG GÓI</title>")));
    EXPECT_TRUE(h.contains(QStringLiteral("<div class=\"shop\"><bdi>Shop A</bdi> · xuất lúc 01/05/2024 10:04:05</div>")));
    const std::pair<const char*, const char*> mong[] = {
        {"Mã quét", "SPX123"},
        {"Mã vận đơn", "—"},
        {"Đơn hàng", "—"},
        {"Khách hàng", "—"},
        {"Điện thoại", "—"},
        {"Bắt đầu quay", "01/05/2024 09:00"},
        {"Kết thúc", "01/05/2024 09:01"},
        {"Thời lượng", "62:05"},
        {"Độ phân giải", "—"},
        {"Thiết bị quay", "—"},
        {"Dung lượng", "5.1 MB"},
        {"Số byte chính xác", "5347737 byte"},
        {"Máy quay (mã phần cứng)", "AB12-CD34-EF56"},
        {"Giờ tạo file trên đĩa", "01/05/2024 09:00"},
    };
    for (const auto& [nhan, giaTri] : mong) EXPECT_EQ(o(h, nhan), QString::fromUtf8(giaTri)) << nhan;
    for (const char* khong : {"Serial đã ghi", "Địa chỉ giao", "Nhật ký kho dữ liệu"})
        EXPECT_EQ(o(h, khong), QStringLiteral("<không có>")) << khong;
    for (const char* khong : {"Sản phẩm trong đơn", "Khung hình trích", "Khai báo khi mở kiện", "<script", "http"})
        EXPECT_FALSE(h.contains(QString::fromUtf8(khong))) << khong;
    // The four optional sections leave their line feeds behind them even when absent.
    EXPECT_TRUE(h.contains(QStringLiteral("</table>\n\n\n\n<h2>Dấu vân tay của file video</h2>")));
    EXPECT_TRUE(h.contains(QStringLiteral("<p class=\"mo\">File <code>video.mp4</code> nằm cùng thư mục")));

    EXPECT_TRUE(trang(bg, {}, {}, true, true, {}, QString())
                    .contains(QStringLiteral("<tr><td>Máy quay (mã phần cứng)</td><td class=\"mono\">—</td></tr>")));
    EXPECT_TRUE(trang(bg, {}, {}, true, false)
                    .contains(QStringLiteral("<p class=\"xau\">Không chép được file video vào thư mục hồ sơ.</p>")));
}

TEST(TrangHoSo, DongThongTinLayTuBanGhiRoiTuDon) {
    BanGhiVideo bg = banGhiMau();
    bg.orderNumber = QStringLiteral("1001");
    bg.serials = QStringList{QStringLiteral("SN1"), QStringLiteral("SN2")};
    bg.resolution = QStringLiteral("1280x720");
    bg.cameraLabel = QStringLiteral("Cam 'A'");
    DonHang don;
    don.id = QStringLiteral("D1");
    don.customerName = QStringLiteral("Chị Lan");
    don.customerPhone = QStringLiteral("0901");
    don.shippingAddress = QStringLiteral("1 Lê Lợi");
    don.trackings = {{QStringLiteral("VD1"), std::nullopt}, {QStringLiteral("VD2"), std::nullopt}};
    don.items = {{QStringLiteral("Áo <b>"), QStringLiteral("Đỏ"), std::nullopt, 2},
                 {QStringLiteral("Quần"), std::nullopt, QString(), 1}};
    QString h = trang(bg, don);
    EXPECT_EQ(o(h, "Mã vận đơn"), QStringLiteral("VD1"));
    EXPECT_EQ(o(h, "Đơn hàng"), QStringLiteral("#<bdi>1001</bdi>"));
    EXPECT_EQ(o(h, "Khách hàng"), QStringLiteral("Chị Lan"));
    EXPECT_EQ(o(h, "Điện thoại"), QStringLiteral("0901"));
    EXPECT_EQ(o(h, "Serial đã ghi"), QStringLiteral("<bdi>SN1</bdi>, <bdi>SN2</bdi>"));
    EXPECT_EQ(o(h, "Địa chỉ giao"), QStringLiteral("1 Lê Lợi"));
    EXPECT_EQ(o(h, "Thiết bị quay"), QStringLiteral("Cam 'A'"));
    EXPECT_TRUE(h.contains(QStringLiteral(
        "<h2>Sản phẩm trong đơn</h2><ul class=\"sp\"><li><b><bdi>Áo &lt;b&gt;</bdi></b> · <bdi>Đỏ</bdi> — số lượng "
        "<b>2</b></li><li><b><bdi>Quần</bdi></b> · SKU <bdi></bdi> — số lượng <b>1</b></li></ul>\n")));

    // The record's own values win, and a present empty text stays empty.
    bg.trackingNumber = QStringLiteral("VD9");
    bg.customerName = QString();
    don.name = QStringLiteral("#A-7");
    h = trang(bg, don);
    EXPECT_EQ(o(h, "Mã vận đơn"), QStringLiteral("VD9"));
    EXPECT_EQ(o(h, "Đơn hàng"), QStringLiteral("#A-7"));
    EXPECT_EQ(o(h, "Khách hàng"), QString());
}

TEST(TrangHoSo, ChuThichKhungHinh) {
    struct Ca {
        std::vector<double> giay;
        QStringList chuThich;
    };
    const Ca cac[] = {
        {{1, 59.4, 59.5, 100, 130, 3725},
         {"Bắt đầu · 00:01", "Phút 00:59", "Phút 01:00", "Phút 01:40", "Phút 02:10", "Kết thúc · 62:05"}},
        {{0.2, 9.6}, {"Bắt đầu · 00:00", "Kết thúc · 00:10"}},
        {{4}, {"Bắt đầu · 00:04"}},
    };
    for (const Ca& ca : cac) {
        std::vector<HoSoBangChung::KhungHinh> khung;
        for (double g : ca.giay) khung.push_back({QByteArray("\xff\xd8\xff", 3), g});
        const QString h = trang(banGhiMau(), {}, khung);
        const QString dau = QStringLiteral(
                                "<h2>Khung hình trích từ video (%1 mốc, kèm thời điểm trong video)</h2>"
                                "<div class=\"anh\"><figure><img src=\"data:image/jpeg;base64,/9j/\" alt=\"")
                                .arg(khung.size());
        EXPECT_TRUE(h.contains(dau)) << ca.giay.size();
        QStringList thay;
        const QRegularExpression re(QStringLiteral("<img src=\"[^\"]*\" alt=\"([^\"]*)\"><figcaption>([^<]*)</"));
        for (auto it = re.globalMatch(h); it.hasNext();) {
            const auto m = it.next();
            EXPECT_EQ(m.captured(1), m.captured(2));
            thay << m.captured(2);
        }
        EXPECT_EQ(thay, ca.chuThich);
    }
}

TEST(TrangHoSo, KhaiBaoMoKien) {
    BanGhiVideo bg = banGhiMau();
    bg.kind = QStringLiteral("return");
    KhaiBaoHoan kb;
    kb.reason = QStringLiteral("giao-nham");
    kb.decision = QStringLiteral("la-lung");
    kb.note = QStringLiteral("Hộp \"móp\" & ướt");
    kb.conditions = {QStringLiteral("con-nguyen-seal"), QStringLiteral("sai-serial"), QStringLiteral("moi-them")};
    kb.savedAt = QStringLiteral("2024-05-01T02:05:00Z");
    bg.returnInfo = kb;
    QString h = trang(bg);
    EXPECT_TRUE(h.contains(QStringLiteral("<title>HỒ SƠ MỞ KIỆN HÀNG HOÀN</title>")));
    EXPECT_TRUE(h.contains(QStringLiteral("<h1>HỒ SƠ MỞ KIỆN HÀNG HOÀN</h1>")));
    EXPECT_EQ(o(h, "Khách trả vì"), QStringLiteral("Giao nhầm sản phẩm"));
    EXPECT_EQ(o(h, "Serial nhận về"), QStringLiteral("—"));
    EXPECT_EQ(o(h, "Hướng xử lý"), QStringLiteral("la-lung"));
    EXPECT_EQ(o(h, "Ghi chú"), QStringLiteral("Hộp &quot;móp&quot; &amp; ướt"));
    EXPECT_EQ(o(h, "Khai lúc"), QStringLiteral("01/05/2024 09:05"));
    EXPECT_TRUE(h.contains(QStringLiteral(
        "<p class=\"nhan\">Tình trạng ghi nhận</p><ul><li>Kiện còn nguyên seal</li><li class=\"do\"><b>Serial khác "
        "với lúc gửi</b></li><li><bdi>moi-them</bdi></li></ul><p class=\"mo\">Toàn bộ quá trình mở kiện được quay liên tục")));

    bg.returnInfo->conditions.clear();
    bg.kind = QStringLiteral("khac");
    h = trang(bg);
    EXPECT_TRUE(h.contains(QStringLiteral("<title>HỒ SƠ ĐÓNG GÓI</title>")));
    EXPECT_FALSE(h.contains(QStringLiteral("Tình trạng ghi nhận")));
    EXPECT_TRUE(h.contains(QStringLiteral("</table><p class=\"mo\">Toàn bộ quá trình mở kiện")));
}

TEST(TrangHoSo, VanTayVaNhatKy) {
    using NK = HoSoBangChung::KetQuaNhatKy;
    struct Ca {
        bool trung;
        std::optional<NK> nk;
        const char* coChua;
        const char* dongNhatKy;  // nullptr: no row
    };
    const Ca cac[] = {
        {true, NK{true, 42, std::nullopt}, "<p class=\"ok\">\nHai dấu vân tay TRÙNG NHAU — file video",
         "<tr><td>Nhật ký kho dữ liệu</td><td>42 dòng · chuỗi băm liền mạch — NGUYÊN VẸN</td></tr>"},
        {false, NK{false, 7, 7}, "<p class=\"xau\">\nCẢNH BÁO: hai dấu vân tay KHÁC NHAU.",
         "<tr><td>Nhật ký kho dữ liệu</td><td class=\"xau\">Chuỗi băm GÃY ở dòng 7 — nhật ký đã bị sửa hoặc file "
         "hỏng.</td></tr>"},
        {false, NK{false, 0, std::nullopt}, "<p class=\"xau\">\nCẢNH BÁO", nullptr},
        {true, std::nullopt, "<p class=\"ok\">", nullptr},
    };
    for (const Ca& ca : cac) {
        const QString h = trang(banGhiMau(), {}, {}, ca.trung, true, ca.nk);
        EXPECT_TRUE(h.contains(QString::fromUtf8(ca.coChua))) << ca.coChua;
        if (ca.dongNhatKy)
            EXPECT_TRUE(h.contains(QString::fromUtf8(ca.dongNhatKy))) << ca.dongNhatKy;
        else
            EXPECT_FALSE(h.contains(QStringLiteral("Nhật ký kho dữ liệu</td>")));
    }
}

// A page with every section: the sections stand in their fixed order, each followed by its line feed, the fixed
// explanations a receiving party relies on read exactly as written, and the style sheet keeps its rules in order.
TEST(TrangHoSo, ThuTuPhanVaChuCoDinh) {
    BanGhiVideo bg = banGhiMau();
    bg.kind = QStringLiteral("return");
    KhaiBaoHoan kb;
    kb.reason = QStringLiteral("khong-dung-mau");
    kb.conditions = {QStringLiteral("sai-serial")};
    kb.savedAt = QStringLiteral("2024-05-01T02:05:00Z");
    bg.returnInfo = kb;
    DonHang don;
    don.id = QStringLiteral("D1");
    don.items = {{QStringLiteral("Áo"), std::nullopt, std::nullopt, 1}};
    const QString h = trang(bg, don, {{QByteArray("\xff\xd8", 2), 1.0}}, true, true,
                            HoSoBangChung::KetQuaNhatKy{true, 3, std::nullopt});
    const QStringList thuTu = {
        QStringLiteral("<!doctype html>"),
        QStringLiteral("<title>HỒ SƠ MỞ KIỆN HÀNG HOÀN</title>"),
        QStringLiteral(":root {"),
        QStringLiteral("\nbody {"),
        QStringLiteral("\nheader {"),
        QStringLiteral("\nh1 {"),
        QStringLiteral("\nh2 {"),
        QStringLiteral("\n.shop {"),
        QStringLiteral("\ntable {"),
        QStringLiteral("\ntd {"),
        QStringLiteral("\ntd:first-child {"),
        QStringLiteral("\n.mono, code {"),
        QStringLiteral("\n.anh {"),
        QStringLiteral("\nfigure {"),
        QStringLiteral("\nimg {"),
        QStringLiteral("\nfigcaption {"),
        QStringLiteral("\nul {"),
        QStringLiteral("\nul.sp li {"),
        QStringLiteral("\n.do, .xau {"),
        QStringLiteral("\n.ok {"),
        QStringLiteral("\n.mo {"),
        QStringLiteral("\n.nhan {"),
        QStringLiteral("\n.kiem {"),
        QStringLiteral("\n.kiem ol {"),
        QStringLiteral("\n.kiem li {"),
        QStringLiteral("\nbdi { unicode-bidi: isolate; }"),
        QStringLiteral("\nfooter {"),
        QStringLiteral("\n@media print"),
        QStringLiteral("</style>"),
        QStringLiteral("<header><h1>HỒ SƠ MỞ KIỆN HÀNG HOÀN</h1><div class=\"shop\"><bdi>Shop A</bdi> · xuất lúc "),
        QStringLiteral("<h2>Thông tin</h2><table><tr><td>Mã quét</td>"),
        QStringLiteral("</table>\n<h2>Sản phẩm trong đơn</h2>"),
        QStringLiteral("</ul>\n<h2>Khung hình trích từ video (1 mốc, kèm thời điểm trong video)</h2>"),
        QStringLiteral("</div>\n<h2>Khai báo khi mở kiện</h2>"),
        QStringLiteral("<p class=\"nhan\">Tình trạng ghi nhận</p><ul><li class=\"do\"><b>"),
        QStringLiteral("<p class=\"mo\">Toàn bộ quá trình mở kiện được quay liên tục từ khi kiện còn nguyên seal.</p>\n"
                       "<h2>Dấu vân tay của file video</h2>"),
        QStringLiteral("<p class=\"ok\">\nHai dấu vân tay TRÙNG NHAU — file video hiện tại đúng là file đã được ghi "
                       "nhận vào kho dữ liệu ngay lúc quay xong.</p>"),
        QStringLiteral("<p class=\"mo\">Dấu vân tay &ldquo;lúc quay&rdquo; được ghi vào kho dữ liệu\ntrên máy quay "
                       "ngay khi đóng file, trong một nhật ký chỉ ghi thêm và nối\nchuỗi băm giữa các dòng. Phép so "
                       "sánh ở trên chứng minh file chưa bị\nthay sau khi được ghi nhận. Nó không phải chữ ký số của "
                       "một bên thứ ba,\nnên không loại trừ được trường hợp người giữ máy sửa đồng thời cả "
                       "file\nlẫn bản ghi.</p>"),
        QStringLiteral("<p class=\"mo\">Bên nhận có thể tự kiểm chứng: mở Terminal trên máy Linux, gõ\n<code>sha256sum "
                       "video.mp4</code> (hoặc trên Windows:\n<code>certutil -hashfile video.mp4 SHA256</code>) rồi "
                       "so với dòng\n&ldquo;SHA-256 lúc quay&rdquo; ở trên. Trùng nghĩa là file nguyên vẹn.</p>\n"
                       "<h2>Chuỗi lưu giữ</h2>"),
        QStringLiteral(
            "<tr><td>Nhật ký kho dữ liệu</td><td>3 dòng · chuỗi băm liền mạch — NGUYÊN VẸN</td></tr></table>"),
        QStringLiteral("<p class=\"mo\">Dấu vân tay video được ghi vào một nhật ký CHỈ GHI THÊM ngay\nkhi đóng file; "
                       "mỗi dòng mang dấu vân tay của dòng liền trước nên sửa một\ndòng bất kỳ là gãy cả chuỗi và bị "
                       "phát hiện. &ldquo;Máy quay&rdquo; là mã\nphần cứng của chính máy đã quay, gắn video với một "
                       "thiết bị cụ thể.</p>"),
        QStringLiteral("<div class=\"kiem\"><p class=\"nhan\">Cách bên nhận tự kiểm (không cần cài gì):</p><ol>"),
        QStringLiteral("<li>So <b>ba khung hình đầu–giữa–cuối</b> với hàng thực nhận — chữ mã\n        vận đơn, ngày "
                       "giờ, serial được vẽ THẲNG vào từng khung, không phải\n        lớp phủ.</li>"),
        QStringLiteral("<li>Trên máy Linux mở Terminal gõ <code>sha256sum video.mp4</code>\n        (Windows: "
                       "<code>certutil -hashfile video.mp4 SHA256</code>) rồi so\n        với <b>SHA-256 lúc "
                       "quay</b> ở trên. Trùng = file nguyên vẹn.</li></ol></div>\n"),
        QStringLiteral("<p class=\"mo\">File <code>video.mp4</code> nằm cùng thư mục với hồ sơ này.</p>"),
        QStringLiteral("<footer>Hồ sơ do Korvane Zize sinh tự động. Chữ trên khung hình (mã vận đơn, tên shop,\n  "
                       "ngày giờ, serial) được vẽ thẳng vào từng khung hình ngay lúc quay, không phải\n  lớp phủ khi "
                       "phát lại — muốn sửa phải dựng lại toàn bộ video.</footer>"),
        QStringLiteral("</body>"),
        QStringLiteral("</html>"),
    };
    qsizetype tu = 0;
    for (const QString& manh : thuTu) {
        const qsizetype o = h.indexOf(manh, tu);
        EXPECT_GE(o, 0) << manh.toStdString();
        if (o >= 0) tu = o + manh.size();
    }
    // The style sheet's fonts keep their quotes, as written in a browser's own syntax.
    EXPECT_TRUE(h.contains(QStringLiteral("font-family: -apple-system, \"Helvetica Neue\", Arial, sans-serif;")));
    EXPECT_TRUE(h.contains(QStringLiteral("font-family: ui-monospace, \"SF Mono\", Menlo, monospace;")));
}
