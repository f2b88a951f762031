#pragma once

#include <QtGlobal>
#include <algorithm>
#include <functional>

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

// The orders one fetch may hold: the client's pages times its page size. A page holding more entries than
// were asked for counts as that many, so a platform that ignores the page size cannot widen the bound, and
// the entries past it are not mapped at all.
class HanMucDon {
public:
    explicit HanMucDon(qsizetype toiDa) : conLai_(toiDa) {}
    // How many of a page's soMuc entries may still be taken.
    qsizetype nhan(qsizetype soMuc) {
        const qsizetype n = std::clamp<qsizetype>(soMuc, 0, conLai_);
        conLai_ -= n;
        tranRoi_ = tranRoi_ || n < soMuc || conLai_ == 0;
        return n;
    }
    // The bound was met: the fetch ends here with what it holds, as a capped fetch.
    bool daCham() const { return tranRoi_; }

private:
    qsizetype conLai_;
    bool tranRoi_ = false;
};
