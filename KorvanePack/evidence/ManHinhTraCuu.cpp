#include "evidence/ManHinhTraCuu.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMediaPlayer>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "shell/BangMau.h"
#include "shell/GiaoDien.h"
#include "shell/KhungBo.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"
#include "evidence/HoSoBangChung.h"
#include "evidence/MoTepHeThong.h"
#include "evidence/NutThuong.h"
#include "evidence/TrinhPhatVideo.h"
#include "evidence/VeDongKetQua.h"
#include "store/HuongChu.h"
#include "store/KhoDuLieu.h"
#include "store/MucChon.h"
#include "store/TienIch.h"

namespace {

// A precomposed and a decomposed accented letter must count as the same letter, so both sides are
// composed before the substring test.
bool chua(const QString& trong, const QString& can) {
    return trong.normalized(QString::NormalizationForm_C).contains(can.normalized(QString::NormalizationForm_C));
}

bool chuaMa(const std::optional<QString>& truong, const QString& tuKhoaChuan) {
    return truong && chua(chuanHoaMa(*truong), tuKhoaChuan);
}

QWidget* duongKe() {
    auto* k = new KhungBo;
    k->datNen(BangMau::mauVienThe);
    k->setFixedHeight(1);
    return k;
}

// The prominent button: the accent fill, dimmed while it cannot be pressed. Its label takes the page colour,
// which reads on the light accent of the dark appearance as well as on the deep one of the light appearance.
void toMauNoiBat(QPushButton* n) {
    QPalette p = n->palette();
    for (auto nhom : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(nhom, QPalette::Button, BangMau::mauXanhDuong.mau());
        p.setColor(nhom, QPalette::ButtonText, BangMau::mauNen.mau());
    }
    p.setColor(QPalette::Disabled, QPalette::Button, BangMau::mauXanhDuong.mau(0.45));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, BangMau::mauNen.mau(0.7));
    n->setPalette(p);
}

// The buttons of the detail pane in as many rows as its width needs: at the smallest window one row of four is
// wider than the pane, and a pane that scrolls sideways hides the values beside their labels.
class HangNutXuong : public QWidget {
public:
    void them(QWidget* w) {
        w->setParent(this);
        cacNut_.append(w);
        updateGeometry();
    }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int rong) const override { return xep(rong, false); }
    QSize sizeHint() const override {
        int rong = 0;
        for (QWidget* w : cacNut_)
            if (!w->isHidden()) rong += w->sizeHint().width() + kKhe;
        return {rong, xep(rong, false)};
    }
    QSize minimumSizeHint() const override {
        int rong = 0;
        for (QWidget* w : cacNut_) rong = std::max(rong, w->sizeHint().width());
        return {rong, xep(rong, false)};
    }

protected:
    void resizeEvent(QResizeEvent*) override { xep(width(), true); }
    bool event(QEvent* e) override {
        if (e->type() == QEvent::LayoutRequest) {
            updateGeometry();
            xep(width(), true);
        }
        return QWidget::event(e);
    }

private:
    static constexpr int kKhe = 8;
    int xep(int rong, bool datCho) const {
        int x = 0, y = 0, caoHang = 0;
        for (QWidget* w : cacNut_) {
            if (w->isHidden()) continue;
            // A button's minimum (its style's least height) outweighs its hint, as it would in a layout.
            const QSize c = w->sizeHint().expandedTo(w->minimumSize()).boundedTo(w->maximumSize());
            if (x > 0 && x + c.width() > rong) {
                x = 0;
                y += caoHang + kKhe;
                caoHang = 0;
            }
            if (datCho) w->setGeometry(x, y, c.width(), c.height());
            x += c.width() + kKhe;
            caoHang = std::max(caoHang, c.height());
        }
        return y + caoHang;
    }
    QList<QWidget*> cacNut_;
};

