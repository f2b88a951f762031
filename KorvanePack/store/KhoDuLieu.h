#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

#include "store/BanGhiVideo.h"
#include "store/BangDonDaNap.h"
#include "store/BangManh.h"
#include "store/DonHang.h"
#include "store/KhoaThuMuc.h"
#include "store/LoDon.h"
#include "store/LuongChay.h"
#include "store/NhatKy.h"

class DongHo;
class DoDungLuong;

// The one data store: the data folder on disk, every order and video record of the recent months in
// memory, and the hash-chained journal. Where each kind of line goes is its own affair: callers hand it
// orders, records and events, never a folder or a file name. It lives on the GUI thread, the one that
// builds it; it has no lock of its own, so a call that changes its maps, its folder lock or its journal
// from any other thread stops the program (ghiLoDon, ghiDonDaDoi and the free-space measure are the
// workers' way in). It holds the data folder's lock file so that no second process writes into the same
// folder.
class KhoDuLieu {
public:
    struct SoLuong {
        qint64 soDon = 0;
        qint64 soVideo = 0;
    };
    struct KetQuaDonDep {
        qint64 soFile = 0;
        qint64 soByte = 0;
    };

    // Touches no file. The clock gives the month of new lines, journal times and the cleanup cut-off.
    explicit KhoDuLieu(QString thuMucGoc, DongHo* dongHo = nullptr,
                       std::shared_ptr<const DoDungLuong> doDungLuong = {});
    KhoDuLieu(const KhoDuLieu&) = delete;
    KhoDuLieu& operator=(const KhoDuLieu&) = delete;
    // For a store built and loaded on one thread and then handed to the thread it lives on.
    void ganVaoLuongNay() {
        luong_.ganVaoLuongNay();
        nhatKy_.ganVaoLuongNay();
    }

    const QString& thuMucGoc() const { return thuMucGoc_; }
    QString thuMucDon() const;          // "data/orders"
    QString thuMucBanGhiVideo() const;  // "data/recordings"
    QString thuMucVideo() const;        // "videos"
    static QString tienToDon() { return QStringLiteral("orders-"); }
    static QString tienToVideo() { return QStringLiteral("recordings-"); }

    // Takes the data folder's lock. Absent on success; otherwise the Vietnamese text that start-up shows
    // before it stops. Every write takes the lock first and refuses when another process holds it.
    std::optional<QString> moKho();
    const std::optional<QString>& loiKhoa() const { return loiKhoa_; }
    // Moves the store onto another data folder while this run has recorded nothing: the folder chosen at the
    // first run is the one the first recording lands in. The new folder is locked and loaded as at start-up,
    // the journal goes on in it, and the orders synced so far are written there too. Absent on success;
    // otherwise the Vietnamese reason, and the store stays where it was. Refused once a video is held.
    std::optional<QString> doiThuMucGoc(const QString& moi, int soNgayGiu);
    static inline const QString kDaCoVideo =
        QStringLiteral("Đã có video trong thư mục đang dùng, nên thư mục mới chỉ được dùng từ lần mở ứng dụng sau.");

    // Start-up load of the newest month files. Recordings cover at least the months that a retention
    // of soNgayGiu days reaches back to, so cleanup and lookup see every video still kept.
    SoLuong napTatCa(int soThang, int soNgayGiu = 0);
    void napDon(const QString& thuMuc, const QString& tienTo, int soTep);

    void capNhatDon(const DonHang& don);
    // Replaces the in-memory record after the caller appended it; an empty id is ignored.
    void datVideo(const BanGhiVideo& video);

    std::optional<DonHang> donTheoMa(const QString& ma) const;
    QList<BanGhiVideo> videoTheoMa(const QString& ma) const;

    const BangDonDaNap& donTheoId() const { return donTheoId_; }
    const BangManh<QString>& maToiId() const { return maToiId_; }
    const QHash<QString, BanGhiVideo>& videoTheoId() const { return videoTheoId_; }

