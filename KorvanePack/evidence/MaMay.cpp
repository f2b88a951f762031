#include "evidence/MaMay.h"

#include <QCryptographicHash>
#include <QFile>
#include <QUuid>

QStringList MaMay::nguonMacDinh() {
    return {QStringLiteral("/sys/class/dmi/id/product_uuid"), QStringLiteral("/etc/machine-id")};
}

QString MaMay::bamMaMay(const QString& vanBan) {
    const QString hex =
        QString::fromLatin1(QCryptographicHash::hash(vanBan.toUtf8(), QCryptographicHash::Sha256).toHex()).toUpper();
    return hex.mid(0, 4) + u'-' + hex.mid(4, 4) + u'-' + hex.mid(8, 4);
}

namespace {

// Firmware that never set a UUID reports all zeros or all ones; every such board would share one code.
bool laMaGiuCho(const QString& ma) {
    QString chu = ma;
    chu.remove(u'-');
    if (chu.isEmpty()) return true;
    const QChar dau = chu.at(0).toLower();
    if (dau != u'0' && dau != u'f') return false;
    for (QChar c : chu)
        if (c.toLower() != dau) return false;
    return true;
}

}  // namespace

std::optional<QString> MaMay::docMaPhanCung(const QStringList& duongDan) {
    for (const QString& p : duongDan) {
        QFile f(p);
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QString ma = QString::fromUtf8(f.read(4096)).trimmed();
        if (ma.isEmpty() || laMaGiuCho(ma)) continue;
        return ma;
    }
    return std::nullopt;
}

QString MaMay::maMayNay(const QStringList& duongDan, QSettings& ud) {
    if (auto ma = docMaPhanCung(duongDan)) return bamMaMay(*ma);
    QString duPhong = ud.value(khoaDuPhong).toString();
    if (duPhong.isEmpty()) {
        duPhong = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        ud.setValue(khoaDuPhong, duPhong);
        ud.sync();
    }
    return bamMaMay(duPhong);
}

QString MaMay::maMayNay(QSettings& ud) {
    return maMayNay(nguonMacDinh(), ud);
}
