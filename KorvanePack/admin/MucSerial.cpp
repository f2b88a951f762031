#include "admin/MucSerial.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "admin/PhanTuThe.h"
#include "core/CaiDat.h"

MucSerial::MucSerial(CaiDat& caiDat, QWidget* parent)
    : TheMuc(QStringLiteral("Ghi serial sản phẩm"), parent), caiDat_(caiDat) {
    hopSerial_ = new QCheckBox(QStringLiteral("Bật ghi serial khi đóng gói"), this);
    hopSerial_->setObjectName(QStringLiteral("hopGhiSerial"));
    cot()->addWidget(hopSerial_);
    connect(hopSerial_, &QCheckBox::toggled, this, [this](bool b) { caiDat_.setGhiSerial(b); });
    cot()->addWidget(ghiChu(QStringLiteral("Đang quay mà quét một mã không phải mã đơn, app hiểu đó là serial "
                                           "trên thân máy: ghi lại và in luôn vào video."),
                            this));

    connect(&caiDat_, &CaiDat::ghiSerialChanged, this, [this] { capNhat(); });
    capNhat();
}

void MucSerial::capNhat() {
    const QSignalBlocker chan(hopSerial_);
    hopSerial_->setChecked(caiDat_.ghiSerial());
}
