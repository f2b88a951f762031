#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "store/LuongChay.h"

class DongHo;
class QObject;
namespace simdjson::dom {
class object;
}

// The hash-chained journal "data/app.log.jsonl": each line carries the hash of the line before it, so a
// line changed, removed or slipped in afterwards breaks the chain there. It writes only while the data
// folder's lock is held: the store that owns the lock is asked before every write and every repair.
class NhatKy {
public:
    struct KetQuaKiemTra {
        bool ok = false;
        qint64 soDong = 0;
        std::optional<qint64> dongGay;
    };
    // Absent when the lock is held; otherwise the Vietnamese text saying why nothing may be written.
    using DamBaoKhoa = std::function<std::optional<QString>()>;

    // One event read back: a view of its parsed line in the reading thread's parser, valid only inside the
    // call it is handed to and only until JSON is parsed again on that thread.
    class SuKienDoc {
    public:
        QString ten() const;
        // Its "ts"; absent when that is not an ISO 8601 time.
        std::optional<QDateTime> luc() const;
        // False when the line carries no "detail" object.
        bool coChiTiet() const { return chiTiet_ != nullptr; }
        // A text of its "detail"; empty when missing or not text.
        QString chiTiet(std::string_view khoa) const;

    private:
        friend class NhatKy;
        SuKienDoc(std::string_view ten, const simdjson::dom::object& dong, const simdjson::dom::object* chiTiet)
            : ten_(ten), dong_(dong), chiTiet_(chiTiet) {}
        std::string_view ten_;
        const simdjson::dom::object& dong_;
        const simdjson::dom::object* chiTiet_;
    };

    // Touches no file. The clock gives each line its time.
    NhatKy(QString thuMucData, DongHo& dongHo, DamBaoKhoa damBaoKhoa);
    NhatKy(const NhatKy&) = delete;
    NhatKy& operator=(const NhatKy&) = delete;

    const QString& duongDan() const { return duongDan_; }
    // Points the journal at another data folder, before anything was written there by this run: the chain
    // goes on from that folder's own last line.
    void doiThuMuc(const QString& thuMucData);

    // Appends one event chained to the last line written. A failure leaves the chain where it was and is
    // kept in loiGhi() until the next good write. Writing and loading the last hash belong to the thread
    // the journal lives on: two writers at once would chain two lines to the same hash.
    void ghi(const QString& suKien, const QMap<QString, QString>& chiTiet = {});
    void napVanTayCuoi();
    KetQuaKiemTra kiemTra() const;

    // What the whole-journal check needs, taken on the journal's own thread, where no line is ever half
    // written: its path and its length then. The check reads only those bytes, by path, touching nothing of
    // the journal object, so it may run on any thread while the journal goes on writing; a line added after
    // the snapshot is not part of the verdict.
    struct AnhKiemTra {
        QString duongDan;
        qint64 soByte = -1;  // unknown: the file as it is when read
    };
    AnhKiemTra chupDeKiemTra() const;
    static KetQuaKiemTra kiemTra(const AnhKiemTra& anh);
    // The check on a worker thread; khiXong runs on the GUI thread, and not at all once nguoiNhan (a GUI-thread
    // object) is gone.
    using KhiKiemXong = std::function<void(KetQuaKiemTra)>;
    static void kiemTraNen(AnhKiemTra anh, QObject* nguoiNhan, KhiKiemXong khiXong);

    // Hands moiSuKien every event named in cacTen, in the order written, reading the journal whole and
    // bounded as outside data: a line longer than kDongToiDa bytes (its line feed not counted) is passed over
    // unread, a line is looked at only when it names its event as the program writes it ("event":"name"), and
    // one that does not parse (torn, a NUL byte in it, nested deeper than the check allows, an integer past 64
    // bits, a byte-order mark before it) is skipped. Of two keys of one name the last is read, as the check
    // hashes it. A journal that is not a regular file is not read.
    void docSuKien(std::initializer_list<std::string_view> cacTen,
                   const std::function<void(const SuKienDoc&)>& moiSuKien) const;

    const QString& vanTayDongTruoc() const { return vanTayDongTruoc_; }
    const std::optional<QString>& loiGhi() const { return loiGhi_; }

    // For a journal built on one thread and handed, with its store, to the thread it then lives on.
    void ganVaoLuongNay() { luong_.ganVaoLuongNay(); }

    // The sorted, slash-escaped serialisation the journal hashes.
    static std::string tuanTuHoa(const std::string& jsonDump);

    // Lines longer than this are not ours: the program's own lines stay far below it.
    static constexpr qsizetype kDongToiDa = 64 * 1024;

private:
    QString thuMucData_;
    QString duongDan_;
    DongHo& dongHo_;
    DamBaoKhoa damBaoKhoa_;
    QString vanTayDongTruoc_ = QStringLiteral("GENESIS");
    std::optional<QString> loiGhi_;
    LuongChay luong_;
};
