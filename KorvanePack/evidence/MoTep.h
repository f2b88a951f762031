#pragma once

#include <QString>
#include <functional>

// How the lookup screen hands a file to the desktop: open it with its default application, or show it
// selected in the file manager. Each answers once, on the GUI thread, whether the desktop found a program for
// it: a desktop with none installed would otherwise leave the button doing nothing at all.
class MoTep {
public:
    using KetQuaMo = std::function<void(bool moDuoc)>;

    virtual ~MoTep() = default;
    virtual void moTep(const QString& duongDan, KetQuaMo xong) = 0;
    virtual void hienTrongThuMuc(const QString& duongDan, KetQuaMo xong = {}) = 0;
};
