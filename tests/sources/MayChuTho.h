#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QString>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

// A fake platform written against raw sockets, for what an HTTP library will not do on purpose: keep a
// connection open and drop it under the next request, trickle a reply a byte at a time, or never answer.
class MayChuTho {
public:
    enum class Kieu {
        dongKhiDungLai,  // answers 500 with keep-alive, then drops the connection when a second request arrives on it
        nhoGiot,         // answers 200 and sends the body one byte each khoangGiot
        imLang,          // reads the request and never answers
    };

    explicit MayChuTho(Kieu kieu, std::string than = "{}",
                       std::chrono::milliseconds khoangGiot = std::chrono::milliseconds(100))
        : kieu_(kieu), than_(std::move(than)), khoangGiot_(khoangGiot) {
        nghe_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in dc{};
        dc.sin_family = AF_INET;
        dc.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(nghe_, reinterpret_cast<sockaddr*>(&dc), sizeof dc);
        ::listen(nghe_, 16);
        socklen_t n = sizeof dc;
        ::getsockname(nghe_, reinterpret_cast<sockaddr*>(&dc), &n);
        cong_ = ntohs(dc.sin_port);
        luong_ = std::thread([this] { vongNghe(); });
    }
    ~MayChuTho() {
        dung_ = true;
        luong_.join();
        for (std::thread& t : ketNoi_) t.join();
        ::close(nghe_);
    }

    QString goc() const { return QStringLiteral("http://127.0.0.1:%1").arg(cong_); }
    // Requests whose head arrived whole, however the connection ended afterwards.
    int soYeuCau() const { return soYeuCau_; }

private:
    bool choDoc(int s) const {
        while (!dung_) {
            pollfd p{s, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) return true;
        }
        return false;
    }

    void vongNghe() {
        while (choDoc(nghe_)) {
            const int s = ::accept(nghe_, nullptr, nullptr);
            if (s >= 0) ketNoi_.emplace_back([this, s] { phucVu(s); });
        }
    }

    // Reads one request head and its Content-Length body; false when the connection ended first.
    bool docYeuCau(int s, std::string& dem) {
        for (;;) {
            const size_t ket = dem.find("\r\n\r\n");
            if (ket != std::string::npos) {
                size_t dai = 0;
                const size_t cl = dem.find("Content-Length: ");
                if (cl != std::string::npos && cl < ket) dai = std::stoul(dem.substr(cl + 16));
                if (dem.size() >= ket + 4 + dai) {
                    dem.erase(0, ket + 4 + dai);
                    return true;
                }
            }
            if (!choDoc(s)) return false;
            char b[4096];
            const ssize_t n = ::recv(s, b, sizeof b, 0);
            if (n <= 0) return false;
            dem.append(b, static_cast<size_t>(n));
        }
    }

    void gui(int s, const std::string& d) { ::send(s, d.data(), d.size(), MSG_NOSIGNAL); }

    void phucVu(int s) {
        std::string dem;
        for (int tren = 0; docYeuCau(s, dem); ++tren) {
            ++soYeuCau_;
            if (kieu_ == Kieu::dongKhiDungLai) {
                if (tren > 0) break;
                gui(s, "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 4\r\nConnection: keep-alive\r\n\r\ndown");
                continue;
            }
            if (kieu_ == Kieu::imLang) {
                while (!dung_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
                break;
            }
            gui(s, "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                       std::to_string(than_.size()) + "\r\nConnection: close\r\n\r\n");
            for (const char c : than_) {
                if (dung_) break;
                gui(s, std::string(1, c));
                std::this_thread::sleep_for(khoangGiot_);
            }
            break;
        }
        ::close(s);
    }

    Kieu kieu_;
    std::string than_;
    std::chrono::milliseconds khoangGiot_;
    int nghe_ = -1;
    int cong_ = 0;
    std::atomic<bool> dung_ = false;
    std::atomic<int> soYeuCau_ = 0;
    std::thread luong_;
    std::vector<std::thread> ketNoi_;  // touched only by the accepting thread and, after it ended, the destructor
};
