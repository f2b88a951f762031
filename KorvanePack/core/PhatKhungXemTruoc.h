#pragma once

#include <QImage>
#include <QObject>
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

signals:
    void khungMoi(const QImage& khung);

private:
    std::atomic<bool> dangCho_{false};
};
