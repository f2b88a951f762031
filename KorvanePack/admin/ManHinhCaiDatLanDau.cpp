#include "admin/ManHinhCaiDatLanDau.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

#include "admin/HopChonThuMuc.h"
#include "admin/MucCamera.h"
#include "admin/ManHinhThuMay.h"
#include "admin/NhanBoc.h"
#include "admin/NutChinh.h"
#include "admin/VachKe.h"
#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "core/CongCameraManHinh.h"
#include "core/CongDongBo.h"
#include "shell/BangMau.h"
#include "shell/DongLuaChon.h"
#include "shell/KhungBo.h"
#include "shell/NhanHieuKorvane.h"
#include "shell/NhanMau.h"
#include "shell/NhanNgatMoiCho.h"
#include "shell/PhongChu.h"
#include "nentang/BangNenTang.h"
#include "store/TienIch.h"

namespace {


NhanMau* nhanBoc(const QString& chu, const MauDong& mau, double co, QWidget* cha, int rongToiDa = 0) {
    return new NhanBoc(chu, mau, phongChu(co), rongToiDa, cha);
}

QWidget* vach(QWidget* cha) {
    return new VachKe(BangMau::mauVienThe, 0, 1, cha);
}

}  // namespace

const QStringList ManHinhCaiDatLanDau::tenCacBuoc{QStringLiteral("Tên shop"), QStringLiteral("Nơi lưu video"),
                                                  QStringLiteral("Thử máy"), QStringLiteral("Nối Haravan")};

ManHinhCaiDatLanDau::ManHinhCaiDatLanDau(BoDieuPhoi* dieuPhoi, CaiDat& caiDat, CongDongBo* dongBo,
                                         CongCameraManHinh* camera, std::function<void()> xongRoi, QWidget* parent)
    : QWidget(parent),
      dieuPhoi_(dieuPhoi),
      caiDat_(caiDat),
      dongBo_(dongBo),
      camera_(camera),
      xongRoi_(std::move(xongRoi)),
      bieuMau_(caiDat, dongBo) {
    auto* cot = new QVBoxLayout(this);
    cot->setContentsMargins(0, 0, 0, 0);
    cot->setSpacing(0);

    auto* hangNhan = new QHBoxLayout;
    hangNhan->setContentsMargins(24, 20, 24, 14);
    hangNhan->addWidget(new NhanHieuKorvane(24, QStringLiteral("Zize"), this));
    hangNhan->addStretch(1);
    cot->addLayout(hangNhan);

    chiBao_ = new QWidget(this);
    cotChiBao_ = new QVBoxLayout(chiBao_);
    cotChiBao_->setContentsMargins(28, 16, 28, 16);
    cot->addWidget(chiBao_);
    cot->addWidget(vach(this));

    // The sheet has a fixed size, and a step can need more height than it leaves (the webcam step's tips, a
    // platform with several credentials): the step scrolls rather than squeezing wrapped lines over each other.
    auto* cuon = new QScrollArea(this);
    cuon->setFrameShape(QFrame::NoFrame);
    cuon->setWidgetResizable(true);
    cuon->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    cuon->viewport()->setAutoFillBackground(false);
    auto* vungBuoc = new QWidget(cuon);
    vungBuoc->setAutoFillBackground(false);
    cotBuoc_ = new QVBoxLayout(vungBuoc);
    cotBuoc_->setContentsMargins(28, 28, 28, 28);
    cuon->setWidget(vungBuoc);
    cot->addWidget(cuon, 1);
    cot->addWidget(vach(this));

    auto* thanh = new QHBoxLayout;
    thanh->setContentsMargins(28, 14, 28, 14);
    nutLui_ = new QPushButton(QStringLiteral("Quay lại"), this);
    connect(nutLui_, &QPushButton::clicked, this, [this] { buocTruoc(); });
    thanh->addWidget(nutLui_);
    thanh->addStretch(1);
    nutTiep_ = new NutChinh(QStringLiteral("Tiếp tục"), this);
    nutTiep_->setDefault(false);
    nutTiep_->setAutoDefault(false);
    connect(nutTiep_, &QPushButton::clicked, this, [this] {
        if (buoc_ >= 3)
            hoanTat();
        else
            buocSau();
    });
    thanh->addWidget(nutTiep_);
    cot->addLayout(thanh);

    connect(&caiDat_, &CaiDat::tenShopChanged, this, [this] {
        if (oTenShop_ && oTenShop_->text() != caiDat_.tenShop()) oTenShop_->setText(caiDat_.tenShop());
        lamMoiDieuHuong();
    });
    connect(&caiDat_, &CaiDat::thuMucGocChanged, this, [this] {
        if (chuThuMuc_) chuThuMuc_->setText(caiDat_.thuMucGoc());
    });
    connect(&caiDat_, &CaiDat::cameraIdChanged, this, [this] { lamMoiWebcam(); });
    if (camera_) connect(camera_, &CongCameraManHinh::danhSachThietBiDoi, this, [this] { lamMoiWebcam(); });
    // The test view leaving the webcam step, or the packing screen behind the sheet coming back from a minimised
    // window, puts the coordinator back into packing mode while the sheet is still up.
    if (dieuPhoi_)
        connect(dieuPhoi_, &BoDieuPhoi::cheDoChanged, this, [this] {
            if (giuCheDo_ && dieuPhoi_->cheDo() != BoDieuPhoi::CheDo::thuMay) giuCheDoThu();
        });

    // Another platform's fields replace the step's rows; the picker that chose it may still be in its own
    // signal, so the step is rebuilt afterwards.
    connect(&bieuMau_, &BieuMauKhoa::cacTruongDoi, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (buoc_ == 3) lamMoiBuoc();
            },
            Qt::QueuedConnection);
    });
    connect(&bieuMau_, &BieuMauKhoa::giaTriDoi, this, [this](const QString& khoa) { lamMoiONhap(khoa); });
    connect(&bieuMau_, &BieuMauKhoa::trangThaiDoi, this, [this] { lamMoiNutLuu(); });

    lamMoiChiBao();
    lamMoiBuoc();
    lamMoiDieuHuong();
}

