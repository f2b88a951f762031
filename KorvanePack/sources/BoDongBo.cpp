#include "sources/BoDongBo.h"

#include <QCryptographicHash>
#include <QMap>
#include <QTimeZone>

#include "core/CaiDat.h"
#include "sources/KenhHTTPCurl.h"
#include "sources/LoiKetNoi.h"
#include "sources/MoTaLoi.h"
#include "nentang/BangNenTang.h"
#include "store/DinhDangISO.h"
#include "store/DinhDangNgay.h"
#include "store/DocGio.h"
#include "store/HangDoiTuanTu.h"
#include "store/KhoDuLieu.h"
#include "store/TienIch.h"

// What a run hands back from the worker thread.
struct BoDongBo::KetQuaLuot {
    QString nguon;
    QDateTime mocTruocKhiLay;
    QDateTime tuLuc;
    QDateTime denLuc;  // invalid for a window open to now
    std::function<void()> xong;

    bool daHuy = false;
    bool loiLay = false;
    QString moTaLoi;
    QString chiTietLoi;
    std::optional<std::chrono::system_clock::time_point> chanDen;

    QList<DonHang> cacDon;
    LoDon::AnhKho anh;  // what the store held as the fetch began
    LoDon lo;           // the orders written, to index
    std::optional<QString> loiGhi;
    std::optional<QString> tho;
    bool catBot = false;
    bool tangDan = false;
    QDateTime moiNhat;  // the newest update received, worked out on the worker
    GioNenTang gio;     // what the fetch's replies said of the platform's clock
};

BoDongBo::BoDongBo(KhoDuLieu& kho, CaiDat& caiDat, QObject* parent) : BoDongBo(kho, caiDat, CauHinh{}, parent) {}

BoDongBo::BoDongBo(KhoDuLieu& kho, CaiDat& caiDat, CauHinh cauHinh, QObject* parent)
    : CongDongBo(parent), kho_(kho), caiDat_(caiDat), ch_(std::move(cauHinh)) {
    if (!ch_.henGio) ch_.henGio = &HenGio::heThong();
    if (!ch_.kenh) ch_.kenh = std::make_shared<KenhHTTPCurl>();
    kenhGhi_ = std::make_shared<KenhGhiGio>(ch_.kenh, *ch_.dongHo);
    mt_.kenh = kenhGhi_.get();
    mt_.ngu = &ngu_;
    mt_.dongHo = ch_.dongHo;
    mt_.mayChu = ch_.mayChu;
    mt_.thoiGianCho = ch_.thoiGianCho;
    hangDongBo_ = std::make_unique<HangDoiTuanTu>("korvane.pack.dongbo");
    hangThuKetNoi_ = std::make_unique<HangDoiTuanTu>("korvane.pack.thuketnoi");

    caiDat_.chuyenTokenCuNen();
    const QString moc = caiDat_.ud().value(khoaMoc).toString();
    if (!moc.isEmpty()) {
        if (const auto t = docThoiGianISO(moc)) lanCuoi_ = *t;
    }
    nguonMoc_ = caiDat_.ud().value(khoaNguonMoc).toString();
    const QString nguonChan = caiDat_.ud().value(khoaNguonBiChan).toString();
    if (const auto den = docThoiGianISO(caiDat_.ud().value(khoaChanDen).toString()); den && !nguonChan.isEmpty()) {
        nguonBiChan_ = nguonChan;
        chanDen_ = std::chrono::system_clock::time_point(std::chrono::milliseconds(den->toMSecsSinceEpoch()));
    }
}

BoDongBo::~BoDongBo() {
    if (henTiep_) ch_.henGio->huy(henTiep_);
    // Cancelled first: a request in flight or a back-off wait ends at once, then the workers are joined
    // while this object is still whole, so a late result is dropped with the object's queued events.
    ngu_.huy();
    hangDongBo_.reset();
    hangThuKetNoi_.reset();
}

QString BoDongBo::an(const QString& text) const {
    return anKhoa_.an(text);
}

