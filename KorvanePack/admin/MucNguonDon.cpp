#include "admin/MucNguonDon.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "admin/PhanTuThe.h"
#include "core/CaiDat.h"
#include "core/CongDongBo.h"
#include "shell/BangMau.h"
#include "shell/DongLuaChon.h"
#include "shell/KhungBo.h"
#include "shell/NhanMau.h"
#include "shell/PhongChu.h"
#include "nentang/BangNenTang.h"

MucNguonDon::MucNguonDon(CongDongBo* dongBo, CaiDat& caiDat, QWidget* parent)
    : TheMuc(QStringLiteral("Nguồn đơn hàng"), parent), dongBo_(dongBo), caiDat_(caiDat), bieuMau_(caiDat, dongBo) {
    chonNguon_ = new QComboBox(this);
    chonNguon_->setObjectName(QStringLiteral("chonNguon"));
    for (const MucNguon& m : bangNenTang()) dongLuaChon(chonNguon_, m);
    chonTheoId(chonNguon_, caiDat_.nguonDon());
    auto* hangNguon = hangCoNhan(QStringLiteral("Lấy đơn từ"), chonNguon_, this);
    hangNguon->setMaximumWidth(340);
    cot()->addWidget(hangNguon);
    // The form follows the setting, whoever changed it.
    connect(chonNguon_, &QComboBox::activated, this, [this](int) {
        const QString id = idDangChon(chonNguon_);
        if (!id.isEmpty()) caiDat_.setNguonDon(id);
    });

    canhBaoChuaKiem_ = new NhanMau(
        QStringLiteral("Bộ nối này viết theo tài liệu của nhà cung cấp nhưng CHƯA chạy với tài khoản thật. Nối xong "
                       "bấm \"Xem dữ liệu thô\" bên dưới để kiểm tra app có đọc đúng mã vận đơn không."),
        BangMau::mauHoPhach, phongChu(12), this);
    canhBaoChuaKiem_->setObjectName(QStringLiteral("canhBaoChuaKiemChung"));
    canhBaoChuaKiem_->setWordWrap(true);
    cot()->addWidget(canhBaoChuaKiem_);

    auto* khungTruong = new QWidget(this);
    cotTruong_ = new QVBoxLayout(khungTruong);
    cotTruong_->setContentsMargins(0, 0, 0, 0);
    cotTruong_->setSpacing(10);
    cot()->addWidget(khungTruong);

    loiKhoa_ = new NhanMau({}, BangMau::mauDo, phongChu(12), this);
    loiKhoa_->setObjectName(QStringLiteral("loiKhoa"));
    loiKhoa_->setWordWrap(true);
    loiKhoa_->hide();
    cot()->addWidget(loiKhoa_);

    huongDan_ = ghiChu({}, this);
    huongDan_->setObjectName(QStringLiteral("huongDanKetNoi"));
    cot()->addWidget(huongDan_);

    auto* hang = new QHBoxLayout;
    hang->setSpacing(10);
    auto* nutLuu = new QPushButton(QStringLiteral("Lưu khoá"), this);
    nutLuu->setObjectName(QStringLiteral("nutLuuKhoa"));
    nutKiemTra_ = new QPushButton(QStringLiteral("Kiểm tra kết nối"), this);
    nutKiemTra_->setObjectName(QStringLiteral("nutKiemTraKetNoi"));
    quayThu_ = vongQuay(this);
    nutXemTho_ = new QPushButton(QStringLiteral("Xem dữ liệu thô"), this);
    nutXemTho_->setObjectName(QStringLiteral("nutXemDuLieuTho"));
    hang->addWidget(nutLuu);
    hang->addWidget(nutKiemTra_);
    hang->addWidget(quayThu_);
    hang->addStretch(1);
    hang->addWidget(nutXemTho_);
    cot()->addLayout(hang);
    connect(nutLuu, &QPushButton::clicked, this, [this] { luuKhoa(); });
    connect(nutKiemTra_, &QPushButton::clicked, this, [this] { kiemTraKetNoi(); });
    connect(nutXemTho_, &QPushButton::clicked, this, [this] { moXemTho(); });

    chuKetQuaToken_ = new NhanMau({}, BangMau::mauDo, phongChu(12.5), this);
    chuKetQuaToken_->setObjectName(QStringLiteral("ketQuaKetNoi"));
    chuKetQuaToken_->setWordWrap(true);
    chuKetQuaToken_->hide();
    cot()->addWidget(chuKetQuaToken_);

    // The picker and the help follow the setting wherever it is changed.
    connect(&caiDat_, &CaiDat::thayDoi, this, [this] { capNhat(); });
    connect(&bieuMau_, &BieuMauKhoa::cacTruongDoi, this, [this] {
        dungDongTruong();
        capNhat();
    });
    connect(&bieuMau_, &BieuMauKhoa::giaTriDoi, this, [this](const QString& khoa) {
        if (QLineEdit* o = oTruong_.value(khoa)) o->setText(bieuMau_.giaTri(khoa));
    });
    connect(&bieuMau_, &BieuMauKhoa::trangThaiDoi, this, [this] { capNhat(); });
    if (dongBo_) connect(dongBo_, &CongDongBo::mauThoChanged, this, [this] { capNhat(); });
    dungDongTruong();
    capNhat();
}

