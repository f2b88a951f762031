#include "stations/ManHinhHangHoan.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "shell/BangMau.h"
#include "shell/BieuTuong.h"
#include "core/BoDieuPhoi.h"
#include "core/CongCameraManHinh.h"
#include "shell/DongLuaChon.h"
#include "shell/GiaoDien.h"
#include "shell/KhungBo.h"
#include "shell/NhanMau.h"
#include "shell/NhanNhieuDong.h"
#include "shell/PhongChu.h"
#include "stations/HopCamera.h"
#include "stations/KhungCamera.h"
#include "stations/ManHinhDongGoi.h"
#include "stations/NhanGoiY.h"
#include "stations/NutDo.h"
#include "stations/NutVang.h"
#include "stations/TiLeKhung.h"
#include "stations/TrangTram.h"
#include "store/DongHo.h"
#include "store/HuongChu.h"
#include "store/MucChon.h"
#include "store/TienIch.h"

namespace {
constexpr int kCoHinhSeal = 34;

QFont phongGianChu(double co, double gian) {
    QFont f = phongChu(co, QFont::DemiBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, gian);
    return f;
}

NhanMau* nhanXuongDong(const QString& chu, const MauDong& mau, const QFont& phong) {
    return new NhanNhieuDong(chu, mau, phong);
}

// A search result: a flat button that is only the frame of its row, as tall as its layout, so a customer name
// that wraps keeps all its lines. A push button otherwise sizes itself by its own text, which it has none of.
class NutKhungDong : public QPushButton {
public:
    QSize sizeHint() const override { return layout() ? layout()->sizeHint() : QPushButton::sizeHint(); }
    QSize minimumSizeHint() const override {
        return layout() ? layout()->minimumSize() : QPushButton::minimumSizeHint();
    }
    bool hasHeightForWidth() const override { return layout() && layout()->hasHeightForWidth(); }
    int heightForWidth(int w) const override {
        return layout() ? layout()->totalHeightForWidth(w) : QPushButton::heightForWidth(w);
    }
};

// A labelled section of the declaration form.
QVBoxLayout* themMuc(QVBoxLayout* cha, const QString& nhan) {
    auto* muc = new QVBoxLayout;
    muc->setSpacing(6);
    muc->addWidget(new NhanMau(nhan, BangMau::mauChuPhu, phongChu(12.5)));
    cha->addLayout(muc);
    return muc;
}

void napLuaChon(QComboBox* hop, const QList<MucChon>& ds) {
    for (const MucChon& m : ds) dongLuaChon(hop, m);
}

void datChuNeuKhac(QLineEdit* o, const QString& chu) {
    if (o->text() == chu) return;
    const QSignalBlocker chan(o);
    o->setText(chu);
}
}  // namespace

ManHinhHangHoan::ManHinhHangHoan(BoDieuPhoi* dieuPhoi, CongCameraManHinh* camera, const KhoDuLieu& kho,
                                 BoSuaBanGhi* suaBanGhi, QWidget* parent)
    : ManHinhHangHoan(dieuPhoi, camera, kho, suaBanGhi, DongHo::heThong(), parent) {}

