#pragma once

#include <QAudioDevice>
#include <QObject>
#include <memory>

#include "core/DauRaAmThanh.h"

class QAudioSink;

// The real output: a QAudioSink on the default device, mono 44.1 kHz, in pull mode from the mixer.
class DauRaAmThanhQt final : public QObject, public DauRaAmThanh {
    Q_OBJECT
public:
    explicit DauRaAmThanhQt(QObject* parent = nullptr);
    ~DauRaAmThanhQt() override;

    bool damBaoChay(BoTronAm& nguon) override;

private:
    bool dangChay() const;
    void dung();

    std::unique_ptr<QAudioSink> sink_;
    QAudioDevice thietBi_;
};
