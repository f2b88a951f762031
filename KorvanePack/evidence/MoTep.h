#pragma once

#include <QString>

// How the lookup screen hands a file to the desktop: open it with its default application, or show it
// selected in the file manager. Neither reports back; a desktop that cannot do it simply does nothing.
class MoTep {
public:
    virtual ~MoTep() = default;
    virtual void moTep(const QString& duongDan) = 0;
    virtual void hienTrongThuMuc(const QString& duongDan) = 0;
};
