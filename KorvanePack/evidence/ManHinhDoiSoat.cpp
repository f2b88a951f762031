#include "evidence/ManHinhDoiSoat.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QTimer>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "shell/BangMau.h"
#include "shell/KhungBo.h"
#include "shell/NhanCatCuoi.h"
#include "shell/NhanMau.h"
#include "shell/NhanNhieuDong.h"
#include "shell/PhongChu.h"
#include "evidence/NhanGiuCuoi.h"
#include "evidence/NutThuong.h"
#include "evidence/ThanhThongKe.h"
#include "store/DinhDangNgay.h"
#include "store/DongHo.h"
#include "store/HuongChu.h"
#include "store/KhoDuLieu.h"
#include "store/TienIch.h"

namespace {

void xoaHet(QLayout* l) {
    while (QLayoutItem* muc = l->takeAt(0)) {
        if (QWidget* w = muc->widget()) {
            // Deferred: the button that asked for the redraw may be one of these.
            w->hide();
            w->deleteLater();
        } else if (QLayout* con = muc->layout()) {
            xoaHet(con);
        }
        delete muc;
    }
}

KhungBo* taoNenDong(int banKinh, const MauDong& nen) {
    auto* k = new KhungBo;
    k->datNen(nen);
    k->datBanKinh(banKinh);
    return k;
}

QString hoacGach(const std::optional<QString>& s) {
    return s ? *s : kyHieuTrong;
}

}  // namespace

ManHinhDoiSoat::ManHinhDoiSoat(const KhoDuLieu& kho, BoSuaBanGhi* suaBanGhi, QWidget* parent)
    : ManHinhDoiSoat(kho, suaBanGhi, DongHo::heThong(), parent) {}

ManHinhDoiSoat::ManHinhDoiSoat(const KhoDuLieu& kho, BoSuaBanGhi* suaBanGhi, const DongHo& dongHo, QWidget* parent)
    : QWidget(parent), kho_(kho), suaBanGhi_(suaBanGhi), dongHo_(dongHo), doiSoat_(dongHo) {
    auto* ngoai = new QVBoxLayout(this);
    ngoai->setContentsMargins(0, 0, 0, 0);
    auto* nen = new KhungBo(this);
    nen->datNen(BangMau::mauNen);
    ngoai->addWidget(nen);
    auto* lNen = new QVBoxLayout(nen);
    lNen->setContentsMargins(0, 0, 0, 0);
    auto* cuon = new QScrollArea;
    cuon->setWidgetResizable(true);
    cuon->setFrameShape(QFrame::NoFrame);
    cuon->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    cuon->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    cuon->viewport()->setAutoFillBackground(false);
    lNen->addWidget(cuon);

    auto* trang = new QWidget;
    trang->setAutoFillBackground(false);
    auto* canGiua = new QHBoxLayout(trang);
    canGiua->setContentsMargins(0, 0, 0, 0);
    auto* cotW = new QWidget;
    cotW->setMaximumWidth(900);
    auto* cot = new QVBoxLayout(cotW);
    cot->setContentsMargins(22, 22, 22, 22);
    cot->setSpacing(18);
    // As wide as the page allows up to the cap, centred when the window is wider.
    canGiua->addStretch(1);
    canGiua->addWidget(cotW, 1000);
    canGiua->addStretch(1);

    cot->addWidget(taoDauTrang());
    cot->addWidget(taoTheThongKe());
    cot->addWidget(taoMuc(noiChuaQuay_, tieuDeChuaQuay_));
    cot->addWidget(taoMuc(noiMoCoi_, tieuDeMoCoi_));
    cot->addWidget(taoMuc(noiThongKe_, tieuDeThongKe_));
    cot->addStretch(1);
    datTieuDe(tieuDeThongKe_, QStringLiteral("30 ngày qua"));
    cuon->setWidget(trang);
    veLai();
}

void ManHinhDoiSoat::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    tinhLai();
}

