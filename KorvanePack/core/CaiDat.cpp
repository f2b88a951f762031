#include "core/CaiDat.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cmath>

#include "core/KhoKhoa.h"
#include "core/KhoKhoaHeThong.h"
#include "nentang/BangNenTang.h"
#include "store/HangDoiTuanTu.h"
#include "store/TienIch.h"

namespace {

QString khoa(const QString& ten) {
    return QStringLiteral("korvane.") + ten;
}

const QString kTenShop = QStringLiteral("tenShop");
const QString kThuMucGoc = QStringLiteral("thuMucGoc");
const QString kCameraId = QStringLiteral("cameraId");
const QString kDoPhanGiai = QStringLiteral("doPhanGiai");
const QString kBitrateKbps = QStringLiteral("bitrateKbps");
const QString kGiayToiDa = QStringLiteral("giayToiDa");
const QString kGiayToiThieu = QStringLiteral("giayToiThieu");
const QString kGhiSerial = QStringLiteral("ghiSerial");
const QString kBatTieng = QStringLiteral("batTieng");
const QString kAmLuong = QStringLiteral("amLuong");
const QString kSoNgayGiu = QStringLiteral("soNgayGiu");
const QString kDaCaiDatLanDau = QStringLiteral("daCaiDatLanDau");
const QString kThuMucSaoLuu = QStringLiteral("thuMucSaoLuu");
const QString kMaPinBam = QStringLiteral("maPinBam");
const QString kNguonDon = QStringLiteral("nguonDon");
const QString kGiaoDien = QStringLiteral("giaoDien");

bool laChuoi(const QVariant& v) {
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

// The INI store hands back text for everything it read from disk, and the value itself for what was set in
// this process. Text is parsed strictly: QVariant would call "yes" true and "12abc" twelve.
std::optional<qint64> thanhSoNguyen(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            return v.toLongLong();
        case QMetaType::Double: {
            const double d = v.toDouble();
            if (std::isfinite(d) && d == std::trunc(d) && std::abs(d) < 9e15) return static_cast<qint64>(d);
            return std::nullopt;
        }
        default:
            break;
    }
    if (!laChuoi(v)) return std::nullopt;
    static const QRegularExpression mau(QStringLiteral("^[+-]?[0-9]+$"));
    const QString s = v.toString();
    if (!mau.match(s).hasMatch()) return std::nullopt;
    bool ok = false;
    const qint64 n = s.toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

std::optional<double> thanhSoThuc(const QVariant& v) {
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        const double d = v.toDouble();
        return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
    }
    if (const auto n = thanhSoNguyen(v)) return static_cast<double>(*n);
    if (!laChuoi(v)) return std::nullopt;
    static const QRegularExpression mau(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    const QString s = v.toString();
    if (!mau.match(s).hasMatch()) return std::nullopt;
    bool ok = false;
    const double d = QLocale::c().toDouble(s, &ok);
    return ok && std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
}

std::optional<bool> thanhCo(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    if (!laChuoi(v)) return std::nullopt;
    const QString s = v.toString();
    if (s == QLatin1String("true")) return true;
    if (s == QLatin1String("false")) return false;
    return std::nullopt;
}

std::optional<QString> thanhChuoi(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return std::nullopt;
    // A hand-edited line with an unquoted comma comes back as a list; that is not a text we wrote.
    if (v.typeId() == QMetaType::QStringList || v.typeId() == QMetaType::QVariantList) return std::nullopt;
    if (!v.canConvert<QString>()) return std::nullopt;
    return v.toString();
}

double kepAmLuong(double v) {
    return std::clamp(v, 0.0, 1.0);
}

int kepSoNgay(int v) {
    return std::clamp(v, CaiDat::kSoNgayGiuToiThieu, CaiDat::kSoNgayGiuToiDa);
}

// The PIN salt, assembled at run time so it does not sit in the binary as one readable text. It must never
// change: a digest made under another prefix never verifies, and the owner would be locked out.
QString tienToPin() {
    static constexpr unsigned char kMa[] = {0x11, 0x35, 0x28, 0x2c, 0x3b, 0x34, 0x3f, 0x79, 0x0a, 0x33, 0x34, 0x7b};
    QString s;
    for (unsigned char c : kMa) s += QChar(static_cast<char16_t>(c ^ 0x5a));
    return s;
}

}  // namespace

CaiDat::CaiDat(QObject* parent) : CaiDat(duongDanTepMacDinh(), std::make_shared<KhoKhoaHeThong>(), parent) {}

CaiDat::CaiDat(const QString& tepCaiDat, std::shared_ptr<KhoKhoa> khoKhoa, QObject* parent)
    : QObject(parent),
      ud_(tepCaiDat, QSettings::IniFormat),
      khoKhoa_(khoKhoa ? std::move(khoKhoa) : std::make_shared<KhoKhoaHeThong>()) {
    napTatCa();
}

CaiDat::~CaiDat() {
    hangKhoa_.reset();
}

QString CaiDat::duongDanTepMacDinh() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/KorvaneZize/korvane.ini");
}

