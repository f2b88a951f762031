#pragma once

#include <QWidget>

class KhungBo;
class KhungCamera;

// The camera box: it keeps the camera's aspect ratio inside whatever room the column leaves, centred, and
// stacks over the preview, back to front, the border, the aiming frame, the error box and the recording
// layer (badge at the top left, caption at the bottom left, 14 px in).
class HopCamera : public QWidget {
    Q_OBJECT
public:
    HopCamera(KhungCamera* xemTruoc, QWidget* nham, QWidget* loi, QWidget* huyHieu, QWidget* chuThich,
              QWidget* parent = nullptr);
    void datTiLe(double tiLe);
    double tiLe() const { return tiLe_; }
    // Where the box sits inside this widget.
    QRect vungHop() const;
    void xepLai();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    double tiLe_ = 16.0 / 9.0;
    KhungCamera* xemTruoc_;
    KhungBo* vien_;
    QWidget* nham_;
    QWidget* loi_;
    QWidget* huyHieu_;
    QWidget* chuThich_;
};
