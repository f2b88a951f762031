#include "core/HenGioQt.h"

HenGioQt::HenGioQt(QObject* parent) : QObject(parent) {}

HenGio::MaHen HenGioQt::hen(std::chrono::milliseconds khoang, std::function<void()> viec) {
    const MaHen ma = tiepTheo_++;
    auto* t = new QTimer(this);
    t->setSingleShot(true);
    t->setTimerType(Qt::PreciseTimer);
    connect(t, &QTimer::timeout, this, [this, ma, t, viec = std::move(viec)] {
        dangCho_.erase(ma);
        t->deleteLater();
        viec();
    });
    dangCho_.emplace(ma, t);
    t->start(khoang);
    return ma;
}

void HenGioQt::huy(MaHen ma) {
    auto it = dangCho_.find(ma);
    if (it == dangCho_.end()) return;
    if (it->second) {
        it->second->stop();
        it->second->deleteLater();
    }
    dangCho_.erase(it);
}

HenGio& HenGio::heThong() {
    static HenGioQt* henGio = new HenGioQt();  // lives as long as the process, like the GUI thread
    return *henGio;
}
