#pragma once

#include <vector>

#include "core/CongCameraManHinh.h"

// The camera as screen tests see it: the test sets the published state (each change is signalled, as the
// engine does), hands in preview frames and reader batches, and reads back what the screen asked for.
class CameraManHinhGia final : public CongCameraManHinh {
    Q_OBJECT
public:
    struct LanMo {
        std::optional<QString> cameraId;
        QString doPhanGiai;
        bool operator==(const LanMo&) const = default;
    };

    explicit CameraManHinhGia(QObject* parent = nullptr);

    void lamMoiThietBi() override;
    void moCamera(const std::optional<QString>& cameraId, const QString& doPhanGiai) override;
    void datKichThuocXem(QSize o) override { kichThuocXem_ = o; }
    double giuaHaiLanDo() const override { return giuaHaiLanDo_; }
    void datGiuaHaiLanDo(double giay) override { giuaHaiLanDo_ = giay; }

    // Test controls.
    using CongCameraManHinh::datDangChay;
    using CongCameraManHinh::datDangGhi;
    using CongCameraManHinh::datDoPhanGiai;
    using CongCameraManHinh::datGiayDaGhi;
    using CongCameraManHinh::datLoiCamera;
    using CongCameraManHinh::datTenCamera;
    // The devices the next refresh finds; lamMoiThietBi publishes them in a later pass, as the engine does.
    void datThietBiSeThay(QList<ThietBiCamera> ds) { thietBiSeThay_ = std::move(ds); }
    using CongCameraManHinh::datDanhSachThietBi;
    void phatKhung(const QImage& khung) { emit khungMoi(khung); }
    void docDuoc(const QList<DocMaVach::KetQuaDo>& lo) { emit daDocNhieuMa(lo); }

    std::vector<LanMo> cacLanMo;
    int soLanLamMoi = 0;
    QSize kichThuocXem() const { return kichThuocXem_; }

private:
    QList<ThietBiCamera> thietBiSeThay_;
    QSize kichThuocXem_;
    double giuaHaiLanDo_ = 0.12;
};
