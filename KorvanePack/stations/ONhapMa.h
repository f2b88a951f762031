#pragma once

#include <QLineEdit>

// The packing screen's code field. Its hint is long and the field narrow in a small window, where Qt would cut
// the hint short with "…"; here the hint wraps onto as many lines as it needs and the field grows to hold them.
class ONhapMa : public QLineEdit {
    Q_OBJECT
public:
    explicit ONhapMa(const QString& goiY, QWidget* parent = nullptr);

    const QString& goiY() const { return goiY_; }
    // Where the hint is drawn now.
    QRect vungGoiY() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void tinhCaoGoiY();

    QString goiY_;
    int caoGoiY_ = 0;
};