void BoDongBo::layClient(const QString& nguon, std::function<void(std::shared_ptr<NguonDon>)> xong) {
    QStringList cacDichVu;
    for (const TruongKhaiBao& truong : cacTruongKhaiBao(nguon)) cacDichVu << dichVuKhoaNguon(nguon, truong.khoa);
    caiDat_.docKeychainNen(cacDichVu, this, [this, nguon, xong = std::move(xong)](const CaiDat::KhoaDaDoc& daDoc) {
        xong(taoClient(nguon, daDoc));
    });
}

std::shared_ptr<NguonDon> BoDongBo::taoClient(const QString& nguon,
                                              const QHash<QString, std::optional<QString>>& daDoc) {
    QByteArray vanTay = nguon.toUtf8();
    QStringList cacKhoa;
    for (const TruongKhaiBao& truong : cacTruongKhaiBao(nguon)) {
        const std::optional<QString> giaTri = daDoc.value(dichVuKhoaNguon(nguon, truong.khoa), std::nullopt);
        vanTay += '|' + giaTri.value_or(QString()).toUtf8();
        const QString sach = giaTri.value_or(QString()).trimmed();
        // Secrets are masked wherever they appear; so is any credential long enough to be a key.
        if (truong.biMat || sach.size() >= 8) cacKhoa << sach;
    }
    // Only a digest of the credentials is kept to notice a change.
    vanTay = QCryptographicHash::hash(vanTay, QCryptographicHash::Sha256);
    if (client_ && vanTay == vanTayKhoa_) return client_;

    const DocKhoa doc = [daDoc](const QString& dichVu) -> std::optional<QString> {
        const auto it = daDoc.constFind(dichVu);
        if (it == daDoc.cend()) return std::nullopt;
        return *it;
    };
    std::unique_ptr<NguonDon> moi = ch_.taoNguon(nguon, doc, mt_);
    if (!moi) {
        client_.reset();
        vanTayKhoa_.clear();
        return nullptr;
    }
    client_ = std::move(moi);
    vanTayKhoa_ = vanTay;
    anKhoa_ = BoAnKhoa(cacKhoa);
    datMauTho(QString());
    return client_;
}

QDateTime BoDongBo::mocBatDau(bool lay30Ngay) const {
    return mocBatDau(lay30Ngay, caiDat_.nguonDon());
}

QDateTime BoDongBo::mocBatDau(bool lay30Ngay, const QString& nguon) const {
    const QDateTime bayGio = thoiDiemQt(ch_.dongHo->gioThuc()).toUTC();
    // The old platform's cursor says nothing about the new one's orders: a switch starts like a first run.
    if (lay30Ngay || !lanCuoi_.isValid() || mocCuaNguonKhac(nguon)) return bayGio.addSecs(-kGiay30Ngay);
    return lanCuoi_.addSecs(-kGiayChongLap);
}

QDateTime BoDongBo::mocMoiNhat(const QList<DonHang>& cacDon) {
    QDateTime moiNhat;
    for (const DonHang& d : cacDon) {
        if (d.updatedAt.isEmpty()) continue;
        // Order times are the platform's own text; some platforms write them without a zone.
        const auto t = DocGio::docGioDon(d.updatedAt);
        if (t && (!moiNhat.isValid() || *t > moiNhat)) moiNhat = t->toUTC();
    }
    return moiNhat;
}

void BoDongBo::dongBo(bool lay30Ngay, std::function<void()> xong) {
    if (dangChay_ || dangDocKhoa_) {
        if (xong) xong();
        return;
    }
    dangDocKhoa_ = true;
    const QString nguon = caiDat_.nguonDon();
    layClient(nguon, [this, nguon, lay30Ngay, xong = std::move(xong)](std::shared_ptr<NguonDon> client) mutable {
        dangDocKhoa_ = false;
        batDauLuot(nguon, client, lay30Ngay, std::move(xong));
    });
}

