#include "store/DoDungLuongThat.h"

#include <sys/statvfs.h>

#include <QFile>

std::optional<qint64> DoDungLuongThat::soByteTrong(const QString& duongDan) const {
    struct statvfs st;
    if (::statvfs(QFile::encodeName(duongDan).constData(), &st) != 0) return std::nullopt;
    return static_cast<qint64>(st.f_bavail) * static_cast<qint64>(st.f_frsize);
}
