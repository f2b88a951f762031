// The journal's check over a journal of 100,000 lines. Target: under 1 s. The journal is built here with the
// store's own serialisation (writing it through NhatKy::ghi would spend minutes in fsync), and the
// reference beside it is reading the same file's bytes.
#include <openssl/sha.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "store/KhoDuLieu.h"
#include "store/TepDongJson.h"
#include "store/TienIch.h"

namespace {

double giay(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

std::string bam(const std::string& s) {
    unsigned char md[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(s.data()), s.size(), md);
    return chuoiHex(QByteArrayView(reinterpret_cast<const char*>(md), SHA256_DIGEST_LENGTH)).toStdString();
}

}  // namespace

int main() {
    QTemporaryDir tam;
    KhoDuLieu kho(tam.path());
    QDir().mkpath(tam.filePath(QStringLiteral("data")));
    constexpr int soDong = 100'000;
    std::string noiDung, truoc = "GENESIS";
    for (int i = 0; i < soDong; ++i) {
        nlohmann::json j = {{"ts", "2026-12-10T09:00:00Z"},
                            {"event", "rec_finish"},
                            {"detail",
                             {{"code", "GHN" + std::to_string(100'000'000 + i) + "VN"},
                              {"sha256", std::string(64, 'a')},
                              {"bytes", std::to_string(48'000'000 + i)},
                              {"kind", "pack"},
                              {"file", "/home/kho/videos/2026/12/10/GHN" + std::to_string(i) + ".mp4"}}},
                            {"prev", truoc}};
        truoc = bam(NhatKy::tuanTuHoa(j.dump()));
        j["hash"] = truoc;
        noiDung += NhatKy::tuanTuHoa(j.dump());
        noiDung += '\n';
    }
    TepDongJson::ghiNguyenTu(kho.nhatKy().duongDan(), QByteArrayView(noiDung.data(), qsizetype(noiDung.size())));

    auto t0 = std::chrono::steady_clock::now();
    const qsizetype doc = TepDongJson::docToanBo(kho.nhatKy().duongDan()).value_or(QByteArray()).size();
    const double chiDoc = giay(t0);
    double totNhat = 1e9;
    NhatKy::KetQuaKiemTra kq;
    for (int lan = 0; lan < 3; ++lan) {
        t0 = std::chrono::steady_clock::now();
        kq = kho.nhatKy().kiemTra();
        totNhat = std::min(totNhat, giay(t0));
    }
    std::printf("journal: %d lines, %.1f MB\n", soDong, noiDung.size() / 1e6);
    std::printf("reference, reading the bytes only: %6.3f s (%lld bytes)\n", chiDoc, static_cast<long long>(doc));
    std::printf("NhatKy::kiemTra, best of 3:        %6.3f s (ok %s, %lld lines; target < 1 s)\n", totNhat,
                kq.ok ? "true" : "false", static_cast<long long>(kq.soDong));
    return 0;
}
