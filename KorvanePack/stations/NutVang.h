#pragma once

#include "stations/NutTo.h"

// Amber, black label: starting a returns recording.
class NutVang : public NutTo {
    Q_OBJECT
public:
    explicit NutVang(const QString& chu, QWidget* parent = nullptr);
};
