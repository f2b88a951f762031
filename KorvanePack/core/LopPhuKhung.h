#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>

// What the caption of one frame says.
struct NoiDungLopPhu {
    QString ma;      // code being recorded; empty before a scan
    QString tienTo;  // label put before the code ("HÀNG HOÀN" at the returns desk)
    QString tenShop;
    QString ngayGio;  // "dd/MM/yyyy HH:mm:ss" of the frame
    QStringList serial;
    bool dangGhi = false;
    qint64 giayDaQua = 0;  // whole seconds since the recording started, for the badge
};

// The caption burnt into every frame: a dark box at the bottom-left with the code, the shop and
// time, and the serials; while recording, a badge at the top-left with a red dot and the elapsed
// time. Every size follows from the frame height so the caption reads the same at any resolution.
// One instance per capture thread: it caches the fonts for the last frame height.
class LopPhuKhung {
public:
    struct KichThuoc {
        double s;  // type size in pixels
        double m;  // margin
        double u;  // badge unit
    };
    struct Dong {
        QString chu;
        QFont font;
        QColor mau;
    };

    static KichThuoc kichThuoc(int cao);
    static QString dongMa(const QString& ma, const QString& tienTo);
    static QString dongShop(const QString& tenShop, const QString& ngayGio);
    static QString dongSerial(const QStringList& serial);  // empty when there are none
    static QString chuHuyHieu(qint64 giay);

    // Draws in place; returns false when the frame could not be drawn on.
    bool ve(QImage& anh, const NoiDungLopPhu& nd);

    // Where the last frame's box and badge went, in the image's own (top-down) coordinates.
    QRectF hopChu() const { return hopChu_; }
    QRectF hopHuyHieu() const { return hopHuyHieu_; }
    QRectF chamDo() const { return chamDo_; }

private:
    void chuanBiFont(const QImage& anh);
    QList<Dong> cacDong(const NoiDungLopPhu& nd) const;

    int caoFont_ = -1;
    qreal dpiFont_ = 0;
    QFont fontMa_, fontShop_, fontSerial_, fontHuyHieu_;
    QRectF hopChu_, hopHuyHieu_, chamDo_;
};