QWidget* ManHinhDoiSoat::taoDauTrang() {
    auto* w = new QWidget;
    auto* hang = new QHBoxLayout(w);
    hang->setContentsMargins(0, 0, 0, 0);
    hang->setSpacing(12);
    hang->addWidget(new NhanMau(QStringLiteral("Đối soát"), BangMau::mauChuChinh, phongChu(22, QFont::Bold)), 0,
                    Qt::AlignVCenter);
    hang->addStretch(1);
    auto* nutHomQua = nutThuong(QStringLiteral("Hôm qua"));
    chonNgay_ = new QDateEdit;
    chonNgay_->setCalendarPopup(true);
    // The calendar names months and weekdays in the picker's language: the machine's may be English or C.
    chonNgay_->setLocale(QLocale(QLocale::Vietnamese, QLocale::Vietnam));
    chonNgay_->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    chonNgay_->setFixedWidth(130);
    chonNgay_->setFont(phongChu(13));
    chonNgay_->setMinimumHeight(30);
    auto* nutHomNay = nutThuong(QStringLiteral("Hôm nay"));
    auto* nutTinhLai = nutThuong(QStringLiteral("Tính lại"));
    for (QPushButton* n : {nutHomQua, nutHomNay, nutTinhLai}) n->setAutoDefault(false);
    hang->addWidget(nutHomQua);
    hang->addWidget(chonNgay_);
    hang->addWidget(nutHomNay);
    hang->addWidget(nutTinhLai);
    connect(nutHomQua, &QPushButton::clicked, this, [this] { homQua(); });
    connect(nutHomNay, &QPushButton::clicked, this, [this] { homNay(); });
    connect(nutTinhLai, &QPushButton::clicked, this, [this] { tinhLai(); });
    connect(chonNgay_, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        if (dangDatNgay_) return;
        // The picker edits the day only; the time of day is kept, so the chosen moment moves by whole days.
        datNgay(QDateTime(d, doiSoat_.ngay.time()));
    });
    return w;
}

QWidget* ManHinhDoiSoat::taoTheThongKe() {
    auto* w = new QWidget;
    auto* hang = new QHBoxLayout(w);
    hang->setContentsMargins(0, 0, 0, 0);
    hang->setSpacing(12);
    const QStringList nhan{QStringLiteral("đơn trong ngày"), QStringLiteral("video đã quay"),
                           QStringLiteral("đơn CHƯA có video"), QStringLiteral("video chưa gắn đơn")};
    for (const QString& n : nhan) {
        auto* the = taoNenDong(10, BangMau::mauThe);
        auto* l = new QVBoxLayout(the);
        l->setContentsMargins(14, 14, 14, 14);
        l->setSpacing(3);
        auto* so = new NhanMau(QStringLiteral("0"), BangMau::mauChuChinh, phongChu(26, QFont::DemiBold, true));
        l->addWidget(so);
        l->addWidget(new NhanMau(n, BangMau::mauChuPhu, phongChu(11.5)));
        soThe_.append(so);
        hang->addWidget(the, 1);
    }
    return w;
}

QWidget* ManHinhDoiSoat::taoMuc(QVBoxLayout*& noiDung, NhanMau*& tieuDe) {
    auto* the = taoNenDong(12, BangMau::mauThe);
    the->datVien(BangMau::mauVienThe);
    auto* cot = new QVBoxLayout(the);
    cot->setContentsMargins(16, 16, 16, 16);
    cot->setSpacing(9);
    QFont f = phongChu(11, QFont::DemiBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.3);
    tieuDe = new NhanMau({}, BangMau::mauChuPhu, f);
    cot->addWidget(tieuDe);
    noiDung = new QVBoxLayout;
    noiDung->setSpacing(9);
    cot->addLayout(noiDung);
    return the;
}

void ManHinhDoiSoat::datTieuDe(NhanMau* nhan, const QString& chu) {
    nhan->setText(chu.toUpper());
}

void ManHinhDoiSoat::datNgay(const QDateTime& ngay) {
    if (ngay == doiSoat_.ngay) return;
    doiSoat_.ngay = ngay;
    tinhLai();
}

void ManHinhDoiSoat::homQua() {
    // One calendar day back at the same local time: on a machine whose zone shifts its clocks, going back a
    // fixed 24 hours from just after midnight would land two days back and skip a day.
    doiSoat_.ngay = doiSoat_.ngay.addDays(-1);
    tinhLai();
}

void ManHinhDoiSoat::homNay() {
    datNgay(thoiDiemQt(dongHo_.gioThuc()));
}

void ManHinhDoiSoat::tinhLai() {
    doiSoat_.tinhLai(kho_);
    veLai();
}

QString ManHinhDoiSoat::maHienThi(const DonHang& don) {
    // The code the returns screen films the order under, so a video of it is found by what is shown here.
    if (const auto v = don.maVanDonCoSo()) return *v;
    if (don.name && !don.name->isEmpty()) return *don.name;
    if (don.orderNumber && !don.orderNumber->isEmpty()) return *don.orderNumber;
    return don.id;
}