ManHinhCaiDatLanDau::~ManHinhCaiDatLanDau() {
    thaCheDoThu();
}

void ManHinhCaiDatLanDau::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (e->spontaneous()) return;
    giuCheDoThu();
    khiHienRa();
}

void ManHinhCaiDatLanDau::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    if (!e->spontaneous()) thaCheDoThu();
}

// The wizard is a modal sheet over the packing screen, and its webcam step has the owner hold a label up to the
// camera, often still there as they go on. In packing mode that label would start a recording behind the sheet,
// out of reach of its stop button, and leave a stray video under a real order's code. Test mode reads codes and
// starts nothing. A recording already under way keeps packing mode, the only one in which a scan can end it.
void ManHinhCaiDatLanDau::giuCheDoThu() {
    if (!dieuPhoi_ || dieuPhoi_->trangThai() != BoDieuPhoi::TrangThai::nghi) return;
    if (!giuCheDo_) {
        giuCheDo_ = true;
        cheDoTruoc_ = dieuPhoi_->cheDo();
    }
    dieuPhoi_->datCheDo(BoDieuPhoi::CheDo::thuMay);
}

void ManHinhCaiDatLanDau::thaCheDoThu() {
    if (!giuCheDo_) return;
    giuCheDo_ = false;
    // A screen that has set its own mode since then keeps it.
    if (dieuPhoi_ && dieuPhoi_->cheDo() == BoDieuPhoi::CheDo::thuMay) dieuPhoi_->datCheDo(cheDoTruoc_);
}

void ManHinhCaiDatLanDau::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    QPainter p(this);
    p.fillRect(rect(), BangMau::mauNen.mau());
}

