#pragma once

#include <QWidget>

class KhungBo;
class KhungCamera;
class NhanMau;

// The test screen's camera box: the preview at the camera's aspect ratio, as large as the column allows and
// aligned to its top, with a rounded border and, while the engine reports an error, that error over the
// middle of the picture.
class HopCameraThu : public QWidget {
    Q_OBJECT
public:
    explicit HopCameraThu(QWidget* parent = nullptr);

    KhungCamera* xemTruoc() const { return xemTruoc_; }
    void datTiLe(double tiLe);
    double tiLe() const { return tiLe_; }
    // None hides the error box.
    void datLoi(const QString& loi);
    bool hienLoi() const;
    QString chuLoi() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int w) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void xepLai();

    double tiLe_ = 16.0 / 9.0;
    KhungCamera* xemTruoc_;
    KhungBo* vien_;
    KhungBo* hopLoi_;
    NhanMau* chuLoi_;
};
