#include "admin/TuKhoiDongXdg.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

#include "store/LoiTep.h"
#include "store/TepDongJson.h"

TuKhoiDongXdg::TuKhoiDongXdg() : TuKhoiDongXdg(thuMucMacDinh(), QCoreApplication::applicationFilePath()) {}

TuKhoiDongXdg::TuKhoiDongXdg(QString thuMuc, QString duongDanChuongTrinh)
    : thuMuc_(std::move(thuMuc)), chuongTrinh_(std::move(duongDanChuongTrinh)) {}

QString TuKhoiDongXdg::thuMucMacDinh() {
    QString cauHinh = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative value is ignored by every XDG desktop, so it is here too.
    if (cauHinh.isEmpty() || QDir::isRelativePath(cauHinh)) cauHinh = QDir::homePath() + QStringLiteral("/.config");
    return cauHinh + QStringLiteral("/autostart");
}

QString TuKhoiDongXdg::duongDanTep() const {
    return thuMuc_ + QLatin1Char('/') + kTenTep;
}

QString TuKhoiDongXdg::tronTrongExec(const QString& doiSo) {
    QString trongNhay;
    for (QChar c : doiSo) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            trongNhay += QLatin1Char('\\');
        trongNhay += c;
    }
    // Two layers: the Exec quoting above, then the string escapes of every value in the file, where a backslash
    // is written twice; a literal percent sign is the field code "%%".
    QString giaTri;
    for (QChar c : trongNhay) {
        if (c == QLatin1Char('\\')) {
            giaTri += QStringLiteral("\\\\");
        } else if (c == QLatin1Char('%')) {
            giaTri += QStringLiteral("%%");
        } else {
            giaTri += c;
        }
    }
    return QLatin1Char('"') + giaTri + QLatin1Char('"');
}

QByteArray TuKhoiDongXdg::noiDungTep(const QString& duongDanChuongTrinh) {
    const QString tuyetDoi = QFileInfo(duongDanChuongTrinh).absoluteFilePath();
    QString t;
    t += QStringLiteral("[Desktop Entry]\n");
    t += QStringLiteral("Type=Application\n");
    t += QStringLiteral("Name=Korvane Zize\n");
    t += QStringLiteral("Comment=Quay video đóng gói đơn hàng\n");
    t += QStringLiteral("Exec=") + tronTrongExec(tuyetDoi) + QLatin1Char('\n');
    t += QStringLiteral("Terminal=false\n");
    t += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return t.toUtf8();
}

std::optional<QString> TuKhoiDongXdg::dangKy() const {
    try {
        TepDongJson::taoThuMuc(thuMuc_);
        if (!TepDongJson::ghiNguyenTu(duongDanTep(), noiDungTep(chuongTrinh_)))
            return QStringLiteral("không ghi được tệp ") + duongDanTep();
    } catch (const LoiTep& e) {
        return e.moTa();
    }
    return std::nullopt;
}

std::optional<QString> TuKhoiDongXdg::boDangKy() const {
    const QByteArray duong = QFile::encodeName(duongDanTep());
    // A folder that is missing, or whose parent is a file, holds no entry to remove.
    if (::unlink(duong.constData()) != 0 && errno != ENOENT && errno != ENOTDIR) {
        const int e = errno;
        return QStringLiteral("không xoá được tệp ") + duongDanTep() + QStringLiteral(" (") +
               QString::fromLocal8Bit(std::strerror(e)) + QLatin1Char(')');
    }
    return std::nullopt;
}

bool TuKhoiDongXdg::daBat() const {
    QFile tep(duongDanTep());
    if (!tep.open(QIODevice::ReadOnly)) return false;
    bool trongNhom = false;
    bool coNhom = false;
    while (!tep.atEnd()) {
        const QByteArray dong = tep.readLine().trimmed();
        if (dong.startsWith('[')) {
            trongNhom = dong == "[Desktop Entry]";
            coNhom = coNhom || trongNhom;
            continue;
        }
        if (!trongNhom) continue;
        const qsizetype bang = dong.indexOf('=');
        if (bang < 0) continue;
        const QByteArray khoa = dong.left(bang).trimmed();
        const QByteArray giaTri = dong.mid(bang + 1).trimmed();
        if (khoa == "Hidden" && giaTri == "true") return false;
        if (khoa == "X-GNOME-Autostart-enabled" && giaTri == "false") return false;
    }
    return coNhom;
}
