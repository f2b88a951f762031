#pragma once

#include <QString>
#include <stdexcept>

// A failure below HTTP: no connection, a time-out, a TLS refusal, a reply that is not HTTP at all.
// The sync engine shows every one of these as "no Internet" while the desk keeps recording.
class LoiKetNoi : public std::runtime_error {
public:
    // quaLon: the reply passed the transport's size cap; asking again would only bring the same body.
    enum class Loai { ketNoi, hetGio, khongPhaiHTTP, quaLon };
    LoiKetNoi(Loai loai, const QString& moTa) : std::runtime_error(moTa.toStdString()), loai_(loai) {}
    Loai loai() const { return loai_; }

private:
    Loai loai_;
};

// The sync was stopped (the application is closing): no retry, no waiting, no error shown.
class LoiDaHuy : public std::runtime_error {
public:
    LoiDaHuy() : std::runtime_error("Đã dừng đồng bộ vì ứng dụng đang đóng.") {}
};
