#pragma once

#include <chrono>

#include "core/KhoKhoa.h"

// The desktop keyring through QtKeychain (the Secret Service on Linux), never with its plain-text fallback.
// QtKeychain's jobs are asynchronous and need an event loop; they all run on one worker thread of their own,
// and the caller waits for the result there, so the GUI thread never runs a nested event loop in which a frame
// or timer slot could re-enter.
class KhoKhoaHeThong final : public KhoKhoa {
public:
    explicit KhoKhoaHeThong(std::chrono::milliseconds thoiHan = std::chrono::seconds(10));

    std::optional<QString> doc(const QString& dichVu) override;
    KetQuaDoc docKetQua(const QString& dichVu) override;
    bool ghi(const QString& dichVu, const QString& giaTri) override;
    bool xoa(const QString& dichVu) override;

private:
    std::chrono::milliseconds thoiHan_;
};
