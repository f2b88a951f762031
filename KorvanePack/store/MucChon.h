#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// One row of a fixed option list: the id is what records store, the label what people read.
struct MucChon {
    QString id;
    QString ten;

    bool operator==(const MucChon&) const = default;
};

inline size_t qHash(const MucChon& m, size_t seed = 0) {
    return qHashMulti(seed, m.id, m.ten);
}

// The fixed lists of the returns declaration, in the order screens show them.
const QList<MucChon>& danhSachLyDo();
const QList<MucChon>& danhSachTinhTrang();
const QList<MucChon>& danhSachXuLy();

// The five filming steps of a returns unboxing, shown numbered from 1.
const QStringList& cacBuocMoKien();

// Unboxing conditions that make a returned parcel a problem case.
const QSet<QString>& tinhTrangCoVanDe();