    // Appends one line to the month file of its kind for the current local month. Throws LoiTep and
    // leaves the in-memory maps alone: the caller updates them after a successful write.
    void ghiBanGhiVideo(const BanGhiVideo& video);
    void ghiDon(const DonHang& don);
    // Appends every order of one fetch to the current month's orders file as one write followed by one
    // sync, instead of one per order: 2,000 orders cost one fsync, and either all of their lines reach the
    // disk or the file is left as it was. It may be called from a worker thread, so the desk never waits
    // on it: it reads only the root and the clock, and the month is the one in which the lines are written
    // (the sync engine's fetches go through ghiDonDaDoi below, which also leaves out unchanged orders). It does not take the folder lock (that is the GUI thread's): the caller takes
    // it with moKho() before handing the batch over, and writes nothing when that fails. Throws LoiTep.
    void ghiLoDon(const QList<DonHang>& cacDon) const;
    // The sync engine's way in for one fetch, in three steps. chupDon, on the GUI thread as the fetch
    // begins: what the store holds of orders, at no cost. ghiDonDaDoi, on the worker once the fetch is in:
    // appends, as ghiLoDon does, only the orders whose record differs from what the store holds (LoDon),
    // and hands back the batch to index; nothing is written when every order is unchanged. chiMucLo, on
    // the GUI thread: indexes the written orders as capNhatDon would, one after the other, for about
    // ngan at a time (and at most toiDaDon orders), so that a scan is never kept waiting; true when the
    // batch is all in. Another change to the orders between the steps only costs the preparation.
    LoDon::AnhKho chupDon() const;
    LoDon ghiDonDaDoi(LoDon::AnhKho anh, const QList<DonHang>& cacDon) const;
    bool chiMucLo(LoDon& lo, std::chrono::nanoseconds ngan, qsizetype toiDaDon);
    // The month files the next line of each kind lands in, for looking at what was written.
    QString tepDonThangNay() const;
    QString tepBanGhiThangNay() const;

    // Creates the day folder and returns a path that does not exist yet.
    QString duongDanVideoMoi(const QString& ma, const QDateTime& batDau, bool laHoan);
    QString duongDanVideoMoi(const QString& ma, std::chrono::system_clock::time_point batDau, bool laHoan);

    std::optional<qint64> dungLuongTrongMB() const;
    std::optional<QString> thuGhi();

    QList<DonHang> timDon(const QString& tuKhoa, int gioiHan) const;
    static bool khopTuKhoa(const DonHang& don, const QString& maChuan, const QString& chuThuong);

    // Each file is named in the list "data/.don-dep.jsonl" (synced) before it is removed, and the run's "cleanup"
    // event carries the run's id ("lan"); the list goes once the event is written. A run cut short by a crash
    // leaves its list, and the next run first journals, under that run's id, the files of it that are gone,
    // unless the journal already has that run's event: every removed file is journalled exactly once.
    KetQuaDonDep donDepVideoCu(int soNgayGiu);
    QString tepDanhSachDonDep() const;  // "data/.don-dep.jsonl"
    // The shortest retention that cleanup acts on; anything shorter is a damaged setting.
    static constexpr int soNgayGiuToiThieu = 7;

    // The journal "data/app.log.jsonl", written under the store's folder lock.
    NhatKy& nhatKy() { return nhatKy_; }
    const NhatKy& nhatKy() const { return nhatKy_; }

private:
    // Journals what a cleanup run cut short left in its list; false when the journal could not be written.
    bool hoanTatDonDepDo();
    std::optional<QString> damBaoKhoa();
    QString thangHienTai() const;
    QStringList cacTepThang(const QString& thuMuc, const QString& tienTo, int soTep) const;
    // The month files to load, their torn last lines repaired first when the folder is ours.
    QStringList tepDeNap(const QString& thuMuc, const QString& tienTo, int soTep);
    // Orders files and recordings files, each list oldest first, decoded and merged on every core.
    void napTep(QStringList tepDon, const QStringList& tepVideo);
    QString tepThangHienTai(const QString& thuMuc, const QString& tienTo) const;
    // The month file of thang ("yyyy-MM").
    static QString tepThang(const QString& thuMuc, const QString& tienTo, const QString& thang);
    void ghiDong(const QByteArray& dong, const QString& thuMuc, const QString& tienTo);
    void boMaCu(const QString& id, const QStringList& giuLai);

    LuongChay luong_;
    QString thuMucGoc_;
    DongHo* dongHo_;
    std::shared_ptr<const DoDungLuong> doDungLuong_;
    BangDonDaNap donTheoId_;
    BangManh<QString> maToiId_;
    QHash<QString, BanGhiVideo> videoTheoId_;
    // Counts the changes of the order maps, so that a batch prepared from a snapshot knows it still fits.
    quint64 phienBanDon_ = 0;
    std::optional<QString> loiKhoa_;
    KhoaThuMuc khoa_;
    NhatKy nhatKy_;
};
