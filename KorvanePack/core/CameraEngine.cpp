#include "core/CameraEngine.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QTimer>
#include <climits>
#include <cmath>

#include "core/BoGhiVideoFFmpeg.h"
#include "core/DocMaVach.h"
#include "core/NenTangCameraV4l2.h"
#include "core/PhatKhungXemTruoc.h"
#include "store/DinhDangNgay.h"
#include "store/DongHo.h"

namespace {

const QString kKhongThayWebcam = QStringLiteral("Không tìm thấy webcam nào.");
const QString kKhongMoDuoc = QStringLiteral("Không mở được webcam: ");

QSize kichThuocTheoChu(const QString& chu) {
    if (chu.startsWith(QLatin1String("1920"))) return {1920, 1080};
    if (chu.startsWith(QLatin1String("640"))) return {640, 480};
    return {1280, 720};
}

}  // namespace

QString CameraEngine::moTa(LoiCamera loi) {
    switch (loi) {
        case LoiCamera::khongThemDuocInput:
            return QStringLiteral("Không gắn được webcam vào phiên quay.");
        case LoiCamera::khongThemDuocOutput:
            return QStringLiteral("Không lấy được luồng hình từ webcam.");
        case LoiCamera::dangGhiRoi:
            return QStringLiteral("Đang quay rồi.");
        case LoiCamera::chuaMoCamera:
            return QStringLiteral("Camera chưa mở. Vào Cài đặt chọn lại webcam.");
        case LoiCamera::khongDungDuocWriter:
            return QStringLiteral("Không tạo được file video.");
    }
    return {};
}

std::optional<QString> CameraEngine::moTaLoiODia(const QString& loi) {
    static const struct {
        const char* he;
        const char* vi;
    } bang[] = {
        {"No space left on device", "ổ đĩa đã đầy"},
        {"Disk quota exceeded", "ổ đĩa đã hết hạn mức"},
        {"Input/output error", "ổ đĩa báo lỗi đọc ghi (ổ hỏng hoặc đã bị rút ra)"},
        {"File too large", "file vượt giới hạn của ổ đĩa"},
        {"Read-only file system", "ổ đĩa chỉ cho đọc"},
        {"ổ đầy hoặc ổ đã bị rút", "ổ đĩa đầy hoặc đã bị rút ra"},
    };
    for (const auto& d : bang)
        if (loi.contains(QString::fromUtf8(d.he), Qt::CaseInsensitive))
            return QStringLiteral("Lỗi ổ đĩa: ") + QString::fromUtf8(d.vi) +
                   QStringLiteral(". Giải phóng chỗ trống (xoá bớt video cũ hoặc chép ra ổ khác) hoặc kiểm tra ổ, "
                                  "rồi quay lại.");
    return std::nullopt;
}

CameraEngine::CameraEngine(QObject* parent)
    : CameraEngine(std::make_shared<NenTangCameraV4l2>(), &BoGhiVideoFFmpeg::tao, DongHo::heThong(), parent) {
    taoSan_ = &BoGhiVideoFFmpeg::taoChuaCoFile;
}

CameraEngine::CameraEngine(std::shared_ptr<NenTangCamera> nenTang, BoGhiVideo::Tao taoBoGhi, const DongHo& dongHo,
                           QObject* parent)
    : CongCamera(parent),
      nenTang_(std::move(nenTang)),
      taoBoGhi_(std::move(taoBoGhi)),
      dongHo_(dongHo),
      hangDoiSan_(std::make_unique<HangDoiTuanTu>("korvane.pack.camera.writer")),
      docMa_(std::make_unique<DocMaVach>()),
      hangDoi_(std::make_unique<HangDoiTuanTu>("korvane.pack.camera")) {
    DocMaVach* doc = docMa_.get();
    nhanKhungDocMa_ = [doc](const QImage& k) { doc->nhanKhung(k); };
    connect(doc, &DocMaVach::thayMa, this, &CameraEngine::daDocDuocMa);
    connect(doc, &DocMaVach::thayNhieuMa, this, &CongCameraManHinh::daDocNhieuMa);
    auto* canhGac = new QTimer(this);
    canhGac->setInterval(1000);
    connect(canhGac, &QTimer::timeout, this, &CameraEngine::kiemTraKhungDen);
    canhGac->start();
}