ManHinhHangHoan::ManHinhHangHoan(BoDieuPhoi* dieuPhoi, CongCameraManHinh* camera, const KhoDuLieu& kho,
                                 BoSuaBanGhi* suaBanGhi, DongHo& dongHo, QWidget* parent)
    : QWidget(parent),
      dieuPhoi_(dieuPhoi),
      camera_(camera),
      moHinh_(new MoHinhHangHoan(dieuPhoi, kho, suaBanGhi, dongHo, this)) {
    napHinhUngDung();
    const TrangTram trangTram = dungTrangTram(this);
    QHBoxLayout* hang = trangTram.hang;
    taoCotTrai(trangTram.cotCamera);

    // The right column scrolls on its card: a long declaration must never push the buttons off screen.
    auto* the = new KhungBo;
    the->datNen(BangMau::mauThe);
    the->datVien(BangMau::mauVienThe);
    the->datBanKinh(14);
    the->setFixedWidth(430);
    auto* lThe = new QVBoxLayout(the);
    lThe->setContentsMargins(1, 1, 1, 1);
    auto* cuon = new QScrollArea;
    cuon->setFrameShape(QFrame::NoFrame);
    cuon->setWidgetResizable(true);
    cuon->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    cuon->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    cuon->viewport()->setAutoFillBackground(false);
    auto* noiDung = new QWidget;
    noiDung->setAutoFillBackground(false);
    auto* lNoiDung = new QVBoxLayout(noiDung);
    lNoiDung->setContentsMargins(17, 17, 17, 17);
    lNoiDung->setSpacing(16);
    bangTim_ = taoBangTim();
    toKhai_ = taoToKhai();
    lNoiDung->addWidget(bangTim_);
    lNoiDung->addWidget(toKhai_);
    lNoiDung->addStretch(1);
    cuon->setWidget(noiDung);
    // The scroll area paints its page in the window colour; the card's own fill must show through.
    noiDung->setAutoFillBackground(false);
    cuon->setAutoFillBackground(false);
    cuon->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    lThe->addWidget(cuon);
    hang->addWidget(the);

    if (dieuPhoi_) {
        for (auto tinHieu :
             {&BoDieuPhoi::thongBaoChanged, &BoDieuPhoi::donHienTaiChanged, &BoDieuPhoi::trangThaiChanged})
            connect(dieuPhoi_, tinHieu, this, [this] { lamMoi(); });
    }
    connect(moHinh_, &MoHinhHangHoan::ketQuaTimDoi, this, [this] { xayDongKetQua(); });
    connect(moHinh_, &MoHinhHangHoan::timDoi, this, [this] { lamMoiBangTim(); });
    connect(moHinh_, &MoHinhHangHoan::toKhaiDoi, this, [this] { lamMoiToKhai(); });
    connect(moHinh_, &MoHinhHangHoan::doiChieuDoi, this, [this] { lamMoiDoiChieu(); });
    if (camera_) {
        connect(camera_, &CongCameraManHinh::dangGhiDoi, this, [this] { lamMoi(); });
        connect(camera_, &CongCameraManHinh::giayDaGhiDoi, this, [this] { lamMoi(); });
        connect(camera_, &CongCameraManHinh::doPhanGiaiDoi, this, [this] { lamMoi(); });
    }
    connect(&GiaoDien::ban(), &GiaoDien::daDoiNen, this, [this] { apMau(); });
    // A keyboard-wedge scanner types into whatever holds the keyboard: after every action of this screen the
    // keyboard goes back to the field that a scan belongs in, so a code scanned next is never lost.
    for (QPushButton* n : {static_cast<QPushButton*>(nutBatDau_), static_cast<QPushButton*>(nutDung_), nutTim_,
                           nutLuu_, nutKienTiep_})
        connect(n, &QPushButton::clicked, this, [this] { traBanPhim(); });
    connect(oTuKhoa_, &QLineEdit::returnPressed, this, [this] { traBanPhim(); });
    noiKhungHinh();
    apMau();
    lamMoi();
    lamMoiBangTim();
    lamMoiToKhai();
}

