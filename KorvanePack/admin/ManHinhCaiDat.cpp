#include "admin/ManHinhCaiDat.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

#include "admin/DongLuaChon.h"
#include "admin/HopChonThuMuc.h"
#include "admin/MucPhanMem.h"
#include "admin/NhanRutGon.h"
#include "admin/TheMuc.h"
#include "admin/TuKhoiDongXdg.h"
#include "core/BangMau.h"
#include "core/BoDieuPhoi.h"
#include "core/CaiDat.h"
#include "core/CongCameraManHinh.h"
#include "core/GiaoDien.h"
#include "core/KhungBo.h"
#include "core/NhanMau.h"
#include "core/PhongChu.h"
#include "evidence/SaoLuu.h"
#include "sources/BoDongBo.h"
#include "sources/nentang/BangNenTang.h"
#include "store/KhoDuLieu.h"
#include "store/MucChon.h"

namespace {

const QList<MucChon>& cacDoPhanGiai() {
    static const QList<MucChon> ds{
        {QStringLiteral("640x480"), QStringLiteral("640 × 480 — nhẹ nhất")},
        {QStringLiteral("1280x720"), QStringLiteral("1280 × 720 — khuyên dùng")},
        {QStringLiteral("1920x1080"), QStringLiteral("1920 × 1080 — nặng gấp đôi")},
    };
    return ds;
}

const QList<MucChon>& cacNen() {
    static const QList<MucChon> ds{
        {QStringLiteral("toi"), QStringLiteral("Tối")},
        {QStringLiteral("sang"), QStringLiteral("Sáng")},
        {QStringLiteral("tuHe"), QStringLiteral("Theo máy")},
    };
    return ds;
}

NhanMau* ghiChu(const QString& chu, QWidget* cha, double co = 12) {
    auto* n = new NhanMau(chu, BangMau::mauChuPhu, phongChu(co), cha);
    n->setWordWrap(true);
    return n;
}

// A busy indicator at a little over half the size of a normal one.
QProgressBar* vongQuay(QWidget* cha) {
    auto* q = new QProgressBar(cha);
    q->setRange(0, 0);
    q->setTextVisible(false);
    q->setFixedSize(48, 9);
    q->hide();
    return q;
}

QWidget* hangCoNhan(const QString& nhan, QWidget* dieuKhien, QWidget* cha) {
    auto* w = new QWidget(cha);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(10);
    h->addWidget(new NhanMau(nhan, BangMau::mauChuChinh, phongChu(13), w));
    h->addWidget(dieuKhien);
    h->addStretch(1);
    return w;
}

QString tenTruong(const char* truong) {
    return QString::fromLatin1(truong);
}

}  // namespace

