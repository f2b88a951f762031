#include "admin/TheMuc.h"

#include <QVBoxLayout>

#include "shell/BangMau.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"

TheMuc::TheMuc(const QString& tieuDe, QWidget* parent) : KhungBo(parent), tieuDe_(tieuDe) {
    setObjectName(QStringLiteral("the:") + tieuDe);
    datNen(BangMau::mauThe);
    datVien(BangMau::mauVienThe);
    datBanKinh(12);
    cot_ = new QVBoxLayout(this);
    cot_->setContentsMargins(18, 18, 18, 18);
    cot_->setSpacing(10);
    cot_->setAlignment(Qt::AlignTop);
    QFont f = phongChu(11, QFont::DemiBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.4);
    auto* dau = new NhanMau(tieuDe.toUpper(), BangMau::mauChuPhu, f, this);
    dau->setObjectName(QStringLiteral("dauThe"));
    cot_->addWidget(dau);
}