CameraEngine::~CameraEngine() {
    hangDoi_->guiDongBo([this] {
        dongNguon();
        nhanKhungDocMa_ = nullptr;
        nhanKhungXemTruoc_ = nullptr;
        writer_.reset();  // an abandoned writer still closes its file properly
        std::lock_guard lk(khoaSan_);
        taoSan_ = nullptr;  // whatever still runs on the capture queue makes nothing more ahead
    });
    hangDoiSan_.reset();  // waits for a preparation in flight
    hangDoi_.reset();
}

void CameraEngine::kiemHangDoi(const char* noi) const {
    if (!hangDoi_->dangTrenHangDoi()) [[unlikely]]
        LuongChay::saiLuong(noi);
}

template <typename F>
void CameraEngine::guiGui(F f) {
    QPointer<CameraEngine> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, f = std::move(f)]() mutable {
            if (self) f();
        },
        Qt::QueuedConnection);
}

void CameraEngine::batXemTruoc() {
    luongGui_.kiem("CameraEngine::batXemTruoc");
    if (xemTruoc_) return;
    xemTruoc_ = new PhatKhungXemTruoc(this);
    connect(xemTruoc_, &PhatKhungXemTruoc::khungMoi, this, &CongCameraManHinh::khungMoi);
}

void CameraEngine::datKichThuocXem(QSize o) {
    luongGui_.kiem("CameraEngine::datKichThuocXem");
    if (xemTruoc_) xemTruoc_->datKichThuocXem(o);
}

double CameraEngine::giuaHaiLanDo() const {
    return docMa_->giuaHaiLanDo();
}

void CameraEngine::datGiuaHaiLanDo(double giay) {
    docMa_->setGiuaHaiLanDo(giay);
}

void CameraEngine::datNhanKhungXemTruoc(std::function<void(const QImage&)> nhan) {
    hangDoi_->guiDongBo([&] { nhanKhungXemTruoc_ = std::move(nhan); });
}

void CameraEngine::datNhanKhungDocMa(std::function<void(const QImage&)> nhan) {
    hangDoi_->guiDongBo([&] { nhanKhungDocMa_ = std::move(nhan); });
}

// ---- devices and opening ----

QList<ThietBiCamera> CameraEngine::danhSachCamera() {
    kiemHangDoi("CameraEngine::danhSachCamera");
    return nenTang_->timThietBi();
}

void CameraEngine::lamMoiThietBi() {
    hangDoi_->guiBatDongBo([this] {
        QList<ThietBiCamera> ds = danhSachCamera();
        guiGui([this, ds] { datDanhSachThietBi(ds); });
    });
}

void CameraEngine::moCamera(const std::optional<QString>& cameraId, const QString& doPhanGiai) {
    hangDoi_->guiBatDongBo([this, cameraId, doPhanGiai] { cauHinhPhien(cameraId, doPhanGiai); });
}

std::optional<DinhDangCamera> CameraEngine::chonDinhDang(const ThietBiCamera& tb, int chieuCao) {
    if (tb.dinhDang.isEmpty()) return std::nullopt;
    const DinhDangCamera* tot = &tb.dinhDang.first();
    for (const DinhDangCamera& d : tb.dinhDang)
        if (std::abs(d.cao - chieuCao) < std::abs(tot->cao - chieuCao)) tot = &d;
    return *tot;
}

void CameraEngine::dongNguon() {
    if (nguon_) nguon_->dung();
    nguon_.reset();
    ++theHeNguon_;
}

