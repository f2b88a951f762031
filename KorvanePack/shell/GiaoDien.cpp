#include "shell/GiaoDien.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QWidget>

#include "shell/BangMau.h"
#include "core/CaiDat.h"
#include "shell/KieuGiaoDien.h"

GiaoDien& GiaoDien::ban() {
    static GiaoDien* g = new GiaoDien;
    return *g;
}

void GiaoDien::datNguonHeThong(NguonNenHeThong* nguon) {
    if (noiNguon_) disconnect(noiNguon_);
    nguon_ = nguon;
    if (nguon) noiNguon_ = connect(nguon, &NguonNenHeThong::daDoi, this, [this] { tinhLai(); });
    tinhLai();
}

void GiaoDien::apDungGiaoDien(const QString& giaTri) {
    giaTri_ = giaTri;
    tinhLai();
}

void GiaoDien::theoCaiDat(CaiDat& caiDat) {
    connect(&caiDat, &CaiDat::giaoDienChanged, this, [this, c = &caiDat] { apDungGiaoDien(c->giaoDien()); });
    apDungGiaoDien(caiDat.giaoDien());
}

void GiaoDien::tinhLai() {
    CheDoNen moi = CheDoNen::Toi;
    if (giaTri_ == QLatin1String("sang")) {
        moi = CheDoNen::Sang;
    } else if (giaTri_ == QLatin1String("tuHe")) {
        moi = (nguon_ && nguon_->nen()) ? *nguon_->nen() : CheDoNen::Sang;
    }
    const bool doi = moi != nen_;
    nen_ = moi;
    apBangMauUngDung();
    if (doi) emit daDoiNen();
}

// Standard widgets (fields, lists, scroll bars) take their colours from the application palette, so it is
// built from the same themed colours as our own drawing.
void GiaoDien::apBangMauUngDung() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app) return;
    if (!qobject_cast<KieuGiaoDien*>(app->style())) app->setStyle(new KieuGiaoDien);
    QPalette p;
    const QColor nen = BangMau::mauNen.mau(nen_);
    const QColor the = BangMau::mauThe.mau(nen_);
    const QColor chu = BangMau::mauChuChinh.mau(nen_);
    const QColor phu = BangMau::mauChuPhu.mau(nen_);
    const QColor vien = BangMau::mauVienThe.mau(nen_);
    const QColor chon = BangMau::mauXanhDuong.mau(nen_);
    p.setColor(QPalette::Window, nen);
    p.setColor(QPalette::WindowText, chu);
    p.setColor(QPalette::Base, the);
    p.setColor(QPalette::AlternateBase, nen);
    p.setColor(QPalette::Text, chu);
    p.setColor(QPalette::PlaceholderText, phu);
    p.setColor(QPalette::Button, the);
    p.setColor(QPalette::ButtonText, chu);
    p.setColor(QPalette::ToolTipBase, the);
    p.setColor(QPalette::ToolTipText, chu);
    p.setColor(QPalette::Highlight, chon);
    p.setColor(QPalette::HighlightedText, QColor(Qt::white));
    p.setColor(QPalette::Mid, vien);
    p.setColor(QPalette::Dark, vien);
    p.setColor(QPalette::Light, the);
    p.setColor(QPalette::Midlight, vien);
    p.setColor(QPalette::Disabled, QPalette::Text, phu);
    p.setColor(QPalette::Disabled, QPalette::WindowText, phu);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, phu);
    QApplication::setPalette(p);
}
