#include "store/LoDon.h"

#include <QSet>
#include <algorithm>

#include "store/DinhDangISO.h"
#include "store/DinhDangNgay.h"
#include "store/DocJson.h"
#include "store/LoiTep.h"

QByteArray LoDon::maHoa(const DonHang& d) {
    try {
        return d.thanhDong();
    } catch (const std::exception& e) {
        throw LoiTep(QStringLiteral("Không mã hoá được đơn hàng ") + d.id + QStringLiteral(": ") +
                     QString::fromUtf8(e.what()));
    }
}

namespace {

// Whether the record of this order would be left out, by the rule the constructor is described with; o is the
// stored line daLuu, parsed.
bool giongDaLuu(const simdjson::dom::object& o, const QByteArray& daLuu, const QByteArray& moi, const DonHang& don,
                const QString& thang) {
    // Without the time of the sync that wrote it, nothing says which month file the line lies in.
    const std::optional<QString> luc = DocJson::chuTuyChon(o, "syncedAt");
    if (!luc) return false;
    const std::optional<QDateTime> t = docThoiGianISO(*luc);
    if (!t || dinhDangNgay().dinhDang(*t).left(7) != thang) return false;
    if (don.syncedAt == luc) return daLuu == moi;
    DonHang cungLuc = don;
    cungLuc.syncedAt = luc;
    return daLuu == LoDon::maHoa(cungLuc);
}

}  // namespace

LoDon::LoDon(AnhKho anh, const QList<DonHang>& cacDon, const QString& thang) : phienBan_(anh.phienBan) {
    // The id's latest line in this batch, which stands in front of the stored one.
    QHash<QString, size_t> trongLo;
    // Sized once: a big batch regrown step by step would move hundreds of megabytes around.
    trongLo.reserve(cacDon.size());
    muc_.reserve(size_t(cacDon.size()));
    BangManh<QByteArray>::DemManh soIdMoi{};
    BangManh<QString>::DemManh soMaMoi{};
    // The unchanged orders that carry codes, for the check after the loop.
    std::vector<std::pair<const DonHang*, QByteArray>> khongDoi;
    const auto themMuc = [&](const DonHang& d, const QByteArray& moi, const std::optional<simdjson::dom::object>& cu) {
        Muc m;
        m.id = d.id;
        m.maDau = ma_.size();
        const QStringList ma = d.tatCaMa();
        for (const QString& c : ma) {
            if (!anh.ma.contains(c)) ++soMaMoi[BangManh<QString>::manhCua(c)];
        }
        ma_.append(ma);
        m.maCuoi = ma_.size();
        m.boDau = boMa_.size();
        if (cu) {
            // The codes of the line this one replaces that it no longer carries.
            const QSet<QString> giu(ma.cbegin(), ma.cend());
            for (const QString& c : DonHang::maTuJson(*cu).tatCaMa())
                if (!giu.contains(c)) boMa_.append(c);
        }
        m.boCuoi = boMa_.size();
        m.dongDau = dong_.size();
        m.dongDai = moi.size();
        dong_.append(moi);
        dong_.append('\n');
        trongLo.insert(m.id, muc_.size());
        muc_.push_back(std::move(m));
    };
    for (const DonHang& d : cacDon) {
        const QByteArray moi = maHoa(d);
        if (d.id.isEmpty()) {
            // Written as received, though no index can hold it.
            dong_.append(moi);
            dong_.append('\n');
            continue;
        }
        const auto trong = trongLo.constFind(d.id);
        const QByteArray* daLuu = nullptr;
        QByteArray truocTrongLo;
        if (trong != trongLo.cend()) {
            const Muc& m = muc_[*trong];
            truocTrongLo = QByteArray::fromRawData(dong_.constData() + m.dongDau, m.dongDai);
            daLuu = &truocTrongLo;
        } else {
            const auto it = anh.dong.constFind(d.id);
            if (it != anh.dong.cend())
                daLuu = &*it;
            else
                ++soIdMoi[BangManh<QByteArray>::manhCua(d.id)];
        }
        // The stored line, parsed once for both questions asked of it; nothing parses JSON in between.
        std::optional<simdjson::dom::object> cu;
        if (daLuu) cu = DocJson::docDoiTuong(std::string_view(daLuu->constData(), size_t(daLuu->size())));
        if (cu && giongDaLuu(*cu, *daLuu, moi, d, thang)) {
            if (!d.tatCaMa().isEmpty()) khongDoi.emplace_back(&d, moi);
            continue;
        }
        // Appending may move dong_, which the raw view of an earlier line points into: it is done with.
        truocTrongLo = QByteArray();
        themMuc(d, moi, cu);
    }
    // An unchanged order is still indexed, and written again, when a code it carries would otherwise point
    // to no order: the order the code pointed to dropped it in this batch, or the index has no entry for it.
    // The last order indexed wins a shared code, and a fresh start, which reads the lines in order, must come
    // to the same answer.
    QSet<QString> boDi;
    for (const Muc& m : muc_) {
        for (qsizetype k = m.boDau; k < m.boCuoi; ++k) {
            const auto it = anh.ma.constFind(boMa_[k]);
            if (it != anh.ma.cend() && *it == m.id) boDi.insert(boMa_[k]);
        }
    }
    for (const auto& [d, moi] : khongDoi) {
        if (trongLo.contains(d->id)) continue;
        const QStringList ma = d->tatCaMa();
        const bool moCoi = std::any_of(ma.cbegin(), ma.cend(), [&](const QString& c) {
            const auto it = anh.ma.constFind(c);
            return it == anh.ma.cend() || (*it).isNull() || boDi.contains(c);
        });
        if (moCoi) themMuc(*d, moi, std::nullopt);
    }
    if (!anh.dong.duCho(soIdMoi)) {
        dongLon_ = anh.dong;
        dongLon_->datTruoc(soIdMoi);
    }
    if (!anh.ma.duCho(soMaMoi)) {
        maLon_ = anh.ma;
        maLon_->datTruoc(soMaMoi);
    }
    // Let go of here, on the worker: the GUI thread's maps are then its own again.
    anh.dong = {};
    anh.ma = {};
}
