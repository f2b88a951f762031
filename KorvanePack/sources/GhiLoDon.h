#pragma once

#include <QList>
#include <QString>

#include "store/DonHang.h"

// Appends every order of one fetch to its month file as one write followed by one sync, instead of one
// per order: 2,000 orders cost one fsync, and either all of their lines reach the disk or the file is
// left as it was. Safe off the GUI thread: only the sync engine writes the orders files. Throws LoiTep.
void ghiLoDon(const QList<DonHang>& cacDon, const QString& duongDanTep);
