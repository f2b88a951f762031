#pragma once

#include <QString>
#include <optional>

// The check a finished recording must pass before it becomes evidence: the file opens as a media
// file, has a video track and a readable duration above 0.3 s. Safe to call off the GUI thread.
class KiemTraVideo {
public:
    // None when the file is a playable video, else the reason in Vietnamese.
    // When given, thoiLuong receives the playable file's length in seconds.
    static std::optional<QString> kiemTra(const QString& duongDan, double* thoiLuong = nullptr);
};
