#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <exception>
#include <optional>
#include <string_view>

#include "store/MucChon.h"

// The shared helpers whose output is stored or compared, so they must behave identically everywhere.

// Makes a scanned label, a typed code and an order's codes comparable: trimmed, one leading "#" dropped,
// white space, "-", "_" and "." removed, upper-cased without regard to locale.
QString chuanHoaMa(const QString& ma);
// chuanHoaMa of a UTF-8 text, written into ra, whose memory is reused while no other string shares it:
// loading an order of 100,000 tracking numbers normalises them without a string made for each.
void chuanHoaMaVao(QString& ra, std::string_view utf8);

// A stored ISO 8601 time as "dd/MM/yyyy HH:mm" local time, or "—".
QString hienThiNgay(const std::optional<QString>& iso);

// A length in whole seconds as "mm:ss"; minutes are not capped at 59.
QString hienThiPhutGiay(qint64 giay);

// The label of an option id: "—" without an id, the id itself when it is not in the list.
QString tenMucChon(const QList<MucChon>& danhSach, const std::optional<QString>& id);

// Drops spaces and tabs at both ends and nothing else: a line break typed into a field still counts as
// something typed, so a field of line breaks alone is not taken for empty.
QString boKhoangTrangDau(const QString& s);

// One safe file-name component of at most 80 UTF-8 bytes, or the fallback.
QString tenTepAnToan(const QString& ten, const QString& duPhong);

// Two lower-case hexadecimal digits per byte, no separators.
QString chuoiHex(QByteArrayView bytes);

struct VanTayTep {
    QString sha256;
    qint64 bytes = 0;
};

// SHA-256 of a file read in 1 MiB chunks; absent when it cannot be opened or read to the end.
std::optional<VanTayTep> sha256CuaTep(const QString& duongDan);

// File descriptors for the store's own file work. The two openers throw LoiTep; closing ignores errors.
int moTepDeGhi(const QString& duongDan);
int moTepDeDoc(const QString& duongDan);
void dongTep(int fd);

// The text of the last system error, prefixed by what was being done.
QString moTaLoiHeThong(const QString& viec, int maLoi);
// What a caught failure tells the user: a store file error carries its own Vietnamese text.
QString moTaLoi(const std::exception& e);

inline const QString kyHieuTrong = QStringLiteral("—");
