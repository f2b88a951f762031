#include "gia/core/CameraGia.h"

#include <QFile>
#include <QPointer>

CameraGia::CameraGia(QObject* parent) : CongCamera(parent) {}

void CameraGia::datNhan(const QString& tenShop, const QString& tienToNhan) {
    tenShop_ = tenShop;
    tienToNhan_ = tienToNhan;
}

void CameraGia::chuanBiGhi(std::chrono::system_clock::time_point batDau, const QString& duongDan, int bitrateKbps,
                           const QString& ma, LoaiVideo loai) {
    cacLanChuanBi.push_back({batDau, duongDan, bitrateKbps, ma, loai, tenShop_, tienToNhan_});
    serial_.clear();
}

void CameraGia::baoDaBatDauGhi() {
    // Like the engine: the flag turns on in a later pass of the GUI thread, not during the start.
    QMetaObject::invokeMethod(
        this,
        [this] {
            datDangGhi(true);
            datGiayDaGhi(0);
        },
        Qt::QueuedConnection);
}

void CameraGia::dungGhi(KhiDungXong xong) {
    if (!dangGhi()) {
        QMetaObject::invokeMethod(
            this, [xong = std::move(xong)] { xong(std::nullopt); }, Qt::QueuedConnection);
        return;
    }
    if (tatCoGhiTre_) {
        QPointer<CameraGia> p(this);
        QMetaObject::invokeMethod(
            this, [p] { p->datDangGhi(false); }, Qt::QueuedConnection);
    } else {
        datDangGhi(false);
    }
    ++soLanDung;
    dungDangCho_ = std::move(xong);
    if (!tepTuHoanTat_.isEmpty()) {
        QPointer<CameraGia> p(this);
        QMetaObject::invokeMethod(
            this, [p] { p->hoanTatVoiTep(p->tepTuHoanTat_, p->giayTuHoanTat_); }, Qt::QueuedConnection);
    }
}

bool CameraGia::themSerial(const QString& serial) {
    const QString s = serial.trimmed();
    if (s.isEmpty()) return false;
    for (const auto& co : serial_)
        if (co.compare(s, Qt::CaseInsensitive) == 0) return false;
    serial_.append(s);
    return true;
}

void CameraGia::lamMoiThietBi() {
    ++soLanLamMoi;
    QPointer<CameraGia> toi(this);
    QMetaObject::invokeMethod(
        this,
        [toi] {
            if (toi) toi->datDanhSachThietBi(toi->thietBiSeThay_);
        },
        Qt::QueuedConnection);
}

void CameraGia::moCamera(const std::optional<QString>& cameraId, const QString& doPhanGiai) {
    cacLanMo.push_back({cameraId, doPhanGiai});
}

void CameraGia::daMoXong(const QString& ten, const QString& doPhanGiai) {
    datTenCamera(ten);
    datDangChay(true);
    datLoiCamera(QString());
    datDoPhanGiai(doPhanGiai);
}

void CameraGia::docDuoc(const QList<DocMaVach::KetQuaDo>& lo) {
    emit daDocNhieuMa(lo);
    if (!lo.isEmpty()) emit daDocDuocMa(lo.first().ma);
}

void CameraGia::docDuocMa(const QString& ma) {
    docDuoc({{ma, QStringLiteral("Code 128"), 0.05, 3}});
}

void CameraGia::hoanTatVoiTep(const QString& tepMau, int giay) {
    if (!dungDangCho_ || cacLanChuanBi.empty()) return;
    const auto& lan = cacLanChuanBi.back();
    QFile::remove(lan.duongDan);
    QFile::copy(tepMau, lan.duongDan);
    KetQuaGhi kq{lan.duongDan, lan.batDau, lan.batDau + std::chrono::seconds(giay), giay, giay * 30, lan.loai};
    traKetQua(kq);
}

void CameraGia::hoanTatKhongFile(std::optional<QString> loi) {
    if (!dungDangCho_) return;
    if (loi) datLoiCamera(*loi);
    traKetQua(std::nullopt);
}

void CameraGia::tuHoanTatVoiTep(const QString& tepMau, int giay) {
    tepTuHoanTat_ = tepMau;
    giayTuHoanTat_ = giay;
}

void CameraGia::traKetQua(std::optional<KetQuaGhi> kq) {
    auto xong = std::move(dungDangCho_);
    dungDangCho_ = nullptr;
    serial_.clear();
    xong(std::move(kq));
}
