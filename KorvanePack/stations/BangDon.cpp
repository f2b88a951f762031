#include "stations/BangDon.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "shell/BangMau.h"
#include "shell/GiaoDien.h"
#include "shell/KhungBo.h"
#include "shell/NhanMau.h"
#include "shell/NhanNhieuDong.h"
#include "shell/PhongChu.h"
#include "store/HuongChu.h"

namespace {
// The state pill's fixed-width type gives a space a whole letter's cell, which reads as a double gap ("Chưa  có"):
// its spaces are drawn as wide as the proportional type's.
QFont chuVienTrangThai() {
    QFont f = phongChu(11, QFont::Normal, true);
    const qreal thua = QFontMetricsF(f).horizontalAdvance(u' ') - QFontMetricsF(phongChu(11)).horizontalAdvance(u' ');
    f.setWordSpacing(-thua);
    return f;
}

QFont chuDauMuc() {
    QFont f = phongChu(11, QFont::DemiBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.4);
    return f;
}

// A row with a hairline drawn over its bottom (or top) edge.
class HangCoKe : public QWidget {
public:
    HangCoKe(bool keDuoi, double doMo, QWidget* cha = nullptr) : QWidget(cha), keDuoi_(keDuoi), doMo_(doMo) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const int y = keDuoi_ ? height() - 1 : 0;
        p.fillRect(QRect(0, y, width(), 1), BangMau::mauVienThe.mau(doMo_));
    }

private:
    bool keDuoi_;
    double doMo_;
};

// The item list. A big order (twenty lines, or eight beside a cancellation warning) is taller than the panel
// at a laptop's window size; squeezed into what is left, its rows were drawn over each other and read wrong
// ("×1" cut down to look like "×7"). The list asks for its whole height and, when the panel cannot give it,
// scrolls inside what is left, so every row is drawn whole while the codes, the customer and the warning above
// and below it stay in view.
// The scroll handle in the muted text colour on the page colour of the rows: at least 3:1 in both appearances,
// where the style's own white handle on a near-white track (1.11:1) hid that the list goes on.
QString kieuThanhCuon() {
    return QStringLiteral("QScrollBar:vertical { background: %1; width: 10px; margin: 0; border: none;"
                          " border-radius: 5px; }"
                          " QScrollBar::handle:vertical { background: %2; min-height: 28px; border-radius: 5px; }"
                          " QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; border: none; }"
                          " QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
        .arg(BangMau::mauNen.mau().name(), BangMau::mauChuPhu.mau().name());
}

class CuonMatHang : public QScrollArea {
public:
    explicit CuonMatHang(QWidget* ds) {
        setObjectName(QStringLiteral("cuonMatHang"));
        verticalScrollBar()->setStyleSheet(kieuThanhCuon());
        QObject::connect(&GiaoDien::ban(), &GiaoDien::daDoiNen, verticalScrollBar(),
                         [thanh = verticalScrollBar()] { thanh->setStyleSheet(kieuThanhCuon()); });
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setWidgetResizable(true);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        ds->setAutoFillBackground(false);
        setWidget(ds);
        viewport()->setAutoFillBackground(false);
        connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this](int, int toiDa) {
            // A row's width changes when the scroll bar comes or goes; its wrapped lines, and so the list's
            // height, follow.
            updateGeometry();
            if (choViTri_ < 0) return;
            verticalScrollBar()->setValue(qMin(choViTri_, toiDa));
            if (toiDa >= choViTri_) choViTri_ = -1;
        });
    }
    // The panel is rebuilt at every change of the coordinator's fields (a serial scanned, the count of the day):
    // the list of the same order stays where the packer scrolled it, once its rows are laid out again.
    void giuViTri(int viTri) { choViTri_ = viTri > 0 ? viTri : -1; }
    QSize sizeHint() const override {
        // QScrollArea caps its hint at 24 lines of its font; the panel is the one to decide how tall the list is.
        return {QScrollArea::sizeHint().width(), caoNoiDung()};
    }
    QSize minimumSizeHint() const override {
        // The first row whole and half the next, so that a list cut short shows that it goes on.
        const QList<QWidget*> dong = widget()->findChildren<QWidget*>(QStringLiteral("dongMatHang"));
        int thap = dong.isEmpty() ? 0 : dong.first()->sizeHint().height();
        if (dong.size() > 1) thap += 8 + dong.at(1)->sizeHint().height() / 2;
        return {0, qMin(caoNoiDung(), thap)};
    }

