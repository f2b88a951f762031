#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/CongCamera.h"
#include "core/HenGio.h"
#include "core/LoaiTieng.h"
#include "store/BanGhiVideo.h"
#include "store/DonHang.h"
#include "store/LoaiVideo.h"
#include "store/LuongChay.h"
#include "store/TienIch.h"

class BoSuaBanGhi;
class CaiDat;
class CongTiengBao;
class DongHo;
class KhoDuLieu;

// The recording coordinator: turns codes, read by the camera or typed, into recordings, watches the
// running recording and saves each finished video as a fingerprinted record. It lives on the GUI
// thread, the one that builds it, and a call that changes it from any other stops the program; every
// wait (the writer finishing, the video check, the fingerprint, the pause between two parcels) is a
// continuation back on that thread, never a nested event loop.
//
// A recording has an explicit life (idle, starting, recording, stopping) and everything the save
// needs is captured when it starts, so a code that arrives while a stop is under way can neither
// start a second recording nor have its order written into the first one's record.
class BoDieuPhoi final : public QObject {
    Q_OBJECT
    Q_PROPERTY(CheDo cheDo READ cheDo WRITE datCheDo NOTIFY cheDoChanged)
    Q_PROPERTY(std::optional<DonHang> donHienTai READ donHienTai WRITE datDonHienTai NOTIFY donHienTaiChanged)
    Q_PROPERTY(QString maHienTai READ maHienTai NOTIFY maHienTaiChanged)
    Q_PROPERTY(std::optional<QString> canhBao READ canhBao WRITE datCanhBao NOTIFY canhBaoChanged)
    Q_PROPERTY(std::optional<QString> thongBao READ thongBao WRITE datThongBao NOTIFY thongBaoChanged)
    Q_PROPERTY(QStringList serials READ serials NOTIFY serialsChanged)
    Q_PROPERTY(int soDaQuayHomNay READ soDaQuayHomNay NOTIFY soDaQuayHomNayChanged)
    Q_PROPERTY(std::optional<QString> maVuaQuet READ maVuaQuet WRITE datMaVuaQuet NOTIFY maVuaQuetChanged)
    Q_PROPERTY(std::optional<QString> canhBaoOCung READ canhBaoOCung NOTIFY canhBaoOCungChanged)
    Q_PROPERTY(TrangThai trangThai READ trangThai NOTIFY trangThaiChanged)

public:
    enum class CheDo : quint8 { dongGoi, hangHoan, thuMay };
    Q_ENUM(CheDo)
    enum class TrangThai : quint8 { nghi, dangBatDau, dangQuay, dangDung };
    Q_ENUM(TrangThai)

    // The platform edges the coordinator talks to. The real application passes the camera engine, the
    // sound player's adapter, the system clock and the Qt timer; tests pass fakes.
    struct PhuThuoc {
        CongCamera* camera = nullptr;
        CongTiengBao* tieng = nullptr;
        DongHo* dongHo = nullptr;
        HenGio* henGio = nullptr;
        // Runs work off the GUI thread (free-space measurement, video check, fingerprint).
        std::function<void(std::function<void()>)> chayNen;
    };

    using KhiXong = std::function<void()>;
    using KhiLuu = std::function<void(std::optional<BanGhiVideo>)>;

    BoDieuPhoi(KhoDuLieu& kho, CaiDat& caiDat, PhuThuoc phuThuoc, QObject* parent = nullptr);
    ~BoDieuPhoi() override;

