#include "stations/NutVang.h"

#include "shell/BangMau.h"

NutVang::NutVang(const QString& chu, QWidget* parent) : NutTo(chu, BangMau::mauHoPhach, QColor(Qt::black), parent) {}
