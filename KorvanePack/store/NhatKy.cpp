#include "store/NhatKy.h"

#include <openssl/sha.h>
#include <simdjson.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>
#include <nlohmann/json.hpp>

#include "store/DinhDangISO.h"
#include "store/DocJson.h"
#include "store/DongHo.h"
#include "store/DongNhatKy.h"
#include "store/LoiTep.h"
#include "store/TepDongJson.h"
#include "store/TienIch.h"

namespace {

// A whole journal line by the journal's own rule, for every repair of its tail: a line another rule calls
// torn would be cut aside while the chain still rests on it.
bool laDongNhatKy(QByteArrayView dong) {
    return DongNhatKy::doc(dong).has_value();
}

QString bamHex(const std::string& s) {
    unsigned char md[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(s.data()), s.size(), md);
    return chuoiHex(QByteArrayView(reinterpret_cast<const char*>(md), SHA256_DIGEST_LENGTH));
}

bool laTenCan(std::initializer_list<std::string_view> cacTen, std::string_view ten) {
    return std::find(cacTen.begin(), cacTen.end(), ten) != cacTen.end();
}

// Only a line that names a wanted event is worth parsing. Every line is written compactly, so its name
// stands right after the key as written here.
bool coTheLaSuKien(QByteArrayView dong, std::initializer_list<std::string_view> cacTen) {
    constexpr QByteArrayView kKhoa("\"event\":\"");
    for (qsizetype i = dong.indexOf(kKhoa); i >= 0; i = dong.indexOf(kKhoa, i + 1)) {
        const QByteArrayView sau = dong.sliced(i + kKhoa.size());
        for (const std::string_view ten : cacTen)
            if (sau.size() > qsizetype(ten.size()) &&
                sau.startsWith(QByteArrayView(ten.data(), qsizetype(ten.size()))) && sau[qsizetype(ten.size())] == '"')
                return true;
    }
    return false;
}

// The last field named khoa: the check reads a line with nlohmann, which keeps the last of two fields of one
// name, and what an event says must be what its hash covers.
std::optional<simdjson::dom::element> truongCuoi(const simdjson::dom::object& o, std::string_view khoa) {
    std::optional<simdjson::dom::element> ra;
    for (const simdjson::dom::key_value_pair f : o)
        if (f.key == khoa) ra = f.value;
    return ra;
}

QString chuCuoi(const simdjson::dom::object& o, std::string_view khoa) {
    const auto e = truongCuoi(o, khoa);
    std::string_view s;
    if (!e || e->get_string().get(s) != simdjson::SUCCESS) return {};
    return DocJson::chuoi(s);
}

}  // namespace

QString NhatKy::SuKienDoc::ten() const {
    return DocJson::chuoi(ten_);
}

std::optional<QDateTime> NhatKy::SuKienDoc::luc() const {
    return docThoiGianISO(chuCuoi(dong_, "ts"));
}

QString NhatKy::SuKienDoc::chiTiet(std::string_view khoa) const {
    return chiTiet_ ? chuCuoi(*chiTiet_, khoa) : QString();
}

NhatKy::NhatKy(QString thuMucData, DongHo& dongHo, DamBaoKhoa damBaoKhoa)
    : thuMucData_(std::move(thuMucData)),
      duongDan_(thuMucData_ + QStringLiteral("/app.log.jsonl")),
      dongHo_(dongHo),
      damBaoKhoa_(std::move(damBaoKhoa)) {}

void NhatKy::doiThuMuc(const QString& thuMucData) {
    luong_.kiem("NhatKy::doiThuMuc");
    thuMucData_ = thuMucData;
    duongDan_ = thuMucData_ + QStringLiteral("/app.log.jsonl");
    vanTayDongTruoc_ = QStringLiteral("GENESIS");
    loiGhi_.reset();
    napVanTayCuoi();
}

std::string NhatKy::tuanTuHoa(const std::string& jsonDump) {
    // nlohmann sorts keys but writes "/" plainly; the journal's form escapes it.
    std::string ra;
    ra.reserve(jsonDump.size() + 16);
    for (const char c : jsonDump) {
        if (c == '/') ra += '\\';
        ra += c;
    }
    return ra;
}

