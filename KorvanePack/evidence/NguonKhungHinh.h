#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

// Where the dossier takes its key frames from. The real one decodes the recorded file; tests hand in
// frames of their own to show how the page copes with missing ones.
class NguonKhungHinh {
public:
    struct Khung {
        QImage anh;
        double giay = 0;  // the time of the frame actually decoded
    };

    virtual ~NguonKhungHinh() = default;

    // Seconds; none when the file cannot be opened or has no video stream.
    virtual std::optional<double> thoiLuong(const QString& tep) = 0;

    // The frame nearest to `giay` within `dungSai` either side, upright and scaled down to fit `toiDa`.
    virtual std::optional<Khung> khungLuc(const QString& tep, double giay, double dungSai, QSize toiDa) = 0;
};
