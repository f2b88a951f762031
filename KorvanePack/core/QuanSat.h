#pragma once

#include <QObject>
#include <QVariant>
#include <functional>
#include <optional>

// Screens observe the services through their published fields, which are Qt properties with a change
// signal. Reading and watching them through the meta-object keeps the window and the stations free of
// the services' headers: the window sits below the screens and services that live in higher libraries.
class QuanSat {
public:
    static QVariant doc(const QObject* nguon, const char* truong);
    static bool docBool(const QObject* nguon, const char* truong);
    static qint64 docSo(const QObject* nguon, const char* truong);
    static QString docChu(const QObject* nguon, const char* truong);
    static QStringList docDanhSach(const QObject* nguon, const char* truong);
    // An optional text: none when the field holds no value.
    static std::optional<QString> docChuTuyChon(const QObject* nguon, const char* truong);
    static QObject* docDoiTuong(const QObject* nguon, const char* truong);

    // Writes a published field; false when the object has no such writable field.
    static bool ghi(QObject* nguon, const char* truong, const QVariant& giaTri);

    // Calls khiDoi whenever any published field of nguon changes, for as long as nhan lives.
    static void theoDoi(QObject* nguon, QObject* nhan, std::function<void()> khiDoi);
    // The same for one field.
    static void theoDoi(QObject* nguon, const char* truong, QObject* nhan, std::function<void()> khiDoi);
};
