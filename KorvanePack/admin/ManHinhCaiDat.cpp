#include "admin/ManHinhCaiDat.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QUrl>
#include <QVBoxLayout>

#include "admin/HopChonThuMuc.h"
#include "admin/MucCamera.h"
#include "admin/MucDongBo.h"
#include "admin/MucGiaoDien.h"
#include "admin/MucKhoaCaiDat.h"
#include "admin/MucKhoiDong.h"
#include "admin/MucLuuTru.h"
#include "admin/MucNguonDon.h"
#include "admin/MucPhanMem.h"
#include "admin/MucSaoLuu.h"
#include "admin/MucSerial.h"
#include "admin/MucTiengBao.h"
#include "admin/TuKhoiDongXdg.h"
#include "shell/BangMau.h"
#include "core/CaiDat.h"
#include "shell/KhungBo.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"
#include "store/KhoDuLieu.h"

ManHinhCaiDat::ManHinhCaiDat(CongCameraManHinh* camera, const KhoDuLieu& kho, CongDongBo* dongBo, CongSaoLuu* saoLuu,
                             CaiDat& caiDat, NenTang nenTang, QWidget* parent)
    : QScrollArea(parent) {
    if (!nenTang.chonThuMuc) {
        nenTang.chonThuMuc = [](QWidget* cha, const QString& hienTai) -> std::optional<QString> {
            std::unique_ptr<QFileDialog> hop(taoHopChonThuMuc(cha, hienTai));
            if (hop->exec() != QDialog::Accepted || hop->selectedFiles().isEmpty()) return std::nullopt;
            const QString duong = hop->selectedFiles().constFirst();
            if (duong.isEmpty()) return std::nullopt;
            return duong;
        };
    }
    if (!nenTang.moThuMuc)
        nenTang.moThuMuc = [](const QString& d) { QDesktopServices::openUrl(QUrl::fromLocalFile(d)); };
    if (!nenTang.tuKhoiDong) nenTang.tuKhoiDong = std::make_shared<TuKhoiDongXdg>();

    setObjectName(QStringLiteral("manHinhCaiDat"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    auto* nen = new KhungBo;
    nen->datNen(BangMau::mauNen);
    auto* hangNen = new QHBoxLayout(nen);
    hangNen->setContentsMargins(0, 0, 0, 0);
    auto* cotWidget = new QWidget(nen);
    cotWidget->setMaximumWidth(720);
    auto* cot = new QVBoxLayout(cotWidget);
    cot->setContentsMargins(24, 24, 24, 24);
    cot->setSpacing(22);
    cot->setAlignment(Qt::AlignTop);
    hangNen->addWidget(cotWidget, 1, Qt::AlignTop);
    hangNen->addStretch(0);

    auto* tieuDe = new NhanMau(QStringLiteral("Cài đặt"), BangMau::mauChuChinh, phongChu(22, QFont::Bold), cotWidget);
    tieuDe->setObjectName(QStringLiteral("tieuDeCaiDat"));
    cot->addWidget(tieuDe);
    cot->addWidget(new MucGiaoDien(caiDat, cotWidget));
    mucNguonDon_ = new MucNguonDon(dongBo, caiDat, cotWidget);
    cot->addWidget(mucNguonDon_);
    cot->addWidget(new MucDongBo(dongBo, cotWidget));
    mucCamera_ = new MucCamera(camera, caiDat, cotWidget);
    cot->addWidget(mucCamera_);
    cot->addWidget(new MucSerial(caiDat, cotWidget));
    cot->addWidget(new MucTiengBao(caiDat, cotWidget));
    auto* luuTru = new MucLuuTru(caiDat, nenTang.chonThuMuc, nenTang.moThuMuc, cotWidget);
    cot->addWidget(luuTru);
    mucSaoLuu_ = new MucSaoLuu(kho, saoLuu, caiDat, nenTang.chonThuMuc, cotWidget);
    cot->addWidget(mucSaoLuu_);
    // The backup card says at once when the new data folder and the backup folder overlap.
    connect(luuTru, &MucLuuTru::daChonThuMucGoc, mucSaoLuu_, &MucSaoLuu::khiChonThuMucGoc);
    cot->addWidget(new MucKhoaCaiDat(caiDat, cotWidget));
    mucKhoiDong_ = new MucKhoiDong(nenTang.tuKhoiDong, cotWidget);
    cot->addWidget(mucKhoiDong_);
    // The folder shown is the one the store was opened on: a new data folder applies only after a restart.
    cot->addWidget(new MucPhanMem(kho, nenTang.moThuMuc, cotWidget));
    setWidget(nen);
}

ManHinhCaiDat::~ManHinhCaiDat() = default;

void ManHinhCaiDat::showEvent(QShowEvent* e) {
    QScrollArea::showEvent(e);
    khiHienRa();
}

void ManHinhCaiDat::khiHienRa() {
    mucCamera_->khiHienRa();
    mucNguonDon_->napONhap();
    mucKhoiDong_->khiHienRa();
    mucSaoLuu_->khiHienRa();
}