// The fingerprint wraps anywhere, since it has no spaces, yet copies as the one line it is.
class ChuVanTay : public QTextEdit {
public:
    explicit ChuVanTay(const QString& chu) {
        setReadOnly(true);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWordWrapMode(QTextOption::WrapAnywhere);
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        setFocusPolicy(Qt::NoFocus);
        viewport()->setAutoFillBackground(false);
        setAutoFillBackground(false);
        setStyleSheet(QStringLiteral("QTextEdit { background: transparent; }"));
        document()->setDocumentMargin(0);
        setPlainText(chu);
        QSizePolicy sp(QSizePolicy::Preferred, QSizePolicy::Preferred);
        sp.setHeightForWidth(true);
        setSizePolicy(sp);
    }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int rong) const override {
        QTextDocument* d = document()->clone();
        d->setTextWidth(rong);
        const int cao = int(std::ceil(d->size().height()));
        delete d;
        return std::max(cao, fontMetrics().height());
    }
    QSize sizeHint() const override { return {fontMetrics().horizontalAdvance(toPlainText()), heightForWidth(width())}; }
    QSize minimumSizeHint() const override { return {fontMetrics().averageCharWidth() * 8, fontMetrics().height()}; }

protected:
    void resizeEvent(QResizeEvent* e) override {
        QTextEdit::resizeEvent(e);
        if (e->oldSize().width() != e->size().width()) updateGeometry();
    }
};

QFont phongGianChu(double co, double gian) {
    QFont f = phongChu(co, QFont::DemiBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, gian);
    return f;
}

}  // namespace

ManHinhTraCuu::ManHinhTraCuu(KhoDuLieu& kho, QString tenShop, LayMaMay layMaMay, QWidget* parent)
    : ManHinhTraCuu(kho, std::move(tenShop), std::move(layMaMay), *new MoTepHeThong, parent) {
    moTepRieng_.reset(&moTep_);
}

ManHinhTraCuu::ManHinhTraCuu(KhoDuLieu& kho, QString tenShop, LayMaMay layMaMay, MoTep& moTep, QWidget* parent)
    : QWidget(parent), kho_(kho), tenShop_(std::move(tenShop)), layMaMay_(std::move(layMaMay)), moTep_(moTep) {
    auto* nen = KhungBo::phuNenTrang(this);
    auto* lNen = new QVBoxLayout(nen);
    lNen->setContentsMargins(0, 0, 0, 0);
    auto* tach = new QSplitter(Qt::Horizontal, nen);
    tach->setChildrenCollapsible(false);
    lNen->addWidget(tach);

    // Left column: the search and its results.
    auto* trai = new QWidget;
    trai->setMinimumWidth(420);
    auto* cotTrai = new QVBoxLayout(trai);
    cotTrai->setContentsMargins(20, 20, 20, 20);
    cotTrai->setSpacing(12);
    cotTrai->addWidget(new NhanMau(QStringLiteral("Tra cứu video"), BangMau::mauChuChinh, phongChu(22, QFont::Bold)));
    auto* goiY = new NhanMau(QStringLiteral("Gõ mã vận đơn, mã đơn, số điện thoại hoặc tên khách."), BangMau::mauChuPhu,
                             phongChu(13));
    goiY->setWordWrap(true);
    cotTrai->addWidget(goiY);
    auto* hangTim = new QHBoxLayout;
    hangTim->setSpacing(8);
    oTim_ = new QLineEdit;
    oTim_->setPlaceholderText(QStringLiteral("Ví dụ: 862252454559, 0901234567"));
    oTim_->setClearButtonEnabled(true);
    oTim_->setFont(phongChu(13));
    oTim_->setMinimumHeight(30);
    auto* nutTim = nutThuong(QStringLiteral("Tìm"));
    nutTim->setAutoDefault(false);
    hangTim->addWidget(oTim_, 1);
    hangTim->addWidget(nutTim);
    cotTrai->addLayout(hangTim);
    connect(oTim_, &QLineEdit::textEdited, this, [this](const QString& s) { tuKhoa_ = s; });
    connect(oTim_, &QLineEdit::returnPressed, this, [this] { tim(); });
    connect(nutTim, &QPushButton::clicked, this, [this] { tim(); });
    auto* phimTim = new QShortcut(QKeySequence(Qt::Key_Return), this);
    phimTim->setContext(Qt::WidgetWithChildrenShortcut);
    connect(phimTim, &QShortcut::activated, this, [this] { tim(); });

    trai_ = new QStackedWidget;
    danhSach_ = new QListWidget;
    danhSach_->setSelectionMode(QAbstractItemView::SingleSelection);
    danhSach_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    danhSach_->setSpacing(2);
    danhSach_->setItemDelegate(new VeDongKetQua(danhSach_));
    danhSach_->setUniformItemSizes(true);
    danhSach_->setMouseTracking(true);
    connect(&GiaoDien::ban(), &GiaoDien::daDoiNen, danhSach_, [this] { danhSach_->viewport()->update(); });
    auto* trongTrai = new NhanMau(QStringLiteral("Không có video nào khớp."), BangMau::mauChuPhu, phongChu(13));
    trongTrai->setAlignment(Qt::AlignCenter);
    trai_->addWidget(danhSach_);
    trai_->addWidget(trongTrai);
    cotTrai->addWidget(trai_, 1);
    connect(danhSach_, &QListWidget::itemSelectionChanged, this, [this] {
        if (dangDienDanhSach_) return;
        const auto chon = danhSach_->selectedItems();
        if (chon.isEmpty()) return;
        chonTheoId(chon.first()->data(Qt::UserRole).toString());
    });
    tach->addWidget(trai);

    // Right column: the selected record.
    phai_ = new QStackedWidget;
    phai_->setMinimumWidth(380);
    auto* trongPhai = new NhanMau(QStringLiteral("Chọn một dòng để xem video."), BangMau::mauChuPhu, phongChu(13));
    trongPhai->setAlignment(Qt::AlignCenter);
    cuon_ = new QScrollArea;
    cuon_->setWidgetResizable(true);
    cuon_->setFrameShape(QFrame::NoFrame);
    cuon_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Never sideways: the buttons and the values wrap to the pane's width, so a value is never out of sight
    // beside its label.
    cuon_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    cuon_->viewport()->setAutoFillBackground(false);
    phai_->addWidget(trongPhai);
    phai_->addWidget(cuon_);
    tach->addWidget(phai_);
    tach->setStretchFactor(0, 2);
    tach->setStretchFactor(1, 3);
    tach->setSizes({500, 750});

    lamMoiDanhSach();
    lamMoiChiTiet();
}

