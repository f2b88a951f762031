#pragma once

#include <httplib.h>

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A fake platform on 127.0.0.1, on its own thread, recording every request as it arrived.
class MayChuGia {
public:
    struct YeuCauDaNhan {
        std::string phuongThuc;
        std::string target;  // raw, as sent on the wire
        std::string duongDan;
        std::multimap<std::string, std::string> tieuDe;
        std::string than;

        std::string tieuDeDau(const std::string& ten) const {
            for (const auto& [k, v] : tieuDe) {
                if (strcasecmp(k.c_str(), ten.c_str()) == 0) return v;
            }
            return {};
        }
        bool coTieuDe(const std::string& ten) const {
            for (const auto& [k, v] : tieuDe) {
                if (strcasecmp(k.c_str(), ten.c_str()) == 0) return true;
            }
            return false;
        }
    };

    using XuLy = std::function<void(const httplib::Request&, httplib::Response&)>;

    // The platform's own clock, in Unix seconds: when set (before chay), every reply carries it as its Date
    // header, as a real server's does.
    std::function<qint64()> dongHo;
    static std::string ngayHTTP(qint64 giay) {
        return QDateTime::fromSecsSinceEpoch(giay, QTimeZone::utc())
            .toString(QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"))
            .toStdString();
    }

    MayChuGia() {
        // One request per connection, so stopping never waits out a keep-alive.
        sv_.set_keep_alive_max_count(1);
        cong_ = sv_.bind_to_any_port("127.0.0.1");
    }
    ~MayChuGia() { dung(); }

    // Handlers record the request before they answer, so a test that has its reply sees the record.
    void get(const std::string& mau, XuLy xuLy) { sv_.Get(mau, boc(std::move(xuLy))); }
    void post(const std::string& mau, XuLy xuLy) { sv_.Post(mau, boc(std::move(xuLy))); }
    void chay() {
        const XuLy khongCo = [](const httplib::Request&, httplib::Response& res) { res.status = 404; };
        sv_.Get(".*", boc(khongCo));
        sv_.Post(".*", boc(khongCo));
        luong_ = std::thread([this] { sv_.listen_after_bind(); });
        while (!sv_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void dung() {
        sv_.stop();
        if (luong_.joinable()) luong_.join();
    }
    int cong() const { return cong_; }
    QString goc() const { return QStringLiteral("http://127.0.0.1:%1").arg(cong_); }

    std::vector<YeuCauDaNhan> daNhan() const {
        std::lock_guard lk(khoa_);
        return daNhan_;
    }

    // A loopback port that nothing listens on: bound once to learn a free number, then closed.
    static int congDaDong() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in dc{};
        dc.sin_family = AF_INET;
        dc.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(s, reinterpret_cast<sockaddr*>(&dc), sizeof dc);
        socklen_t n = sizeof dc;
        ::getsockname(s, reinterpret_cast<sockaddr*>(&dc), &n);
        ::close(s);
        return ntohs(dc.sin_port);
    }

private:
    httplib::Server::Handler boc(XuLy xuLy) {
        return [this, xuLy = std::move(xuLy)](const httplib::Request& req, httplib::Response& res) {
            {
                std::lock_guard lk(khoa_);
                YeuCauDaNhan y;
                y.phuongThuc = req.method;
                y.target = req.target;
                y.duongDan = req.path;
                for (const auto& [k, v] : req.headers) y.tieuDe.emplace(k, v);
                y.than = req.body;
                daNhan_.push_back(std::move(y));
            }
            xuLy(req, res);
            if (dongHo) res.set_header("Date", ngayHTTP(dongHo()));
        };
    }

    httplib::Server sv_;
    int cong_ = 0;
    std::thread luong_;
    mutable std::mutex khoa_;
    std::vector<YeuCauDaNhan> daNhan_;
};
