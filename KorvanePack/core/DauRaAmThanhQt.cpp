#include "core/DauRaAmThanhQt.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include "core/BoTronAm.h"

namespace {

QAudioFormat dinhDang(QAudioFormat::SampleFormat kieu) {
    QAudioFormat f;
    f.setSampleRate(BoTronAm::kTanSoMau);
    f.setChannelCount(1);
    f.setSampleFormat(kieu);
    return f;
}

}  // namespace

DauRaAmThanhQt::DauRaAmThanhQt(QObject* parent) : QObject(parent) {}

DauRaAmThanhQt::~DauRaAmThanhQt() {
    dung();
}

bool DauRaAmThanhQt::dangChay() const {
    if (!sink_ || sink_->error() != QAudio::NoError) return false;
    const QAudio::State s = sink_->state();
    return s == QAudio::ActiveState || s == QAudio::IdleState;
}

void DauRaAmThanhQt::dung() {
    if (sink_) {
        sink_->stop();
        sink_.reset();
    }
}

bool DauRaAmThanhQt::damBaoChay(BoTronAm& nguon) {
    const QAudioDevice macDinh = QMediaDevices::defaultAudioOutput();
    if (dangChay() && macDinh == thietBi_) return true;

    dung();
    thietBi_ = macDinh;
    if (macDinh.isNull()) return false;

    QAudioFormat f = dinhDang(QAudioFormat::Float);
    BoTronAm::KieuMau kieu = BoTronAm::KieuMau::Float32;
    if (!macDinh.isFormatSupported(f)) {
        f = dinhDang(QAudioFormat::Int16);
        kieu = BoTronAm::KieuMau::Int16;
    }
    // Notes queued for the output that died would sound late now; the next cue starts clean.
    nguon.xoaHet();
    nguon.datKieuMau(kieu);

    sink_ = std::make_unique<QAudioSink>(macDinh, f);
    // About 60 ms of buffering: short enough that a cue follows the scan without a noticeable lag.
    sink_->setBufferSize(f.bytesForDuration(60000));
    sink_->start(&nguon);
    return dangChay();
}
