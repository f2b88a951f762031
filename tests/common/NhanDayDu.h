#pragma once

#include <QLabel>
#include <QStringList>
#include <QWidget>

// The wrapped labels under a widget that cannot show all their lines: given less height than their text needs
// at their width, or reaching outside a widget that holds them (which cuts them off where they overflow).
inline QStringList nhanBiCat(const QWidget* goc) {
    QStringList kq;
    for (const QLabel* n : goc->findChildren<QLabel*>()) {
        if (!n->wordWrap() || !n->isVisibleTo(goc) || n->text().isEmpty()) continue;
        const int can = n->heightForWidth(n->width());
        if (n->height() < can) {
            kq << QStringLiteral("%1: cao %2 < %3").arg(n->text()).arg(n->height()).arg(can);
            continue;
        }
        for (const QWidget* cha = n->parentWidget(); cha && cha != goc->parentWidget(); cha = cha->parentWidget()) {
            const QRect o(n->mapTo(cha, QPoint(0, 0)), n->size());
            if (!cha->rect().contains(o)) {
                kq << QStringLiteral("%1: tràn khỏi %2")
                          .arg(n->text(), QString::fromLatin1(cha->metaObject()->className()));
                break;
            }
        }
    }
    return kq;
}