void BoDongBo::batDauLuot(const QString& nguon, const std::shared_ptr<NguonDon>& client, bool lay30Ngay,
                          std::function<void()> xong) {
    if (!client) {
        datTrangThai(QStringLiteral("Chưa điền đủ khoá kết nối ") + tenNguon(nguon) + QLatin1Char('.'));
        if (xong) xong();
        return;
    }
    if (const std::optional<QString> lyDo = lyDoChan(nguon)) {
        // Said once, not at every pass of the loop while the lock lasts.
        if (nhatKy_.isEmpty() || !nhatKy_.last().endsWith(*lyDo)) ghiNhatKy(*lyDo);
        if (xong) xong();
        return;
    }
    datDangChay(true);
    datLoi(QString());
    datTrangThai(QStringLiteral("Đang lấy đơn từ ") + tenNguon(nguon) + QStringLiteral("…"));

    auto kq = std::make_shared<KetQuaLuot>();
    kq->nguon = nguon;
    kq->xong = std::move(xong);
    // The new cursor is the moment before the first request: an order changed while a long fetch was
    // paging is then fetched again next time instead of being skipped.
    kq->mocTruocKhiLay = thoiDiemQt(ch_.dongHo->gioThuc()).toUTC();
    if (mocCuaNguonKhac(nguon) && !lay30Ngay) {
        ghiNhatKy(QStringLiteral("Đã đổi sang ") + tenNguon(nguon) + QStringLiteral(": lấy đơn 30 ngày gần nhất."));
    }
    kq->tuLuc = mocBatDau(lay30Ngay, nguon);
    // Narrowed parts belong to the platform of the last run, whose cursor they split.
    if (nguonMoc_ != nguon) khoangHep_ = 0;
    if (khoangHep_ > 0 && kq->tuLuc.addSecs(khoangHep_) < kq->mocTruocKhiLay) {
        kq->denLuc = kq->tuLuc.addSecs(khoangHep_);
    }
    const QString tuLuc = dinhDangISO().dinhDang(kq->tuLuc);
    const QString denLuc = kq->denLuc.isValid() ? dinhDangISO().dinhDang(kq->denLuc) : QString();
    // The folder lock is the store's, held on the GUI thread; without it nothing may be written.
    const std::optional<QString> loiKhoa = kho_.moKho();

    kq->anh = kho_.chupDon();

    const NhanTienDo tienDo = [this](const QString& dong) {
        QMetaObject::invokeMethod(
            this, [this, dong] { ghiNhatKy(an(dong)); }, Qt::QueuedConnection);
    };
    hangDongBo_->guiBatDongBo([this, kq, client, tuLuc, denLuc, loiKhoa, tienDo] {
        try {
            const KenhGhiGio::Ghi ghi(kq->gio);
            kq->cacDon = client->layDon(tuLuc, denLuc, tienDo);
        } catch (const LoiDaHuy&) {
            kq->daHuy = true;
        } catch (const std::exception& e) {
            kq->loiLay = true;
            kq->moTaLoi = moTaLoiNguonDon(e, tenNguon(kq->nguon));
            kq->chiTietLoi = chiTietLoi(e);
            kq->chanDen = chanDenCuaLoi(e);
        } catch (...) {
            // A worker thread must never die of an exception: it would take the application with it.
            kq->loiLay = true;
            kq->moTaLoi = QStringLiteral("Lỗi không rõ khi lấy đơn từ ") + tenNguon(kq->nguon) + QLatin1Char('.');
        }
        if (!kq->daHuy && !kq->loiLay) {
            if (loiKhoa) {
                kq->loiGhi = *loiKhoa;
            } else {
                try {
                    kq->lo = kho_.ghiDonDaDoi(std::move(kq->anh), kq->cacDon);
                } catch (const std::exception& e) {
                    kq->loiGhi = moTaLoi(e);
                }
            }
            kq->tho = client->thoGanNhat();
            kq->catBot = client->daCatBot();
            kq->tangDan = client->daTangDanCapNhat();
            kq->moiNhat = mocMoiNhat(kq->cacDon);
        }
        kq->anh = {};
        if (kq->daHuy) return;
        QMetaObject::invokeMethod(
            this, [this, kq] { ketThucLuot(kq); }, Qt::QueuedConnection);
    });
}

