#pragma once

#include <QMap>
#include <QString>
#include <functional>
#include <optional>
#include <string>

class DongHo;

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

    // Touches no file. The clock gives each line its time.
    NhatKy(QString thuMucData, DongHo& dongHo, DamBaoKhoa damBaoKhoa);
    NhatKy(const NhatKy&) = delete;
    NhatKy& operator=(const NhatKy&) = delete;

    const QString& duongDan() const { return duongDan_; }

    // Appends one event chained to the last line written. A failure leaves the chain where it was and is
    // kept in loiGhi() until the next good write.
    void ghi(const QString& suKien, const QMap<QString, QString>& chiTiet = {});
    void napVanTayCuoi();
    KetQuaKiemTra kiemTra() const;
    const QString& vanTayDongTruoc() const { return vanTayDongTruoc_; }
    const std::optional<QString>& loiGhi() const { return loiGhi_; }

    // The sorted, slash-escaped serialisation the journal hashes; exposed for the verifier's tests.
    static std::string tuanTuHoa(const std::string& jsonDump);

private:
    QString thuMucData_;
    QString duongDan_;
    DongHo& dongHo_;
    DamBaoKhoa damBaoKhoa_;
    QString vanTayDongTruoc_ = QStringLiteral("GENESIS");
    std::optional<QString> loiGhi_;
};