ManHinhCaiDat::ManHinhCaiDat(BoDieuPhoi* dieuPhoi, BoDongBo* dongBo, SaoLuu* saoLuu, CaiDat& caiDat, NenTang nenTang,
                             QWidget* parent)
    : QScrollArea(parent),
      dieuPhoi_(dieuPhoi),
      dongBo_(dongBo),
      saoLuu_(saoLuu),
      camera_(dieuPhoi ? dieuPhoi->cameraManHinh() : nullptr),
      caiDat_(caiDat),
      nenTang_(std::move(nenTang)) {
    if (!nenTang_.chonThuMuc) {
        nenTang_.chonThuMuc = [](QWidget* cha, const QString& hienTai) -> std::optional<QString> {
            std::unique_ptr<QFileDialog> hop(taoHopChonThuMuc(cha, hienTai));
            if (hop->exec() != QDialog::Accepted || hop->selectedFiles().isEmpty()) return std::nullopt;
            const QString duong = hop->selectedFiles().constFirst();
            if (duong.isEmpty()) return std::nullopt;
            return duong;
        };
    }
    if (!nenTang_.moThuMuc)
        nenTang_.moThuMuc = [](const QString& d) { QDesktopServices::openUrl(QUrl::fromLocalFile(d)); };
    if (!nenTang_.tuKhoiDong) nenTang_.tuKhoiDong = std::make_shared<TuKhoiDongXdg>();

    setObjectName(QStringLiteral("manHinhCaiDat"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    auto* nen = new KhungBo;
    nen->datNen(BangMau::mauNen);
    auto* hangNen = new QHBoxLayout(nen);
    hangNen->setContentsMargins(0, 0, 0, 0);
    auto* cotWidget = new QWidget(nen);
    cotWidget->setMaximumWidth(720);
    auto* cot = new QVBoxLayout(cotWidget);
    cot->setContentsMargins(24, 24, 24, 24);
    cot->setSpacing(22);
    cot->setAlignment(Qt::AlignTop);
    hangNen->addWidget(cotWidget, 1, Qt::AlignTop);
    hangNen->addStretch(0);

    auto* tieuDe = new NhanMau(QStringLiteral("Cài đặt"), BangMau::mauChuChinh, phongChu(22, QFont::Bold), cotWidget);
    tieuDe->setObjectName(QStringLiteral("tieuDeCaiDat"));
    cot->addWidget(tieuDe);
    cot->addWidget(mucGiaoDien());
    cot->addWidget(mucNguonDon());
    cot->addWidget(mucDongBo());
    cot->addWidget(mucCamera());
    cot->addWidget(mucSerial());
    cot->addWidget(mucTiengBao());
    cot->addWidget(mucLuuTru());
    cot->addWidget(mucSaoLuu());
    cot->addWidget(mucKhoaCaiDat());
    cot->addWidget(mucKhoiDong());
    // The folder shown is the one the store was opened on: a new data folder applies only after a restart.
    const KhoDuLieu* kho = dieuPhoi_ ? &dieuPhoi_->kho() : nullptr;
    phanMem_ = new MucPhanMem(kho, kho ? kho->thuMucGoc() : caiDat_.thuMucGoc(), nenTang_.moThuMuc, cotWidget);
    cot->addWidget(phanMem_);
    setWidget(nen);

    connect(&caiDat_, &CaiDat::thayDoi, this, [this] { capNhat(); });
    connect(&caiDat_, &CaiDat::nguonDonChanged, this, [this] {
        chonTheoId(chonNguon_, caiDat_.nguonDon());
        dungDongTruong();
        napONhap();
    });
    if (camera_) {
        connect(camera_, &CongCameraManHinh::danhSachThietBiDoi, this, [this] { napDanhSachCamera(); });
        connect(camera_, &CongCameraManHinh::doPhanGiaiDoi, this, [this] { capNhat(); });
        connect(camera_, &CongCameraManHinh::dangGhiDoi, this, [this] { capNhat(); });
    }
    if (dongBo_) {
        connect(dongBo_, &BoDongBo::dangChayChanged, this, [this] { capNhat(); });
        connect(dongBo_, &BoDongBo::trangThaiChanged, this, [this] { capNhat(); });
        connect(dongBo_, &BoDongBo::loiChanged, this, [this] { capNhat(); });
        connect(dongBo_, &BoDongBo::nhatKyChanged, this, [this] { capNhat(); });
        connect(dongBo_, &BoDongBo::mauThoChanged, this, [this] { capNhat(); });
    }
    if (saoLuu_) {
        connect(saoLuu_, &SaoLuu::dangChayChanged, this, [this] { capNhat(); });
        connect(saoLuu_, &SaoLuu::trangThaiChanged, this, [this] { capNhat(); });
    }
    napDanhSachCamera();
    dungDongTruong();
    capNhat();
}

ManHinhCaiDat::~ManHinhCaiDat() = default;

QString ManHinhCaiDat::uocTinhDungLuong(const QString& doPhanGiai, int bitrateKbps) {
    if (doPhanGiai.isEmpty()) return QStringLiteral("Bật camera lên rồi mới ước tính được dung lượng.");
    const int k = CongCameraManHinh::bitrateTheoDoPhanGiai(bitrateKbps, doPhanGiai);
    const double m = double(k) * 60.0 * 0.125 / 1024.0;
    return QStringLiteral("Webcam đang chạy %1 · thực dùng %2 kbps ≈ %3 MB mỗi phút quay.")
        .arg(doPhanGiai)
        .arg(k)
        .arg(QString::asprintf("%.0f", m));
}

QString ManHinhCaiDat::chuLoiTuKhoiDong(const QString& moTa, const QString& thuMucTuKhoiDong) {
    return QStringLiteral("Không đặt được: ") + moTa + QStringLiteral(". Kiểm tra thư mục ") + thuMucTuKhoiDong +
           QStringLiteral(" có ghi được không rồi thử lại.");
}

void ManHinhCaiDat::showEvent(QShowEvent* e) {
    QScrollArea::showEvent(e);
    khiHienRa();
}

void ManHinhCaiDat::khiHienRa() {
    if (camera_) camera_->lamMoiThietBi();
    napONhap();
    tuKhoiDong_ = nenTang_.tuKhoiDong->daBat();
    kiemTraThuMucSaoLuu();
    capNhat();
}

// ---- Section 1: appearance ----

TheMuc* ManHinhCaiDat::mucGiaoDien() {
    auto* the = new TheMuc(QStringLiteral("Giao diện"), this);
    auto* khung = new QWidget(the);
    khung->setMaximumWidth(340);
    auto* hang = new QHBoxLayout(khung);
    hang->setContentsMargins(0, 0, 0, 0);
    hang->setSpacing(0);
    nhomNen_ = new QButtonGroup(this);
    nhomNen_->setExclusive(true);
    for (const MucChon& m : cacNen()) {
        auto* nut = new QPushButton(m.ten, khung);
        nut->setCheckable(true);
        nut->setObjectName(QStringLiteral("nutNen:") + m.id);
        nut->setProperty("id", m.id);
        nhomNen_->addButton(nut);
        hang->addWidget(nut);
    }
    // The chosen segment must stand out in both appearances; the style's own checked look barely does in the dark.
    auto apKieu = [khung] {
        khung->setStyleSheet(
            QStringLiteral("QPushButton { padding: 3px 14px; border: 1px solid %1; background: %2; color: %3; }"
                           "QPushButton:checked { background: %4; font-weight: 600; }")
                .arg(BangMau::mauVienThe.mau().name(), BangMau::mauThe.mau().name(), BangMau::mauChuChinh.mau().name(),
                     BangMau::mauXanhDuong.mau(0.35).name(QColor::HexArgb)));
    };
    apKieu();
    connect(&GiaoDien::ban(), &GiaoDien::daDoiNen, khung, apKieu);
    connect(nhomNen_, &QButtonGroup::buttonClicked, this,
            [this](QAbstractButton* nut) { caiDat_.setGiaoDien(nut->property("id").toString()); });
    the->cot()->addWidget(hangCoNhan(QStringLiteral("Nền"), khung, the));
    the->cot()->addWidget(
        ghiChu(QStringLiteral("Chọn nền tối hay sáng cho cả app. \"Theo máy\" đổi theo cài đặt Sáng/Tối của màn hình "
                              "máy tính. Đổi là thấy ngay, không cần mở lại."),
               the));
    return the;
}

// ---- Section 2: order source ----

TheMuc* ManHinhCaiDat::mucNguonDon() {
    auto* the = new TheMuc(QStringLiteral("Nguồn đơn hàng"), this);
    chonNguon_ = new QComboBox(the);
    chonNguon_->setObjectName(QStringLiteral("chonNguon"));
    for (const MucNguon& m : bangNenTang()) dongLuaChon(chonNguon_, m);
    chonTheoId(chonNguon_, caiDat_.nguonDon());
    auto* hangNguon = hangCoNhan(QStringLiteral("Lấy đơn từ"), chonNguon_, the);
    hangNguon->setMaximumWidth(340);
    the->cot()->addWidget(hangNguon);
    // The setting's own change signal reloads the fields, whoever changed it.
    connect(chonNguon_, &QComboBox::activated, this, [this](int) {
        const QString id = idDangChon(chonNguon_);
        if (!id.isEmpty()) caiDat_.setNguonDon(id);
    });

    canhBaoChuaKiem_ = new NhanMau(
        QStringLiteral("Bộ nối này viết theo tài liệu của nhà cung cấp nhưng CHƯA chạy với tài khoản thật. Nối xong "
                       "bấm \"Xem dữ liệu thô\" bên dưới để kiểm tra app có đọc đúng mã vận đơn không."),
        BangMau::mauHoPhach, phongChu(12), the);
    canhBaoChuaKiem_->setObjectName(QStringLiteral("canhBaoChuaKiemChung"));
    canhBaoChuaKiem_->setWordWrap(true);
    the->cot()->addWidget(canhBaoChuaKiem_);

    auto* khungTruong = new QWidget(the);
    cotTruong_ = new QVBoxLayout(khungTruong);
    cotTruong_->setContentsMargins(0, 0, 0, 0);
    cotTruong_->setSpacing(10);
    the->cot()->addWidget(khungTruong);

    huongDan_ = ghiChu({}, the);
    huongDan_->setObjectName(QStringLiteral("huongDanKetNoi"));
    the->cot()->addWidget(huongDan_);

    auto* hang = new QHBoxLayout;
    hang->setSpacing(10);
    auto* nutLuu = new QPushButton(QStringLiteral("Lưu khoá"), the);
    nutLuu->setObjectName(QStringLiteral("nutLuuKhoa"));
    nutKiemTra_ = new QPushButton(QStringLiteral("Kiểm tra kết nối"), the);
    nutKiemTra_->setObjectName(QStringLiteral("nutKiemTraKetNoi"));
    quayThu_ = vongQuay(the);
    nutXemTho_ = new QPushButton(QStringLiteral("Xem dữ liệu thô"), the);
    nutXemTho_->setObjectName(QStringLiteral("nutXemDuLieuTho"));
    hang->addWidget(nutLuu);
    hang->addWidget(nutKiemTra_);
    hang->addWidget(quayThu_);
    hang->addStretch(1);
    hang->addWidget(nutXemTho_);
    the->cot()->addLayout(hang);
    connect(nutLuu, &QPushButton::clicked, this, [this] { luuKhoa(); });
    connect(nutKiemTra_, &QPushButton::clicked, this, [this] { kiemTraKetNoi(); });
    connect(nutXemTho_, &QPushButton::clicked, this, [this] { moXemTho(); });

    chuKetQuaToken_ = new NhanMau({}, BangMau::mauDo, phongChu(12.5), the);
    chuKetQuaToken_->setObjectName(QStringLiteral("ketQuaKetNoi"));
    chuKetQuaToken_->setWordWrap(true);
    chuKetQuaToken_->hide();
    the->cot()->addWidget(chuKetQuaToken_);
    return the;
}

void ManHinhCaiDat::dungDongTruong() {
    // The rows never send the signal that rebuilds them, so they can go at once.
    while (QLayoutItem* muc = cotTruong_->takeAt(0)) {
        delete muc->widget();
        delete muc;
    }
    oTruong_.clear();
    QWidget* cha = cotTruong_->parentWidget();
    for (const TruongKhaiBao& t : cacTruongKhaiBao(caiDat_.nguonDon())) {
        auto* dong = new QWidget(cha);
        dong->setObjectName(QStringLiteral("dongTruong:") + t.khoa);
        dong->setMaximumWidth(520);
        auto* hang = new QHBoxLayout(dong);
        hang->setContentsMargins(0, 0, 0, 0);
        hang->setSpacing(10);
        auto* nhan = new NhanMau(t.nhan, BangMau::mauChuPhu, phongChu(12.5), dong);
        nhan->setFixedWidth(110);
        hang->addWidget(nhan, 0, Qt::AlignVCenter);
        auto* o = new QLineEdit(dong);
        o->setObjectName(QStringLiteral("oTruong:") + t.khoa);
        o->setPlaceholderText(t.goiY);
        if (t.biMat) o->setEchoMode(QLineEdit::Password);
        o->setText(oNhap_.value(t.khoa));
        const QString khoa = t.khoa;
        connect(o, &QLineEdit::textEdited, this, [this, khoa](const QString& chu) {
            oNhap_[khoa] = chu;
            daSuaKhoa_.insert(khoa);
        });
        hang->addWidget(o, 1, Qt::AlignVCenter);
        oTruong_.insert(t.khoa, o);
        cotTruong_->addWidget(dong);
    }
}

bool ManHinhCaiDat::daNapKhoa() const {
    return nguonDaNapKhoa_ == caiDat_.nguonDon();
}

void ManHinhCaiDat::napONhap() {
    const QString p = caiDat_.nguonDon();
    QStringList cacDichVu;
    for (const TruongKhaiBao& t : cacTruongKhaiBao(p)) cacDichVu << dichVuKhoaNguon(p, t.khoa);
    ketQuaToken_.reset();
    oNhap_.clear();
    daSuaKhoa_.clear();
    nguonDaNapKhoa_.clear();
    for (auto it = oTruong_.cbegin(); it != oTruong_.cend(); ++it) it.value()->clear();
    const quint64 lan = ++lanNapKhoa_;
    // Read on a worker: a slow or locked keyring must not freeze the window while the screen opens. A field
    // the owner typed into meanwhile keeps what was typed.
    caiDat_.docKeychainNen(cacDichVu, this, [this, p, lan](const CaiDat::KhoaDaDoc& daDoc) {
        if (lan != lanNapKhoa_ || caiDat_.nguonDon() != p) return;
        for (const TruongKhaiBao& t : cacTruongKhaiBao(p)) {
            if (daSuaKhoa_.contains(t.khoa)) continue;
            oNhap_.insert(t.khoa, daDoc.value(dichVuKhoaNguon(p, t.khoa), std::nullopt).value_or(QString()));
            if (QLineEdit* o = oTruong_.value(t.khoa)) o->setText(oNhap_.value(t.khoa));
        }
        nguonDaNapKhoa_ = p;
        capNhat();
    });
    capNhat();
}

void ManHinhCaiDat::luuKhoa() {
    const QString p = caiDat_.nguonDon();
    for (const TruongKhaiBao& t : cacTruongKhaiBao(p)) {
        // Until the stored values are back, a field the owner did not touch is not known: it is left as stored.
        if (nguonDaNapKhoa_ != p && !daSuaKhoa_.contains(t.khoa)) continue;
        const QString giaTri = oNhap_.value(t.khoa).trimmed();
        caiDat_.ghiKeychain(dichVuKhoaNguon(p, t.khoa),
                            giaTri.isEmpty() ? std::nullopt : std::optional<QString>(giaTri));
    }
    caiDat_.baoThayDoi();
}

void ManHinhCaiDat::kiemTraKetNoi() {
    if (dangThu_) return;
    luuKhoa();
    if (!dongBo_) return;
    dangThu_ = true;
    capNhat();
    QPointer<ManHinhCaiDat> toi = this;
    dongBo_->thuKetNoi([toi](const QString& chu) {
        if (!toi) return;
        toi->ketQuaToken_ = chu;
        toi->dangThu_ = false;
        toi->capNhat();
    });
}

// ---- Section 3: sync ----

TheMuc* ManHinhCaiDat::mucDongBo() {
    auto* the = new TheMuc(QStringLiteral("Đồng bộ đơn hàng"), this);
    the->cot()->addWidget(ghiChu(QStringLiteral("App tự hỏi Haravan mỗi 60 giây. Haravan không gọi ngược về máy ở "
                                                "kho được vì máy này không có địa chỉ web công khai."),
                                 the));
    auto* hang = new QHBoxLayout;
    hang->setSpacing(10);
    nutDongBoNgay_ = new QPushButton(QStringLiteral("Đồng bộ ngay"), the);
    nutDongBoNgay_->setObjectName(QStringLiteral("nutDongBoNgay"));
    nutLay30Ngay_ = new QPushButton(QStringLiteral("Lấy lại 30 ngày gần nhất"), the);
    nutLay30Ngay_->setObjectName(QStringLiteral("nutLay30Ngay"));
    quayDongBo_ = vongQuay(the);
    hang->addWidget(nutDongBoNgay_, 0, Qt::AlignVCenter);
    hang->addWidget(nutLay30Ngay_, 0, Qt::AlignVCenter);
    hang->addWidget(quayDongBo_, 0, Qt::AlignVCenter);
    hang->addStretch(1);
    the->cot()->addLayout(hang);
    connect(nutDongBoNgay_, &QPushButton::clicked, this, [this] {
        if (dongBo_) dongBo_->dongBo(false);
    });
    connect(nutLay30Ngay_, &QPushButton::clicked, this, [this] {
        if (dongBo_) dongBo_->dongBo(true);
    });

    chuTrangThaiDongBo_ = new NhanMau({}, BangMau::mauXanhLa, phongChu(12.5), the);
    chuTrangThaiDongBo_->setObjectName(QStringLiteral("trangThaiDongBo"));
    chuTrangThaiDongBo_->setWordWrap(true);
    the->cot()->addWidget(chuTrangThaiDongBo_);
    chuLoiDongBo_ = new NhanMau({}, BangMau::mauDo, phongChu(12), the);
    chuLoiDongBo_->setObjectName(QStringLiteral("loiDongBo"));
    chuLoiDongBo_->setWordWrap(true);
    the->cot()->addWidget(chuLoiDongBo_);

    khungNhatKy_ = new QWidget(the);
    khungNhatKy_->setObjectName(QStringLiteral("nhatKyDongBo"));
    cotNhatKy_ = new QVBoxLayout(khungNhatKy_);
    cotNhatKy_->setContentsMargins(0, 0, 0, 0);
    cotNhatKy_->setSpacing(3);
    the->cot()->addWidget(khungNhatKy_);
    return the;
}

void ManHinhCaiDat::capNhatNhatKy() {
    const QStringList tatCa = dongBo_ ? dongBo_->nhatKy() : QStringList();
    const QStringList cuoi = tatCa.mid(qMax<qsizetype>(0, tatCa.size() - 6));
    khungNhatKy_->setVisible(!cuoi.isEmpty());
    if (cuoi == nhatKyDaVe_) return;
    nhatKyDaVe_ = cuoi;
    while (QLayoutItem* muc = cotNhatKy_->takeAt(0)) {
        delete muc->widget();
        delete muc;
    }
    for (const QString& dong : cuoi) {
        auto* n = new NhanMau(dong, BangMau::mauChuPhu, phongChu(11, QFont::Normal, true), khungNhatKy_);
        n->setWordWrap(true);
        n->setTextInteractionFlags(Qt::TextSelectableByMouse);
        cotNhatKy_->addWidget(n);
    }
}

void ManHinhCaiDat::moXemTho() {
    if (!sheet_) {
        sheet_ = new QDialog(this);
        sheet_->setObjectName(QStringLiteral("bangDuLieuTho"));
        sheet_->setWindowTitle(QStringLiteral("Dữ liệu thô của một đơn"));
        sheet_->setWindowModality(Qt::WindowModal);
        sheet_->setFixedSize(760, 560);
        auto* nenSheet = new KhungBo(sheet_);
        nenSheet->datNen(BangMau::mauNen);
        auto* ngoai = new QVBoxLayout(sheet_);
        ngoai->setContentsMargins(0, 0, 0, 0);
        ngoai->addWidget(nenSheet);
        auto* cot = new QVBoxLayout(nenSheet);
        cot->setContentsMargins(20, 20, 20, 20);
        cot->setSpacing(12);
        cot->addWidget(new NhanMau(QStringLiteral("Dữ liệu thô của một đơn"), BangMau::mauChuChinh,
                                   phongChu(17, QFont::DemiBold), nenSheet));
        auto* giaiThich = ghiChu(QStringLiteral("Đây là nguyên văn ") + tenNguon(caiDat_.nguonDon()) +
                                     QStringLiteral(" trả về. Dùng để đối chiếu tên trường — nhất là chỗ chứa MÃ VẬN "
                                                    "ĐƠN. Nếu app không tra ra đơn khi quét mã, gửi phần này cho "
                                                    "người viết phần mềm."),
                                 nenSheet, 12.5);
        giaiThich->setObjectName(QStringLiteral("giaiThichTho"));
        cot->addWidget(giaiThich);
        oTho_ = new QPlainTextEdit(nenSheet);
        oTho_->setObjectName(QStringLiteral("oDuLieuTho"));
        oTho_->setReadOnly(true);
        oTho_->setFont(phongChu(11, QFont::Normal, true));
        oTho_->setFrameShape(QFrame::NoFrame);
        oTho_->document()->setDocumentMargin(10);
        cot->addWidget(oTho_, 1);
        auto* hang = new QHBoxLayout;
        nutChep_ = new QPushButton(QStringLiteral("Chép toàn bộ"), nenSheet);
        nutChep_->setObjectName(QStringLiteral("nutChepToanBo"));
        auto* dong = new QPushButton(QStringLiteral("Đóng"), nenSheet);
        dong->setObjectName(QStringLiteral("nutDongTho"));
        dong->setDefault(true);
        hang->addWidget(nutChep_);
        hang->addStretch(1);
        hang->addWidget(dong);
        cot->addLayout(hang);
        connect(nutChep_, &QPushButton::clicked, this, [this] { chepToanBo(); });
        connect(dong, &QPushButton::clicked, sheet_, &QDialog::accept);
        connect(sheet_, &QDialog::finished, this, [this] {
            xemTho_ = false;
            if (sheet_) sheet_->deleteLater();
            sheet_ = nullptr;
            oTho_ = nullptr;
            nutChep_ = nullptr;
        });
    }
    xemTho_ = true;
    capNhatBangTho();
    sheet_->open();
}

void ManHinhCaiDat::capNhatBangTho() {
    if (!sheet_ || !oTho_) return;
    const QString tho = dongBo_ ? dongBo_->mauTho() : QString();
    const QString chu = tho.isNull() ? kChuaCoMauTho : tho;
    if (oTho_->toPlainText() != chu) oTho_->setPlainText(chu);
    const QColor nen = BangMau::mauNen.mau();
    const QColor chuMau = BangMau::mauChuChinh.mau();
    oTho_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: %1; color: %2; border-radius: 8px; }")
                             .arg(nen.name(), chuMau.name()));
    nutChep_->setEnabled(!tho.isNull());
}

