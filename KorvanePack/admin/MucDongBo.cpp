#include "admin/MucDongBo.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "admin/PhanTuThe.h"
#include "core/CongDongBo.h"
#include "shell/BangMau.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"

MucDongBo::MucDongBo(CongDongBo* dongBo, QWidget* parent)
    : TheMuc(QStringLiteral("Đồng bộ đơn hàng"), parent), dongBo_(dongBo) {
    cot()->addWidget(ghiChu(QStringLiteral("App tự hỏi Haravan mỗi 60 giây. Haravan không gọi ngược về máy ở "
                                           "kho được vì máy này không có địa chỉ web công khai."),
                            this));
    auto* hang = new QHBoxLayout;
    hang->setSpacing(10);
    nutDongBoNgay_ = new QPushButton(QStringLiteral("Đồng bộ ngay"), this);
    nutDongBoNgay_->setObjectName(QStringLiteral("nutDongBoNgay"));
    nutLay30Ngay_ = new QPushButton(QStringLiteral("Lấy lại 30 ngày gần nhất"), this);
    nutLay30Ngay_->setObjectName(QStringLiteral("nutLay30Ngay"));
    quayDongBo_ = vongQuay(this);
    hang->addWidget(nutDongBoNgay_, 0, Qt::AlignVCenter);
    hang->addWidget(nutLay30Ngay_, 0, Qt::AlignVCenter);
    hang->addWidget(quayDongBo_, 0, Qt::AlignVCenter);
    hang->addStretch(1);
    cot()->addLayout(hang);
    connect(nutDongBoNgay_, &QPushButton::clicked, this, [this] {
        if (dongBo_) dongBo_->dongBo(false);
    });
    connect(nutLay30Ngay_, &QPushButton::clicked, this, [this] {
        if (dongBo_) dongBo_->dongBo(true);
    });

    chuTrangThaiDongBo_ = new NhanMau({}, BangMau::mauXanhLa, phongChu(12.5), this);
    chuTrangThaiDongBo_->setObjectName(QStringLiteral("trangThaiDongBo"));
    chuTrangThaiDongBo_->setWordWrap(true);
    cot()->addWidget(chuTrangThaiDongBo_);
    chuLoiDongBo_ = new NhanMau({}, BangMau::mauDo, phongChu(12), this);
    chuLoiDongBo_->setObjectName(QStringLiteral("loiDongBo"));
    chuLoiDongBo_->setWordWrap(true);
    cot()->addWidget(chuLoiDongBo_);

    khungNhatKy_ = new QWidget(this);
    khungNhatKy_->setObjectName(QStringLiteral("nhatKyDongBo"));
    cotNhatKy_ = new QVBoxLayout(khungNhatKy_);
    cotNhatKy_->setContentsMargins(0, 0, 0, 0);
    cotNhatKy_->setSpacing(3);
    cot()->addWidget(khungNhatKy_);

    if (dongBo_) {
        connect(dongBo_, &CongDongBo::dangChayChanged, this, [this] { capNhat(); });
        connect(dongBo_, &CongDongBo::trangThaiChanged, this, [this] { capNhat(); });
        connect(dongBo_, &CongDongBo::loiChanged, this, [this] { capNhat(); });
        connect(dongBo_, &CongDongBo::nhatKyChanged, this, [this] { capNhat(); });
    }
    capNhat();
}

void MucDongBo::capNhat() {
    const bool dangDongBo = dongBo_ && dongBo_->dangChay();
    nutDongBoNgay_->setEnabled(dongBo_ && !dangDongBo);
    nutLay30Ngay_->setEnabled(dongBo_ && !dangDongBo);
    quayDongBo_->setVisible(dangDongBo);
    const QString loi = dongBo_ ? dongBo_->loi() : QString();
    chuTrangThaiDongBo_->setText(dongBo_ ? dongBo_->trangThai() : QString());
    chuTrangThaiDongBo_->datMau(loi.isEmpty() ? BangMau::mauXanhLa : BangMau::mauDo);
    chuLoiDongBo_->setVisible(!loi.isEmpty());
    chuLoiDongBo_->setText(loi);
    capNhatNhatKy();
}

void MucDongBo::capNhatNhatKy() {
    const QStringList tatCa = dongBo_ ? dongBo_->nhatKy() : QStringList();
    const QStringList cuoi = tatCa.mid(qMax<qsizetype>(0, tatCa.size() - 6));
    khungNhatKy_->setVisible(!cuoi.isEmpty());
    if (cuoi == nhatKyDaVe_) return;
    nhatKyDaVe_ = cuoi;
    while (QLayoutItem* muc = cotNhatKy_->takeAt(0)) {
        delete muc->widget();
        delete muc;
    }
    for (const QString& dong : cuoi) {
        auto* n = new NhanMau(dong, BangMau::mauChuPhu, phongChu(11, QFont::Normal, true), khungNhatKy_);
        n->setWordWrap(true);
        n->setTextInteractionFlags(Qt::TextSelectableByMouse);
        cotNhatKy_->addWidget(n);
    }
}