qint64 ManHinhDoiSoat::soMon(const DonHang& don) {
    if (don.itemCount) return *don.itemCount;
    qint64 tong = 0;
    for (const MatHang& mh : don.items) tong += mh.quantity;
    return tong;
}

void ManHinhDoiSoat::veLai() {
    dangDatNgay_ = true;
    chonNgay_->setDate(doiSoat_.ngay.date());
    dangDatNgay_ = false;

    const int chua = doiSoat_.soDonChuaQuay();
    const int moCoi = doiSoat_.soVideoMoCoi();
    soThe_[0]->setText(QString::number(doiSoat_.soDonTrongNgay()));
    soThe_[1]->setText(QString::number(doiSoat_.soVideoDaQuay()));
    soThe_[1]->datMau(BangMau::mauXanhLa);
    soThe_[2]->setText(QString::number(chua));
    soThe_[2]->datMau(chua == 0 ? BangMau::mauXanhLa : BangMau::mauDo);
    soThe_[3]->setText(QString::number(moCoi));
    soThe_[3]->datMau(moCoi == 0 ? BangMau::mauChuPhu : BangMau::mauHoPhach);
    veChuaQuay();
    veMoCoi();
    veThongKe();
}

void ManHinhDoiSoat::veChuaQuay() {
    xoaHet(noiChuaQuay_);
    const auto& ds = doiSoat_.chuaQuay;
    if (ds.empty()) {
        datTieuDe(tieuDeChuaQuay_, QStringLiteral("Đơn chưa có video — không còn đơn nào"));
        noiChuaQuay_->addWidget(new NhanMau(QStringLiteral("Mọi đơn tạo trong ngày này đều đã có video đóng gói."),
                                            BangMau::mauXanhLa, phongChu(13)));
        return;
    }
    datTieuDe(tieuDeChuaQuay_, QStringLiteral("Đơn CHƯA có video (%1)").arg(ds.size()));
    auto* goiY = new NhanNhieuDong(QStringLiteral("Hàng thường còn nằm lại kho tới sáng mai. Quay bù bây giờ vẫn kịp."),
                                   BangMau::mauHoPhach, phongChu(12.5));
    noiChuaQuay_->addWidget(goiY);
    for (const DonHang& don : ds) {
        auto* dong = taoNenDong(8, BangMau::mauNen);
        dong->setObjectName(QStringLiteral("dongDon"));
        auto* hang = new QHBoxLayout(dong);
        hang->setContentsMargins(10, 10, 10, 10);
        hang->setSpacing(10);
        auto* trai = new QVBoxLayout;
        trai->setSpacing(3);
        auto* ma = new NhanMau(maHienThi(don), BangMau::mauChuChinh, phongChu(13.5, QFont::DemiBold, true));
        ma->setTextInteractionFlags(Qt::TextSelectableByMouse);
        trai->addWidget(ma);
        // The phone is what the packer calls or searches by: a long name is the one cut short with "…" (whole in
        // the tip), and the phone after it always shows whole.
        auto* khach = new NhanGiuCuoi(hoacGach(don.customerName),
                                      QStringLiteral(" · ") + coLapHuong(hoacGach(don.customerPhone)),
                                      BangMau::mauChuPhu, phongChu(12));
        khach->setObjectName(QStringLiteral("khachDon"));
        trai->addWidget(khach);
        hang->addLayout(trai, 1);
        hang->addWidget(new NhanMau(QString::number(soMon(don)) + QStringLiteral(" món"), BangMau::mauChuChinh,
                                    phongChu(12, QFont::Normal, true)),
                        0, Qt::AlignTop);
        noiChuaQuay_->addWidget(dong);
    }
}