void ManHinhCaiDat::chepToanBo() {
    if (!dongBo_ || dongBo_->mauTho().isNull()) return;
    QClipboard* bang = QGuiApplication::clipboard();
    bang->clear();
    bang->setText(dongBo_->mauTho());
}

// ---- Section 4: camera and quality ----

TheMuc* ManHinhCaiDat::mucCamera() {
    auto* the = new TheMuc(QStringLiteral("Camera và chất lượng"), this);
    chonWebcam_ = new QComboBox(the);
    chonWebcam_->setObjectName(QStringLiteral("chonWebcam"));
    chonWebcam_->setMinimumWidth(260);
    the->cot()->addWidget(hangCoNhan(QStringLiteral("Webcam"), chonWebcam_, the));
    // Only the id is stored; the camera reopens when the owner applies.
    connect(chonWebcam_, &QComboBox::activated, this, [this](int) { caiDat_.setCameraId(idDangChon(chonWebcam_)); });

    chonDoPhanGiai_ = new QComboBox(the);
    chonDoPhanGiai_->setObjectName(QStringLiteral("chonDoPhanGiai"));
    for (const MucChon& m : cacDoPhanGiai()) dongLuaChon(chonDoPhanGiai_, m);
    the->cot()->addWidget(hangCoNhan(QStringLiteral("Độ phân giải"), chonDoPhanGiai_, the));
    connect(chonDoPhanGiai_, &QComboBox::activated, this,
            [this](int) { caiDat_.setDoPhanGiai(idDangChon(chonDoPhanGiai_)); });

    oBitrate_ = new QSpinBox(the);
    oBitrate_->setObjectName(QStringLiteral("oBitrate"));
    oBitrate_->setRange(400, 6000);
    oBitrate_->setSingleStep(100);
    oBitrate_->setPrefix(QStringLiteral("Chất lượng: "));
    oBitrate_->setSuffix(QStringLiteral(" kbps"));
    oBitrate_->setMinimumWidth(240);
    the->cot()->addWidget(oBitrate_, 0, Qt::AlignLeft);
    connect(oBitrate_, &QSpinBox::valueChanged, this, [this](int v) { caiDat_.setBitrateKbps(v); });

    chuUocTinh_ = ghiChu({}, the);
    chuUocTinh_->setObjectName(QStringLiteral("uocTinhDungLuong"));
    the->cot()->addWidget(chuUocTinh_);

    nutApDungCamera_ = new QPushButton(QStringLiteral("Áp dụng và mở lại camera"), the);
    nutApDungCamera_->setObjectName(QStringLiteral("nutApDungCamera"));
    the->cot()->addWidget(nutApDungCamera_, 0, Qt::AlignLeft);
    connect(nutApDungCamera_, &QPushButton::clicked, this, [this] { apDungCamera(); });
    return the;
}