void ManHinhCaiDatLanDau::khiHienRa() {
    if (camera_) camera_->lamMoiThietBi();
    napONhap();
}

void ManHinhCaiDatLanDau::napONhap() {
    bieuMau_.napLai();
}

void ManHinhCaiDatLanDau::chonThuMuc() {
    if (!chonThuMuc_) return;
    QPointer<ManHinhCaiDatLanDau> toi = this;
    chonThuMuc_(this, caiDat_.thuMucGoc(), [toi](std::optional<QString> duongDan) {
        if (!toi || !duongDan || duongDan->isEmpty()) return;
        // Nothing has been recorded at the first run: the store moves now, so the first day's videos and
        // orders are in the folder the next start opens. A folder the store cannot take is not stored.
        const std::optional<QString> loi = toi->doiKho_ ? toi->doiKho_(*duongDan) : std::nullopt;
        if (toi->chuLoiThuMuc_) {
            toi->chuLoiThuMuc_->setText(loi.value_or(QString()));
            toi->chuLoiThuMuc_->setVisible(loi.has_value());
        }
        if (!loi) toi->caiDat_.setThuMucGoc(*duongDan);
    });
}

void ManHinhCaiDatLanDau::chonThuMucHeThong(QWidget* cha, const QString& hienTai,
                                            std::function<void(std::optional<QString>)> xong) {
    QFileDialog* hop = taoHopChonThuMuc(cha, hienTai);
    hop->setAttribute(Qt::WA_DeleteOnClose);
    hop->setWindowModality(Qt::WindowModal);
    auto daTraLoi = std::make_shared<bool>(false);
    QObject::connect(hop, &QFileDialog::fileSelected, hop, [xong, daTraLoi](const QString& duong) {
        *daTraLoi = true;
        xong(duong.isEmpty() ? std::nullopt : std::optional<QString>(duong));
    });
    QObject::connect(hop, &QFileDialog::rejected, hop, [xong, daTraLoi] {
        if (!*daTraLoi) xong(std::nullopt);
    });
    hop->open();
}

void ManHinhCaiDatLanDau::doiCamera(const QString& cameraId) {
    if (!camera_) return;
    camera_->moCamera(cameraId.isEmpty() ? std::nullopt : std::optional<QString>(cameraId), caiDat_.doPhanGiai());
}

QString ManHinhCaiDatLanDau::docONhap(const QString& khoa) const {
    return bieuMau_.giaTri(khoa);
}

void ManHinhCaiDatLanDau::ghiONhap(const QString& khoa, const QString& giaTri) {
    bieuMau_.sua(khoa, giaTri);
}

bool ManHinhCaiDatLanDau::duNhap() const {
    return bieuMau_.duNhap();
}

void ManHinhCaiDatLanDau::luuVaKiemTra() {
    if (!duNhap()) return;
    QPointer<CongDongBo> dongBo = dongBo_;
    bieuMau_.kiemTra([dongBo](const QString& ketQua) {
        // The first fetch goes on even if the wizard has been closed meanwhile: its outcome is the sync
        // engine's to report.
        if (ketQua.startsWith(BieuMauKhoa::kTienToThanhCong) && dongBo) dongBo->dongBo(true);
    });
}

void ManHinhCaiDatLanDau::buocTruoc() {
    datBuoc(buoc_ - 1);
}

void ManHinhCaiDatLanDau::buocSau() {
    datBuoc(buoc_ + 1);
}

void ManHinhCaiDatLanDau::datBuoc(int b) {
    if (b < 0 || b > 3 || b == buoc_) return;
    buoc_ = b;
    lamMoiChiBao();
    lamMoiBuoc();
    lamMoiDieuHuong();
}

void ManHinhCaiDatLanDau::hoanTat() {
    caiDat_.setDaCaiDatLanDau(true);
    if (xongRoi_) xongRoi_();
}

QStringList ManHinhCaiDatLanDau::cacNhanBuoc() const {
    QStringList ra;
    for (auto* n : chiBao_->findChildren<NhanMau*>(QStringLiteral("tenBuoc"))) ra << n->text();
    return ra;
}

