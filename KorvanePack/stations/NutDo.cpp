#include "stations/NutDo.h"

#include "core/BangMau.h"

NutDo::NutDo(const QString& chu, QWidget* parent) : NutTo(chu, BangMau::mauDo, QColor(Qt::white), parent) {}
