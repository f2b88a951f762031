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

public slots:
    void hienKhung(const QImage& khung);
    void xoaKhung();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage khung_;
};
