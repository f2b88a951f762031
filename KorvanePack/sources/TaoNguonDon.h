#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "sources/MoiTruongNguon.h"
#include "sources/NguonDon.h"

// Reads one keychain item by its service name (CaiDat::docKeychain in the application).
using DocKhoa = std::function<std::optional<QString>(const QString& dichVu)>;

// One stored credential of a platform, trimmed; "" when absent or unreadable.
QString docKhoaNguon(const QString& khoa, const QString& nguon, const DocKhoa& doc);

// The client of a platform built from its stored credentials; nothing when one of them is blank.
std::unique_ptr<NguonDon> taoNguonDon(const QString& nguon, const DocKhoa& doc, const MoiTruongNguon& moiTruong);
