#include "admin/PhanTuThe.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QWidget>

#include "shell/BangMau.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"

NhanMau* ghiChu(const QString& chu, QWidget* cha, double co) {
    auto* n = new NhanMau(chu, BangMau::mauChuPhu, phongChu(co), cha);
    n->setWordWrap(true);
    return n;
}

QProgressBar* vongQuay(QWidget* cha) {
    auto* q = new QProgressBar(cha);
    q->setRange(0, 0);
    q->setTextVisible(false);
    q->setFixedSize(48, 9);
    q->hide();
    return q;
}

QWidget* hangCoNhan(const QString& nhan, QWidget* dieuKhien, QWidget* cha) {
    auto* w = new QWidget(cha);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(10);
    h->addWidget(new NhanMau(nhan, BangMau::mauChuChinh, phongChu(13), w));
    h->addWidget(dieuKhien);
    h->addStretch(1);
    return w;
}
