#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "core/TrangThaiApp.h"

struct BanGhiVideo;
class CaiDat;
class BoDieuPhoi;
class KhoDuLieu;

// The start-up sequence: it builds the long-lived services in a fixed order (data store, recording
// coordinator, sync engine, backup), wires the backup into the coordinator, takes in the recordings the last
// run left without a record, checks the disk, schedules the opening of the camera and deletes expired videos,
// printing one console line per step.
//
// The coordinator, the sync engine and the backup are attached through DichVu, which the application entry
// fills in one place: the sync engine and the backup live in libraries above this one, and each piece that
// is missing is simply skipped.
class KhoiDong : public QObject {
    Q_OBJECT
public:
    struct DichVu {
        // The coordinator with its camera engine and sound player; by default the real ones.
        std::function<std::shared_ptr<BoDieuPhoi>(KhoDuLieu&, CaiDat&)> taoDieuPhoi;
        // The sync engine, built with its loop not yet started, and the start of that loop.
        std::function<std::shared_ptr<QObject>(KhoDuLieu&, CaiDat&)> taoDongBo;
        std::function<void(QObject& dongBo)> batDauDongBo;
        // The backup, and the copy of one saved record that the coordinator's after-save hook asks for.
        std::function<std::shared_ptr<QObject>(KhoDuLieu&, CaiDat&)> taoSaoLuu;
        std::function<void(QObject& saoLuu, const BanGhiVideo&)> saoLuuMot;
        std::function<TrangThaiApp::QuyenCamera()> docQuyenCamera;
        // One console line; by default standard output, flushed line by line.
        std::function<void(const QString&)> in;
    };

    static inline const char* kTienTo = "[Korvane] ";
    // The pause between the end of start-up and the camera opening, so the window settles first.
    static constexpr int kHenMoCameraMs = 400;

    KhoiDong(TrangThaiApp& trangThai, CaiDat& caiDat, DichVu dichVu, QObject* parent = nullptr);

    // Starts the sequence once per application state; later calls return at once.
    void chay();

    // Standard output, one flushed line each.
    static void inRaManHinh(const QString& dong);

signals:
    // The data folder is held by another running instance: nothing has been written and the sequence stopped.
    void khongMoDuocKho(const QString& loi);
    void daXong();
    void daMoCamera();

private:
    void chayCacBuoc();
    void in(const QString& chu);

    TrangThaiApp& trangThai_;
    CaiDat& caiDat_;
    DichVu dv_;
};