void BoDongBo::ketThucLuot(const std::shared_ptr<KetQuaLuot>& kq) {
    const auto ketThuc = [&] {
        boLoTrenLuong(kq);
        datDangChay(false);
        if (kq->xong) kq->xong();
    };
    baoLechGio(*kq);
    if (kq->loiLay) {
        datChan(kq->nguon, kq->chanDen);
        const QString text = an(kq->moTaLoi);
        datLoi(text);
        datTrangThai(QStringLiteral("Đồng bộ lỗi."));
        ghiNhatKy(text);
        if (!kq->chiTietLoi.isEmpty()) ghiNhatKy(an(kq->chiTietLoi));
        kho_.nhatKy().ghi(QStringLiteral("sync_error"), {{QStringLiteral("msg"), text}});
        ketThuc();
        return;
    }

    datMauTho(kq->tho.value_or(QString()));
    if (kq->loiGhi) {
        // The batch is written whole or not at all, so nothing of this fetch is in the file.
        const QString text = QStringLiteral("Không ghi được đơn xuống ổ cứng: ") + *kq->loiGhi +
                             QStringLiteral(". Mốc đồng bộ giữ nguyên.");
        datLoi(text);
        datTrangThai(QStringLiteral("Kho dữ liệu không ghi được."));
        ghiNhatKy(text);
        kho_.nhatKy().ghi(QStringLiteral("sync_write_error"),
                          {{QStringLiteral("msg"), *kq->loiGhi}, {QStringLiteral("daLuu"), QStringLiteral("0")}});
        ketThuc();
        return;
    }

    lapChiMuc(kq);
}

// A fetch can bring thousands of orders; they are indexed a slice per turn of the event loop so a scan at
// the desk is never kept waiting behind them. The run stays in progress until the last slice is in.
void BoDongBo::lapChiMuc(const std::shared_ptr<KetQuaLuot>& kq) {
    if (!kho_.chiMucLo(kq->lo, kNganChiMuc, kLoChiMuc)) {
        QMetaObject::invokeMethod(
            this, [this, kq] { lapChiMuc(kq); }, Qt::QueuedConnection);
        return;
    }
    hoanTatLuot(kq);
}

// Freeing a big batch takes a while too; the worker that made it frees it.
void BoDongBo::boLoTrenLuong(const std::shared_ptr<KetQuaLuot>& kq) {
    auto rac = std::make_shared<std::pair<QList<DonHang>, LoDon>>(std::move(kq->cacDon), std::move(kq->lo));
    hangDongBo_->guiBatDongBo([rac = std::move(rac)] {});
}

void BoDongBo::hoanTatLuot(const std::shared_ptr<KetQuaLuot>& kq) {
    const qint64 n = kq->cacDon.size();
    if (soDonLanCuoi_ != n) {
        soDonLanCuoi_ = n;
        emit soDonLanCuoiChanged();
    }
    const QDateTime mocMoi = mocMoiSauLuot(*kq);
    datLanCuoi(mocMoi);
    nguonMoc_ = kq->nguon;
    caiDat_.ud().setValue(khoaMoc, dinhDangISO().dinhDang(mocMoi));
    caiDat_.ud().setValue(khoaNguonMoc, nguonMoc_);
    caiDat_.ud().sync();
    datTrangThai(n > 0 ? QStringLiteral("Đã cập nhật %1 đơn.").arg(n) : QStringLiteral("Không có đơn nào mới."));
    kho_.nhatKy().ghi(QStringLiteral("sync"),
                      {{QStringLiteral("orders"), QString::number(n)},
                       {QStringLiteral("catBot"), kq->catBot ? QStringLiteral("1") : QStringLiteral("0")}});
    if (n > 0) ghiNhatKy(QStringLiteral("Cập nhật %1 đơn.").arg(n));
    boLoTrenLuong(kq);
    datDangChay(false);
    if (kq->xong) kq->xong();
}

