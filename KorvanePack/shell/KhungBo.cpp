#include "shell/KhungBo.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "shell/BangMau.h"

KhungBo::KhungBo(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
}

KhungBo* KhungBo::phuNenTrang(QWidget* trang) {
    auto* nen = new KhungBo(trang);
    nen->datNen(BangMau::mauNen);
    auto* ngoai = new QVBoxLayout(trang);
    ngoai->setContentsMargins(0, 0, 0, 0);
    ngoai->addWidget(nen);
    return nen;
}

void KhungBo::datNen(const MauDong& mau, double doMo) {
    nen_ = mau;
    doMoNen_ = doMo;
    nenCoDinh_.reset();
    update();
}

void KhungBo::datNenCoDinh(const QColor& mau) {
    nenCoDinh_ = mau;
    nen_.reset();
    update();
}

void KhungBo::datVien(const MauDong& mau, double doMo) {
    vien_ = mau;
    doMoVien_ = doMo;
    update();
}

void KhungBo::datBanKinh(double banKinh) {
    banKinh_ = banKinh;
    update();
}

QColor KhungBo::mauNen() const {
    if (nenCoDinh_) return *nenCoDinh_;
    if (nen_) return nen_->mau(doMoNen_);
    return QColor(Qt::transparent);
}

void KhungBo::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The half-pixel inset puts a 1 px border on whole pixels; without a border it would leave a 1 px rule
    // (a divider) with no height at all.
    const QRectF r = vien_ ? QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5) : QRectF(rect());
    const double bk = banKinh_ < 0 ? r.height() / 2 : banKinh_;
    QPainterPath duong;
    duong.addRoundedRect(r, bk, bk);
    if (nen_ || nenCoDinh_) p.fillPath(duong, mauNen());
    if (vien_) {
        QPen but(vien_->mau(doMoVien_), 1.0);
        p.setPen(but);
        p.drawPath(duong);
    }
}
