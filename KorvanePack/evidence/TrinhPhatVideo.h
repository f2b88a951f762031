#pragma once

#include <QString>
#include <QWidget>

class QMediaPlayer;
class QSlider;
class QToolButton;
class QVideoWidget;
class NhanMau;

// Plays one video file inside a screen, with its own play/pause button and position bar. A new file starts
// paused at its beginning; being handed the same path again keeps the player and its position, so a refresh
// of the screen around it never rewinds what the user is watching.
class TrinhPhatVideo : public QWidget {
    Q_OBJECT
public:
    explicit TrinhPhatVideo(const QString& duongDan, QWidget* parent = nullptr);
    ~TrinhPhatVideo() override;

    void datDuongDan(const QString& duongDan);
    const QString& duongDan() const { return duongDan_; }

    QMediaPlayer* trinhPhat() const { return trinhPhat_; }
    QToolButton* nutPhat() const { return nutPhat_; }
    QVideoWidget* hinh() const { return hinh_; }

    static QString dinhDangViTri(qint64 mili);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void napTep();
    void capNhatNut();
    void capNhatViTri();

    QString duongDan_;
    QMediaPlayer* trinhPhat_ = nullptr;
    QVideoWidget* hinh_ = nullptr;
    QToolButton* nutPhat_ = nullptr;
    QSlider* thanh_ = nullptr;
    NhanMau* chuViTri_ = nullptr;
    bool dangKeo_ = false;
};
