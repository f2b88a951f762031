#include "core/QuanSat.h"

#include <QMetaMethod>
#include <QMetaProperty>
#include <QVariant>

#include "core/BoChuyenTin.h"

QString QuanSat::docChu(const QObject* nguon, const char* truong) {
    return nguon ? nguon->property(truong).toString() : QString();
}

void QuanSat::theoDoi(QObject* nguon, const char* truong, QObject* nhan, std::function<void()> khiDoi) {
    if (!nguon) return;
    const QMetaObject* mo = nguon->metaObject();
    const int i = mo->indexOfProperty(truong);
    if (i < 0 || !mo->property(i).hasNotifySignal()) return;
    auto* chuyen = new BoChuyenTin(nhan, std::move(khiDoi));
    const QMetaObject& moChuyen = BoChuyenTin::staticMetaObject;
    QObject::connect(nguon, mo->property(i).notifySignal(), chuyen, moChuyen.method(moChuyen.indexOfSlot("phat()")));
}
