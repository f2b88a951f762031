#include "admin/ManHinhNhapPin.h"

#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "admin/BieuTuongKhoa.h"
#include "admin/NutChinh.h"
#include "shell/BangMau.h"
#include "core/CaiDat.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"

ManHinhNhapPin::ManHinhNhapPin(CaiDat& caiDat, std::function<void()> khiDung, QWidget* parent)
    : QWidget(parent), caiDat_(caiDat), khiDung_(std::move(khiDung)) {
    auto* cot = new QVBoxLayout(this);
    cot->setSpacing(16);
    cot->addStretch(1);
    cot->addWidget(new BieuTuongKhoa(34, BangMau::mauChuPhu, this), 0, Qt::AlignHCenter);
    cot->addWidget(new NhanMau(QStringLiteral("Màn hình này đang khoá"), BangMau::mauChuChinh,
                               phongChu(20, QFont::DemiBold), this),
                   0, Qt::AlignHCenter);
    cot->addWidget(
        new NhanMau(QStringLiteral("Nhập mã PIN của chủ shop để mở."), BangMau::mauChuPhu, phongChu(13), this), 0,
        Qt::AlignHCenter);
    oPin_ = new QLineEdit(this);
    oPin_->setEchoMode(QLineEdit::Password);
    oPin_->setPlaceholderText(QStringLiteral("Mã PIN"));
    oPin_->setAlignment(Qt::AlignCenter);
    oPin_->setFont(phongChu(18));
    oPin_->setFixedWidth(160);
    cot->addWidget(oPin_, 0, Qt::AlignHCenter);
    nut_ = new NutChinh(QStringLiteral("Mở khoá"), this);
    cot->addWidget(nut_, 0, Qt::AlignHCenter);
    loi_ = new NhanMau(kSai, BangMau::mauDo, phongChu(12.5), this);
    cot->addWidget(loi_, 0, Qt::AlignHCenter);
    cot->addStretch(1);

    // Return checks even an empty field: the button is disabled then, but the owner still learns it was wrong.
    connect(oPin_, &QLineEdit::returnPressed, this, [this] { moKhoa(); });
    connect(nut_, &QPushButton::clicked, this, [this] { moKhoa(); });
    connect(oPin_, &QLineEdit::textChanged, this, [this] { lamMoi(); });
    lamMoi();
}

QString ManHinhNhapPin::pin() const {
    return oPin_->text();
}

bool ManHinhNhapPin::hienLoi() const {
    return !loi_->isHidden();
}

void ManHinhNhapPin::moKhoa() {
    const bool dung = caiDat_.kiemTraPin(oPin_->text());
    sai_ = !dung;
    oPin_->clear();
    lamMoi();
    if (dung && khiDung_) khiDung_();
}

void ManHinhNhapPin::lamMoi() {
    nut_->setEnabled(!oPin_->text().isEmpty());
    loi_->setVisible(sai_);
}

// The owner starts typing the moment the lock shows.
void ManHinhNhapPin::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    oPin_->setFocus(Qt::OtherFocusReason);
}

void ManHinhNhapPin::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    QPainter p(this);
    p.fillRect(rect(), BangMau::mauNen.mau());
}
