#include "stations/KhungNham.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include "shell/BangMau.h"
#include "shell/GiaoDien.h"
#include "shell/KhungBo.h"
#include "shell/PhongChu.h"

namespace {
constexpr double kRong = 0.72;
constexpr double kCao = 0.3;
constexpr int kKhoang = 12;
}  // namespace

QString KhungNham::chuGoiY() {
    return QStringLiteral("Đưa <b>mã vạch</b> vào giữa khung này — không cần chìa cả tờ giấy");
}

KhungNham::KhungNham(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    goiY_ = new KhungBo(this);
    goiY_->datNen(BangMau::mauNen, 0.72);
    goiY_->datBanKinh(-1);
    auto* l = new QHBoxLayout(goiY_);
    l->setContentsMargins(14, 7, 14, 7);
    auto* chu = new QLabel(chuGoiY(), goiY_);
    chu->setObjectName(QStringLiteral("goiYNham"));
    chu->setTextFormat(Qt::RichText);
    chu->setFont(phongChu(13));
    auto apMau = [chu] {
        QPalette p = chu->palette();
        p.setColor(QPalette::WindowText, BangMau::mauChuChinh.mau());
        chu->setPalette(p);
    };
    apMau();
    connect(&GiaoDien::ban(), &GiaoDien::daDoiNen, chu, apMau);
    l->addWidget(chu);
}

QRectF KhungNham::oNham() const {
    const QSize goiY = goiY_->sizeHint();
    const double w = width() * kRong, h = height() * kCao;
    const double tong = h + kKhoang + goiY.height();
    return {(width() - w) / 2, (height() - tong) / 2, w, h};
}

void KhungNham::resizeEvent(QResizeEvent*) {
    const QRectF o = oNham();
    const QSize goiY = goiY_->sizeHint().boundedTo(size());
    goiY_->setGeometry(QRect(QPoint(int((width() - goiY.width()) / 2), int(o.bottom() + kKhoang)), goiY));
}

void KhungNham::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPen but(BangMau::mauXanhDuong.mau(0.9), 2.0);
    but.setCapStyle(Qt::FlatCap);
    but.setJoinStyle(Qt::MiterJoin);
    but.setMiterLimit(10);
    // Qt measures dashes in pen widths: 10 on and 8 off in pixels at width 2.
    but.setDashPattern({5.0, 4.0});
    but.setDashOffset(0);
    p.setPen(but);
    QPainterPath duong;
    duong.addRoundedRect(oNham(), 8, 8);
    p.drawPath(duong);
}
