#include "evidence/MoTepHeThong.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <memory>

namespace {
const QString kDichVu = QStringLiteral("org.freedesktop.FileManager1");
// xdg-open's own answer for "no method available for opening" the file.
constexpr int kKhongCoCachMo = 3;
// On a desktop without an opener of its own xdg-open runs the program itself and ends with it: a failure after
// this long is the program being closed, not the file failing to open.
constexpr qint64 kChoKetQuaMs = 5000;

bool moQuaDichVu(const QString& duongDan) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(duongDan));
}
}  // namespace

MoTepHeThong::MoTepHeThong()
    : MoTepHeThong(moQuaDichVu, QDBusConnection::sessionBus(),
                   quaLenh(QStandardPaths::findExecutable(QStringLiteral("xdg-open")))) {}

MoTepHeThong::MoTepHeThong(MoDiaChi moDiaChi, QDBusConnection bus, MoBangChuongTrinh moTep)
    : moDiaChi_(std::move(moDiaChi)), bus_(bus), moTep_(std::move(moTep)) {}

void MoTepHeThong::moTep(const QString& duongDan, KetQuaMo xong) {
    if (moTep_) {
        moTep_(duongDan, std::move(xong));
        return;
    }
    const bool moDuoc = moDiaChi_(duongDan);
    if (xong) xong(moDuoc);
}

MoTepHeThong::MoBangChuongTrinh MoTepHeThong::quaLenh(const QString& chuongTrinh) {
    return [chuongTrinh](const QString& duongDan, KetQuaMo xong) {
        if (chuongTrinh.isEmpty()) {
            const bool moDuoc = moQuaDichVu(duongDan);
            if (xong) xong(moDuoc);
            return;
        }
        // Left to run on its own: the program it starts may outlive this screen, and the answer is all we need.
        auto* tienTrinh = new QProcess;
        tienTrinh->setProgram(chuongTrinh);
        tienTrinh->setArguments({duongDan});
        tienTrinh->setStandardOutputFile(QProcess::nullDevice());
        tienTrinh->setStandardErrorFile(QProcess::nullDevice());
        auto daTraLoi = std::make_shared<bool>(false);
        auto traLoi = [daTraLoi, xong = std::move(xong)](bool moDuoc) {
            if (*daTraLoi) return;
            *daTraLoi = true;
            if (xong) xong(moDuoc);
        };
        auto tuLuc = std::make_shared<QElapsedTimer>();
        QObject::connect(tienTrinh, &QProcess::errorOccurred, tienTrinh, [tienTrinh, traLoi](QProcess::ProcessError e) {
            if (e != QProcess::FailedToStart) return;
            traLoi(false);
            tienTrinh->deleteLater();
        });
        QObject::connect(tienTrinh, &QProcess::finished, tienTrinh,
                         [tienTrinh, traLoi, tuLuc](int ma, QProcess::ExitStatus cachKetThuc) {
                             const bool hong = cachKetThuc != QProcess::NormalExit || ma != 0;
                             const bool som = tuLuc->elapsed() < kChoKetQuaMs;
                             traLoi(!(hong && (som || ma == kKhongCoCachMo)));
                             tienTrinh->deleteLater();
                         });
        tuLuc->start();
        tienTrinh->start();
    };
}

QString MoTepHeThong::thuMucChua(const QString& duongDan) {
    const QFileInfo fi(duongDan);
    if (fi.isDir()) return fi.absoluteFilePath();
    return fi.absolutePath();
}

void MoTepHeThong::hienTrongThuMuc(const QString& duongDan, KetQuaMo xong) {
    const QString thuMuc = thuMucChua(duongDan);
    if (!bus_.isConnected()) {
        moTep(thuMuc, std::move(xong));
        return;
    }
    QDBusMessage m = QDBusMessage::createMethodCall(kDichVu, QStringLiteral("/org/freedesktop/FileManager1"), kDichVu,
                                                    QStringLiteral("ShowItems"));
    m << QStringList{QUrl::fromLocalFile(QFileInfo(duongDan).absoluteFilePath()).toString()} << QString();
    // Never waited for on the GUI thread: a file manager that is slow to start must not freeze the screen. A bus
    // without the service answers with an error straight away, and the folder is opened the way a file is, which
    // answers whether anything took it.
    auto* cho = new QDBusPendingCallWatcher(bus_.asyncCall(m, 5000));
    MoDiaChi mo = moDiaChi_;
    MoBangChuongTrinh moTep = moTep_;
    QObject::connect(cho, &QDBusPendingCallWatcher::finished, cho, [cho, mo, moTep, thuMuc, xong = std::move(xong)] {
        if (!cho->isError()) {
            if (xong) xong(true);
        } else if (moTep) {
            moTep(thuMuc, xong);
        } else {
            const bool moDuoc = mo(thuMuc);
            if (xong) xong(moDuoc);
        }
        cho->deleteLater();
    });
}
