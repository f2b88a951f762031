#pragma once

#include <httplib.h>

#include <QString>
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

    MayChuGia() {
        sv_.set_logger([this](const httplib::Request& req, const httplib::Response&) {
            std::lock_guard lk(khoa_);
            YeuCauDaNhan y;
            y.phuongThuc = req.method;
            y.target = req.target;
            y.duongDan = req.path;
            for (const auto& [k, v] : req.headers) y.tieuDe.emplace(k, v);
            y.than = req.body;
            daNhan_.push_back(std::move(y));
        });
        cong_ = sv_.bind_to_any_port("127.0.0.1");
    }
    ~MayChuGia() { dung(); }

    httplib::Server& sv() { return sv_; }
    void chay() {
        luong_ = std::thread([this] { sv_.listen_after_bind(); });
        sv_.wait_until_ready();
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

private:
    httplib::Server sv_;
    int cong_ = 0;
    std::thread luong_;
    mutable std::mutex khoa_;
    std::vector<YeuCauDaNhan> daNhan_;
};
