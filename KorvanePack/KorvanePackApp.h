#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "shell/KhungChinh.h"
#include "core/TrangThaiApp.h"

class CaiDat;
class CameraEngine;
class DauRaAmThanh;
class DongHo;
class HenGio;
class KenhHTTP;
class KhoKhoa;
class KhoiDong;
class TinHieuDong;

// The application and the one place where its objects are built and connected: it owns the settings object
// and the application state for the life of the process, applies the stored appearance before the first
// window shows, opens the one window around the main window, registers the screens, and hands start-up the
// builders of the coordinator, the sync engine and the backup, which it runs once.
class KorvanePackApp {
public:
    // The platform edges; each one not given is the real one. A test builds the whole application on fakes.
    struct CanhNen {
        // The settings file; its fixed place under the user's configuration folder when empty.
        QString tepCaiDat;
        // The credential store; the desktop keyring when none.
        std::shared_ptr<KhoKhoa> khoKhoa;
        // The camera engine; the webcams when none.
        std::function<std::unique_ptr<CameraEngine>()> taoCamera;
        // Where the tones are played; the system audio output when none.
        std::function<std::unique_ptr<DauRaAmThanh>()> taoDauRaAmThanh;
        // The clock and the timer of the coordinator, the sync engine and the stations' screens.
        DongHo* dongHo = nullptr;
        HenGio* henGio = nullptr;
        // The platforms' transport; libcurl when none.
        std::shared_ptr<KenhHTTP> kenhHTTP;
        // Whether the camera may be used; by the device nodes when none.
        std::function<TrangThaiApp::QuyenCamera()> docQuyenCamera;
    };

    KorvanePackApp();
    explicit KorvanePackApp(CanhNen canhNen);
    ~KorvanePackApp();
    // Shows the window and runs the event loop; returns the exit code.
    int chay();
    // Shows the window and schedules start-up, without entering the event loop.
    void hien();

    // The root view of the window.
    QWidget* manHinhGoc() const { return cuaSo_.get(); }
    KhungChinh* khungChinh() const { return khung_; }
    TrangThaiApp& trangThai() const { return *trangThai_; }

    static void apDungGiaoDien(const QString& giaoDien);
    // The first-run wizard's folder choice: the open store moves onto it, the counts and the disk check follow.
    static std::optional<QString> doiKhoLanDau(TrangThaiApp& tt, CaiDat& cd, const QString& thuMuc);

private:
    void dangKyManHinh();
    void tacVuKhoiDong();
    void dongTheoTinHieu();

    CanhNen canhNen_;
    std::unique_ptr<CaiDat> caiDat_;
    std::unique_ptr<TrangThaiApp> trangThai_;
    std::unique_ptr<QWidget> cuaSo_;
    QPointer<KhungChinh> khung_;
    std::unique_ptr<KhoiDong> khoiDong_;
    std::unique_ptr<TinHieuDong> tinHieu_;
    bool choDongTheoTinHieu_ = false;
};
