#include "stations/NutDo.h"

#include "shell/BangMau.h"

NutDo::NutDo(const QString& chu, QWidget* parent) : NutTo(chu, BangMau::mauDo, QColor(Qt::white), parent) {}
