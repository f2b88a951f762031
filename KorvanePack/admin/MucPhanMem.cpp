#include "admin/MucPhanMem.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/BangMau.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"

MucPhanMem::MucPhanMem(const KhoDuLieu& kho, MoThuMuc moThuMuc, QWidget* parent)
    : TheMuc(QStringLiteral("Phần mềm"), parent),
      kho_(kho),
      thuMucGoc_(kho.thuMucGoc()),
      moThuMuc_(std::move(moThuMuc)) {
    if (!moThuMuc_) moThuMuc_ = [](const QString& d) { QDesktopServices::openUrl(QUrl::fromLocalFile(d)); };

    QLabel* phienBan = nullptr;
    QLabel* khoDuLieu = nullptr;
    cot()->addWidget(dongThongTin(QStringLiteral("Phiên bản"), chuPhienBan(), true, &phienBan));
    cot()->addWidget(dongThongTin(QStringLiteral("Kho dữ liệu"), thuMucGoc_, true, &khoDuLieu));
    cot()->addWidget(dongThongTin(QStringLiteral("Đã nạp"), QString(), false, &giaTriDaNap_));
    phienBan->setObjectName(QStringLiteral("giaTriPhienBan"));
    khoDuLieu->setObjectName(QStringLiteral("giaTriKhoDuLieu"));
    giaTriDaNap_->setObjectName(QStringLiteral("giaTriDaNap"));

    auto* hang = new QHBoxLayout;
    auto* mo = new QPushButton(QStringLiteral("Mở thư mục dữ liệu"), this);
    mo->setObjectName(QStringLiteral("nutMoThuMucDuLieu"));
    nutKiemTra_ = new QPushButton(QStringLiteral("Kiểm tra chuỗi nhật ký"), this);
    nutKiemTra_->setObjectName(QStringLiteral("nutKiemTraNhatKy"));
    hang->addWidget(mo);
    hang->addWidget(nutKiemTra_);
    hang->addStretch(1);
    cot()->addLayout(hang);
    connect(mo, &QPushButton::clicked, this, [this] { moThuMuc_(thuMucGoc_); });
    connect(nutKiemTra_, &QPushButton::clicked, this, [this] { kiemTraNhatKy(); });

    chuKetQua_ = new NhanMau({}, BangMau::mauDo, phongChu(12.5), this);
    chuKetQua_->setObjectName(QStringLiteral("ketQuaNhatKy"));
    chuKetQua_->setWordWrap(true);
    chuKetQua_->hide();
    cot()->addWidget(chuKetQua_);
    lamMoiSoLuong();
}

QString MucPhanMem::chuPhienBan(const QString& phienBan, const QString& banDung) {
    return QStringLiteral("Korvane Zize ") + (phienBan.isEmpty() ? QStringLiteral("1.0") : phienBan) +
           QStringLiteral(" (") + (banDung.isEmpty() ? QStringLiteral("1") : banDung) + QLatin1Char(')');
}

QString MucPhanMem::chuKetQua(const NhatKy::KetQuaKiemTra& kq) {
    if (kq.ok)
        return QStringLiteral("Nguyên vẹn — ") + QString::number(kq.soDong) +
               QStringLiteral(" dòng nhật ký, chuỗi băm liền mạch.");
    if (!kq.dongGay) return QStringLiteral("Không đọc được nhật ký.");
    return QStringLiteral("Chuỗi băm GÃY ở dòng ") + QString::number(*kq.dongGay) +
           QStringLiteral(". Nhật ký đã bị sửa hoặc file hỏng.");
}

QString MucPhanMem::chuDaNap(qsizetype soDon, qsizetype soVideo) {
    return QString::number(soDon) + QStringLiteral(" đơn · ") + QString::number(soVideo) + QStringLiteral(" video");
}

void MucPhanMem::kiemTraNhatKy() {
    if (dangKiemTra_) return;
    dangKiemTra_ = true;
    nutKiemTra_->setEnabled(false);
    // The earlier verdict is not left beside a check that may find otherwise.
    ketQuaNhatKy_.reset();
    chuKetQua_->setText(QStringLiteral("Đang kiểm tra chuỗi nhật ký…"));
    chuKetQua_->datMau(BangMau::mauChuPhu);
    chuKetQua_->show();
    QPointer<MucPhanMem> toi = this;
    // With no store there is no journal that could be vouched for.
    NhatKy::kiemTraNen(kho_.nhatKy().chupDeKiemTra(), this, [toi](NhatKy::KetQuaKiemTra kq) {
        if (!toi) return;
        const QString chu = chuKetQua(kq);
        toi->dangKiemTra_ = false;
        toi->nutKiemTra_->setEnabled(true);
        toi->ketQuaNhatKy_ = chu;
        toi->chuKetQua_->setText(chu);
        toi->chuKetQua_->datMau(kq.ok ? BangMau::mauXanhLa : BangMau::mauDo);
        toi->lamMoiSoLuong();
        emit toi->daKiemTraXong();
    });
}

void MucPhanMem::lamMoiSoLuong() {
    giaTriDaNap_->setText(chuDaNap(kho_.donTheoId().size(), kho_.videoTheoId().size()));
}

void MucPhanMem::showEvent(QShowEvent* e) {
    lamMoiSoLuong();
    TheMuc::showEvent(e);
}

void MucPhanMem::paintEvent(QPaintEvent* e) {
    // Read again at every drawing, so a video saved while the card is on screen shows at its next repaint. The
    // label repaints only when its text really changes, so this does not keep the card drawing.
    lamMoiSoLuong();
    TheMuc::paintEvent(e);
}

QWidget* MucPhanMem::dongThongTin(const QString& nhan, const QString& giaTri, bool donCach, QLabel** oGiaTri) {
    auto* dong = new QWidget(this);
    auto* hang = new QHBoxLayout(dong);
    hang->setContentsMargins(0, 5, 0, 5);
    auto* chuNhan = new NhanMau(nhan, BangMau::mauChuPhu, phongChu(12.5), dong);
    hang->addWidget(chuNhan, 0, Qt::AlignTop);
    hang->addStretch(1);
    auto* chuGiaTri = new NhanMau(giaTri, BangMau::mauChuChinh, phongChu(13, QFont::DemiBold, donCach), dong);
    chuGiaTri->setWordWrap(true);
    chuGiaTri->setAlignment(Qt::AlignRight | Qt::AlignTop);
    chuGiaTri->setTextInteractionFlags(Qt::TextSelectableByMouse);
    hang->addWidget(chuGiaTri, 1, Qt::AlignTop);
    *oGiaTri = chuGiaTri;
    return dong;
}