void CameraEngine::moNguon(std::unique_ptr<NguonKhung> nguon) {
    nguon_ = std::move(nguon);
    tocDoNguon_ = nguon_->tocDoKhung() > 0 ? nguon_->tocDoKhung() : 30.0;
    rongKhung_ = caoKhung_ = 0;  // prepared on its first frame, once its size is known
    const uint64_t theHe = theHeNguon_;
    // A frame goes to the queue only while few are waiting there: a queue held up for a moment (the
    // machine busy, a synchronous call from the GUI thread) catches up without a hole in the recording,
    // and one that cannot keep up drops frames at the source instead of building a backlog.
    auto cho = khungDangCho_;
    cho->store(0);
    lanKhungCuoi_ = dongHo_.gioDeu().time_since_epoch().count();  // the first frame gets the same grace
    ngungViThieuKhung_ = false;
    auto nhan = [this, theHe, cho](QImage anh, QImage xam, std::chrono::steady_clock::time_point luc) {
        if (cho->fetch_add(1) >= kKhungChoToiDa) {
            cho->fetch_sub(1);
            return;
        }
        hangDoi_->guiBatDongBo([this, theHe, cho, anh = std::move(anh), xam = std::move(xam), luc]() mutable {
            if (theHe == theHeNguon_) xuLyKhung(std::move(anh), xam, luc);
            cho->fetch_sub(1);
        });
    };
    // Without this a camera pulled out would leave a frozen picture that still claims to be running.
    // A recording that is running keeps what it has; the stop finishes the file as usual.
    auto khiNgung = [this, theHe](const QString& lyDo) {
        hangDoi_->guiBatDongBo([this, theHe, lyDo] {
            if (theHe != theHeNguon_) return;
            const QString chu = QStringLiteral("Webcam đã ngừng gửi hình: ") + lyDo +
                                QStringLiteral(". Kiểm tra dây cắm rồi chọn lại webcam trong Cài đặt.");
            guiGui([this, chu] {
                datLoiCamera(chu);
                datDangChay(false);
            });
        });
    };
    nguon_->batDau(std::move(nhan), std::move(khiNgung));
}

void CameraEngine::kiemTraKhungDen() {
    luongGui_.kiem("CameraEngine::kiemTraKhungDen");
    if (!dangChay()) return;
    const auto cuoi = std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(lanKhungCuoi_.load()));
    if (dongHo_.gioDeu() - cuoi < kChoKhungToiDa) return;
    ngungViThieuKhung_ = true;
    datLoiCamera(QStringLiteral("Webcam không gửi hình nào trong %1 giây (driver treo hoặc dây USB lỏng). "
                                "Kiểm tra dây cắm rồi chọn lại webcam trong Cài đặt.")
                     .arg(kChoKhungToiDa.count()));
    datDangChay(false);
}