void ManHinhCaiDatLanDau::lamMoiChiBao() {
    while (QLayoutItem* muc = cotChiBao_->takeAt(0)) {
        if (QWidget* w = muc->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete muc;
    }
    auto* hang = new QWidget(chiBao_);
    auto* hb = new QHBoxLayout(hang);
    hb->setContentsMargins(0, 0, 0, 0);
    hb->setSpacing(8);
    for (int i = 0; i < tenCacBuoc.size(); ++i) {
        const bool daToi = i <= buoc_;
        auto* tron = new KhungBo(hang);
        tron->datBanKinh(-1);
        tron->datNen(daToi ? BangMau::mauXanhDuong : BangMau::mauVienThe);
        tron->setFixedSize(22, 22);
        auto* lt = new QVBoxLayout(tron);
        lt->setContentsMargins(0, 0, 0, 0);
        auto* so = new NhanMau(QString::number(i + 1), BangMau::mauChuPhu, phongChu(12, QFont::DemiBold, true), tron);
        if (daToi) so->datMauCoDinh(Qt::black);
        so->setAlignment(Qt::AlignCenter);
        lt->addWidget(so);
        hb->addWidget(tron);
        const bool hienTai = i == buoc_;
        auto* ten = new NhanMau(tenCacBuoc[i], hienTai ? BangMau::mauChuChinh : BangMau::mauChuPhu,
                                phongChu(13, hienTai ? QFont::DemiBold : QFont::Normal), hang);
        ten->setObjectName(QStringLiteral("tenBuoc"));
        hb->addWidget(ten);
        if (i < tenCacBuoc.size() - 1) {
            hb->addWidget(new VachKe(BangMau::mauVienThe, 24, 1, hang), 0, Qt::AlignVCenter);
        }
    }
    hb->addStretch(1);
    cotChiBao_->addWidget(hang);
}

void ManHinhCaiDatLanDau::lamMoiDieuHuong() {
    nutLui_->setVisible(buoc_ >= 1);
    nutTiep_->setText(buoc_ <= 2 ? QStringLiteral("Tiếp tục") : QStringLiteral("Xong, bắt đầu dùng"));
    nutTiep_->updateGeometry();
    nutTiep_->setEnabled(buoc_ != 0 || !boKhoangTrangDau(caiDat_.tenShop()).isEmpty());
}

void ManHinhCaiDatLanDau::lamMoiBuoc() {
    if (buocHienTai_) {
        // Hidden before it goes, so an embedded test view hands the reader back at once.
        buocHienTai_->hide();
        buocHienTai_->deleteLater();
        buocHienTai_ = nullptr;
    }
    cacOKhoa_.clear();
    oTenShop_ = nullptr;
    chuThuMuc_ = nullptr;
    chuLoiThuMuc_ = nullptr;
    chonWebcam_ = nullptr;
    thuMay_ = nullptr;
    chonNguon_ = nullptr;
    nutLuu_ = nullptr;
    quay_ = nullptr;
    ketQua_ = nullptr;
    loiKhoa_ = nullptr;
    switch (buoc_) {
        case 0:
            buocHienTai_ = buocChaoMung();
            break;
        case 1:
            buocHienTai_ = buocLuuTru();
            break;
        case 2:
            buocHienTai_ = buocWebcam();
            break;
        default:
            buocHienTai_ = buocNguonDon();
            break;
    }
    cotBuoc_->addWidget(buocHienTai_, 1);
    buocHienTai_->show();
}

QWidget* ManHinhCaiDatLanDau::taoTieuDe(const QString& tieuDe, const QString& phu, QWidget* cha) {
    auto* w = new QWidget(cha);
    auto* cot = new QVBoxLayout(w);
    cot->setContentsMargins(0, 0, 0, 0);
    cot->setSpacing(6);
    cot->addWidget(new NhanMau(tieuDe, BangMau::mauChuChinh, phongChu(20, QFont::DemiBold), w));
    cot->addWidget(nhanBoc(phu, BangMau::mauChuPhu, 13, w, 620));
    return w;
}

QWidget* ManHinhCaiDatLanDau::buocChaoMung() {
    auto* w = new QWidget;
    auto* cot = new QVBoxLayout(w);
    cot->setContentsMargins(0, 0, 0, 0);
    cot->setSpacing(14);
    cot->addWidget(taoTieuDe(QStringLiteral("Chào mừng đến với Korvane Zize"),
                             QStringLiteral("Phần mềm quay video đóng gói, chạy hoàn toàn trên máy này. Không có gì "
                                            "gửi lên mạng ngoài việc lấy đơn từ Haravan."),
                             w));
    cot->addWidget(new NhanMau(QStringLiteral("Tên shop"), BangMau::mauChuPhu, phongChu(12.5), w));
    oTenShop_ = new QLineEdit(caiDat_.tenShop(), w);
    oTenShop_->setFont(phongChu(15));
    oTenShop_->setMaximumWidth(380);
    oTenShop_->setPlaceholderText(QStringLiteral("Ví dụ: ") + QStringLiteral("Tiệm Gốm Bát Tràng"));
    // Stored as typed, spaces included: the caption shows exactly what the owner wrote.
    connect(oTenShop_, &QLineEdit::textEdited, this, [this](const QString& t) { caiDat_.setTenShop(t); });
    cot->addWidget(oTenShop_);
    cot->addWidget(nhanBoc(QStringLiteral("Tên này được in thẳng vào từng khung hình của mọi video, cùng với ngày "
                                          "giờ. Đặt đúng tên shop như trên đơn hàng."),
                           BangMau::mauChuPhu, 12.5, w, 460));
    cot->addStretch(1);
    return w;
}

QWidget* ManHinhCaiDatLanDau::buocLuuTru() {
    auto* w = new QWidget;
    auto* cot = new QVBoxLayout(w);
    cot->setContentsMargins(0, 0, 0, 0);
    cot->setSpacing(14);
    cot->addWidget(
        taoTieuDe(QStringLiteral("Video lưu ở đâu"),
                  QStringLiteral("Chọn ổ nào còn nhiều chỗ. Một phút quay khoảng 11–25 MB tuỳ độ phân giải."), w));
    auto* the = new KhungBo(w);
    the->datNen(BangMau::mauThe);
    the->datBanKinh(8);
    the->setMaximumWidth(560);
    auto* hang = new QHBoxLayout(the);
    hang->setContentsMargins(12, 12, 12, 12);
    chuThuMuc_ = new NhanNgatMoiCho(caiDat_.thuMucGoc(), BangMau::mauChuChinh, phongChu(12.5, QFont::Normal, true), the);
    hang->addWidget(chuThuMuc_, 1);
    auto* nut = new QPushButton(QStringLiteral("Chọn thư mục khác…"), the);
    connect(nut, &QPushButton::clicked, this, [this] { chonThuMuc(); });
    hang->addWidget(nut);
    cot->addWidget(the);
    chuLoiThuMuc_ = nhanBoc(QString(), BangMau::mauDo, 12.5, w, 560);
    chuLoiThuMuc_->setObjectName(QStringLiteral("loiThuMuc"));
    chuLoiThuMuc_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    chuLoiThuMuc_->hide();
    cot->addWidget(chuLoiThuMuc_);
    cot->addWidget(nhanBoc(QStringLiteral("Đổi thư mục sau này được, nhưng video cũ không tự chuyển theo. Chọn kỹ "
                                          "ngay từ đầu thì đỡ việc."),
                           BangMau::mauHoPhach, 12.5, w, 560));
    cot->addStretch(1);
    return w;
}

QWidget* ManHinhCaiDatLanDau::buocWebcam() {
    auto* w = new QWidget;
    auto* cot = new QVBoxLayout(w);
    cot->setContentsMargins(0, 0, 0, 0);
    cot->setSpacing(14);
    cot->addWidget(taoTieuDe(QStringLiteral("Thử xem webcam đọc được phiếu không"),
                             QStringLiteral("Cầm một phiếu giao hàng bất kỳ chìa vào camera. Đây là bước quan trọng "
                                            "nhất — webcam không đọc được mã thì cả phần mềm vô dụng."),
                             w));
    auto* hang = new QHBoxLayout;
    hang->setSpacing(10);
    hang->addWidget(new NhanMau(QStringLiteral("Webcam"), BangMau::mauChuPhu, phongChu(12.5), w));
    chonWebcam_ = new QComboBox(w);
    chonWebcam_->setMaximumWidth(420 - 70);
    chonWebcam_->setMinimumWidth(260);
    connect(chonWebcam_, &QComboBox::activated, this, [this](int i) {
        const QString id = chonWebcam_->itemData(i).toString();
        caiDat_.setCameraId(id);
        doiCamera(id);
    });
    hang->addWidget(chonWebcam_);
    hang->addStretch(1);
    cot->addLayout(hang);
    lamMoiWebcam();
    thuMay_ = new ManHinhThuMay(dieuPhoi_, camera_, true, w);
    cot->addWidget(thuMay_, 1);
    return w;
}

void ManHinhCaiDatLanDau::lamMoiWebcam() {
    if (!chonWebcam_) return;
    const QSignalBlocker chan(chonWebcam_.data());
    chonWebcam_->clear();
    chonWebcam_->addItem(QStringLiteral("Webcam mặc định"), QString());
    if (camera_)
        for (const ThietBiCamera& tb : camera_->danhSachThietBi()) chonWebcam_->addItem(tb.ten, tb.id);
    // A stored id that no listed device has (unplugged, or set by hand) gets its own row saying so, as on the
    // settings card, rather than a blank picker beside a test that passes on it.
    MucCamera::themMucDaLuu(chonWebcam_, caiDat_.cameraId());
    chonTheoId(chonWebcam_, caiDat_.cameraId());
}

QWidget* ManHinhCaiDatLanDau::buocNguonDon() {
    const QString nguon = bieuMau_.nguon();
    auto* w = new QWidget;
    auto* cot = new QVBoxLayout(w);
    cot->setContentsMargins(0, 0, 0, 0);
    cot->setSpacing(12);
    cot->addWidget(taoTieuDe(QStringLiteral("Nối phần mềm bán hàng"),
                             QStringLiteral("Để app biết mã vận đơn nào là đơn nào, của khách nào. Bỏ qua cũng được — "
                                            "app vẫn quay bình thường, chỉ là video không gắn được đơn."),
                             w));
    auto* hangNguon = new QHBoxLayout;
    hangNguon->setSpacing(10);
    auto* nhanNguon = new NhanMau(QStringLiteral("Lấy đơn từ"), BangMau::mauChuPhu, phongChu(12.5), w);
    nhanNguon->setFixedWidth(110);
    hangNguon->addWidget(nhanNguon);
    chonNguon_ = new QComboBox(w);
    chonNguon_->setFixedWidth(340 - 120);
    for (const MucNguon& m : bangNenTang()) dongLuaChon(chonNguon_.data(), m);
    chonTheoId(chonNguon_, nguon);
    connect(chonNguon_, &QComboBox::activated, this, [this](int i) {
        const QString id = chonNguon_->itemData(i).toString();
        if (id != caiDat_.nguonDon()) caiDat_.setNguonDon(id);
    });
    hangNguon->addWidget(chonNguon_);
    hangNguon->addStretch(1);
    cot->addLayout(hangNguon);

    for (const TruongKhaiBao& t : cacTruongKhaiBao(nguon)) {
        auto* hang = new QHBoxLayout;
        hang->setSpacing(10);
        auto* nhan = new NhanMau(t.nhan, BangMau::mauChuPhu, phongChu(12.5), w);
        nhan->setFixedWidth(110);
        hang->addWidget(nhan);
        auto* o = new QLineEdit(docONhap(t.khoa), w);
        o->setPlaceholderText(t.goiY);
        o->setEchoMode(t.biMat ? QLineEdit::Password : QLineEdit::Normal);
        o->setFixedWidth(520 - 120);
        o->setObjectName(t.khoa);
        const QString khoa = t.khoa;
        connect(o, &QLineEdit::textEdited, this, [this, khoa](const QString& s) { ghiONhap(khoa, s); });
        hang->addWidget(o);
        hang->addStretch(1);
        cot->addLayout(hang);
        cacOKhoa_ << o;
    }
    loiKhoa_ = nhanBoc({}, BangMau::mauDo, 12.5, w, 560);
    loiKhoa_->setObjectName(QStringLiteral("loiKhoa"));
    cot->addWidget(loiKhoa_);
    cot->addWidget(nhanBoc(huongDanKetNoi(nguon), BangMau::mauChuPhu, 12.5, w, 560));

    auto* hangNut = new QHBoxLayout;
    hangNut->setSpacing(10);
    nutLuu_ = new QPushButton(QStringLiteral("Lưu và kiểm tra"), w);
    connect(nutLuu_, &QPushButton::clicked, this, [this] { luuVaKiemTra(); });
    hangNut->addWidget(nutLuu_);
    quay_ = new QProgressBar(w);
    quay_->setRange(0, 0);
    quay_->setTextVisible(false);
    quay_->setFixedSize(48, 10);
    hangNut->addWidget(quay_);
    hangNut->addStretch(1);
    cot->addLayout(hangNut);
    ketQua_ = nhanBoc({}, BangMau::mauChuPhu, 12.5, w, 560);
    cot->addWidget(ketQua_);
    cot->addStretch(1);
    lamMoiNutLuu();
    return w;
}

void ManHinhCaiDatLanDau::lamMoiNutLuu() {
    const bool dangThu = bieuMau_.dangThu();
    const std::optional<QString>& ketQuaToken = bieuMau_.ketQuaToken();
    if (nutLuu_) nutLuu_->setEnabled(!dangThu && duNhap());
    if (quay_) quay_->setVisible(dangThu);
    if (ketQua_) {
        ketQua_->setVisible(ketQuaToken.has_value());
        ketQua_->setText(ketQuaToken.value_or(QString()));
        ketQua_->datMau(bieuMau_.ketNoiDuoc() ? BangMau::mauXanhLa : BangMau::mauDo);
    }
    if (loiKhoa_) {
        loiKhoa_->setVisible(bieuMau_.loiKhoa().has_value());
        loiKhoa_->setText(bieuMau_.loiKhoa().value_or(QString()));
    }
}

// The keyring's answer goes into its input in place: rebuilding the step would take the focus from a field
// being typed into.
void ManHinhCaiDatLanDau::lamMoiONhap(const QString& khoa) {
    for (QLineEdit* o : std::as_const(cacOKhoa_))
        if (o->objectName() == khoa && o->text() != bieuMau_.giaTri(khoa)) o->setText(bieuMau_.giaTri(khoa));
}

QString ManHinhCaiDatLanDau::chuKetQua() const {
    return ketQua_ && !ketQua_->isHidden() ? ketQua_->text() : QString();
}

QColor ManHinhCaiDatLanDau::mauKetQua() const {
    return ketQua_ ? ketQua_->mauChu() : QColor();
}

std::optional<QString> ManHinhCaiDatLanDau::loiThuMuc() const {
    if (!chuLoiThuMuc_ || chuLoiThuMuc_->isHidden()) return std::nullopt;
    return chuLoiThuMuc_->text();
}

QString ManHinhCaiDatLanDau::chuThuMuc() const {
    return chuThuMuc_ ? chuThuMuc_->text() : QString();
}
