#pragma once

#include <QImage>
#include <QWidget>

// The live preview: the latest raw camera frame scaled to fit, whole and undistorted, on black.
// Any frame source plugs in through hienKhung; the caption drawn into recorded frames never reaches it.
class KhungCamera : public QWidget {
    Q_OBJECT
public:
    explicit KhungCamera(QWidget* parent = nullptr);

    const QImage& khungHienTai() const { return khung_; }
    // Where the frame is drawn inside the view: the largest rectangle of the frame's aspect, centred.
    QRect vungHinh() const;
    // Rounds the view's corners to sit inside a 1 px rounded border of this radius drawn over it; 0 leaves
    // them square.
    void datBanKinhVien(int banKinh);

public slots:
    void hienKhung(const QImage& khung);
    void xoaKhung();

signals:
    // The size of the box while it is shown, so a frame source can hand over frames no larger than needed.
    void kichThuocXemDoi(QSize o);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void capNhatMatNa();

    QImage khung_;
    QImage thuNho_;  // khung_ at the size last shown
    int banKinhVien_ = 0;
};
