#include "core/NhanVideoDoDang.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QUuid>
#include <cmath>
#include <exception>

#include "core/BoDieuPhoi.h"
#include "core/DocVideo.h"
#include "core/KiemTraVideo.h"
#include "store/BanGhiVideo.h"
#include "store/DinhDangISO.h"
#include "store/DinhDangNgay.h"
#include "store/DonHang.h"
#include "store/KhoDuLieu.h"
#include "store/NhatKy.h"
#include "store/TienIch.h"

namespace {

struct NhatKyDoc {
    QList<NhanVideoDoDang::DoDang> doDang;
    // File names a "rec_hong" line has already judged.
    QSet<QString> tepDaHong;
};

NhatKyDoc docNhatKy(const NhatKy& nhatKy) {
    NhatKyDoc kq;
    std::optional<NhanVideoDoDang::DoDang> dangMo;
    const auto dongLai = [&] {
        if (dangMo) kq.doDang.append(*dangMo);
        dangMo.reset();
    };
    nhatKy.docSuKien({"app_start", "rec_start", "rec_finish", "rec_hong"}, [&](const NhatKy::SuKienDoc& sk) {
        const QString suKien = sk.ten();
        if (suKien == QStringLiteral("app_start")) {
            dongLai();
            return;
        }
        if (!sk.coChiTiet()) return;
        const QString ma = sk.chiTiet("code");
        if (suKien == QStringLiteral("rec_start")) {
            const auto luc = sk.luc();
            const QString kind = sk.chiTiet("kind");
            dongLai();
            if (!luc || !loaiVideoTuGiaTri(kind)) return;
            dangMo = NhanVideoDoDang::DoDang{ma, sk.chiTiet("orderId"), kind, luc->toUTC()};
            return;
        }
        // A "rec_finish" or a "rec_hong": its recording is closed.
        if (suKien == QStringLiteral("rec_hong")) {
            const QString tepHong = QFileInfo(sk.chiTiet("file")).fileName();
            if (!tepHong.isEmpty()) kq.tepDaHong.insert(tepHong);
        }
        if (dangMo && dangMo->ma == ma) {
            dangMo.reset();
            return;
        }
        // Written by this step at an earlier start, which works through them oldest first.
        for (qsizetype i = 0; i < kq.doDang.size(); ++i) {
            if (kq.doDang[i].ma == ma) {
                kq.doDang.removeAt(i);
                break;
            }
        }
    });
    dongLai();
    return kq;
}

// The file a recording wrote, named when it started: videos/yyyy/MM/dd/[HOAN__]code__yyyy-MM-dd_HH-mm-ss[-n].mp4.
std::optional<QString> timTep(const KhoDuLieu& kho, const NhanVideoDoDang::DoDang& dd, const QSet<QString>& boQua) {
    const bool laHoan = dd.kind == QStringLiteral("return");
    const QString tienTo =
        (laHoan ? QStringLiteral("HOAN__") : QString()) + tenTepAnToan(dd.ma, QStringLiteral("KHONG-MA")) + "__";
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
            const QString ten = fi.fileName();  // the view below must not outlive it
            QStringView duoi = QStringView(ten).mid(tienTo.size());
            duoi.chop(4);                      // ".mp4"
            constexpr qsizetype kDaiGio = 19;  // yyyy-MM-dd_HH-mm-ss
            if (duoi.size() < kDaiGio) continue;
            const QDateTime gio =
                QDateTime::fromString(duoi.left(kDaiGio).toString(), QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
            int so = 1;
            if (duoi.size() > kDaiGio) {
                bool ok = false;
                if (duoi[kDaiGio] != u'-') continue;
                so = duoi.mid(kDaiGio + 1).toInt(&ok);
                if (!ok || so < 2) continue;
            }
            if (!gio.isValid()) continue;
            // Both times are whole seconds and the name is taken just before the journal line; one second
            // of slack covers a clock set back between the two.
            const qint64 lech = gio.msecsTo(dd.batDau);
            if (lech < -1000 || lech > NhanVideoDoDang::kLechToiDaMs) continue;
            const std::pair<qint64, int> diem{gio.toMSecsSinceEpoch(), so};
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
    if (nk.doDang.isEmpty()) return kq;
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
    for (qsizetype i = 0; i < nk.doDang.size(); ++i) {
        const DoDang& dd = nk.doDang[i];
        const auto& duongDan = tep[i];
        if (!duongDan) continue;

        if (const auto loi = KiemTraVideo::kiemTra(*duongDan)) {
            kho.nhatKy().ghi(
                QStringLiteral("rec_hong"),
                {{QStringLiteral("code"), dd.ma}, {QStringLiteral("vi"), *loi}, {QStringLiteral("file"), *duongDan}});
            ++kq.soHong;
            continue;
        }
        const DocVideo video(*duongDan);
        const std::optional<VanTayTep> vanTay = sha256CuaTep(*duongDan);
        if (!video.moDuoc() || !vanTay || vanTay->bytes < 1) {
            ++kq.soLoi;
            continue;
        }

        BanGhiVideo bg;
        bg.id = QStringLiteral("r_%1_%2")
                    .arg(QDateTime::currentMSecsSinceEpoch())
                    .arg(QUuid::createUuid().toString(QUuid::WithoutBraces).left(6).toUpper());
        bg.kind = dd.kind;
        bg.code = dd.ma;
        if (!dd.orderId.isEmpty()) {
            bg.orderId = dd.orderId;
            const auto it = kho.donTheoId().constFind(dd.orderId);
            if (it != kho.donTheoId().constEnd()) {
                const DonHang& don = it.value();
                bg.orderNumber = don.orderNumber;
                if (!don.trackings.empty()) bg.trackingNumber = don.trackings.front().trackingNumber;
                bg.customerName = don.customerName;
                bg.customerPhone = don.customerPhone;
            }
        }
        bg.serials = QStringList();
        bg.filePath = *duongDan;
        bg.fileName = QFileInfo(*duongDan).fileName();
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
            qWarning("Không ghi được bản ghi cho video quay dở %s: %s", qPrintable(*duongDan), qPrintable(moTaLoi(e)));
            ++kq.soLoi;
            continue;
        }
        BoDieuPhoi::congBoDaLuu(kho, bg, khiLuuXong);
        ++kq.soGiu;
    }
    return kq;
}

std::optional<QString> NhanVideoDoDang::thongBao(const KetQua& kq) {
    QStringList cau;
    if (kq.soGiu > 0)
        cau << QStringLiteral("Đã giữ lại %1 video quay dở lúc phần mềm bị dừng ngang — tra theo mã như video thường.")
                   .arg(kq.soGiu);
    if (kq.soHong > 0)
        cau << QStringLiteral("%1 video quay dở không mở được, file vẫn để nguyên trong thư mục videos.")
                   .arg(kq.soHong);
    if (kq.soLoi > 0)
        cau << QStringLiteral("%1 video quay dở chưa ghi được bản ghi, sẽ thử lại ở lần mở sau.").arg(kq.soLoi);
    if (cau.isEmpty()) return std::nullopt;
    return cau.join(u' ');
}
