#include "admin/MucSaoLuu.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "admin/NhanRutGon.h"
#include "admin/PhanTuThe.h"
#include "shell/BangMau.h"
#include "core/CaiDat.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"
#include "evidence/SaoLuu.h"
#include "store/KhoDuLieu.h"

MucSaoLuu::MucSaoLuu(const KhoDuLieu& kho, CongSaoLuu* saoLuu, CaiDat& caiDat, ChonThuMuc hopChon, QWidget* parent)
    : TheMuc(QStringLiteral("Sao lưu"), parent),
      kho_(kho),
      saoLuu_(saoLuu),
      caiDat_(caiDat),
      chonThuMuc_(std::move(hopChon)) {
    cot()->addWidget(ghiChu(QStringLiteral("Chép thêm mỗi video sang một thư mục thứ hai ngay sau khi quay xong. "
                                           "Trỏ vào ổ ngoài, hoặc vào thư mục Google Drive / Dropbox trên máy là "
                                           "nó tự đẩy lên mây."),
                            this, 12.5));
    auto* hang = new QHBoxLayout;
    chuThuMucSaoLuu_ = new NhanRutGon({}, BangMau::mauChuChinh, phongChu(12, QFont::Normal, true), this);
    chuThuMucSaoLuu_->setObjectName(QStringLiteral("chuThuMucSaoLuu"));
    auto* chon = new QPushButton(QStringLiteral("Chọn…"), this);
    chon->setObjectName(QStringLiteral("nutChonThuMucSaoLuu"));
    nutTatSaoLuu_ = new QPushButton(QStringLiteral("Tắt"), this);
    nutTatSaoLuu_->setObjectName(QStringLiteral("nutTatSaoLuu"));
    hang->addWidget(chuThuMucSaoLuu_, 1);
    hang->addWidget(chon);
    hang->addWidget(nutTatSaoLuu_);
    cot()->addLayout(hang);
    chuLoiSaoLuu_ = new NhanMau({}, BangMau::mauDo, phongChu(12), this);
    chuLoiSaoLuu_->setObjectName(QStringLiteral("loiSaoLuu"));
    chuLoiSaoLuu_->setWordWrap(true);
    cot()->addWidget(chuLoiSaoLuu_);
    connect(chon, &QPushButton::clicked, this, [this] { chonThuMuc(); });
    connect(nutTatSaoLuu_, &QPushButton::clicked, this, [this] { tatSaoLuu(); });

    auto* hangBu = new QHBoxLayout;
    hangBu->setSpacing(10);
    nutSaoLuuBu_ = new QPushButton(QStringLiteral("Sao lưu bù toàn bộ"), this);
    nutSaoLuuBu_->setObjectName(QStringLiteral("nutSaoLuuBu"));
    quaySaoLuu_ = vongQuay(this);
    chuTrangThaiSaoLuu_ = new NhanMau({}, BangMau::mauChuPhu, phongChu(12), this);
    chuTrangThaiSaoLuu_->setObjectName(QStringLiteral("trangThaiSaoLuu"));
    chuTrangThaiSaoLuu_->setWordWrap(true);
    hangBu->addWidget(nutSaoLuuBu_, 0, Qt::AlignVCenter);
    hangBu->addWidget(quaySaoLuu_, 0, Qt::AlignVCenter);
    hangBu->addWidget(chuTrangThaiSaoLuu_, 1, Qt::AlignVCenter);
    cot()->addLayout(hangBu);
    connect(nutSaoLuuBu_, &QPushButton::clicked, this, [this] { saoLuuBu(); });

    connect(&caiDat_, &CaiDat::thuMucSaoLuuChanged, this, [this] { capNhat(); });
    if (saoLuu_) {
        connect(saoLuu_, &CongSaoLuu::dangChayChanged, this, [this] { capNhat(); });
        connect(saoLuu_, &CongSaoLuu::trangThaiChanged, this, [this] { capNhat(); });
        // A drive unplugged or plugged back in shows first in how a copy went: the card must not keep saying the
        // opposite of the run's outcome beside it.
        connect(saoLuu_, &CongSaoLuu::xongMotLanChep, this, [this] { xemLaiThuMuc(); });
    }
    capNhat();
}

void MucSaoLuu::khiHienRa() {
    kiemTraThuMucSaoLuu();
    capNhat();
}

void MucSaoLuu::chonThuMuc() {
    const std::optional<QString> duong = chonThuMuc_(this, caiDat_.thuMucSaoLuu());
    if (!duong || duong->isEmpty()) return;
    chonThuMucSaoLuu(*duong);
}

void MucSaoLuu::khiChonThuMucGoc(const QString& thuMucGoc) {
    const QString saoLuu = caiDat_.thuMucSaoLuu();
    const SaoLuu::ViTri viTri = saoLuu.isEmpty() ? SaoLuu::ViTri::rieng : SaoLuu::soVoiThuMucGoc(thuMucGoc, saoLuu);
    loiSaoLuu_ = viTri == SaoLuu::ViTri::rieng ? std::nullopt : std::optional<QString>(SaoLuu::lyDo(viTri));
    loiTuThuMuc_ = false;
    capNhat();
}

void MucSaoLuu::chonThuMucSaoLuu(const QString& duong) {
    // Both the folder the store runs on and the one it opens on after a restart.
    SaoLuu::ViTri viTri = SaoLuu::soVoiThuMucGoc(kho_.thuMucGoc(), duong);
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
    loiTuThuMuc_ = false;
    capNhat();
}

// A folder set before this screen could refuse it, or a drive unplugged since, is named on the card each time
// the screen is shown; a refusal from the chooser made meanwhile is left as it is.
void MucSaoLuu::kiemTraThuMucSaoLuu() {
    loiSaoLuu_.reset();
    loiTuThuMuc_ = false;
    xemLaiThuMuc();
}

void MucSaoLuu::xemLaiThuMuc() {
    if (!saoLuu_ || caiDat_.thuMucSaoLuu().isEmpty() || (loiSaoLuu_ && !loiTuThuMuc_)) return;
    saoLuu_->kiemTraThuMuc([the = QPointer<MucSaoLuu>(this), sao = caiDat_.thuMucSaoLuu()](SaoLuu::TinhTrang tt) {
        if (!the || the->caiDat_.thuMucSaoLuu() != sao || (the->loiSaoLuu_ && !the->loiTuThuMuc_)) return;
        if (tt.viTri != SaoLuu::ViTri::rieng)
            the->loiSaoLuu_ = SaoLuu::lyDo(tt.viTri);
        else if (!tt.sanSang)
            the->loiSaoLuu_ = kKhongThayOSaoLuu;
        else
            the->loiSaoLuu_.reset();
        the->loiTuThuMuc_ = the->loiSaoLuu_.has_value();
        the->capNhat();
    });
}

void MucSaoLuu::tatSaoLuu() {
    // Copies already made stay where they are.
    loiSaoLuu_.reset();
    loiTuThuMuc_ = false;
    caiDat_.setThuMucSaoLuu(QString());
    capNhat();
}

void MucSaoLuu::saoLuuBu() {
    if (!saoLuu_ || saoLuu_->dangChay() || caiDat_.thuMucSaoLuu().isEmpty()) return;
    saoLuu_->saoLuuBuToanBo();
}

void MucSaoLuu::capNhat() {
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
}