protected:
    void resizeEvent(QResizeEvent* e) override {
        QScrollArea::resizeEvent(e);
        // The rows wrap to the new width, and the list's height with them.
        if (e->oldSize().width() != e->size().width()) updateGeometry();
    }

private:
    int choViTri_ = -1;
    int caoNoiDung() const {
        QWidget* ds = widget();
        int rong = viewport()->width();
        if (rong <= 0) rong = ds->sizeHint().width();
        return ds->hasHeightForWidth() ? ds->heightForWidth(rong) : ds->sizeHint().height();
    }
};
}  // namespace

BangDon::BangDon(QWidget* parent) : QWidget(parent) {
    cot_ = new QVBoxLayout(this);
    cot_->setContentsMargins(0, 0, 0, 0);
    cot_->setSpacing(0);
    capNhat({});
}

void BangDon::xoaHet() {
    while (QLayoutItem* muc = cot_->takeAt(0)) {
        // Deleted at once: the panel is redrawn from outside its own event handlers, and stale rows must not
        // linger until the event loop runs.
        delete muc->widget();
        delete muc;
    }
}

void BangDon::capNhat(const DuLieu& d) {
    viTriCuon_ = cuonMatHang_ ? cuonMatHang_->verticalScrollBar()->value() : 0;
    if (!cuonMatHang_) idDonCuon_.clear();
    xoaHet();
    auto* dau = tieuDeBang(d);
    dau->setContentsMargins(0, 0, 0, 14);
    cot_->addWidget(dau);
    if (d.donHienTai) {
        cot_->addWidget(thongTinDon(d, *d.donHienTai));
    } else if (d.dangGhi) {
        cot_->addWidget(dongNhanGiaTri(QStringLiteral("Mã quét"), d.maHienTai, true));
        auto* chua = new NhanMau(QStringLiteral("Chưa gắn được đơn hàng."), BangMau::mauChuPhu, phongChu(14));
        chua->setObjectName(QStringLiteral("chuaGanDon"));
        chua->setContentsMargins(0, 12, 0, 0);
        cot_->addWidget(chua);
    } else {
        cot_->addWidget(goiYBatDau());
    }
    if (!d.serials.isEmpty()) cot_->addWidget(hopSerial(d.serials));
    if (d.canhBao) cot_->addWidget(hopCanhBao(*d.canhBao));
    cot_->addStretch(1);
    cot_->addWidget(demHomNay(d.soDaQuayHomNay));
}

QWidget* BangDon::tieuDeBang(const DuLieu& d) {
    auto* hang = new QWidget;
    auto* l = new QHBoxLayout(hang);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(new NhanMau(QStringLiteral("ĐƠN ĐANG ĐÓNG"), BangMau::mauChuPhu, chuDauMuc()), 0, Qt::AlignVCenter);
    l->addStretch(1);
    auto* vien = new KhungBo;
    vien->setObjectName(QStringLiteral("trangThaiBang"));
    vien->datBanKinh(-1);
    auto* lv = new QHBoxLayout(vien);
    lv->setContentsMargins(9, 3, 9, 3);
    NhanMau* chu = nullptr;
    if (d.dangGhi) {
        vien->datNen(BangMau::mauDo, 0.18);
        chu = new NhanMau(QStringLiteral("Đang quay"), BangMau::mauDo, chuVienTrangThai());
    } else if (d.donHienTai && !d.daLuu && !d.dangLuu) {
        // A refused start or a failed save: the order is shown, but never as done.
        vien->datNen(BangMau::mauDo, 0.18);
        chu = new NhanMau(QStringLiteral("Chưa có video"), BangMau::mauDo, chuVienTrangThai());
    } else {
        vien->datNen(BangMau::mauThe);
        const QString vb = !d.donHienTai ? QStringLiteral("Chưa có")
                           : d.dangLuu   ? QStringLiteral("Đang lưu")
                                         : QStringLiteral("Xong");
        chu = new NhanMau(vb, BangMau::mauChuPhu, chuVienTrangThai());
    }
    chu->setObjectName(QStringLiteral("chuTrangThai"));
    lv->addWidget(chu);
    l->addWidget(vien, 0, Qt::AlignVCenter);
    return hang;
}

