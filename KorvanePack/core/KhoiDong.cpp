#include "core/KhoiDong.h"

#include <QTimer>
#include <cstdio>

#include "core/BoDieuPhoi.h"
#include "core/BoSuaBanGhi.h"
#include "core/CaiDat.h"
#include "core/CongDongBo.h"
#include "core/CongSaoLuu.h"
#include "core/CumDieuPhoi.h"
#include "core/NhanVideoDoDang.h"
#include "core/QuyenCamera.h"
#include "core/TrangThaiApp.h"
#include "store/BanGhiVideo.h"
#include "store/KhoDuLieu.h"

KhoiDong::KhoiDong(TrangThaiApp& trangThai, CaiDat& caiDat, DichVu dichVu, QObject* parent)
    : QObject(parent), trangThai_(trangThai), caiDat_(caiDat), dv_(std::move(dichVu)) {
    if (!dv_.docQuyenCamera) dv_.docQuyenCamera = [] { return QuyenCamera::doc(); };
    if (!dv_.in) dv_.in = &KhoiDong::inRaManHinh;
}

void KhoiDong::inRaManHinh(const QString& dong) {
    const QByteArray b = dong.toUtf8() + '\n';
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
    std::fflush(stdout);
}

void KhoiDong::in(const QString& chu) {
    dv_.in(QString::fromLatin1(kTienTo) + chu);
}

void KhoiDong::chay() {
    if (trangThai_.daKhoiDong()) return;
    trangThai_.datDaKhoiDong();
    // Yield once so the window draws its progress text before the work starts.
    QPointer<KhoiDong> toi = this;
    QTimer::singleShot(0, this, [toi] {
        if (toi) toi->chayCacBuoc();
    });
}

void KhoiDong::chayCacBuoc() {
    // 1. Camera permission. Linux asks nobody: the device nodes either open or refuse.
    trangThai_.datQuyenCamera(dv_.docQuyenCamera());
    in(QStringLiteral("quyền camera xong: ") + QString::number(static_cast<int>(trangThai_.quyenCamera())));

    // 2. Data store. A folder that another running instance holds is not touched at all.
    auto kho = std::make_shared<KhoDuLieu>(caiDat_.thuMucGoc());
    if (const auto loi = kho->moKho()) {
        emit khongMoDuocKho(*loi);
        return;
    }
    const KhoDuLieu::SoLuong so = kho->napTatCa(8, caiDat_.soNgayGiu());
    in(QStringLiteral("nạp kho xong"));
    trangThai_.datSoDon(int(so.soDon));
    trangThai_.datSoVideo(int(so.soVideo));
    kho->nhatKy().ghi(QStringLiteral("app_start"), {{QStringLiteral("don"), QString::number(so.soDon)},
                                                    {QStringLiteral("video"), QString::number(so.soVideo)}});
    trangThai_.datKho(kho);

    // 3. Coordinator. 4 and 5 follow in the same pass, so the window never sees the coordinator alone for
    // longer than one turn of the event loop.
    in(QStringLiteral("dựng bộ điều phối"));
    std::shared_ptr<CumDieuPhoi> cum = dv_.taoDieuPhoi ? dv_.taoDieuPhoi(*kho, caiDat_) : nullptr;
    BoDieuPhoi* dieuPhoi = cum ? &cum->dieuPhoi() : nullptr;
    if (cum) {
        trangThai_.datDieuPhoi(cum);
        // Edits of saved records sound on the coordinator's player and report on its notice line.
        auto sua = std::make_shared<BoSuaBanGhi>(*kho, dieuPhoi->congTieng());
        dieuPhoi->hienThongBaoCua(*sua);
        trangThai_.datSuaBanGhi(std::move(sua));
    }

    // 4. Sync engine.
    in(QStringLiteral("dựng bộ đồng bộ"));
    if (dv_.taoDongBo) {
        if (auto dongBo = dv_.taoDongBo(*kho, caiDat_)) {
            trangThai_.datDongBo(dongBo);
            dongBo->batDau();
        }
    }

    // 5. Backup, hooked in after every saved record; the hook never keeps the backup alive.
    in(QStringLiteral("dựng sao lưu"));
    std::function<void(const BanGhiVideo&)> saoLuuXong;
    if (dv_.taoSaoLuu) {
        if (auto saoLuu = dv_.taoSaoLuu(*kho, caiDat_)) {
            trangThai_.datSaoLuu(saoLuu);
            if (dieuPhoi) {
                std::weak_ptr<CongSaoLuu> yeu = saoLuu;
                saoLuuXong = [yeu](const BanGhiVideo& banGhi) {
                    if (auto s = yeu.lock()) s->saoLuuMot(banGhi);
                };
                connect(dieuPhoi, &BoDieuPhoi::daLuuVideo, dieuPhoi, saoLuuXong);
            }
        }
    }

    // Recordings the last run left without a record, judged before the camera can start a new one. The
    // disk check's message, when the folder cannot be written, is the more urgent and replaces this one.
    in(QStringLiteral("nhận video quay dở"));
    const NhanVideoDoDang::KetQua doDang = NhanVideoDoDang::chay(*kho, caiDat_.tenShop(), saoLuuXong);
    if (const int so = doDang.soGiu + doDang.soKhongDong; so > 0) trangThai_.datSoVideo(trangThai_.soVideo() + so);
    if (const auto tb = NhanVideoDoDang::thongBao(doDang); tb && dieuPhoi) dieuPhoi->datThongBao(*tb);

    // 6. Disk check: starts the first free-space measurement; its answer is not needed here.
    in(QStringLiteral("đo ổ đĩa"));
    if (dieuPhoi) dieuPhoi->kiemTraTruocKhiQuay();

    // 7. Camera, a moment later and without waiting for it. The id and resolution are read on waking.
    if (trangThai_.quyenCamera() == TrangThaiApp::QuyenCamera::duocPhep) {
        in(QStringLiteral("hẹn mở camera"));
        QPointer<CongCameraManHinh> camera = cum ? &cum->camera() : nullptr;
        QPointer<KhoiDong> toi = this;
        QTimer::singleShot(kHenMoCameraMs, this, [toi, camera] {
            if (!toi) return;
            toi->in(QStringLiteral("mở camera"));
            if (CongCameraManHinh* cam = camera.data()) {
                const QString id = toi->caiDat_.cameraId();
                cam->moCamera(id.isEmpty() ? std::nullopt : std::optional<QString>(id), toi->caiDat_.doPhanGiai());
            }
        });
    }

    // 8. Retention clean-up; when anything went, the count is taken again from what is still kept.
    const KhoDuLieu::KetQuaDonDep donDep = kho->donDepVideoCu(caiDat_.soNgayGiu());
    if (donDep.soFile >= 1) {
        int con = 0;
        for (const BanGhiVideo& v : kho->videoTheoId())
            if (!v.daXoa()) ++con;
        trangThai_.datSoVideo(con);
    }

    // 9.
    in(QStringLiteral("khởi động xong"));
    emit daXong();
}
