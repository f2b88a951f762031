#include "shell/NenCongThongTin.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {
const QString kDichVu = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kDuongDan = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kGiaoDien = QStringLiteral("org.freedesktop.portal.Settings");
const QString kKhongGian = QStringLiteral("org.freedesktop.appearance");
const QString kKhoa = QStringLiteral("color-scheme");

// Older portals wrap the answer of Read in a second variant; peel every layer.
QVariant boVoBien(QVariant v) {
    for (int i = 0; i < 4; ++i) {
        if (v.canConvert<QDBusVariant>() && v.metaType() == QMetaType::fromType<QDBusVariant>()) {
            v = v.value<QDBusVariant>().variant();
        } else if (v.metaType() == QMetaType::fromType<QDBusArgument>()) {
            const auto arg = v.value<QDBusArgument>();
            QDBusVariant trong;
            arg >> trong;
            v = trong.variant();
        } else {
            break;
        }
    }
    return v;
}
}  // namespace

NenCongThongTin::NenCongThongTin(QObject* parent) : NenCongThongTin(QDBusConnection::sessionBus(), parent) {}

NenCongThongTin::NenCongThongTin(const QDBusConnection& ketNoi, QObject* parent) : NguonNenHeThong(parent) {
    QDBusConnection bus = ketNoi;
    if (!bus.isConnected()) return;
    // The slot takes the whole message. Declared with the three typed arguments, the hook was refused (connect
    // returned false) and the desktop's later changes never arrived.
    bus.connect(kDichVu, kDuongDan, kGiaoDien, QStringLiteral("SettingChanged"), this,
                SLOT(khiCaiDatDoi(QDBusMessage)));
    auto loi = QDBusMessage::createMethodCall(kDichVu, kDuongDan, kGiaoDien, QStringLiteral("Read"));
    loi << kKhongGian << kKhoa;
    auto* cho = new QDBusPendingCallWatcher(bus.asyncCall(loi, 2000), this);
    connect(cho, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusMessage tl = w->reply();
        if (tl.type() == QDBusMessage::ReplyMessage && !tl.arguments().isEmpty()) nhanGiaTri(tl.arguments().first());
        w->deleteLater();
    });
}

void NenCongThongTin::khiCaiDatDoi(const QDBusMessage& tin) {
    const QVariantList doi = tin.arguments();
    if (doi.size() < 3) return;
    if (doi[0].toString() == kKhongGian && doi[1].toString() == kKhoa) nhanGiaTri(doi[2]);
}

void NenCongThongTin::nhanGiaTri(const QVariant& giaTri) {
    const QVariant v = boVoBien(giaTri);
    bool ok = false;
    const uint so = v.toUInt(&ok);
    std::optional<CheDoNen> moi;
    if (ok && so == 1) moi = CheDoNen::Toi;
    if (ok && so == 2) moi = CheDoNen::Sang;
    if (moi == nen_) return;
    nen_ = moi;
    emit daDoi();
}
