#pragma once

#include <QString>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

// Tolerant readers over the platforms' JSON. A value that is absent is a null pointer; none of them
// fails: a missing, null or mistyped value gives nothing or 0.
std::optional<QString> chuoiJSON(const nlohmann::json* giaTri);
std::optional<QString> chuoiDauTien(const nlohmann::json& doiTuong, std::initializer_list<const char*> cacKhoa);
qint64 soNguyenJSON(const nlohmann::json* giaTri);
// The value under each key in turn; nothing as soon as a step is not an object or lacks the key.
const nlohmann::json* layTheoDuong(const nlohmann::json& doiTuong, std::initializer_list<const char*> cacKhoa);

// A whole decimal integer with an optional sign and nothing else; none when it does not fit 64 bits.
std::optional<qint64> docSoNguyenChat(const QString& text);
// The value under one key of an object; null pointer when it is not an object or lacks the key.
const nlohmann::json* layKhoa(const nlohmann::json* doiTuong, const char* khoa);
