#include "admin/MucKhoaCaiDat.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "admin/PhanTuThe.h"
#include "shell/BangMau.h"
#include "core/CaiDat.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"

MucKhoaCaiDat::MucKhoaCaiDat(CaiDat& caiDat, QWidget* parent)
    : TheMuc(QStringLiteral("Khoá màn hình Cài đặt"), parent), caiDat_(caiDat) {
    chuTrangThaiPin_ = new NhanMau({}, BangMau::mauHoPhach, phongChu(12.5), this);
    chuTrangThaiPin_->setObjectName(QStringLiteral("trangThaiPin"));
    chuTrangThaiPin_->setWordWrap(true);
    cot()->addWidget(chuTrangThaiPin_);

    auto* hang = new QHBoxLayout;
    hang->setSpacing(10);
    oPin_ = new QLineEdit(this);
    oPin_->setObjectName(QStringLiteral("oPin"));
    oPin_->setEchoMode(QLineEdit::Password);
    oPin_->setFixedWidth(150);
    nutDatPin_ = new QPushButton(this);
    nutDatPin_->setObjectName(QStringLiteral("nutDatPin"));
    nutBoKhoa_ = new QPushButton(QStringLiteral("Bỏ khoá"), this);
    nutBoKhoa_->setObjectName(QStringLiteral("nutBoKhoa"));
    hang->addWidget(oPin_);
    hang->addWidget(nutDatPin_);
    hang->addWidget(nutBoKhoa_);
    hang->addStretch(1);
    cot()->addLayout(hang);
    connect(oPin_, &QLineEdit::textChanged, this, [this](const QString& t) {
        pinMoi_ = t;
        capNhat();
    });
    connect(oPin_, &QLineEdit::returnPressed, this, [this] { datMaPin(); });
    connect(nutDatPin_, &QPushButton::clicked, this, [this] { datMaPin(); });
    connect(nutBoKhoa_, &QPushButton::clicked, this, [this] { boKhoa(); });

    chuThongBaoPin_ = new NhanMau({}, BangMau::mauXanhLa, phongChu(12), this);
    chuThongBaoPin_->setObjectName(QStringLiteral("thongBaoPin"));
    chuThongBaoPin_->hide();
    cot()->addWidget(chuThongBaoPin_);
    cot()->addWidget(ghiChu(QStringLiteral("Quên mã thì không có cách khôi phục. Ghi lại chỗ nào đó."), this));

    connect(&caiDat_, &CaiDat::maPinBamChanged, this, [this] { capNhat(); });
    capNhat();
}

void MucKhoaCaiDat::datMaPin() {
    // The same trim as the settings object's: a PIN of nothing but white space (a non-breaking space, a pasted
    // line break) would otherwise clear the lock while this screen reports a PIN as set.
    if (pinMoi_.trimmed().isEmpty()) return;
    caiDat_.datPin(pinMoi_);
    thongBaoPin_ = QStringLiteral("Đã đặt mã PIN.");
    oPin_->clear();
    capNhat();
}

void MucKhoaCaiDat::boKhoa() {
    caiDat_.datPin(QString());
    thongBaoPin_ = QStringLiteral("Đã bỏ khoá.");
    capNhat();
}

void MucKhoaCaiDat::capNhat() {
    const bool coPin = !caiDat_.maPinBam().isEmpty();
    chuTrangThaiPin_->setText(coPin ? kDangKhoa : kChuaKhoa);
    chuTrangThaiPin_->datMau(coPin ? BangMau::mauXanhLa : BangMau::mauHoPhach);
    oPin_->setPlaceholderText(coPin ? QStringLiteral("Mã PIN mới") : QStringLiteral("Đặt mã PIN"));
    nutDatPin_->setText(coPin ? QStringLiteral("Đổi mã") : QStringLiteral("Đặt mã"));
    nutDatPin_->setEnabled(!pinMoi_.trimmed().isEmpty());
    nutBoKhoa_->setVisible(coPin);
    chuThongBaoPin_->setVisible(thongBaoPin_.has_value());
    chuThongBaoPin_->setText(thongBaoPin_.value_or(QString()));
}