void CameraEngine::cauHinhPhien(const std::optional<QString>& cameraId, const QString& doPhanGiai) {
    kiemHangDoi("CameraEngine::cauHinhPhien");
    dongNguon();
    auto baoLoi = [this](const QString& chu) {
        guiGui([this, chu] {
            datLoiCamera(chu);
            datDangChay(false);
        });
    };

    if (cameraId && cameraId->startsWith(QLatin1String(kTienToDoThi))) {
        QString loi;
        auto nguon = nenTang_->moDoThi(cameraId->mid(int(qstrlen(kTienToDoThi))), loi);
        if (!nguon) {
            baoLoi(kKhongMoDuoc + (loi.isEmpty() ? moTa(LoiCamera::khongThemDuocOutput) : loi));
            return;
        }
        const QString ten = nguon->ten();
        moNguon(std::move(nguon));
        const QList<ThietBiCamera> ds = danhSachCamera();
        guiGui([this, ten, ds] {
            datTenCamera(ten);
            datDangChay(true);
            datLoiCamera(QString());
            datDanhSachThietBi(ds);
        });
        return;
    }

    const QList<ThietBiCamera> ds = danhSachCamera();
    if (ds.isEmpty()) {
        baoLoi(kKhongThayWebcam);
        return;
    }
    const ThietBiCamera* tb = &ds.first();
    if (cameraId)
        for (const ThietBiCamera& t : ds)
            if (t.id == *cameraId) {
                tb = &t;
                break;
            }

    // The preset size when the device offers it exactly (MJPEG first: most webcams give only a few
    // frames per second of raw YUYV at the larger sizes); else the format nearest in height.
    const QSize muc = kichThuocTheoChu(doPhanGiai);
    std::optional<DinhDangCamera> dd;
    for (const DinhDangCamera& d : tb->dinhDang) {
        if (d.rong != muc.width() || d.cao != muc.height()) continue;
        if (!dd || (d.maHoa == QLatin1String("MJPG") && dd->maHoa != QLatin1String("MJPG"))) dd = d;
    }
    if (!dd) dd = chonDinhDang(*tb, muc.height());
    if (!dd) dd = DinhDangCamera{QString(), muc.width(), muc.height()};  // the driver picks its nearest

    QString loi;
    auto nguon = nenTang_->moThietBi(*tb, *dd, loi);
    if (!nguon) {
        baoLoi(kKhongMoDuoc + (loi.isEmpty() ? moTa(LoiCamera::khongThemDuocOutput) : loi));
        return;
    }
    moNguon(std::move(nguon));
    const QString ten = tb->ten;
    guiGui([this, ten, ds] {
        datTenCamera(ten);
        datDangChay(true);
        datLoiCamera(QString());
        datDanhSachThietBi(ds);
    });
}

// ---- frames ----

qint64 CameraEngine::giayTuBatDau() const {
    if (!ngayBatDau_) return 0;
    auto d = dongHo_.gioDeu() - batDauDeu_;
    return std::max<qint64>(0, std::chrono::duration_cast<std::chrono::seconds>(d).count());
}

void CameraEngine::xuLyKhung(QImage khung, const QImage& xam, std::chrono::steady_clock::time_point luc) {
    kiemHangDoi("CameraEngine::xuLyKhung");
    if (khung.isNull()) return;
    lanKhungCuoi_ = dongHo_.gioDeu().time_since_epoch().count();
    // Frames back after a stall: the camera is running again and the stall's text no longer holds.
    if (ngungViThieuKhung_.exchange(false))
        guiGui([this] {
            datLoiCamera(QString());
            datDangChay(true);
        });
    // The reader and the preview see the frame before the caption covers part of it. The reader reads
    // only the luma: the decoder's own when it has one, which spares copying the colour frame to grey.
    if (nhanKhungDocMa_) nhanKhungDocMa_(xam.isNull() || xam.size() != khung.size() ? khung : xam);
    if (nhanKhungXemTruoc_) nhanKhungXemTruoc_(khung);
    const int rong = khung.width(), cao = khung.height();
    const bool ghi = dangGhiChoHangDoi_.load();
    if (rong != rongKhung_ || cao != caoKhung_) {
        rongKhung_ = rong;
        caoKhung_ = cao;
        if (!ghi) chuanBiWriterSan();
    }

    NoiDungLopPhu nd;
    nd.ma = maDangQuay_;
    nd.tienTo = tienToNhan_;
    nd.tenShop = tenShop_;
    nd.ngayGio = dinhDangNgayGio().dinhDang(dongHo_.gioThuc());
    nd.serial = danhSachSerial_;
    nd.dangGhi = ghi;
    nd.giayDaQua = giayTuBatDau();
    lopPhu_.ve(khung, nd);

    const QString kt = QStringLiteral("%1x%2").arg(rong).arg(cao);
    if (kt != doPhanGiaiDaGui_) {
        doPhanGiaiDaGui_ = kt;
        guiGui([this, kt] { datDoPhanGiai(kt); });
    }
    if (ghi) ghiKhung(khung, luc, rong, cao);
}

