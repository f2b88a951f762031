#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "store/BangManh.h"
#include "store/DonHang.h"

// One fetch's orders on their way into the store, worked out on the sync engine's worker so that the GUI
// thread only does what must be done there: put ready lines and codes into its maps, a slice at a time.
// Orders whose record is the one the store already has on disk for their id are left out: a platform that
// resends its unchanged orders at every run must not grow the month files on the disk the videos share.
class LoDon {
public:
    // What the store held of orders when the fetch began. Taken on the GUI thread at no cost, as the maps'
    // data stay shared until one side changes them, and only read on the worker; it is let go of on the
    // worker before the batch comes back, so that the GUI thread's next change does not copy its maps.
    struct AnhKho {
        BangManh<QByteArray> dong;
        BangManh<QString> ma;
        quint64 phienBan = 0;
    };

    LoDon() = default;
    // Encodes the orders (throws LoiTep when one cannot be encoded) and keeps those that differ from the
    // record the store holds for their id, or from an earlier one of the same id in this batch. A record
    // is the same when its line is the stored line byte for byte, the time of the sync that wrote it aside,
    // and the stored line was written in thang (the "yyyy-MM" of the month file this batch goes to): a
    // line of an earlier month file must not be what an order rests on, since loading reads only the
    // newest month files.
    LoDon(AnhKho anh, const QList<DonHang>& cacDon, const QString& thang);
    LoDon(LoDon&&) = default;
    LoDon& operator=(LoDon&&) = default;

    // The lines to append, each ending in a line feed; empty when nothing changed.
    const QByteArray& cacDong() const { return dong_; }
    qsizetype soDonGhi() const { return qsizetype(muc_.size()); }
    // The order's line as it is written, without its line feed; throws LoiTep naming the order when it
    // cannot be encoded.
    static QByteArray maHoa(const DonHang& don);

private:
    friend class KhoDuLieu;

    // One order to index: its line in dong_, its codes and the codes of its previous line it no longer has.
    struct Muc {
        QString id;
        qsizetype dongDau = 0;
        qsizetype dongDai = 0;
        qsizetype maDau = 0;
        qsizetype maCuoi = 0;
        qsizetype boDau = 0;
        qsizetype boCuoi = 0;
    };

    QByteArray dong_;
    std::vector<Muc> muc_;
    QStringList ma_;    // every order's codes, one after the other
    QStringList boMa_;  // every order's dropped codes, one after the other
    quint64 phienBan_ = 0;
    // The store's maps grown to hold this batch, made on the worker from the snapshot: growing them on the
    // GUI thread would copy every entry at once. Used only when the maps have not changed since; swapped in,
    // they then hold the maps they replaced, which go with the batch.
    std::optional<BangManh<QByteArray>> dongLon_;
    std::optional<BangManh<QString>> maLon_;

    // Where indexing stands: the next order, and how far into its dropped codes and codes it got.
    size_t tiep_ = 0;
    qsizetype buocTrongDon_ = 0;
    bool daDoiBang_ = false;
    bool theoAnh_ = true;
};
