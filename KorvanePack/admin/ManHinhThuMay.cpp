#include "admin/ManHinhThuMay.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "admin/HopCameraThu.h"
#include "admin/NhanBoc.h"
#include "shell/BangMau.h"
#include "core/BoDieuPhoi.h"
#include "core/CongCameraManHinh.h"
#include "shell/KhungBo.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"
#include "stations/KhungCamera.h"
#include "stations/TiLeKhung.h"
#include "store/DongHo.h"

namespace {

const QStringList& cacGoiY() {
    static const QStringList ds{
        QStringLiteral("Đưa riêng phần mã vạch vào giữa khung, đừng chìa cả tờ A4."),
        QStringLiteral("Cách ống kính khoảng 20–30 cm, giữ yên 2 giây cho máy lấy nét."),
        QStringLiteral("Bật thêm đèn. Mã vạch cần tương phản, không cần sáng đẹp."),
        QStringLiteral("Đừng để phiếu bị bóng đèn hắt vào, nghiêng tờ giấy đi một chút."),
        QStringLiteral("Vào Cài đặt đổi độ phân giải lên 1920×1080 rồi thử lại."),
    };
    return ds;
}

NhanMau* nhanBoc(const QString& chu, const MauDong& mau, const QFont& phong, QWidget* cha) {
    return new NhanBoc(chu, mau, phong, 0, cha);
}

}  // namespace

ManHinhThuMay::ManHinhThuMay(BoDieuPhoi* dieuPhoi, CongCameraManHinh* camera, bool gonGang, QWidget* parent)
    : ManHinhThuMay(dieuPhoi, camera, gonGang, DongHo::heThong(), parent) {}

ManHinhThuMay::ManHinhThuMay(BoDieuPhoi* dieuPhoi, CongCameraManHinh* camera, bool gonGang, const DongHo& dongHo,
                             QWidget* parent)
    : QWidget(parent), dieuPhoi_(dieuPhoi), camera_(camera), gonGang_(gonGang), dongHo_(dongHo) {
    auto* cot = new QVBoxLayout(this);
    cot->setSpacing(14);
    cot->setContentsMargins(gonGang_ ? QMargins() : QMargins(20, 20, 20, 20));
    if (!gonGang_) {
        tieuDe_ = new QWidget(this);
        auto* cotTieuDe = new QVBoxLayout(tieuDe_);
        cotTieuDe->setContentsMargins(0, 0, 0, 0);
        cotTieuDe->setSpacing(4);
        cotTieuDe->addWidget(new NhanMau(QStringLiteral("Thử máy"), BangMau::mauChuChinh, phongChu(22, QFont::Bold)));
        cotTieuDe->addWidget(
            nhanBoc(QStringLiteral("Chìa phiếu giao hàng vào camera. Màn hình này không quay gì cả — quét thoải mái."),
                    BangMau::mauChuPhu, phongChu(13), tieuDe_));
        cot->addWidget(tieuDe_);
    }

    auto* hang = new QHBoxLayout;
    hang->setSpacing(16);
    auto* cotCamera = new QVBoxLayout;
    cotCamera->setSpacing(10);
    hop_ = new HopCameraThu(this);
    cotCamera->addWidget(hop_);
    // Wraps: a test source's name is its whole filter graph.
    dongCamera_ = nhanBoc({}, BangMau::mauChuPhu, phongChu(12), this);
    cotCamera->addWidget(dongCamera_);
    cotCamera->addStretch(1);
    hang->addLayout(cotCamera, 1);

    the_ = new KhungBo(this);
    the_->datNen(BangMau::mauThe);
    the_->datVien(BangMau::mauVienThe);
    the_->datBanKinh(12);
    the_->setFixedWidth(gonGang_ ? 300 : 380);
    cotThe_ = new QVBoxLayout(the_);
    cotThe_->setContentsMargins(14, 14, 14, 14);
    cotThe_->setSpacing(12);
    hopKetLuan_ = new KhungBo(the_);
    hopKetLuan_->datBanKinh(8);
    auto* hangKetLuan = new QHBoxLayout(hopKetLuan_);
    hangKetLuan->setContentsMargins(12, 10, 12, 10);
    hangKetLuan->setSpacing(9);
    cham_ = new KhungBo(hopKetLuan_);
    cham_->datBanKinh(-1);
    cham_->setFixedSize(9, 9);
    hangKetLuan->addWidget(cham_, 0, Qt::AlignVCenter);
    chuKetLuan_ = nhanBoc({}, BangMau::mauChuPhu, phongChu(14, QFont::DemiBold), hopKetLuan_);
    hangKetLuan->addWidget(chuKetLuan_, 1);
    cotThe_->addWidget(hopKetLuan_);
    nutXoa_ = new QPushButton(QStringLiteral("Xoá kết quả, thử lại"), the_);
    connect(nutXoa_, &QPushButton::clicked, this, [this] { xoaKetQua(); });
    cotThe_->addWidget(nutXoa_, 0, Qt::AlignLeft);
    hang->addWidget(the_, 0, Qt::AlignTop);
    cot->addLayout(hang, 1);

    if (camera_) {
        connect(camera_, &CongCameraManHinh::dangChayDoi, this, [this] { lamMoiCamera(); });
        connect(camera_, &CongCameraManHinh::tenCameraDoi, this, [this] { lamMoiCamera(); });
        connect(camera_, &CongCameraManHinh::doPhanGiaiDoi, this, [this] { lamMoiCamera(); });
        connect(camera_, &CongCameraManHinh::loiCameraDoi, this, [this] { lamMoiCamera(); });
        connect(camera_, &CongCameraManHinh::daDocNhieuMa, this, [this](const QList<DocMaVach::KetQuaDo>& lo) {
            if (dangGiuDauDoc()) nhanKetQuaDoc(lo);
        });
    }
    noiKhungHinh();
    lamMoiCamera();
    lamMoiKetQua();
}