void MucNguonDon::dungDongTruong() {
    // The rows never send the signal that rebuilds them, so they can go at once.
    while (QLayoutItem* muc = cotTruong_->takeAt(0)) {
        delete muc->widget();
        delete muc;
    }
    oTruong_.clear();
    QWidget* cha = cotTruong_->parentWidget();
    for (const TruongKhaiBao& t : cacTruongKhaiBao(bieuMau_.nguon())) {
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
        o->setText(bieuMau_.giaTri(t.khoa));
        const QString khoa = t.khoa;
        connect(o, &QLineEdit::textEdited, this, [this, khoa](const QString& chu) { bieuMau_.sua(khoa, chu); });
        hang->addWidget(o, 1, Qt::AlignVCenter);
        oTruong_.insert(t.khoa, o);
        cotTruong_->addWidget(dong);
    }
}

void MucNguonDon::napONhap() {
    bieuMau_.napLai();
}

void MucNguonDon::luuKhoa() {
    bieuMau_.luu();
}

void MucNguonDon::kiemTraKetNoi() {
    bieuMau_.kiemTra();
}

void MucNguonDon::moXemTho() {
    if (!sheet_) {
        sheet_ = new QDialog(this);
        sheet_->setObjectName(QStringLiteral("bangDuLieuTho"));
        sheet_->setWindowTitle(QStringLiteral("Dữ liệu thô của một đơn"));
        sheet_->setWindowModality(Qt::WindowModal);
        sheet_->setFixedSize(760, 560);
        auto* nenSheet = KhungBo::phuNenTrang(sheet_);
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

void MucNguonDon::capNhatBangTho() {
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

void MucNguonDon::chepToanBo() {
    if (!dongBo_ || dongBo_->mauTho().isNull()) return;
    QClipboard* bang = QGuiApplication::clipboard();
    bang->clear();
    bang->setText(dongBo_->mauTho());
}

void MucNguonDon::capNhat() {
    const QString nguon = caiDat_.nguonDon();
    if (idDangChon(chonNguon_) != nguon) chonTheoId(chonNguon_, nguon);
    canhBaoChuaKiem_->setVisible(!nguonDaKiemChung(nguon));
    huongDan_->setText(huongDanKetNoi(nguon));
    // Answered from what the form read and wrote: a repaint never waits on the keyring.
    nutKiemTra_->setEnabled(!bieuMau_.dangThu() && bieuMau_.nguon() == nguon && bieuMau_.daNap() &&
                            bieuMau_.duKhoaDaLuu());
    loiKhoa_->setVisible(bieuMau_.loiKhoa().has_value());
    loiKhoa_->setText(bieuMau_.loiKhoa().value_or(QString()));
    quayThu_->setVisible(bieuMau_.dangThu());
    const bool coMauTho = dongBo_ && !dongBo_->mauTho().isNull();
    nutXemTho_->setEnabled(coMauTho);
    const std::optional<QString>& ketQua = bieuMau_.ketQuaToken();
    chuKetQuaToken_->setVisible(ketQua.has_value());
    if (ketQua) {
        chuKetQuaToken_->setText(*ketQua);
        chuKetQuaToken_->datMau(bieuMau_.ketNoiDuoc() ? BangMau::mauXanhLa : BangMau::mauDo);
    }
    capNhatBangTho();
}