void NhatKy::ghi(const QString& suKien, const QMap<QString, QString>& chiTiet) {
    luong_.kiem("NhatKy::ghi");
    nlohmann::json chiTietJson = nlohmann::json::object();
    bool hopLe = suKien.isValidUtf16();
    for (auto it = chiTiet.cbegin(); it != chiTiet.cend(); ++it) {
        hopLe = hopLe && it.key().isValidUtf16() && it.value().isValidUtf16();
        chiTietJson[it.key().toStdString()] = it.value().toStdString();
    }
    const auto boQua = [this](const QString& lyDo) { loiGhi_ = QStringLiteral("Không ghi được nhật ký: ") + lyDo; };
    // A lone surrogate would be written as a replacement character and the event would no longer
    // say what happened; it is refused like any other text that is not valid Unicode.
    if (!hopLe) return boQua(QStringLiteral("sự kiện chứa văn bản không hợp lệ."));
    nlohmann::json dong = {{"ts", dinhDangISO().dinhDang(dongHo_.gioThuc()).toStdString()},
                           {"event", suKien.toStdString()},
                           {"detail", std::move(chiTietJson)},
                           {"prev", vanTayDongTruoc_.toStdString()}};
    std::string chuoi;
    try {
        const QString bam = bamHex(tuanTuHoa(dong.dump()));
        dong["hash"] = bam.toStdString();
        chuoi = tuanTuHoa(dong.dump());
        chuoi += '\n';
        if (const auto loi = damBaoKhoa_()) return boQua(*loi);
        TepDongJson::taoThuMuc(thuMucData_);
        TepDongJson::noiDong(duongDan_, QByteArrayView(chuoi.data(), qsizetype(chuoi.size())), laDongNhatKy);
        vanTayDongTruoc_ = bam;
        loiGhi_.reset();
    } catch (const LoiTep& e) {
        boQua(e.moTa());
    } catch (const nlohmann::json::exception& e) {
        boQua(QString::fromUtf8(e.what()));
    }
}

void NhatKy::napVanTayCuoi() {
    luong_.kiem("NhatKy::napVanTayCuoi");
    // A torn last line is cut before anything chains to it, so the journal keeps verifying.
    if (!damBaoKhoa_())
        TepDongJson::suaDuoi(duongDan_, laDongNhatKy);
    // Only the last line that carries a hash is wanted, so the journal is read from its end: the
    // start-up scan for unfinished recordings is what reads it whole.
    TepDongJson::DemDoc dem;
    TepDongJson::docNguocTungDong(duongDan_, dem, [this](QByteArrayView dong) {
        const auto d = DongNhatKy::doc(dong);
        const std::string* bam = d ? d->chu("hash") : nullptr;
        if (!bam || bam->empty()) return true;
        vanTayDongTruoc_ = QString::fromStdString(*bam);
        return false;
    });
}

NhatKy::KetQuaKiemTra NhatKy::kiemTra() const {
    return kiemTra(chupDeKiemTra());
}

NhatKy::AnhKiemTra NhatKy::chupDeKiemTra() const {
    luong_.kiem("NhatKy::chupDeKiemTra");
    struct stat st;
    const QByteArray ten = QFile::encodeName(duongDan_);
    return {duongDan_, ::stat(ten.constData(), &st) == 0 ? qint64(st.st_size) : -1};
}

void NhatKy::kiemTraNen(AnhKiemTra anh, QObject* nguoiNhan, KhiKiemXong khiXong) {
    QPointer<QObject> nhan(nguoiNhan);
    QThreadPool::globalInstance()->start([anh = std::move(anh), nhan, khiXong = std::move(khiXong)]() mutable {
        const KetQuaKiemTra kq = kiemTra(anh);
        // The receiver is only looked at on the GUI thread, the one place it could be deleted.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [nhan, kq, khiXong = std::move(khiXong)] {
                if (nhan) khiXong(kq);
            },
            Qt::QueuedConnection);
    });
}

