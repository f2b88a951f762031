#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <optional>

#include "core/CongSaoLuu.h"
#include "store/BanGhiVideo.h"

class CaiDat;
class KhoDuLieu;

// Keeps a second copy of every video file under the owner's backup folder, mirroring its path below the data
// folder. Copies run one at a time on a low-priority worker, so a per-save copy and a catch-up copy of the same
// file never overlap and recording keeps the disk first.
class SaoLuu : public CongSaoLuu {
    Q_OBJECT
    Q_PROPERTY(QString trangThai READ trangThai NOTIFY trangThaiChanged)
    Q_PROPERTY(bool dangChay READ dangChay NOTIFY dangChayChanged)

public:
    SaoLuu(KhoDuLieu& kho, CaiDat& caiDat, QObject* parent = nullptr);
    ~SaoLuu() override;

    QString trangThai() const override { return trangThai_; }
    bool dangChay() const override { return dangChay_; }

    bool coThuMuc() const;
    std::optional<QString> duongDanBanSao(const QString& filePath) const;

    // Compared by path component, never as raw text; none for a file outside the data folder or a
    // destination that would leave the backup folder.
    static std::optional<QString> duongDanBanSao(const QString& thuMucGoc, const QString& thuMucSaoLuu,
                                                 const QString& filePath);

    // Returns at once; the copy happens on the worker and its outcome is not reported.
    void saoLuuMot(const BanGhiVideo& banGhi) override;

    // Returns at once; progress shows in trangThai and xongBuToanBo is emitted at the end.
    void saoLuuBuToanBo() override;

    // Called after each chunk has been written to the temporary file; tests use it to act mid-copy.
    using KhiChep = std::function<void()>;

    // True when the destination holds a copy afterwards. A destination of the same size counts as a copy, unless
    // it is the source file itself.
    // A copy of a different size is replaced only by a source that still matches `sha256`.
    static bool chepNeuCan(const QString& nguon, const QString& dich, const QString& sha256,
                           const KhiChep& khiChep = {});

    // Where a backup folder stands against the data folder.
    static ViTri soVoiThuMucGoc(const QString& thuMucGoc, const QString& thuMucSaoLuu);
    // Why a folder in that position is no backup, in the owner's words; empty for a folder of its own.
    static QString lyDo(ViTri viTri);

    // Left in the backup folder when it is chosen. An empty mount point of an unplugged drive does not have it,
    // so its absence stops the copies before they fill the internal disk.
    static inline const QString kTepDanhDau = QString::fromLatin1(kTenTepDanhDau);
    static bool danhDauThuMuc(const QString& thuMucSaoLuu);
    // A folder set before the marker existed is taken as chosen when it already holds the mirror's year folders
    // and is not a place for mount points that sits on the data folder's own disk.
    static bool nhanThuMucCu(const QString& thuMucGoc, const QString& thuMucSaoLuu,
                             const QStringList& noiGanO = {QStringLiteral("/media"), QStringLiteral("/mnt"),
                                                           QStringLiteral("/run/media")});

    // True when copies may go into the folder: it exists and carries the marker, or is a folder set before the
    // marker existed (nhanThuMucCu), which gets the marker now.
    static bool sanSang(const QString& thuMucGoc, const QString& thuMucSaoLuu);

    // Looks at the backup folder set now on the worker, away from a drive that may hang, and answers on this
    // object's thread; no answer when the backup is gone by then.
    void kiemTraThuMuc(std::function<void(TinhTrang)> traLoi) override;

    // Why a copy was not made, where it is not the drive: a folder on the way to the destination (through a link,
    // or moved there) is the data folder or lies in it; the destination is the source file itself; or something
    // that is no folder (a file, a link to nowhere) stands where a folder of the mirror belongs, or no file where
    // the copy belongs. khac is everything else: a drive gone or full, a source that cannot be read.
    enum class LoiChep { khong, vaoThuMucDuLieu, chinhTepGoc, biChan, khac };
    struct KetQuaChep {
        ViTri viTri = ViTri::rieng;  // anything but rieng: nothing was tried
        LoiChep loi = LoiChep::khong;
        bool daChep() const { return loi == LoiChep::khong; }
    };
    // A backup folder that has vanished is never made again, nor one without the marker: either is the mount
    // point of an unplugged drive, and copying there would quietly fill the internal disk instead.
    // The destination's folders are opened and made one at a time below the backup folder; a folder is checked
    // against the data folder, by walking up from it to the root, before anything is made inside it, and the last
    // one always. The copy is written and renamed into place through the last folder held open, and counts only
    // when that folder is still outside the data folder and still the one its path leads to. Nothing is ever made
    // or written inside the data folder.
    static KetQuaChep chepVaoThuMuc(const QString& thuMucGoc, const QString& thuMucSaoLuu, const QString& nguon,
                                    const QString& dich, const QString& sha256, const KhiChep& khiChep = {});

    // Blocks until every queued copy has finished. For shutdown and tests only, never on a live screen.
    void choHetViec();

signals:
    void xongBuToanBo();

private:
    struct Viec {
        QString nguon;
        QString dich;
        QString sha256;
        QString thuMucGoc;
        QString thuMucSaoLuu;
    };
    void datTrangThai(const QString& s);
    void datDangChay(bool b);
    // What a catch-up run has counted of its failures so far; those by reason add up to loi.
    struct Dem {
        int loi = 0;
        int vaoThuMucDuLieu = 0;
        int chinhTepGoc = 0;
        int biChan = 0;
    };
    void chayTiep(std::shared_ptr<std::vector<Viec>> ds, size_t i, Dem dem);
    void ketThuc(int tong, const Dem& dem, ViTri viTri = ViTri::rieng);

    KhoDuLieu& kho_;
    CaiDat& caiDat_;
    QThreadPool tho_;
    QString trangThai_;
    bool dangChay_ = false;
};
