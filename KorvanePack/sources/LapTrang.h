#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>

#include "store/DonHang.h"

// The loop over the pages of one fetch, shared by every paged client. The client says how to ask for a
// page and read it; the loop goes on while the platform says more follow and stops at a bound, so a
// platform that never says "last page" (an endless list, the same page again and again, a count of
// millions) ends the fetch with what was read instead of holding it. Whatever the client throws (a
// refusal, a cancelled run, a reply that does not parse) ends the loop and reaches the caller as it is.
class LapTrang {
public:
    // What the client makes of the page it has just read.
    enum class SauTrang {
        conNua,  // the platform says more follow
        het,     // the last page: the list is complete
        dungLai  // stop here with pages left: the client met a bound of its own while asking
    };
    enum class KetThuc {
        het,      // the platform's list was read to its end
        conTrang  // the bound stopped the fetch with pages left; the next run takes them
    };
    // Reads page `trang`, 0 for the first.
    using DocTrang = std::function<SauTrang(int trang)>;
    // The most pages one fetch reads, asked after each page, since it may change with how the client
    // asks; the first page is always read.
    using Tran = std::function<int()>;

    static KetThuc chay(const DocTrang& docTrang, const Tran& tran);
    static KetThuc chay(const DocTrang& docTrang, int tran);
};

// The orders one fetch may hold: the client's pages times its page size, and kByteToiDa bytes of mapped
// orders. A page holding more entries than were asked for counts as that many, so a platform that ignores
// the page size cannot widen the bound, and the entries past it are not mapped at all. The bytes bound the
// pages full of large orders, each reply just under the transport's cap, that the count alone lets through.
class HanMucDon {
public:
    // Mapped orders are held as UTF-16 text, then again as the lines written and in the store's maps; a
    // quarter of a gigabyte of them keeps one sync well under a gigabyte with a full reply being parsed.
    static constexpr qsizetype kByteToiDa = qsizetype(256) * 1024 * 1024;

    explicit HanMucDon(qsizetype toiDa, qsizetype byteToiDa = kByteToiDa) : conLai_(toiDa), conLaiByte_(byteToiDa) {}
    // How many of a page's soMuc entries may still be taken.
    qsizetype nhan(qsizetype soMuc) {
        const qsizetype n = std::clamp<qsizetype>(soMuc, 0, conLai_);
        conLai_ -= n;
        tranRoi_ = tranRoi_ || n < soMuc || conLai_ == 0;
        return n;
    }
    // Counts a mapped order's bytes; once they reach the bound no further entry is taken.
    void nhanByte(qsizetype soByte) {
        conLaiByte_ -= soByte;
        if (conLaiByte_ <= 0) {
            conLai_ = 0;
            tranRoi_ = true;
            hetByte_ = true;
        }
    }
    // The bytes, not the count, met the bound: the entries after the one that crossed it are not taken.
    bool hetByte() const { return hetByte_; }
    // The bound was met: the fetch ends here with what it holds, as a capped fetch.
    bool daCham() const { return tranRoi_; }

private:
    qsizetype conLai_;
    qsizetype conLaiByte_;
    bool tranRoi_ = false;
    bool hetByte_ = false;
};

// About the memory a mapped order holds: its texts as UTF-16 and the fixed part of each text and list entry.
qsizetype byteDon(const DonHang& don);

// One fetch's pages of a platform that answers with a list of order objects, read the same way on every page:
// the list's first entry kept as the raw sample while none is kept yet and the entries the bound still allows
// mapped; for the clients whose reply holds the list under one key and whose short page ends the list
// (KiotViet, Pancake, Sapo), also the reply parsed and what the page's size says of the pages after it. How a
// page is asked for, how an entry maps and where the next page starts stay with the client.
class GomDon {
public:
    using Chuyen = std::function<std::optional<DonHang>(const nlohmann::json& muc)>;
    // Shown each entry that is taken, with its place on the page, before it is mapped.
    using Xem = std::function<void(const nlohmann::json& muc, qsizetype viTri)>;

    // At most coTrang * tran orders. The sample goes into mau under khoa, the client's lock over it, so that
    // it is there even when a later page fails.
    GomDon(QString tenNguon, int coTrang, int tran, std::mutex& khoa, std::optional<QString>& mau,
           qsizetype byteToiDa = HanMucDon::kByteToiDa);

    // Reads the reply body of one page, whose list sits under khoaDanhSach; a body that is no JSON object
    // throws the source's "not readable" error. dungLai once the bound is met, het after a page shorter
    // than coTrang; conNua otherwise, and the client then moves on to the next page.
    LapTrang::SauTrang doc(const QByteArray& than, const char* khoaDanhSach, const Chuyen& chuyen, const Xem& xem = {});
    // Takes one page's entries, already taken out of its reply; returns how many the bound let through.
    qsizetype nhan(const std::vector<const nlohmann::json*>& ds, const Chuyen& chuyen, const Xem& xem = {});
    // Whether the bound is met.
    bool daCham() const { return hanMuc_.daCham(); }
    // The orders mapped so far, handed over.
    QList<DonHang> layRa() { return std::move(ra_); }

private:
    QString tenNguon_;
    int coTrang_;
    HanMucDon hanMuc_;
    std::mutex& khoa_;
    std::optional<QString>& mau_;
    QList<DonHang> ra_;
};

// A window of orders read by page number while orders are edited: an edited order leaves a window closed
// in the past and lets the one after it slide onto a page already read. Such a window's members can only
// leave it (a change moves an order past it; nothing new is stamped in a second gone by), so it is read
// again until two readings bring the same orders: a reading that skipped an order did so because one it
// had brought left during it, and that one cannot be in the next reading. A first reading that ends on its
// first page needs no second. Used for the narrowed windows of a list not in order of last change, and for
// the block of orders sharing one second of a list that is (a full page within one second cannot be passed
// by moving the time filter on).
class DocLaiDenKhiKhop {
public:
    // Whether a block is being read.
    bool dangDoc() const { return dangDoc_; }
    // Starts reading the window [tu, den] (Unix seconds) from its first page.
    void batDau(qint64 tu, qint64 den);
    qint64 tu() const { return tu_; }
    qint64 den() const { return den_; }
    // The page to ask for next, 1 for the first.
    int trang() const { return trang_; }
    // An order of the page just read.
    void nhan(const QString& id) { luotNay_.insert(id); }
    // Called after each page of the block; hetLuot when the page ended the reading. True once two readings
    // agreed: the block is whole and the fetch goes on past den.
    bool sauTrang(bool hetLuot);

    // Where a list read oldest update first by page number goes on from (tuGiay, trang) in Unix seconds; truoc
    // is where its order check stands.
    struct ViTri {
        qint64 tuGiay = 0;
        int trang = 1;
        qint64 truoc = 0;
    };
    // After a page of a block being read: a block found whole lets the list go on past it, from page 1.
    void sauTrangKhoi(bool hetLuot, ViTri& vt);
    // After a full page in order whose first and last updates were dau and cuoi: the next page starts a second
    // before cuoi, from page 1, so it repeats what it read of that second; a page within one second begins a
    // block closed at min(cuoi, den); without times in order the list goes on by page number.
    void sauTrangDay(bool dungThuTu, std::optional<qint64> dau, std::optional<qint64> cuoi, std::optional<qint64> den,
                     ViTri& vt);

private:
    bool dangDoc_ = false;
    qint64 tu_ = 0;
    qint64 den_ = 0;
    int trang_ = 1;
    int soLuot_ = 0;
    QSet<QString> luotTruoc_;
    QSet<QString> luotNay_;
};
