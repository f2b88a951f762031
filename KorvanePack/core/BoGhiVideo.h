#pragma once

#include <QImage>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

// The file writer of one recording: an H.264 encoder feeding an MPEG-4 file. The status values
// keep the numbers the stop's messages print.
class BoGhiVideo {
public:
    enum class TrangThai { chuaBatDau = 0, dangGhi = 1, hoanTat = 2, thatBai = 3 };
    enum class KetQuaThem {
        daNhan,   // the frame will be in the file
        tuChoi,   // the writer refused it (counted: many refusals in a row mean a dying disk)
        chuaSan,  // the writer is busy; the frame is dropped like a late camera frame
    };
    // Creates the target file; null when it cannot be created.
    using Tao = std::function<std::unique_ptr<BoGhiVideo>(const QString& duongDan)>;
    // A writer without a file yet, so that its encoder can be set up before the recording it will serve;
    // moFile gives it the file when that recording starts.
    using TaoChuaCoFile = std::function<std::unique_ptr<BoGhiVideo>()>;

    virtual ~BoGhiVideo() = default;
    // Sets up the encoder for this frame size; false when it refuses it.
    virtual bool themDauVao(int rong, int cao, int64_t bitrate, double tocDoKhung) = 0;
    // Creates the target file of a writer made without one, before batDau; false when it cannot be
    // created, or when the writer has a file already.
    virtual bool moFile(const QString& duongDan) = 0;
    virtual bool batDau() = 0;
    virtual TrangThai trangThai() const = 0;
    virtual QString loi() const = 0;  // empty when there is none
    // Never waits: the capture thread calls it for every frame.
    virtual KetQuaThem themKhung(const QImage& anh, std::chrono::microseconds pts) = 0;
    // Finishes the file without blocking the caller; `xong` runs once on a thread of the writer's
    // choosing, after which the status is final.
    virtual void ketThuc(std::function<void()> xong) = 0;
};