void ManHinhHangHoan::taoCotTrai(QVBoxLayout* cot) {
    xemTruoc_ = new KhungCamera;

    goiYSeal_ = new KhungBo;
    goiYSeal_->datNen(BangMau::mauNen, 0.78);
    goiYSeal_->datBanKinh(12);
    goiYSeal_->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* lSeal = new QVBoxLayout(goiYSeal_);
    lSeal->setContentsMargins(18, 18, 18, 18);
    lSeal->setSpacing(10);
    hinhSeal_ = new QLabel;
    hinhSeal_->setAlignment(Qt::AlignHCenter);
    auto* chuSeal = new NhanGoiY(QStringLiteral("Chĩa camera vào kiện hàng KHI CÒN NGUYÊN SEAL"), BangMau::mauChuChinh,
                                 phongChu(15, QFont::DemiBold));
    chuSeal->setAlignment(Qt::AlignHCenter);
    auto* chuSeal2 = new NhanGoiY(QStringLiteral("Bấm quay trước, bóc sau. Quay từ lúc kiện còn kín thì sàn mới nhận."),
                                  BangMau::mauChuPhu, phongChu(12.5));
    chuSeal2->setAlignment(Qt::AlignHCenter);
    lSeal->addWidget(hinhSeal_);
    lSeal->addWidget(chuSeal);
    lSeal->addWidget(chuSeal2);

    huyHieu_ = new KhungBo;
    huyHieu_->datNen(BangMau::mauHoPhach);
    huyHieu_->datBanKinh(6);
    huyHieu_->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* lHuy = new QHBoxLayout(huyHieu_);
    lHuy->setContentsMargins(11, 5, 11, 5);
    lHuy->setSpacing(7);
    auto* cham = new KhungBo;
    cham->datNenCoDinh(Qt::white);
    cham->datBanKinh(-1);
    cham->setFixedSize(7, 7);
    chuHuyHieu_ = new NhanMau({}, BangMau::mauChuChinh, phongChu(12, QFont::DemiBold, true));
    chuHuyHieu_->datMauCoDinh(Qt::white);
    lHuy->addWidget(cham, 0, Qt::AlignVCenter);
    lHuy->addWidget(chuHuyHieu_);

    // This box has no aiming frame and no caption block; the camera box still takes a widget for each.
    auto* khongNham = new QWidget;
    auto* khongChuThich = new QWidget;
    khongNham->hide();
    khongChuThich->hide();
    hop_ = new HopCamera(xemTruoc_, khongNham, goiYSeal_, huyHieu_, khongChuThich);
    cot->addWidget(hop_, 1);

    auto* hangNut = new QHBoxLayout;
    hangNut->setSpacing(10);
    nutBatDau_ = new NutVang(QStringLiteral("Bắt đầu quay (chưa chọn đơn)"));
    nutDung_ = new NutDo(QStringLiteral("Dừng quay và khai báo"));
    chuThongBao_ = new NhanMau({}, BangMau::mauXanhLa, phongChu(12));
    chuThongBao_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    chuThongBao_->setWordWrap(true);
    hangNut->addWidget(nutBatDau_, 0, Qt::AlignVCenter);
    hangNut->addWidget(nutDung_, 0, Qt::AlignVCenter);
    // The notice takes most of the rest of the row, right-aligned, so a long error wraps instead of widening
    // the window; the spacer keeps the button at the left while no notice shows.
    hangNut->addStretch(1);
    hangNut->addWidget(chuThongBao_, 3, Qt::AlignVCenter);
    cot->addLayout(hangNut);

    auto* buoc = new KhungBo;
    buoc->datNen(BangMau::mauThe);
    buoc->datBanKinh(9);
    auto* lBuoc = new QVBoxLayout(buoc);
    lBuoc->setContentsMargins(12, 12, 12, 12);
    lBuoc->setSpacing(5);
    lBuoc->addWidget(
        new NhanMau(QStringLiteral("QUAY THEO ĐÚNG THỨ TỰ NÀY"), BangMau::mauChuPhu, phongGianChu(10.5, 1.3)));
    const QStringList& cac = cacBuocMoKien();
    for (qsizetype i = 0; i < cac.size(); ++i) {
        auto* d =
            nhanXuongDong(QString::asprintf("%lld", static_cast<long long>(i + 1)) + QStringLiteral(". ") + cac[i],
                          BangMau::mauChuPhu, phongChu(12.5));
        dongBuoc_.append(d);
        lBuoc->addWidget(d);
    }
    cot->addWidget(buoc);

    connect(nutBatDau_, &QPushButton::clicked, moHinh_, &MoHinhHangHoan::batDauQuay);
    connect(nutDung_, &QPushButton::clicked, moHinh_, &MoHinhHangHoan::dungQuay);
}

