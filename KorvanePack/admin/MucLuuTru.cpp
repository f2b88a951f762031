#include "admin/MucLuuTru.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "admin/NhanRutGon.h"
#include "admin/PhanTuThe.h"
#include "shell/BangMau.h"
#include "core/CaiDat.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"

MucLuuTru::MucLuuTru(CaiDat& caiDat, ChonThuMuc chonThuMuc, MoThuMuc moThuMuc, QWidget* parent)
    : TheMuc(QStringLiteral("Lưu trữ"), parent),
      caiDat_(caiDat),
      chonThuMuc_(std::move(chonThuMuc)),
      moThuMuc_(std::move(moThuMuc)) {
    oTenShop_ = new QLineEdit(caiDat_.tenShop(), this);
    oTenShop_->setObjectName(QStringLiteral("oTenShop"));
    oTenShop_->setPlaceholderText(QStringLiteral("Tên shop in lên video"));
    cot()->addWidget(oTenShop_);
    connect(oTenShop_, &QLineEdit::textEdited, this, [this](const QString& t) { caiDat_.setTenShop(t); });

    auto* hang = new QHBoxLayout;
    chuThuMucGoc_ = new NhanRutGon(caiDat_.thuMucGoc(), BangMau::mauChuChinh, phongChu(12, QFont::Normal, true), this);
    chuThuMucGoc_->setObjectName(QStringLiteral("chuThuMucGoc"));
    auto* chon = new QPushButton(QStringLiteral("Chọn…"), this);
    chon->setObjectName(QStringLiteral("nutChonThuMucGoc"));
    auto* mo = new QPushButton(QStringLiteral("Mở"), this);
    mo->setObjectName(QStringLiteral("nutMoThuMucGoc"));
    hang->addWidget(chuThuMucGoc_, 1);
    hang->addWidget(chon);
    hang->addWidget(mo);
    cot()->addLayout(hang);
    connect(chon, &QPushButton::clicked, this, [this] { chonThuMucGoc(); });
    connect(mo, &QPushButton::clicked, this, [this] { moThuMuc_(caiDat_.thuMucGoc()); });

    oSoNgayGiu_ = new QSpinBox(this);
    oSoNgayGiu_->setObjectName(QStringLiteral("oSoNgayGiu"));
    oSoNgayGiu_->setRange(CaiDat::kSoNgayGiuToiThieu, CaiDat::kSoNgayGiuToiDa);
    oSoNgayGiu_->setSingleStep(1);
    oSoNgayGiu_->setPrefix(QStringLiteral("Giữ video "));
    oSoNgayGiu_->setSuffix(QStringLiteral(" ngày"));
    oSoNgayGiu_->setMinimumWidth(240);
    cot()->addWidget(oSoNgayGiu_, 0, Qt::AlignLeft);
    connect(oSoNgayGiu_, &QSpinBox::valueChanged, this, [this](int v) { caiDat_.setSoNgayGiu(v); });
    cot()->addWidget(ghiChu(QStringLiteral("Đổi thư mục xong phải mở lại phần mềm thì app mới đọc kho mới."), this));

    connect(&caiDat_, &CaiDat::tenShopChanged, this, [this] { capNhat(); });
    connect(&caiDat_, &CaiDat::thuMucGocChanged, this, [this] { capNhat(); });
    connect(&caiDat_, &CaiDat::soNgayGiuChanged, this, [this] { capNhat(); });
    capNhat();
}

void MucLuuTru::chonThuMucGoc() {
    const std::optional<QString> duong = chonThuMuc_(this, caiDat_.thuMucGoc());
    if (!duong || duong->isEmpty()) return;
    caiDat_.setThuMucGoc(*duong);
    emit daChonThuMucGoc(*duong);
}

void MucLuuTru::capNhat() {
    if (!oTenShop_->hasFocus() && oTenShop_->text() != caiDat_.tenShop()) oTenShop_->setText(caiDat_.tenShop());
    chuThuMucGoc_->datChu(caiDat_.thuMucGoc());
    const QSignalBlocker chan(oSoNgayGiu_);
    oSoNgayGiu_->setValue(caiDat_.soNgayGiu());
}