void ManHinhCaiDat::napDanhSachCamera() {
    const QSignalBlocker chan(chonWebcam_);
    chonWebcam_->clear();
    chonWebcam_->addItem(QStringLiteral("Webcam mặc định"), QString());
    if (camera_) {
        for (const ThietBiCamera& tb : camera_->danhSachThietBi()) chonWebcam_->addItem(tb.ten, tb.id);
    }
    chonTheoId(chonWebcam_, caiDat_.cameraId());
}

void ManHinhCaiDat::apDungCamera() {
    if (!camera_ || camera_->dangGhi()) return;
    const QString id = caiDat_.cameraId();
    camera_->moCamera(id.isEmpty() ? std::nullopt : std::optional<QString>(id), caiDat_.doPhanGiai());
}

// ---- Sections 5 and 6: serial capture and sound ----

TheMuc* ManHinhCaiDat::mucSerial() {
    auto* the = new TheMuc(QStringLiteral("Ghi serial sản phẩm"), this);
    hopSerial_ = new QCheckBox(QStringLiteral("Bật ghi serial khi đóng gói"), the);
    hopSerial_->setObjectName(QStringLiteral("hopGhiSerial"));
    the->cot()->addWidget(hopSerial_);
    connect(hopSerial_, &QCheckBox::toggled, this, [this](bool b) { caiDat_.setGhiSerial(b); });
    the->cot()->addWidget(ghiChu(QStringLiteral("Đang quay mà quét một mã không phải mã đơn, app hiểu đó là serial "
                                                "trên thân máy: ghi lại và in luôn vào video."),
                                 the));
    return the;
}

