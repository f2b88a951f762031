#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

class CaiDat;
class KhoiDong;
class TinHieuDong;
#include "core/KhungChinh.h"
class TrangThaiApp;

// The application: it owns the settings object and the application state for the life of the process,
// applies the stored appearance before the first window shows, opens the one window around the main
// window, registers the screens and the services of the libraries above core, and runs start-up once.
class KorvanePackApp {
public:
    KorvanePackApp();
    ~KorvanePackApp();
    // Shows the window and runs the event loop; returns the exit code.
    int chay();

    // The root view of the window.
    QWidget* manHinhGoc() const { return cuaSo_.get(); }
    KhungChinh* khungChinh() const { return khung_; }

    static void apDungGiaoDien(const QString& giaoDien);

private:
    void dangKyManHinh();
    void tacVuKhoiDong();
    void dongTheoTinHieu();

    std::unique_ptr<CaiDat> caiDat_;
    std::unique_ptr<TrangThaiApp> trangThai_;
    std::unique_ptr<QWidget> cuaSo_;
    QPointer<KhungChinh> khung_;
    std::unique_ptr<KhoiDong> khoiDong_;
    std::unique_ptr<TinHieuDong> tinHieu_;
    bool choDongTheoTinHieu_ = false;
};