QWidget* ManHinhHangHoan::taoBangTim() {
    auto* w = new QWidget;
    lopBangTim_ = new QVBoxLayout(w);
    lopBangTim_->setContentsMargins(0, 0, 0, 0);
    lopBangTim_->setSpacing(12);
    lopBangTim_->addWidget(new NhanMau(QStringLiteral("ĐƠN KHÁCH TRẢ VỀ"), BangMau::mauChuPhu, phongGianChu(11, 1.4)));
    lopBangTim_->addWidget(nhanXuongDong(
        QStringLiteral("Kiện hoàn thường không còn phiếu gốc. Tìm bằng số điện thoại khách là chắc nhất."),
        BangMau::mauChuPhu, phongChu(12.5)));
    auto* hangTim = new QHBoxLayout;
    oTuKhoa_ = new QLineEdit;
    oTuKhoa_->setPlaceholderText(QStringLiteral("Số điện thoại, tên khách, hoặc mã vận đơn"));
    oTuKhoa_->setClearButtonEnabled(false);
    nutTim_ = new QPushButton(QStringLiteral("Tìm"));
    nutTim_->setAutoDefault(false);
    hangTim->addWidget(oTuKhoa_, 1);
    hangTim->addWidget(nutTim_);
    lopBangTim_->addLayout(hangTim);

    hopDonChon_ = new KhungBo;
    hopDonChon_->datNen(BangMau::mauNen);
    hopDonChon_->datBanKinh(8);
    lopDonChon_ = new QVBoxLayout(hopDonChon_);
    lopDonChon_->setContentsMargins(12, 12, 12, 12);
    lopDonChon_->setSpacing(4);
    chuDaChon_ = nhanXuongDong({}, BangMau::mauChuChinh, phongChu(14, QFont::DemiBold));
    chuMaDon_ = new NhanMau({}, BangMau::mauXanhDuong, phongChu(12, QFont::Normal, true));
    chuMaDon_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lopDonChon_->addWidget(chuDaChon_);
    lopDonChon_->addWidget(chuMaDon_);
    lopBangTim_->addWidget(hopDonChon_);

    chuKhongThay_ =
        nhanXuongDong(QStringLiteral("Không tìm thấy đơn nào. Vẫn quay được — chọn xong sau cũng không sao."),
                      BangMau::mauHoPhach, phongChu(12.5));
    lopBangTim_->addWidget(chuKhongThay_);

    connect(oTuKhoa_, &QLineEdit::textChanged, moHinh_, &MoHinhHangHoan::datTuKhoa);
    connect(oTuKhoa_, &QLineEdit::returnPressed, moHinh_, &MoHinhHangHoan::timDon);
    connect(nutTim_, &QPushButton::clicked, moHinh_, &MoHinhHangHoan::timDon);
    return w;
}

