#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <map>

#include "core/HenGio.h"

// The real timer: one single-shot QTimer per request, owned by this object on the GUI thread.
class HenGioQt final : public QObject, public HenGio {
    Q_OBJECT
public:
    explicit HenGioQt(QObject* parent = nullptr);
    MaHen hen(std::chrono::milliseconds khoang, std::function<void()> viec) override;
    void huy(MaHen ma) override;

private:
    MaHen tiepTheo_ = 1;
    std::map<MaHen, QPointer<QTimer>> dangCho_;
};
