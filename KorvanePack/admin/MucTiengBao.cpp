#include "admin/MucTiengBao.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "admin/PhanTuThe.h"
#include "core/CaiDat.h"

MucTiengBao::MucTiengBao(CaiDat& caiDat, QWidget* parent)
    : TheMuc(QStringLiteral("Tiếng báo"), parent), caiDat_(caiDat) {
    hopTieng_ = new QCheckBox(QStringLiteral("Bật tiếng báo"), this);
    hopTieng_->setObjectName(QStringLiteral("hopBatTieng"));
    cot()->addWidget(hopTieng_);
    connect(hopTieng_, &QCheckBox::toggled, this, [this](bool b) { datBatTieng(b); });
    cot()->addWidget(
        ghiChu(QStringLiteral("Đi lên = xong xuôi. Đi xuống = có chuyện. Nhân viên không cần nhìn màn hình."), this));

    connect(&caiDat_, &CaiDat::batTiengChanged, this, [this] { capNhat(); });
    capNhat();
}

void MucTiengBao::datBatTieng(bool bat) {
    // The running player follows the setting at once, so the very next cue obeys the switch.
    caiDat_.setBatTieng(bat);
}

void MucTiengBao::capNhat() {
    const QSignalBlocker chan(hopTieng_);
    hopTieng_->setChecked(caiDat_.batTieng());
}
