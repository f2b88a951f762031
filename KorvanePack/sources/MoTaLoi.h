#pragma once

#include <QString>
#include <exception>

// The user texts of a failed fetch or connection test. The sync engine turns every failure into one
// of these, whichever client it came from.
QString moTaLoiNguonDon(const std::exception& loi, const QString& tenHienThi);
QString moTaLoiHaravan(const std::exception& loi);
// The technical detail line of an error, or "" when it has none (not a platform error).
QString chiTietLoi(const std::exception& loi);