NhatKy::KetQuaKiemTra NhatKy::kiemTra(const AnhKiemTra& anh) {
    auto noiDung = TepDongJson::docToanBo(anh.duongDan);
    // Lines appended after the snapshot are left to the next check.
    if (noiDung && anh.soByte >= 0 && noiDung->size() > anh.soByte) noiDung->truncate(anh.soByte);
    // A journal that is not UTF-8 text as a whole cannot be read, and says so rather than naming a line.
    if (!noiDung || !simdjson::validate_utf8(noiDung->constData(), size_t(noiDung->size())))
        return {false, 0, std::nullopt};
    KetQuaKiemTra kq{true, 0, std::nullopt};
    std::string truoc = "GENESIS";
    DongNhatKy::tachDong(*noiDung, [&](qint64 so, QByteArrayView dong) {
        kq.soDong = so;
        const bool dung = [&] {
            auto d = DongNhatKy::doc(dong);
            if (!d) return false;
            const std::string* bam = d->chu("hash");
            const std::string* prev = d->chu("prev");
            if (!bam || !prev || *prev != truoc) return false;
            std::string bamDong = *bam;
            const auto lai = d->tuanTuKhongBam();
            if (!lai || bamHex(*lai).toStdString() != bamDong) return false;
            truoc = std::move(bamDong);
            return true;
        }();
        if (!dung) {
            kq.ok = false;
            kq.dongGay = so;
        }
        return dung;
    });
    return kq;
}

void NhatKy::docSuKien(std::initializer_list<std::string_view> cacTen,
                       const std::function<void(const SuKienDoc&)>& moiSuKien) const {
    // Opened as the store opens its own files: regular files only, never waiting on a pipe put in its place.
    const int fd = TepDongJson::moDeDoc(duongDan_);
    if (fd < 0) return;
    QFile tep;
    if (!tep.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return;
    }
    // readLine(n) gives at most n - 1 bytes: room for a line of kDongToiDa bytes and its line feed.
    constexpr qint64 kDoc = kDongToiDa + 2;
    // simdjson refuses, with its depth set to the check's limit, exactly the lines nested deeper than the check
    // allows, without a second pass over every line.
    thread_local struct BoDocSuKien {
        simdjson::dom::parser p;
        bool coGioiHan =
            p.allocate(size_t(kDoc) + simdjson::SIMDJSON_PADDING, DocJson::kDoSauToiDa) == simdjson::SUCCESS;
    } parser;
    while (!tep.atEnd()) {
        QByteArray dong = tep.readLine(kDoc);
        if (dong.endsWith('\n')) {
            dong.chop(1);
        } else if (!tep.atEnd()) {
            // Longer than any line this program writes: read past it without keeping it.
            while (!tep.atEnd() && !tep.readLine(kDoc).endsWith('\n')) {
            }
            continue;
        }
        if (dong.size() > kDongToiDa || !coTheLaSuKien(dong, cacTen)) continue;
        // By the check's rule before simdjson's: a NUL byte or a byte-order mark makes the line no event (simdjson
        // alone would take a byte-order mark), and so does nesting the check refuses.
        if (dong.contains('\0') || TepDongJson::coBom(dong)) continue;
        if (!parser.coGioiHan &&
            !DocJson::trongDoSau(dong.constData(), dong.constData() + dong.size(), DocJson::kDoSauToiDa))
            continue;
        simdjson::dom::object o;
        if (parser.p.parse(dong.constData(), size_t(dong.size()), true).get_object().get(o) != simdjson::SUCCESS)
            continue;
        const auto suKien = truongCuoi(o, "event");
        std::string_view ten;
        if (!suKien || suKien->get_string().get(ten) != simdjson::SUCCESS || !laTenCan(cacTen, ten)) continue;
        const auto chiTiet = truongCuoi(o, "detail");
        simdjson::dom::object ct;
        const bool coCt = chiTiet && chiTiet->get_object().get(ct) == simdjson::SUCCESS;
        moiSuKien(SuKienDoc(ten, o, coCt ? &ct : nullptr));
    }
}
