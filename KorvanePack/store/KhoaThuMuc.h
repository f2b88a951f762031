#pragma once

#include <QString>
#include <optional>

// An exclusive lock on a data folder, held for the life of the store. Two writers on one folder would
// each chain the journal to their own last line and break it, so the second one must not write at all.
// The lock is an flock on "data/.khoa": the kernel drops it when the holder dies, even by SIGKILL.
class KhoaThuMuc {
public:
    KhoaThuMuc() = default;
    ~KhoaThuMuc();
    KhoaThuMuc(const KhoaThuMuc&) = delete;
    KhoaThuMuc& operator=(const KhoaThuMuc&) = delete;

    // Absent on success (or when already held); otherwise the Vietnamese text to show.
    std::optional<QString> giu(const QString& thuMucData);
    void tha();
    bool dangGiu() const { return fd_ >= 0; }

    static QString tenTepKhoa() { return QStringLiteral(".khoa"); }

private:
    int fd_ = -1;
};