ManHinhTraCuu::~ManHinhTraCuu() = default;

void ManHinhTraCuu::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // A window restored from the taskbar is not the screen being opened again: its results stay.
    if (e->spontaneous()) return;
    tim();
    // A scanner types into whatever holds the keyboard: opening the screen is the start of a search.
    oTim_->setFocus(Qt::OtherFocusReason);
}

void ManHinhTraCuu::datTuKhoa(const QString& tuKhoa) {
    tuKhoa_ = tuKhoa;
    if (oTim_->text() != tuKhoa) oTim_->setText(tuKhoa);
}

bool ManHinhTraCuu::khop(const BanGhiVideo& bg, const QString& tuKhoaChuan, const QString& tuKhoa) {
    if (chua(chuanHoaMa(bg.code), tuKhoaChuan)) return true;
    if (chuaMa(bg.trackingNumber, tuKhoaChuan)) return true;
    if (chuaMa(bg.orderNumber, tuKhoaChuan)) return true;
    if (chuaMa(bg.customerPhone, tuKhoaChuan)) return true;
    // The name is matched on the keyword as typed: spaces around it are part of what the user asked for.
    return bg.customerName && chua(bg.customerName->toLower(), tuKhoa.toLower());
}

void ManHinhTraCuu::sapXepKetQua(QList<BanGhiVideo>& ds) {
    std::stable_sort(ds.begin(), ds.end(),
                     [](const BanGhiVideo& a, const BanGhiVideo& b) { return a.startedAt > b.startedAt; });
}

void ManHinhTraCuu::tim() {
    ketQuaKiemTra_.reset();
    QList<BanGhiVideo> ds;
    const bool loc = !tuKhoa_.isEmpty();
    const QString chuan = loc ? chuanHoaMa(tuKhoa_) : QString();
    for (const BanGhiVideo& bg : kho_.videoTheoId()) {
        if (bg.daXoa()) continue;
        if (loc && !khop(bg, chuan, tuKhoa_)) continue;
        ds.append(bg);
    }
    sapXepKetQua(ds);
    ketQua_ = std::move(ds);
    lamMoiDanhSach();
    lamMoiKetQua();
}

std::optional<QString> ManHinhTraCuu::idDangChon() const {
    if (!dangChon_) return std::nullopt;
    return dangChon_->id;
}

