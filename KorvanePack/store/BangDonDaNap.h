#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <iterator>

#include "store/BangManh.h"
#include "store/DonHang.h"

// The loaded orders by id, each kept as its compact record line (UTF-8) and decoded when asked for:
// a hundred thousand orders as decoded records with UTF-16 texts take several times the memory of
// their lines. Reads like a QHash of DonHang; only the store changes it.
class BangDonDaNap {
public:
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = DonHang;
        using difference_type = qptrdiff;
        using pointer = void;
        using reference = DonHang;

        const_iterator() = default;
        const QString& key() const { return it_.key(); }
        DonHang value() const { return giai(it_.value()); }
        DonHang operator*() const { return value(); }
        const_iterator& operator++() {
            ++it_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator cu = *this;
            ++it_;
            return cu;
        }
        bool operator==(const const_iterator& khac) const { return it_ == khac.it_; }
        bool operator!=(const const_iterator& khac) const { return it_ != khac.it_; }

    private:
        friend class BangDonDaNap;
        explicit const_iterator(BangManh<QByteArray>::const_iterator it) : it_(it) {}
        BangManh<QByteArray>::const_iterator it_;
    };
    using iterator = const_iterator;

    BangDonDaNap() = default;
    explicit BangDonDaNap(BangManh<QByteArray> dong) : dong_(std::move(dong)) {}

    qsizetype size() const { return dong_.size(); }
    bool isEmpty() const { return dong_.isEmpty(); }
    bool contains(const QString& id) const { return dong_.contains(id); }
    // A default order when the id is not loaded, as QHash::value gives.
    DonHang value(const QString& id) const;

    const_iterator begin() const { return const_iterator(dong_.cbegin()); }
    const_iterator end() const { return const_iterator(dong_.cend()); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    const_iterator constBegin() const { return begin(); }
    const_iterator constEnd() const { return end(); }
    const_iterator find(const QString& id) const { return const_iterator(dong_.constFind(id)); }
    const_iterator constFind(const QString& id) const { return find(id); }

    // The store's side: the record lines themselves. A line put here is one that parses as an object.
    const BangManh<QByteArray>& cacDong() const { return dong_; }
    const QByteArray* dong(const QString& id) const;
    void dat(const QString& id, QByteArray dong) { dong_.insert(id, std::move(dong)); }
    // Puts in a map of the same lines, grown elsewhere; the one it held is swapped into khac.
    void doiBang(BangManh<QByteArray>& khac) { dong_.swap(khac); }

    // The order a kept line holds, read by the same tolerant rules as at loading.
    static DonHang giai(const QByteArray& dong);

private:
    BangManh<QByteArray> dong_;
};
