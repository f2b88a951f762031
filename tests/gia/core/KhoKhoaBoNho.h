#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "core/KhoKhoa.h"

class QThread;

// The credential store for tests: a map in memory that can be told to fail like an unavailable keyring, to
// answer slowly, or to hold every call until the test lets it through. It notes the thread of each read.
// Tests set `muc` while no call is under way; the calls themselves may come from any thread.
class KhoKhoaBoNho final : public KhoKhoa {
public:
    std::optional<QString> doc(const QString& dichVu) override;
    KetQuaDoc docKetQua(const QString& dichVu) override;
    bool ghi(const QString& dichVu, const QString& giaTri) override;
    bool xoa(const QString& dichVu) override;

    // Holds every later call until moCua(); a held call gives up after choToiDa and goes on as if let through,
    // so a test that never opens cannot hang.
    void dongCua(std::chrono::milliseconds choToiDa = std::chrono::seconds(20));
    void moCua();
    // The calls waiting at the closed door now.
    int soDangCho() const;
    // Every thread a read ran on, oldest first.
    QList<QThread*> cacLuongDoc() const;

    QHash<QString, QString> muc;
    // No call answers: reads give "no answer", writes fail.
    std::atomic<bool> hong{false};
    // Reads answer, writes and deletions fail.
    std::atomic<bool> hongGhi{false};
    // Reads of these services give "no answer"; the others answer.
    QSet<QString> hongDoc;
    // How long each call takes, like a keyring behind a slow bus.
    std::chrono::milliseconds tre{0};
    std::atomic<int> soLanDoc{0};

private:
    void cho(std::unique_lock<std::mutex>& lk);

    mutable std::mutex khoa_;
    std::condition_variable coTin_;
    bool dong_ = false;
    std::chrono::milliseconds choToiDa_{0};
    int dangCho_ = 0;
    QList<QThread*> cacLuong_;
};