void ManHinhTraCuu::chonTheoId(const std::optional<QString>& id) {
    std::optional<BanGhiVideo> moi;
    if (id) {
        auto it = std::find_if(ketQua_.cbegin(), ketQua_.cend(), [&](const BanGhiVideo& bg) { return bg.id == *id; });
        if (it != ketQua_.cend()) moi = *it;
    }
    const bool giongHet = (moi.has_value() == dangChon_.has_value()) &&
                          (!moi || (moi->id == dangChon_->id && moi->thanhDong() == dangChon_->thanhDong()));
    // A verdict and an export message speak of one record: under another they would vouch for a file they
    // never looked at. A record reloaded with other contents gets no verdict either.
    if (!giongHet) ketQuaKiemTra_.reset();
    if (ketQuaXuat_ && (!moi || moi->id != idKetQuaXuat_)) ketQuaXuat_.reset();
    dangChon_ = std::move(moi);
    if (!giongHet) lamMoiChiTiet();
    // Keep the list's highlight in step when the selection comes from the code rather than a click.
    dangDienDanhSach_ = true;
    for (int i = 0; i < danhSach_->count(); ++i) {
        QListWidgetItem* it = danhSach_->item(i);
        it->setSelected(dangChon_ && it->data(Qt::UserRole).toString() == dangChon_->id);
    }
    dangDienDanhSach_ = false;
}

bool ManHinhTraCuu::coFile() const {
    return dangChon_ && !dangChon_->filePath.isEmpty() && QFileInfo::exists(dangChon_->filePath);
}

void ManHinhTraCuu::kiemTraNguyenVen() {
    if (!dangChon_) return;
    if (!coFile()) {
        ketQuaKiemTra_ = KetQuaKiemTra{false, kKhongConFile};
    } else if (const auto vt = sha256CuaTep(dangChon_->filePath); !vt) {
        ketQuaKiemTra_ = KetQuaKiemTra{false, kKhongDocDuoc};
    } else if (vt->sha256 == dangChon_->sha256) {
        ketQuaKiemTra_ = KetQuaKiemTra{true, kNguyenVen};
    } else {
        ketQuaKiemTra_ = KetQuaKiemTra{false, kKhongKhop};
    }
    lamMoiKetQua();
}

void ManHinhTraCuu::xuatHoSo() {
    if (!dangChon_ || dangXuat_) return;
    dangXuat_ = true;
    ketQuaXuat_.reset();
    lamMoiKetQua();

    const BanGhiVideo bg = *dangChon_;
    std::optional<DonHang> don;
    if (bg.orderId) {
        auto it = kho_.donTheoId().constFind(*bg.orderId);
        if (it != kho_.donTheoId().cend()) don = *it;
    }
    // Both are taken now, so the dossier states the journal and the machine as they were when it was asked for;
    // the journal's check up to this point runs with the export, off this thread.
    const NhatKy::AnhKiemTra nhatKy = kho_.nhatKy().chupDeKiemTra();
    const QString maMay = layMaMay_ ? layMaMay_() : QString();
    QPointer<ManHinhTraCuu> toi = this;
    HoSoBangChung::xuatNen(bg, don, tenShop_, kho_.thuMucGoc(), true, nhatKy, maMay, this,
                           [toi, id = bg.id](std::optional<HoSoBangChung::KetQua> kq, QString loi) {
                               if (!toi) return;
                               // Shown only under the record it was asked for, whatever is selected by now.
                               toi->idKetQuaXuat_ = id;
                               if (kq) {
                                   toi->ketQuaXuat_ = QStringLiteral("Đã xuất ") + QString::number(kq->soKhungHinh) +
                                                      QStringLiteral(" khung hình") +
                                                      (kq->coVideo ? QStringLiteral(" kèm bản sao video") : QString()) +
                                                      QStringLiteral(" vào thư mục HoSo. Hồ sơ nằm ở: ") +
                                                      QDir::toNativeSeparators(kq->thuMuc);
                                   toi->hienThuMuc(kq->thuMuc, kq->thuMuc, id);
                               } else {
                                   toi->ketQuaXuat_ = loi;
                               }
                               toi->dangXuat_ = false;
                               toi->lamMoiKetQua();
                               emit toi->daXuatXong();
                           });
}

void ManHinhTraCuu::moVideo() {
    if (!dangChon_) return;
    loiMoVideo_.reset();
    lamMoiKetQua();
    QPointer<ManHinhTraCuu> toi = this;
    const QString id = dangChon_->id;
    const QString duongDan = dangChon_->filePath;
    moTep_.moTep(duongDan, [toi, id, duongDan](bool moDuoc) {
        // The answer may come after another record was chosen: it belongs to the one it was asked for.
        if (moDuoc || !toi || !toi->dangChon_ || toi->dangChon_->id != id) return;
        toi->loiMoVideo_ = kKhongMoDuocVideo.arg(QDir::toNativeSeparators(duongDan));
        toi->lamMoiKetQua();
    });
}

