#include "shell/DongLuaChon.h"

#include <QSignalBlocker>

int hangCuaId(const QComboBox* hop, const QString& id) {
    // Compared by hand: findData's string matching may fold case, and ids must match exactly.
    for (int i = 0; i < hop->count(); ++i) {
        if (hop->itemData(i).toString() == id) return i;
    }
    return -1;
}

void chonTheoId(QComboBox* hop, const QString& id) {
    const QSignalBlocker chan(hop);
    hop->setCurrentIndex(hangCuaId(hop, id));
}

QString idDangChon(const QComboBox* hop) {
    const int i = hop->currentIndex();
    return i < 0 ? QString() : hop->itemData(i).toString();
}
