#pragma once

#include <QWidget>
#include <functional>

class QLineEdit;
class QPushButton;
class CaiDat;
class NhanMau;

// Shown in the settings' place while they are locked: asks for the owner's PIN and calls back once when it
// is right. No attempt counter and no delay: it guards against a curious packer, not a determined one.
class ManHinhNhapPin : public QWidget {
    Q_OBJECT
public:
    static inline const QString kSai = QStringLiteral("Mã PIN không đúng.");

    ManHinhNhapPin(CaiDat& caiDat, std::function<void()> khiDung, QWidget* parent = nullptr);

    // The unlock action of the button and of Return in the field.
    void moKhoa();

    QString pin() const;
    bool sai() const { return sai_; }
    QLineEdit* oPin() const { return oPin_; }
    QPushButton* nutMoKhoa() const { return nut_; }
    bool hienLoi() const;

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void lamMoi();

    CaiDat& caiDat_;
    std::function<void()> khiDung_;
    bool sai_ = false;
    QLineEdit* oPin_;
    QPushButton* nut_;
    NhanMau* loi_;
};