QWidget* ManHinhHangHoan::taoToKhai() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(14);
    l->addWidget(new NhanMau(QStringLiteral("KHAI BÁO KHI MỞ KIỆN"), BangMau::mauChuPhu, phongGianChu(11, 1.4)));

    chonLyDo_ = new QComboBox;
    napLuaChon(chonLyDo_, danhSachLyDo());
    themMuc(l, QStringLiteral("Khách trả vì"))->addWidget(chonLyDo_);

    auto* mucTinhTrang = themMuc(l, QStringLiteral("Tình trạng ghi nhận"));
    for (const MucChon& m : danhSachTinhTrang()) {
        auto* o = new QCheckBox(m.ten);
        oTinhTrang_.append({m.id, o});
        mucTinhTrang->addWidget(o);
        const QString id = m.id;
        connect(o, &QCheckBox::toggled, moHinh_, [this, id](bool bat) { moHinh_->datTinhTrang(id, bat); });
    }

    auto* mucSerial = themMuc(l, QStringLiteral("Serial nhận về"));
    oSerial_ = new QLineEdit;
    oSerial_->setPlaceholderText(QStringLiteral("Gõ hoặc quét serial trên thân máy"));
    oSerial_->setFont(phongChu(14, QFont::Normal, true));
    dongDoiChieu_ = nhanXuongDong({}, BangMau::mauChuPhu, phongChu(12));
    mucSerial->addWidget(oSerial_);
    mucSerial->addWidget(dongDoiChieu_);

    chonXuLy_ = new QComboBox;
    napLuaChon(chonXuLy_, danhSachXuLy());
    themMuc(l, QStringLiteral("Xử lý"))->addWidget(chonXuLy_);

    oGhiChu_ = new QLineEdit;
    oGhiChu_->setPlaceholderText(QStringLiteral("Ví dụ: thiếu dây nguồn, vỏ hộp rách một góc"));
    themMuc(l, QStringLiteral("Ghi chú"))->addWidget(oGhiChu_);

    auto* hangNut = new QHBoxLayout;
    nutLuu_ = new QPushButton(QStringLiteral("Lưu tờ khai"));
    nutLuu_->setObjectName(QStringLiteral("nutLuuToKhai"));
    nutLuu_->setAutoDefault(false);
    nutLuu_->setFont(phongChu(13, QFont::DemiBold));
    nutKienTiep_ = new QPushButton(QStringLiteral("Xong, kiện tiếp theo"));
    nutKienTiep_->setAutoDefault(false);
    nutKienTiep_->setFont(phongChu(13));
    hangNut->addWidget(nutLuu_);
    hangNut->addWidget(nutKienTiep_);
    hangNut->addStretch(1);
    l->addLayout(hangNut);

    chuDaLuu_ = nhanXuongDong(QStringLiteral("Đã lưu tờ khai vào hồ sơ video. Vào Tra cứu để mở lại bất cứ lúc nào."),
                              BangMau::mauXanhLa, phongChu(12.5));
    l->addWidget(chuDaLuu_);

    connect(chonLyDo_, &QComboBox::currentIndexChanged, moHinh_,
            [this] { moHinh_->datLyDo(idDangChon(chonLyDo_)); });
    connect(chonXuLy_, &QComboBox::currentIndexChanged, moHinh_,
            [this] { moHinh_->datXuLy(idDangChon(chonXuLy_)); });
    connect(oSerial_, &QLineEdit::textChanged, moHinh_, &MoHinhHangHoan::datSerialNhanVe);
    connect(oGhiChu_, &QLineEdit::textChanged, moHinh_, &MoHinhHangHoan::datGhiChu);
    connect(nutLuu_, &QPushButton::clicked, moHinh_, &MoHinhHangHoan::luuToKhai);
    connect(nutKienTiep_, &QPushButton::clicked, moHinh_, &MoHinhHangHoan::kienTiepTheo);
    return w;
}

// The engine's raw frames, before the caption, reach the GUI thread through its preview relay.
void ManHinhHangHoan::noiKhungHinh() {
    if (!camera_) return;
    connect(camera_, &CongCameraManHinh::khungMoi, xemTruoc_, &KhungCamera::hienKhung);
    connect(xemTruoc_, &KhungCamera::kichThuocXemDoi, camera_, &CongCameraManHinh::datKichThuocXem);
}

void ManHinhHangHoan::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (dieuPhoi_) dieuPhoi_->datCheDo(BoDieuPhoi::CheDo::hangHoan);
    // Opening the screen is the start of a search; a window restored from the taskbar keeps its focus.
    if (!e->spontaneous()) traBanPhim();
}

