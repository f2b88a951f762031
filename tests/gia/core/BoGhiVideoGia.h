#pragma once

#include <QList>
#include <QSize>
#include <memory>
#include <mutex>
#include <optional>

#include "core/BoGhiVideo.h"

// A writer for tests that records what it is handed and fails on command, so every branch of the
// recording step and the stop can be reached without a real encoder or a full disk.
class BoGhiVideoGia final : public BoGhiVideo {
public:
    // The test's handle: what the next writers do, and what they saw.
    struct DieuKhien {
        std::mutex khoa;
        bool khongTaoDuoc = false;
        bool tuChoiDauVao = false;
        std::optional<QString> batDauLoi;       // set: batDau fails with this text (empty = no text)
        int tuChoiTiep = 0;                     // refuse this many of the next frames
        bool chuaSan = false;                   // every frame finds the queue full
        std::optional<QString> hongKhiKetThuc;  // set: finishing ends in status 3 with this text
        std::optional<QString> hongNgay;        // set: the writer fails now, with this text
        // What happened
        int soLanTao = 0;
        int soLanTaoChuaCoFile = 0;  // writers made ahead of a recording, before any file
        QList<QString> duongDan;
        QList<QSize> kichThuoc;
        QList<int64_t> bitrate;
        QList<int64_t> ptsDaNhan;
        int soLanKetThuc = 0;

        void datLai() {
            std::lock_guard lk(khoa);
            khongTaoDuoc = tuChoiDauVao = chuaSan = false;
            batDauLoi.reset();
            hongKhiKetThuc.reset();
            hongNgay.reset();
            tuChoiTiep = soLanTao = soLanTaoChuaCoFile = soLanKetThuc = 0;
            duongDan.clear();
            kichThuoc.clear();
            bitrate.clear();
            ptsDaNhan.clear();
        }
    };

    static Tao taoVoi(std::shared_ptr<DieuKhien> dk);
    // Writers without a file; the path is recorded in duongDan when moFile gives them one.
    static TaoChuaCoFile taoChuaCoFileVoi(std::shared_ptr<DieuKhien> dk);

    explicit BoGhiVideoGia(std::shared_ptr<DieuKhien> dk, bool coFile = true) : dk_(std::move(dk)), coFile_(coFile) {}
    bool themDauVao(int rong, int cao, int64_t bitrate, double tocDoKhung) override;
    bool moFile(const QString& duongDan) override;
    bool batDau() override;
    TrangThai trangThai() const override;
    QString loi() const override;
    KetQuaThem themKhung(const QImage& anh, std::chrono::microseconds pts) override;
    void ketThuc(std::function<void()> xong) override;

private:
    std::shared_ptr<DieuKhien> dk_;
    bool coFile_;
    QSize kt_;
    TrangThai tt_ = TrangThai::chuaBatDau;
    QString loi_;
};
