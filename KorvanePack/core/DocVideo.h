#pragma once

#include <QImage>
#include <QString>

#include "core/GiuThuVienC.h"

// Reads a finished video: its tracks and length, and single frames at given times (what the
// coordinator checks before a recording becomes evidence, and what a dossier shows). One instance
// keeps the file open, so several frames of one file cost one opening.
class DocVideo {
public:
    explicit DocVideo(const QString& duongDan);
    ~DocVideo();
    DocVideo(const DocVideo&) = delete;
    DocVideo& operator=(const DocVideo&) = delete;

    bool moDuoc() const { return fmt_ != nullptr; }
    QString loi() const { return loi_; }
    int soLuongVideo() const { return soLuongVideo_; }
    // Seconds; 0 when the file states none.
    double thoiLuong() const { return thoiLuong_; }
    int rong() const { return rong_; }
    int cao() const { return cao_; }
    // Clockwise quarter turns that make the picture upright, from the track's display matrix.
    int xoay() const { return xoay_; }

    // The frame whose time is nearest to `giay`, upright; a null image when no frame lies within `dungSai`.
    // `giayThuc`, when given, receives the time of the frame returned.
    QImage khungLuc(double giay, double dungSai = 0.5, double* giayThuc = nullptr);

private:
    QImage chuyenDoi(const struct AVFrame* f);

    GiuDauVao fmt_;
    GiuMaHoa dec_;
    GiuSws sws_;
    int luong_ = -1;
    int soLuongVideo_ = 0;
    double thoiLuong_ = 0;
    int rong_ = 0, cao_ = 0, xoay_ = 0;
    QString loi_;
};
