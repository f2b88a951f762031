#pragma once

#include <QString>

class QFileDialog;
class QWidget;

// The folder chooser of the settings screen and the first-run wizard. It opens where the folder now set lies,
// or at the nearest folder above it that still exists, so the owner starts from what they chose before rather
// than from wherever the program happened to be started. It is always Qt's own chooser, whose captions are
// worded here and whose other words come from the program's translation of Qt.
QString thuMucBatDau(const QString& hienTai);

// Folders only, one at most, confirmed with "Chọn". The caller opens it and owns it.
QFileDialog* taoHopChonThuMuc(QWidget* cha, const QString& hienTai);
