#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// Durable work on JSON-lines files. Videos are evidence, so a record or journal line either reaches the
// disk whole or leaves the file as it was: appends are fsync'ed and cut back on failure, new files are
// written aside and renamed into place, and a line torn by a crash is repaired before the next append.
class TepDongJson {
public:
    // Whether b starts with a UTF-8 byte-order mark, which an editor may put at the start of a file.
    static bool coBom(QByteArrayView b) {
        return b.size() >= 3 && b[0] == '\xEF' && b[1] == '\xBB' && b[2] == '\xBF';
    }
    // Appends bytes (one or more whole lines ending in a line feed); creates the file atomically when
    // it does not exist yet. A last piece without its line feed is first repaired as suaDuoi does, by
    // laDongTron. Throws LoiTep; on failure the file keeps the length it had before.
    static void noiDong(const QString& duongDan, QByteArrayView dong,
                        const std::function<bool(QByteArrayView)>& laDongTron = {});

    // Writes a new file under a temporary name in the same folder, then renames it into place.
    // With khongDe, an existing file is left alone and the call reports false.
    static bool ghiNguyenTu(const QString& duongDan, QByteArrayView noiDung, bool khongDe = false);

    // A file whose last piece has no line feed: a piece that is a whole JSON object gets its line feed,
    // anything else is the torn tail of a write that never completed and is cut off, after it has been
    // kept whole and synced in the side file "<name>.doan-cat-<UTC yyyyMMddTHHmmssZ>". Nothing that
    // ends in a line feed is ever touched. Returns false when the file could not be repaired (then it
    // is left as it was). laDongTron, when given, says what a whole line is for this file (the byte-order
    // mark at the file's start already taken off); by default, any JSON object.
    static bool suaDuoi(const QString& duongDan, const std::function<bool(QByteArrayView)>& laDongTron = {});

    // A regular file opened for reading, or -1; never waits on a named pipe or a device.
    static int moDeDoc(const QString& duongDan);

    // The whole of a regular file, or absent when it does not exist or cannot be read.
    static std::optional<QByteArray> docToanBo(const QString& duongDan);

    // What docNguocTungDong leaves readable after each line it hands over: simdjson parses a line in
    // place only when at least this much memory follows it.
    static constexpr size_t kDemSau = 64;
    // The memory docNguocTungDong reads into. Handed from one file to the next it keeps the pages it has
    // touched, and fresh memory costs a page fault for every 4 KiB: most of what reading costs.
    struct DemDoc {
        std::unique_ptr<char[]> du;
        size_t co = 0;
    };
    // Hands the lines of a regular file to moiDong from the last to the first, until it returns false:
    // the last piece also without a line feed, the first without a leading UTF-8 byte-order mark (a text
    // editor may put one; the program never writes one), no empty piece. Each line is followed in memory
    // by at least kDemSau readable bytes. The file is read backwards in blocks, so only the lines being
    // looked at are held, and lines a file gains meanwhile are not read. False when it is not a regular
    // file, cannot be read, or shrank while it was read.
    static bool docNguocTungDong(const QString& duongDan, DemDoc& dem,
                                 const std::function<bool(QByteArrayView)>& moiDong);
    // The same, each line handed over with the offset in the file of its first byte, for reading it
    // again later with docTai.
    static bool docNguocTungDong(const QString& duongDan, DemDoc& dem,
                                 const std::function<bool(QByteArrayView, qint64)>& moiDong);
    // Reads exactly n bytes at offset viTri of an open file into dich; false when the file cannot be
    // read there or ends before them.
    static bool docTai(int fd, qint64 viTri, char* dich, size_t n);

    // Syncs the entries of the folder held open as fd: false when they may not have reached the disk (errno then
    // says why). A filesystem that cannot sync a folder at all offers nothing better, so that counts as done.
    static bool dongBoThuMucMo(int fd);

    // Creates a folder with its parents; throws LoiTep.
    static void taoThuMuc(const QString& duongDan);

    // Removes the temporary files an atomic write left behind when the process died before its
    // rename. Only for a folder no one else is writing into (the caller holds the data folder's lock).
    static void donTepTam(const QString& thuMuc);
};
