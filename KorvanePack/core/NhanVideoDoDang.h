#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

struct BanGhiVideo;
class KhoDuLieu;
class NhatKy;

// The recordings a crash, a power cut or a failed stop left without a record. The fragmented file of such a
// recording plays up to about its last second, but nothing in the program can find it until a record names
// it: at start-up, before the camera opens, each one is judged like a finished recording and gets the record
// and the journal line a clean stop would have written, or the "rec_hong" line when it does not play.
//
// Pairing: the journal is read in order. Recordings never overlap within a run, so a "rec_start" is closed
// by the next "rec_finish" or "rec_hong" with its code; a "rec_start" or "app_start" that comes first means
// it never finished. A closing line that finds no running recording is one this step wrote at an earlier
// start, and it closes the oldest unfinished recording with its code. Its file is the newest one in the day
// folder that carries its kind's prefix and its safe code and was named at most a minute before the
// journal line, the later recordings choosing first; a file that a record or a "rec_hong" line already
// names is never taken.
//
// A file in its day's folder that this program named and that no record and no "rec_start" of its code and
// minute explains (its start line never reached the disk) is taken in the same way, with the code and the
// time of its name.
class NhanVideoDoDang {
public:
    struct DoDang {
        QString ma;
        QString orderId;
        QString kind;      // "pack" or "return", as journalled
        QDateTime batDau;  // UTC, the time of the "rec_start" line
    };
    struct KetQua {
        int soGiu = 0;   // records written
        int soKhongDong = 0;  // of files no journal line explained, records written
        int soHong = 0;  // files that failed the video check
        int soLoi = 0;   // files left for the next start: unreadable, or the record could not be appended
    };

    // The recordings of the journal that never finished, oldest first.
    static QList<DoDang> timTrongNhatKy(const NhatKy& nhatKy);

    // Judges and records every unfinished recording whose file is found. `khiLuuXong` gets each record
    // written, as the coordinator's after-save hook does.
    static KetQua chay(KhoDuLieu& kho, const QString& tenShop,
                       const std::function<void(const BanGhiVideo&)>& khiLuuXong = {});

    // What the packer is told once after start-up; absent when nothing was found.
    static std::optional<QString> thongBao(const KetQua& kq);

    // The longest gap between naming a recording's file and journalling its start.
    static constexpr qint64 kLechToiDaMs = 60'000;
};
