#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "core/BoGhiVideo.h"
#include "core/CongCamera.h"
#include "core/KetQuaGhi.h"
#include "core/LopPhuKhung.h"
#include "core/NenTangCamera.h"
#include "core/ThietBiCamera.h"
#include "store/HangDoiTuanTu.h"
#include "store/LoaiVideo.h"
#include "store/LuongChay.h"

class DocMaVach;
class DongHo;
class PhatKhungXemTruoc;

// The capture session that feeds the barcode reader, the live preview and the recorder. Opening,
// frame handling, the caption and the writer state all live on one serial queue,
// "korvane.pack.camera"; the published fields are written on the GUI thread only, by queued hops
// from that queue. A call on the wrong side of that line stops the program, naming the call: the
// GUI thread is the one that builds the engine. The engine never starts or stops a recording by
// itself: the coordinator arms it with chuanBiGhi and finishes it with dungGhi. The same object is
// the coordinator's camera and the screens' one, so both read one published state.
class CameraEngine : public CongCamera {
    Q_OBJECT

public:
    enum class LoiCamera { khongThemDuocInput, khongThemDuocOutput, dangGhiRoi, chuaMoCamera, khongDungDuocWriter };
    static QString moTa(LoiCamera loi);
    // A disk fault named in the system's (English) words, told as the desk should read it, with what to do; none
    // when the text names no disk fault.
    static std::optional<QString> moTaLoiODia(const QString& loi);

    // Webcams through V4L2 and libavdevice, files through libx264, on the system clock.
    explicit CameraEngine(QObject* parent = nullptr);
    CameraEngine(std::shared_ptr<NenTangCamera> nenTang, BoGhiVideo::Tao taoBoGhi, const DongHo& dongHo,
                 QObject* parent = nullptr);
    ~CameraEngine() override;

    using CongCameraManHinh::datDangChay;
    using CongCameraManHinh::datDanhSachThietBi;
    using CongCameraManHinh::datLoiCamera;
    using CongCameraManHinh::datTenCamera;

    // A camera id of this form opens a libavfilter graph instead of a webcam; it is never listed.
    static constexpr const char* kTienToDoThi = "lavfi:";

    void lamMoiThietBi() override;
    // Returns at once; the outcome shows only in the published fields.
    void moCamera(const std::optional<QString>& cameraId, const QString& doPhanGiai) override;
    // Hands the raw frames to the previews through a relay (PhatKhungXemTruoc) from now on; without it the
    // engine copies no frame for a preview. Once is enough.
    void batXemTruoc();
    void datKichThuocXem(QSize o) override;
    double giuaHaiLanDo() const override;
    void datGiuaHaiLanDo(double giay) override;
    // Runs discovery now; call on the capture queue.
    QList<ThietBiCamera> danhSachCamera();
    static std::optional<DinhDangCamera> chonDinhDang(const ThietBiCamera& tb, int chieuCao);

    HangDoiTuanTu& hangDoi() { return *hangDoi_; }
    DocMaVach* docMa() const { return docMa_.get(); }

    // Plain fields of the caption: capture queue only.
    void datTenShop(const QString& ten);
    void datTienToNhan(const QString& nhan);

    // The caption and the writer belong to the capture queue, so these set them there, synchronously; the
    // capture queue never waits on the GUI thread, so this cannot deadlock. Called on the queue itself, they
    // run at once.
    void datNhan(const QString& tenShop, const QString& tienToNhan) override;
    void chuanBiGhi(std::chrono::system_clock::time_point batDau, const QString& file, int bitrateKbps,
                    const QString& ma, LoaiVideo loai) override;
    bool themSerial(const QString& serial) override;
    QStringList danhSachSerial() override;

    // GUI thread.
    void baoDaBatDauGhi() override;
    // How long an open camera may go without a frame before it counts as stopped: a driver that hangs or a
    // loose cable ends no stream, it only stops sending.
    static constexpr std::chrono::seconds kChoKhungToiDa{4};
    // Marks the camera stopped when its frames have not come for kChoKhungToiDa; a timer calls it every second.
    void kiemTraKhungDen();
    // Finishes the recording without blocking the caller; `xong` runs on the GUI thread with the
    // result, or none when there is no usable file (the reason is then in loiCamera).
    void dungGhi(KhiDungXong xong) override;

    // Writers made without a file, whose encoder is set up ahead: when the camera opens, after each
    // recording and when the bit-rate setting changes, so that a label starts a recording as fast the first
    // time as later. Without it (the default of the seam constructor) each recording opens its encoder.
    void datTaoBoGhiSan(BoGhiVideo::TaoChuaCoFile tao);
    // The bit-rate setting the next recording will most likely use, kbit/s; any thread.
    void datBitrateChoSan(int kbps);

