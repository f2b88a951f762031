#pragma once

#include <QString>

#include "shell/NhanMau.h"

class QProgressBar;
class QWidget;

// The small pieces the settings cards are built of, drawn alike on every card.

// A grey note under a control, wrapped to the card's width.
NhanMau* ghiChu(const QString& chu, QWidget* cha, double co = 12);

// A busy indicator at a little over half the size of a normal one, hidden until something runs.
QProgressBar* vongQuay(QWidget* cha);

// A label and its control on one row, pushed to the left.
QWidget* hangCoNhan(const QString& nhan, QWidget* dieuKhien, QWidget* cha);
