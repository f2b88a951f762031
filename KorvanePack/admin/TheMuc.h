#pragma once

#include <QString>

#include "shell/KhungBo.h"

class QVBoxLayout;

// One section card of the owner's screens: the upper-cased header, then the section's items, each 10 apart,
// on the card fill with a rounded 1-pixel border.
class TheMuc : public KhungBo {
    Q_OBJECT
public:
    explicit TheMuc(const QString& tieuDe, QWidget* parent = nullptr);

    QVBoxLayout* cot() const { return cot_; }
    const QString& tieuDe() const { return tieuDe_; }

private:
    QString tieuDe_;
    QVBoxLayout* cot_ = nullptr;
};
