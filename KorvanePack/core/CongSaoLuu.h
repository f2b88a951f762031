#pragma once

#include <QObject>
#include <QString>
#include <functional>

struct BanGhiVideo;

// What start-up and the screens need of the backup, which lives in a library above this one: the copy of each
// saved record, the catch-up copy of everything with its progress, and a look at the backup folder. Every call
// is made, and every signal delivered, on the GUI thread.
class CongSaoLuu : public QObject {
    Q_OBJECT
public:
    explicit CongSaoLuu(QObject* parent = nullptr) : QObject(parent) {}
    ~CongSaoLuu() override = default;

    // The marker file's name, left in a chosen backup folder; the settings name it to the owner too.
    static constexpr char kTenTepDanhDau[] = ".korvane-saoluu";

    // Returns at once; the copy happens elsewhere and its outcome is not reported.
    virtual void saoLuuMot(const BanGhiVideo& banGhi) = 0;

    virtual QString trangThai() const = 0;
    virtual bool dangChay() const = 0;
    // Returns at once; progress shows in trangThai.
    virtual void saoLuuBuToanBo() = 0;

    // Where a backup folder stands against the data folder, both resolved through symbolic links and "..".
    enum class ViTri { rieng, trung, namTrong, chuaGoc };
    struct TinhTrang {
        ViTri viTri = ViTri::rieng;
        bool sanSang = false;
    };
    // Looks at the backup folder set now away from a drive that may hang, and answers on this object's thread;
    // no answer when the backup is gone by then.
    virtual void kiemTraThuMuc(std::function<void(TinhTrang)> traLoi) = 0;

signals:
    void trangThaiChanged();
    void dangChayChanged();
    // A copy of one saved record or a catch-up run has ended, however it went: what was seen of the backup
    // folder before may no longer hold.
    void xongMotLanChep();
};
