#pragma once

#include <QPointer>
#include <QScrollArea>
#include <QStringList>
#include <QWidget>
#include <optional>

#include "store/DonHang.h"

class QVBoxLayout;

// The order panel of the packing screen: what is being packed, drawn from the coordinator's published
// fields alone. It keeps nothing: every change of the fields redraws it whole.
class BangDon : public QWidget {
    Q_OBJECT
public:
    struct DuLieu {
        bool dangGhi = false;
        // The recording has stopped and its video is being saved.
        bool dangLuu = false;
        // The order's video was saved: only then is it shown as done.
        bool daLuu = false;
        std::optional<DonHang> donHienTai;
        QString maHienTai;
        QStringList serials;
        std::optional<QString> canhBao;
        qint64 soDaQuayHomNay = 0;
    };

    explicit BangDon(QWidget* parent = nullptr);
    void capNhat(const DuLieu& d);

    // The texts of the rows now shown, for tests: "Label=Value" for label/value rows.
    QString chuTrangThai() const;
    QStringList cacDongNhanGiaTri() const;
    QStringList cacDongMatHang() const;
    QStringList cacDongSerial() const;
    QString tieuDeSerial() const;
    std::optional<QString> chuCanhBao() const;
    QString chuSoHomNay() const;
    bool coGoiYBatDau() const;
    bool coChuChuaGanDon() const;
    // The item list's scroll area, while an order is shown.
    QScrollArea* cuonMatHang() const { return cuonMatHang_; }
    // The line under a list cut short that says how many items the order has; none while every row is in view.
    std::optional<QString> chuConNua() const;
    // %1: the number of item lines of the order.
    static inline const QString kConNua = QStringLiteral("Đơn có %1 sản phẩm — cuộn danh sách để xem hết.");

private:
    void xoaHet();
    QWidget* tieuDeBang(const DuLieu& d);
    QWidget* thongTinDon(const DuLieu& d, const DonHang& don);
    QWidget* dongNhanGiaTri(const QString& nhan, const QString& giaTri, bool donCach);
    QWidget* dongMatHang(const MatHang& mh);
    QWidget* goiYBatDau();
    QWidget* hopSerial(const QStringList& serials);
    QWidget* hopCanhBao(const QString& chu);
    QWidget* demHomNay(qint64 so);

    // The item list now shown, the order it belongs to and where it was scrolled before this redraw.
    QPointer<QScrollArea> cuonMatHang_;
    QString idDonCuon_;
    int viTriCuon_ = 0;

    QVBoxLayout* cot_;
};