QWidget* BangDon::thongTinDon(const DuLieu& d, const DonHang& don) {
    auto* khoi = new QWidget;
    auto* l = new QVBoxLayout(khoi);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    const QString gach = QStringLiteral("—");
    const QString vanDon = don.trackings.isEmpty() ? gach : don.trackings.first().trackingNumber;
    const QString tenDon =
        don.name ? *don.name : (don.orderNumber ? QStringLiteral("#") + coLapHuong(*don.orderNumber) : gach);
    l->addWidget(dongNhanGiaTri(QStringLiteral("Mã quét"), d.maHienTai, true));
    l->addWidget(dongNhanGiaTri(QStringLiteral("Mã vận đơn"), vanDon, true));
    l->addWidget(dongNhanGiaTri(QStringLiteral("Đơn hàng"), tenDon, true));
    l->addWidget(dongNhanGiaTri(QStringLiteral("Khách"), don.customerName.value_or(gach), false));
    l->addWidget(dongNhanGiaTri(QStringLiteral("Điện thoại"), don.customerPhone.value_or(gach), true));
    auto* dauMuc = new NhanMau(QStringLiteral("SẢN PHẨM CẦN BỎ VÀO HỘP"), BangMau::mauChuPhu, chuDauMuc());
    dauMuc->setContentsMargins(0, 18, 0, 10);
    l->addWidget(dauMuc);
    auto* ds = new QWidget;
    auto* lds = new QVBoxLayout(ds);
    lds->setContentsMargins(0, 0, 0, 0);
    lds->setSpacing(8);
    for (const MatHang& mh : don.items) lds->addWidget(dongMatHang(mh));
    lds->addStretch(1);
    auto* cuon = new CuonMatHang(ds);
    if (don.id == idDonCuon_) cuon->giuViTri(viTriCuon_);
    cuonMatHang_ = cuon;
    idDonCuon_ = don.id;
    l->addWidget(cuon, 1);
    // A list cut short says how long it is, so items below the fold are not left out of the box.
    auto* conNua = new NhanNhieuDong(kConNua.arg(don.items.size()), BangMau::mauHoPhach, phongChu(12.5, QFont::DemiBold));
    conNua->setObjectName(QStringLiteral("chuConNua"));
    conNua->setContentsMargins(0, 6, 0, 0);
    conNua->hide();
    l->addWidget(conNua);
    connect(cuon->verticalScrollBar(), &QScrollBar::rangeChanged, conNua,
            [conNua](int, int toiDa) { conNua->setVisible(toiDa > 0); });
    return khoi;
}

QWidget* BangDon::dongNhanGiaTri(const QString& nhan, const QString& giaTri, bool donCach) {
    auto* hang = new HangCoKe(true, 0.6);
    hang->setObjectName(QStringLiteral("dongNhanGiaTri"));
    auto* l = new QHBoxLayout(hang);
    l->setContentsMargins(0, 8, 0, 8);
    auto* n = new NhanMau(nhan, BangMau::mauChuPhu, phongChu(12.5));
    n->setObjectName(QStringLiteral("nhan"));
    auto* v = new NhanNhieuDong(giaTri, BangMau::mauChuChinh, phongChu(13.5, QFont::DemiBold, donCach));
    v->setObjectName(QStringLiteral("giaTri"));
    v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    v->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    l->addWidget(n, 0, Qt::AlignVCenter);
    l->addStretch(1);
    // No alignment in the row: an aligned item is given the height of its unwrapped hint. The label centres its
    // own lines instead.
    l->addWidget(v, 3);
    return hang;
}

