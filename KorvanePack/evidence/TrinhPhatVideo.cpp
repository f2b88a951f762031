#include "evidence/TrinhPhatVideo.h"

#include <QHBoxLayout>
#include <QMediaPlayer>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

#include "shell/BangMau.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"
#include "shell/VungBoTron.h"
#include "store/TienIch.h"

namespace {

// The style's own media icons are dark glyphs meant for a light toolbar and all but vanish on the black bar
// under the picture, so the two are drawn here in white.
QIcon bieuTuongPhat(bool dangPhat) {
    constexpr int co = 32;
    QPixmap anh(co, co);
    anh.fill(Qt::transparent);
    QPainter p(&anh);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    if (dangPhat) {
        p.drawRoundedRect(QRectF(8, 6, 6, 20), 1.5, 1.5);
        p.drawRoundedRect(QRectF(18, 6, 6, 20), 1.5, 1.5);
    } else {
        QPainterPath tamGiac;
        tamGiac.moveTo(9, 5);
        tamGiac.lineTo(26, 16);
        tamGiac.lineTo(9, 27);
        tamGiac.closeSubpath();
        p.drawPath(tamGiac);
    }
    p.end();
    return QIcon(anh);
}

}  // namespace

TrinhPhatVideo::TrinhPhatVideo(const QString& duongDan, QWidget* parent) : QWidget(parent), duongDan_(duongDan) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);

    auto* cot = new QVBoxLayout(this);
    cot->setContentsMargins(0, 0, 0, 0);
    cot->setSpacing(0);
    hinh_ = new QVideoWidget(this);
    // The whole frame fits, aspect kept, the rest left black.
    hinh_->setAspectRatioMode(Qt::KeepAspectRatio);
    cot->addWidget(hinh_, 1);

    auto* hang = new QHBoxLayout;
    hang->setContentsMargins(8, 4, 8, 6);
    hang->setSpacing(8);
    nutPhat_ = new QToolButton(this);
    nutPhat_->setAutoRaise(true);
    thanh_ = new QSlider(Qt::Horizontal, this);
    thanh_->setRange(0, 0);
    chuViTri_ = new NhanMau({}, BangMau::mauChuChinh, phongChu(11, QFont::Normal, true), this);
    chuViTri_->datMauCoDinh(Qt::white);
    hang->addWidget(nutPhat_);
    hang->addWidget(thanh_, 1);
    hang->addWidget(chuViTri_);
    cot->addLayout(hang);

    trinhPhat_ = new QMediaPlayer(this);
    trinhPhat_->setVideoOutput(hinh_);

    connect(nutPhat_, &QToolButton::clicked, this, [this] {
        if (trinhPhat_->playbackState() == QMediaPlayer::PlayingState)
            trinhPhat_->pause();
        else
            trinhPhat_->play();
    });
    connect(trinhPhat_, &QMediaPlayer::playbackStateChanged, this, [this] { capNhatNut(); });
    connect(trinhPhat_, &QMediaPlayer::durationChanged, this, [this](qint64 d) {
        thanh_->setRange(0, int(d));
        capNhatViTri();
    });
    connect(trinhPhat_, &QMediaPlayer::positionChanged, this, [this](qint64 v) {
        if (!dangKeo_) thanh_->setValue(int(v));
        capNhatViTri();
    });
    connect(thanh_, &QSlider::sliderPressed, this, [this] { dangKeo_ = true; });
    connect(thanh_, &QSlider::sliderReleased, this, [this] {
        dangKeo_ = false;
        trinhPhat_->setPosition(thanh_->value());
    });
    connect(thanh_, &QSlider::actionTriggered, this, [this](int hanhDong) {
        // A click on the track or a key moves the slider without a press/release pair.
        if (hanhDong != QAbstractSlider::SliderMove && !dangKeo_) trinhPhat_->setPosition(thanh_->sliderPosition());
    });

    napTep();
    capNhatNut();
}

void TrinhPhatVideo::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    // A mask rather than painted corners: on a real display the picture is a native window of its own, which
    // only the parent's shape clips.
    setMask(vungBoTron(size(), 10));
}

TrinhPhatVideo::~TrinhPhatVideo() {
    // Stopped before the output widget goes, so no frame is delivered to a half-destroyed sink.
    trinhPhat_->stop();
}

void TrinhPhatVideo::datDuongDan(const QString& duongDan) {
    if (duongDan == duongDan_) return;
    duongDan_ = duongDan;
    trinhPhat_->pause();
    napTep();
}

void TrinhPhatVideo::napTep() {
    // setSource leaves the player stopped at the start; nothing plays until the user asks.
    trinhPhat_->setSource(QUrl::fromLocalFile(duongDan_));
    thanh_->setValue(0);
    capNhatViTri();
}

void TrinhPhatVideo::capNhatNut() {
    const bool dangPhat = trinhPhat_->playbackState() == QMediaPlayer::PlayingState;
    nutPhat_->setIcon(bieuTuongPhat(dangPhat));
    nutPhat_->setToolTip(dangPhat ? QStringLiteral("Tạm dừng") : QStringLiteral("Phát"));
}

QString TrinhPhatVideo::dinhDangViTri(qint64 mili) {
    return hienThiPhutGiay(qMax<qint64>(0, mili) / 1000);
}

void TrinhPhatVideo::capNhatViTri() {
    chuViTri_->setText(dinhDangViTri(trinhPhat_->position()) + QStringLiteral(" / ") +
                       dinhDangViTri(trinhPhat_->duration()));
}
