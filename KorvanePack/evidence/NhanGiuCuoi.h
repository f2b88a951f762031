#pragma once

#include "shell/NhanMau.h"

// A one-line label in two parts: the head (a customer's name) is cut short with "…" where the place is too
// narrow, the tail (" · " and the phone) always shows whole. The label's text is both, as read out and copied.
class NhanGiuCuoi : public NhanMau {
    Q_OBJECT
public:
    NhanGiuCuoi(const QString& dau, const QString& cuoi, const MauDong& mau, const QFont& phong,
                QWidget* parent = nullptr);

    // What is drawn at the present width.
    QString chuDangVe() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString dau_;
    QString cuoi_;
};
