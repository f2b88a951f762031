#pragma once

#include <QFrame>
#include <optional>

#include "shell/MauDong.h"

// A container drawn as a rounded rectangle: a themed fill and an optional themed border, each with its own
// opacity. The colours are resolved while painting, so it follows the appearance without being rebuilt.
// A radius of -1 draws a capsule.
class KhungBo : public QFrame {
    Q_OBJECT
public:
    explicit KhungBo(QWidget* parent = nullptr);
    // A box in the page colour filling `trang` edge to edge (a screen, a sheet); the page is laid out inside it.
    static KhungBo* phuNenTrang(QWidget* trang);

    void datNen(const MauDong& mau, double doMo = 1.0);
    void datNenCoDinh(const QColor& mau);
    void datVien(const MauDong& mau, double doMo = 1.0);
    void datBanKinh(double banKinh);

    QColor mauNen() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    std::optional<MauDong> nen_;
    double doMoNen_ = 1.0;
    std::optional<QColor> nenCoDinh_;
    std::optional<MauDong> vien_;
    double doMoVien_ = 1.0;
    double banKinh_ = 0;
};