// The search field while the search shows, the serial field while the declaration is open.
void ManHinhHangHoan::traBanPhim() {
    if (!isVisible()) return;
    QLineEdit* o = toKhai_->isHidden() ? oTuKhoa_ : oSerial_;
    o->setFocus(Qt::OtherFocusReason);
}

void ManHinhHangHoan::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    if (dieuPhoi_) dieuPhoi_->datCheDo(BoDieuPhoi::CheDo::dongGoi);
}

// ---- search ----

void ManHinhHangHoan::xayDongKetQua() {
    for (QPushButton* b : std::as_const(dongKetQua_)) {
        lopBangTim_->removeWidget(b);
        b->hide();
        b->deleteLater();
    }
    dongKetQua_.clear();
    int viTri = lopBangTim_->indexOf(chuKhongThay_);
    for (const DonHang& don : moHinh_->ketQuaTim()) {
        auto* nut = new NutKhungDong;
        nut->setObjectName(don.id);
        nut->setFlat(true);
        nut->setCursor(Qt::PointingHandCursor);
        nut->setAutoDefault(false);
        nut->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; padding: 0; }"));
        auto* lNut = new QVBoxLayout(nut);
        lNut->setContentsMargins(0, 0, 0, 0);
        auto* hop = new KhungBo;
        hop->setAttribute(Qt::WA_TransparentForMouseEvents);
        hop->datBanKinh(8);
        auto* lHop = new QVBoxLayout(hop);
        lHop->setContentsMargins(10, 10, 10, 10);
        lHop->setSpacing(3);
        lHop->addWidget(
            nhanXuongDong(don.customerName.value_or(QStringLiteral("—")), BangMau::mauChuChinh, phongChu(13.5)));
        lHop->addWidget(nhanXuongDong(
            don.customerPhone.value_or(QStringLiteral("—")) + QStringLiteral(" · ") + hienThiNgay(don.createdAt),
            BangMau::mauChuPhu, phongChu(11.5)));
        lNut->addWidget(hop);
        const DonHang banSao = don;
        connect(nut, &QPushButton::clicked, moHinh_, [this, banSao] { moHinh_->chonDon(banSao); });
        connect(nut, &QPushButton::clicked, this, [this] { traBanPhim(); });
        lopBangTim_->insertWidget(viTri++, nut);
        dongKetQua_.append(nut);
    }
}

void ManHinhHangHoan::lamMoiBangTim() {
    const std::optional<DonHang>& donChon = moHinh_->donChon();
    datChuNeuKhac(oTuKhoa_, moHinh_->tuKhoa());
    nutBatDau_->setText(donChon ? QStringLiteral("Bắt đầu quay mở kiện")
                                : QStringLiteral("Bắt đầu quay (chưa chọn đơn)"));
    nutBatDau_->updateGeometry();

    hopDonChon_->setVisible(donChon.has_value());
    veHopDonChon();
    for (QPushButton* nut : std::as_const(dongKetQua_)) {
        auto* hop = nut->findChild<KhungBo*>();
        const bool chon = donChon && donChon->id == nut->objectName();
        if (chon)
            hop->datNen(BangMau::mauXanhDuong, 0.18);
        else
            hop->datNen(BangMau::mauNen);
    }
    chuKhongThay_->setVisible(moHinh_->khongThayDon());
}

void ManHinhHangHoan::veHopDonChon() {
    // Old lines leave the layout at once, so they never show beside the new ones until deleted.
    for (NhanMau* d : std::as_const(dongMatHang_)) {
        lopDonChon_->removeWidget(d);
        d->hide();
        d->deleteLater();
    }
    dongMatHang_.clear();
    const std::optional<DonHang>& donChon = moHinh_->donChon();
    if (!donChon) return;
    chuDaChon_->setText(QStringLiteral("Đã chọn: ") +
                        coLapHuong(donChon->customerName.value_or(QStringLiteral("khách chưa rõ tên"))));
    chuMaDon_->setText(MoHinhHangHoan::maHienThiDon(*donChon));
    for (const MatHang& mh : donChon->items) {
        auto* d = nhanXuongDong(QStringLiteral("· ") + coLapHuong(mh.title) + QStringLiteral(" ×") +
                                    QString::asprintf("%lld", static_cast<long long>(mh.quantity)),
                                BangMau::mauChuPhu, phongChu(12.5));
        lopDonChon_->addWidget(d);
        dongMatHang_.append(d);
    }
}

