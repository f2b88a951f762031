#pragma once

#include <QFont>
#include <QTextLayout>
#include <vector>

// Whether text[tu, den) is drawn left to right, character after character, when the whole text is laid out on
// one left-to-right line as a label or a frame's caption lays it out: a run turned around by a direction
// control in a value beside it is drawn right to left.
inline bool veTraiSangPhai(const QString& text, qsizetype tu, qsizetype den, const QFont& phong = QFont()) {
    QTextLayout layout(text, phong);
    QTextOption o;
    o.setTextDirection(Qt::LeftToRight);
    layout.setTextOption(o);
    layout.beginLayout();
    QTextLine dong = layout.createLine();
    layout.endLayout();
    std::vector<qreal> x;
    for (qsizetype i = tu; i < den; ++i) x.push_back(dong.cursorToX(int(i)));
    for (size_t i = 1; i < x.size(); ++i)
        if (!(x[i] > x[i - 1])) return false;
    return true;
}
