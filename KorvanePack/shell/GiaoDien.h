#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class CaiDat;

#include "shell/MauDong.h"
#include "shell/NguonNenHeThong.h"

// The application-wide appearance. "sang" is light, "tuHe" follows the desktop (light when the
// desktop states nothing), anything else is dark. Changing it re-resolves every themed colour at once:
// the application palette is replaced, which repaints every widget, and daDoiNen tells the widgets
// that keep a colour of their own.
class GiaoDien : public QObject {
    Q_OBJECT
public:
    static GiaoDien& ban();

    void apDungGiaoDien(const QString& giaTri);
    // Applies the settings' appearance now and again on every change of it, for as long as both live.
    void theoCaiDat(CaiDat& caiDat);
    QString giaTri() const { return giaTri_; }
    CheDoNen nenHienTai() const { return nen_; }
    // The desktop's preference; replaced by tests. Not owned.
    void datNguonHeThong(NguonNenHeThong* nguon);

signals:
    void daDoiNen();

private:
    GiaoDien() = default;
    void tinhLai();
    void apBangMauUngDung();

    QString giaTri_ = QStringLiteral("toi");
    CheDoNen nen_ = CheDoNen::Toi;
    QPointer<NguonNenHeThong> nguon_;
    QMetaObject::Connection noiNguon_;
};