void ManHinhDoiSoat::veMoCoi() {
    xoaHet(noiMoCoi_);
    oGan_ = nullptr;
    hopKetQuaGan_ = nullptr;
    const auto& ds = doiSoat_.moCoi;
    if (ds.empty()) {
        datTieuDe(tieuDeMoCoi_, QStringLiteral("Video chưa gắn đơn — không có"));
        noiMoCoi_->addWidget(new NhanMau(QStringLiteral("Mọi video đều đã gắn được vào một đơn hàng."),
                                         BangMau::mauChuPhu, phongChu(13)));
        return;
    }
    datTieuDe(tieuDeMoCoi_, QStringLiteral("Video CHƯA gắn đơn (%1)").arg(ds.size()));
    auto* goiY = new NhanNhieuDong(
        QStringLiteral("Quét ra mã nhưng lúc ấy chưa đồng bộ kịp đơn. Gắn tay vào đây là hồ sơ đầy đủ trở lại."),
        BangMau::mauChuPhu, phongChu(12.5));
    noiMoCoi_->addWidget(goiY);
    for (const BanGhiVideo& v : ds) {
        const bool mo = dangGan_ && dangGan_->id == v.id;
        auto* dong = taoNenDong(8, BangMau::mauNen);
        dong->setObjectName(QStringLiteral("dongVideo"));
        auto* cot = new QVBoxLayout(dong);
        cot->setContentsMargins(10, 10, 10, 10);
        cot->setSpacing(8);
        auto* hang = new QHBoxLayout;
        hang->setSpacing(10);
        auto* trai = new QVBoxLayout;
        trai->setSpacing(3);
        // A long code is cut short with "…" (the whole code in its tip) and keeps its distance from the button.
        auto* ma = new NhanCatCuoi(v.code, BangMau::mauChuChinh, phongChu(13.5, QFont::DemiBold, true));
        ma->setObjectName(QStringLiteral("maVideo"));
        ma->setToolTip(v.code);
        trai->addWidget(ma);
        trai->addWidget(
            new NhanCatCuoi(hienThiNgay(v.startedAt) + QStringLiteral(" · ") + hienThiPhutGiay(v.durationSec),
                            BangMau::mauChuPhu, phongChu(12)));
        hang->addLayout(trai, 1);
        auto* nut = nutThuong(mo ? QStringLiteral("Đóng") : QStringLiteral("Gắn đơn"));
        nut->setObjectName(QStringLiteral("nutGan"));
        nut->setAutoDefault(false);
        connect(nut, &QPushButton::clicked, this, [this, v] { batDauGan(v); });
        hang->addWidget(nut, 0, Qt::AlignVCenter);
        cot->addLayout(hang);

        if (mo) {
            auto* panel = new QWidget;
            panel->setObjectName(QStringLiteral("panelGan"));
            auto* lp = new QVBoxLayout(panel);
            lp->setContentsMargins(0, 0, 0, 0);
            lp->setSpacing(8);
            auto* hangTim = new QHBoxLayout;
            oGan_ = new QLineEdit;
            oGan_->setObjectName(QStringLiteral("oTimGan"));
            oGan_->setPlaceholderText(QStringLiteral("Số điện thoại, tên khách, mã vận đơn"));
            oGan_->setText(tuKhoaGan_);
            oGan_->setFont(phongChu(13));
            oGan_->setMinimumHeight(30);
            connect(oGan_, &QLineEdit::textEdited, this, [this](const QString& s) { tuKhoaGan_ = s; });
            connect(oGan_, &QLineEdit::returnPressed, this, [this] { timDonGan(); });
            auto* nutTim = nutThuong(QStringLiteral("Tìm"));
            nutTim->setAutoDefault(false);
            connect(nutTim, &QPushButton::clicked, this, [this] { timDonGan(); });
            hangTim->addWidget(oGan_, 1);
            hangTim->addWidget(nutTim);
            lp->addLayout(hangTim);
            hopKetQuaGan_ = new QWidget;
            auto* lk = new QVBoxLayout(hopKetQuaGan_);
            lk->setContentsMargins(0, 0, 0, 0);
            lk->setSpacing(8);
            lp->addWidget(hopKetQuaGan_);
            cot->addWidget(panel);
        }
        noiMoCoi_->addWidget(dong);
    }
    veKetQuaGan();
}