    // Published fields.
    CheDo cheDo() const { return cheDo_; }
    void datCheDo(CheDo v);
    const std::optional<DonHang>& donHienTai() const { return donHienTai_; }
    void datDonHienTai(std::optional<DonHang> v);
    const QString& maHienTai() const { return maHienTai_; }
    const std::optional<QString>& canhBao() const { return canhBao_; }
    void datCanhBao(std::optional<QString> v);
    const std::optional<QString>& thongBao() const { return thongBao_; }
    // Sets an ordinary notice; one that comes with the error cue is set inside, marked as a failure.
    void datThongBao(std::optional<QString> v);
    // Whether the notice tells of a failure (it came with the error cue), to be shown in the failure colour.
    bool thongBaoLaLoi() const { return thongBaoLaLoi_; }
    // Whether the current order's recording was saved as a record; a refused or failed one was not, and the
    // screens must not show such an order as done. Changes with donHienTaiChanged.
    bool donHienTaiDaLuu() const { return donHienTaiDaLuu_; }
    const QStringList& serials() const { return serials_; }
    int soDaQuayHomNay() const { return soDaQuayHomNay_; }
    const std::optional<QString>& maVuaQuet() const { return maVuaQuet_; }
    void datMaVuaQuet(std::optional<QString> v);
    const std::optional<QString>& canhBaoOCung() const { return canhBaoOCung_; }
    // A stop finishing behind the next recording counts as one under way while nothing else runs: whoever waits
    // for idle (closing the window, changing settings) also waits for that video's record.
    TrangThai trangThai() const {
        return trangThai_ == TrangThai::nghi && soDungNen_ > 0 ? TrangThai::dangDung : trangThai_;
    }
    // The last record saved, of either kind, however its recording was stopped.
    const std::optional<BanGhiVideo>& banGhiVuaLuu() const { return banGhiVuaLuu_; }

    CongTiengBao& congTieng() const { return *tieng_; }
    std::optional<qint64> mbConTrong() const { return mbConTrong_; }
    bool dangXuLy() const { return dangXuLy_; }

    // Scan routing.
    void xuLyMaDocDuoc(const QString& ma, KhiXong xong = {});
    void xuLyMaDongGoi(const QString& ma, KhiXong xong = {});
    void xuLyMaHangHoan(const QString& ma);
    void nhapMaTay(const QString& vanBan, KhiXong xong = {});
    void quayKhongMa();

    // Start, stop and the watchdog.
    bool batDauQuay(const QString& ma, LoaiVideo loai, const QString& nhan);
    bool kiemTraTruocKhiQuay();
    void doDungLuongTrong();
    void batDauCanhGac();
    void kiemTraGioiHan(KhiXong xong = {});
    // With khiThaWriter, the recording's finishing goes on behind and khiThaWriter runs as soon as the camera
    // takes no more frames for it, so the next recording need not wait for the slow disk.
    void ketThucQuay(KhiLuu xong = {}, KhiXong khiThaWriter = {});

    // What the editor of saved records reports shows on the notice line, a failure on the warning line too.
    void hienThongBaoCua(const BoSuaBanGhi& sua);

    // Whole seconds of the running recording on our own steady clock, counted from its start, so a
    // camera that stops delivering frames can still be stopped by its label and by the length limit.
    int giayDaQuay() const;

    // "Đã lưu mm:ss · x.y MB": minutes are not capped at 59, sizes in units of 1,048,576 bytes.
    static QString thongBaoDaLuu(qint64 giay, qint64 bytes);

    // What follows a record that is on disk, for a recording stopped here or one taken in after a crash alike:
    // it is published, handed to `khiLuuXong` (when given), then journalled as finished.
    static void congBoDaLuu(KhoDuLieu& kho, const BanGhiVideo& bg,
                            const std::function<void(const BanGhiVideo&)>& khiLuuXong);

signals:
    void cheDoChanged();
    void donHienTaiChanged();
    void maHienTaiChanged();
    void canhBaoChanged();
    void thongBaoChanged();
    void serialsChanged();
    void soDaQuayHomNayChanged();
    void maVuaQuetChanged();
    void canhBaoOCungChanged();
    void trangThaiChanged();
    // Every saved record, whether the stop came from a button, a label, or the watchdog, once it is in the
    // store's map and journalled as finished; listeners must return at once.
    void daLuuVideo(const BanGhiVideo& banGhi);

private:
    using GioDeu = std::chrono::steady_clock::time_point;

