#pragma once

#include <QString>
#include <QStringList>

// Text from outside (a platform's titles and addresses, a packer's declaration, a file name) may carry the
// Unicode direction controls that embed, override or isolate. Left open, one of them reverses whatever the
// program writes after it on the same line: "số lượng 12" reads "21". These keep such a value to itself.

// The value with every embedding, override and isolate it opens closed at its end, and every closer that
// closes nothing of its own dropped (a stray one would close the isolate it is shown in). Direction marks
// are kept: inside an isolate they move nothing outside it. A paragraph break closes whatever is open
// before it, as the bidirectional algorithm itself would.
QString canBangHuong(const QString& giaTri);

// The value ready to sit on one line with the program's own text in a widget or a frame's caption: balanced and
// wrapped in FIRST STRONG ISOLATE ... POP DIRECTIONAL ISOLATE, so it takes its own direction and moves nothing
// around it. A value with no right-to-left character and no direction control cannot move anything on a
// left-to-right line and is returned as it is, so everyday text carries no invisible characters.
QString coLapHuong(const QString& giaTri);

// Values from outside joined by the program's own separator, each isolated on its own (coLapHuong).
QString noiCoLapHuong(const QStringList& giaTri, const QString& ngan);
