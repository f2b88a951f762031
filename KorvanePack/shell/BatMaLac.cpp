#include "shell/BatMaLac.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

BatMaLac::BatMaLac(QWidget* khung) : QObject(khung), khung_(khung) {
    qApp->installEventFilter(this);
}

BatMaLac::~BatMaLac() {
    if (qApp) qApp->removeEventFilter(this);
}

bool BatMaLac::eventFilter(QObject* doiTuong, QEvent* suKien) {
    if (suKien->type() != QEvent::KeyPress || !khung_) return false;
    // Only the last stop of a key: the window itself, reached because no widget inside it took the key (or
    // because nothing holds the keyboard). A key a field or a list used is not a lost one.
    if (doiTuong != khung_->window()) return false;
    const auto* phim = static_cast<const QKeyEvent*>(suKien);
    if (phim->key() == Qt::Key_Return || phim->key() == Qt::Key_Enter) {
        const QString ma = dem_.trimmed();
        dem_.clear();
        if (ma.size() >= kDaiToiThieu) emit maLac(ma);
        return false;
    }
    const QString chu = phim->text();
    const bool inDuoc = !chu.isEmpty() && std::all_of(chu.cbegin(), chu.cend(), [](QChar c) { return c.isPrint(); });
    if (inDuoc && !(phim->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        if (dem_.size() + chu.size() <= kDaiToiDa) dem_ += chu;
    } else if (phim->key() != Qt::Key_Shift) {
        dem_.clear();
    }
    return false;
}
