#include "admin/BieuMauKhoa.h"

#include <algorithm>

#include "core/CaiDat.h"
#include "core/CongDongBo.h"
#include "nentang/BangNenTang.h"
#include "store/TienIch.h"

BieuMauKhoa::BieuMauKhoa(CaiDat& caiDat, CongDongBo* dongBo, QObject* parent)
    : QObject(parent), caiDat_(caiDat), dongBo_(dongBo), nguon_(caiDat.nguonDon()) {
    // Whoever chose another platform, the fields follow it; choosing the one already shown keeps what is typed.
    connect(&caiDat_, &CaiDat::nguonDonChanged, this, [this] { theoNguon(); });
}

void BieuMauKhoa::theoNguon() {
    if (caiDat_.nguonDon() != nguon_) napLai();
}

void BieuMauKhoa::sua(const QString& khoa, const QString& giaTri) {
    oNhap_.insert(khoa, giaTri);
    daSua_.insert(khoa);
    emit trangThaiDoi();
}

bool BieuMauKhoa::duNhap() const {
    for (const TruongKhaiBao& t : cacTruongKhaiBao(nguon_))
        if (boKhoangTrangDau(oNhap_.value(t.khoa)).isEmpty()) return false;
    return true;
}

bool BieuMauKhoa::duKhoaDaLuu() const {
    for (const TruongKhaiBao& t : cacTruongKhaiBao(nguon_)) {
        const auto it = daLuu_.constFind(t.khoa);
        if (it == daLuu_.cend() || it->trimmed().isEmpty()) return false;
    }
    return true;
}

void BieuMauKhoa::napLai() {
    const QString cu = nguon_;
    nguon_ = caiDat_.nguonDon();
    const QString p = nguon_;
    const quint64 lan = ++lanNap_;
    ketQuaToken_.reset();
    oNhap_.clear();
    daSua_.clear();
    daLuu_.clear();
    khongDocDuoc_.clear();
    khongGhiDuoc_.clear();
    daNap_ = false;
    capNhatLoi();
    QStringList cacDichVu;
    for (const TruongKhaiBao& t : cacTruongKhaiBao(p)) cacDichVu << dichVuKhoaNguon(p, t.khoa);
    if (cu != p) {
        emit cacTruongDoi();
    } else {
        for (const TruongKhaiBao& t : cacTruongKhaiBao(p)) emit giaTriDoi(t.khoa);
    }
    caiDat_.docKhoaNen(cacDichVu, this, [this, p, lan](const CaiDat::KetQuaDocKhoa& daDoc) {
        // A later load (another platform, or the screen shown again) has taken over: this answer is stale.
        if (lan != lanNap_) return;
        using TrangThai = KhoKhoa::KetQuaDoc::TrangThai;
        for (const TruongKhaiBao& t : cacTruongKhaiBao(p)) {
            const KhoKhoa::KetQuaDoc kq = daDoc.value(dichVuKhoaNguon(p, t.khoa));
            if (kq.trangThai == TrangThai::hong) {
                // Not known, so not "nothing stored": the field shows empty but a save leaves the item alone.
                if (!khongDocDuoc_.contains(t.nhan)) khongDocDuoc_ << t.nhan;
            } else {
                daLuu_.insert(t.khoa, kq.giaTriNeuCo().value_or(QString()));
            }
            if (daSua_.contains(t.khoa)) continue;
            oNhap_.insert(t.khoa, kq.giaTriNeuCo().value_or(QString()));
            emit giaTriDoi(t.khoa);
        }
        daNap_ = true;
        capNhatLoi();
        emit trangThaiDoi();
    });
    emit trangThaiDoi();
}

void BieuMauKhoa::luu() {
    luuRoi({});
}

void BieuMauKhoa::luuRoi(std::function<void()> sau) {
    const QString p = nguon_;
    CaiDat::KhoaCanGhi cacMuc;
    for (const TruongKhaiBao& t : cacTruongKhaiBao(p)) {
        if (!daLuu_.contains(t.khoa) && !daSua_.contains(t.khoa)) continue;
        const QString giaTri = oNhap_.value(t.khoa).trimmed();
        cacMuc.append({dichVuKhoaNguon(p, t.khoa), giaTri.isEmpty() ? std::nullopt : std::optional<QString>(giaTri)});
    }
    ++soLanLuuCho_;
    const quint64 lan = lanNap_;
    caiDat_.ghiKhoaNen(cacMuc, this, [this, p, lan, cacMuc, sau = std::move(sau)](const QStringList& hong) {
        --soLanLuuCho_;
        // After a new load the fields are that load's; it was asked after these writes and reads them back.
        if (lan == lanNap_) {
            khongGhiDuoc_.clear();
            for (const TruongKhaiBao& t : cacTruongKhaiBao(p)) {
                const QString dichVu = dichVuKhoaNguon(p, t.khoa);
                const auto muc = std::find_if(cacMuc.cbegin(), cacMuc.cend(),
                                              [&dichVu](const auto& m) { return m.first == dichVu; });
                if (muc == cacMuc.cend()) continue;
                if (hong.contains(dichVu)) {
                    // The previous value stands, and so does what the form knew of it.
                    if (!khongGhiDuoc_.contains(t.nhan)) khongGhiDuoc_ << t.nhan;
                } else {
                    daLuu_.insert(t.khoa, muc->second.value_or(QString()));
                }
            }
            capNhatLoi();
        }
        emit trangThaiDoi();
        if (sau) sau();
    });
    emit trangThaiDoi();
}

void BieuMauKhoa::kiemTra(std::function<void(const QString&)> sauKhiThu) {
    if (dangThu_) return;
    dangThu_ = true;
    const QString p = nguon_;
    luuRoi([this, p, sauKhiThu = std::move(sauKhiThu)] {
        if (!dongBo_ || nguon_ != p) {
            dangThu_ = false;
            emit trangThaiDoi();
            return;
        }
        QPointer<BieuMauKhoa> toi = this;
        CaiDat* caiDat = &caiDat_;
        dongBo_->thuKetNoi([toi, caiDat, p, sauKhiThu](const QString& chu) {
            // The engine tests whatever platform is chosen when it builds its client; a result for one no longer
            // chosen describes fields no longer shown.
            const bool cungNguon = caiDat->nguonDon() == p;
            if (toi) {
                toi->dangThu_ = false;
                if (cungNguon && toi->nguon_ == p) toi->ketQuaToken_ = chu;
                emit toi->trangThaiDoi();
            }
            if (cungNguon && sauKhiThu) sauKhiThu(chu);
        });
    });
    emit trangThaiDoi();
}

void BieuMauKhoa::capNhatLoi() {
    QStringList cau;
    if (!khongDocDuoc_.isEmpty())
        cau << QStringLiteral("Không đọc được ") + khongDocDuoc_.join(QStringLiteral(", ")) +
                   QStringLiteral(
                       " đã lưu: kho khoá của máy không trả lời hoặc đang khoá. Ô đó để trống, nhưng "
                       "khoá đã lưu vẫn giữ nguyên trừ khi gõ giá trị mới.");
    if (!khongGhiDuoc_.isEmpty())
        cau << QStringLiteral("Không lưu được ") + khongGhiDuoc_.join(QStringLiteral(", ")) +
                   QStringLiteral(" vào kho khoá của máy: khoá cũ vẫn còn nguyên. Mở khoá kho khoá rồi lưu lại.");
    loiKhoa_ = cau.isEmpty() ? std::nullopt : std::optional<QString>(cau.join(QLatin1Char(' ')));
}
