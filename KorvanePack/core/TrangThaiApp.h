#pragma once

#include <QObject>
#include <memory>

class BoDieuPhoi;
class BoSuaBanGhi;
class CongCameraManHinh;
class CongDongBo;
class CongSaoLuu;
class CumDieuPhoi;
class KhoDuLieu;

// The application state, filled once by the start-up sequence. Each service goes from none to its object
// exactly once and is never cleared; the state owns them and releases them in the reverse order of their
// creation. Main thread only.
class TrangThaiApp : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool coKho READ coKho NOTIFY khoDoi)
    Q_PROPERTY(QObject* dieuPhoi READ dieuPhoiObj NOTIFY dieuPhoiDoi)
    Q_PROPERTY(QuyenCamera quyenCamera READ quyenCamera NOTIFY quyenCameraDoi)
    Q_PROPERTY(int soDon READ soDon NOTIFY soDonDoi)
    Q_PROPERTY(int soVideo READ soVideo NOTIFY soVideoDoi)
public:
    // The camera authorisation; the numbers are the ones the start-up log prints.
    enum class QuyenCamera { chuaXacDinh = 0, biHanChe = 1, biTuChoi = 2, duocPhep = 3 };
    Q_ENUM(QuyenCamera)

    explicit TrangThaiApp(QObject* parent = nullptr);
    ~TrangThaiApp() override;

    KhoDuLieu* kho() const { return kho_.get(); }
    bool coKho() const { return kho_ != nullptr; }
    BoDieuPhoi* dieuPhoi() const;
    QObject* dieuPhoiObj() const;
    // The camera the coordinator records from, as the screens see it; none until the coordinator is built.
    CongCameraManHinh* camera() const;
    BoSuaBanGhi* suaBanGhi() const { return suaBanGhi_.get(); }
    CongDongBo* dongBo() const { return dongBo_.get(); }
    CongSaoLuu* saoLuu() const { return saoLuu_.get(); }
    QuyenCamera quyenCamera() const { return quyenCamera_; }
    int soDon() const { return soDon_; }
    int soVideo() const { return soVideo_; }
    bool daKhoiDong() const { return daKhoiDong_; }

    // A second call for a service that is already set is refused: the services are built once.
    bool datKho(std::shared_ptr<KhoDuLieu> kho);
    // The coordinator with what it stands on.
    bool datDieuPhoi(std::shared_ptr<CumDieuPhoi> dieuPhoi);
    bool datSuaBanGhi(std::shared_ptr<BoSuaBanGhi> suaBanGhi);
    bool datDongBo(std::shared_ptr<CongDongBo> dongBo);
    bool datSaoLuu(std::shared_ptr<CongSaoLuu> saoLuu);
    void datQuyenCamera(QuyenCamera q);
    void datSoDon(int n);
    void datSoVideo(int n);
    void datDaKhoiDong() { daKhoiDong_ = true; }

signals:
    void khoDoi();
    void dieuPhoiDoi();
    void dongBoDoi();
    void saoLuuDoi();
    void quyenCameraDoi();
    void soDonDoi();
    void soVideoDoi();

private:
    std::shared_ptr<KhoDuLieu> kho_;
    std::shared_ptr<CumDieuPhoi> dieuPhoi_;
    std::shared_ptr<BoSuaBanGhi> suaBanGhi_;
    std::shared_ptr<CongDongBo> dongBo_;
    std::shared_ptr<CongSaoLuu> saoLuu_;
    QuyenCamera quyenCamera_ = QuyenCamera::chuaXacDinh;
    int soDon_ = 0;
    int soVideo_ = 0;
    bool daKhoiDong_ = false;
};
