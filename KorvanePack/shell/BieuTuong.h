#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

// Our own line drawings (SVG resources of the application) painted in one colour, so a symbol follows the
// text colour of its row. An unknown name gives an empty pixmap of the asked size.
// Makes the drawings of the shell library's resources available; safe to call any number of times.
void napHinhUngDung();

QPixmap veBieuTuong(const QString& ten, const QColor& mau, int coPx, qreal tiLeDiem = 1.0);
