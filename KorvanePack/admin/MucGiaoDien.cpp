#include "admin/MucGiaoDien.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "admin/PhanTuThe.h"
#include "shell/BangMau.h"
#include "core/CaiDat.h"
#include "shell/GiaoDien.h"
#include "shell/NhanMau.h"
#include "store/MucChon.h"

namespace {

const QList<MucChon>& cacNen() {
    static const QList<MucChon> ds{
        {QStringLiteral("toi"), QStringLiteral("Tối")},
        {QStringLiteral("sang"), QStringLiteral("Sáng")},
        {QStringLiteral("tuHe"), QStringLiteral("Theo máy")},
    };
    return ds;
}

}  // namespace

MucGiaoDien::MucGiaoDien(CaiDat& caiDat, QWidget* parent)
    : TheMuc(QStringLiteral("Giao diện"), parent), caiDat_(caiDat) {
    auto* khung = new QWidget(this);
    khung->setMaximumWidth(340);
    auto* hang = new QHBoxLayout(khung);
    hang->setContentsMargins(0, 0, 0, 0);
    hang->setSpacing(0);
    nhomNen_ = new QButtonGroup(this);
    nhomNen_->setExclusive(true);
    for (const MucChon& m : cacNen()) {
        auto* nut = new QPushButton(m.ten, khung);
        nut->setCheckable(true);
        nut->setObjectName(QStringLiteral("nutNen:") + m.id);
        nut->setProperty("id", m.id);
        nhomNen_->addButton(nut);
        hang->addWidget(nut);
    }
    // The chosen segment must stand out in both appearances; the style's own checked look barely does in the dark.
    auto apKieu = [khung] {
        khung->setStyleSheet(
            QStringLiteral("QPushButton { padding: 3px 14px; border: 1px solid %1; background: %2; color: %3; }"
                           "QPushButton:checked { background: %4; font-weight: 600; }")
                .arg(BangMau::mauVienThe.mau().name(), BangMau::mauThe.mau().name(), BangMau::mauChuChinh.mau().name(),
                     BangMau::mauXanhDuong.mau(0.35).name(QColor::HexArgb)));
    };
    apKieu();
    connect(&GiaoDien::ban(), &GiaoDien::daDoiNen, khung, apKieu);
    connect(nhomNen_, &QButtonGroup::buttonClicked, this,
            [this](QAbstractButton* nut) { caiDat_.setGiaoDien(nut->property("id").toString()); });
    cot()->addWidget(hangCoNhan(QStringLiteral("Nền"), khung, this));
    cot()->addWidget(
        ghiChu(QStringLiteral("Chọn nền tối hay sáng cho cả app. \"Theo máy\" đổi theo cài đặt Sáng/Tối của màn hình "
                              "máy tính. Đổi là thấy ngay, không cần mở lại."),
               this));

    connect(&caiDat_, &CaiDat::giaoDienChanged, this, [this] { capNhat(); });
    capNhat();
}

void MucGiaoDien::capNhat() {
    for (QAbstractButton* nut : nhomNen_->buttons()) {
        const QSignalBlocker chan(nut);
        nut->setChecked(nut->property("id").toString() == caiDat_.giaoDien());
    }
}