void ManHinhTraCuu::moThuMuc() {
    if (dangChon_) hienThuMuc(dangChon_->filePath, QFileInfo(dangChon_->filePath).absolutePath(), dangChon_->id);
}

// A desktop with no file manager must not leave the button doing nothing: the screen says so, with the folder
// to go to by hand, under the record it was asked for.
void ManHinhTraCuu::hienThuMuc(const QString& duongDan, const QString& thuMuc, const QString& id) {
    if (dangChon_ && dangChon_->id == id) {
        loiMoVideo_.reset();
        lamMoiKetQua();
    }
    QPointer<ManHinhTraCuu> toi = this;
    moTep_.hienTrongThuMuc(duongDan, [toi, id, thuMuc](bool moDuoc) {
        if (moDuoc || !toi || !toi->dangChon_ || toi->dangChon_->id != id) return;
        toi->loiMoVideo_ = kKhongMoDuocThuMuc.arg(QDir::toNativeSeparators(thuMuc));
        toi->lamMoiKetQua();
    });
}

void ManHinhTraCuu::lamMoiDanhSach() {
    dangDienDanhSach_ = true;
    danhSach_->setUpdatesEnabled(false);
    danhSach_->clear();
    for (const BanGhiVideo& bg : ketQua_) {
        auto* muc = new QListWidgetItem;
        VeDongKetQua::dienMuc(*muc, bg);
        danhSach_->addItem(muc);
        if (dangChon_ && dangChon_->id == bg.id) muc->setSelected(true);
    }
    danhSach_->setUpdatesEnabled(true);
    dangDienDanhSach_ = false;
    trai_->setCurrentIndex(ketQua_.isEmpty() ? 1 : 0);
}

QWidget* ManHinhTraCuu::dongThongTin(const QString& nhan, const QString& giaTri, bool donCach) {
    auto* dong = new QWidget;
    auto* cot = new QVBoxLayout(dong);
    cot->setContentsMargins(0, 0, 0, 0);
    cot->setSpacing(0);
    auto* hang = new QHBoxLayout;
    hang->setContentsMargins(0, 6, 0, 6);
    auto* n = new NhanMau(nhan, BangMau::mauChuPhu, phongChu(12.5));
    auto* g = new NhanMau(giaTri, BangMau::mauChuChinh, phongChu(13.5, QFont::DemiBold, donCach));
    g->setObjectName(QStringLiteral("giaTri"));
    g->setTextInteractionFlags(Qt::TextSelectableByMouse);
    g->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    g->setWordWrap(true);
    hang->addWidget(n, 0, Qt::AlignTop);
    hang->addStretch(1);
    hang->addWidget(g, 1);
    cot->addLayout(hang);
    cot->addWidget(duongKe());
    return dong;
}

