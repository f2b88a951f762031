#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "core/TrangThaiApp.h"

class CaiDat;
class CongDongBo;
class CongSaoLuu;
class CumDieuPhoi;
class KhoDuLieu;

// The start-up sequence: it builds the long-lived services in a fixed order (data store, recording
// coordinator, sync engine, backup), wires the backup into the coordinator, takes in the recordings the last
// run left without a record, checks the disk, schedules the opening of the camera and deletes expired videos,
// printing one console line per step.
//
// What each service is made of is the application's choice, handed in through DichVu: the sync engine and the
// backup live in libraries above this one and are seen here only through their interfaces. A piece that is
// not given is skipped.
class KhoiDong : public QObject {
    Q_OBJECT
public:
    struct DichVu {
        // The coordinator with its camera engine and sound player.
        std::function<std::shared_ptr<CumDieuPhoi>(KhoDuLieu&, CaiDat&)> taoDieuPhoi;
        // The sync engine, built with its loop not yet started; the sequence starts it.
        std::function<std::shared_ptr<CongDongBo>(KhoDuLieu&, CaiDat&)> taoDongBo;
        // The backup, which gets every record the coordinator saves.
        std::function<std::shared_ptr<CongSaoLuu>(KhoDuLieu&, CaiDat&)> taoSaoLuu;
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

private:
    void chayCacBuoc();
    void in(const QString& chu);

    TrangThaiApp& trangThai_;
    CaiDat& caiDat_;
    DichVu dv_;
};