// The cursor never passes an order the platform has not handed over yet. A whole window moves it to the
// window's end; a capped fetch in order of last update to the newest update it brought; a capped fetch in
// any other order proves nothing past its start, so the cursor stays and the window is asked for in
// halves until a part comes whole, then in growing parts again.
QDateTime BoDongBo::mocMoiSauLuot(const KetQuaLuot& kq) {
    const QDateTime nenTang = mocNenTang(kq);
    const QDateTime den = kq.denLuc.isValid() ? std::min(kq.denLuc, nenTang) : nenTang;
    if (!kq.catBot) {
        khoangHep_ = kq.denLuc.isValid() ? std::min(khoangHep_ * 2, kGiay30Ngay) : 0;
        return den;
    }
    if (kq.tangDan && kq.moiNhat.isValid()) {
        QDateTime moc = std::min(kq.moiNhat, den);
        // A fetch's worth of changes inside the overlap would bring the same pages again and again: the next
        // run starts at the newest update received instead, and past it once even that second is full.
        if (moc.addSecs(-kGiayChongLap) <= kq.tuLuc) {
            moc = moc.addSecs(kGiayChongLap);
            if (moc.addSecs(-kGiayChongLap) <= kq.tuLuc) {
                moc = moc.addSecs(1);
                ghiNhatKy(QStringLiteral("Quá nhiều đơn đổi cùng lúc ") +
                          hienThiNgay(dinhDangISO().dinhDang(kq.moiNhat)) +
                          QStringLiteral(" — có thể sót đơn của đúng lúc đó."));
            }
        }
        ghiNhatKy(QStringLiteral("Chưa lấy hết — mốc dừng ở ") + hienThiNgay(dinhDangISO().dinhDang(moc)) +
                  QStringLiteral(", lượt sau lấy tiếp."));
        return moc;
    }
    const qint64 dai = kq.tuLuc.secsTo(den);
    if (dai > kKhoangHepToiThieu) {
        khoangHep_ = std::max(dai / 2, kKhoangHepToiThieu);
        const QDateTime giu = kq.tuLuc.addSecs(kGiayChongLap);
        ghiNhatKy(QStringLiteral("Chưa lấy hết — mốc giữ ở ") + hienThiNgay(dinhDangISO().dinhDang(giu)) +
                  QStringLiteral(", lượt sau lấy tiếp từng khoảng ngắn hơn."));
        return giu;
    }
    // More changes within a few minutes than one fetch brings, in an order the platform will not sort:
    // holding the cursor would stop the sync for good, so it moves on and says so.
    ghiNhatKy(QStringLiteral("Quá nhiều đơn đổi trong vài phút đến ") + hienThiNgay(dinhDangISO().dinhDang(den)) +
              QStringLiteral(" mà nền tảng không xếp theo giờ cập nhật — có thể sót đơn của lúc đó."));
    return den;
}

// The cursor is a time on the platform's clock, which stamps the changes, whatever the desk's says: a desk
// clock running ahead would otherwise move it past changes the platform has not stamped yet.
QDateTime BoDongBo::mocNenTang(const KetQuaLuot& kq) {
    // A source that sent nothing through the transport (none of the platform clients does so) tells nothing.
    if (kq.gio.soPhanHoi == 0) return kq.mocTruocKhiLay;
    QDateTime moc;
    if (kq.gio.lech) {
        moc = kq.mocTruocKhiLay.addMSecs(kq.gio.lech->count());
    } else {
        // Replies without a Date: the newest change handed over is a time the platform has reached, and so
        // is where this window began; the desk's clock only ever lowers that.
        moc = kq.tuLuc.addSecs(kGiayChongLap);
        if (kq.moiNhat.isValid() && kq.moiNhat > moc) moc = kq.moiNhat;
        moc = std::min(moc, kq.mocTruocKhiLay);
    }
    // The clients that close an open window do so an hour past the desk's now; the cursor stays inside it.
    return std::min(moc, kq.mocTruocKhiLay.addSecs(kGiayQuaHienTai));
}

void BoDongBo::baoLechGio(const KetQuaLuot& kq) {
    if (!kq.gio.lech) return;
    const qint64 giay = kq.gio.lech->count() / 1000;  // the platform's clock less the desk's
    if (std::abs(giay) <= kGiayLechBao) return;
    const qint64 phut = (std::abs(giay) + 30) / 60;
    ghiNhatKy(QStringLiteral("Đồng hồ máy này ") + (giay < 0 ? QStringLiteral("nhanh") : QStringLiteral("chậm")) +
              QStringLiteral(" hơn giờ của ") + tenNguon(kq.nguon) + QStringLiteral(" khoảng %1 phút — giờ in "
                                                                                   "trên video cũng lệch theo. Hãy "
                                                                                   "chỉnh lại giờ của máy.")
                                                                        .arg(phut));
}

