#include "shell/NhanHieuKorvane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>

#include "shell/BangMau.h"
#include "shell/BieuTuong.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"

NhanHieuKorvane::NhanHieuKorvane(double cao, const QString& tenSanPham, QWidget* parent) : QWidget(parent) {
    auto* hang = new QHBoxLayout(this);
    hang->setContentsMargins(0, 0, 0, 0);
    hang->setSpacing(qRound(cao * 0.36));
    logo_ = new QLabel(this);
    napHinhUngDung();
    QSvgRenderer ve(QStringLiteral(":/hinh/LogoNgang.svg"));
    if (ve.isValid()) {
        const QSizeF goc = ve.defaultSize();
        const qreal tl = 2.0;  // drawn at twice the size so it stays sharp on dense screens
        const QSize co(qRound(goc.width() * cao / goc.height() * tl), qRound(cao * tl));
        QPixmap anh(co);
        anh.fill(Qt::transparent);
        QPainter p(&anh);
        p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        ve.render(&p);
        p.end();
        anh.setDevicePixelRatio(tl);
        logo_->setPixmap(anh);
    }
    logo_->setFixedHeight(qRound(cao));
    ten_ = new NhanMau(tenSanPham, BangMau::mauChuPhu, phongChu(cao * 0.82, QFont::Light), this);
    hang->addWidget(logo_, 0, Qt::AlignVCenter);
    hang->addWidget(ten_, 0, Qt::AlignVCenter);
    hang->addStretch(1);
    setAccessibleName(QStringLiteral("Korvane ") + tenSanPham);
    logo_->setAccessibleName(QString());
    ten_->setAccessibleName(QString());
}

bool NhanHieuKorvane::coLogo() const {
    return !logo_->pixmap().isNull();
}
