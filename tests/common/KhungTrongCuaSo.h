#pragma once

#include <QVBoxLayout>
#include <QWidget>

#include "shell/KhungChinh.h"

// The main window's frame alone in a bare window, edge to edge as the application lays it out.
inline KhungChinh* khungTrongCuaSo(QWidget& cuaSo, CaiDat& caiDat, TrangThaiApp& trangThai) {
    auto* cot = new QVBoxLayout(&cuaSo);
    cot->setContentsMargins(0, 0, 0, 0);
    auto* khung = new KhungChinh(caiDat, trangThai, &cuaSo);
    cot->addWidget(khung);
    return khung;
}
