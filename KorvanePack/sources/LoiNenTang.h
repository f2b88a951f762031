#pragma once

#include <QString>
#include <exception>
#include <string>

// What every platform failure carries: the HTTP status (0 when there was no HTTP reply), the start of
// the reply and the request URL, both already cleaned of secrets, and the Vietnamese message that is
// also the error's description.
class LoiNenTang : public std::exception {
public:
    LoiNenTang(int status, QString nguyenVan, QString url, QString thongDiep);

    int status;
    QString nguyenVan;
    QString url;
    QString thongDiep;

    // "HTTP 404 | excerpt | url" with the absent parts left out; the message is never part of it.
    QString chiTiet() const;
    const char* what() const noexcept override { return moTa_.c_str(); }

    // Rebuilds the description after a field was changed (redaction happens after construction).
    void capNhatMoTa() { moTa_ = thongDiep.toStdString(); }

private:
    std::string moTa_;
};