void ManHinhDoiSoat::veKetQuaGan() {
    if (!hopKetQuaGan_ || !dangGan_) return;
    QLayout* lk = hopKetQuaGan_->layout();
    xoaHet(lk);
    if (ketQuaGan_.isEmpty()) {
        lk->addWidget(new NhanMau(QStringLiteral("Không tìm thấy đơn nào khớp."), BangMau::mauChuPhu, phongChu(12)));
        return;
    }
    const BanGhiVideo video = *dangGan_;
    for (const DonHang& don : ketQuaGan_) {
        auto* nut = new QPushButton;
        nut->setObjectName(QStringLiteral("nutChonDon"));
        nut->setFlat(true);
        nut->setAutoDefault(false);
        nut->setCursor(Qt::PointingHandCursor);
        auto* l = new QVBoxLayout(nut);
        l->setContentsMargins(0, 0, 0, 0);
        auto* the = taoNenDong(6, BangMau::mauThe);
        the->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* hang = new QHBoxLayout(the);
        hang->setContentsMargins(8, 8, 8, 8);
        auto* trai = new QVBoxLayout;
        trai->setSpacing(2);
        trai->addWidget(new NhanMau(hoacGach(don.customerName), BangMau::mauChuChinh, phongChu(13)));
        trai->addWidget(new NhanMau(hoacGach(don.customerPhone) + QStringLiteral(" · ") + hienThiNgay(don.createdAt),
                                    BangMau::mauChuPhu, phongChu(11.5)));
        hang->addLayout(trai);
        hang->addStretch(1);
        hang->addWidget(new NhanMau(QStringLiteral("Gắn"), BangMau::mauXanhDuong, phongChu(12, QFont::DemiBold)));
        l->addWidget(the);
        // Inside a button a label would draw in the button's text role, which its own colour does not set.
        for (NhanMau* n : the->findChildren<NhanMau*>()) n->setForegroundRole(QPalette::WindowText);
        nut->setMinimumHeight(the->sizeHint().height());
        connect(nut, &QPushButton::clicked, this, [this, video, don] { ganVaoDon(video, don); });
        lk->addWidget(nut);
    }
}

void ManHinhDoiSoat::datTuKhoaGan(const QString& s) {
    tuKhoaGan_ = s;
    if (oGan_ && oGan_->text() != s) oGan_->setText(s);
}

void ManHinhDoiSoat::batDauGan(const BanGhiVideo& video) {
    if (dangGan_ && dangGan_->id == video.id) {
        dangGan_.reset();
        veMoCoi();
        return;
    }
    dangGan_ = video;
    tuKhoaGan_ = video.code;
    ketQuaGan_ = kho_.timDon(tuKhoaGan_, 20);
    veMoCoi();
    // The panel asks for an order: the label scanned next goes into its search, replacing the video's code.
    // It is shown only once the layout gets round to it, and a hidden field cannot take the keyboard.
    if (oGan_) {
        QTimer::singleShot(0, oGan_, [o = oGan_] {
            o->setFocus(Qt::OtherFocusReason);
            o->selectAll();
        });
    }
}

void ManHinhDoiSoat::timDonGan() {
    ketQuaGan_ = kho_.timDon(tuKhoaGan_, 20);
    veKetQuaGan();
}

void ManHinhDoiSoat::ganVaoDon(const BanGhiVideo& video, const DonHang& don) {
    if (suaBanGhi_) suaBanGhi_->ganDon(video.id, don);
    dangGan_.reset();
    tinhLai();
}

void ManHinhDoiSoat::veThongKe() {
    xoaHet(noiThongKe_);
    const auto& ds = doiSoat_.thongKe;
    if (ds.empty()) {
        noiThongKe_->addWidget(
            new NhanMau(QStringLiteral("Chưa có video nào trong 30 ngày qua."), BangMau::mauChuPhu, phongChu(13)));
        return;
    }
    int lonNhat = 0;
    for (const NgayThongKe& n : ds) lonNhat = std::max(lonNhat, n.so);
    const int thang = ThanhThongKe::thangCua(lonNhat);
    for (const NgayThongKe& n : ds) {
        auto* w = new QWidget;
        w->setObjectName(QStringLiteral("dongNgay"));
        auto* hang = new QHBoxLayout(w);
        hang->setContentsMargins(0, 0, 0, 0);
        hang->setSpacing(10);
        auto* ngay = new NhanMau(n.ngay.right(5), BangMau::mauChuPhu, phongChu(11.5, QFont::Normal, true));
        ngay->setFixedWidth(44);
        hang->addWidget(ngay, 0, Qt::AlignVCenter);
        hang->addWidget(new ThanhThongKe(n.so, thang), 1, Qt::AlignVCenter);
        auto* so = new NhanMau(QString::number(n.so), BangMau::mauChuChinh, phongChu(11.5));
        so->setFixedWidth(32);
        so->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        hang->addWidget(so, 0, Qt::AlignVCenter);
        noiThongKe_->addWidget(w);
    }
}
