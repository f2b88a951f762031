#include "admin/MucKhoiDong.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "admin/PhanTuThe.h"
#include "admin/TuKhoiDongXdg.h"
#include "shell/BangMau.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"

MucKhoiDong::MucKhoiDong(std::shared_ptr<TuKhoiDongXdg> tuKhoiDong, QWidget* parent)
    : TheMuc(QStringLiteral("Khởi động"), parent), dangKy_(std::move(tuKhoiDong)) {
    hopTuKhoiDong_ = new QCheckBox(QStringLiteral("Tự mở Korvane Zize khi bật máy"), this);
    hopTuKhoiDong_->setObjectName(QStringLiteral("hopTuKhoiDong"));
    cot()->addWidget(hopTuKhoiDong_);
    connect(hopTuKhoiDong_, &QCheckBox::clicked, this, [this](bool b) { datTuKhoiDong(b); });
    cot()->addWidget(
        ghiChu(QStringLiteral("Máy ở kho khởi động lại sau khi mất điện thì app tự lên, không ai phải nhớ mở."), this));
    chuLoiTuKhoiDong_ = new NhanMau({}, BangMau::mauDo, phongChu(12), this);
    chuLoiTuKhoiDong_->setObjectName(QStringLiteral("loiTuKhoiDong"));
    chuLoiTuKhoiDong_->setWordWrap(true);
    chuLoiTuKhoiDong_->hide();
    cot()->addWidget(chuLoiTuKhoiDong_);
    capNhat();
}

QString MucKhoiDong::chuLoiTuKhoiDong(const QString& moTa, const QString& thuMucTuKhoiDong) {
    return QStringLiteral("Không đặt được: ") + moTa + QStringLiteral(". Kiểm tra thư mục ") + thuMucTuKhoiDong +
           QStringLiteral(" có ghi được không rồi thử lại.");
}

void MucKhoiDong::khiHienRa() {
    tuKhoiDong_ = dangKy_->daBat();
    capNhat();
}

void MucKhoiDong::datTuKhoiDong(bool bat) {
    const TuKhoiDongXdg& dk = *dangKy_;
    const std::optional<QString> loi = bat ? dk.dangKy() : dk.boDangKy();
    if (loi) {
        loiTuKhoiDong_ = chuLoiTuKhoiDong(*loi, dk.thuMuc());
    } else {
        loiTuKhoiDong_.reset();
    }
    // The switch shows what is on disk, not what was asked for.
    tuKhoiDong_ = dk.daBat();
    capNhat();
}

void MucKhoiDong::capNhat() {
    {
        const QSignalBlocker chan(hopTuKhoiDong_);
        hopTuKhoiDong_->setChecked(tuKhoiDong_);
    }
    chuLoiTuKhoiDong_->setVisible(loiTuKhoiDong_.has_value());
    chuLoiTuKhoiDong_->setText(loiTuKhoiDong_.value_or(QString()));
}
