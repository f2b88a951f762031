#include "stations/HopCamera.h"

#include "shell/BangMau.h"
#include "shell/KhungBo.h"
#include "stations/KhungCamera.h"

namespace {
constexpr int kBanKinh = 14;
}

HopCamera::HopCamera(KhungCamera* xemTruoc, QWidget* nham, QWidget* loi, QWidget* huyHieu, QWidget* chuThich,
                     QWidget* parent)
    : QWidget(parent), xemTruoc_(xemTruoc), nham_(nham), loi_(loi), huyHieu_(huyHieu), chuThich_(chuThich) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(160, 90);
    xemTruoc_->setParent(this);
    xemTruoc_->datBanKinhVien(kBanKinh);
    vien_ = new KhungBo(this);
    vien_->datVien(BangMau::mauVienThe);
    vien_->datBanKinh(kBanKinh);
    vien_->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (QWidget* w : {nham_, loi_, huyHieu_, chuThich_}) w->setParent(this);
    vien_->raise();
    nham_->raise();
    loi_->raise();
    huyHieu_->raise();
    chuThich_->raise();
}

void HopCamera::datTiLe(double tiLe) {
    if (tiLe == tiLe_) return;
    tiLe_ = tiLe;
    xepLai();
}

QRect HopCamera::vungHop() const {
    QSizeF s(tiLe_, 1.0);
    s.scale(QSizeF(size()), Qt::KeepAspectRatio);
    const QSize n(int(s.width()), int(s.height()));
    return QRect(QPoint((width() - n.width()) / 2, (height() - n.height()) / 2), n);
}

void HopCamera::resizeEvent(QResizeEvent*) {
    xepLai();
}

void HopCamera::xepLai() {
    const QRect hop = vungHop();
    xemTruoc_->setGeometry(hop);
    vien_->setGeometry(hop);
    nham_->setGeometry(hop);
    const QRect trong = hop.adjusted(14, 14, -14, -14);
    QSize sl = loi_->sizeHint().boundedTo(QSize(trong.width(), hop.height()));
    if (loi_->hasHeightForWidth()) sl.setHeight(qMin(hop.height(), loi_->heightForWidth(sl.width())));
    loi_->setGeometry(QRect(hop.center() - QPoint(sl.width() / 2, sl.height() / 2), sl));
    const QSize sh = huyHieu_->sizeHint();
    huyHieu_->setGeometry(QRect(trong.topLeft(), sh));
    QSize sc = chuThich_->sizeHint().boundedTo(trong.size());
    chuThich_->setGeometry(QRect(QPoint(trong.left(), trong.bottom() + 1 - sc.height()), sc));
}
