#include "core/NhanVideoDoDang.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <cmath>
#include <exception>

#include "core/BoDieuPhoi.h"
#include "core/DocVideo.h"
#include "core/KiemTraVideo.h"
#include "store/BanGhiVideo.h"
#include "store/DinhDangISO.h"
#include "store/DinhDangNgay.h"
#include "store/DonHang.h"
#include "store/DongHo.h"
#include "store/KhoDuLieu.h"
#include "store/NhatKy.h"
#include "store/TienIch.h"

namespace {

struct NhatKyDoc {
    QList<NhanVideoDoDang::DoDang> doDang;
    // File names a "rec_hong" line has already judged.
    QSet<QString> tepDaHong;
    // Every "rec_start" with a usable time, by the safe code its file is named with: a file that one of them
    // could have named is explained by the journal, paired or not.
    QHash<QString, QList<QDateTime>> batDauTheoTen;
};

QString tenAnToan(const QString& ma) {
    return tenTepAnToan(ma, QStringLiteral("KHONG-MA"));
}

// Whether a file named at `gioTen` may belong to a recording journalled at `gioDong`: both are whole seconds
// and the name is taken just before the line; one second of slack covers a clock set back between the two.
bool cungLanQuay(const QDateTime& gioTen, const QDateTime& gioDong) {
    const qint64 lech = gioTen.msecsTo(gioDong);
    return lech >= -1000 && lech <= NhanVideoDoDang::kLechToiDaMs;
}

// The parts of a name this program gives a recording's file: [HOAN__]code__yyyy-MM-dd_HH-mm-ss[-n].mp4.
struct TenTep {
    bool laHoan = false;
    QString ma;
    QDateTime gio;  // local
    int so = 1;
};

std::optional<TenTep> docTenTep(const QString& ten) {
    if (!ten.endsWith(QStringLiteral(".mp4"))) return std::nullopt;
    QStringView con = QStringView(ten).chopped(4);
    TenTep kq;
    if (con.startsWith(u"HOAN__")) {
        kq.laHoan = true;
        con = con.mid(6);
    }
    const qsizetype tach = con.lastIndexOf(u"__");
    if (tach <= 0) return std::nullopt;
    kq.ma = con.left(tach).toString();
    QStringView duoi = con.mid(tach + 2);
    constexpr qsizetype kDaiGio = 19;  // yyyy-MM-dd_HH-mm-ss
    if (duoi.size() < kDaiGio) return std::nullopt;
    kq.gio = QDateTime::fromString(duoi.left(kDaiGio).toString(), QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    if (!kq.gio.isValid()) return std::nullopt;
    if (duoi.size() > kDaiGio) {
        bool ok = false;
        if (duoi[kDaiGio] != u'-') return std::nullopt;
        kq.so = duoi.mid(kDaiGio + 1).toInt(&ok);
        if (!ok || kq.so < 2) return std::nullopt;
    }
    return kq;
}

NhatKyDoc docNhatKy(const NhatKy& nhatKy) {
    NhatKyDoc kq;
    std::optional<NhanVideoDoDang::DoDang> dangMo;
    // Where this run's recordings begin in the list: those before were left by earlier runs.
    qsizetype dauLanChay = 0;
    const auto dongLai = [&] {
        if (dangMo) kq.doDang.append(*dangMo);
        dangMo.reset();
    };
    nhatKy.docSuKien({"app_start", "rec_start", "rec_finish", "rec_hong"}, [&](const NhatKy::SuKienDoc& sk) {
        const QString suKien = sk.ten();
        if (suKien == QStringLiteral("app_start")) {
            dongLai();
            dauLanChay = kq.doDang.size();
            return;
        }
        if (!sk.coChiTiet()) return;
        const QString ma = sk.chiTiet("code");
        if (suKien == QStringLiteral("rec_start")) {
            const auto luc = sk.luc();
            const QString kind = sk.chiTiet("kind");
            dongLai();
            if (luc) kq.batDauTheoTen[tenAnToan(ma)].append(luc->toUTC());
            if (!luc || !loaiVideoTuGiaTri(kind)) return;
            dangMo = NhanVideoDoDang::DoDang{ma, sk.chiTiet("orderId"), kind, luc->toUTC()};
            return;
        }
        // A "rec_finish" or a "rec_hong": its recording is closed.
        if (suKien == QStringLiteral("rec_hong")) {
            const QString tepHong = QFileInfo(sk.chiTiet("file")).fileName();
            if (!tepHong.isEmpty()) kq.tepDaHong.insert(tepHong);
        }
        const auto boDauTien = [&](qsizetype tu) {
            for (qsizetype i = tu; i < kq.doDang.size(); ++i) {
                if (kq.doDang[i].ma == ma) {
                    kq.doDang.removeAt(i);
                    return true;
                }
            }
            return false;
        };
        // A recording is finished behind the next one's start, and stops are closed in the order they stopped:
        // the earliest of this run still unclosed is the one this line closes, before a later one of its code.
        if (boDauTien(dauLanChay)) return;
        if (dangMo && dangMo->ma == ma) {
            dangMo.reset();
            return;
        }
        // Written by this step at an earlier start, which works through them oldest first.
        boDauTien(0);
    });
    dongLai();
    return kq;
}

// The file a recording wrote, named when it started: videos/yyyy/MM/dd/[HOAN__]code__yyyy-MM-dd_HH-mm-ss[-n].mp4.
std::optional<QString> timTep(const KhoDuLieu& kho, const NhanVideoDoDang::DoDang& dd, const QSet<QString>& boQua) {
    const bool laHoan = dd.kind == QStringLiteral("return");
    const QString tienTo =
        (laHoan ? QStringLiteral("HOAN__") : QString()) + tenAnToan(dd.ma) + "__";
    const QDateTime cuoi = dd.batDau.toLocalTime();
    QStringList thuMuc{kho.thuMucVideo() + u'/' + dinhDangThuMucNgay().dinhDang(cuoi)};
    const QString thuMucTruoc =
        kho.thuMucVideo() + u'/' + dinhDangThuMucNgay().dinhDang(cuoi.addMSecs(-NhanVideoDoDang::kLechToiDaMs));
    if (thuMucTruoc != thuMuc.front()) thuMuc << thuMucTruoc;

    std::optional<QString> tot;
    std::pair<qint64, int> diemTot{-1, -1};
    for (const QString& tm : thuMuc) {
        // Matched here rather than by a name filter: a code may hold wildcard characters, and filters ignore case.
        const QFileInfoList ds = QDir(tm).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
        for (const QFileInfo& fi : ds) {
            if (!fi.fileName().startsWith(tienTo) || !fi.fileName().endsWith(QStringLiteral(".mp4"))) continue;
            if (fi.isSymLink() || !fi.isFile() || boQua.contains(fi.fileName())) continue;
            const auto ten = docTenTep(fi.fileName());
            if (!ten || ten->laHoan != laHoan || ten->ma != tenAnToan(dd.ma)) continue;
            if (!cungLanQuay(ten->gio, dd.batDau)) continue;
            const std::pair<qint64, int> diem{ten->gio.toMSecsSinceEpoch(), ten->so};
            if (diem > diemTot) {
                diemTot = diem;
                tot = fi.filePath();
            }
        }
    }
    return tot;
}

}  // namespace

QList<NhanVideoDoDang::DoDang> NhanVideoDoDang::timTrongNhatKy(const NhatKy& nhatKy) {
    return docNhatKy(nhatKy).doDang;
}

NhanVideoDoDang::KetQua NhanVideoDoDang::chay(KhoDuLieu& kho, const QString& tenShop,
                                              const std::function<void(const BanGhiVideo&)>& khiLuuXong) {
    KetQua kq;
    const NhatKyDoc nk = docNhatKy(kho.nhatKy());
    QSet<QString> daCo = nk.tepDaHong;
    for (const BanGhiVideo& v : kho.videoTheoId()) {
        daCo.insert(v.fileName);
        daCo.insert(QFileInfo(v.filePath).fileName());
    }
    // Paired newest first: each recording's file was named just before its journal line, so the newest file
    // at or before a line is that recording's once the later recordings have taken theirs.
    QList<std::optional<QString>> tep(nk.doDang.size());
    for (qsizetype i = nk.doDang.size() - 1; i >= 0; --i) {
        tep[i] = timTep(kho, nk.doDang[i], daCo);
        if (tep[i]) daCo.insert(QFileInfo(*tep[i]).fileName());
    }
    // Judges one file and writes what a clean stop would have: its record, or "rec_hong" when it does not play.
    const auto nhan = [&](const DoDang& dd, const QString& duongDan, int& soGiu) {
        if (const auto loi = KiemTraVideo::kiemTra(duongDan)) {
            kho.nhatKy().ghi(
                QStringLiteral("rec_hong"),
                {{QStringLiteral("code"), dd.ma}, {QStringLiteral("vi"), *loi}, {QStringLiteral("file"), duongDan}});
            ++kq.soHong;
            return;
        }
        const DocVideo video(duongDan);
        const std::optional<VanTayTep> vanTay = sha256CuaTep(duongDan);
        if (!video.moDuoc() || !vanTay || vanTay->bytes < 1) {
            ++kq.soLoi;
            return;
        }

        BanGhiVideo bg;
        bg.id = BanGhiVideo::taoId(DongHo::heThong());
        bg.kind = dd.kind;
        bg.code = dd.ma;
        if (!dd.orderId.isEmpty()) {
            bg.orderId = dd.orderId;
            const auto it = kho.donTheoId().constFind(dd.orderId);
            if (it != kho.donTheoId().constEnd()) bg.ganDon(it.value());
        }
        bg.serials = QStringList();
        bg.filePath = duongDan;
        bg.fileName = QFileInfo(duongDan).fileName();
        bg.bytes = vanTay->bytes;
        bg.sha256 = vanTay->sha256;
        const double giay = video.thoiLuong();
        bg.startedAt = dinhDangISO().dinhDang(dd.batDau);
        bg.endedAt = dinhDangISO().dinhDang(dd.batDau.addMSecs(qint64(std::llround(giay * 1000))));
        bg.durationSec = std::max<qint64>(0, std::llround(giay));
        bg.resolution = video.rong() > 0 && video.cao() > 0 ? QStringLiteral("%1x%2").arg(video.rong()).arg(video.cao())
                                                            : QString();
        bg.cameraLabel = QString();
        bg.shopName = tenShop;
        bg.keepForever = false;
        bg.deleted = false;
        bg.invalid = false;
        try {
            kho.ghiBanGhiVideo(bg);
        } catch (const std::exception& e) {
            qWarning("Không ghi được bản ghi cho video quay dở %s: %s", qPrintable(duongDan), qPrintable(moTaLoi(e)));
            ++kq.soLoi;
            return;
        }
        BoDieuPhoi::congBoDaLuu(kho, bg, khiLuuXong);
        ++soGiu;
    };
    for (qsizetype i = 0; i < nk.doDang.size(); ++i)
        if (tep[i]) nhan(nk.doDang[i], *tep[i], kq.soGiu);

    // A file whose "rec_start" never reached the disk (its sync failed, or the power went during it): named by
    // this program, in its day's folder, and explained by no record and no journal line. Its code and its time
    // are taken from its name.
    QDirIterator it(kho.thuMucVideo(), {QStringLiteral("*.mp4")}, QDir::Files | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir goc(kho.thuMucVideo());
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        if (fi.isSymLink() || !fi.isFile() || daCo.contains(fi.fileName())) continue;
        const auto ten = docTenTep(fi.fileName());
        if (!ten) continue;
        if (goc.relativeFilePath(fi.path()) != dinhDangThuMucNgay().dinhDang(ten->gio)) continue;
        const QDateTime batDau = ten->gio.toUTC();
        bool coDong = false;
        for (const QDateTime& luc : nk.batDauTheoTen.value(ten->ma))
            if (cungLanQuay(batDau, luc)) coDong = true;
        if (coDong) continue;
        const std::optional<DonHang> don = kho.donTheoMa(ten->ma);
        const DoDang dd{ten->ma, don ? don->id : QString(),
                        ten->laHoan ? QStringLiteral("return") : QStringLiteral("pack"), batDau};
        nhan(dd, fi.filePath(), kq.soKhongDong);
    }
    return kq;
}

std::optional<QString> NhanVideoDoDang::thongBao(const KetQua& kq) {
    QStringList cau;
    if (kq.soGiu > 0)
        cau << QStringLiteral("Đã giữ lại %1 video quay dở lúc phần mềm bị dừng ngang — tra theo mã như video thường.")
                   .arg(kq.soGiu);
    if (kq.soKhongDong > 0)
        cau << QStringLiteral("Đã giữ lại %1 video tìm thấy trong thư mục videos mà nhật ký không có dòng bắt đầu "
                              "quay — mã và giờ lấy theo tên file, tra theo mã như video thường.")
                   .arg(kq.soKhongDong);
    if (kq.soHong > 0)
        cau << QStringLiteral("%1 video quay dở không mở được, file vẫn để nguyên trong thư mục videos.")
                   .arg(kq.soHong);
    if (kq.soLoi > 0)
        cau << QStringLiteral("%1 video quay dở chưa ghi được bản ghi, sẽ thử lại ở lần mở sau.").arg(kq.soLoi);
    if (cau.isEmpty()) return std::nullopt;
    return cau.join(u' ');
}
