#include "admin/HopCameraThu.h"

#include <QVBoxLayout>

#include "shell/BangMau.h"
#include "shell/KhungBo.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"
#include "stations/KhungCamera.h"

namespace {
constexpr int kBanKinh = 12;
}

HopCameraThu::HopCameraThu(QWidget* parent) : QWidget(parent) {
    QSizePolicy sp(QSizePolicy::Expanding, QSizePolicy::Preferred);
    sp.setHeightForWidth(true);
    setSizePolicy(sp);
    setMinimumSize(160, 90);
    xemTruoc_ = new KhungCamera(this);
    xemTruoc_->datBanKinhVien(kBanKinh);
    vien_ = new KhungBo(this);
    vien_->datVien(BangMau::mauVienThe);
    vien_->datBanKinh(kBanKinh);
    vien_->setAttribute(Qt::WA_TransparentForMouseEvents);
    hopLoi_ = new KhungBo(this);
    hopLoi_->datNen(BangMau::mauNen, 0.92);
    hopLoi_->datBanKinh(10);
    auto* cot = new QVBoxLayout(hopLoi_);
    cot->setContentsMargins(16, 16, 16, 16);
    chuLoi_ = new NhanMau({}, BangMau::mauDo, phongChu(13), hopLoi_);
    chuLoi_->setWordWrap(true);
    chuLoi_->setAlignment(Qt::AlignCenter);
    cot->addWidget(chuLoi_);
    hopLoi_->hide();
    vien_->raise();
    hopLoi_->raise();
}

void HopCameraThu::datTiLe(double tiLe) {
    if (tiLe == tiLe_) return;
    tiLe_ = tiLe;
    updateGeometry();
    xepLai();
}

void HopCameraThu::datLoi(const QString& loi) {
    chuLoi_->setText(loi);
    hopLoi_->setVisible(!loi.isEmpty());
    xepLai();
}

bool HopCameraThu::hienLoi() const {
    return !hopLoi_->isHidden();
}

QString HopCameraThu::chuLoi() const {
    return hienLoi() ? chuLoi_->text() : QString();
}

int HopCameraThu::heightForWidth(int w) const {
    return qMax(90, int(w / tiLe_));
}

QSize HopCameraThu::sizeHint() const {
    return QSize(480, heightForWidth(480));
}

void HopCameraThu::resizeEvent(QResizeEvent*) {
    xepLai();
}

void HopCameraThu::xepLai() {
    QSizeF s(tiLe_, 1.0);
    s.scale(QSizeF(size()), Qt::KeepAspectRatio);
    const QRect hop(QPoint((width() - int(s.width())) / 2, 0), QSize(int(s.width()), int(s.height())));
    xemTruoc_->setGeometry(hop);
    vien_->setGeometry(hop);
    const int rong = qMin(hop.width() - 32, 420);
    const int cao = qMin(hop.height() - 16, hopLoi_->heightForWidth(rong) > 0 ? hopLoi_->heightForWidth(rong)
                                                                              : hopLoi_->sizeHint().height());
    hopLoi_->setGeometry(QRect(hop.center() - QPoint(rong / 2, cao / 2), QSize(qMax(rong, 0), qMax(cao, 0))));
}
