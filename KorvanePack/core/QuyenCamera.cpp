#include "core/QuyenCamera.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>

TrangThaiApp::QuyenCamera QuyenCamera::doc(const QString& thuMucThietBi) {
    const QStringList ten =
        QDir(thuMucThietBi).entryList({QStringLiteral("video*")}, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    bool biChan = false;
    for (const QString& t : ten) {
        const QByteArray duong = QDir(thuMucThietBi).filePath(t).toLocal8Bit();
        const int fd = ::open(duong.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            return TrangThaiApp::QuyenCamera::duocPhep;
        }
        if (errno == EACCES || errno == EPERM) biChan = true;
    }
    // A device that vanished or is broken is no permission question: the engine reports it when opening.
    return biChan ? TrangThaiApp::QuyenCamera::biTuChoi : TrangThaiApp::QuyenCamera::duocPhep;
}