QWidget* BangDon::dongMatHang(const MatHang& mh) {
    auto* the = new KhungBo;
    the->setObjectName(QStringLiteral("dongMatHang"));
    the->datNen(BangMau::mauNen);
    the->datBanKinh(8);
    auto* l = new QHBoxLayout(the);
    l->setContentsMargins(12, 10, 12, 10);
    auto* cot = new QVBoxLayout;
    cot->setSpacing(2);
    auto* ten = new NhanNhieuDong(mh.title, BangMau::mauChuChinh, phongChu(15));
    ten->setObjectName(QStringLiteral("ten"));
    cot->addWidget(ten);
    if (mh.variantTitle) {
        QString phu = coLapHuong(*mh.variantTitle);
        if (mh.sku) phu += QStringLiteral(" · ") + coLapHuong(*mh.sku);
        auto* dongPhu = new NhanNhieuDong(phu, BangMau::mauChuPhu, phongChu(12.5));
        dongPhu->setObjectName(QStringLiteral("phu"));
        cot->addWidget(dongPhu);
    }
    l->addLayout(cot, 1);
    auto* sl = new NhanMau(QStringLiteral("×") + QString::number(mh.quantity), BangMau::mauXanhDuong,
                           phongChu(16, QFont::DemiBold, true));
    sl->setObjectName(QStringLiteral("soLuong"));
    l->addWidget(sl, 0, Qt::AlignTop);
    return the;
}

QWidget* BangDon::goiYBatDau() {
    auto* khoi = new QWidget;
    khoi->setObjectName(QStringLiteral("goiYBatDau"));
    auto* l = new QVBoxLayout(khoi);
    l->setContentsMargins(0, 30, 0, 30);
    l->setSpacing(6);
    auto* a = new NhanNhieuDong(QStringLiteral("Quét mã vận đơn để bắt đầu."), BangMau::mauChuPhu, phongChu(13));
    auto* b = new NhanNhieuDong(QStringLiteral("Đưa phiếu ra khỏi khung rồi chìa lại để kết thúc."), BangMau::mauChuPhu,
                                phongChu(13));
    b->datMau(BangMau::mauChuPhu, 0.7);
    l->addWidget(a);
    l->addWidget(b);
    return khoi;
}

QWidget* BangDon::hopSerial(const QStringList& serials) {
    auto* ngoai = new QWidget;
    ngoai->setObjectName(QStringLiteral("hopSerial"));
    auto* lo = new QVBoxLayout(ngoai);
    lo->setContentsMargins(0, 16, 0, 0);
    auto* hop = new KhungBo;
    hop->datNen(BangMau::mauXanhLa, 0.12);
    hop->datVien(BangMau::mauXanhLa, 0.6);
    hop->datBanKinh(9);
    auto* l = new QVBoxLayout(hop);
    l->setContentsMargins(12, 12, 12, 12);
    l->setSpacing(8);
    auto* dau = new NhanMau(QStringLiteral("SERIAL ĐÃ GHI (") + QString::number(serials.size()) + QStringLiteral(")"),
                            BangMau::mauXanhLa, chuDauMuc());
    dau->setObjectName(QStringLiteral("tieuDeSerial"));
    l->addWidget(dau);
    for (const QString& s : serials) {
        auto* dong = new KhungBo;
        dong->setObjectName(QStringLiteral("dongSerial"));
        dong->datNen(BangMau::mauNen);
        dong->datBanKinh(6);
        auto* ld = new QHBoxLayout(dong);
        ld->setContentsMargins(10, 7, 10, 7);
        auto* chu = new NhanMau(s, BangMau::mauChuChinh, phongChu(14, QFont::DemiBold, true));
        chu->setObjectName(QStringLiteral("serial"));
        ld->addWidget(chu, 1);
        l->addWidget(dong);
    }
    lo->addWidget(hop);
    return ngoai;
}

