#include "stations/ONhapMa.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {
// The space Qt keeps between a line edit's contents and its text on each side.
constexpr int kLeChu = 2;
constexpr int kCoGoiY = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
}  // namespace

ONhapMa::ONhapMa(const QString& goiY, QWidget* parent) : QLineEdit(parent), goiY_(goiY) {
    setAccessibleDescription(goiY_);
    connect(this, &QLineEdit::textChanged, this, [this] { update(); });
}

QRect ONhapMa::vungGoiY() const {
    QStyleOptionFrame tuyChon;
    initStyleOption(&tuyChon);
    const QRect noiDung = style()->subElementRect(QStyle::SE_LineEditContents, &tuyChon, this);
    return noiDung.marginsRemoved(textMargins()).adjusted(kLeChu, 0, -kLeChu, 0);
}

QSize ONhapMa::sizeHint() const {
    QSize s = QLineEdit::sizeHint();
    s.setHeight(qMax(s.height(), caoGoiY_));
    return s;
}

QSize ONhapMa::minimumSizeHint() const {
    QSize s = QLineEdit::minimumSizeHint();
    s.setHeight(qMax(s.height(), caoGoiY_));
    return s;
}

void ONhapMa::tinhCaoGoiY() {
    const int rong = vungGoiY().width();
    if (rong <= 0) return;
    const int dong = fontMetrics().boundingRect(QRect(0, 0, rong, 100000), kCoGoiY, goiY_).height();
    // The field keeps the margins it has around one line of text, around all the hint's lines.
    const int cao = dong + QLineEdit::sizeHint().height() - fontMetrics().height();
    if (cao == caoGoiY_) return;
    caoGoiY_ = cao;
    updateGeometry();
}

void ONhapMa::resizeEvent(QResizeEvent* e) {
    QLineEdit::resizeEvent(e);
    tinhCaoGoiY();
}

void ONhapMa::changeEvent(QEvent* e) {
    QLineEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange) tinhCaoGoiY();
}

void ONhapMa::paintEvent(QPaintEvent* e) {
    QLineEdit::paintEvent(e);
    if (!text().isEmpty()) return;
    QPainter p(this);
    p.setPen(palette().color(QPalette::PlaceholderText));
    p.drawText(vungGoiY(), kCoGoiY, goiY_);
}