QString CaiDat::docGiaoDienDaLuu(const QString& tepCaiDat) {
    const QSettings ud(tepCaiDat, QSettings::IniFormat);
    return thanhChuoi(ud.value(khoa(kGiaoDien))).value_or(QStringLiteral("toi"));
}

void CaiDat::napTatCa() {
    tenShop_ = docChuoi(kTenShop, QStringLiteral("Shop"));
    thuMucGoc_ = docChuoi(kThuMucGoc, QDir(QDir::homePath()).filePath(QStringLiteral("Korvane Zize")));
    cameraId_ = docChuoi(kCameraId, QString());
    doPhanGiai_ = docChuoi(kDoPhanGiai, QStringLiteral("1280x720"));
    // A damaged file must not leave the desk recording nothing usable: no bit rate, a longest recording of zero
    // seconds (the watchdog would stop every recording at once) or a negative shortest one are not settings.
    bitrateKbps_ = docSo(kBitrateKbps, 1500);
    if (bitrateKbps_ <= 0) bitrateKbps_ = 1500;
    giayToiDa_ = docSo(kGiayToiDa, 300);
    if (giayToiDa_ <= 0) giayToiDa_ = 300;
    giayToiThieu_ = docSo(kGiayToiThieu, 3);
    if (giayToiThieu_ < 0) giayToiThieu_ = 3;
    ghiSerial_ = docCo(kGhiSerial, true);
    batTieng_ = docCo(kBatTieng, true);
    amLuong_ = docThuc(kAmLuong, 0.7);
    // Outside its range the retention is not trusted at all: zero or less would make the start-up cleanup
    // delete every video.
    soNgayGiu_ = docSo(kSoNgayGiu, 60);
    if (soNgayGiu_ < kSoNgayGiuToiThieu || soNgayGiu_ > kSoNgayGiuToiDa) soNgayGiu_ = 60;
    daCaiDatLanDau_ = docCo(kDaCaiDatLanDau, false);
    thuMucSaoLuu_ = docChuoi(kThuMucSaoLuu, QString());
    maPinBam_ = docChuoi(kMaPinBam, QString());
    nguonDon_ = docChuoi(kNguonDon, QStringLiteral("haravan"));
    giaoDien_ = docChuoi(kGiaoDien, QStringLiteral("toi"));
}

QString CaiDat::docChuoi(const QString& ten, const QString& macDinh) const {
    return thanhChuoi(ud_.value(khoa(ten))).value_or(macDinh);
}

int CaiDat::docSo(const QString& ten, int macDinh) const {
    const auto n = thanhSoNguyen(ud_.value(khoa(ten)));
    if (!n || *n < std::numeric_limits<int>::min() || *n > std::numeric_limits<int>::max()) return macDinh;
    return static_cast<int>(*n);
}

bool CaiDat::docCo(const QString& ten, bool macDinh) const {
    return thanhCo(ud_.value(khoa(ten))).value_or(macDinh);
}

double CaiDat::docThuc(const QString& ten, double macDinh) const {
    // A fraction: a damaged value above 1 would play the cues louder than chosen.
    return kepAmLuong(thanhSoThuc(ud_.value(khoa(ten))).value_or(macDinh));
}

void CaiDat::luu(const QString& ten, const QVariant& giaTri, void (CaiDat::*tinHieu)()) {
    ud_.setValue(khoa(ten), giaTri);
    // Written through at once: the next start, or a crash right after, must find what the owner chose.
    ud_.sync();
    emit(this->*tinHieu)();
    emit thayDoi();
}