QWidget* BangDon::hopCanhBao(const QString& chu) {
    auto* ngoai = new QWidget;
    ngoai->setObjectName(QStringLiteral("hopCanhBao"));
    auto* lo = new QVBoxLayout(ngoai);
    lo->setContentsMargins(0, 14, 0, 0);
    auto* hop = new KhungBo;
    hop->datNen(BangMau::mauHoPhach, 0.12);
    hop->datVien(BangMau::mauHoPhach, 0.6);
    hop->datBanKinh(9);
    auto* l = new QVBoxLayout(hop);
    l->setContentsMargins(12, 12, 12, 12);
    auto* n = new NhanNhieuDong(chu, BangMau::mauHoPhach, phongChu(13));
    n->setObjectName(QStringLiteral("chuCanhBao"));
    l->addWidget(n);
    lo->addWidget(hop);
    return ngoai;
}

QWidget* BangDon::demHomNay(qint64 so) {
    auto* hang = new HangCoKe(false, 1.0);
    auto* l = new QHBoxLayout(hang);
    l->setContentsMargins(0, 16, 0, 0);
    l->setSpacing(20);
    auto* cot = new QVBoxLayout;
    cot->setSpacing(2);
    auto* n = new NhanMau(QString::number(so), BangMau::mauChuChinh, phongChu(22, QFont::DemiBold, true));
    n->setObjectName(QStringLiteral("soHomNay"));
    cot->addWidget(n);
    cot->addWidget(new NhanMau(QStringLiteral("đã quay hôm nay"), BangMau::mauChuPhu, phongChu(11)));
    l->addLayout(cot);
    l->addStretch(1);
    return hang;
}

namespace {
template <typename T>
QList<T*> conSong(const QWidget* w, const QString& ten) {
    return w->findChildren<T*>(ten);
}
}  // namespace

QString BangDon::chuTrangThai() const {
    auto l = conSong<NhanMau>(this, QStringLiteral("chuTrangThai"));
    return l.isEmpty() ? QString() : l.last()->text();
}

QStringList BangDon::cacDongNhanGiaTri() const {
    QStringList kq;
    for (auto* dong : conSong<QWidget>(this, QStringLiteral("dongNhanGiaTri")))
        kq << dong->findChild<NhanMau*>(QStringLiteral("nhan"))->text() + '=' +
                  dong->findChild<NhanMau*>(QStringLiteral("giaTri"))->text();
    return kq;
}

QStringList BangDon::cacDongMatHang() const {
    QStringList kq;
    for (auto* dong : conSong<QWidget>(this, QStringLiteral("dongMatHang"))) {
        QString s = dong->findChild<NhanMau*>(QStringLiteral("ten"))->text();
        if (auto* phu = dong->findChild<NhanMau*>(QStringLiteral("phu"))) s += '|' + phu->text();
        s += '|' + dong->findChild<NhanMau*>(QStringLiteral("soLuong"))->text();
        kq << s;
    }
    return kq;
}

QStringList BangDon::cacDongSerial() const {
    QStringList kq;
    for (auto* n : conSong<NhanMau>(this, QStringLiteral("serial"))) kq << n->text();
    return kq;
}

QString BangDon::tieuDeSerial() const {
    auto l = conSong<NhanMau>(this, QStringLiteral("tieuDeSerial"));
    return l.isEmpty() ? QString() : l.last()->text();
}

std::optional<QString> BangDon::chuCanhBao() const {
    auto l = conSong<NhanMau>(this, QStringLiteral("chuCanhBao"));
    if (l.isEmpty()) return std::nullopt;
    return l.last()->text();
}

QString BangDon::chuSoHomNay() const {
    auto l = conSong<NhanMau>(this, QStringLiteral("soHomNay"));
    return l.isEmpty() ? QString() : l.last()->text();
}

bool BangDon::coGoiYBatDau() const {
    return !conSong<QWidget>(this, QStringLiteral("goiYBatDau")).isEmpty();
}

bool BangDon::coChuChuaGanDon() const {
    return !conSong<NhanMau>(this, QStringLiteral("chuaGanDon")).isEmpty();
}

std::optional<QString> BangDon::chuConNua() const {
    auto* n = findChild<NhanNhieuDong*>(QStringLiteral("chuConNua"));
    if (!n || n->isHidden()) return std::nullopt;
    return n->text();
}
