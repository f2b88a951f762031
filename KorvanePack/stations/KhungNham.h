#pragma once

#include <QWidget>

class KhungBo;

// The aiming frame over the idle preview: a dashed rounded rectangle 72 % of the box wide and 30 % high with
// the hint beneath it, the pair centred. It lets every mouse event through to the preview.
class KhungNham : public QWidget {
    Q_OBJECT
public:
    explicit KhungNham(QWidget* parent = nullptr);
    QRectF oNham() const;
    static QString chuGoiY();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    KhungBo* goiY_;
};
