#pragma once

#include <QObject>
#include <vector>

#include "core/CongCamera.h"

// A scriptable camera for tests: arming and stopping are recorded, and a stop stays open until the
// test completes it, with a file copied from a fixture, with no file, or with an error text.
class CameraGia final : public CongCamera {
    Q_OBJECT
public:
    struct LanChuanBi {
        std::chrono::system_clock::time_point batDau;
        QString duongDan;
        int bitrateKbps = 0;
        QString ma;
        LoaiVideo loai = LoaiVideo::dongGoi;
        QString tenShop;
        QString tienToNhan;
    };

    explicit CameraGia(QObject* parent = nullptr);

    bool dangChay() const override { return dangChay_; }
    bool dangGhi() const override { return dangGhi_; }
    int giayDaGhi() const override { return giayDaGhi_; }
    std::optional<QString> loiCamera() const override { return loiCamera_; }
    QString tenCamera() const override { return tenCamera_; }
    QString doPhanGiai() const override { return doPhanGiai_; }
    void datNhan(const QString& tenShop, const QString& tienToNhan) override;
    void chuanBiGhi(std::chrono::system_clock::time_point batDau, const QString& duongDan, int bitrateKbps,
                    const QString& ma, LoaiVideo loai) override;
    void baoDaBatDauGhi() override;
    void dungGhi(KhiDungXong xong) override;
    bool themSerial(const QString& serial) override;
    QStringList danhSachSerial() override { return serial_; }

    // Test controls.
    void datDangChay(bool v) { dangChay_ = v; }
    void datGiayDaGhi(int v) { giayDaGhi_ = v; }
    void datLoiCamera(std::optional<QString> v) { loiCamera_ = std::move(v); }
    void datTenVaDoPhanGiai(const QString& ten, const QString& doPhanGiai);
    void docDuocMa(const QString& ma);
    bool coDungDangCho() const { return static_cast<bool>(dungDangCho_); }
    // Completes the open stop: copies tepMau to the armed path and reports giay seconds.
    void hoanTatVoiTep(const QString& tepMau, int giay);
    // Completes the open stop with no file; the reason, if any, goes to loiCamera first.
    void hoanTatKhongFile(std::optional<QString> loi);
    // Like an engine that clears its recording flag only in a later pass of the GUI thread: a second
    // stop made in the same pass still finds it recording and would finish the writer again.
    void datTatCoGhiTre(bool v) { tatCoGhiTre_ = v; }
    // When set, every stop completes at once with a copy of this file.
    void tuHoanTatVoiTep(const QString& tepMau, int giay);

    std::vector<LanChuanBi> cacLanChuanBi;
    int soLanDung = 0;  // stops that reached a recording writer

private:
    void traKetQua(std::optional<KetQuaGhi> kq);

    bool dangChay_ = true;
    bool dangGhi_ = false;
    bool tatCoGhiTre_ = false;
    int giayDaGhi_ = 0;
    std::optional<QString> loiCamera_;
    QString tenCamera_ = QStringLiteral("Webcam thử");
    QString doPhanGiai_ = QStringLiteral("1280x720");
    QString tenShop_ = QStringLiteral("Shop");
    QString tienToNhan_;
    QStringList serial_;
    KhiDungXong dungDangCho_;
    QString tepTuHoanTat_;
    int giayTuHoanTat_ = 0;
};
