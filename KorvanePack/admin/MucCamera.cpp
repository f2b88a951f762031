#include "admin/MucCamera.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "admin/PhanTuThe.h"
#include "core/CaiDat.h"
#include "core/CameraEngine.h"
#include "core/CongCameraManHinh.h"
#include "shell/DongLuaChon.h"
#include "shell/NhanMau.h"
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

}  // namespace

MucCamera::MucCamera(CongCameraManHinh* camera, CaiDat& caiDat, QWidget* parent)
    : TheMuc(QStringLiteral("Camera và chất lượng"), parent), camera_(camera), caiDat_(caiDat) {
    chonWebcam_ = new QComboBox(this);
    chonWebcam_->setObjectName(QStringLiteral("chonWebcam"));
    chonWebcam_->setMinimumWidth(260);
    cot()->addWidget(hangCoNhan(QStringLiteral("Webcam"), chonWebcam_, this));
    // Only the id is stored; the camera reopens when the owner applies.
    connect(chonWebcam_, &QComboBox::activated, this, [this](int) { caiDat_.setCameraId(idDangChon(chonWebcam_)); });

    chonDoPhanGiai_ = new QComboBox(this);
    chonDoPhanGiai_->setObjectName(QStringLiteral("chonDoPhanGiai"));
    for (const MucChon& m : cacDoPhanGiai()) dongLuaChon(chonDoPhanGiai_, m);
    cot()->addWidget(hangCoNhan(QStringLiteral("Độ phân giải"), chonDoPhanGiai_, this));
    connect(chonDoPhanGiai_, &QComboBox::activated, this,
            [this](int) { caiDat_.setDoPhanGiai(idDangChon(chonDoPhanGiai_)); });

    oBitrate_ = new QSpinBox(this);
    oBitrate_->setObjectName(QStringLiteral("oBitrate"));
    oBitrate_->setRange(400, 6000);
    oBitrate_->setSingleStep(100);
    oBitrate_->setPrefix(QStringLiteral("Chất lượng: "));
    oBitrate_->setSuffix(QStringLiteral(" kbps"));
    oBitrate_->setMinimumWidth(240);
    cot()->addWidget(oBitrate_, 0, Qt::AlignLeft);
    connect(oBitrate_, &QSpinBox::valueChanged, this, [this](int v) { caiDat_.setBitrateKbps(v); });

    chuUocTinh_ = ghiChu({}, this);
    chuUocTinh_->setObjectName(QStringLiteral("uocTinhDungLuong"));
    cot()->addWidget(chuUocTinh_);

    nutApDungCamera_ = new QPushButton(QStringLiteral("Áp dụng và mở lại camera"), this);
    nutApDungCamera_->setObjectName(QStringLiteral("nutApDungCamera"));
    cot()->addWidget(nutApDungCamera_, 0, Qt::AlignLeft);
    connect(nutApDungCamera_, &QPushButton::clicked, this, [this] { apDungCamera(); });

    connect(&caiDat_, &CaiDat::cameraIdChanged, this, [this] { capNhat(); });
    connect(&caiDat_, &CaiDat::doPhanGiaiChanged, this, [this] { capNhat(); });
    connect(&caiDat_, &CaiDat::bitrateKbpsChanged, this, [this] { capNhat(); });
    if (camera_) {
        connect(camera_, &CongCameraManHinh::danhSachThietBiDoi, this, [this] { napDanhSachCamera(); });
        connect(camera_, &CongCameraManHinh::doPhanGiaiDoi, this, [this] { capNhat(); });
        connect(camera_, &CongCameraManHinh::dangGhiDoi, this, [this] { capNhat(); });
    }
    napDanhSachCamera();
    capNhat();
}

QString MucCamera::uocTinhDungLuong(const QString& doPhanGiai, int bitrateKbps) {
    if (doPhanGiai.isEmpty()) return QStringLiteral("Bật camera lên rồi mới ước tính được dung lượng.");
    const int k = CongCameraManHinh::bitrateTheoDoPhanGiai(bitrateKbps, doPhanGiai);
    const double m = double(k) * 60.0 * 0.125 / 1024.0;
    return QStringLiteral("Webcam đang chạy %1 · thực dùng %2 kbps ≈ %3 MB mỗi phút quay.")
        .arg(doPhanGiai)
        .arg(k)
        .arg(QString::asprintf("%.0f", m));
}

void MucCamera::khiHienRa() {
    if (camera_) camera_->lamMoiThietBi();
    capNhat();
}

void MucCamera::napDanhSachCamera() {
    const QSignalBlocker chan(chonWebcam_);
    chonWebcam_->clear();
    chonWebcam_->addItem(QStringLiteral("Webcam mặc định"), QString());
    if (camera_) {
        for (const ThietBiCamera& tb : camera_->danhSachThietBi()) chonWebcam_->addItem(tb.ten, tb.id);
    }
    themMucDaLuu(chonWebcam_, caiDat_.cameraId());
    chonTheoId(chonWebcam_, caiDat_.cameraId());
}

void MucCamera::themMucDaLuu(QComboBox* chonWebcam_, const QString& id) {
    // A stored camera that is unplugged (or was never listed) would leave the picker blank, as if none was chosen.
    // It gets an entry of its own that says so; the stored id is kept, so plugging it back in brings it back.
    if (id.isEmpty() || hangCuaId(chonWebcam_, id) >= 0) return;
    // A test pattern is never listed but opens all the same: it is named as the camera names it.
    const QString doThi = QString::fromLatin1(CameraEngine::kTienToDoThi);
    const QString ten = id.startsWith(doThi) ? QStringLiteral("Nguồn thử: ") + id.mid(doThi.size()) : kKhongThayWebcam;
    chonWebcam_->addItem(ten, id);
    chonWebcam_->setItemData(chonWebcam_->count() - 1, id, Qt::ToolTipRole);
}

void MucCamera::apDungCamera() {
    if (!camera_ || camera_->dangGhi()) return;
    const QString id = caiDat_.cameraId();
    camera_->moCamera(id.isEmpty() ? std::nullopt : std::optional<QString>(id), caiDat_.doPhanGiai());
}

void MucCamera::capNhat() {
    // Listed afresh, so an entry kept for an earlier stored id does not linger.
    if (idDangChon(chonWebcam_) != caiDat_.cameraId()) napDanhSachCamera();
    if (idDangChon(chonDoPhanGiai_) != caiDat_.doPhanGiai()) chonTheoId(chonDoPhanGiai_, caiDat_.doPhanGiai());
    {
        const QSignalBlocker chan(oBitrate_);
        oBitrate_->setValue(caiDat_.bitrateKbps());
    }
    chuUocTinh_->setText(uocTinhDungLuong(camera_ ? camera_->doPhanGiai() : QString(), caiDat_.bitrateKbps()));
    nutApDungCamera_->setEnabled(camera_ && !camera_->dangGhi());
}
