#include "store/KhoaThuMuc.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "store/TienIch.h"

KhoaThuMuc::~KhoaThuMuc() {
    tha();
}

std::optional<QString> KhoaThuMuc::giu(const QString& thuMucData) {
    if (fd_ >= 0) return std::nullopt;
    if (!QDir().mkpath(thuMucData)) return QStringLiteral("Không tạo được thư mục dữ liệu ") + thuMucData + u'.';
    const QString duongDan = thuMucData + u'/' + tenTepKhoa();
    const int fd = ::open(QFile::encodeName(duongDan).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return moTaLoiHeThong(QStringLiteral("Không mở được tệp khoá ") + duongDan, errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        if (e == EWOULDBLOCK)
            return QStringLiteral(
                       "Thư mục dữ liệu đang được một phiên Korvane Zize khác sử dụng (%1). Hãy đóng phiên đó rồi "
                       "mở lại ứng dụng.")
                .arg(QDir(thuMucData).absolutePath());
        return moTaLoiHeThong(QStringLiteral("Không khoá được thư mục dữ liệu ") + thuMucData, e);
    }
    fd_ = fd;
    return std::nullopt;
}

void KhoaThuMuc::tha() {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}
