// The start-up scan for recordings left without a record, over a journal of 200,000 lines that are all
// recording events (the worst case: every line is parsed), beside the reference of reading the same bytes.
// It runs at every start before the camera opens.
#include "core/NhanVideoDoDang.h"

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "store/KhoDuLieu.h"
#include "store/TepDongJson.h"

namespace {

double giay(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main() {
    QTemporaryDir tam;
    KhoDuLieu kho(tam.path());
    QDir().mkpath(tam.filePath(QStringLiteral("data")));
    constexpr int soDong = 200'000;
    std::string noiDung;
    for (int i = 0; i < soDong; ++i) {
        const std::string ma = "GHN" + std::to_string(100'000'000 + i / 2) + "VN";
        nlohmann::json chiTiet =
            i % 2 == 0 ? nlohmann::json{{"code", ma}, {"orderId", "1001"}, {"kind", "pack"}}
                       : nlohmann::json{
                             {"code", ma}, {"sha256", std::string(64, 'a')}, {"bytes", "48000000"}, {"kind", "pack"}};
        // Every thousandth recording never finished.
        if (i % 2000 == 1) chiTiet = nlohmann::json{{"don", "1"}, {"video", "1"}};
        nlohmann::json j = {{"ts", "2026-12-10T09:00:00Z"},
                            {"event", i % 2 == 0 ? "rec_start" : (i % 2000 == 1 ? "app_start" : "rec_finish")},
                            {"detail", chiTiet},
                            {"prev", std::string(64, 'b')},
                            {"hash", std::string(64, 'c')}};
        noiDung += NhatKy::tuanTuHoa(j.dump());
        noiDung += '\n';
    }
    TepDongJson::ghiNguyenTu(kho.nhatKy().duongDan(), QByteArrayView(noiDung.data(), qsizetype(noiDung.size())));

    auto t0 = std::chrono::steady_clock::now();
    const qsizetype doc = TepDongJson::docToanBo(kho.nhatKy().duongDan()).value_or(QByteArray()).size();
    const double chiDoc = giay(t0);
    double totNhat = 1e9;
    qsizetype soDoDang = 0;
    for (int lan = 0; lan < 3; ++lan) {
        t0 = std::chrono::steady_clock::now();
        soDoDang = NhanVideoDoDang::timTrongNhatKy(kho.nhatKy()).size();
        totNhat = std::min(totNhat, giay(t0));
    }
    std::printf("journal: %d lines, %.1f MB\n", soDong, noiDung.size() / 1e6);
    std::printf("reference, reading the bytes only: %6.3f s (%lld bytes)\n", chiDoc, static_cast<long long>(doc));
    std::printf("timTrongNhatKy, best of 3:         %6.3f s (%lld unfinished)\n", totNhat,
                static_cast<long long>(soDoDang));
    return 0;
}
