#pragma once

#include <QWidget>

class QLabel;
class NhanMau;

// The brand mark: the horizontal logo at height cao beside the product word, read out as one element.
class NhanHieuKorvane : public QWidget {
    Q_OBJECT
public:
    NhanHieuKorvane(double cao, const QString& tenSanPham, QWidget* parent = nullptr);
    NhanMau* nhanTen() const { return ten_; }
    bool coLogo() const;

private:
    QLabel* logo_;
    NhanMau* ten_;
};