void CaiDat::setTenShop(const QString& v) {
    tenShop_ = v;
    luu(kTenShop, v, &CaiDat::tenShopChanged);
}
void CaiDat::setThuMucGoc(const QString& v) {
    thuMucGoc_ = v;
    luu(kThuMucGoc, v, &CaiDat::thuMucGocChanged);
}
void CaiDat::setCameraId(const QString& v) {
    cameraId_ = v;
    luu(kCameraId, v, &CaiDat::cameraIdChanged);
}
void CaiDat::setDoPhanGiai(const QString& v) {
    doPhanGiai_ = v;
    luu(kDoPhanGiai, v, &CaiDat::doPhanGiaiChanged);
}
void CaiDat::setBitrateKbps(int v) {
    bitrateKbps_ = v;
    luu(kBitrateKbps, v, &CaiDat::bitrateKbpsChanged);
}
void CaiDat::setGiayToiDa(int v) {
    giayToiDa_ = v;
    luu(kGiayToiDa, v, &CaiDat::giayToiDaChanged);
}
void CaiDat::setGiayToiThieu(int v) {
    giayToiThieu_ = v;
    luu(kGiayToiThieu, v, &CaiDat::giayToiThieuChanged);
}
void CaiDat::setGhiSerial(bool v) {
    ghiSerial_ = v;
    luu(kGhiSerial, v, &CaiDat::ghiSerialChanged);
}
void CaiDat::setBatTieng(bool v) {
    batTieng_ = v;
    luu(kBatTieng, v, &CaiDat::batTiengChanged);
}
void CaiDat::setAmLuong(double v) {
    amLuong_ = std::isfinite(v) ? kepAmLuong(v) : 0.7;
    luu(kAmLuong, amLuong_, &CaiDat::amLuongChanged);
}
void CaiDat::setSoNgayGiu(int v) {
    soNgayGiu_ = kepSoNgay(v);
    luu(kSoNgayGiu, soNgayGiu_, &CaiDat::soNgayGiuChanged);
}
void CaiDat::setDaCaiDatLanDau(bool v) {
    daCaiDatLanDau_ = v;
    luu(kDaCaiDatLanDau, v, &CaiDat::daCaiDatLanDauChanged);
}
void CaiDat::setThuMucSaoLuu(const QString& v) {
    thuMucSaoLuu_ = v;
    luu(kThuMucSaoLuu, v, &CaiDat::thuMucSaoLuuChanged);
}
void CaiDat::setMaPinBam(const QString& v) {
    maPinBam_ = v;
    luu(kMaPinBam, v, &CaiDat::maPinBamChanged);
}
void CaiDat::setNguonDon(const QString& v) {
    nguonDon_ = v;
    luu(kNguonDon, v, &CaiDat::nguonDonChanged);
}
void CaiDat::setGiaoDien(const QString& v) {
    giaoDien_ = v;
    luu(kGiaoDien, v, &CaiDat::giaoDienChanged);
}

std::optional<QString> CaiDat::docKeychain(const QString& khoa) {
    // An unreadable keyring is remembered as empty too, so a screen asking on every repaint does not wait on
    // it again and again; the next explicit read (the sync engine reads before every run) asks afresh.
    std::optional<QString> giaTri = khoKhoa_->doc(khoa);
    boNhoKhoa_.insert(khoa, giaTri);
    return giaTri;
}

HangDoiTuanTu& CaiDat::hangKhoa() {
    if (!hangKhoa_) hangKhoa_ = std::make_unique<HangDoiTuanTu>("korvane.pack.dockhoa");
    return *hangKhoa_;
}

void CaiDat::chuyenTokenCuNen() {
    const QString moi = dichVuKhoaNguon(QStringLiteral("haravan"), QStringLiteral("token"));
    hangKhoa().guiBatDongBo([this, kho = khoKhoa_, moi] {
        if (kho->doc(moi)) return;
        const std::optional<QString> cu = kho->doc(khoaTokenCu);
        if (!cu || cu->isEmpty()) return;
        const bool thanhCong = kho->ghi(moi, *cu);
        QMetaObject::invokeMethod(
            this,
            [this, moi, cu, thanhCong] {
                ++lanGhiKhoa_[moi];
                if (thanhCong) {
                    boNhoKhoa_.insert(moi, cu);
                } else {
                    boNhoKhoa_.remove(moi);
                }
                emit thayDoi();
            },
            Qt::QueuedConnection);
    });
}

void CaiDat::docKeychainNen(const QStringList& cacKhoa, QObject* nguCanh, std::function<void(const KhoaDaDoc&)> xong) {
    docKhoaNen(cacKhoa, nguCanh, [xong = std::move(xong)](const KetQuaDocKhoa& daDoc) {
        KhoaDaDoc giaTri;
        for (auto it = daDoc.cbegin(); it != daDoc.cend(); ++it) giaTri.insert(it.key(), it->giaTriNeuCo());
        if (xong) xong(giaTri);
    });
}