// ---- the writer ----

void CameraEngine::datTenShop(const QString& ten) {
    kiemHangDoi("CameraEngine::datTenShop");
    tenShop_ = ten;
}
void CameraEngine::datTienToNhan(const QString& nhan) {
    kiemHangDoi("CameraEngine::datTienToNhan");
    tienToNhan_ = nhan;
}

void CameraEngine::datNhan(const QString& tenShop, const QString& tienToNhan) {
    hangDoi_->chayDongBo([&] {
        datTenShop(tenShop);
        datTienToNhan(tienToNhan);
    });
}

void CameraEngine::chuanBiGhi(std::chrono::system_clock::time_point batDau, const QString& file, int bitrateKbps,
                              const QString& ma, LoaiVideo loai) {
    hangDoi_->chayDongBo([&] { chuanBiGhiTrenHangDoi(batDau, file, bitrateKbps, ma, loai); });
    // A failure of the last recording's file, on a camera that runs, belongs to that recording (its stop has
    // reported it): left up, it would cover the live picture until the program restarts.
    if (dangChay() && !hangDoi_->dangTrenHangDoi()) datLoiCamera(QString());
}

void CameraEngine::chuanBiGhiTrenHangDoi(std::chrono::system_clock::time_point batDau, const QString& file,
                                         int bitrateKbps, const QString& ma, LoaiVideo loai) {
    kiemHangDoi("CameraEngine::chuanBiGhi");
    writer_.reset();
    thoiDiemBatDau_.reset();
    ngayBatDau_ = batDau;
    batDauDeu_ = dongHo_.gioDeu();
    fileDangGhi_ = file;
    bitrateDangDung_ = bitrateKbps;
    bitrateChoSan_ = bitrateKbps;
    maDangQuay_ = ma;
    loaiDangGhi_ = loai;
    khungDaGhi_ = 0;
    danhSachSerial_.clear();
    loiGhiFile_.reset();
    loiMoWriter_.reset();
    soKhungHong_ = 0;
    giayDaGui_ = 0;
}

QStringList CameraEngine::danhSachSerial() {
    return hangDoi_->chayDongBo([&] { return danhSachSerial_; });
}

bool CameraEngine::themSerial(const QString& serial) {
    const QString s = serial.trimmed();
    if (s.isEmpty()) return false;
    return hangDoi_->chayDongBo([&] {
        for (const QString& co : danhSachSerial_)
            if (co.compare(s, Qt::CaseInsensitive) == 0) return false;
        danhSachSerial_.append(s);
        return true;
    });
}

void CameraEngine::baoDaBatDauGhi() {
    luongGui_.kiem("CameraEngine::baoDaBatDauGhi");
    dangGhiChoHangDoi_ = true;
    datDangGhi(true);
    datGiayDaGhi(0);
}

// The first failure to create or start a writer is kept for the stop and shown once; the next
// frames still try again, quietly, in case the cause goes away.
void CameraEngine::baoLoiMoWriter(const QString& lyDo, const QString& chuHienThi) {
    if (loiMoWriter_) return;
    loiMoWriter_ = lyDo;
    guiGui([this, chuHienThi] { datLoiCamera(chuHienThi); });
}

CameraEngine::KhoaSan CameraEngine::khoaChoWriter(int rong, int cao, int bitrateKbps) const {
    const QString kt = QStringLiteral("%1x%2").arg(rong).arg(cao);
    return {rong, cao, int64_t(bitrateTheoDoPhanGiai(bitrateKbps, kt)) * 1000, tocDoNguon_};
}

void CameraEngine::datTaoBoGhiSan(BoGhiVideo::TaoChuaCoFile tao) {
    hangDoi_->guiDongBo([&] {
        {
            std::lock_guard lk(khoaSan_);
            taoSan_ = std::move(tao);
            khoaWriterSan_.reset();
            ++theHeSan_;
        }
        chuanBiWriterSan();
    });
}

