#include "store/KhoDuLieu.h"

#include <fcntl.h>
#include <simdjson.h>
#include <unistd.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUuid>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <exception>
#include <future>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "store/DinhDangISO.h"
#include "store/DinhDangNgay.h"
#include "store/DoDungLuongThat.h"
#include "store/DocJson.h"
#include "store/DongHo.h"
#include "store/LoiTep.h"
#include "store/TepDongJson.h"
#include "store/TienIch.h"

namespace {

int soThangGiua(const QDate& tu, const QDate& den) {
    return (den.year() - tu.year()) * 12 + den.month() - tu.month();
}

}  // namespace

KhoDuLieu::KhoDuLieu(QString thuMucGoc, DongHo* dongHo, std::shared_ptr<const DoDungLuong> doDungLuong)
    : thuMucGoc_(std::move(thuMucGoc)),
      dongHo_(dongHo ? dongHo : &DongHo::heThong()),
      doDungLuong_(doDungLuong ? std::move(doDungLuong) : std::make_shared<DoDungLuongThat>()),
      nhatKy_(thuMucGoc_ + QStringLiteral("/data"), *dongHo_, [this] { return damBaoKhoa(); }) {}

QString KhoDuLieu::thuMucDon() const {
    return thuMucGoc_ + QStringLiteral("/data/orders");
}
QString KhoDuLieu::thuMucBanGhiVideo() const {
    return thuMucGoc_ + QStringLiteral("/data/recordings");
}
QString KhoDuLieu::thuMucVideo() const {
    return thuMucGoc_ + QStringLiteral("/videos");
}

std::optional<QString> KhoDuLieu::moKho() {
    luong_.kiem("KhoDuLieu::moKho");
    if (khoa_.dangGiu()) return std::nullopt;
    loiKhoa_ = khoa_.giu(thuMucGoc_ + QStringLiteral("/data"));
    return loiKhoa_;
}

std::optional<QString> KhoDuLieu::doiThuMucGoc(const QString& moi, int soNgayGiu) {
    luong_.kiem("KhoDuLieu::doiThuMucGoc");
    if (QDir::cleanPath(moi) == QDir::cleanPath(thuMucGoc_)) return std::nullopt;
    if (!videoTheoId_.isEmpty()) return kDaCoVideo;
    const QString cu = thuMucGoc_;
    khoa_.tha();
    if (auto loi = khoa_.giu(moi + QStringLiteral("/data"))) {
        loiKhoa_ = khoa_.giu(cu + QStringLiteral("/data"));
        return loi;
    }
    loiKhoa_.reset();
    QList<DonHang> donDaDongBo;
    donDaDongBo.reserve(donTheoId_.size());
    for (const DonHang& don : donTheoId_) donDaDongBo.append(don);
    donTheoId_ = BangDonDaNap();
    maToiId_ = BangManh<QString>();
    ++phienBanDon_;
    thuMucGoc_ = moi;
    nhatKy_.doiThuMuc(thuMucGoc_ + QStringLiteral("/data"));
    napTatCa(8, soNgayGiu);
    if (!donDaDongBo.isEmpty()) {
        // Only what the new folder does not already hold as it is.
        try {
            LoDon lo = ghiDonDaDoi(chupDon(), donDaDongBo);
            chiMucLo(lo, std::chrono::hours(1), std::numeric_limits<qsizetype>::max());
        } catch (const LoiTep&) {
            // Kept in memory for this run; the next sync writes them again.
            for (const DonHang& don : std::as_const(donDaDongBo)) capNhatDon(don);
        }
    }
    return std::nullopt;
}

std::optional<QString> KhoDuLieu::damBaoKhoa() {
    return moKho();
}

QString KhoDuLieu::thangHienTai() const {
    return dinhDangNgay().dinhDang(dongHo_->gioThuc()).left(7);
}

QString KhoDuLieu::tepThang(const QString& thuMuc, const QString& tienTo, const QString& thang) {
    return thuMuc + u'/' + tienTo + thang + QStringLiteral(".jsonl");
}

QString KhoDuLieu::tepThangHienTai(const QString& thuMuc, const QString& tienTo) const {
    return tepThang(thuMuc, tienTo, thangHienTai());
}

QString KhoDuLieu::tepDonThangNay() const {
    return tepThangHienTai(thuMucDon(), tienToDon());
}

QString KhoDuLieu::tepBanGhiThangNay() const {
    return tepThangHienTai(thuMucBanGhiVideo(), tienToVideo());
}