void BoDongBo::thuKetNoi(std::function<void(const QString&)> xong) {
    const QString nguon = caiDat_.nguonDon();
    layClient(nguon, [this, nguon, xong = std::move(xong)](std::shared_ptr<NguonDon> client) mutable {
        if (!client) {
            if (xong) xong(QStringLiteral("Chưa điền đủ khoá kết nối ") + tenNguon(nguon) + QLatin1Char('.'));
            return;
        }
        if (const std::optional<QString> lyDo = lyDoChan(nguon)) {
            if (xong) xong(*lyDo);
            return;
        }
        thuKetNoiVoi(nguon, client, std::move(xong));
    });
}

void BoDongBo::thuKetNoiVoi(const QString& nguon, const std::shared_ptr<NguonDon>& client,
                            std::function<void(const QString&)> xong) {
    hangThuKetNoi_->guiBatDongBo([this, client, nguon, xong = std::move(xong)] {
        QString text;
        std::optional<std::chrono::system_clock::time_point> chanDen;
        try {
            text = client->thuKetNoi();
        } catch (const LoiDaHuy&) {
            return;
        } catch (const std::exception& e) {
            text = moTaLoiNguonDon(e, tenNguon(nguon));
            chanDen = chanDenCuaLoi(e);
        } catch (...) {
            text = QStringLiteral("Lỗi không rõ khi kiểm tra kết nối ") + tenNguon(nguon) + QLatin1Char('.');
        }
        QMetaObject::invokeMethod(
            this,
            [this, nguon, text, chanDen, xong] {
                datChan(nguon, chanDen);
                if (xong) xong(an(text));
            },
            Qt::QueuedConnection);
    });
}

void BoDongBo::batDau() {
    if (vongLap_) return;
    vongLap_ = true;
    chayVong();
}

void BoDongBo::chayVong() {
    henTiep_ = 0;
    dongBo(false, [this] { henTiep_ = ch_.henGio->hen(ch_.khoangLap, [this] { chayVong(); }); });
}

std::optional<QString> BoDongBo::lyDoChan(const QString& nguon) const {
    if (nguon != nguonBiChan_ || ch_.dongHo->gioThuc() >= chanDen_) return std::nullopt;
    return moTaDangChan(tenNguon(nguon), chanDen_);
}

void BoDongBo::datChan(const QString& nguon, const std::optional<std::chrono::system_clock::time_point>& den) {
    // A connection test and a run may both meet the lock; the later end holds.
    if (!den || (nguon == nguonBiChan_ && *den < chanDen_)) return;
    nguonBiChan_ = nguon;
    chanDen_ = *den;
    const auto giay = std::chrono::ceil<std::chrono::seconds>(chanDen_.time_since_epoch()).count();
    caiDat_.ud().setValue(khoaNguonBiChan, nguon);
    caiDat_.ud().setValue(khoaChanDen, dinhDangISO().dinhDang(QDateTime::fromSecsSinceEpoch(giay, QTimeZone::utc())));
    caiDat_.ud().sync();
}

void BoDongBo::ghiNhatKy(const QString& text) {
    nhatKy_.append(dinhDangNgayGio().dinhDang(ch_.dongHo->gioThuc()) + QStringLiteral(" · ") + text);
    while (nhatKy_.size() > kSoDongNhatKy) nhatKy_.removeFirst();
    emit nhatKyChanged();
}

void BoDongBo::datDangChay(bool v) {
    if (dangChay_ == v) return;
    dangChay_ = v;
    emit dangChayChanged();
}

void BoDongBo::datTrangThai(const QString& v) {
    if (trangThai_ == v) return;
    trangThai_ = v;
    emit trangThaiChanged();
}

void BoDongBo::datLoi(const QString& v) {
    if (loi_ == v && loi_.isNull() == v.isNull()) return;
    loi_ = v;
    emit loiChanged();
}

void BoDongBo::datMauTho(const QString& v) {
    if (mauTho_ == v && mauTho_.isNull() == v.isNull()) return;
    mauTho_ = v;
    emit mauThoChanged();
}

void BoDongBo::datLanCuoi(const QDateTime& v) {
    if (lanCuoi_ == v) return;
    lanCuoi_ = v;
    emit lanCuoiChanged();
}