void CameraEngine::datBitrateChoSan(int kbps) {
    if (bitrateChoSan_.exchange(kbps) == kbps) return;
    hangDoi_->guiBatDongBo([this] {
        if (!dangGhiChoHangDoi_.load()) chuanBiWriterSan();
    });
}

// On the capture queue. Starts making a writer for the frames now arriving, unless one is ready or on its
// way for exactly these; a writer made for another size, rate or bit rate is dropped, never used stale.
void CameraEngine::chuanBiWriterSan() {
    kiemHangDoi("CameraEngine::chuanBiWriterSan");
    if (rongKhung_ <= 0 || caoKhung_ <= 0) return;
    const KhoaSan khoa = khoaChoWriter(rongKhung_, caoKhung_, bitrateChoSan_.load());
    std::unique_ptr<BoGhiVideo> cu;
    BoGhiVideo::TaoChuaCoFile tao;
    uint64_t theHe = 0;
    {
        std::lock_guard lk(khoaSan_);
        if (!taoSan_ || khoaWriterSan_ == khoa) return;
        cu = std::move(writerSan_);
        khoaWriterSan_ = khoa;
        dangChuanBiSan_ = true;
        theHe = ++theHeSan_;
        tao = taoSan_;
    }
    hangDoiSan_->guiBatDongBo([this, khoa, tao, theHe, cu = std::shared_ptr<BoGhiVideo>(std::move(cu))]() mutable {
        cu.reset();
        std::unique_ptr<BoGhiVideo> w = tao();
        if (w && !w->themDauVao(khoa.rong, khoa.cao, khoa.bitrate, khoa.tocDo)) w.reset();
        std::lock_guard lk(khoaSan_);
        if (theHe != theHeSan_) return;  // asked for something else meanwhile
        writerSan_ = std::move(w);
        dangChuanBiSan_ = false;
        if (!writerSan_) khoaWriterSan_.reset();
        sanXong_.notify_all();
    });
}

// On the capture queue: the writer made ahead for exactly these frames, waiting for it when it is still
// being made (no longer than opening one afresh would take), or none.
std::unique_ptr<BoGhiVideo> CameraEngine::layWriterSan(const KhoaSan& khoa) {
    std::unique_lock lk(khoaSan_);
    if (khoaWriterSan_ != khoa) return nullptr;
    sanXong_.wait_for(lk, std::chrono::seconds(2), [this] { return !dangChuanBiSan_; });
    if (dangChuanBiSan_) return nullptr;
    khoaWriterSan_.reset();
    ++theHeSan_;
    return std::move(writerSan_);
}

void CameraEngine::taoWriter(int rong, int cao) {
    if (!fileDangGhi_) return;
    if (std::unique_ptr<BoGhiVideo> san = layWriterSan(khoaChoWriter(rong, cao, bitrateDangDung_))) {
        if (!san->moFile(*fileDangGhi_)) {
            const QString chu = QStringLiteral("Không tạo được file video ở ") + *fileDangGhi_;
            baoLoiMoWriter(chu, chu);
            return;
        }
        writer_ = std::move(san);
        rongWriter_ = rong;
        caoWriter_ = cao;
        return;
    }
    std::unique_ptr<BoGhiVideo> w = taoBoGhi_ ? taoBoGhi_(*fileDangGhi_) : nullptr;
    if (!w) {
        const QString chu = QStringLiteral("Không tạo được file video ở ") + *fileDangGhi_;
        baoLoiMoWriter(chu, chu);
        return;
    }
    const QString kt = QStringLiteral("%1x%2").arg(rong).arg(cao);
    const int64_t bitrate = int64_t(bitrateTheoDoPhanGiai(bitrateDangDung_, kt)) * 1000;
    if (!w->themDauVao(rong, cao, bitrate, tocDoNguon_)) {
        const QString lyDo = QStringLiteral("Bộ mã hoá H.264 từ chối kích thước %1\u00D7%2").arg(rong).arg(cao);
        baoLoiMoWriter(lyDo, lyDo + QLatin1Char('.'));
        return;
    }
    writer_ = std::move(w);
    rongWriter_ = rong;
    caoWriter_ = cao;
}

