#include "evidence/MoTepHeThong.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {
const QString kDichVu = QStringLiteral("org.freedesktop.FileManager1");
}

MoTepHeThong::MoTepHeThong()
    : MoTepHeThong([](const QString& p) { return QDesktopServices::openUrl(QUrl::fromLocalFile(p)); }) {}

MoTepHeThong::MoTepHeThong(MoDiaChi moDiaChi, QDBusConnection bus) : moDiaChi_(std::move(moDiaChi)), bus_(bus) {}

void MoTepHeThong::moTep(const QString& duongDan) {
    moDiaChi_(duongDan);
}

QString MoTepHeThong::thuMucChua(const QString& duongDan) {
    const QFileInfo fi(duongDan);
    if (fi.isDir()) return fi.absoluteFilePath();
    return fi.absolutePath();
}

void MoTepHeThong::hienTrongThuMuc(const QString& duongDan) {
    const QString thuMuc = thuMucChua(duongDan);
    if (!bus_.isConnected()) {
        moDiaChi_(thuMuc);
        return;
    }
    QDBusMessage m = QDBusMessage::createMethodCall(kDichVu, QStringLiteral("/org/freedesktop/FileManager1"), kDichVu,
                                                    QStringLiteral("ShowItems"));
    m << QStringList{QUrl::fromLocalFile(QFileInfo(duongDan).absoluteFilePath()).toString()} << QString();
    // Never waited for on the GUI thread: a file manager that is slow to start must not freeze the screen. A bus
    // without the service answers with an error straight away, and the folder is opened then.
    auto* cho = new QDBusPendingCallWatcher(bus_.asyncCall(m, 5000));
    MoDiaChi mo = moDiaChi_;
    QObject::connect(cho, &QDBusPendingCallWatcher::finished, cho, [cho, mo, thuMuc] {
        if (cho->isError()) mo(thuMuc);
        cho->deleteLater();
    });
}