KhoDuLieu::SoLuong KhoDuLieu::napTatCa(int soThang, int soNgayGiu) {
    luong_.kiem("KhoDuLieu::napTatCa");
    // A folder held by another process is still read, but nothing in it is created or repaired.
    if (!moKho()) {
        QDir().mkpath(thuMucDon());
        QDir().mkpath(thuMucBanGhiVideo());
        QDir().mkpath(thuMucVideo());
        for (const QString& d : {thuMucDon(), thuMucBanGhiVideo(), thuMucGoc_ + QStringLiteral("/data")})
            TepDongJson::donTepTam(d);
    }
    int soThangVideo = std::max(soThang, 0);
    if (soNgayGiu >= soNgayGiuToiThieu) {
        const QDateTime bayGio = thoiDiemQt(dongHo_->gioThuc());
        const QDate moc = bayGio.addSecs(-qint64(soNgayGiu) * 86400).date();
        soThangVideo = std::max(soThangVideo, soThangGiua(moc, bayGio.date()) + 1);
    }
    // Both kinds at once: the files of one kind are fewer than the cores.
    napTep(tepDeNap(thuMucDon(), tienToDon(), soThang), tepDeNap(thuMucBanGhiVideo(), tienToVideo(), soThangVideo));
#ifdef __GLIBC__
    // What the store keeps was decoded on worker threads, scattered between the per-file results and
    // parser memory they freed, which the allocator would otherwise hold on to for the life of the process.
    malloc_trim(0);
#endif
    nhatKy_.napVanTayCuoi();
    return {donTheoId_.size(), videoTheoId_.size()};
}