void CameraEngine::baoLoiGhiFile(const QString& loi) {
    if (loiGhiFile_) return;
    loiGhiFile_ = loi;
    QString chu =
        QStringLiteral("Đang quay thì ghi file hỏng: ") + loi + QStringLiteral(". Dừng lại và quay lại đơn này.");
    // The writer's failures are almost always the disk's: said so, with what to do, not as a webcam fault.
    if (const auto oDia = moTaLoiODia(loi)) chu += QLatin1Char(' ') + *oDia;
    guiGui([this, chu] { datLoiCamera(chu); });
}

void CameraEngine::ghiKhung(const QImage& khung, std::chrono::steady_clock::time_point luc, int rong, int cao) {
    if (!fileDangGhi_) return;
    if (!writer_) taoWriter(rong, cao);
    if (!writer_) return;

    if (!thoiDiemBatDau_) {
        if (writer_->trangThai() != BoGhiVideo::TrangThai::chuaBatDau || !writer_->batDau()) {
            const QString loi = writer_->loi().isEmpty() ? QStringLiteral("lý do không rõ") : writer_->loi();
            const QString chu = QStringLiteral("Không ghi được file: ") + loi;
            baoLoiMoWriter(chu, chu);
            writer_.reset();
            return;
        }
        thoiDiemBatDau_ = luc;
    }
    if (writer_->trangThai() == BoGhiVideo::TrangThai::thatBai) {
        baoLoiGhiFile(writer_->loi().isEmpty() ? QStringLiteral("bộ ghi dừng bất thường") : writer_->loi());
        return;
    }
    if (writer_->trangThai() != BoGhiVideo::TrangThai::dangGhi) return;

    BoGhiVideo::KetQuaThem kq;
    // An encoder is set up for one size; a frame of another size (the camera re-opened at another
    // resolution mid-recording) is refused here rather than handed to it.
    if (rong != rongWriter_ || cao != caoWriter_)
        kq = BoGhiVideo::KetQuaThem::tuChoi;
    else
        kq = writer_->themKhung(khung, std::chrono::duration_cast<std::chrono::microseconds>(luc - *thoiDiemBatDau_));
    if (kq == BoGhiVideo::KetQuaThem::chuaSan) return;
    if (kq == BoGhiVideo::KetQuaThem::daNhan) {
        ++khungDaGhi_;
    } else if (++soKhungHong_ >= 31) {
        baoLoiGhiFile(writer_->loi().isEmpty()
                          ? QStringLiteral("bộ ghi từ chối khung hình liên tục (ổ đầy hoặc ổ đã bị rút?)")
                          : writer_->loi());
    }
    if (ngayBatDau_) {
        const qint64 giay = giayTuBatDau();
        if (giay != giayDaGui_) {
            giayDaGui_ = giay;
            guiGui([this, giay] {
                if (dangGhi()) datGiayDaGhi(int(giay));
            });
        }
    }
}

void CameraEngine::datLaiTrangThaiGhi() {
    kiemHangDoi("CameraEngine::datLaiTrangThaiGhi");
    writer_.reset();
    thoiDiemBatDau_.reset();
    fileDangGhi_.reset();
    ngayBatDau_.reset();
    maDangQuay_.clear();
    tienToNhan_.clear();
    danhSachSerial_.clear();
    khungDaGhi_ = 0;
    loiGhiFile_.reset();
    loiMoWriter_.reset();
    soKhungHong_ = 0;
}

