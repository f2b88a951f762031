#include "core/QuanSat.h"

#include "core/BoChuyenTin.h"

#include <QMetaMethod>
#include <QMetaProperty>
#include <QStringList>

namespace {
QMetaMethod khePhat() {
    const QMetaObject& mo = BoChuyenTin::staticMetaObject;
    return mo.method(mo.indexOfSlot("phat()"));
}
}  // namespace

QVariant QuanSat::doc(const QObject* nguon, const char* truong) {
    return nguon ? nguon->property(truong) : QVariant();
}

bool QuanSat::docBool(const QObject* nguon, const char* truong) {
    const QVariant v = doc(nguon, truong);
    return v.metaType() == QMetaType::fromType<bool>() ? v.toBool() : v.toInt() != 0;
}

qint64 QuanSat::docSo(const QObject* nguon, const char* truong) { return doc(nguon, truong).toLongLong(); }

QString QuanSat::docChu(const QObject* nguon, const char* truong) { return doc(nguon, truong).toString(); }

QStringList QuanSat::docDanhSach(const QObject* nguon, const char* truong) {
    return doc(nguon, truong).toStringList();
}

std::optional<QString> QuanSat::docChuTuyChon(const QObject* nguon, const char* truong) {
    const QVariant v = doc(nguon, truong);
    if (!v.isValid() || v.isNull()) return std::nullopt;
    // A text field publishes "no value" as the null text.
    if (v.metaType() == QMetaType::fromType<QString>() && v.toString().isNull()) return std::nullopt;
    if (v.metaType() == QMetaType::fromType<std::optional<QString>>()) return v.value<std::optional<QString>>();
    return v.toString();
}

QObject* QuanSat::docDoiTuong(const QObject* nguon, const char* truong) {
    return qvariant_cast<QObject*>(doc(nguon, truong));
}

bool QuanSat::ghi(QObject* nguon, const char* truong, const QVariant& giaTri) {
    if (!nguon) return false;
    const int i = nguon->metaObject()->indexOfProperty(truong);
    if (i < 0 || !nguon->metaObject()->property(i).isWritable()) return false;
    return nguon->setProperty(truong, giaTri);
}

void QuanSat::theoDoi(QObject* nguon, QObject* nhan, std::function<void()> khiDoi) {
    if (!nguon) return;
    auto* chuyen = new BoChuyenTin(nhan, std::move(khiDoi));
    const QMetaObject* mo = nguon->metaObject();
    for (int i = 0; i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        if (p.hasNotifySignal()) QObject::connect(nguon, p.notifySignal(), chuyen, khePhat(), Qt::UniqueConnection);
    }
}

void QuanSat::theoDoi(QObject* nguon, const char* truong, QObject* nhan, std::function<void()> khiDoi) {
    if (!nguon) return;
    const QMetaObject* mo = nguon->metaObject();
    const int i = mo->indexOfProperty(truong);
    if (i < 0 || !mo->property(i).hasNotifySignal()) return;
    auto* chuyen = new BoChuyenTin(nhan, std::move(khiDoi));
    QObject::connect(nguon, mo->property(i).notifySignal(), chuyen, khePhat());
}

