#pragma once

#include "stations/NutTo.h"

// Red, white label: stopping a recording.
class NutDo : public NutTo {
    Q_OBJECT
public:
    explicit NutDo(const QString& chu, QWidget* parent = nullptr);
};