ManHinhThuMay::~ManHinhThuMay() {
    // A view deleted while still on screen (its window torn down) hands the reader back like one hidden.
    ketThucThu();
}

void ManHinhThuMay::noiKhungHinh() {
    if (!camera_) return;
    connect(camera_, &CongCameraManHinh::khungMoi, hop_->xemTruoc(), &KhungCamera::hienKhung);
    connect(hop_->xemTruoc(), &KhungCamera::kichThuocXemDoi, camera_, &CongCameraManHinh::datKichThuocXem);
}

void ManHinhThuMay::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // A window coming back from being minimised was never left.
    if (!e->spontaneous()) batDauThu();
}

void ManHinhThuMay::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    if (!e->spontaneous()) ketThucThu();
}

void ManHinhThuMay::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    if (gonGang_) return;
    QPainter p(this);
    p.fillRect(rect(), BangMau::mauNen.mau());
}

void ManHinhThuMay::batDauThu() {
    if (dangThu_) return;
    dangThu_ = true;
    if (dieuPhoi_) dieuPhoi_->datCheDo(BoDieuPhoi::CheDo::thuMay);
    if (camera_) {
        camera_->nhanThu(this);
        camera_->datGiuaHaiLanDo(kGiuaHaiLanKhiThu);
    }
}

bool ManHinhThuMay::dangGiuDauDoc() const {
    return camera_ && camera_->nguoiThuMoiNhat() == this;
}

void ManHinhThuMay::ketThucThu() {
    if (!dangThu_) return;
    dangThu_ = false;
    // Another test view on the same camera still on screen keeps test mode and the short interval, and the
    // reads go to the most recently shown of those left.
    if (camera_ && !camera_->traThu(this)) return;
    if (camera_ && camera_->giuaHaiLanDo() == kGiuaHaiLanKhiThu) camera_->datGiuaHaiLanDo(kGiuaHaiLanThuong);
    // A screen that has set its own mode since then keeps it.
    if (dieuPhoi_ && dieuPhoi_->cheDo() == BoDieuPhoi::CheDo::thuMay) dieuPhoi_->datCheDo(BoDieuPhoi::CheDo::dongGoi);
}

void ManHinhThuMay::nhanKetQuaDoc(const QList<DocMaVach::KetQuaDo>& lo) {
    if (lo.isEmpty()) return;
    // Each batch is folded whole in its own turn of the event loop.
    QPointer<ManHinhThuMay> toi = this;
    QMetaObject::invokeMethod(
        this,
        [toi, lo] {
            if (!toi) return;
            ghiNhan(toi->daBat_, lo, toi->dongHo_.gioThuc());
            toi->lamMoiKetQua();
        },
        Qt::QueuedConnection);
}

void ManHinhThuMay::ghiNhan(QList<MaDaBat>& daBat, const QList<DocMaVach::KetQuaDo>& lo,
                            std::chrono::system_clock::time_point bayGio) {
    for (const auto& doc : lo) {
        auto it = std::find_if(daBat.begin(), daBat.end(), [&](const MaDaBat& m) { return m.ma == doc.ma; });
        if (it != daBat.end()) {
            const qint64 n = it->soLan;
            *it = MaDaBat{doc.ma, doc.loai, n + 1, bayGio, (it->miliTrungBinh * n + doc.mili) / (n + 1)};
        } else {
            daBat.append(MaDaBat{doc.ma, doc.loai, 1, bayGio, doc.mili});
        }
    }
    std::stable_sort(daBat.begin(), daBat.end(), [](const MaDaBat& a, const MaDaBat& b) { return a.soLan > b.soLan; });
    if (daBat.size() > kSoDongToiDa) daBat.resize(kSoDongToiDa);
}

std::optional<MaDaBat> ManHinhThuMay::maDat(const QList<MaDaBat>& daBat) {
    std::optional<MaDaBat> chon;
    for (const auto& m : daBat) {
        if (m.soLan < kSoLanDat) continue;
        if (!chon || m.soLan > chon->soLan) chon = m;
    }
    return chon;
}

