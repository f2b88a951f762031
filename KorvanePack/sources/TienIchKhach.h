#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "store/DongHo.h"
#include "store/MatHang.h"

// What the KiotViet, Sapo, Pancake and Nhanh clients share: reading their replies, the fetch window,
// the raw sample, and the checks that keep a mistyped or pasted credential from reaching a host name,
// a path or a header line.

// A shop name as the owner pasted it: a scheme, a path and everything after the first dot are dropped,
// so "https://shop1.kiotviet.vn/man/#/Invoices" gives "shop1".
QString chuanHoaTenCuaHang(const QString& nhap);

// Throws the LoiNguonDon of a bad shop name; nothing has been sent when it is thrown.
[[noreturn]] void nemTenCuaHangSai(const QString& tenNguon, const QString& tenMien);
// Throws when a credential bound for a header is not plain visible ASCII (a line break would split it).
void kiemTraTieuDe(const QString& giaTri, const QString& nhan, const QString& tenNguon);

// The reply body as a JSON object; none when it does not parse or is not an object.
std::optional<nlohmann::json> docDoiTuong(const QByteArray& than);
// tenNguon + " trả về dữ liệu không đọc được." with status 0.
[[noreturn]] void nemDuLieuKhongDoc(const QString& tenNguon);

// The value under the key when it is an object, else an empty object.
const nlohmann::json& doiTuongCon(const nlohmann::json& cha, const char* khoa);
// The elements of a list whose every element is an object; empty for anything else.
std::vector<const nlohmann::json*> danhSachDoiTuong(const nlohmann::json* giaTri);

// Where a fetch starts: the checkpoint read as an internet date-time (with or without fractional
// seconds), else thirty days before now.
QDateTime mocBatDau(const QString& moc, const DongHo& dongHo);
// Where a fetch ends, in Unix seconds: denLuc when the engine narrowed the window, else quaHienTai seconds past
// now.
qint64 giayKetThuc(const QString& denLuc, const DongHo& dongHo, qint64 quaHienTai);
qint64 giayUnix(std::chrono::system_clock::time_point t);
// An internet date-time with its milliseconds dropped ("….123Z" → "…Z"), for filters that take whole seconds.
QString boPhanNghinGiay(QString iso);
// The time in this machine's zone by a fixed numeric pattern ("yyyy-MM-dd HH:mm:ss").
QString gioDiaPhuong(const QDateTime& t, const QString& mau);

// An order object pretty-printed with sorted keys and "/" left as it is; absent when it cannot be
// serialised, nests deeper than kDoSauMauTho or would print to more than kKichCoMauTho bytes. Pretty
// printing grows with the square of the depth, so neither bound may be left to the data.
inline constexpr int kDoSauMauTho = 64;
inline constexpr std::size_t kKichCoMauTho = 1024 * 1024;
std::optional<QString> mauTho(const nlohmann::json& don,
                              nlohmann::json::error_handler_t xuLy = nlohmann::json::error_handler_t::strict);
// The sum of the quantities, held at the bounds of 64 bits instead of wrapping.
qint64 tongSoLuong(const QList<MatHang>& cacMatHang);