TheMuc* ManHinhCaiDat::mucTiengBao() {
    auto* the = new TheMuc(QStringLiteral("Tiếng báo"), this);
    hopTieng_ = new QCheckBox(QStringLiteral("Bật tiếng báo"), the);
    hopTieng_->setObjectName(QStringLiteral("hopBatTieng"));
    the->cot()->addWidget(hopTieng_);
    connect(hopTieng_, &QCheckBox::toggled, this, [this](bool b) { datBatTieng(b); });
    the->cot()->addWidget(
        ghiChu(QStringLiteral("Đi lên = xong xuôi. Đi xuống = có chuyện. Nhân viên không cần nhìn màn hình."), the));
    return the;
}

void ManHinhCaiDat::datBatTieng(bool bat) {
    // The running player follows the setting at once, so the very next cue obeys the switch.
    caiDat_.setBatTieng(bat);
}

// ---- Section 7: storage ----

TheMuc* ManHinhCaiDat::mucLuuTru() {
    auto* the = new TheMuc(QStringLiteral("Lưu trữ"), this);
    oTenShop_ = new QLineEdit(caiDat_.tenShop(), the);
    oTenShop_->setObjectName(QStringLiteral("oTenShop"));
    oTenShop_->setPlaceholderText(QStringLiteral("Tên shop in lên video"));
    the->cot()->addWidget(oTenShop_);
    connect(oTenShop_, &QLineEdit::textEdited, this, [this](const QString& t) { caiDat_.setTenShop(t); });

    auto* hang = new QHBoxLayout;
    chuThuMucGoc_ = new NhanRutGon(caiDat_.thuMucGoc(), BangMau::mauChuChinh, phongChu(12, QFont::Normal, true), the);
    chuThuMucGoc_->setObjectName(QStringLiteral("chuThuMucGoc"));
    auto* chon = new QPushButton(QStringLiteral("Chọn…"), the);
    chon->setObjectName(QStringLiteral("nutChonThuMucGoc"));
    auto* mo = new QPushButton(QStringLiteral("Mở"), the);
    mo->setObjectName(QStringLiteral("nutMoThuMucGoc"));
    hang->addWidget(chuThuMucGoc_, 1);
    hang->addWidget(chon);
    hang->addWidget(mo);
    the->cot()->addLayout(hang);
    connect(chon, &QPushButton::clicked, this, [this] { chonThuMuc("thuMucGoc"); });
    connect(mo, &QPushButton::clicked, this, [this] { nenTang_.moThuMuc(caiDat_.thuMucGoc()); });

    oSoNgayGiu_ = new QSpinBox(the);
    oSoNgayGiu_->setObjectName(QStringLiteral("oSoNgayGiu"));
    oSoNgayGiu_->setRange(CaiDat::kSoNgayGiuToiThieu, CaiDat::kSoNgayGiuToiDa);
    oSoNgayGiu_->setSingleStep(1);
    oSoNgayGiu_->setPrefix(QStringLiteral("Giữ video "));
    oSoNgayGiu_->setSuffix(QStringLiteral(" ngày"));
    oSoNgayGiu_->setMinimumWidth(240);
    the->cot()->addWidget(oSoNgayGiu_, 0, Qt::AlignLeft);
    connect(oSoNgayGiu_, &QSpinBox::valueChanged, this, [this](int v) { caiDat_.setSoNgayGiu(v); });
    the->cot()->addWidget(
        ghiChu(QStringLiteral("Đổi thư mục xong phải mở lại phần mềm thì app mới đọc kho mới."), the));
    return the;
}