void CameraEngine::dungGhi(KhiDungXong xong) {
    luongGui_.kiem("CameraEngine::dungGhi");
    if (!dangGhi()) {
        if (xong) xong(std::nullopt);
        return;
    }
    // From here no frame is appended: the capture queue tests this flag before each recording step,
    // and the snapshot below runs after any frame already being handled.
    dangGhiChoHangDoi_ = false;
    datDangGhi(false);

    QPointer<CameraEngine> self(this);
    const DongHo* dongHo = &dongHo_;
    hangDoi_->guiBatDongBo([this, self, dongHo, xong = std::move(xong)]() mutable {
        std::shared_ptr<BoGhiVideo> w = std::move(writer_);
        const auto file = fileDangGhi_;
        const auto batDau = ngayBatDau_;
        const auto batDauDeu = batDauDeu_;
        const int khung = khungDaGhi_;
        const LoaiVideo loai = loaiDangGhi_;
        const auto loiGhi = loiGhiFile_;
        const auto loiMo = loiMoWriter_;
        const bool dangViet = w && w->trangThai() == BoGhiVideo::TrangThai::dangGhi;
        // The writer now belongs to this stop alone, so the reset can run at once and the next
        // recording can be armed while the file is still being finished.
        datLaiTrangThaiGhi();
        chuanBiWriterSan();

        auto traVe = [self](std::optional<QString> loiHienThi, std::optional<KetQuaGhi> kq, KhiDungXong xong) {
            // From the writer's thread the engine may be gone: the application object is the
            // context, and the weak pointer decides on the GUI thread.
            QMetaObject::invokeMethod(
                qApp,
                [self, loiHienThi, kq, xong = std::move(xong)] {
                    if (!self) return;
                    if (loiHienThi) self->datLoiCamera(*loiHienThi);
                    if (xong) xong(kq);
                },
                Qt::QueuedConnection);
        };

        if (!file || !batDau) {
            traVe(std::nullopt, std::nullopt, std::move(xong));
            return;
        }
        if (dangViet) {
            const QString duongDan = *file;
            w->ketThuc([w, dongHo, duongDan, batDau, batDauDeu, khung, loai, loiGhi, traVe,
                        xong = std::move(xong)]() mutable {
                const auto tt = w->trangThai();
                const QString loiW = w->loi();
                const auto ketThuc = dongHo->gioThuc();
                const double giay = std::chrono::duration<double>(dongHo->gioDeu() - batDauDeu).count();
                if (tt == BoGhiVideo::TrangThai::hoanTat && loiW.isEmpty() && !loiGhi) {
                    KetQuaGhi kq{duongDan, *batDau, ketThuc, int(std::max(0L, std::lround(giay))), khung, loai};
                    traVe(std::nullopt, kq, std::move(xong));
                } else {
                    const QString lyDo = loiGhi            ? *loiGhi
                                         : !loiW.isEmpty() ? loiW
                                                           : QStringLiteral("bộ ghi dừng ở trạng thái %1").arg(int(tt));
                    traVe(QStringLiteral("File video KHÔNG hoàn tất: ") + lyDo + QStringLiteral(". ") +
                              QStringLiteral("File dở dang nằm ở ") + duongDan +
                              QStringLiteral(". Đơn này CHƯA có bằng chứng — quay lại."),
                          std::nullopt, std::move(xong));
                }
                w.reset();
            });
            return;
        }
        std::optional<QString> lyDo = loiGhi;
        if (!lyDo && w && !w->loi().isEmpty()) lyDo = w->loi();
        if (!lyDo) lyDo = loiMo;
        if (w) w->ketThuc([w]() mutable { w.reset(); });  // closes the failed file off this thread
        traVe(lyDo ? QStringLiteral("Không ghi được video: ") + *lyDo + QStringLiteral(". Đơn này CHƯA có bằng chứng.")
                   : QStringLiteral("Không nhận được khung hình nào từ webcam — video rỗng."),
              std::nullopt, std::move(xong));
    });
}