QString ManHinhThuMay::chuCamera(bool dangChay, const QString& tenCamera, const QString& doPhanGiai) {
    if (!dangChay) return QStringLiteral("Camera chưa mở");
    return tenCamera + QStringLiteral(" · ") + (doPhanGiai.isEmpty() ? QStringLiteral("đang khởi động") : doPhanGiai);
}

void ManHinhThuMay::xoaKetQua() {
    daBat_.clear();
    lamMoiKetQua();
}

QString ManHinhThuMay::chuKetLuan() const {
    return chuKetLuan_->text();
}

QColor ManHinhThuMay::mauKetLuan() const {
    return chuKetLuan_->mauChu();
}

QString ManHinhThuMay::chuDongCamera() const {
    return dongCamera_->text();
}

bool ManHinhThuMay::hienGoiY() const {
    return daBat_.isEmpty();
}

void ManHinhThuMay::lamMoiCamera() {
    const CongCameraManHinh* cam = camera_;
    dongCamera_->setText(cam ? chuCamera(cam->dangChay(), cam->tenCamera(), cam->doPhanGiai())
                             : chuCamera(false, {}, {}));
    hop_->datTiLe(tiLeKhung(cam ? cam->doPhanGiai() : QString()));
    hop_->datLoi(cam ? cam->loiCamera() : QString());
}

void ManHinhThuMay::lamMoiKetQua() {
    const MauDong* mau = &BangMau::mauChuPhu;
    QString chu = kChuaDoc;
    if (maDat(daBat_)) {
        mau = &BangMau::mauXanhLa;
        chu = kDat;
    } else if (!daBat_.isEmpty()) {
        mau = &BangMau::mauHoPhach;
        chu = kChapChon;
    }
    hopKetLuan_->datNen(*mau, 0.12);
    cham_->datNen(*mau);
    chuKetLuan_->datMau(*mau);
    chuKetLuan_->setText(chu);
    hopKetLuan_->update();
    cham_->update();

    if (noiDungKetQua_) {
        noiDungKetQua_->hide();
        noiDungKetQua_->deleteLater();
    }
    noiDungKetQua_ = new QWidget(the_);
    auto* cot = new QVBoxLayout(noiDungKetQua_);
    cot->setContentsMargins(0, 0, 0, 0);
    if (daBat_.isEmpty()) {
        cot->setSpacing(7);
        cot->addWidget(nhanBoc(QStringLiteral("Nếu mãi không ăn, thử theo thứ tự này:"), BangMau::mauChuPhu,
                               phongChu(12.5), noiDungKetQua_));
        const QStringList& goiY = cacGoiY();
        for (int i = 0; i < goiY.size(); ++i)
            cot->addWidget(nhanBoc(QString::number(i + 1) + QStringLiteral(". ") + goiY[i], BangMau::mauChuPhu,
                                   phongChu(12.5), noiDungKetQua_));
    } else {
        cot->setSpacing(12);
        QFont phongDe = phongChu(11, QFont::DemiBold);
        phongDe.setLetterSpacing(QFont::AbsoluteSpacing, 1.4);
        cot->addWidget(new NhanMau(QStringLiteral("ĐÃ ĐỌC ĐƯỢC"), BangMau::mauChuPhu, phongDe, noiDungKetQua_));
        for (const MaDaBat& m : daBat_) {
            auto* dong = new KhungBo(noiDungKetQua_);
            dong->datNen(BangMau::mauNen);
            dong->datBanKinh(8);
            auto* cotDong = new QVBoxLayout(dong);
            cotDong->setContentsMargins(10, 10, 10, 10);
            cotDong->setSpacing(4);
            auto* ma = nhanBoc(m.ma, BangMau::mauChuChinh, phongChu(14, QFont::DemiBold, true), dong);
            ma->setTextInteractionFlags(Qt::TextSelectableByMouse);
            ma->setTextFormat(Qt::PlainText);
            ma->setMaximumHeight(ma->fontMetrics().lineSpacing() * 2 + 2);
            cotDong->addWidget(ma);
            auto* hangPhu = new QHBoxLayout;
            hangPhu->setSpacing(10);
            hangPhu->addWidget(new NhanMau(m.loai, BangMau::mauXanhDuong, phongChu(11.5), dong));
            hangPhu->addWidget(new NhanMau(QString::asprintf("đọc %lld lần", qlonglong(m.soLan)), BangMau::mauChuPhu,
                                           phongChu(11.5), dong));
            hangPhu->addWidget(
                new NhanMau(QString::asprintf("%lld", qlonglong(m.miliTrungBinh)) + QStringLiteral(" ms"),
                            BangMau::mauChuPhu, phongChu(11.5), dong));
            hangPhu->addStretch(1);
            cotDong->addLayout(hangPhu);
            cot->addWidget(dong);
        }
    }
    cotThe_->insertWidget(1, noiDungKetQua_);
}