    // What one recording is, fixed when it starts; the save reads only this.
    struct PhienQuay {
        QString ma;
        std::optional<DonHang> don;
        LoaiVideo loai = LoaiVideo::dongGoi;
        std::chrono::system_clock::time_point batDau;
        GioDeu batDauDeu;
        QString duongDan;
        QStringList serials;
        // Set when the camera stopped sending mid-recording: why, as the camera told it.
        std::optional<QString> lyDoNgat;
    };

    // One stop of one recording, carried through its whole finishing: the coordinator may meanwhile run the next.
    struct DungQuay {
        PhienQuay phien;
        // The coordinator went on without waiting: this stop's end touches only its own waiters and notices.
        bool tachRoi = false;
        bool xong = false;
        std::vector<KhiLuu> cho;
        // Its last step (the record or "rec_hong", the notices, the waiters), once the file is judged; held until
        // every earlier stop has taken its own, so the journal closes recordings in the order they stopped.
        std::function<void()> viecCuoi;
    };
    using DungPtr = std::shared_ptr<DungQuay>;

    void noiMaDocDuoc();
    void khiCameraNgung();
    void datMaHienTai(const QString& v);
    void datSerials(const QStringList& v);
    void datCanhBaoOCung(std::optional<QString> v);
    void datThongBaoLoi(const QString& v);
    void datTrangThai(TrangThai v);
    void phat(LoaiTieng loai);
    void capNhatCanhBaoOCung(std::optional<qint64> mb);
    void huyCanhGac();
    void nhipCanhGac(quint64 theHe);
    void layVanTay(const DungPtr& d, const CongCamera::KetQuaGhi& kq);
    void xongDung(const DungPtr& d, const CongCamera::KetQuaGhi& kq, std::optional<QString> loiKiemTra,
                  std::optional<VanTayTep> vanTay);
    void ketThucDung(const DungPtr& d, std::optional<BanGhiVideo> banGhi);
    std::optional<BanGhiVideo> luuBanGhi(const DungQuay& d, const CongCamera::KetQuaGhi& kq,
                                         const std::optional<VanTayTep>& vanTay);
    void datTrangThaiCong(const std::function<void()>& doi);
    void denLuot(const DungPtr& d, std::function<void()> viecCuoi);
    void chayNen(std::function<void()> viec);
    QString tenNguonDon() const;

    LuongChay luong_;
    KhoDuLieu& kho_;
    CaiDat& caiDat_;
    DongHo& dongHo_;
    HenGio& henGio_;
    std::function<void(std::function<void()>)> chayNen_;
    // Our own pool, so the destructor can wait for a measurement that still reads the store.
    QThreadPool nen_;
    CongCamera* camera_ = nullptr;
    CongTiengBao* tieng_ = nullptr;

    CheDo cheDo_ = CheDo::dongGoi;
    std::optional<DonHang> donHienTai_;
    QString maHienTai_;
    std::optional<QString> canhBao_;
    std::optional<QString> thongBao_;
    bool thongBaoLaLoi_ = false;
    bool donHienTaiDaLuu_ = false;
    QStringList serials_;
    int soDaQuayHomNay_ = 0;
    std::optional<QString> maVuaQuet_;
    std::optional<QString> canhBaoOCung_;
    std::optional<BanGhiVideo> banGhiVuaLuu_;

    QString maDangHienDien_;
    std::optional<GioDeu> lanCuoiThayMa_;
    bool dangXuLy_ = false;
    QString maVuaKetThuc_;
    std::optional<GioDeu> lucKetThuc_;
    std::optional<qint64> mbConTrong_;
    HenGio::MaHen canhGac_ = 0;
    quint64 theHeCanhGac_ = 0;
    std::optional<GioDeu> lanDoOCuoi_;

    TrangThai trangThai_ = TrangThai::nghi;
    std::optional<PhienQuay> phien_;
    std::vector<KhiLuu> choDung_;
    // Stops still finishing behind the next recording.
    int soDungNen_ = 0;
    // Every stop whose last step has not run yet, oldest first.
    std::deque<DungPtr> hangDung_;
};