QStringList KhoDuLieu::cacTepThang(const QString& thuMuc, const QString& tienTo, int soTep) const {
    if (soTep <= 0) return {};
    QStringList ten;
    for (const QString& t : QDir(thuMuc).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (t.startsWith(tienTo) && t.endsWith(QStringLiteral(".jsonl"))) ten.append(t);
    std::sort(ten.begin(), ten.end());
    if (ten.size() > soTep) ten = ten.mid(ten.size() - soTep);
    QStringList ra;
    for (const QString& t : ten) ra.append(thuMuc + u'/' + t);
    return ra;
}

namespace {

// What a worker reads and parses a month file with. Handed from one file to the next, its memory has
// already been touched: fresh memory costs a page fault for every 4 KiB, which on some machines costs
// more than reading and parsing the bytes in it.
struct BoDoc {
    TepDongJson::DemDoc dem;
    simdjson::dom::parser boPhanTich;
    QString ma;
};
static_assert(TepDongJson::kDemSau >= simdjson::SIMDJSON_PADDING);

class CacBoDoc {
public:
    std::unique_ptr<BoDoc> lay() {
        std::lock_guard<std::mutex> k(khoa_);
        if (bo_.empty()) return std::make_unique<BoDoc>();
        std::unique_ptr<BoDoc> ra = std::move(bo_.back());
        bo_.pop_back();
        return ra;
    }
    void tra(std::unique_ptr<BoDoc> bo) {
        std::lock_guard<std::mutex> k(khoa_);
        bo_.push_back(std::move(bo));
    }

private:
    std::mutex khoa_;
    std::vector<std::unique_ptr<BoDoc>> bo_;
};

// Calls moiDong with every line of the file that parses as a JSON object, from the last line to the
// first. A line that does not parse (invalid JSON, invalid UTF-8, a torn write) is skipped alone; a CR
// before the LF is white space to the parser, so CR LF files load like LF files. False when the file
// could not be read to its end. Each line comes with the offset in the file of its first byte.
template <class F>
bool docTungDongNguoc(const QString& duongDan, BoDoc& bo, F&& moiDong) {
    return TepDongJson::docNguocTungDong(duongDan, bo.dem, [&](QByteArrayView dong, qint64 viTri) {
        // Lines are followed by readable memory, so each one is parsed in place.
        if (const auto o = DocJson::docDong(bo.boPhanTich, std::string_view(dong.data(), size_t(dong.size())), true))
            moiDong(*o, dong, viTri);
        return true;
    });
}

// Runs viec(0) to viec(soViec - 1) on as many threads as the machine has cores, the calling thread
// among them, and returns when all are done. The first exception a piece of work threw is thrown here.
template <class F>
void chayTrenMoiLoi(qsizetype soViec, F viec) {
    if (soViec <= 0) return;
    const qsizetype soLuong = std::clamp<qsizetype>(qsizetype(std::thread::hardware_concurrency()), 1, soViec);
    std::atomic<qsizetype> tiep{0};
    std::mutex khoaLoi;
    std::exception_ptr loi;
    const auto chay = [&] {
        for (qsizetype i; (i = tiep.fetch_add(1)) < soViec;) {
            try {
                viec(i);
            } catch (...) {
                std::lock_guard<std::mutex> k(khoaLoi);
                if (!loi) loi = std::current_exception();
            }
        }
    };
    std::vector<std::thread> luong;
    for (qsizetype k = 1; k < soLuong; ++k) luong.emplace_back(chay);
    chay();
    for (std::thread& t : luong) t.join();
    if (loi) std::rethrow_exception(loi);
}

constexpr int kSoManh = BangManh<QString>::kSoManh;
template <class V>
using CacManh = typename BangManh<V>::CacManh;
template <class V>
using Manh = typename BangManh<V>::Manh;
using Khoa = KhoaManh;

// Where a line lies, to be read again once it is known to be the one that is kept. Most lines of a folder
// are older versions of an order whose last line lies in a newer file (a changed order is appended to the
// current month's file); copying each file's last line of every id until the files are merged held
// nearly the whole folder in memory at once.
struct ViTriDong {
    qint64 viTri = 0;
    qint64 dai = 0;
    // The line's bytes hashed, to tell when the file no longer holds them at viTri: it was rewritten or
    // replaced between the two reads (the lock keeps other copies of the program from doing that, not an
    // editor or a restore).
    size_t bam = 0;
    int tep = -1;  // its file's index in the load, once merged
};

size_t bamDong(QByteArrayView dong) {
    return qHashBits(dong.data(), size_t(dong.size()), 0);
}

// One orders file, cut down to what can matter to the whole load: only the file's last line of each id
// can be that id's last line, and only the file's last mention of each code can decide where it points.
// Kept in the pieces of the store's tables, so that each piece is merged across files on its own.
struct TepDon {
    // Where the file's last line of each id lies.
    CacManh<ViTriDong> don;
    // The file's last mention of each code: the order that mentioned it when that line is the order's
    // last line in the file, and a null text otherwise.
    CacManh<QString> ma;
};

TepDon giaiTepDon(const QString& duongDan, CacBoDoc& cacBo) {
    TepDon ra;
    std::unique_ptr<BoDoc> bo = cacBo.lay();
    // Read from the last line back, the first line met of an id is its last line, and the first line met
    // that mentions a code is the last one to mention it.
    const bool docHet = docTungDongNguoc(duongDan, *bo, [&](const simdjson::dom::object& o, QByteArrayView json,
                                                             qint64 viTri) {
        const QString id = DocJson::chu(o, "id");
        if (id.isEmpty()) return;
        Manh<ViTriDong>& don = ra.don[size_t(BangManh<ViTriDong>::manhCua(id))];
        const qsizetype soDon = don.size();
        ViTriDong& dong = don[Khoa{id}];
        const bool dongCuoi = don.size() != soDon;
        if (dongCuoi) dong = {viTri, json.size(), bamDong(json), -1};
        DonHang::choTungMa(o, bo->ma, [&](const QString& m) {
            Manh<QString>& ma = ra.ma[size_t(BangManh<QString>::manhCua(m))];
            if (ma.contains(Khoa{m})) return;
            // A code that is the id itself shares the id's text; any other gets a copy of its own size.
            ma.insert(Khoa{m == id ? id : QString(m.constData(), m.size())}, dongCuoi ? id : QString());
        });
    });
    cacBo.tra(std::move(bo));
    if (!docHet) return {};
    return ra;
}

// One recordings file: the file's last line of each id, the only one of it that can survive.
std::vector<BanGhiVideo> giaiTepVideo(const QString& duongDan, CacBoDoc& cacBo) {
    std::vector<BanGhiVideo> ra;
    QSet<QString> daCo;
    std::unique_ptr<BoDoc> bo = cacBo.lay();
    const bool docHet = docTungDongNguoc(duongDan, *bo, [&](const simdjson::dom::object& o, QByteArrayView, qint64) {
        const QString id = DocJson::chu(o, "id");
        if (id.isEmpty()) return;
        const qsizetype soId = daCo.size();
        daCo.insert(id);
        if (daCo.size() != soId) ra.push_back(BanGhiVideo::tuJson(o));
    });
    cacBo.tra(std::move(bo));
    if (!docHet) ra.clear();
    return ra;
}

QString dungChung(QSet<QString>& chung, const QString& s) {
    const auto it = chung.constFind(s);
    if (it != chung.cend()) return *it;
    chung.insert(s);
    return s;
}

// The codes of a kept order line.
QStringList maCuaDong(const QByteArray& dong) {
    const auto o = DocJson::docDoiTuong(std::string_view(dong.constData(), size_t(dong.size())));
    return o ? DonHang::maTuJson(*o).tatCaMa() : QStringList();
}

}  // namespace

QStringList KhoDuLieu::tepDeNap(const QString& thuMuc, const QString& tienTo, int soTep) {
    const QStringList tep = cacTepThang(thuMuc, tienTo, soTep);
    if (!damBaoKhoa())
        for (const QString& t : tep) TepDongJson::suaDuoi(t);
    return tep;
}

void KhoDuLieu::napDon(const QString& thuMuc, const QString& tienTo, int soTep) {
    luong_.kiem("KhoDuLieu::napDon");
    napTep(tepDeNap(thuMuc, tienTo, soTep), {});
}

namespace {

// The kept line of every order, read again from where it lies, each piece of the table on a core of its
// own: only these lines are ever copied, so memory holds each order's line once. False when some line was
// no longer in its file as it was first read; that order is then left out of donMoi.
bool docDongGiu(const QStringList& tepDon, CacManh<ViTriDong>& viTri, CacManh<QByteArray>& donMoi) {
    struct CacTep {
        std::vector<int> fd;
        ~CacTep() {
            for (const int f : fd)
                if (f >= 0) ::close(f);
        }
    } tep;
    for (const QString& t : tepDon) tep.fd.push_back(TepDongJson::moDeDoc(t));
    std::atomic<bool> khop{true};
    chayTrenMoiLoi(kSoManh, [&](qsizetype so) {
        Manh<ViTriDong>& nguon = viTri[size_t(so)];
        Manh<QByteArray>& dich = donMoi[size_t(so)];
        dich.reserve(nguon.size());
        for (auto it = nguon.cbegin(); it != nguon.cend(); ++it) {
            const int fd = tep.fd[size_t(it->tep)];
            QByteArray dong(qsizetype(it->dai), Qt::Uninitialized);
            if (fd < 0 || !TepDongJson::docTai(fd, it->viTri, dong.data(), size_t(it->dai)) ||
                bamDong(dong) != it->bam) {
                khop = false;
                continue;
            }
            dich.insert(it.key(), std::move(dong));
        }
        nguon = {};
    });
    return khop;
}

}  // namespace

void KhoDuLieu::napTep(QStringList tepDon, const QStringList& tepVideo) {
    ++phienBanDon_;
    // The indexes come out exactly as if every line were indexed in turn, oldest file first. Taken
    // newest first, the first line met of an id is its last line, which alone survives in the map of
    // orders; and the first line met that mentions a code is the last line to set it: the code points
    // to that line's order when the line is the order's last one, and to nothing otherwise, because
    // re-indexing the order later dropped it.
    std::reverse(tepDon.begin(), tepDon.end());
    const qsizetype soDon = tepDon.size(), soVideo = tepVideo.size();

    // Every file is decoded on a core of its own, orders and recordings alike.
    std::vector<TepDon> don(static_cast<size_t>(soDon));
    std::vector<std::vector<BanGhiVideo>> video(static_cast<size_t>(soVideo));
    CacBoDoc cacBo;
    chayTrenMoiLoi(soDon + soVideo, [&](qsizetype i) {
        if (i < soDon)
            don[size_t(i)] = giaiTepDon(tepDon[i], cacBo);
        else
            video[size_t(i - soDon)] = giaiTepVideo(tepVideo[i - soDon], cacBo);
    });

    // The recordings go into their one table on a thread of their own, oldest file first so that the last
    // line wins, while each piece of the orders' table is merged across the files on a core of its own. The
    // future of std::async waits for its thread when it goes, so on every way out, an exception included,
    // the thread is done with this store and with video before they are.
    std::future<void> xongVideo = std::async(std::launch::async, [this, &video] {
        // The kind, camera, resolution and shop repeat in nearly every record: one copy of each text.
        QSet<QString> chung;
        qsizetype tong = 0;
        for (const std::vector<BanGhiVideo>& ds : video) tong += qsizetype(ds.size());
        videoTheoId_.reserve(videoTheoId_.size() + tong);
        for (std::vector<BanGhiVideo>& ds : video) {
            for (BanGhiVideo& v : ds) {
                for (std::optional<QString>* truong : {&v.kind, &v.resolution, &v.cameraLabel, &v.shopName})
                    if (*truong) **truong = dungChung(chung, **truong);
                QString id = v.id;
                videoTheoId_.emplace(std::move(id), std::move(v));
            }
            std::vector<BanGhiVideo>().swap(ds);
        }
    });
    CacManh<QByteArray> donMoi;
    CacManh<QString> maMoi;  // a null id: the code points to nothing
    const bool khoTrong = donTheoId_.isEmpty() && maToiId_.isEmpty();
    // A file changed between its two reads is read again from the start, all files with it, so that the
    // orders and codes come from one reading of each; after the last try such lines are left out.
    constexpr int kSoLanDoc = 3;
    for (int lan = 1;; ++lan) {
        if (lan > 1) {
            donMoi = {};
            maMoi = {};
            don.assign(static_cast<size_t>(soDon), TepDon());
            chayTrenMoiLoi(soDon, [&](qsizetype i) { don[size_t(i)] = giaiTepDon(tepDon[i], cacBo); });
        }
        CacManh<ViTriDong> viTriMoi;  // where each order's last line lies: the newest file that has it
        chayTrenMoiLoi(kSoManh, [&](qsizetype so) {
            Manh<ViTriDong>& dich = viTriMoi[size_t(so)];
            qsizetype tong = 0;
            for (const TepDon& t : don) tong += t.don[size_t(so)].size();
            dich.reserve(tong);
            for (qsizetype t = 0; t < soDon; ++t) {
                Manh<ViTriDong>& nguon = don[size_t(t)].don[size_t(so)];
                for (auto it = nguon.cbegin(); it != nguon.cend(); ++it) {
                    const qsizetype truoc = dich.size();
                    ViTriDong& v = dich[it.key()];
                    if (dich.size() == truoc) continue;
                    v = *it;
                    v.tep = int(t);
                }
                nguon = {};
            }
        });

        // Codes next, each piece on its own; where an order's last line lies is now known for every order.
        chayTrenMoiLoi(kSoManh, [&](qsizetype so) {
            Manh<QString>& dich = maMoi[size_t(so)];
            qsizetype tong = 0;
            for (const TepDon& t : don) tong += t.ma[size_t(so)].size();
            dich.reserve(tong);
            for (qsizetype t = 0; t < soDon; ++t) {
                Manh<QString>& nguon = don[size_t(t)].ma[size_t(so)];
                for (auto it = nguon.cbegin(); it != nguon.cend(); ++it) {
                    const qsizetype truoc = dich.size();
                    QString& id = dich[it.key()];
                    if (dich.size() == truoc || it->isNull()) continue;
                    const Manh<ViTriDong>& tepCua = viTriMoi[size_t(BangManh<ViTriDong>::manhCua(*it))];
                    const auto v = tepCua.constFind(Khoa{*it});
                    if (v != tepCua.cend() && v->tep == t) id = *it;
                }
                nguon = {};
            }
            // Into an empty store a code that points to nothing is simply not put.
            if (khoTrong) dich.removeIf([](const Manh<QString>::iterator& it) { return it.value().isNull(); });
        });
        if (docDongGiu(tepDon, viTriMoi, donMoi) || lan == kSoLanDoc) break;
    }

    xongVideo.get();
    if (khoTrong) {
        maToiId_ = BangManh<QString>(std::move(maMoi));
        donTheoId_ = BangDonDaNap(BangManh<QByteArray>(std::move(donMoi)));
        return;
    }
    // Orders indexed before this load: a re-indexed order first lets go of the codes it held.
    for (const Manh<QByteArray>& manh : donMoi)
        for (auto it = manh.cbegin(); it != manh.cend(); ++it) boMaCu(it.key().s, {});
    for (const Manh<QString>& manh : maMoi) {
        for (auto it = manh.cbegin(); it != manh.cend(); ++it) {
            if (it.value().isNull())
                maToiId_.remove(it.key().s);
            else
                maToiId_.insert(it.key().s, it.value());
        }
    }
    for (Manh<QByteArray>& manh : donMoi)
        for (auto it = manh.begin(); it != manh.end(); ++it) donTheoId_.dat(it.key().s, std::move(it.value()));
}

void KhoDuLieu::capNhatDon(const DonHang& don) {
    luong_.kiem("KhoDuLieu::capNhatDon");
    if (don.id.isEmpty()) return;
    ++phienBanDon_;
    const QStringList ma = don.tatCaMa();
    boMaCu(don.id, ma);
    for (const QString& m : ma) maToiId_.insert(m, don.id);
    donTheoId_.dat(don.id, don.thanhDong());
}

void KhoDuLieu::boMaCu(const QString& id, const QStringList& giuLai) {
    const QByteArray* cu = donTheoId_.dong(id);
    if (!cu) return;
    // Removing a code and mapping it to the same id again comes to mapping it, so only the codes the
    // order has dropped are looked at for removal; a re-written order usually keeps all of them.
    // A set, so that an order with a great many codes is re-indexed in linear time.
    const QSet<QString> moi(giuLai.cbegin(), giuLai.cend());
    for (const QString& m : maCuaDong(*cu)) {
        if (moi.contains(m)) continue;
        const auto it = maToiId_.find(m);
        if (it != maToiId_.end() && *it == id) maToiId_.erase(it);
    }
}

void KhoDuLieu::datVideo(const BanGhiVideo& video) {
    luong_.kiem("KhoDuLieu::datVideo");
    if (video.id.isEmpty()) return;
    videoTheoId_.insert(video.id, video);
}

std::optional<DonHang> KhoDuLieu::donTheoMa(const QString& ma) const {
    const auto id = maToiId_.constFind(chuanHoaMa(ma));
    if (id == maToiId_.cend()) return std::nullopt;
    const QByteArray* don = donTheoId_.dong(*id);
    if (!don) return std::nullopt;
    return BangDonDaNap::giai(*don);
}

QList<BanGhiVideo> KhoDuLieu::videoTheoMa(const QString& ma) const {
    QList<BanGhiVideo> ra;
    for (const BanGhiVideo& v : videoTheoId_)
        if (v.orderId && *v.orderId == ma && !v.daXoa()) ra.append(v);
    std::stable_sort(ra.begin(), ra.end(),
                     [](const BanGhiVideo& a, const BanGhiVideo& b) { return a.startedAt > b.startedAt; });
    return ra;
}

void KhoDuLieu::ghiDong(const QByteArray& dong, const QString& thuMuc, const QString& tienTo) {
    if (const auto loi = damBaoKhoa()) throw LoiTep(*loi);
    TepDongJson::taoThuMuc(thuMuc);
    TepDongJson::noiDong(tepThangHienTai(thuMuc, tienTo), dong);
}

void KhoDuLieu::ghiBanGhiVideo(const BanGhiVideo& video) {
    luong_.kiem("KhoDuLieu::ghiBanGhiVideo");
    QByteArray dong;
    try {
        dong = video.thanhDong();
    } catch (const std::exception& e) {
        throw LoiTep(QStringLiteral("Không mã hoá được bản ghi video: ") + QString::fromUtf8(e.what()));
    }
    dong.append('\n');
    ghiDong(dong, thuMucBanGhiVideo(), tienToVideo());
}

void KhoDuLieu::ghiDon(const DonHang& don) {
    luong_.kiem("KhoDuLieu::ghiDon");
    QByteArray dong;
    try {
        dong = don.thanhDong();
    } catch (const std::exception& e) {
        throw LoiTep(QStringLiteral("Không mã hoá được đơn hàng: ") + QString::fromUtf8(e.what()));
    }
    dong.append('\n');
    ghiDong(dong, thuMucDon(), tienToDon());
}

void KhoDuLieu::ghiLoDon(const QList<DonHang>& cacDon) const {
    if (cacDon.isEmpty()) return;
    // The month is read before the batch is encoded, when the fetch is over: one that ran across midnight
    // at a month's end belongs to the new month.
    const QString tep = tepDonThangNay();
    QByteArray lo;
    for (const DonHang& d : cacDon) {
        lo.append(LoDon::maHoa(d));
        lo.append('\n');
    }
    TepDongJson::taoThuMuc(thuMucDon());
    TepDongJson::noiDong(tep, lo);
}

LoDon::AnhKho KhoDuLieu::chupDon() const {
    luong_.kiem("KhoDuLieu::chupDon");
    return {donTheoId_.cacDong(), maToiId_, phienBanDon_};
}

LoDon KhoDuLieu::ghiDonDaDoi(LoDon::AnhKho anh, const QList<DonHang>& cacDon) const {
    // The month is read before the batch is encoded, when the fetch is over; the same month decides which
    // stored lines count as written already.
    const QString thang = thangHienTai();
    const QString tep = tepThang(thuMucDon(), tienToDon(), thang);
    LoDon lo(std::move(anh), cacDon, thang);
    if (lo.cacDong().isEmpty()) return lo;
    TepDongJson::taoThuMuc(thuMucDon());
    TepDongJson::noiDong(tep, lo.cacDong());
    return lo;
}

bool KhoDuLieu::chiMucLo(LoDon& lo, std::chrono::nanoseconds ngan, qsizetype toiDaDon) {
    luong_.kiem("KhoDuLieu::chiMucLo");
    const auto het = std::chrono::steady_clock::now() + ngan;
    // The codes of the replaced lines were worked out from the snapshot; they hold while nothing else
    // has changed the maps since.
    if (lo.phienBan_ != phienBanDon_) lo.theoAnh_ = false;
    const bool theoAnh = lo.theoAnh_;
    if (!lo.daDoiBang_) {
        lo.daDoiBang_ = true;
        if (theoAnh && lo.dongLon_) donTheoId_.doiBang(*lo.dongLon_);
        if (theoAnh && lo.maLon_) maToiId_.swap(*lo.maLon_);
    }
    qsizetype soDon = 0;
    int buoc = 0;
    bool xong = true;
    while (lo.tiep_ < lo.muc_.size()) {
        const LoDon::Muc& m = lo.muc_[lo.tiep_];
        if (lo.buocTrongDon_ == 0) {
            if (soDon >= toiDaDon || (soDon > 0 && std::chrono::steady_clock::now() >= het)) {
                xong = false;
                break;
            }
            if (!theoAnh) boMaCu(m.id, lo.ma_.mid(m.maDau, m.maCuoi - m.maDau));
            donTheoId_.dat(m.id, lo.dong_.mid(m.dongDau, m.dongDai));
            lo.buocTrongDon_ = theoAnh ? 1 : 1 + (m.boCuoi - m.boDau);
        }
        // Then the codes it dropped, then its codes; an order with a great many is taken over several turns.
        const qsizetype soBo = m.boCuoi - m.boDau;
        const qsizetype tong = 1 + soBo + (m.maCuoi - m.maDau);
        while (lo.buocTrongDon_ < tong) {
            if (++buoc % 256 == 0 && std::chrono::steady_clock::now() >= het) break;
            const qsizetype k = lo.buocTrongDon_ - 1;
            if (k < soBo) {
                const auto it = maToiId_.find(lo.boMa_[m.boDau + k]);
                if (it != maToiId_.end() && *it == m.id) maToiId_.erase(it);
            } else {
                maToiId_.insert(lo.ma_[m.maDau + k - soBo], m.id);
            }
            ++lo.buocTrongDon_;
        }
        if (lo.buocTrongDon_ < tong) {
            xong = false;
            break;
        }
        lo.buocTrongDon_ = 0;
        ++lo.tiep_;
        ++soDon;
    }
    ++phienBanDon_;
    lo.phienBan_ = phienBanDon_;
    return xong;
}

QString KhoDuLieu::duongDanVideoMoi(const QString& ma, const QDateTime& batDau, bool laHoan) {
    const QString thuMucNgay = thuMucVideo() + u'/' + dinhDangThuMucNgay().dinhDang(batDau);
    QDir().mkpath(thuMucNgay);
    const QString goc = (laHoan ? QStringLiteral("HOAN__") : QString()) + tenTepAnToan(ma, QStringLiteral("KHONG-MA")) +
                        QStringLiteral("__") + dinhDangTenTep().dinhDang(batDau);
    // The coordinator deletes any leftover file at the path it is given, so a path already in use
    // (two recordings in one second, two codes with the same safe name) must never be handed out.
    QString duongDan = thuMucNgay + u'/' + goc + QStringLiteral(".mp4");
    for (int i = 2;; ++i) {
        const QFileInfo fi(duongDan);
        if (!fi.exists() && !fi.isSymLink()) return duongDan;
        duongDan = thuMucNgay + u'/' + goc + u'-' + QString::number(i) + QStringLiteral(".mp4");
    }
}

QString KhoDuLieu::duongDanVideoMoi(const QString& ma, std::chrono::system_clock::time_point batDau, bool laHoan) {
    return duongDanVideoMoi(ma, thoiDiemQt(batDau), laHoan);
}

std::optional<qint64> KhoDuLieu::dungLuongTrongMB() const {
    const auto b = doDungLuong_->soByteTrong(thuMucVideo());
    if (!b) return std::nullopt;
    return *b / 1'048'576;
}

std::optional<QString> KhoDuLieu::thuGhi() {
    const QString data = thuMucGoc_ + QStringLiteral("/data");
    const QString dich = data + QStringLiteral("/.thu-ghi");
    try {
        TepDongJson::taoThuMuc(data);
    } catch (const LoiTep& e) {
        return e.moTa();
    }
    // Written whole under another name and renamed, but never synced: the probe asks whether the folder takes a
    // file now, and a file removed at once needs no durability. Its two syncs held the start of every recording
    // (and the GUI thread) for as long as the disk took, 0.4 s and more on a busy USB drive.
    const QByteArray tenTam = QFile::encodeName(dich + QStringLiteral(".tam"));
    const int fd = ::open(tenTam.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return moTaLoiHeThong(QStringLiteral("Không tạo được tệp ") + dich, errno);
    const ssize_t n = ::write(fd, "ok", 2);
    int loi = n == 2 ? 0 : (n < 0 ? errno : ENOSPC);
    // What close() may still report (NFS writing back) is a sync's business: the recording's own syncs catch it.
    ::close(fd);
    if (loi == 0 && ::rename(tenTam.constData(), QFile::encodeName(dich).constData()) != 0) loi = errno;
    if (loi != 0) {
        ::unlink(tenTam.constData());
        return moTaLoiHeThong(QStringLiteral("Không ghi được tệp ") + dich, loi);
    }
    QFile tep(dich);
    if (!tep.remove()) return QStringLiteral("Không xoá được tệp thử ghi: ") + tep.errorString();
    return std::nullopt;
}

QList<DonHang> KhoDuLieu::timDon(const QString& tuKhoa, int gioiHan) const {
    const QString gon = tuKhoa.trimmed();
    if (gon.isEmpty() || gioiHan <= 0) return {};
    if (auto don = donTheoMa(gon)) return {*don};
    const QString maChuan = chuanHoaMa(gon);
    const QString chuThuong = gon.normalized(QString::NormalizationForm_C).toLower();
    QList<DonHang> ra;
    for (const QByteArray& dong : donTheoId_.cacDong()) {
        const auto o = DocJson::docDoiTuong(std::string_view(dong.constData(), size_t(dong.size())));
        if (!o) continue;
        // Only the fields the keyword is matched against are read for every order.
        DonHang d = DonHang::maTuJson(*o);
        d.customerName = DocJson::chuTuyChon(*o, "customerName");
        d.customerPhone = DocJson::chuTuyChon(*o, "customerPhone");
        if (khopTuKhoa(d, maChuan, chuThuong)) ra.append(DonHang::tuJson(*o));
    }
    std::stable_sort(ra.begin(), ra.end(),
                     [](const DonHang& a, const DonHang& b) { return a.createdAt > b.createdAt; });
    if (ra.size() > gioiHan) ra.resize(gioiHan);
    return ra;
}

bool KhoDuLieu::khopTuKhoa(const DonHang& don, const QString& maChuan, const QString& chuThuong) {
    const bool coMa = !maChuan.isEmpty();
    if (coMa && don.customerPhone && chuanHoaMa(*don.customerPhone).contains(maChuan)) return true;
    // Both sides composed, so a name typed with combining marks meets the same name stored composed.
    if (!chuThuong.isEmpty() && don.customerName &&
        don.customerName->normalized(QString::NormalizationForm_C).toLower().contains(chuThuong))
        return true;
    if (coMa && don.orderNumber && chuanHoaMa(*don.orderNumber).contains(maChuan)) return true;
    if (coMa)
        for (const MaVanDon& t : don.trackings)
            if (chuanHoaMa(t.trackingNumber).contains(maChuan)) return true;
    return false;
}

QString KhoDuLieu::tepDanhSachDonDep() const {
    return thuMucGoc_ + QStringLiteral("/data/.don-dep.jsonl");
}

bool KhoDuLieu::hoanTatDonDepDo() {
    const QString tep = tepDanhSachDonDep();
    const auto noiDung = TepDongJson::docToanBo(tep);
    if (!noiDung) return true;
    struct Muc {
        QString filePath;
        qint64 bytes = 0;
    };
    // Per run, in the order its files were named; a line torn by the crash named no file that was removed.
    QList<QString> cacLan;
    QHash<QString, QList<std::pair<QString, Muc>>> theoLan;
    for (const QByteArray& dong : noiDung->split('\n')) {
        const auto o = DocJson::docDoiTuong(std::string_view(dong.constData(), size_t(dong.size())));
        if (!o) continue;
        const QString lan = DocJson::chu(*o, "lan");
        const QString id = DocJson::chu(*o, "id");
        if (lan.isEmpty() || id.isEmpty()) continue;
        if (!theoLan.contains(lan)) cacLan.append(lan);
        theoLan[lan].append({id, Muc{DocJson::chu(*o, "filePath"), DocJson::soNguyen(*o, "bytes").value_or(0)}});
    }
    QSet<QString> daGhi;
    if (!cacLan.isEmpty())
        nhatKy_.docSuKien({"cleanup"}, [&](const NhatKy::SuKienDoc& sk) { daGhi.insert(sk.chiTiet("lan")); });
    for (const QString& lan : cacLan) {
        if (daGhi.contains(lan)) continue;
        KetQuaDonDep kq;
        QSet<QString> daDem;
        for (const auto& [id, m] : theoLan.value(lan)) {
            // Named just before its removal: a file still there was never removed.
            if (m.filePath.isEmpty() || QFileInfo::exists(m.filePath) || QFileInfo(m.filePath).isSymLink()) continue;
            if (daDem.contains(id)) continue;
            daDem.insert(id);
            ++kq.soFile;
            kq.soByte += m.bytes;
            const auto it = videoTheoId_.constFind(id);
            if (it != videoTheoId_.cend() && !it->daXoa() && it->filePath == m.filePath) {
                BanGhiVideo v = *it;
                v.deleted = true;
                datVideo(v);
                try {
                    ghiBanGhiVideo(v);
                } catch (const LoiTep&) {
                    // The file is gone either way; the in-memory record already says so.
                }
            }
        }
        if (kq.soFile == 0) continue;
        nhatKy_.ghi(QStringLiteral("cleanup"), {{QStringLiteral("soFile"), QString::number(kq.soFile)},
                                                {QStringLiteral("soByte"), QString::number(kq.soByte)},
                                                {QStringLiteral("lan"), lan}});
        if (nhatKy_.loiGhi()) return false;
    }
    QFile::remove(tep);
    return true;
}

KhoDuLieu::KetQuaDonDep KhoDuLieu::donDepVideoCu(int soNgayGiu) {
    luong_.kiem("KhoDuLieu::donDepVideoCu");
    KetQuaDonDep kq;
    if (damBaoKhoa()) return kq;
    // Until an earlier run's removals are journalled, this run names nothing new in the list.
    if (!hoanTatDonDepDo()) return kq;
    // A retention of 0 or less from a damaged setting would delete every video not kept forever.
    if (soNgayGiu < soNgayGiuToiThieu) return kq;
    const qint64 moc = thoiDiemQt(dongHo_->gioThuc()).toMSecsSinceEpoch() - qint64(soNgayGiu) * 86'400'000;
    const QString goc = QFileInfo(thuMucVideo()).canonicalFilePath();
    if (goc.isEmpty()) return kq;
    const QStringList r = goc.split(u'/', Qt::SkipEmptyParts);
    const QString lan = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString danhSach = tepDanhSachDonDep();
    bool coDanhSach = false;
    const QList<QString> ids = videoTheoId_.keys();
    for (const QString& id : ids) {
        BanGhiVideo v = videoTheoId_.value(id);
        if (v.giuMai() || v.daXoa()) continue;
        if (v.startedAt.isEmpty()) continue;
        const auto batDau = docThoiGianISO(v.startedAt);
        if (!batDau || batDau->toMSecsSinceEpoch() >= moc) continue;
        if (v.filePath.isEmpty()) continue;
        const QFileInfo fi(v.filePath);
        const QStringList f = fi.canonicalFilePath().split(u'/', Qt::SkipEmptyParts);
        if (f.size() <= r.size() || !std::equal(r.begin(), r.end(), f.begin())) continue;
        if (!fi.exists()) continue;
        // Named, and synced, before it goes: a crash between the removal and the journal cannot lose it.
        const nlohmann::ordered_json muc = {{"lan", lan.toStdString()},
                                            {"id", id.toStdString()},
                                            {"filePath", v.filePath.toStdString()},
                                            {"bytes", v.bytes}};
        const std::string dong = muc.dump() + '\n';
        try {
            TepDongJson::noiDong(danhSach, QByteArrayView(dong.data(), qsizetype(dong.size())));
        } catch (const LoiTep&) {
            continue;
        }
        coDanhSach = true;
        if (!QFile::remove(v.filePath)) continue;
        ++kq.soFile;
        kq.soByte += v.bytes;
        v.deleted = true;
        datVideo(v);
        try {
            ghiBanGhiVideo(v);
        } catch (const LoiTep&) {
            // The file is gone either way; the in-memory record already says so.
        }
    }
    if (kq.soFile > 0) {
        nhatKy_.ghi(QStringLiteral("cleanup"), {{QStringLiteral("soFile"), QString::number(kq.soFile)},
                                                {QStringLiteral("soByte"), QString::number(kq.soByte)},
                                                {QStringLiteral("lan"), lan}});
        // Kept for the next run to journal these files when this event could not be written.
        if (nhatKy_.loiGhi()) return kq;
    }
    if (coDanhSach) QFile::remove(danhSach);
    return kq;
}
