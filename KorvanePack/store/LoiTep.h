#pragma once

#include <QString>
#include <stdexcept>

// A file-system failure of the store, carrying the text shown to the user.
class LoiTep : public std::runtime_error {
public:
    explicit LoiTep(const QString& moTa) : std::runtime_error(moTa.toStdString()), moTa_(moTa) {}
    const QString& moTa() const { return moTa_; }

private:
    QString moTa_;
};