void ManHinhCaiDat::chonThuMuc(const char* truong) {
    const QString ten = tenTruong(truong);
    const QString hienTai = ten == QLatin1String("thuMucGoc") ? caiDat_.thuMucGoc() : caiDat_.thuMucSaoLuu();
    const std::optional<QString> duong = nenTang_.chonThuMuc(this, hienTai);
    if (!duong || duong->isEmpty()) return;
    if (ten == QLatin1String("thuMucGoc")) {
        caiDat_.setThuMucGoc(*duong);
        // The backup card says at once when the new data folder and the backup folder overlap.
        const QString saoLuu = caiDat_.thuMucSaoLuu();
        const SaoLuu::ViTri viTri = saoLuu.isEmpty() ? SaoLuu::ViTri::rieng : SaoLuu::soVoiThuMucGoc(*duong, saoLuu);
        loiSaoLuu_ = viTri == SaoLuu::ViTri::rieng ? std::nullopt : std::optional<QString>(SaoLuu::lyDo(viTri));
        capNhat();
    } else if (ten == QLatin1String("thuMucSaoLuu")) {
        chonThuMucSaoLuu(*duong);
    }
}

void ManHinhCaiDat::chonThuMucSaoLuu(const QString& duong) {
    // Both the folder the store runs on and the one it opens on after a restart.
    SaoLuu::ViTri viTri = SaoLuu::ViTri::rieng;
    if (dieuPhoi_) viTri = SaoLuu::soVoiThuMucGoc(dieuPhoi_->kho().thuMucGoc(), duong);
    if (viTri == SaoLuu::ViTri::rieng) viTri = SaoLuu::soVoiThuMucGoc(caiDat_.thuMucGoc(), duong);
    if (viTri != SaoLuu::ViTri::rieng) {
        loiSaoLuu_ = QStringLiteral("Không dùng được thư mục vừa chọn. ") + SaoLuu::lyDo(viTri);
    } else if (!SaoLuu::danhDauThuMuc(duong)) {
        loiSaoLuu_ = QStringLiteral(
            "Không ghi được vào thư mục vừa chọn, nên không sao lưu vào đó được. "
            "Hãy cắm lại ổ hoặc chọn thư mục khác.");
    } else {
        loiSaoLuu_.reset();
        caiDat_.setThuMucSaoLuu(duong);
    }
    capNhat();
}

// ---- Section 8: backup ----

TheMuc* ManHinhCaiDat::mucSaoLuu() {
    auto* the = new TheMuc(QStringLiteral("Sao lưu"), this);
    the->cot()->addWidget(ghiChu(QStringLiteral("Chép thêm mỗi video sang một thư mục thứ hai ngay sau khi quay xong. "
                                                "Trỏ vào ổ ngoài, hoặc vào thư mục Google Drive / Dropbox trên máy là "
                                                "nó tự đẩy lên mây."),
                                 the, 12.5));
    auto* hang = new QHBoxLayout;
    chuThuMucSaoLuu_ = new NhanRutGon({}, BangMau::mauChuChinh, phongChu(12, QFont::Normal, true), the);
    chuThuMucSaoLuu_->setObjectName(QStringLiteral("chuThuMucSaoLuu"));
    auto* chon = new QPushButton(QStringLiteral("Chọn…"), the);
    chon->setObjectName(QStringLiteral("nutChonThuMucSaoLuu"));
    nutTatSaoLuu_ = new QPushButton(QStringLiteral("Tắt"), the);
    nutTatSaoLuu_->setObjectName(QStringLiteral("nutTatSaoLuu"));
    hang->addWidget(chuThuMucSaoLuu_, 1);
    hang->addWidget(chon);
    hang->addWidget(nutTatSaoLuu_);
    the->cot()->addLayout(hang);
    chuLoiSaoLuu_ = new NhanMau({}, BangMau::mauDo, phongChu(12), the);
    chuLoiSaoLuu_->setObjectName(QStringLiteral("loiSaoLuu"));
    chuLoiSaoLuu_->setWordWrap(true);
    the->cot()->addWidget(chuLoiSaoLuu_);
    connect(chon, &QPushButton::clicked, this, [this] { chonThuMuc("thuMucSaoLuu"); });
    connect(nutTatSaoLuu_, &QPushButton::clicked, this, [this] { tatSaoLuu(); });

    auto* hangBu = new QHBoxLayout;
    hangBu->setSpacing(10);
    nutSaoLuuBu_ = new QPushButton(QStringLiteral("Sao lưu bù toàn bộ"), the);
    nutSaoLuuBu_->setObjectName(QStringLiteral("nutSaoLuuBu"));
    quaySaoLuu_ = vongQuay(the);
    chuTrangThaiSaoLuu_ = new NhanMau({}, BangMau::mauChuPhu, phongChu(12), the);
    chuTrangThaiSaoLuu_->setObjectName(QStringLiteral("trangThaiSaoLuu"));
    chuTrangThaiSaoLuu_->setWordWrap(true);
    hangBu->addWidget(nutSaoLuuBu_, 0, Qt::AlignVCenter);
    hangBu->addWidget(quaySaoLuu_, 0, Qt::AlignVCenter);
    hangBu->addWidget(chuTrangThaiSaoLuu_, 1, Qt::AlignVCenter);
    the->cot()->addLayout(hangBu);
    connect(nutSaoLuuBu_, &QPushButton::clicked, this, [this] { saoLuuBu(); });
    return the;
}

