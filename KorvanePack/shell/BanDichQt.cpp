#include "shell/BanDichQt.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

bool caiBanDichQt() {
    // Owned by the application: gone with it, and installed again on the next one.
    static QPointer<QTranslator> banDich;
    if (banDich) return true;
    auto* moi = new QTranslator(QCoreApplication::instance());
    if (!moi->load(QStringLiteral(":/dich/qtbase_vi.qm")) || !QCoreApplication::installTranslator(moi)) {
        delete moi;
        return false;
    }
    banDich = moi;
    return true;
}
