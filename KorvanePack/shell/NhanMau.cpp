#include "shell/NhanMau.h"

#include "shell/BangMau.h"
#include "shell/GiaoDien.h"

NhanMau::NhanMau(const QString& chu, QWidget* parent) : NhanMau(chu, BangMau::mauChuChinh, font(), parent) {}

NhanMau::NhanMau(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* parent)
    : QLabel(chu, parent), mau_(mau) {
    setFont(phong);
    setTextFormat(Qt::PlainText);
    connect(&GiaoDien::ban(), &GiaoDien::daDoiNen, this, [this] { apMau(); });
    apMau();
}

void NhanMau::datMau(const MauDong& mau, double doMo) {
    mau_ = mau;
    doMo_ = doMo;
    coDinh_ = false;
    apMau();
}

void NhanMau::datMauCoDinh(const QColor& mau) {
    coDinh_ = true;
    mauCoDinh_ = mau;
    apMau();
}

QColor NhanMau::mauChu() const {
    return coDinh_ ? mauCoDinh_ : mau_.mau(doMo_);
}

void NhanMau::apMau() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, mauChu());
    p.setColor(QPalette::Text, mauChu());
    setPalette(p);
}
