#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "core/BoNhanDienMa.h"

class DongHo;
class HangDoiTuanTu;

// Turns live camera frames into decoded barcodes. The camera engine offers every frame from its capture
// queue; at most one read runs at a time, and frames that come while one runs or too soon after the last
// accepted one are dropped, never queued, so a slow decode lowers the read rate instead of building a
// backlog behind the camera. The code with the largest box in a frame is the one the packer is showing.
class DocMaVach : public QObject {
    Q_OBJECT
public:
    struct KetQuaDo {
        QString ma;           // trimmed payload, never empty
        QString loai;         // display name of the symbology
        double dienTich = 0;  // box area as a fraction of the frame
        qint64 mili = 0;      // whole milliseconds the read took, the same for every code of one read
    };

    // Builds the reader on the system clock and the ZBar/zxing detector.
    explicit DocMaVach(QObject* parent = nullptr);
    DocMaVach(std::unique_ptr<BoNhanDienMa> boNhanDien, const DongHo& dongHo, QObject* parent = nullptr);
    ~DocMaVach() override;

    // Symbology identifiers asked of the detector, in this order.
    const QStringList loaiMa;

    // The per-frame entry, called on the capture queue before anything is drawn into the frame. When it
    // returns the reader holds its own copy or has dropped the frame, so the caller may draw into it.
    void nhanKhung(const QImage& khung);

    // A deep copy of the frame's pixels, or none when the frame has no pixels or memory runs out.
    static std::optional<QImage> chupBanSao(const QImage& nguon);
    // The luma of a 32-bit colour frame as a Grayscale8 copy, with the detector's own weights, so a read
    // neither copies 8 MB nor makes grey again; other formats are copied as they are (chupBanSao).
    static std::optional<QImage> chupXam(const QImage& nguon);

    // One detection with delivery; runs on the reader's own queue.
    void doMa(const QImage& khung);

    static QString tenLoaiMa(const QString& dinhDanh);

    // Least time, in seconds, between the starts of two reads.
    double giuaHaiLanDo() const;
    void setGiuaHaiLanDo(double giay);

    // A read is in flight.
    bool dangBan() const;

signals:
    // Both are emitted on the thread the reader lives on (the GUI thread), the list first: every code of one
    // frame, largest box first, then that largest code alone.
    void thayNhieuMa(const QList<DocMaVach::KetQuaDo>& ketQua);
    void thayMa(const QString& ma);

private:
    void giaoKetQua(QList<KetQuaDo> ketQua);

    const DongHo& dongHo_;
    std::unique_ptr<BoNhanDienMa> boNhanDien_;

    mutable std::mutex khoa_;
    bool dangBan_ = false;
    // None stands for the distant past: the first frame after start is read at once.
    std::optional<std::chrono::steady_clock::time_point> lanDoCuoi_;
    double giuaHaiLanDo_ = 0.12;

    // Set when destruction starts, so work already queued does nothing.
    std::atomic<bool> daHuy_{false};
    QPointer<DocMaVach> chinhNo_;
    std::unique_ptr<HangDoiTuanTu> hangDoi_;
};