QWidget* ManHinhTraCuu::taoChiTiet(const BanGhiVideo& bg) {
    auto* w = new QWidget;
    auto* cot = new QVBoxLayout(w);
    cot->setContentsMargins(20, 20, 20, 20);
    cot->setSpacing(14);

    // A new player per selected record, so a record never inherits another's position.
    if (coFile()) {
        trinhPhat_ = new TrinhPhatVideo(bg.filePath);
        trinhPhat_->setFixedHeight(260);
        cot->addWidget(trinhPhat_);
    } else {
        trinhPhat_ = nullptr;
        auto* mat = new NhanMau(kKhongConFile, BangMau::mauDo, phongChu(13));
        mat->setObjectName(QStringLiteral("khongConFile"));
        cot->addWidget(mat);
    }

    auto* thongTin = new QVBoxLayout;
    thongTin->setSpacing(0);
    const auto hoacGach = [](const std::optional<QString>& s) { return s ? *s : kyHieuTrong; };
    thongTin->addWidget(dongThongTin(QStringLiteral("Mã quét"), bg.code, true));
    thongTin->addWidget(dongThongTin(QStringLiteral("Mã vận đơn"), hoacGach(bg.trackingNumber), true));
    thongTin->addWidget(
        dongThongTin(QStringLiteral("Đơn hàng"), bg.orderNumber ? "#" + *bg.orderNumber : kyHieuTrong, true));
    thongTin->addWidget(dongThongTin(QStringLiteral("Khách"), hoacGach(bg.customerName), false));
    thongTin->addWidget(dongThongTin(QStringLiteral("Thời lượng"), hienThiPhutGiay(bg.durationSec), true));
    if (bg.serials && !bg.serials->isEmpty())
        thongTin->addWidget(dongThongTin(QStringLiteral("Serial đã gửi"), noiCoLapHuong(*bg.serials, ", "), true));
    cot->addLayout(thongTin);

    if (bg.returnInfo) {
        const KhaiBaoHoan& kb = *bg.returnInfo;
        auto* hoan = new QVBoxLayout;
        hoan->setSpacing(0);
        auto* dau =
            new NhanMau(QStringLiteral("KHAI BÁO KHI MỞ KIỆN HOÀN"), BangMau::mauHoPhach, phongGianChu(10.5, 1.2));
        dau->setContentsMargins(0, 6, 0, 4);
        hoan->addWidget(dau);
        hoan->addWidget(dongThongTin(QStringLiteral("Khách trả vì"), tenMucChon(danhSachLyDo(), kb.reason), false));
        hoan->addWidget(dongThongTin(QStringLiteral("Serial nhận về"), hoacGach(kb.serial), true));
        hoan->addWidget(dongThongTin(QStringLiteral("Xử lý"), tenMucChon(danhSachXuLy(), kb.decision), false));
        if (!kb.conditions.isEmpty()) {
            auto* khoi = new QWidget;
            khoi->setObjectName(QStringLiteral("tinhTrang"));
            auto* lk = new QVBoxLayout(khoi);
            lk->setContentsMargins(0, 6, 0, 6);
            lk->setSpacing(4);
            for (const QString& id : kb.conditions) {
                const bool vanDe = tinhTrangCoVanDe().contains(id);
                lk->addWidget(new NhanMau(QStringLiteral("· ") + tenMucChon(danhSachTinhTrang(), id),
                                          vanDe ? BangMau::mauDo : BangMau::mauChuPhu, phongChu(12.5)));
            }
            hoan->addWidget(khoi);
        }
        if (kb.note && !kb.note->isEmpty()) hoan->addWidget(dongThongTin(QStringLiteral("Ghi chú"), *kb.note, false));
        cot->addLayout(hoan);
    }

    auto* vanTay = new QVBoxLayout;
    vanTay->setSpacing(5);
    vanTay->addWidget(new NhanMau(QStringLiteral("DẤU VÂN TAY SHA-256"), BangMau::mauChuPhu, phongGianChu(10.5, 1.2)));
    auto* sha = new ChuVanTay(bg.sha256);
    sha->setObjectName(QStringLiteral("sha256"));
    sha->setFont(phongChu(10.5, QFont::Normal, true));
    const auto toMauVanTay = [sha] {
        QPalette p = sha->palette();
        p.setColor(QPalette::Text, BangMau::mauChuPhu.mau());
        sha->setPalette(p);
    };
    toMauVanTay();
    connect(&GiaoDien::ban(), &GiaoDien::daDoiNen, sha, toMauVanTay);
    vanTay->addWidget(sha);
    cot->addLayout(vanTay);

    auto* hanhDong = new QVBoxLayout;
    hanhDong->setSpacing(10);
    auto* hangNut = new HangNutXuong;
    nutXuat_ = nutThuong(QStringLiteral("Xuất hồ sơ bằng chứng"));
    nutXuat_->setObjectName(QStringLiteral("nutXuat"));
    nutXuat_->setFont(phongChu(13, QFont::DemiBold));
    toMauNoiBat(nutXuat_);
    connect(&GiaoDien::ban(), &GiaoDien::daDoiNen, nutXuat_, [n = nutXuat_.data()] { toMauNoiBat(n); });
    auto* nutKiem = nutThuong(QStringLiteral("Kiểm tra nguyên vẹn"));
    nutMoVideo_ = nutThuong(QStringLiteral("Mở video"));
    auto* nutThuMuc = nutThuong(QStringLiteral("Mở thư mục"));
    for (QPushButton* n :
         {static_cast<QPushButton*>(nutXuat_), nutKiem, static_cast<QPushButton*>(nutMoVideo_), nutThuMuc})
        n->setAutoDefault(false);
    nutMoVideo_->setEnabled(coFile());
    connect(nutXuat_, &QPushButton::clicked, this, [this] { xuatHoSo(); });
    connect(nutKiem, &QPushButton::clicked, this, [this] { kiemTraNguyenVen(); });
    connect(nutMoVideo_, &QPushButton::clicked, this, [this] { moVideo(); });
    connect(nutThuMuc, &QPushButton::clicked, this, [this] { moThuMuc(); });
    hangNut->them(nutXuat_);
    hangNut->them(nutKiem);
    hangNut->them(nutMoVideo_);
    hangNut->them(nutThuMuc);
    dangChay_ = new QProgressBar;
    dangChay_->setRange(0, 0);
    dangChay_->setTextVisible(false);
    dangChay_->setFixedSize(36, 10);
    hangNut->them(dangChay_);
    hanhDong->addWidget(hangNut);

    chuMoVideo_ = new NhanMau({}, BangMau::mauDo, phongChu(12.5));
    chuMoVideo_->setObjectName(QStringLiteral("loiMoVideo"));
    chuMoVideo_->setWordWrap(true);
    // The path is there to be copied into a player or a file manager by hand.
    chuMoVideo_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    hanhDong->addWidget(chuMoVideo_);

    chuXuat_ = new NhanMau({}, BangMau::mauXanhLa, phongChu(12.5));
    chuXuat_->setObjectName(QStringLiteral("ketQuaXuat"));
    chuXuat_->setWordWrap(true);
    chuXuat_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    hanhDong->addWidget(chuXuat_);

    hopKiemTra_ = new KhungBo;
    hopKiemTra_->datBanKinh(8);
    auto* lk = new QVBoxLayout(hopKiemTra_);
    lk->setContentsMargins(10, 10, 10, 10);
    chuKiemTra_ = new NhanMau({}, BangMau::mauXanhLa, phongChu(13));
    chuKiemTra_->setObjectName(QStringLiteral("ketQuaKiemTra"));
    chuKiemTra_->setWordWrap(true);
    lk->addWidget(chuKiemTra_);
    hanhDong->addWidget(hopKiemTra_);
    cot->addLayout(hanhDong);
    cot->addStretch(1);
    return w;
}

