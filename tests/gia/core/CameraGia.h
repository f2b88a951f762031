#pragma once

#include <QObject>
#include <vector>

#include "core/CongCamera.h"

// A scriptable camera for tests, one object for the coordinator and the screens alike, so what the screens
// show follows what the coordinator did: arming and stopping are recorded, a started recording publishes its
// flag in a later pass as the engine does, and a stop stays open until the test completes it, with a file
// copied from a fixture, with no file, or with an error text. It starts as the engine does, closed; the test
// sets the rest of the published state, hands in preview frames and reader batches, and reads back what the
// screens asked for.
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
    struct LanMo {
        std::optional<QString> cameraId;
        QString doPhanGiai;
        bool operator==(const LanMo&) const = default;
    };

    explicit CameraGia(QObject* parent = nullptr);

    void datNhan(const QString& tenShop, const QString& tienToNhan) override;
    void chuanBiGhi(std::chrono::system_clock::time_point batDau, const QString& duongDan, int bitrateKbps,
                    const QString& ma, LoaiVideo loai) override;
    void baoDaBatDauGhi() override;
    void dungGhi(KhiDungXong xong) override;
    bool themSerial(const QString& serial) override;
    QStringList danhSachSerial() override { return serial_; }

    void lamMoiThietBi() override;
    void moCamera(const std::optional<QString>& cameraId, const QString& doPhanGiai) override;
    void datKichThuocXem(QSize o) override { kichThuocXem_ = o; }
    double giuaHaiLanDo() const override { return giuaHaiLanDo_; }
    void datGiuaHaiLanDo(double giay) override { giuaHaiLanDo_ = giay; }

    // Test controls.
    using CongCameraManHinh::datDangChay;
    using CongCameraManHinh::datDanhSachThietBi;
    using CongCameraManHinh::datDoPhanGiai;
    using CongCameraManHinh::datGiayDaGhi;
    using CongCameraManHinh::datLoiCamera;
    using CongCameraManHinh::datTenCamera;
    // Publishes what the engine does once an opened camera's frames flow.
    void daMoXong(const QString& ten = QStringLiteral("Webcam thử"),
                  const QString& doPhanGiai = QStringLiteral("1280x720"));
    // The devices the next refresh finds; lamMoiThietBi publishes them in a later pass, as the engine does.
    void datThietBiSeThay(QList<ThietBiCamera> ds) { thietBiSeThay_ = std::move(ds); }
    void phatKhung(const QImage& khung) { emit khungMoi(khung); }
    // A read as the engine's reader hands it on: the whole batch, then its largest code.
    void docDuoc(const QList<DocMaVach::KetQuaDo>& lo);
    // A read of one Code 128 label, handed on as the engine does: a batch of that code, then the code.
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
    std::vector<LanMo> cacLanMo;
    int soLanLamMoi = 0;
    QSize kichThuocXem() const { return kichThuocXem_; }

private:
    void traKetQua(std::optional<KetQuaGhi> kq);

    bool tatCoGhiTre_ = false;
    QString tenShop_ = QStringLiteral("Shop");
    QString tienToNhan_;
    QStringList serial_;
    KhiDungXong dungDangCho_;
    QString tepTuHoanTat_;
    int giayTuHoanTat_ = 0;
    QList<ThietBiCamera> thietBiSeThay_;
    QSize kichThuocXem_;
    double giuaHaiLanDo_ = 0.12;
};