// ---- recording ----

void ManHinhHangHoan::lamMoi() {
    const CongCameraManHinh* cam = camera_;
    const bool dangGhi = cam && cam->dangGhi();
    hop_->datTiLe(tiLeKhung(cam ? cam->doPhanGiai() : QString()));
    goiYSeal_->setVisible(!dangGhi);
    huyHieu_->setVisible(dangGhi);
    chuHuyHieu_->setText(QStringLiteral("HÀNG HOÀN · ") + hienThiPhutGiay(cam ? cam->giayDaGhi() : 0));
    hop_->xepLai();
    nutBatDau_->setVisible(!dangGhi);
    nutDung_->setVisible(dangGhi);
    const std::optional<QString> thongBao = dieuPhoi_ ? dieuPhoi_->thongBao() : std::nullopt;
    chuThongBao_->setVisible(thongBao.has_value());
    chuThongBao_->setText(thongBao.value_or(QString()));
    chuThongBao_->datMau(dieuPhoi_ && dieuPhoi_->thongBaoLaLoi() ? BangMau::mauDo : BangMau::mauXanhLa);
}

void ManHinhHangHoan::apMau() {
    // The save is the one action of the form that matters, so it is the filled button; "Đã lưu" shows
    // plainly disabled. The dark appearance's blue is too pale to carry white text, so there the label
    // takes the page's dark colour instead.
    const QColor chuNutLuu = GiaoDien::ban().nenHienTai() == CheDoNen::Toi ? BangMau::mauNen.mau() : QColor(Qt::white);
    nutLuu_->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; color: %5; border: 1px solid %1; border-radius: 6px;"
                       " padding: 5px 14px; }"
                       " QPushButton:pressed { background: %2; }"
                       " QPushButton:disabled { background: transparent; color: %3; border-color: %4; }")
            .arg(BangMau::mauXanhDuong.mau().name(), BangMau::mauXanhDuong.mau(0.8).name(QColor::HexArgb),
                 BangMau::mauChuPhu.mau().name(), BangMau::mauVienThe.mau().name(), chuNutLuu.name()));
    // The plain companion of the save button, the same height and shape beside it.
    nutKienTiep_->setStyleSheet(
        QStringLiteral("QPushButton { background: transparent; color: %1; border: 1px solid %2; border-radius: 6px;"
                       " padding: 5px 14px; }"
                       " QPushButton:pressed { background: %3; }")
            .arg(BangMau::mauChuChinh.mau().name(), BangMau::mauVienThe.mau().name(),
                 BangMau::mauVienThe.mau(0.5).name(QColor::HexArgb)));
    hinhSeal_->setPixmap(
        veBieuTuong(QStringLiteral("hangHoan"), BangMau::mauHoPhach.mau(), kCoHinhSeal, devicePixelRatioF()));
    for (const auto& [id, o] : std::as_const(oTinhTrang_)) {
        const QColor mau = tinhTrangCoVanDe().contains(id) ? BangMau::mauDo.mau() : BangMau::mauChuChinh.mau();
        QPalette p = o->palette();
        p.setColor(QPalette::WindowText, mau);
        p.setColor(QPalette::ButtonText, mau);
        o->setPalette(p);
    }
}

// ---- declaration ----

QCheckBox* ManHinhHangHoan::oTinhTrang(const QString& id) const {
    for (const auto& [ma, o] : oTinhTrang_)
        if (ma == id) return o;
    return nullptr;
}

