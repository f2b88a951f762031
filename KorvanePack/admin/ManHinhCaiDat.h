#pragma once

#include <QScrollArea>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class CongDongBo;
class CaiDat;
class CongCameraManHinh;
class MucCamera;
class MucKhoiDong;
class MucNguonDon;
class MucSaoLuu;
class CongSaoLuu;
class KhoDuLieu;
class TuKhoiDongXdg;

// The owner's settings: one scrolling column of section cards, each drawing itself from what it shows. Each
// control writes its setting the moment it changes; only the platform credentials and the PIN wait for their
// buttons. The screen keeps nothing durable itself: results of a connection test, a PIN message or a
// launch-at-login error live as long as the screen.
class ManHinhCaiDat : public QScrollArea {
    Q_OBJECT
public:
    // What the screen asks of the desktop; tests put their own in.
    struct NenTang {
        // The folder the owner picked, none when they cancelled; it opens at the folder set now.
        std::function<std::optional<QString>(QWidget* cha, const QString& hienTai)> chonThuMuc;
        std::function<void(const QString& duongDan)> moThuMuc;
        std::shared_ptr<TuKhoiDongXdg> tuKhoiDong;
    };

    ManHinhCaiDat(CongCameraManHinh* camera, const KhoDuLieu& kho, CongDongBo* dongBo, CongSaoLuu* saoLuu, CaiDat& caiDat,
                  NenTang nenTang = {}, QWidget* parent = nullptr);
    ~ManHinhCaiDat() override;

    // What may have changed while the screen was away is looked at again each time it is shown.
    void khiHienRa();

protected:
    void showEvent(QShowEvent* e) override;

private:
    MucNguonDon* mucNguonDon_ = nullptr;
    MucCamera* mucCamera_ = nullptr;
    MucSaoLuu* mucSaoLuu_ = nullptr;
    MucKhoiDong* mucKhoiDong_ = nullptr;
};