// A folder set before this screen could refuse it, or a drive unplugged since, is named on the card each time
// the screen is shown; a refusal from the chooser made meanwhile is left as it is.
void ManHinhCaiDat::kiemTraThuMucSaoLuu() {
    loiSaoLuu_.reset();
    if (!saoLuu_ || caiDat_.thuMucSaoLuu().isEmpty()) return;
    saoLuu_->kiemTraThuMuc([man = QPointer<ManHinhCaiDat>(this), sao = caiDat_.thuMucSaoLuu()](SaoLuu::TinhTrang tt) {
        if (!man || man->caiDat_.thuMucSaoLuu() != sao || man->loiSaoLuu_) return;
        if (tt.viTri != SaoLuu::ViTri::rieng)
            man->loiSaoLuu_ = SaoLuu::lyDo(tt.viTri);
        else if (!tt.sanSang)
            man->loiSaoLuu_ = kKhongThayOSaoLuu;
        man->capNhat();
    });
}

void ManHinhCaiDat::tatSaoLuu() {
    // Copies already made stay where they are.
    loiSaoLuu_.reset();
    caiDat_.setThuMucSaoLuu(QString());
    capNhat();
}

void ManHinhCaiDat::saoLuuBu() {
    if (!saoLuu_ || saoLuu_->dangChay() || caiDat_.thuMucSaoLuu().isEmpty()) return;
    saoLuu_->saoLuuBuToanBo();
}

// ---- Section 9: the PIN ----

TheMuc* ManHinhCaiDat::mucKhoaCaiDat() {
    auto* the = new TheMuc(QStringLiteral("Khoá màn hình Cài đặt"), this);
    chuTrangThaiPin_ = new NhanMau({}, BangMau::mauHoPhach, phongChu(12.5), the);
    chuTrangThaiPin_->setObjectName(QStringLiteral("trangThaiPin"));
    chuTrangThaiPin_->setWordWrap(true);
    the->cot()->addWidget(chuTrangThaiPin_);

    auto* hang = new QHBoxLayout;
    hang->setSpacing(10);
    oPin_ = new QLineEdit(the);
    oPin_->setObjectName(QStringLiteral("oPin"));
    oPin_->setEchoMode(QLineEdit::Password);
    oPin_->setFixedWidth(150);
    nutDatPin_ = new QPushButton(the);
    nutDatPin_->setObjectName(QStringLiteral("nutDatPin"));
    nutBoKhoa_ = new QPushButton(QStringLiteral("Bỏ khoá"), the);
    nutBoKhoa_->setObjectName(QStringLiteral("nutBoKhoa"));
    hang->addWidget(oPin_);
    hang->addWidget(nutDatPin_);
    hang->addWidget(nutBoKhoa_);
    hang->addStretch(1);
    the->cot()->addLayout(hang);
    connect(oPin_, &QLineEdit::textChanged, this, [this](const QString& t) {
        pinMoi_ = t;
        capNhat();
    });
    connect(oPin_, &QLineEdit::returnPressed, this, [this] { datMaPin(); });
    connect(nutDatPin_, &QPushButton::clicked, this, [this] { datMaPin(); });
    connect(nutBoKhoa_, &QPushButton::clicked, this, [this] { boKhoa(); });

    chuThongBaoPin_ = new NhanMau({}, BangMau::mauXanhLa, phongChu(12), the);
    chuThongBaoPin_->setObjectName(QStringLiteral("thongBaoPin"));
    chuThongBaoPin_->hide();
    the->cot()->addWidget(chuThongBaoPin_);
    the->cot()->addWidget(ghiChu(QStringLiteral("Quên mã thì không có cách khôi phục. Ghi lại chỗ nào đó."), the));
    return the;
}

void ManHinhCaiDat::datMaPin() {
    // The same trim as the settings object's: a PIN of nothing but white space (a non-breaking space, a pasted
    // line break) would otherwise clear the lock while this screen reports a PIN as set.
    if (pinMoi_.trimmed().isEmpty()) return;
    caiDat_.datPin(pinMoi_);
    thongBaoPin_ = QStringLiteral("Đã đặt mã PIN.");
    oPin_->clear();
    capNhat();
}

void ManHinhCaiDat::boKhoa() {
    caiDat_.datPin(QString());
    thongBaoPin_ = QStringLiteral("Đã bỏ khoá.");
    capNhat();
}

// ---- Section 10: launch at login ----

TheMuc* ManHinhCaiDat::mucKhoiDong() {
    auto* the = new TheMuc(QStringLiteral("Khởi động"), this);
    hopTuKhoiDong_ = new QCheckBox(QStringLiteral("Tự mở Korvane Zize khi bật máy"), the);
    hopTuKhoiDong_->setObjectName(QStringLiteral("hopTuKhoiDong"));
    the->cot()->addWidget(hopTuKhoiDong_);
    connect(hopTuKhoiDong_, &QCheckBox::clicked, this, [this](bool b) { datTuKhoiDong(b); });
    the->cot()->addWidget(
        ghiChu(QStringLiteral("Máy ở kho khởi động lại sau khi mất điện thì app tự lên, không ai phải nhớ mở."), the));
    chuLoiTuKhoiDong_ = new NhanMau({}, BangMau::mauDo, phongChu(12), the);
    chuLoiTuKhoiDong_->setObjectName(QStringLiteral("loiTuKhoiDong"));
    chuLoiTuKhoiDong_->setWordWrap(true);
    chuLoiTuKhoiDong_->hide();
    the->cot()->addWidget(chuLoiTuKhoiDong_);
    return the;
}