void ManHinhHangHoan::lamMoiToKhai() {
    const MoHinhHangHoan& m = *moHinh_;
    const bool coForm = m.banGhiVuaQuay().has_value();
    const bool doiPhan = toKhai_->isHidden() == coForm;
    bangTim_->setVisible(!coForm);
    toKhai_->setVisible(coForm);
    // The form opens however the recording ended (the stop button, the length limit, a full disk): its
    // serial field takes the keyboard then, and the search field again when the form closes.
    if (doiPhan) traBanPhim();
    chonTheoId(chonLyDo_, m.lyDo());
    chonTheoId(chonXuLy_, m.xuLy());
    for (const auto& [id, o] : std::as_const(oTinhTrang_)) {
        const QSignalBlocker chan(o);
        o->setChecked(m.tinhTrang().contains(id));
    }
    datChuNeuKhac(oSerial_, m.serialNhanVe());
    datChuNeuKhac(oGhiChu_, m.ghiChu());
    nutLuu_->setText(m.daLuuKhai() ? QStringLiteral("Đã lưu") : QStringLiteral("Lưu tờ khai"));
    nutLuu_->setEnabled(!m.daLuuKhai());
    chuDaLuu_->setVisible(m.daLuuKhai());
}

void ManHinhHangHoan::lamMoiDoiChieu() {
    if (!moHinh_->banGhiVuaQuay()) return;
    const auto& [ketLuan, daGui] = moHinh_->doiChieu();
    const QString ds = noiCoLapHuong(daGui, QStringLiteral(", "));
    if (daGui.isEmpty()) {
        dongDoiChieu_->setText(
            QStringLiteral("Lúc gửi đi không ghi serial nào cho đơn này, nên không đối chiếu được."));
        dongDoiChieu_->datMau(BangMau::mauChuPhu);
        dongDoiChieu_->setFont(phongChu(12));
    } else if (ketLuan == BoSuaBanGhi::KetLuanSerial::khongDoiChieu) {
        dongDoiChieu_->setText(QStringLiteral("Serial đã gửi: ") + ds);
        dongDoiChieu_->datMau(BangMau::mauChuPhu);
        dongDoiChieu_->setFont(phongChu(12));
    } else if (ketLuan == BoSuaBanGhi::KetLuanSerial::khop) {
        dongDoiChieu_->setText(QStringLiteral("Khớp với serial đã gửi: ") + ds);
        dongDoiChieu_->datMau(BangMau::mauXanhLa);
        dongDoiChieu_->setFont(phongChu(12.5));
    } else {
        dongDoiChieu_->setText(QStringLiteral("KHÁC! Lúc gửi đi là ") + ds +
                               QStringLiteral(". Đây không phải máy đã gửi."));
        dongDoiChieu_->datMau(BangMau::mauDo);
        dongDoiChieu_->setFont(phongChu(12.5, QFont::DemiBold));
    }
}

// ---- read-back for tests and screenshots ----

QStringList ManHinhHangHoan::cacDongDonChon() const {
    if (hopDonChon_->isHidden()) return {};
    QStringList kq{chuDaChon_->text(), chuMaDon_->text()};
    for (const NhanMau* d : dongMatHang_) kq << d->text();
    return kq;
}

bool ManHinhHangHoan::hienGoiYSeal() const {
    return !goiYSeal_->isHidden();
}
bool ManHinhHangHoan::hienHuyHieu() const {
    return !huyHieu_->isHidden();
}
QString ManHinhHangHoan::chuHuyHieu() const {
    return chuHuyHieu_->text();
}

std::optional<QString> ManHinhHangHoan::chuThongBao() const {
    if (chuThongBao_->isHidden()) return std::nullopt;
    return chuThongBao_->text();
}

QStringList ManHinhHangHoan::cacDongBuoc() const {
    QStringList kq;
    for (const NhanMau* d : dongBuoc_) kq << d->text();
    return kq;
}
