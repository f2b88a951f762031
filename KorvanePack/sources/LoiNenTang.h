#pragma once

#include <QString>
#include <chrono>
#include <exception>
#include <optional>
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
    // Set when the platform locked the caller out and said until when: nothing may be sent to it before
    // then, since every call made meanwhile lengthens the lock.
    std::optional<std::chrono::system_clock::time_point> chanDen;

    // "HTTP 404 | excerpt | url" with the absent parts left out; the message is never part of it.
    QString chiTiet() const;
    const char* what() const noexcept override { return moTa_.c_str(); }

private:
    std::string moTa_;
};