    // Each raw frame, before the caption, on the capture queue; the receiver must not block. Copying
    // the image is cheap (shared); keeping it past the call costs one frame copy when the caption is drawn.
    void datNhanKhungXemTruoc(std::function<void(const QImage&)> nhan);
    // Replaces the reader hand-off (tests; by default every frame goes to docMa()). It is handed the
    // source's luma (Grayscale8) when the source has one, else the colour frame.
    void datNhanKhungDocMa(std::function<void(const QImage&)> nhan);

private:
    void cauHinhPhien(const std::optional<QString>& cameraId, const QString& doPhanGiai);
    void moNguon(std::unique_ptr<NguonKhung> nguon);
    void dongNguon();
    void xuLyKhung(QImage khung, const QImage& xam, std::chrono::steady_clock::time_point luc);
    void ghiKhung(const QImage& khung, std::chrono::steady_clock::time_point luc, int rong, int cao);
    void taoWriter(int rong, int cao);
    void chuanBiGhiTrenHangDoi(std::chrono::system_clock::time_point batDau, const QString& file, int bitrateKbps,
                               const QString& ma, LoaiVideo loai);
    struct KhoaSan {
        int rong = 0, cao = 0;
        int64_t bitrate = 0;
        double tocDo = 0;
        bool operator==(const KhoaSan&) const = default;
    };
    KhoaSan khoaChoWriter(int rong, int cao, int bitrateKbps) const;
    void chuanBiWriterSan();
    std::unique_ptr<BoGhiVideo> layWriterSan(const KhoaSan& khoa);
    void baoLoiMoWriter(const QString& lyDo, const QString& chuHienThi);
    void baoLoiGhiFile(const QString& loi);
    void datLaiTrangThaiGhi();
    qint64 giayTuBatDau() const;
    template <typename F>
    void guiGui(F f);  // runs f on the GUI thread if the engine still exists
    void kiemHangDoi(const char* noi) const;

    LuongChay luongGui_;
    std::shared_ptr<NenTangCamera> nenTang_;
    BoGhiVideo::Tao taoBoGhi_;
    const DongHo& dongHo_;

    // The capture queue's view of published fields: what the GUI thread last set, or what was last sent.
    std::atomic<bool> dangGhiChoHangDoi_{false};
    // When the capture queue last had a frame, on the engine's steady clock; and whether the GUI thread has
    // declared the camera stopped for want of frames, so the next frame can declare it running again.
    std::atomic<std::chrono::steady_clock::rep> lanKhungCuoi_{0};
    std::atomic<bool> ngungViThieuKhung_{false};
    QString doPhanGiaiDaGui_;
    qint64 giayDaGui_ = 0;

    // Capture queue.
    QString tenShop_ = QStringLiteral("Shop");
    QString maDangQuay_;
    QString tienToNhan_;
    QStringList danhSachSerial_;
    std::unique_ptr<NguonKhung> nguon_;
    uint64_t theHeNguon_ = 0;
    static constexpr int kKhungChoToiDa = 3;
    std::shared_ptr<std::atomic<int>> khungDangCho_ = std::make_shared<std::atomic<int>>(0);
    std::function<void(const QImage&)> nhanKhungDocMa_;
    std::function<void(const QImage&)> nhanKhungXemTruoc_;
    LopPhuKhung lopPhu_;

    std::shared_ptr<BoGhiVideo> writer_;
    int rongWriter_ = 0, caoWriter_ = 0;
    double tocDoNguon_ = 30.0;
    std::optional<std::chrono::steady_clock::time_point> thoiDiemBatDau_;
    std::optional<std::chrono::system_clock::time_point> ngayBatDau_;
    std::chrono::steady_clock::time_point batDauDeu_{};
    std::optional<QString> fileDangGhi_;
    int bitrateDangDung_ = 1500;
    int khungDaGhi_ = 0;
    LoaiVideo loaiDangGhi_ = LoaiVideo::dongGoi;
    std::optional<QString> loiGhiFile_;
    std::optional<QString> loiMoWriter_;
    int soKhungHong_ = 0;

    // The writer made ahead. khoaSan_ guards these: the preparation runs on hangDoiSan_, off the capture
    // queue, so opening an encoder never holds up the frames.
    BoGhiVideo::TaoChuaCoFile taoSan_;
    std::mutex khoaSan_;
    std::condition_variable sanXong_;
    std::optional<KhoaSan> khoaWriterSan_;  // what the writer below is, or is being, made for
    std::unique_ptr<BoGhiVideo> writerSan_;
    bool dangChuanBiSan_ = false;
    uint64_t theHeSan_ = 0;
    std::atomic<int> bitrateChoSan_{1500};
    int rongKhung_ = 0, caoKhung_ = 0;  // capture queue: the size of the last frame
    std::unique_ptr<HangDoiTuanTu> hangDoiSan_;

    std::unique_ptr<DocMaVach> docMa_;
    QPointer<PhatKhungXemTruoc> xemTruoc_;
    // Last: destroyed first, so the tasks still queued run while everything above exists.
    std::unique_ptr<HangDoiTuanTu> hangDoi_;
};
