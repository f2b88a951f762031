#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <atomic>

class CameraEngine;

// Carries the engine's raw frames from the capture queue to the previews on the GUI thread. At most one
// frame is in flight: while the GUI has not taken the last one, newer frames are dropped rather than
// queued, so a busy GUI never builds up a backlog of frames. Lives as a child of its engine.
class PhatKhungXemTruoc : public QObject {
    Q_OBJECT
public:
    explicit PhatKhungXemTruoc(CameraEngine* camera);
    // Called on the capture queue.
    void nhan(const QImage& khung);

    // The frame halved (each pixel the mean of a 2x2 block) as long as the result still fills `o` on at
    // least one side, so that fitting it into `o` never enlarges it; the frame itself when it is not
    // 32-bit colour or already small enough.
    static QImage thuNhoChoO(const QImage& khung, QSize o);

public slots:
    // The size of the box the preview is shown in; empty (the start) hands the frames over at full size.
    void datKichThuocXem(QSize o);

signals:
    void khungMoi(const QImage& khung);

private:
    std::atomic<bool> dangCho_{false};
    std::atomic<int> rongXem_{0}, caoXem_{0};
};