void ManHinhTraCuu::lamMoiChiTiet() {
    if (!dangChon_) {
        if (chiTiet_) {
            if (trinhPhat_) trinhPhat_->trinhPhat()->stop();
            cuon_->takeWidget();
            chiTiet_->deleteLater();
            chiTiet_ = nullptr;
        }
        phai_->setCurrentIndex(0);
        return;
    }
    // The old player stops now rather than when the event loop gets round to deleting it.
    if (trinhPhat_) trinhPhat_->trinhPhat()->stop();
    if (QWidget* cu = cuon_->takeWidget()) {
        cu->hide();
        cu->deleteLater();
    }
    loiMoVideo_.reset();
    chiTiet_ = taoChiTiet(*dangChon_);
    cuon_->setWidget(chiTiet_);
    // setWidget turns the fill on; the page colour underneath must show, not the palette's window colour.
    chiTiet_->setAutoFillBackground(false);
    phai_->setCurrentIndex(1);
    lamMoiKetQua();
}

void ManHinhTraCuu::lamMoiKetQua() {
    if (!chiTiet_) return;
    if (nutXuat_) nutXuat_->setEnabled(!dangXuat_);
    if (dangChay_) dangChay_->setVisible(dangXuat_);
    if (chuMoVideo_) {
        chuMoVideo_->setVisible(loiMoVideo_.has_value());
        chuMoVideo_->setText(loiMoVideo_.value_or(QString()));
    }
    if (chuXuat_) {
        const bool cuaDongNay = ketQuaXuat_ && dangChon_ && dangChon_->id == idKetQuaXuat_;
        chuXuat_->setVisible(cuaDongNay);
        if (cuaDongNay) {
            chuXuat_->setText(*ketQuaXuat_);
            chuXuat_->datMau(ketQuaXuat_->startsWith(QStringLiteral("Đã xuất")) ? BangMau::mauXanhLa : BangMau::mauDo);
        }
    }
    if (hopKiemTra_ && chuKiemTra_) {
        hopKiemTra_->setVisible(ketQuaKiemTra_.has_value());
        if (ketQuaKiemTra_) {
            const MauDong& mau = ketQuaKiemTra_->ok ? BangMau::mauXanhLa : BangMau::mauDo;
            chuKiemTra_->setText(ketQuaKiemTra_->chu);
            chuKiemTra_->datMau(mau);
            hopKiemTra_->datNen(mau, 0.14);
        }
    }
}
