#pragma once

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QDir>
#include <QLabel>
#include <QScrollBar>
#include <QStringList>
#include <QTextEdit>
#include <QWidget>

// The program's smallest window, and what of it is left beside the sidebar and its rule.
namespace cua_so_nho_nhat {

inline constexpr int rong = 1100;
inline constexpr int cao = 700;
inline constexpr int rongNoiDung = rong - 201;

inline QString ten(const QWidget* w) {
    QString t = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty()) t += " " + w->objectName();
    if (auto* l = qobject_cast<const QLabel*>(w)) t += " «" + l->text() + "»";
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) t += " «" + b->text() + "»";
    return t;
}

// What a person at the smallest window would not see whole under `goc`: a horizontal scroll bar shown, a label or
// button reaching outside a widget that holds it (which cuts it where it overflows; a scroll area's viewport only
// sideways, as reaching below it is what scrolling down is for), a button narrower than its text, a one-line label
// narrower than its text, or a wrapped label given less height than its lines need at its width.
inline QStringList khongVua(const QWidget* goc) {
    QStringList kq;
    QList<QAbstractScrollArea*> cacCuon = goc->findChildren<QAbstractScrollArea*>();
    if (auto* chinhNo = qobject_cast<QAbstractScrollArea*>(const_cast<QWidget*>(goc))) cacCuon.prepend(chinhNo);
    for (const QAbstractScrollArea* cuon : cacCuon)
        if ((cuon == goc || cuon->isVisibleTo(goc)) && cuon->horizontalScrollBar()->isVisibleTo(cuon))
            kq << "thanh cuộn ngang: " + ten(cuon);
    for (const QWidget* w : goc->findChildren<QWidget*>()) {
        auto* l = qobject_cast<const QLabel*>(w);
        auto* b = qobject_cast<const QAbstractButton*>(w);
        if ((!l && !b) || !w->isVisibleTo(goc)) continue;
        if (l && l->text().isEmpty() && !l->pixmap().isNull()) continue;
        if (b && b->width() < b->sizeHint().width())
            kq << QStringLiteral("%1: rộng %2 < %3").arg(ten(w)).arg(b->width()).arg(b->sizeHint().width());
        if (l && !l->wordWrap() && !l->text().isEmpty() && l->width() < l->sizeHint().width())
            kq << QStringLiteral("%1: rộng %2 < %3").arg(ten(w)).arg(l->width()).arg(l->sizeHint().width());
        if (l && l->wordWrap() && !l->text().isEmpty() && l->height() < l->heightForWidth(l->width()))
            kq << QStringLiteral("%1: cao %2 < %3").arg(ten(w)).arg(l->height()).arg(l->heightForWidth(l->width()));
        // A plain wrapped label breaks only at spaces: a word longer than its line runs past its edge and is cut.
        if (l && l->wordWrap() && !l->text().isEmpty() && !l->inherits("NhanNgatMoiCho") &&
            l->textFormat() != Qt::RichText && !(l->textFormat() == Qt::AutoText && Qt::mightBeRichText(l->text()))) {
            const QRect o = l->contentsRect();
            const int rongChu =
                l->fontMetrics().boundingRect(QRect(0, 0, o.width(), 1 << 20), Qt::TextWordWrap, l->text()).width();
            if (rongChu > o.width()) kq << QStringLiteral("%1: chữ rộng %2 > %3").arg(ten(w)).arg(rongChu).arg(o.width());
        }
        for (const QWidget* cha = w->parentWidget(); cha && cha != goc->parentWidget(); cha = cha->parentWidget()) {
            const QRect o(w->mapTo(cha, QPoint(0, 0)), w->size());
            const auto* cuon = cha->parentWidget() ? qobject_cast<const QAbstractScrollArea*>(cha->parentWidget())
                                                   : nullptr;
            const bool chiNgang = cuon && cuon->viewport() == cha;
            const bool ra = chiNgang ? (o.left() < 0 || o.right() > cha->rect().right()) : !cha->rect().contains(o);
            if (ra) {
                kq << QStringLiteral("%1: tràn khỏi %2").arg(ten(w), ten(cha));
                break;
            }
            // The viewport is the window onto what scrolls: the scroll area around it holds the viewport whole.
            if (chiNgang) break;
        }
    }
    return kq;
}

// Every text shown under `w`: its labels' and its read-only texts'.
inline QStringList chuHien(const QWidget* w) {
    QStringList r;
    for (const QLabel* l : w->findChildren<QLabel*>())
        if (l->isVisibleTo(w) && !l->text().isEmpty()) r << l->text();
    for (const QTextEdit* t : w->findChildren<QTextEdit*>())
        if (t->isVisibleTo(w) && !t->toPlainText().isEmpty()) r << t->toPlainText();
    return r;
}

// Kept beside the test run for a person to look at.
inline void luuAnh(QWidget& w, const QString& tenAnh) {
    w.grab().toImage().save(QDir::temp().filePath(tenAnh + ".png"));
}

}  // namespace cua_so_nho_nhat