void ManHinhCaiDat::datTuKhoiDong(bool bat) {
    const TuKhoiDongXdg& dk = *nenTang_.tuKhoiDong;
    const std::optional<QString> loi = bat ? dk.dangKy() : dk.boDangKy();
    if (loi) {
        loiTuKhoiDong_ = chuLoiTuKhoiDong(*loi, dk.thuMuc());
    } else {
        loiTuKhoiDong_.reset();
    }
    // The switch shows what is on disk, not what was asked for.
    tuKhoiDong_ = dk.daBat();
    capNhat();
}

// ---- Everything that follows the services and the settings ----

void ManHinhCaiDat::capNhat() {
    for (QAbstractButton* nut : nhomNen_->buttons()) {
        const QSignalBlocker chan(nut);
        nut->setChecked(nut->property("id").toString() == caiDat_.giaoDien());
    }

    const QString nguon = caiDat_.nguonDon();
    if (idDangChon(chonNguon_) != nguon) chonTheoId(chonNguon_, nguon);
    canhBaoChuaKiem_->setVisible(!nguonDaKiemChung(nguon));
    huongDan_->setText(huongDanKetNoi(nguon));
    // Until the screen's own read is back, the keyring is not asked here either.
    nutKiemTra_->setEnabled(!dangThu_ && nguonDaNapKhoa_ == nguon && caiDat_.daDienDuKhoa(nguon));
    quayThu_->setVisible(dangThu_);
    const bool coMauTho = dongBo_ && !dongBo_->mauTho().isNull();
    nutXemTho_->setEnabled(coMauTho);
    chuKetQuaToken_->setVisible(ketQuaToken_.has_value());
    if (ketQuaToken_) {
        chuKetQuaToken_->setText(*ketQuaToken_);
        chuKetQuaToken_->datMau(ketQuaToken_->startsWith(QStringLiteral("Kết nối được")) ? BangMau::mauXanhLa
                                                                                         : BangMau::mauDo);
    }

    const bool dangDongBo = dongBo_ && dongBo_->dangChay();
    nutDongBoNgay_->setEnabled(dongBo_ && !dangDongBo);
    nutLay30Ngay_->setEnabled(dongBo_ && !dangDongBo);
    quayDongBo_->setVisible(dangDongBo);
    const QString loi = dongBo_ ? dongBo_->loi() : QString();
    chuTrangThaiDongBo_->setText(dongBo_ ? dongBo_->trangThai() : QString());
    chuTrangThaiDongBo_->datMau(loi.isEmpty() ? BangMau::mauXanhLa : BangMau::mauDo);
    chuLoiDongBo_->setVisible(!loi.isEmpty());
    chuLoiDongBo_->setText(loi);
    capNhatNhatKy();
    capNhatBangTho();

    if (idDangChon(chonWebcam_) != caiDat_.cameraId()) chonTheoId(chonWebcam_, caiDat_.cameraId());
    if (idDangChon(chonDoPhanGiai_) != caiDat_.doPhanGiai()) chonTheoId(chonDoPhanGiai_, caiDat_.doPhanGiai());
    {
        const QSignalBlocker chan(oBitrate_);
        oBitrate_->setValue(caiDat_.bitrateKbps());
    }
    chuUocTinh_->setText(uocTinhDungLuong(camera_ ? camera_->doPhanGiai() : QString(), caiDat_.bitrateKbps()));
    nutApDungCamera_->setEnabled(camera_ && !camera_->dangGhi());
    {
        const QSignalBlocker chan(hopSerial_);
        hopSerial_->setChecked(caiDat_.ghiSerial());
    }
    {
        const QSignalBlocker chan(hopTieng_);
        hopTieng_->setChecked(caiDat_.batTieng());
    }

    if (!oTenShop_->hasFocus() && oTenShop_->text() != caiDat_.tenShop()) oTenShop_->setText(caiDat_.tenShop());
    chuThuMucGoc_->datChu(caiDat_.thuMucGoc());
    {
        const QSignalBlocker chan(oSoNgayGiu_);
        oSoNgayGiu_->setValue(caiDat_.soNgayGiu());
    }

    const QString saoLuu = caiDat_.thuMucSaoLuu();
    chuThuMucSaoLuu_->datChu(saoLuu.isEmpty() ? QStringLiteral("Chưa bật sao lưu") : saoLuu);
    chuThuMucSaoLuu_->datMau(saoLuu.isEmpty() ? BangMau::mauChuPhu : BangMau::mauChuChinh);
    nutTatSaoLuu_->setVisible(!saoLuu.isEmpty());
    chuLoiSaoLuu_->setVisible(loiSaoLuu_.has_value());
    chuLoiSaoLuu_->setText(loiSaoLuu_.value_or(QString()));
    const bool dangSaoLuu = saoLuu_ && saoLuu_->dangChay();
    nutSaoLuuBu_->setEnabled(saoLuu_ && !dangSaoLuu && !saoLuu.isEmpty());
    quaySaoLuu_->setVisible(dangSaoLuu);
    chuTrangThaiSaoLuu_->setText(saoLuu_ ? saoLuu_->trangThai() : QString());

    const bool coPin = !caiDat_.maPinBam().isEmpty();
    chuTrangThaiPin_->setText(coPin ? kDangKhoa : kChuaKhoa);
    chuTrangThaiPin_->datMau(coPin ? BangMau::mauXanhLa : BangMau::mauHoPhach);
    oPin_->setPlaceholderText(coPin ? QStringLiteral("Mã PIN mới") : QStringLiteral("Đặt mã PIN"));
    nutDatPin_->setText(coPin ? QStringLiteral("Đổi mã") : QStringLiteral("Đặt mã"));
    nutDatPin_->setEnabled(!pinMoi_.trimmed().isEmpty());
    nutBoKhoa_->setVisible(coPin);
    chuThongBaoPin_->setVisible(thongBaoPin_.has_value());
    chuThongBaoPin_->setText(thongBaoPin_.value_or(QString()));

    {
        const QSignalBlocker chan(hopTuKhoiDong_);
        hopTuKhoiDong_->setChecked(tuKhoiDong_);
    }
    chuLoiTuKhoiDong_->setVisible(loiTuKhoiDong_.has_value());
    chuLoiTuKhoiDong_->setText(loiTuKhoiDong_.value_or(QString()));
}
