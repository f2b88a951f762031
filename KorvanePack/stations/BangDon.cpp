#include "stations/BangDon.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "core/BangMau.h"
#include "core/KhungBo.h"
#include "core/NhanMau.h"
#include "core/NhanNhieuDong.h"
#include "core/PhongChu.h"

namespace {
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
        chu = new NhanMau(QStringLiteral("Đang quay"), BangMau::mauDo, phongChu(11, QFont::Normal, true));
    } else {
        vien->datNen(BangMau::mauThe);
        chu = new NhanMau(d.donHienTai ? QStringLiteral("Xong") : QStringLiteral("Chưa có"), BangMau::mauChuPhu,
                          phongChu(11, QFont::Normal, true));
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
    const QString tenDon = don.name ? *don.name : (don.orderNumber ? QStringLiteral("#") + *don.orderNumber : gach);
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
    l->addWidget(ds);
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
        QString phu = *mh.variantTitle;
        if (mh.sku) phu += QStringLiteral(" · ") + *mh.sku;
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
