#pragma once

#include <QString>
#include <chrono>
#include <exception>
#include <optional>

// The user texts of a failed fetch or connection test. The sync engine turns every failure into one
// of these, whichever client it came from.
QString moTaLoiNguonDon(const std::exception& loi, const QString& tenHienThi);
QString moTaLoiHaravan(const std::exception& loi);
// The technical detail line of an error, or "" when it has none (not a platform error).
QString chiTietLoi(const std::exception& loi);
// Until when the platform locked the caller out, for an error that says so.
std::optional<std::chrono::system_clock::time_point> chanDenCuaLoi(const std::exception& loi);
// Why a run or a connection test sent nothing to a platform whose lock has not ended yet.
QString moTaDangChan(const QString& tenHienThi, std::chrono::system_clock::time_point den);
