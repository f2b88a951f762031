#pragma once

#include <QHash>
#include <QString>
#include <array>
#include <iterator>
#include <type_traits>
#include <utility>

#include "store/KhoaManh.h"

// A map from text keys kept as a fixed number of pieces, each a QHash of its own, the piece of a key
// chosen by the key alone. Start-up builds every piece on a thread of its own: one table of a hundred
// thousand orders or codes is filled at random places of memory that no cache holds, and filling it from
// one thread costs longer than reading and parsing the files. Reads and changes like a QHash; which piece
// holds a key is the loader's affair only.
template <class V>
class BangManh {
public:
    static constexpr int kSoManh = 16;

    using Khoa = KhoaManh;
    using Manh = QHash<Khoa, V>;

    // The piece that holds a key. Not seeded: a crafted set of keys can only crowd one piece, and each
    // piece is a seeded QHash.
    static int manhCua(const QString& khoa) {
        quint32 h = 2166136261u;
        for (const QChar c : khoa) h = (h ^ c.unicode()) * 16777619u;
        return int((h ^ (h >> 15)) & (kSoManh - 1));
    }

    template <class DuLieu, class ItManh>
    class IteratorCo {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = V;
        using difference_type = qptrdiff;
        using pointer = V*;
        using reference = decltype(*std::declval<ItManh>());

        IteratorCo() = default;
        const QString& key() const { return it_.key().s; }
        reference value() const { return *it_; }
        reference operator*() const { return *it_; }
        IteratorCo& operator++() {
            ++it_;
            tienToiPhanTu();
            return *this;
        }
        IteratorCo operator++(int) {
            IteratorCo cu = *this;
            ++*this;
            return cu;
        }
        bool operator==(const IteratorCo& khac) const { return manh_ == khac.manh_ && it_ == khac.it_; }
        bool operator!=(const IteratorCo& khac) const { return !(*this == khac); }

    private:
        friend class BangManh;
        IteratorCo(DuLieu* manh, int so, ItManh it) : manh_(manh), so_(so), it_(it) { tienToiPhanTu(); }
        // Past the end of a piece lies the first entry of the next piece that has one.
        void tienToiPhanTu() {
            while (so_ + 1 < kSoManh && it_ == ketThuc(so_)) {
                ++so_;
                it_ = batDau(so_);
            }
        }
        ItManh batDau(int so) const {
            if constexpr (std::is_const_v<DuLieu>)
                return (*manh_)[so].cbegin();
            else
                return (*manh_)[so].begin();
        }
        ItManh ketThuc(int so) const {
            if constexpr (std::is_const_v<DuLieu>)
                return (*manh_)[so].cend();
            else
                return (*manh_)[so].end();
        }

        DuLieu* manh_ = nullptr;
        int so_ = 0;
        ItManh it_;
    };
    using CacManh = std::array<Manh, kSoManh>;
    using const_iterator = IteratorCo<const CacManh, typename Manh::const_iterator>;
    using iterator = IteratorCo<CacManh, typename Manh::iterator>;

    BangManh() = default;
    // Pieces filled by the caller, each key in the piece manhCua gives it.
    explicit BangManh(CacManh manh) : manh_(std::move(manh)) {}

    qsizetype size() const {
        qsizetype n = 0;
        for (const Manh& m : manh_) n += m.size();
        return n;
    }
    bool isEmpty() const { return size() == 0; }

    // Counts per piece, for growing the pieces ahead of a batch of new keys (piece by manhCua).
    using DemManh = std::array<qsizetype, kSoManh>;
    // Whether every piece takes its count of new keys without growing.
    bool duCho(const DemManh& them) const {
        for (int i = 0; i < kSoManh; ++i)
            if (manh_[i].size() + them[i] > manh_[i].capacity()) return false;
        return true;
    }
    // Made ahead, off the GUI thread, to be swapped in whole: every piece is made a copy of its own, so
    // that the first change after the swap copies nothing on the thread that swapped it in.
    void datTruoc(const DemManh& them) {
        for (int i = 0; i < kSoManh; ++i) {
            manh_[i].detach();
            manh_[i].reserve(manh_[i].size() + them[i]);
        }
    }
    void swap(BangManh& khac) noexcept { manh_.swap(khac.manh_); }
    // How many more keys a piece takes before it grows.
    qsizetype choConLai(int manh) const { return manh_[manh].capacity() - manh_[manh].size(); }
    bool contains(const QString& khoa) const { return manh_[manhCua(khoa)].contains(Khoa{khoa}); }
    V value(const QString& khoa) const { return manh_[manhCua(khoa)].value(Khoa{khoa}); }
    void insert(const QString& khoa, V giaTri) { manh_[manhCua(khoa)].insert(Khoa{khoa}, std::move(giaTri)); }
    bool remove(const QString& khoa) { return manh_[manhCua(khoa)].remove(Khoa{khoa}); }

    const_iterator begin() const { return const_iterator(&manh_, 0, manh_[0].cbegin()); }
    const_iterator end() const { return const_iterator(&manh_, kSoManh - 1, manh_[kSoManh - 1].cend()); }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    const_iterator constBegin() const { return begin(); }
    const_iterator constEnd() const { return end(); }
    iterator begin() { return iterator(&manh_, 0, manh_[0].begin()); }
    iterator end() { return iterator(&manh_, kSoManh - 1, manh_[kSoManh - 1].end()); }

    const_iterator constFind(const QString& khoa) const {
        const int so = manhCua(khoa);
        const auto it = manh_[so].constFind(Khoa{khoa});
        return it == manh_[so].cend() ? end() : const_iterator(&manh_, so, it);
    }
    const_iterator find(const QString& khoa) const { return constFind(khoa); }
    iterator find(const QString& khoa) {
        const int so = manhCua(khoa);
        const auto it = manh_[so].find(Khoa{khoa});
        return it == manh_[so].end() ? end() : iterator(&manh_, so, it);
    }
    iterator erase(iterator it) {
        iterator sau(&manh_, it.so_, manh_[it.so_].erase(it.it_));
        return sau;
    }

    // The same entries, whatever the pieces; a plain QHash compares with them too.
    friend bool operator==(const BangManh& a, const BangManh& b) { return a.manh_ == b.manh_; }
    friend bool operator!=(const BangManh& a, const BangManh& b) { return !(a == b); }
    friend bool operator==(const BangManh& a, const QHash<QString, V>& b) {
        if (a.size() != b.size()) return false;
        for (auto it = b.cbegin(); it != b.cend(); ++it) {
            const Manh& m = a.manh_[manhCua(it.key())];
            const auto tim = m.constFind(Khoa{it.key()});
            if (tim == m.cend() || !(*tim == *it)) return false;
        }
        return true;
    }
    friend bool operator!=(const BangManh& a, const QHash<QString, V>& b) { return !(a == b); }

private:
    CacManh manh_;
};