void CaiDat::docKhoaNen(const QStringList& cacKhoa, QObject* nguCanh, std::function<void(const KetQuaDocKhoa&)> xong) {
    QHash<QString, quint64> lanGhiTruoc;
    for (const QString& k : cacKhoa) lanGhiTruoc.insert(k, lanGhiKhoa_.value(k));
    hangKhoa().guiBatDongBo(
        [this, kho = khoKhoa_, cacKhoa, lanGhiTruoc, nguCanh = QPointer<QObject>(nguCanh), xong = std::move(xong)] {
            KetQuaDocKhoa daDoc;
            for (const QString& k : cacKhoa) daDoc.insert(k, kho->docKetQua(k));
            QMetaObject::invokeMethod(
                this,
                [this, daDoc, lanGhiTruoc, nguCanh, xong] {
                    for (auto it = daDoc.cbegin(); it != daDoc.cend(); ++it) {
                        if (lanGhiKhoa_.value(it.key()) == lanGhiTruoc.value(it.key()))
                            boNhoKhoa_.insert(it.key(), it->giaTriNeuCo());
                    }
                    if (nguCanh && xong) xong(daDoc);
                },
                Qt::QueuedConnection);
        });
}

void CaiDat::ghiKhoaNen(const KhoaCanGhi& cacMuc, QObject* nguCanh, std::function<void(const QStringList&)> xong) {
    // Counted now: a read already queued answers with what was there before these writes, and must not put
    // that into the cache over them.
    for (const auto& muc : cacMuc) ++lanGhiKhoa_[muc.first];
    hangKhoa().guiBatDongBo(
        [this, kho = khoKhoa_, cacMuc, nguCanh = QPointer<QObject>(nguCanh), xong = std::move(xong)] {
            QList<bool> thanhCong;
            for (const auto& [khoa, giaTri] : cacMuc) {
                const bool coGiaTri = giaTri && !giaTri->isEmpty();
                thanhCong << (coGiaTri ? kho->ghi(khoa, *giaTri) : kho->xoa(khoa));
            }
            QMetaObject::invokeMethod(
                this,
                [this, cacMuc, thanhCong, nguCanh, xong] {
                    QStringList hong;
                    for (qsizetype i = 0; i < cacMuc.size(); ++i) {
                        const auto& [khoa, giaTri] = cacMuc[i];
                        if (thanhCong[i]) {
                            boNhoKhoa_.insert(khoa, giaTri && !giaTri->isEmpty() ? giaTri : std::nullopt);
                        } else {
                            hong << khoa;
                        }
                    }
                    emit thayDoi();
                    if (nguCanh && xong) xong(hong);
                },
                Qt::QueuedConnection);
        });
}

void CaiDat::ghiKeychain(const QString& khoa, const std::optional<QString>& giaTri) {
    ++lanGhiKhoa_[khoa];
    // Overwritten in place rather than deleted and added again: a failed add must not lose the credential
    // that was there. Only an empty value deletes.
    const bool coGiaTri = giaTri && !giaTri->isEmpty();
    const bool thanhCong = coGiaTri ? khoKhoa_->ghi(khoa, *giaTri) : khoKhoa_->xoa(khoa);
    if (thanhCong) {
        boNhoKhoa_.insert(khoa, coGiaTri ? giaTri : std::nullopt);
    } else {
        boNhoKhoa_.remove(khoa);
    }
}

void CaiDat::ganKhoa(const QString& nguon, const QString& truong, const QString& giaTri) {
    ghiKeychain(dichVuKhoaNguon(nguon, truong), giaTri);
    emit thayDoi();
}

void CaiDat::chuyenTokenCu() {
    if (docKeychain(dichVuKhoaNguon(QStringLiteral("haravan"), QStringLiteral("token")))) return;
    const std::optional<QString> cu = docKeychain(khoaTokenCu);
    if (cu && !cu->isEmpty()) ganKhoa(QStringLiteral("haravan"), QStringLiteral("token"), *cu);
}

bool CaiDat::daDienDuKhoa(const QString& nguon) {
    for (const TruongKhaiBao& truong : cacTruongKhaiBao(nguon)) {
        const QString dichVu = dichVuKhoaNguon(nguon, truong.khoa);
        const auto it = boNhoKhoa_.constFind(dichVu);
        const std::optional<QString> giaTri = it != boNhoKhoa_.cend() ? *it : docKeychain(dichVu);
        if (giaTri.value_or(QString()).trimmed().isEmpty()) return false;
    }
    return true;
}

QString CaiDat::bamPin(const QString& pin) {
    return chuoiHex(QCryptographicHash::hash((tienToPin() + pin).toUtf8(), QCryptographicHash::Sha256));
}

void CaiDat::datPin(const QString& pinMoi) {
    const QString pin = pinMoi.trimmed();
    setMaPinBam(pin.isEmpty() ? QString() : bamPin(pin));
}

bool CaiDat::kiemTraPin(const QString& nhap) const {
    if (maPinBam_.isEmpty()) return true;
    return bamPin(nhap.trimmed()) == maPinBam_;
}
