#include "evidence/HoSoBangChung.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QThreadPool>
#include <cmath>
#include <filesystem>

#include "evidence/NguonKhungHinh.h"
#include "evidence/NguonKhungHinhVideo.h"
#include "store/DinhDangISO.h"
#include "store/DinhDangNgay.h"
#include "store/DongHo.h"
#include "store/HuongChu.h"
#include "store/MucChon.h"
#include "store/TienIch.h"

namespace {

const char* const kieuTrang = R"css(:root { color-scheme: light; }
body { font-family: -apple-system, "Helvetica Neue", Arial, sans-serif; max-width: 860px; margin: 32px auto; padding: 0 20px; color: #1a1a1a; line-height: 1.55; }
header { border-bottom: 3px solid #0f7b6c; padding-bottom: 14px; margin-bottom: 22px; }
h1 { font-size: 21px; margin: 0 0 4px; color: #0f7b6c; letter-spacing: .4px; }
h2 { font-size: 15px; margin: 26px 0 8px; color: #0f7b6c; text-transform: uppercase; letter-spacing: 1px; }
.shop { font-size: 14px; color: #5b6770; }
table { border-collapse: collapse; width: 100%; }
td { border-bottom: 1px solid #e3e8ea; padding: 7px 4px; vertical-align: top; font-size: 14px; }
td:first-child { color: #5b6770; width: 34%; }
.mono, code { font-family: ui-monospace, "SF Mono", Menlo, monospace; font-size: 12.5px; word-break: break-all; }
.anh { display: flex; gap: 10px; flex-wrap: wrap; }
figure { margin: 0; flex: 1 1 240px; }
img { width: 100%; border-radius: 6px; border: 1px solid #d5dbde; display: block; }
figcaption { font-size: 12px; color: #5b6770; margin-top: 4px; text-align: center; }
ul { padding-left: 20px; }
ul.sp li { margin: 4px 0; font-size: 14px; }
.do, .xau { color: #b3261e; }
.ok { color: #0f7b6c; font-weight: 600; }
.mo { color: #5b6770; font-size: 13px; }
.nhan { font-weight: 600; margin: 12px 0 4px; }
.kiem { background: #f3f7f6; border: 1px solid #cfe0dc; border-radius: 8px; padding: 10px 16px; margin-top: 12px; }
.kiem ol { margin: 4px 0; padding-left: 20px; }
.kiem li { font-size: 13px; margin: 5px 0; }
bdi { unicode-bidi: isolate; }
footer { margin-top: 34px; border-top: 1px solid #e3e8ea; padding-top: 12px; font-size: 12px; color: #5b6770; }
@media print { body { margin: 0; } .anh { break-inside: avoid; } }
)css";

template <class T>
QString hoac(const std::optional<T>& v, const QString& thay) {
    return v ? QString(*v) : thay;
}

}  // namespace

HoSoBangChung::Loi::Loi(Loai loai, QString chiTiet) : loai_(loai), chiTiet_(std::move(chiTiet)) {
    utf8_ = moTa().toUtf8();
}

QString HoSoBangChung::Loi::moTa() const {
    switch (loai_) {
        case Loai::khongTaoDuocThuMuc:
            return QStringLiteral("Không tạo được thư mục hồ sơ: ") + chiTiet_;
        case Loai::khongCoFile:
            return QStringLiteral("File video không còn trên ổ cứng. Không xuất hồ sơ được.");
        case Loai::khongGhiDuocTrang:
            return QStringLiteral("Không ghi được trang hồ sơ: ") + chiTiet_;
    }
    return chiTiet_;
}

QString HoSoBangChung::thoatHtml(const QString& s) {
    QString r = s;
    r.replace(u'&', QStringLiteral("&amp;"));
    r.replace(u'<', QStringLiteral("&lt;"));
    r.replace(u'>', QStringLiteral("&gt;"));
    r.replace(u'"', QStringLiteral("&quot;"));
    return r;
}

QString HoSoBangChung::coLap(const QString& giaTri) {
    return QStringLiteral("<bdi>") + thoatHtml(canBangHuong(giaTri)) + QStringLiteral("</bdi>");
}

QString HoSoBangChung::dongBang(const QString& nhan, const QString& giaTri, bool mono) {
    return dongBangHtml(nhan, thoatHtml(giaTri), mono);
}

QString HoSoBangChung::dongBangNgoai(const QString& nhan, const QString& giaTri, bool mono) {
    return dongBangHtml(nhan, coLap(giaTri), mono);
}

QString HoSoBangChung::dongBangHtml(const QString& nhan, const QString& htmlGiaTri, bool mono) {
    return QStringLiteral("<tr><td>") + thoatHtml(nhan) + QStringLiteral("</td><td") +
           (mono ? QStringLiteral(" class=\"mono\"") : QString()) + u'>' + htmlGiaTri + QStringLiteral("</td></tr>");
}

QString HoSoBangChung::khungHinhHtml(int thuTu, const QByteArray& jpeg, double giay, int tong) {
    const QString thoiDiem = hienThiPhutGiay(static_cast<qint64>(std::round(giay)));
    QString tienTo;
    if (thuTu == 0)
        tienTo = QStringLiteral("Bắt đầu · ");
    else if (thuTu == tong - 1)
        tienTo = QStringLiteral("Kết thúc · ");
    else
        tienTo = QStringLiteral("Phút ");
    const QString chuThich = thoatHtml(tienTo + thoiDiem);
    return QStringLiteral("<figure><img src=\"data:image/jpeg;base64,") + QString::fromLatin1(jpeg.toBase64()) +
           QStringLiteral("\" alt=\"") + chuThich + QStringLiteral("\"><figcaption>") + chuThich +
           QStringLiteral("</figcaption></figure>");
}

QString HoSoBangChung::dongSanPham(const MatHang& mh) {
    QString r = QStringLiteral("<li><b>") + coLap(mh.title) + QStringLiteral("</b>");
    if (mh.variantTitle) r += QStringLiteral(" · ") + coLap(*mh.variantTitle);
    if (mh.sku) r += QStringLiteral(" · SKU ") + coLap(*mh.sku);
    r += QStringLiteral(" — số lượng <b>") + QString::number(mh.quantity) + QStringLiteral("</b></li>");
    return r;
}

QString HoSoBangChung::dongTinhTrang(const QString& id) {
    // An id the program does not know is shown as it was read, isolated like any other outside value.
    QString nhan = coLap(id);
    for (const MucChon& m : danhSachTinhTrang())
        if (m.id == id) {
            nhan = thoatHtml(m.ten);
            break;
        }
    if (tinhTrangCoVanDe().contains(id))
        return QStringLiteral("<li class=\"do\"><b>") + nhan + QStringLiteral("</b></li>");
    return QStringLiteral("<li>") + nhan + QStringLiteral("</li>");
}

QString HoSoBangChung::taoHtml(const BanGhiVideo& bg, const std::optional<DonHang>& don, const QString& tenShop,
                               const std::vector<KhungHinh>& khung, const QString& vanTayHienTai, bool trungVanTay,
                               bool coVideo, const std::optional<KetQuaNhatKy>& nhatKy, const QString& maMay,
                               const QString& gioTaoFile, const DongHo& dongHo) {
    const QString gach = QStringLiteral("—");
    const QString tieuDe =
        thoatHtml(bg.kind && *bg.kind == QStringLiteral("return") ? QStringLiteral("HỒ SƠ MỞ KIỆN HÀNG HOÀN")
                                                                  : QStringLiteral("HỒ SƠ ĐÓNG GÓI"));
    const QString xuatLuc = dinhDangNgayGio().dinhDang(dongHo.gioThuc());

    QString h;
    h.reserve(4096 + static_cast<qsizetype>(khung.size()) * 80000);
    h += QStringLiteral("<!doctype html>\n<html lang=\"vi\">\n<head>\n<meta charset=\"utf-8\">\n<title>") + tieuDe +
         QStringLiteral("</title>\n<style>\n") + QString::fromUtf8(kieuTrang) +
         QStringLiteral("</style>\n</head>\n<body>\n<header><h1>") + tieuDe +
         QStringLiteral("</h1><div class=\"shop\">") + coLap(tenShop) + QStringLiteral(" · xuất lúc ") +
         thoatHtml(xuatLuc) + QStringLiteral("</div></header>\n");

    // Facts of the recording; a value present but empty is shown empty, never replaced by a dash.
    QString maVanDon = gach;
    if (bg.trackingNumber)
        maVanDon = *bg.trackingNumber;
    else if (don && !don->trackings.empty())
        maVanDon = don->trackings.front().trackingNumber;
    QString donHang = coLap(gach);
    if (don && don->name)
        donHang = coLap(*don->name);
    else if (bg.orderNumber)
        donHang = u'#' + coLap(*bg.orderNumber);
    QString khach = gach;
    if (bg.customerName)
        khach = *bg.customerName;
    else if (don && don->customerName)
        khach = *don->customerName;
    QString dienThoai = gach;
    if (bg.customerPhone)
        dienThoai = *bg.customerPhone;
    else if (don && don->customerPhone)
        dienThoai = *don->customerPhone;

    h += QStringLiteral("<h2>Thông tin</h2><table>");
    h += dongBangNgoai(QStringLiteral("Mã quét"), bg.code, true);
    h += dongBangNgoai(QStringLiteral("Mã vận đơn"), maVanDon, true);
    h += dongBangHtml(QStringLiteral("Đơn hàng"), donHang, true);
    h += dongBangNgoai(QStringLiteral("Khách hàng"), khach, false);
    h += dongBangNgoai(QStringLiteral("Điện thoại"), dienThoai, true);
    h += dongBang(QStringLiteral("Bắt đầu quay"), hienThiNgay(bg.startedAt), true);
    h += dongBang(QStringLiteral("Kết thúc"), hienThiNgay(bg.endedAt), true);
    h += dongBang(QStringLiteral("Thời lượng"), hienThiPhutGiay(bg.durationSec), true);
    h += dongBangNgoai(QStringLiteral("Độ phân giải"), hoac(bg.resolution, gach), true);
    h += dongBangNgoai(QStringLiteral("Thiết bị quay"), hoac(bg.cameraLabel, gach), false);
    if (bg.serials && !bg.serials->empty()) {
        // Each serial on its own: the separators between them are the program's.
        QStringList ds;
        for (const QString& s : *bg.serials) ds += coLap(s);
        h += dongBangHtml(QStringLiteral("Serial đã ghi"), ds.join(QStringLiteral(", ")), true);
    }
    if (don && don->shippingAddress && !don->shippingAddress->isEmpty())
        h += dongBangNgoai(QStringLiteral("Địa chỉ giao"), *don->shippingAddress, false);
    h += QStringLiteral("</table>\n");

    if (don && !don->items.empty()) {
        h += QStringLiteral("<h2>Sản phẩm trong đơn</h2><ul class=\"sp\">");
        for (const MatHang& mh : don->items) h += dongSanPham(mh);
        h += QStringLiteral("</ul>");
    }
    h += u'\n';

    if (!khung.empty()) {
        const int n = static_cast<int>(khung.size());
        h += QStringLiteral("<h2>Khung hình trích từ video (") + QString::number(n) +
             QStringLiteral(" mốc, kèm thời điểm trong video)</h2><div class=\"anh\">");
        for (int i = 0; i < n; ++i) h += khungHinhHtml(i, khung[i].jpeg, khung[i].giay, n);
        h += QStringLiteral("</div>");
    }
    h += u'\n';

    if (bg.returnInfo) {
        const KhaiBaoHoan& kb = *bg.returnInfo;
        h += QStringLiteral("<h2>Khai báo khi mở kiện</h2><table>");
        h += dongBangNgoai(QStringLiteral("Khách trả vì"), tenMucChon(danhSachLyDo(), kb.reason), false);
        h += dongBangNgoai(QStringLiteral("Serial nhận về"), hoac(kb.serial, gach), true);
        h += dongBangNgoai(QStringLiteral("Hướng xử lý"), tenMucChon(danhSachXuLy(), kb.decision), false);
        h += dongBangNgoai(QStringLiteral("Ghi chú"), hoac(kb.note, gach), false);
        h += dongBang(QStringLiteral("Khai lúc"), hienThiNgay(kb.savedAt), true);
        h += QStringLiteral("</table>");
        if (!kb.conditions.empty()) {
            h += QStringLiteral("<p class=\"nhan\">Tình trạng ghi nhận</p><ul>");
            for (const QString& id : kb.conditions) h += dongTinhTrang(id);
            h += QStringLiteral("</ul>");
        }
        h += QStringLiteral(
            "<p class=\"mo\">Toàn bộ quá trình mở kiện được quay liên tục từ khi kiện còn nguyên seal.</p>");
    }
    h += u'\n';

    h += QStringLiteral("<h2>Dấu vân tay của file video</h2><table>");
    h += dongBangNgoai(QStringLiteral("SHA-256 lúc quay"), bg.sha256, true);
    h += dongBang(QStringLiteral("SHA-256 lúc xuất hồ sơ"), vanTayHienTai, true);
    h += dongBang(QStringLiteral("Dung lượng"), QString::asprintf("%.1f MB", double(bg.bytes) / 1048576.0), true);
    h += QStringLiteral("</table>");
    if (trungVanTay)
        h += QStringLiteral(
            "<p class=\"ok\">\nHai dấu vân tay TRÙNG NHAU — file video hiện tại đúng là file đã được ghi nhận vào kho "
            "dữ liệu ngay lúc quay xong.</p>");
    else
        h += QStringLiteral(
            "<p class=\"xau\">\nCẢNH BÁO: hai dấu vân tay KHÁC NHAU. File video hiện tại không còn khớp với dấu vân "
            "tay đã ghi nhận lúc quay.</p>");
    h += QStringLiteral(
        "<p class=\"mo\">Dấu vân tay &ldquo;lúc quay&rdquo; được ghi vào kho dữ liệu\ntrên máy quay ngay khi đóng "
        "file, trong một nhật ký chỉ ghi thêm và nối\nchuỗi băm giữa các dòng. Phép so sánh ở trên chứng minh file "
        "chưa bị\nthay sau khi được ghi nhận. Nó không phải chữ ký số của một bên thứ ba,\nnên không loại trừ được "
        "trường hợp người giữ máy sửa đồng thời cả file\nlẫn bản ghi.</p>");
    h += QStringLiteral(
        "<p class=\"mo\">Bên nhận có thể tự kiểm chứng: mở Terminal trên máy Linux, gõ\n<code>sha256sum "
        "video.mp4</code> (hoặc trên Windows:\n<code>certutil -hashfile video.mp4 SHA256</code>) rồi so với "
        "dòng\n&ldquo;SHA-256 lúc quay&rdquo; ở trên. Trùng nghĩa là file nguyên vẹn.</p>");
    h += u'\n';

    h += QStringLiteral("<h2>Chuỗi lưu giữ</h2><table>");
    h += dongBang(QStringLiteral("Máy quay (mã phần cứng)"), maMay.isEmpty() ? gach : maMay, true);
    h += dongBang(QStringLiteral("Giờ tạo file trên đĩa"), gioTaoFile, true);
    h += dongBang(QStringLiteral("Số byte chính xác"), QString::number(bg.bytes) + QStringLiteral(" byte"), true);
    if (nhatKy) {
        if (nhatKy->ok)
            h += dongBang(QStringLiteral("Nhật ký kho dữ liệu"),
                          QString::number(nhatKy->soDong) + QStringLiteral(" dòng · chuỗi băm liền mạch — NGUYÊN VẸN"),
                          false);
        else if (nhatKy->dongGay)
            h += QStringLiteral("<tr><td>Nhật ký kho dữ liệu</td><td class=\"xau\">Chuỗi băm GÃY ở dòng ") +
                 QString::number(*nhatKy->dongGay) + QStringLiteral(" — nhật ký đã bị sửa hoặc file hỏng.</td></tr>");
    }
    h += QStringLiteral("</table>");
    h += QStringLiteral(
        "<p class=\"mo\">Dấu vân tay video được ghi vào một nhật ký CHỈ GHI THÊM ngay\nkhi đóng file; mỗi dòng mang "
        "dấu vân tay của dòng liền trước nên sửa một\ndòng bất kỳ là gãy cả chuỗi và bị phát hiện. &ldquo;Máy "
        "quay&rdquo; là mã\nphần cứng của chính máy đã quay, gắn video với một thiết bị cụ thể.</p>");
    h += QStringLiteral(
        "<div class=\"kiem\"><p class=\"nhan\">Cách bên nhận tự kiểm (không cần cài gì):</p><ol>"
        "<li>So <b>ba khung hình đầu–giữa–cuối</b> với hàng thực nhận — chữ mã\n        vận đơn, ngày giờ, serial "
        "được vẽ THẲNG vào từng khung, không phải\n        lớp phủ.</li>"
        "<li>Trên máy Linux mở Terminal gõ <code>sha256sum video.mp4</code>\n        (Windows: <code>certutil "
        "-hashfile video.mp4 SHA256</code>) rồi so\n        với <b>SHA-256 lúc quay</b> ở trên. Trùng = file nguyên "
        "vẹn.</li></ol></div>");
    h += u'\n';

    h += coVideo ? QStringLiteral("<p class=\"mo\">File <code>video.mp4</code> nằm cùng thư mục với hồ sơ này.</p>")
                 : QStringLiteral("<p class=\"xau\">Không chép được file video vào thư mục hồ sơ.</p>");
    h += QStringLiteral(
        "\n<footer>Hồ sơ do Korvane Zize sinh tự động. Chữ trên khung hình (mã vận đơn, tên shop,\n  ngày giờ, "
        "serial) được vẽ thẳng vào từng khung hình ngay lúc quay, không phải\n  lớp phủ khi phát lại — muốn sửa "
        "phải dựng lại toàn bộ video.</footer>\n</body>\n</html>\n");
    return h;
}

std::vector<HoSoBangChung::KhungHinh> HoSoBangChung::trichKhungHinh(const QString& tepVideo, NguonKhungHinh& nguon) {
    std::vector<KhungHinh> ds;
    const std::optional<double> thoiLuong = nguon.thoiLuong(tepVideo);
    if (!thoiLuong || !std::isfinite(*thoiLuong) || *thoiLuong <= 0) return ds;
    for (double moc : cacMoc) {
        // Times go through a 1/600 s grid, the resolution the frame request is made at.
        const double yeuCau = std::round(*thoiLuong * moc * 600.0) / 600.0;
        const std::optional<NguonKhungHinh::Khung> k = nguon.khungLuc(tepVideo, yeuCau, 0.4, QSize(720, 720));
        if (!k || k->anh.isNull()) continue;
        QByteArray jpeg;
        QBuffer buf(&jpeg);
        if (!buf.open(QIODevice::WriteOnly) || !k->anh.save(&buf, "JPEG", 72) || jpeg.isEmpty()) continue;
        ds.push_back({jpeg, k->giay});
    }
    return ds;
}

QString HoSoBangChung::tenThuMuc(const BanGhiVideo& bg, const DongHo& dongHo) {
    std::optional<QDateTime> luc;
    if (!bg.startedAt.isEmpty()) luc = docThoiGianISO(bg.startedAt);
    const QString gio = luc ? dinhDangTenTep().dinhDang(*luc) : dinhDangTenTep().dinhDang(dongHo.gioThuc());
    return tenTepAnToan(bg.code, QStringLiteral("KHONG-MA")) + QStringLiteral("__") + gio;
}

namespace {

// Streams the source into a temporary file beside the target and renames it into place only once every
// byte is on disk, so a failed re-export leaves the earlier good copy untouched.
bool chepAnToan(const QString& nguon, const QString& dich) {
    QFile vao(nguon);
    if (!vao.open(QIODevice::ReadOnly)) return false;
    QSaveFile ra(dich);
    if (!ra.open(QIODevice::WriteOnly)) return false;
    QByteArray khoi(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = vao.read(khoi.data(), khoi.size());
        if (n < 0) {
            ra.cancelWriting();
            break;
        }
        if (n == 0) break;
        if (ra.write(khoi.constData(), n) != n) {
            ra.cancelWriting();
            break;
        }
    }
    return ra.commit();
}

}  // namespace

HoSoBangChung::KetQua HoSoBangChung::xuat(const BanGhiVideo& bg, const std::optional<DonHang>& don,
                                          const QString& tenShop, const QString& thuMucGoc, bool chepVideo,
                                          const std::optional<KetQuaNhatKy>& nhatKy, const QString& maMay,
                                          NguonKhungHinh& nguon, const DongHo& dongHo) {
    const QString tep = bg.filePath;
    if (tep.isEmpty() || !QFileInfo(tep).isFile()) throw Loi(Loi::Loai::khongCoFile);

    const QString thuMuc = QDir(thuMucGoc).filePath(QStringLiteral("HoSo/") + tenThuMuc(bg, dongHo));
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(thuMuc).toStdString()), ec);
    if (ec || !QFileInfo(thuMuc).isDir())
        throw Loi(Loi::Loai::khongTaoDuocThuMuc,
                  thuMuc + QStringLiteral(": ") +
                      (ec ? QString::fromLocal8Bit(ec.message().c_str()) : QStringLiteral("không phải thư mục")));

    const std::vector<KhungHinh> khung = trichKhungHinh(tep, nguon);

    const auto vanTay = sha256CuaTep(tep);
    const QString vanTayText = vanTay ? vanTay->sha256 : QStringLiteral("không đọc được");
    const bool trung = vanTay && vanTay->sha256 == bg.sha256;

    const bool coVideo = chepVideo && chepAnToan(tep, QDir(thuMuc).filePath(QStringLiteral("video.mp4")));

    QString gioTao = QStringLiteral("—");
    const QDateTime sinh = QFileInfo(tep).birthTime();
    if (sinh.isValid()) gioTao = hienThiNgay(dinhDangISO().dinhDang(sinh));

    const QString html = taoHtml(bg, don, tenShop, khung, vanTayText, trung, coVideo, nhatKy, maMay, gioTao, dongHo);
    QSaveFile trang(QDir(thuMuc).filePath(QStringLiteral("ho-so.html")));
    const QByteArray utf8 = html.toUtf8();
    if (!trang.open(QIODevice::WriteOnly) || trang.write(utf8) != utf8.size() || !trang.commit())
        throw Loi(Loi::Loai::khongGhiDuocTrang, trang.errorString());

    return {thuMuc, coVideo, static_cast<int>(khung.size())};
}

void HoSoBangChung::xuatNen(BanGhiVideo bg, std::optional<DonHang> don, QString tenShop, QString thuMucGoc,
                            bool chepVideo, std::optional<NhatKy::AnhKiemTra> nhatKy, QString maMay,
                            QObject* nguoiNhan, KhiXong khiXong) {
    QPointer<QObject> nhan(nguoiNhan);
    QThreadPool::globalInstance()->start([=, khiXong = std::move(khiXong)]() mutable {
        std::optional<KetQua> kq;
        QString loi;
        try {
            std::optional<KetQuaNhatKy> ketQuaNhatKy;
            if (nhatKy) ketQuaNhatKy = NhatKy::kiemTra(*nhatKy);
            NguonKhungHinhVideo nguon;
            kq = xuat(bg, don, tenShop, thuMucGoc, chepVideo, ketQuaNhatKy, maMay, nguon, DongHo::heThong());
        } catch (const Loi& e) {
            loi = e.moTa();
        } catch (const std::exception& e) {
            loi = QString::fromUtf8(e.what());
        }
        // The receiver lives on the GUI thread; it is only looked at there, where it could be deleted.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [nhan, kq, loi, khiXong = std::move(khiXong)] {
                if (nhan) khiXong(kq, loi);
            },
            Qt::QueuedConnection);
    });
}
