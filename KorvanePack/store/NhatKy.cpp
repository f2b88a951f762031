#include "store/NhatKy.h"

#include <openssl/sha.h>
#include <simdjson.h>

#include <QDir>
#include <nlohmann/json.hpp>

#include "store/DinhDangISO.h"
#include "store/DocJson.h"
#include "store/DongHo.h"
#include "store/LoiTep.h"
#include "store/TepDongJson.h"
#include "store/TienIch.h"

namespace {

QString bamHex(const std::string& s) {
    unsigned char md[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(s.data()), s.size(), md);
    return chuoiHex(QByteArrayView(reinterpret_cast<const char*>(md), SHA256_DIGEST_LENGTH));
}

// Calls moiDong for every non-empty piece between line feeds, numbered from 1. A piece of white space
// is a line like any other and fails the check: skipping it would call a journal intact that any other
// reader of the same rule calls broken there, and shift every line number after it.
template <class F>
void tachDong(const QByteArray& noiDung, F&& moiDong) {
    qsizetype i = 0;
    qint64 so = 0;
    while (i < noiDung.size()) {
        qsizetype ket = noiDung.indexOf('\n', i);
        if (ket < 0) ket = noiDung.size();
        const QByteArrayView dong(noiDung.constData() + i, ket - i);
        if (!dong.isEmpty()) {
            if (!moiDong(++so, dong)) return;
        }
        i = ket + 1;
    }
}

}  // namespace

NhatKy::NhatKy(QString thuMucData, DongHo& dongHo, DamBaoKhoa damBaoKhoa)
    : thuMucData_(std::move(thuMucData)),
      duongDan_(thuMucData_ + QStringLiteral("/app.log.jsonl")),
      dongHo_(dongHo),
      damBaoKhoa_(std::move(damBaoKhoa)) {}

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
        TepDongJson::noiDong(duongDan_, QByteArrayView(chuoi.data(), qsizetype(chuoi.size())));
        vanTayDongTruoc_ = bam;
        loiGhi_.reset();
    } catch (const LoiTep& e) {
        boQua(e.moTa());
    } catch (const nlohmann::json::exception& e) {
        boQua(QString::fromUtf8(e.what()));
    }
}

void NhatKy::napVanTayCuoi() {
    // A torn last line is cut before anything chains to it, so the journal keeps verifying.
    if (!damBaoKhoa_()) TepDongJson::suaDuoi(duongDan_);
    // Only the last line that carries a hash is wanted, so the journal is read from its end: the
    // start-up scan for unfinished recordings is what reads it whole.
    TepDongJson::DemDoc dem;
    TepDongJson::docNguocTungDong(duongDan_, dem, [this](QByteArrayView dong) {
        const auto o = DocJson::docDoiTuong(std::string_view(dong.data(), size_t(dong.size())));
        const QString bam = o ? DocJson::chu(*o, "hash") : QString();
        if (bam.isEmpty()) return true;
        vanTayDongTruoc_ = bam;
        return false;
    });
}

NhatKy::KetQuaKiemTra NhatKy::kiemTra() const {
    const auto noiDung = TepDongJson::docToanBo(duongDan_);
    // A journal that is not UTF-8 text as a whole cannot be read, and says so rather than naming a line.
    if (!noiDung || !simdjson::validate_utf8(noiDung->constData(), size_t(noiDung->size())))
        return {false, 0, std::nullopt};
    KetQuaKiemTra kq{true, 0, std::nullopt};
    std::string truoc = "GENESIS";
    tachDong(*noiDung, [&](qint64 so, QByteArrayView dong) {
        kq.soDong = so;
        auto j = DocJson::docCoGioiHan(dong.begin(), dong.end());
        const bool dung = [&] {
            if (j.is_discarded() || !j.is_object()) return false;
            const auto bam = j.find("hash");
            const auto prev = j.find("prev");
            if (bam == j.end() || prev == j.end() || !bam->is_string() || !prev->is_string()) return false;
            if (prev->get_ref<const std::string&>() != truoc) return false;
            std::string bamDong = bam->get<std::string>();
            j.erase("hash");
            std::string lai;
            try {
                lai = tuanTuHoa(j.dump());
            } catch (const nlohmann::json::exception&) {
                return false;
            }
            if (bamHex(lai).toStdString() != bamDong) return false;
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
